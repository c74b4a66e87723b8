#include "core/SysCrash.h"

namespace NTev::NSys
{
void gf_Crash_Install() noexcept {}
void gf_Crash_PrepareThread() noexcept {}
} // namespace NTev::NSys
