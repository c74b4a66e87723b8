#include "engine/RepeatThread.h"

#include "core/SysClock.h"

#include <optional>

namespace NQuillon
{
std::uintptr_t CMessageHook::CRepeatThread::f_Run()
{
    // A 2 ms tick needs a timer finer than the system's default period, asked for only while
    // something repeats.
    std::optional<NTev::NSys::CFineTimerPeriod> finePeriod;
    while (!f_IsStopRequested())
    {
        const bool active = m_Engine.f_RepeatTick();
        m_Ticks.fetch_add(1, std::memory_order_relaxed);
        if (active && !finePeriod)
            finePeriod.emplace();
        else if (!active && finePeriod)
            finePeriod.reset();
        f_GetStopEvent().f_WaitClockSeconds(active ? mc_TickSeconds : mc_IdleSeconds);
    }
    return 0;
}
} // namespace NQuillon
