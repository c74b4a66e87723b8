#include "engine/win32/DesktopThread.h"

#include "engine/DesktopThreadJob.h"
#include "engine/win32/Platform.h"

namespace NQuillon
{
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

std::uintptr_t CMessageHook::CDesktopThread::f_Stop(bool wait)
{
    // The run looks at the stop request after it made its queue known and before every wait,
    // so a message posted after the request always ends the wait.
    const std::uintptr_t result = ICThread::f_Stop(false);
    f_Post(WM_NULL, 0);
    return wait ? ICThread::f_Stop(true) : result;
}

std::uintptr_t CMessageHook::CDesktopThread::f_Run()
{
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
                PostMessageA(HWND_BROADCAST, WM_HOTKEY, 0, MAKELPARAM(MOD_CONTROL | MOD_ALT, VK_DELETE));
            else if (!message.hwnd && message.message == mc_MessageRunJob)
                reinterpret_cast<CDesktopThreadJob*>(message.wParam)->f_Run();
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (f_IsStopRequested())
            break;
        WaitMessage();
    }
    CloseDesktop(m_hDesktop);
    m_hDesktop = nullptr;
    {
        CLockGuard lock(m_Engine.m_Lock);
        if (m_hReportWindow)
            DestroyWindow(m_hReportWindow);
        m_hReportWindow = nullptr;
    }
    return 0;
}
} // namespace NQuillon
