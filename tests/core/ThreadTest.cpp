#include "core/Thread.h"

#include "core/Exception.h"
#include "tests/support/ExceptionMatch.h"

#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

using NTev::CEventAutoResetAggregate;
using NTev::NThread::gc_PriorityNormal;
using NTev::NThread::ICThread;

namespace
{
const char* const gc_NotStopped =
    "You are trying to get a return value from a thread that isn't stopped (or has never run)";
const char* const gc_AlreadyRunning = "You cannot start a thread that is already running";

template <typename t_FCondition>
void fg_SpinUntil(t_FCondition condition)
{
    while (!condition())
        std::this_thread::yield();
}

// Runs until stopped (or returns at once), then optionally holds until m_Proceed.
class CTestThread final : public ICThread
{
public:
    ~CTestThread() override { f_Stop(true); }

    // Set while the thread is not running.
    std::uintptr_t m_Result = 42;
    bool m_bWaitForStop = true;
    bool m_bHoldAfterStop = false;

    CEventAutoResetAggregate m_Started;
    CEventAutoResetAggregate m_Proceed;
    std::atomic<int> m_Runs{0};

protected:
    std::uintptr_t f_Run() override
    {
        m_Runs.fetch_add(1);
        m_Started.f_Signal();
        if (m_bWaitForStop)
            f_GetStopEvent().f_Wait();
        if (m_bHoldAfterStop)
            m_Proceed.f_Wait();
        return m_Result;
    }
};
} // namespace

TEST(Thread, NeverStartedThreadStopsAsNothingAndHasNoValue)
{
    CTestThread thread;
    EXPECT_EQ(thread.f_GetState(), ICThread::mc_StateNeverRun);
    EXPECT_EQ(thread.f_Stop(false), 0u);
    EXPECT_EQ(thread.f_Stop(true), 0u);
    EXPECT_EQ(thread.f_GetState(), ICThread::mc_StateNeverRun);
    EXPECT_TEV_THROW(thread.f_GetReturnValue(), "CException", gc_NotStopped);
    EXPECT_EQ(thread.m_Runs.load(), 0);
}

TEST(Thread, RunsThroughStopRequestedToStopped)
{
    CTestThread thread;
    thread.m_bHoldAfterStop = true;
    thread.f_Start(gc_PriorityNormal, 0);
    thread.m_Started.f_Wait();
    EXPECT_EQ(thread.f_GetState(), ICThread::mc_StateRunning);
    EXPECT_FALSE(thread.f_IsStopRequested());
    EXPECT_TEV_THROW(thread.f_GetReturnValue(), "CException", gc_NotStopped);

    EXPECT_EQ(thread.f_Stop(false), 0u);
    EXPECT_EQ(thread.f_GetState(), ICThread::mc_StateStopRequested);
    EXPECT_TRUE(thread.f_IsStopRequested());
    EXPECT_TEV_THROW(thread.f_Start(gc_PriorityNormal, 0), "CException", gc_AlreadyRunning);
    EXPECT_TEV_THROW(thread.f_GetReturnValue(), "CException", gc_NotStopped);

    thread.m_Proceed.f_Signal();
    EXPECT_EQ(thread.f_Stop(true), 42u);
    EXPECT_EQ(thread.f_GetState(), ICThread::mc_StateStopped);
    EXPECT_EQ(thread.f_GetReturnValue(), 42u);
    EXPECT_EQ(thread.m_Runs.load(), 1);
}

TEST(Thread, StartingARunningThreadThrowsAndKeepsTheRun)
{
    CTestThread thread;
    thread.f_Start(gc_PriorityNormal, 0);
    thread.m_Started.f_Wait();
    EXPECT_TEV_THROW(thread.f_Start(gc_PriorityNormal, 0), "CException", gc_AlreadyRunning);
    EXPECT_EQ(thread.f_GetState(), ICThread::mc_StateRunning);
    EXPECT_EQ(thread.f_Stop(true), 42u);
    EXPECT_EQ(thread.m_Runs.load(), 1);
}

TEST(Thread, StopWithWaitOnAFinishedRunReturnsItsValue)
{
    CTestThread thread;
    thread.m_bWaitForStop = false;
    thread.m_Result = 7;
    thread.f_Start(gc_PriorityNormal, 0);
    fg_SpinUntil([&] { return thread.f_GetState() == ICThread::mc_StateStopped; });
    EXPECT_EQ(thread.f_Stop(true), 7u);
    EXPECT_EQ(thread.f_Stop(false), 7u);
    EXPECT_EQ(thread.f_GetReturnValue(), 7u);
    EXPECT_EQ(thread.f_GetState(), ICThread::mc_StateStopped);
}

TEST(Thread, RestartAfterARunStartsAFreshRun)
{
    CTestThread thread;
    thread.m_bWaitForStop = false;
    thread.m_Result = 7;
    thread.f_Start(gc_PriorityNormal, 0);
    fg_SpinUntil([&] { return thread.f_GetState() == ICThread::mc_StateStopped; });
    EXPECT_EQ(thread.f_GetReturnValue(), 7u);
    thread.m_Started.f_Wait();

    thread.m_bWaitForStop = true;
    thread.m_Result = 9;
    thread.f_Start(gc_PriorityNormal, 0);
    thread.m_Started.f_Wait();
    EXPECT_EQ(thread.f_GetState(), ICThread::mc_StateRunning);
    // The earlier value is gone with the new run.
    EXPECT_TEV_THROW(thread.f_GetReturnValue(), "CException", gc_NotStopped);
    EXPECT_EQ(thread.f_Stop(true), 9u);
    EXPECT_EQ(thread.m_Runs.load(), 2);
}

TEST(Thread, ManyRestartsEachEndWithTheirOwnValue)
{
    CTestThread thread;
    thread.m_bWaitForStop = false;
    for (std::uintptr_t run = 1; run <= 20; ++run)
    {
        thread.m_Result = run;
        thread.f_Start(gc_PriorityNormal, 0);
        fg_SpinUntil([&] { return thread.f_GetState() == ICThread::mc_StateStopped; });
        EXPECT_EQ(thread.f_Stop(true), run);
    }
    EXPECT_EQ(thread.m_Runs.load(), 20);
}

namespace
{
// Its run touches nothing of the derived object after the stop event, so the base
// destructor alone may stop it.
class CBaseStoppedThread final : public ICThread
{
public:
    CBaseStoppedThread(CEventAutoResetAggregate& started, std::atomic<bool>& ended)
        : m_Started(started), m_Ended(ended)
    {
    }

protected:
    std::uintptr_t f_Run() override
    {
        std::atomic<bool>& ended = m_Ended;
        m_Started.f_Signal();
        f_GetStopEvent().f_Wait();
        ended = true;
        return 0;
    }

private:
    CEventAutoResetAggregate& m_Started;
    std::atomic<bool>& m_Ended;
};
} // namespace

TEST(Thread, DestroyingARunningThreadStopsItAndWaits)
{
    CEventAutoResetAggregate started;
    std::atomic<bool> ended{false};
    auto* thread = new CBaseStoppedThread(started, ended);
    thread->f_Start(gc_PriorityNormal, 0);
    started.f_Wait();
    delete thread;
    EXPECT_TRUE(ended);
}

namespace
{
// Counts work signals until stopped: the usual shape of a run function waiting on an
// aggregate of its stop event and its work event.
class CWorkerThread final : public ICThread
{
public:
    CWorkerThread()
    {
        f_GetStopEvent().f_Link(m_Any);
        m_Work.f_Link(m_Any);
    }
    ~CWorkerThread() override { f_Stop(true); }

    CEventAutoResetAggregate m_Work;
    CEventAutoResetAggregate m_Done;

protected:
    std::uintptr_t f_Run() override
    {
        std::uintptr_t handled = 0;
        for (;;)
        {
            m_Any.f_Wait();
            if (f_IsStopRequested())
                return handled;
            if (m_Work.f_WaitMilliseconds(0))
            {
                ++handled;
                m_Done.f_Signal();
            }
        }
    }

private:
    CEventAutoResetAggregate m_Any;
};
} // namespace

TEST(Thread, RunFunctionWaitsOnStopAndWorkThroughOneAggregate)
{
    CWorkerThread worker;
    worker.f_Start(gc_PriorityNormal, 64 * 1024);
    for (int i = 0; i < 3; ++i)
    {
        worker.m_Work.f_Signal();
        worker.m_Done.f_Wait();
    }
    EXPECT_EQ(worker.f_Stop(true), 3u);
}

namespace
{
// Its run throws what m_Throw says; f_OnRunFailed notes on which thread it ran.
class CThrowingThread final : public ICThread
{
public:
    ~CThrowingThread() override { f_Stop(true); }

    std::function<void()> m_Throw;
    std::atomic<bool> m_bFailureSeenOnRunThread{false};

protected:
    std::uintptr_t f_Run() override
    {
        m_RunThread = std::this_thread::get_id();
        m_Throw();
        return 7;
    }
    void f_OnRunFailed() noexcept override
    {
        m_bFailureSeenOnRunThread = std::this_thread::get_id() == m_RunThread;
    }

private:
    std::thread::id m_RunThread;
};
} // namespace

// An escaping exception would end the process through std::terminate: the run ends as failed
// instead, and the thread can run again.
TEST(Thread, AnExceptionEndsTheRunAsFailedAndTheProcessGoesOn)
{
    const std::vector<std::function<void()>> throwers = {
        [] { TEV_THROW(NTev::NException::CException, "test", "library failure"); },
        [] { throw std::runtime_error("standard failure"); },
        [] { throw 5; },
    };
    CThrowingThread thread;
    for (const auto& thrower : throwers)
    {
        thread.m_Throw = thrower;
        thread.m_bFailureSeenOnRunThread = false;
        thread.f_Start(gc_PriorityNormal, 0);
        EXPECT_EQ(thread.f_Stop(true), ICThread::mc_ResultFailed);
        EXPECT_EQ(thread.f_GetState(), ICThread::mc_StateStopped);
        EXPECT_TRUE(thread.f_HasFailed());
        EXPECT_TRUE(thread.m_bFailureSeenOnRunThread);
    }
    thread.m_Throw = [] {};
    thread.f_Start(gc_PriorityNormal, 0);
    EXPECT_EQ(thread.f_Stop(true), 7u);
    EXPECT_FALSE(thread.f_HasFailed());
}
