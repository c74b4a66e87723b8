#pragma once
// The thread base of every long-lived thread. A derived class implements f_Run, which watches
// the stop event (or f_IsStopRequested) and returns soon after a stop was requested; its
// result becomes the return value of the run.
//
// States: never run (0) -> f_Start -> running (2) -> f_Stop -> stop requested (3) -> the run
// function returns -> stopped (1) -> f_Start may run it again. A run function that returns on
// its own goes from 2 to 1.
//
// An exception that escapes the run function does not end the process: the start routine
// catches and traces it, calls f_OnRunFailed on the thread, and ends the run as failed (state
// stopped, return value mc_ResultFailed).
//
// Destroying a running thread object stops it and waits, but by then the derived part of the
// object is gone: a derived class whose run function uses its own members calls f_Stop(true)
// in its own destructor.

#include "core/EventAggregate.h"
#include "core/Mutual.h"
#include "core/SysSync.h"
#include "core/SysThread.h"

#include <cstddef>
#include <cstdint>

namespace NTev::NThread
{
// The normal priority on the library's priority scale (see NSys::gf_Thread_MapPriority).
inline constexpr std::uint32_t gc_PriorityNormal = 0x8000;

class ICThread
{
public:
    static constexpr int mc_StateNeverRun = 0;
    static constexpr int mc_StateStopped = 1;
    static constexpr int mc_StateRunning = 2;
    static constexpr int mc_StateStopRequested = 3;
    // The return value of a run that an exception ended.
    static constexpr std::uintptr_t mc_ResultFailed = ~std::uintptr_t(0);

    ICThread();
    virtual ~ICThread();
    ICThread(const ICThread&) = delete;
    ICThread& operator=(const ICThread&) = delete;

    // Starts a run at the priority (library scale) with the stack size (0: the system
    // default). Throws CException when the thread is running or asked to stop, and
    // CExceptionSystemImplementation when the system cannot start it (the state stays).
    virtual void f_Start(std::uint32_t priority, std::size_t stackSize);
    // Asks a running thread to stop. With wait, waits for the run to end and returns its
    // value; a stopped thread returns its value at once, a never-run one 0. Without wait a
    // running thread returns 0.
    virtual std::uintptr_t f_Stop(bool wait);
    // The value of the finished run; throws CException in any state but stopped.
    std::uintptr_t f_GetReturnValue();

    int f_GetState();
    bool f_IsStopRequested();
    // Whether the last run was ended by an exception.
    bool f_HasFailed();

protected:
    virtual std::uintptr_t f_Run() = 0;
    // Runs on the thread after an exception ended f_Run, before the run counts as stopped: the
    // place to let go of what the run held. Must not throw.
    virtual void f_OnRunFailed() noexcept {}
    // Signalled by f_Stop; the run function waits on it (directly or through an aggregate).
    CEventAutoResetAggregate& f_GetStopEvent() noexcept { return m_StopEvent; }

private:
    static void fs_ThreadStart(void* object) noexcept;
    std::uintptr_t fp_Stop(bool wait);

    CMutual m_Lock;
    int m_State = mc_StateNeverRun;
    std::uintptr_t m_ReturnValue = 0;
    bool m_bFailed = false;
    // The handle from thread creation, closed when the run ends.
    NSys::CThreadObject* m_pThread = nullptr;
    // A second handle for waiting; it outlives the run and is closed by the next start or the
    // destructor.
    NSys::CThreadObject* m_pThreadWait = nullptr;
    // Manual reset: any number of waiters see the end of a run. Set while not running.
    NSys::CEventObject* m_pFinished = nullptr;
    CEventAutoResetAggregate m_StopEvent;
};
} // namespace NTev::NThread
