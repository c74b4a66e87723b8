// The window calls of the window operations, forwarded to Windows. The window is usually
// another program's, and that program may have stopped pumping messages: a synchronous call
// to it would hold up the desktop thread (and with it every later job there) until it answers.
// Reads come from the system's own copy of the window's state and never wait for its thread;
// changes are posted to the window's thread; the one message sent waits a bounded time.

#include "actions/plugins/WindowOperations.h"

#include <windows.h>

namespace NQuillon
{
namespace
{
// How long the title may take; a thread that is hung (no messages pumped for some seconds)
// is not waited for at all.
constexpr UINT gc_SendTimeoutMilliseconds = 200;

HWND fg_Window(ICWindowSystem::CWindow window)
{
    return reinterpret_cast<HWND>(window);
}

// SetWindowPos for another thread's window, posted there instead of waited for.
void fg_SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags)
{
    SetWindowPos(window, insertAfter, x, y, width, height, flags | SWP_ASYNCWINDOWPOS);
}

BOOL CALLBACK fg_OnMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM list)
{
    auto& monitors = *reinterpret_cast<std::vector<ICWindowSystem::CMonitor>*>(list);
    if (monitors.size() >= ICWindowSystem::mc_MaxMonitors)
        return FALSE;
    monitors.push_back(reinterpret_cast<ICWindowSystem::CMonitor>(monitor));
    return TRUE;
}

class CWin32WindowSystem final : public ICWindowSystem
{
public:
    CWindow f_GetForegroundWindow() override { return reinterpret_cast<CWindow>(GetForegroundWindow()); }
    CWindow f_GetLastActivePopup(CWindow window) override
    {
        return reinterpret_cast<CWindow>(GetLastActivePopup(fg_Window(window)));
    }
    bool f_GetWindowRect(CWindow window, CWindowRect& rect) override
    {
        RECT r;
        if (!GetWindowRect(fg_Window(window), &r))
            return false;
        rect = {r.left, r.top, r.right, r.bottom};
        return true;
    }
    CMonitor f_GetMonitor(CWindow window) override
    {
        return reinterpret_cast<CMonitor>(MonitorFromWindow(fg_Window(window), MONITOR_DEFAULTTONEAREST));
    }
    bool f_GetWorkArea(CMonitor monitor, CWindowRect& area) override
    {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (!GetMonitorInfoA(reinterpret_cast<HMONITOR>(monitor), &info))
            return false;
        area = {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
        return true;
    }
    std::vector<CMonitor> f_EnumerateMonitors() override
    {
        std::vector<CMonitor> monitors;
        EnumDisplayMonitors(nullptr, nullptr, fg_OnMonitor, reinterpret_cast<LPARAM>(&monitors));
        return monitors;
    }
    bool f_GetRestoredRect(CWindow window, CWindowRect& rect) override
    {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        if (!GetWindowPlacement(fg_Window(window), &placement))
            return false;
        const RECT& r = placement.rcNormalPosition;
        rect = {r.left, r.top, r.right, r.bottom};
        return true;
    }
    EShow f_GetShowState(CWindow window) override
    {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        if (!GetWindowPlacement(fg_Window(window), &placement))
            return EShow::Normal;
        if (placement.showCmd == SW_SHOWMAXIMIZED)
            return EShow::Maximized;
        // A minimized window's placement reports SW_SHOWMINIMIZED, never SW_MINIMIZE.
        if (placement.showCmd == SW_SHOWMINIMIZED || placement.showCmd == SW_MINIMIZE)
            return EShow::Minimized;
        return EShow::Normal;
    }
    void f_Show(CWindow window, EShowCommand command) override
    {
        static constexpr int commands[] = {SW_RESTORE, SW_MAXIMIZE, SW_SHOWMAXIMIZED, SW_MINIMIZE};
        ShowWindowAsync(fg_Window(window), commands[static_cast<int>(command)]);
    }
    void f_MoveTo(CWindow window, std::int32_t x, std::int32_t y) override
    {
        fg_SetWindowPos(fg_Window(window), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    void f_SetRect(CWindow window, const CWindowRect& rect) override
    {
        fg_SetWindowPos(fg_Window(window), nullptr, rect.m_Left, rect.m_Top, rect.f_Width(), rect.f_Height(),
                        SWP_NOZORDER);
    }
    bool f_IsTopmost(CWindow window) override
    {
        return (GetWindowLongPtrA(fg_Window(window), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    }
    void f_SetTopmost(CWindow window, bool topmost) override
    {
        fg_SetWindowPos(fg_Window(window), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                        SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW);
    }
    std::u16string f_GetTitle(CWindow window) override
    {
        // GetWindowTextW sends WM_GETTEXT to a window of this process (another thread's may be
        // hung); the stored text is what it gives for every other program's window anyway.
        wchar_t title[1024] = {};
        const int length = InternalGetWindowText(fg_Window(window), title, 1024);
        return std::u16string(reinterpret_cast<const char16_t*>(title), length > 0 ? length : 0);
    }
    void f_SetTitle(CWindow window, const std::u16string& title) override
    {
        // SetWindowTextW would wait for the window's thread for as long as it takes.
        DWORD_PTR result = 0;
        SendMessageTimeoutW(fg_Window(window), WM_SETTEXT, 0,
                            reinterpret_cast<LPARAM>(reinterpret_cast<const wchar_t*>(title.c_str())),
                            SMTO_ABORTIFHUNG, gc_SendTimeoutMilliseconds, &result);
    }
};
} // namespace

ICWindowSystem* gf_GetPlatformWindowSystem()
{
    static CWin32WindowSystem system;
    return &system;
}
} // namespace NQuillon
