#include "ui/win32/SettingsRequest.h"

#include <windows.h>

namespace NQuillon
{
namespace
{
constexpr DWORD gc_PollMilliseconds = 50;

struct CTraySearch
{
    DWORD m_Self = 0;
    HWND m_Found = nullptr;
};

BOOL CALLBACK fg_FindTrayDialog(HWND window, LPARAM parameter)
{
    auto& search = *reinterpret_cast<CTraySearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == search.m_Self || !GetPropA(window, gc_SettingsTrayProperty))
        return TRUE;
    search.m_Found = window;
    return FALSE;
}
} // namespace

bool gf_AskRunningTrayToShowSettings(std::uint32_t waitMilliseconds)
{
    const UINT message = RegisterWindowMessageA(gc_ShowSettingsMessageName);
    if (!message)
        return false;
    const ULONGLONG end = GetTickCount64() + waitMilliseconds;
    for (;;)
    {
        // EnumWindows sees the windows of this desktop only: the tray of this session.
        CTraySearch search;
        search.m_Self = GetCurrentProcessId();
        EnumWindows(fg_FindTrayDialog, reinterpret_cast<LPARAM>(&search));
        if (search.m_Found)
        {
            DWORD process = 0;
            GetWindowThreadProcessId(search.m_Found, &process);
            // This process was started by the user and may hand the foreground on.
            AllowSetForegroundWindow(process);
            return PostMessageA(search.m_Found, message, 0, 0) != FALSE;
        }
        if (GetTickCount64() >= end)
            return false;
        Sleep(gc_PollMilliseconds);
    }
}
} // namespace NQuillon
