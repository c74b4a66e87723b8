#include "tests/ui/win32/DialogDriver.h"

#include <thread>
#include <vector>

namespace NQuillonTest
{
namespace
{
// Polls until the condition holds: the dialog's thread works on its own schedule.
bool fg_Poll(const std::function<bool()>& condition, int tries = 500)
{
    for (int i = 0; i < tries; ++i)
    {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

struct CFind
{
    HWND m_Owner;
    const char* m_Title;
    HWND m_Found;
};

BOOL CALLBACK fg_FindOwned(HWND window, LPARAM lParam)
{
    auto& find = *reinterpret_cast<CFind*>(lParam);
    if (GetWindow(window, GW_OWNER) == find.m_Owner && IsWindowVisible(window) &&
        gf_Text(window) == find.m_Title)
    {
        find.m_Found = window;
        return FALSE;
    }
    return TRUE;
}
} // namespace

HWND gf_WaitForDialog(const char* title)
{
    HWND found = nullptr;
    fg_Poll(
        [&]
        {
            found = FindWindowA(MAKEINTATOM(32770), title);
            return found && IsWindowVisible(found);
        });
    return found && IsWindowVisible(found) ? found : nullptr;
}

HWND gf_WaitForOwnedDialog(HWND owner, const char* title)
{
    CFind find{owner, title, nullptr};
    fg_Poll(
        [&]
        {
            EnumWindows(fg_FindOwned, reinterpret_cast<LPARAM>(&find));
            return find.m_Found != nullptr;
        });
    return find.m_Found;
}

bool gf_IsGone(const char* title)
{
    return fg_Poll(
        [&]
        {
            HWND window = FindWindowA(nullptr, title);
            return !window || !IsWindowVisible(window);
        },
        50);
}

std::string gf_Text(HWND window)
{
    char text[1024] = {};
    // WM_GETTEXT reaches windows of other threads (GetWindowText would not ask them).
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::string gf_WaitForText(HWND dialog, int id, const std::string& expected)
{
    std::string text;
    fg_Poll(
        [&]
        {
            text = gf_Text(GetDlgItem(dialog, id));
            return text == expected;
        });
    return text;
}

HWND gf_Focus(HWND dialog)
{
    GUITHREADINFO info{sizeof(GUITHREADINFO)};
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    return info.hwndFocus;
}

void gf_Type(HWND dialog, const std::string& text)
{
    HWND focus = gf_Focus(dialog);
    SendMessageA(focus, EM_SETSEL, 0, -1);
    for (char c : text)
        PostMessageA(focus, WM_CHAR, static_cast<unsigned char>(c), 1);
    // Posted characters are handled in order before anything sent after this returns.
    fg_Poll([&] { return gf_Text(focus) == text; });
}

void gf_PressKey(HWND dialog, WPARAM virtualKey)
{
    // A dialog without a control that takes the focus gets the keys itself.
    HWND focus = gf_Focus(dialog);
    if (!focus)
        focus = dialog;
    const UINT scan = MapVirtualKeyA(static_cast<UINT>(virtualKey), MAPVK_VK_TO_VSC);
    PostMessageA(focus, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageA(focus, WM_KEYUP, virtualKey, 1 | (scan << 16) | (3u << 30));
}

bool gf_Choose(HWND comboBox, const std::string& text)
{
    const LRESULT index = SendMessageA(comboBox, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(text.c_str()));
    if (index == CB_ERR)
        return false;
    SendMessageA(comboBox, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(GetParent(comboBox), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(comboBox), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(comboBox));
    return true;
}

std::string gf_ChosenText(HWND comboBox)
{
    const LRESULT index = SendMessageA(comboBox, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return "";
    char text[512] = {};
    SendMessageA(comboBox, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

void gf_Click(HWND button)
{
    PostMessageA(button, BM_CLICK, 0, 0);
}

void gf_Close(HWND window)
{
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}
} // namespace NQuillonTest
