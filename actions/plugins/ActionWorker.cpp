#include "actions/plugins/ActionWorker.h"

#include "core/Exception.h"

namespace NQuillon
{
namespace
{
using CQueueGuard = NTev::TCMutualLock<NTev::CMutual>;
} // namespace

bool CActionWorker::f_Queue(std::int32_t code)
{
    CQueueGuard lock(m_QueueLock);
    if (m_bShutDown || (m_bOnlyWhenEmpty && !m_Queue.empty()))
        return false;
    if (f_GetState() != mc_StateRunning)
    {
        try
        {
            // A run that asked to stop ends by itself; the next start waits for nothing.
            f_Stop(true);
            f_Start(NTev::NThread::gc_PriorityNormal, 0);
        }
        catch (const NTev::NException::CException&)
        {
            return false;
        }
    }
    m_Queue.push_back(code);
    // The stop event doubles as the wake-up: the run checks for a stop request after each wait.
    f_GetStopEvent().f_Signal();
    return true;
}

void CActionWorker::f_Shutdown() noexcept
{
    {
        CQueueGuard lock(m_QueueLock);
        m_bShutDown = true;
        m_Queue.clear();
    }
    f_Stop(true);
}

std::uintptr_t CActionWorker::f_Run()
{
    for (;;)
    {
        for (;;)
        {
            if (f_IsStopRequested())
                return 0;
            std::int32_t code;
            {
                CQueueGuard lock(m_QueueLock);
                if (m_Queue.empty())
                    break;
                code = m_Queue.front();
                m_Queue.pop_front();
            }
            f_RunOperation(code);
            ++m_Completed;
        }
        f_GetStopEvent().f_Wait();
    }
}
} // namespace NQuillon
