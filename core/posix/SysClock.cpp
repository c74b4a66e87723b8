// POSIX backend of the clocks: CLOCK_MONOTONIC in nanoseconds and CLOCK_REALTIME.

#include "core/SysClock.h"

#include <ctime>

namespace NTev::NSys
{
namespace
{
constexpr std::uint64_t gc_NanosecondsPerSecond = 1000000000;
// Seconds from the Windows file-time origin (1601) to the POSIX epoch (1970).
constexpr std::int64_t gc_UnixEpochFileTimeSeconds = 11644473600;
} // namespace

std::uint64_t gf_Clock_GetCounter() noexcept
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * gc_NanosecondsPerSecond +
           static_cast<std::uint64_t>(now.tv_nsec);
}

std::uint64_t gf_Clock_GetFrequency() noexcept
{
    return gc_NanosecondsPerSecond;
}

CTime gf_Clock_GetWallTime() noexcept
{
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return CTime(static_cast<std::int64_t>(now.tv_sec) + gc_UnixEpochFileTimeSeconds +
                     CTime::mc_FileTimeSecondsOffset,
                 static_cast<std::int64_t>(gf_MulDivBelow(static_cast<std::uint64_t>(now.tv_nsec),
                                                          CTime::mc_FractionOne, gc_NanosecondsPerSecond)));
}

std::int64_t gf_Clock_GetLocalTimeOffset() noexcept
{
    time_t now = time(nullptr);
    tm local;
    if (!localtime_r(&now, &local))
        return 0;
    return local.tm_gmtoff;
}
// POSIX waits are as fine as the system can make them already.
void gf_Clock_BeginFinePeriod() noexcept {}
void gf_Clock_EndFinePeriod() noexcept {}
} // namespace NTev::NSys
