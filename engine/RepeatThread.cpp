#include "engine/RepeatThread.h"

#include "core/SysClock.h"

namespace NQuillon
{
std::uintptr_t CMessageHook::CRepeatThread::f_Run()
{
    // A 2 ms tick needs a timer finer than the system's default period.
    NTev::NSys::CFineTimerPeriod finePeriod;
    while (!f_IsStopRequested())
    {
        m_Engine.f_RepeatTick();
        f_GetStopEvent().f_WaitClockSeconds(mc_TickSeconds);
    }
    return 0;
}
} // namespace NQuillon
