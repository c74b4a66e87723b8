#include "tools/fuzz/FuzzTargets.h"

#include <cstdio>
#include <cstdlib>

namespace NQuillonFuzz
{
namespace
{
void fg_PrintAndAbort(const std::string& message)
{
    std::fprintf(stderr, "fuzz oracle broken: %s\n", message.c_str());
    std::abort();
}

FFailureHandler g_FailureHandler = fg_PrintAndAbort;
} // namespace

FFailureHandler gf_SetFailureHandler(FFailureHandler handler)
{
    FFailureHandler previous = g_FailureHandler;
    g_FailureHandler = handler ? handler : fg_PrintAndAbort;
    return previous;
}

void gf_Fail(const std::string& message)
{
    g_FailureHandler(message);
}
} // namespace NQuillonFuzz
