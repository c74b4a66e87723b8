#include "engine/win32/DesktopThread.h"

#include "engine/DesktopThreadJob.h"
#include "engine/win32/Platform.h"

namespace NQuillon
{
namespace
{
using CJobsGuard = NTev::TCMutualLock<NTev::CMutual>;
} // namespace

CMessageHook::CDesktopThread::CDesktopThread(CMessageHook& engine, const char* name)
    : m_Engine(engine), m_Name(name)
{
}

CMessageHook::CDesktopThread::~CDesktopThread()
{
    f_Post(WM_QUIT, 0);
    f_Stop(true);
}

bool CMessageHook::CDesktopThread::f_Post(UINT message, WPARAM parameter)
{
    const DWORD id = m_ThreadId.load();
    return id && PostThreadMessageA(id, message, parameter, 0);
}

bool CMessageHook::CDesktopThread::f_PostJob(CDesktopThreadJob* job)
{
    {
        CJobsGuard lock(m_JobsLock);
        m_Jobs.push_back(job);
    }
    if (f_Post(mc_MessageRunJob, 0))
        return true;
    CJobsGuard lock(m_JobsLock);
    for (auto it = m_Jobs.begin(); it != m_Jobs.end(); ++it)
        if (*it == job)
        {
            m_Jobs.erase(it);
            break;
        }
    return false;
}

bool CMessageHook::CDesktopThread::f_PostSecureAttention()
{
    ++m_SecureAttentionRequests;
    if (f_Post(mc_MessageSecureAttention, 0))
        return true;
    --m_SecureAttentionRequests;
    return false;
}

std::uintptr_t CMessageHook::CDesktopThread::f_Stop(bool wait)
{
    // The run looks at the stop request after it made its queue known and before every wait,
    // so a message posted after the request always ends the wait.
    const std::uintptr_t result = ICThread::f_Stop(false);
    f_Post(WM_NULL, 0);
    return wait ? ICThread::f_Stop(true) : result;
}

void CMessageHook::CDesktopThread::fp_RunQueuedJobs()
{
    for (;;)
    {
        CDesktopThreadJob* job;
        {
            CJobsGuard lock(m_JobsLock);
            if (m_Jobs.empty())
                return;
            job = m_Jobs.front();
            m_Jobs.pop_front();
        }
        job->f_Run();
    }
}

void CMessageHook::CDesktopThread::fp_BroadcastIfRequested()
{
    unsigned requests = m_SecureAttentionRequests.load();
    while (requests && !m_SecureAttentionRequests.compare_exchange_weak(requests, requests - 1))
    {
    }
    if (requests)
        PostMessageA(HWND_BROADCAST, WM_HOTKEY, 0, MAKELPARAM(MOD_CONTROL | MOD_ALT, VK_DELETE));
}

std::uintptr_t CMessageHook::CDesktopThread::f_Run()
{
    m_hFirstDesktop = GetThreadDesktop(GetCurrentThreadId());
    if (!m_hDesktop)
        m_hDesktop = OpenDesktopA(m_Name.f_GetStr(), 0, FALSE, GENERIC_ALL);
    if (!m_hDesktop)
        return 0;
    if (!SetThreadDesktop(m_hDesktop))
    {
        CloseDesktop(m_hDesktop);
        m_hDesktop = nullptr;
        return 0;
    }
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    m_ThreadId = GetCurrentThreadId();
    {
        CLockGuard lock(m_Engine.m_Lock);
        CPlatform& platform = *m_Engine.m_pPlatform;
        m_hReportWindow =
            CreateWindowExA(0, platform.m_ReportClassName.f_GetStr(), platform.m_ReportWindowName.f_GetStr(),
                            0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        if (m_hReportWindow)
            SetWindowLongPtrA(m_hReportWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&m_Engine));
        m_Engine.m_bRefreshPending = true;
    }
    while (!f_IsStopRequested())
    {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) && message.message != WM_QUIT)
        {
            if (!message.hwnd && message.message == mc_MessageSecureAttention)
                fp_BroadcastIfRequested();
            else if (!message.hwnd && message.message == mc_MessageRunJob)
                fp_RunQueuedJobs();
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (f_IsStopRequested())
            break;
        WaitMessage();
    }
    fp_EndRun();
    return 0;
}

void CMessageHook::CDesktopThread::fp_EndRun() noexcept
{
    {
        CLockGuard lock(m_Engine.m_Lock);
        if (m_hReportWindow)
            DestroyWindow(m_hReportWindow);
        m_hReportWindow = nullptr;
    }
    if (!m_hDesktop)
        return;
    if (m_hFirstDesktop)
        SetThreadDesktop(m_hFirstDesktop);
    CloseDesktop(m_hDesktop);
    m_hDesktop = nullptr;
}

void CMessageHook::CDesktopThread::f_OnRunFailed() noexcept
{
    fp_EndRun();
    m_Engine.f_OnEngineThreadFailed();
}
} // namespace NQuillon
