#pragma once
// The OS layer's clocks: a monotonic counter, the wall clock and the local time offset. The
// library's clock (core/Clock.h) is built on these.

#include "core/Time.h"

#include <cstdint>

namespace NTev::NSys
{
// Monotonic counter ticks (the performance counter; CLOCK_MONOTONIC nanoseconds on POSIX).
std::uint64_t gf_Clock_GetCounter() noexcept;
std::uint64_t gf_Clock_GetFrequency() noexcept;
// The wall clock as a library time value.
CTime gf_Clock_GetWallTime() noexcept;
// Seconds to add to a universal time to get the local time in effect now.
std::int64_t gf_Clock_GetLocalTimeOffset() noexcept;

// A 1 ms system timer period for the scope (Windows' default period is coarser than the
// 2 ms waits of the repeat thread); nothing on POSIX.
void gf_Clock_BeginFinePeriod() noexcept;
void gf_Clock_EndFinePeriod() noexcept;
class CFineTimerPeriod
{
public:
    CFineTimerPeriod() noexcept { gf_Clock_BeginFinePeriod(); }
    ~CFineTimerPeriod() { gf_Clock_EndFinePeriod(); }
    CFineTimerPeriod(const CFineTimerPeriod&) = delete;
    CFineTimerPeriod& operator=(const CFineTimerPeriod&) = delete;
};
} // namespace NTev::NSys
