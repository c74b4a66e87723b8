#include "core/VirtualClock.h"

#include "core/Clock.h"
#include "core/Thread.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using NTev::CEventAutoResetAggregate;
using NTev::CTime;
using NTev::CTimeSourceScope;
using NTev::CVirtualClock;

namespace
{
// Restores the global time scale.
class CTimeScaleScope
{
public:
    explicit CTimeScaleScope(double scale) { NTev::gf_SetTimeScale(scale); }
    ~CTimeScaleScope() { NTev::gf_SetTimeScale(1.0); }
};

// A thread in the shape of the engine's repeat thread: one tick, then a wait of 2 ms of clock
// time on its stop event, until stopped.
class CTickThread final : public NTev::NThread::ICThread
{
public:
    ~CTickThread() override { f_Stop(true); }
    std::atomic<int> m_Ticks{0};
    std::atomic<int> m_Signalled{0};

protected:
    std::uintptr_t f_Run() override
    {
        while (!f_IsStopRequested())
        {
            m_Ticks.fetch_add(1);
            if (f_GetStopEvent().f_WaitClockSeconds(0.002))
                m_Signalled.fetch_add(1);
        }
        return static_cast<std::uintptr_t>(m_Ticks.load());
    }
};
} // namespace

TEST(VirtualClock, LibraryClockFollowsTheInstalledClockAndNeverGoesBack)
{
    CVirtualClock clock;
    CTime inside;
    {
        CTimeSourceScope scope(clock);
        CTime start = NTev::gf_GetTime();
        EXPECT_EQ(NTev::gf_GetTime(), start);
        clock.f_AdvanceSeconds(1.5);
        inside = NTev::gf_GetTime();
        EXPECT_NEAR((inside - start).f_GetSecondsFloat(), 1.5, 1e-6);
    }
    EXPECT_GE(NTev::gf_GetTime(), inside);
}

TEST(VirtualClock, ThreadTicksOnceForEveryAdvanceOfItsWait)
{
    CVirtualClock clock;
    CTimeSourceScope scope(clock);
    CTickThread thread;
    thread.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    for (int tick = 1; tick <= 5; ++tick)
    {
        clock.f_WaitForWaiters(1);
        EXPECT_EQ(thread.m_Ticks.load(), tick);
        // Half the wait is not enough.
        clock.f_AdvanceSeconds(0.001);
        EXPECT_EQ(clock.f_GetWaiterCount(), 1u);
        clock.f_AdvanceSeconds(0.001);
    }
    clock.f_WaitForWaiters(1);
    EXPECT_EQ(thread.f_Stop(true), 6u);
    EXPECT_EQ(thread.m_Signalled.load(), 1);
    EXPECT_EQ(clock.f_GetWaiterCount(), 0u);
}

TEST(VirtualClock, SignalEndsATimedWaitBeforeItsDeadline)
{
    CVirtualClock clock;
    CTimeSourceScope scope(clock);
    CEventAutoResetAggregate event;
    std::atomic<int> result{-1};
    std::thread waiter([&] { result = event.f_WaitClockSeconds(10.0) ? 1 : 0; });
    clock.f_WaitForWaiters(1);
    event.f_Signal();
    waiter.join();
    EXPECT_EQ(result.load(), 1);
    EXPECT_EQ(clock.f_GetCounter(), 0u);
    EXPECT_EQ(clock.f_GetWaiterCount(), 0u);
    // The wait took the signal.
    EXPECT_FALSE(event.f_WaitMilliseconds(0));
}

TEST(VirtualClock, AlreadySignalledEventAndZeroWaitNeedNoAdvance)
{
    CVirtualClock clock;
    CTimeSourceScope scope(clock);
    CEventAutoResetAggregate event;
    event.f_Signal();
    EXPECT_TRUE(event.f_WaitClockSeconds(1.0));
    EXPECT_FALSE(event.f_WaitClockSeconds(0));
    EXPECT_EQ(clock.f_GetWaiterCount(), 0u);
}

TEST(VirtualClock, AdvancingToTheNextDeadlineEndsWaitsInOrder)
{
    CVirtualClock clock(1000);
    CTimeSourceScope scope(clock);
    CEventAutoResetAggregate early, late;
    std::atomic<int> earlyResult{-1}, lateResult{-1};
    std::thread earlyWaiter([&] { earlyResult = early.f_WaitClockSeconds(0.002) ? 1 : 0; });
    std::thread lateWaiter([&] { lateResult = late.f_WaitClockSeconds(0.005) ? 1 : 0; });
    clock.f_WaitForWaiters(2);

    EXPECT_TRUE(clock.f_AdvanceToNextDeadline());
    earlyWaiter.join();
    EXPECT_EQ(earlyResult.load(), 0);
    EXPECT_EQ(clock.f_GetCounter(), 2u);
    EXPECT_EQ(clock.f_GetWaiterCount(), 1u);
    EXPECT_EQ(lateResult.load(), -1);

    EXPECT_TRUE(clock.f_AdvanceToNextDeadline());
    lateWaiter.join();
    EXPECT_EQ(lateResult.load(), 0);
    EXPECT_EQ(clock.f_GetCounter(), 5u);
    EXPECT_FALSE(clock.f_AdvanceToNextDeadline());
}

TEST(VirtualClock, TimeScaleShortensWaitsAndSpeedsTheClock)
{
    CVirtualClock clock(1000);
    CTimeSourceScope scope(clock);
    CTimeScaleScope scale(2.0);
    CEventAutoResetAggregate event;
    CTime start = NTev::gf_GetTime();
    std::atomic<int> result{-1};
    std::thread waiter([&] { result = event.f_WaitClockSeconds(0.004) ? 1 : 0; });
    clock.f_WaitForWaiters(1);
    clock.f_Advance(2);
    waiter.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_NEAR((NTev::gf_GetTime() - start).f_GetSecondsFloat(), 0.004, 1e-9);
}
