// libFuzzer's entry, built once per target with QUILLON_FUZZ_ENTRY naming its body.

#include "tools/fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QUILLON_FUZZ_ENTRY(data, size);
    return 0;
}
