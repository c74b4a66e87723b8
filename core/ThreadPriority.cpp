#include "core/SysThread.h"

namespace NTev::NSys
{
int gf_Thread_MapPriority(std::uint32_t priority) noexcept
{
    if (priority < 8192)
        return -15;
    if (priority < 16384)
        return -2;
    if (priority < 32768)
        return -1;
    if (priority < 49152)
        return 0;
    if (priority < 57344)
        return 1;
    if (priority < 65536)
        return 2;
    return 15;
}
} // namespace NTev::NSys
