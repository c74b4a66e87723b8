#include "core/Thread.h"

#include "core/Exception.h"
#include "core/Format.h"
#include "core/System.h"
#include "core/ThreadStorage.h"

#include <exception>

namespace NTev::NThread
{
namespace
{
// Closes a thread handle on every exit path.
class CThreadHandleGuard
{
public:
    explicit CThreadHandleGuard(NSys::CThreadObject* thread) noexcept : m_pThread(thread) {}
    ~CThreadHandleGuard() { NSys::gf_Thread_Close(m_pThread); }
    CThreadHandleGuard(const CThreadHandleGuard&) = delete;
    CThreadHandleGuard& operator=(const CThreadHandleGuard&) = delete;

private:
    NSys::CThreadObject* m_pThread;
};
} // namespace

ICThread::ICThread()
{
    // Created here rather than in the member list, so that a failure destroys the stop event.
    m_pFinished = NSys::gf_Event_Create(true, true);
}

ICThread::~ICThread()
{
    int state = f_GetState();
    if (state == mc_StateRunning || state == mc_StateStopRequested)
        fp_Stop(true);
    // A stopped run may still be leaving its start routine, which touches this object.
    if (m_pThreadWait)
        NSys::gf_Thread_Wait(m_pThreadWait, NSys::gc_WaitInfinite);
    NSys::gf_Thread_Close(m_pThreadWait);
    NSys::gf_Thread_Close(m_pThread);
    NSys::gf_Event_Close(m_pFinished);
}

void ICThread::f_Start(std::uint32_t priority, std::size_t stackSize)
{
    TCMutualLock lock(m_Lock);
    if (m_State == mc_StateRunning || m_State == mc_StateStopRequested)
        TEV_THROW(NException::CException, "NTev::NThread::ICThread::f_Start",
                  "You cannot start a thread that is already running");
    if (m_pThreadWait)
    {
        // The earlier run has stopped but may not have set the finished event yet; the reset
        // below must not be overtaken by it.
        NSys::gf_Thread_Wait(m_pThreadWait, NSys::gc_WaitInfinite);
        NSys::gf_Thread_Close(m_pThreadWait);
        m_pThreadWait = nullptr;
    }
    // The new run cannot finish before this lock is released, so the thread may be created
    // first: if creation fails, nothing has changed.
    NSys::CThreadObject* thread = NSys::gf_Thread_Create(&fs_ThreadStart, this, priority, stackSize);
    NSys::CThreadObject* threadWait;
    try
    {
        threadWait = NSys::gf_Thread_BeginDestroy(thread);
    }
    catch (const NException::CException&)
    {
        // The thread runs already; wait on the creation handle instead of a duplicate.
        threadWait = thread;
        thread = nullptr;
    }
    NSys::gf_Event_Reset(m_pFinished);
    m_ReturnValue = 0;
    m_bFailed = false;
    m_pThread = thread;
    m_pThreadWait = threadWait;
    m_State = mc_StateRunning;
}

std::uintptr_t ICThread::f_Stop(bool wait)
{
    return fp_Stop(wait);
}

std::uintptr_t ICThread::fp_Stop(bool wait)
{
    NSys::CThreadObject* threadWait = nullptr;
    {
        TCMutualLock lock(m_Lock);
        switch (m_State)
        {
            case mc_StateNeverRun:
                return 0;
            case mc_StateStopped:
                return m_ReturnValue;
            case mc_StateRunning:
                m_State = mc_StateStopRequested;
                m_StopEvent.f_Signal();
                break;
            default:
                break;
        }
        if (!wait)
            return 0;
        // A handle of our own: a restart may close the object's handle while we wait.
        threadWait = NSys::gf_Thread_BeginDestroy(m_pThreadWait);
    }
    // Never wait with the lock held: the run's end needs it.
    CThreadHandleGuard guard(threadWait);
    NSys::gf_Event_Wait(m_pFinished, NSys::gc_WaitInfinite);
    NSys::gf_Thread_Wait(threadWait, NSys::gc_WaitInfinite);
    return f_GetReturnValue();
}

std::uintptr_t ICThread::f_GetReturnValue()
{
    TCMutualLock lock(m_Lock);
    if (m_State != mc_StateStopped)
        TEV_THROW(NException::CException, "NTev::NThread::ICThread::f_GetReturnValue",
                  "You are trying to get a return value from a thread that isn't stopped (or has never run)");
    return m_ReturnValue;
}

bool ICThread::f_HasFailed()
{
    TCMutualLock lock(m_Lock);
    return m_bFailed;
}

int ICThread::f_GetState()
{
    TCMutualLock lock(m_Lock);
    return m_State;
}

bool ICThread::f_IsStopRequested()
{
    TCMutualLock lock(m_Lock);
    return m_State == mc_StateStopRequested;
}

void ICThread::fs_ThreadStart(void* object) noexcept
{
    auto* thread = static_cast<ICThread*>(object);
    std::uintptr_t result = mc_ResultFailed;
    bool bFailed = true;
    // Nothing may leave the thread: an exception here would end the whole process.
    try
    {
        result = thread->f_Run();
        bFailed = false;
    }
    catch (const NException::CException& exception)
    {
        gf_DebugOutput("A thread's run ended by an exception: {}\n", exception.f_GetMessage());
    }
    catch (const std::exception& exception)
    {
        gf_DebugOutput("A thread's run ended by an exception: {}\n", exception.what());
    }
    catch (...)
    {
        gf_DebugOutput("A thread's run ended by an unknown exception\n");
    }
    if (bFailed)
        thread->f_OnRunFailed();
    NSys::CEventObject* finished;
    {
        TCMutualLock lock(thread->m_Lock);
        thread->m_ReturnValue = result;
        thread->m_bFailed = bFailed;
        NSys::gf_Thread_Close(thread->m_pThread);
        thread->m_pThread = nullptr;
        thread->m_State = mc_StateStopped;
        finished = thread->m_pFinished;
    }
    CSystem::fs_Get().f_GetThreadStorage().f_ReleaseThread();
    // The last touch of the object's resources: whoever destroys or restarts it waits for
    // this thread to end first.
    NSys::gf_Event_Set(finished);
}
} // namespace NTev::NThread
