#include "app/win32/AppBase.h"

#include <commctrl.h>

namespace NQuillon
{
namespace
{
CAppBase* g_pCurrentApp = nullptr;
}

CAppBase::CAppBase() noexcept
{
    g_pCurrentApp = this;
}

CAppBase::~CAppBase()
{
    if (g_pCurrentApp == this)
        g_pCurrentApp = nullptr;
}

CAppBase* CAppBase::fs_GetCurrent() noexcept
{
    return g_pCurrentApp;
}

int CAppBase::f_Main(HINSTANCE instance, const char* argumentText)
{
    m_hInstance = instance;
    m_ArgumentText = argumentText;
    if (InitInstance())
        m_ExitCode = f_Run();
    return ExitInstance();
}

BOOL CAppBase::InitInstance()
{
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
    return TRUE;
}

int CAppBase::ExitInstance()
{
    return m_ExitCode;
}

int CAppBase::f_Run()
{
    MSG message;
    for (;;)
    {
        const BOOL result = GetMessageA(&message, nullptr, 0, 0);
        if (result == 0)
            return static_cast<int>(message.wParam);
        if (result == -1)
            return 1;
        if (m_hMainWnd && IsDialogMessageA(m_hMainWnd, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
} // namespace NQuillon
