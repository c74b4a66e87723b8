#pragma once
// The library's clock. gf_GetTime is the wall time read once at start-up plus the time that
// has passed since on a monotonic counter, multiplied by the time scale; it never goes back,
// whatever happens to the wall clock. Everything here reads the installed time source: the
// real counter by default, or a virtual clock (core/VirtualClock.h) that a test or simulator
// advances by hand, so that the engine's timing runs without sleeping.
//
// The engine clock is built on gf_GetCounter: (counter - origin) / gf_GetCounterFrequency()
// seconds. Waits given in clock seconds go through gf_ClockSecondsToMilliseconds (Windows
// waits) or CEventAutoResetAggregate::f_WaitClockSeconds (which a virtual clock also serves).

#include "core/Time.h"

#include <cstdint>

namespace NTev
{
class CEventAutoResetAggregate;

// A monotonic counter, and waits measured on it.
class ICTimeSource
{
public:
    virtual std::uint64_t f_GetCounter() noexcept = 0;
    virtual std::uint64_t f_GetFrequency() const noexcept = 0;
    // Waits for the event at most seconds of this source (the time scale already applied);
    // true when the event was signalled (and is reset), false on time-out.
    virtual bool f_WaitEvent(CEventAutoResetAggregate& event, double seconds) = 0;

protected:
    ~ICTimeSource() = default;
};

CTime gf_GetTime();
// The clock's counter, in ticks of gf_GetCounterFrequency: the real counter itself while the
// time scale is 1 and the real source is installed; otherwise it continues from the value it
// had when the scale or the source changed, at the new rate.
std::uint64_t gf_GetCounter();
std::uint64_t gf_GetCounterFrequency();

// The time scale multiplies the time that passes (1.0 by default). Throws CException for
// anything but a positive finite number.
double gf_GetTimeScale();
void gf_SetTimeScale(double scale);
// A wait in clock seconds as Windows milliseconds: divided by the time scale, rounded, at
// most one below the infinite wait.
std::uint32_t gf_ClockSecondsToMilliseconds(double seconds);

// Seconds to add to a universal time for the local time (read at start-up).
std::int64_t gf_GetLocalTimeOffset();

ICTimeSource& gf_GetRealTimeSource();
// Installs a time source (null: the real one) and returns the one installed before. The clock
// continues from its current value. Install and remove a source only while no other thread
// reads the clock or waits on it.
ICTimeSource* gf_SetTimeSource(ICTimeSource* source);

// Installs a time source for its scope.
class CTimeSourceScope
{
public:
    explicit CTimeSourceScope(ICTimeSource& source) : m_pPrevious(gf_SetTimeSource(&source)) {}
    ~CTimeSourceScope() { gf_SetTimeSource(m_pPrevious); }
    CTimeSourceScope(const CTimeSourceScope&) = delete;
    CTimeSourceScope& operator=(const CTimeSourceScope&) = delete;

private:
    ICTimeSource* m_pPrevious;
};
} // namespace NTev
