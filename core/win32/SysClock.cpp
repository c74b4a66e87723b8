// Windows backend of the clocks: the performance counter and the system time.

#include "core/SysClock.h"

#include <windows.h>

#include <mmsystem.h>

namespace NTev::NSys
{
std::uint64_t gf_Clock_GetCounter() noexcept
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<std::uint64_t>(counter.QuadPart);
}

std::uint64_t gf_Clock_GetFrequency() noexcept
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<std::uint64_t>(frequency.QuadPart);
}

CTime gf_Clock_GetWallTime() noexcept
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return CTime::fs_FromFileTime((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

std::int64_t gf_Clock_GetLocalTimeOffset() noexcept
{
    TIME_ZONE_INFORMATION zone;
    // The daylight bias counts only while daylight time is in effect, the standard bias only
    // while standard time is.
    LONG bias = 0;
    switch (GetTimeZoneInformation(&zone))
    {
        case TIME_ZONE_ID_DAYLIGHT:
            bias = zone.Bias + zone.DaylightBias;
            break;
        case TIME_ZONE_ID_STANDARD:
            bias = zone.Bias + zone.StandardBias;
            break;
        case TIME_ZONE_ID_UNKNOWN:
            bias = zone.Bias;
            break;
        default:
            return 0;
    }
    return -static_cast<std::int64_t>(bias) * 60;
}
void gf_Clock_BeginFinePeriod() noexcept
{
    timeBeginPeriod(1);
}

void gf_Clock_EndFinePeriod() noexcept
{
    timeEndPeriod(1);
}
} // namespace NTev::NSys
