// quillon-dialog-shots: shows one dialog as the product shows it, for the pictures in
// docs/screenshots (see take.sh).
//   quillon-dialog-shots options|group|recorder|editor|main|menu|tray|about
// Prints "window LEFT TOP RIGHT BOTTOM" (screen pixels) once the dialog shows what the
// picture needs, then closes it when a line arrives on standard input.

#include "tools/config/ConfigJson.h"
#include "tools/filterstandin/FilterStandIn.h"
#include "ui/EditKeys.h"
#include "ui/LaptopConfiguration.h"
#include "ui/win32/AboutDlg.h"
#include "ui/win32/InputKeyMapperDlgWindow.h"
#include "ui/win32/QuillonDlg.h"
#include "ui/win32/Resource.h"
#include "widgets/win32/DialogSupport.h"
#include "widgets/win32/InputDialogWindow.h"

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

using NQuillon::CInputDialog;
using NQuillon::CInputKeyMapperDlg;
using NQuillon::CMessageHook;

namespace
{
CInputDialog fg_Group()
{
    CInputDialog dialog("Create New Remapping Group", "Creates a new remapping group");
    dialog.f_AddText("Name", "Editing");
    dialog.f_AddText("Priority", "0");
    return dialog;
}

// The visible window of the class (a dialog's by default) and title, once it shows.
HWND fg_WaitForWindow(const char* title, ATOM windowClass = 32770)
{
    for (int i = 0; i < 500; ++i)
    {
        HWND window = FindWindowA(MAKEINTATOM(windowClass), title);
        if (window && IsWindowVisible(window))
            return window;
        Sleep(10);
    }
    return nullptr;
}

// Reports the window, waits for the line that ends the picture, then closes the dialog.
int fg_Present(HWND window, UINT closeMessage, WPARAM closeParam)
{
    if (!window)
    {
        std::fprintf(stderr, "quillon-dialog-shots: the dialog did not open\n");
        return 1;
    }
    // Give the dialog's thread a moment to paint before the picture is taken.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    RECT rect{};
    GetWindowRect(window, &rect);
    std::printf("window %ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
    PostMessageA(window, closeMessage, closeParam, 0);
    return 0;
}

int fg_ShowInput(CInputDialog dialog)
{
    const std::string title = dialog.f_GetTitle().f_GetStr();
    std::thread shown([&] { NQuillon::CInputDialogWindow(nullptr).f_ShowInputDialog(dialog); });
    const int result = fg_Present(fg_WaitForWindow(title.c_str()), WM_COMMAND, IDCANCEL);
    shown.join();
    return result;
}

int fg_ShowEditor()
{
    const CMessageHook::CKeys keys{{0, 0x1D, 1}, {0, 0x2E, 2}, {1, 1, 0}};
    std::thread shown(
        [&]
        {
            NQuillon::CInputDialogWindow host(nullptr);
            NQuillon::EditKeys(host, keys);
        });
    const int result = fg_Present(fg_WaitForWindow("Edit Key Sequence"), WM_COMMAND, IDCANCEL);
    shown.join();
    return result;
}

// The recorder while it records: LCtrl held, then the left button, fed as hardware through
// the filter driver's stand-in.
int fg_ShowRecorder()
{
    NQuillon::CFilterStandIn standIn;
    standIn.f_Start();
    CMessageHook engine;
    NQuillon::CEngineKeyCapture capture(engine);
    CInputKeyMapperDlg dialog(capture, CInputKeyMapperDlg::mc_PromptTrigger, 1);
    std::thread shown([&] { NQuillon::CInputKeyMapperDlgWindow(nullptr).f_RecordKeys(dialog); });
    HWND window = fg_WaitForWindow(CInputKeyMapperDlg::mc_PromptTrigger);
    if (window && standIn.f_WaitClients(1, 5000))
    {
        NQuillon::CDriverRecord key{};
        key.m_Kind = NQuillon::EDriverRecordKind_Keyboard;
        key.m_Keyboard.MakeCode = 0x1D;
        standIn.f_Feed(&key, 1);
        NQuillon::CDriverRecord button{};
        button.m_Kind = NQuillon::EDriverRecordKind_Mouse;
        button.m_Mouse.ButtonFlags = 0x0001;
        standIn.f_Feed(&button, 1);
        char text[256] = {};
        for (int i = 0; i < 500 && std::strcmp(text, "K:LCtrl + M:Mouse-Left") != 0; ++i)
        {
            Sleep(10);
            SendMessageA(GetDlgItem(window, IDC_CAPTURED_KEYS), WM_GETTEXT, sizeof text,
                         reinterpret_cast<LPARAM>(text));
        }
    }
    const int result = fg_Present(window, WM_CLOSE, 0);
    shown.join();
    standIn.f_Stop();
    return result;
}

// The configuration dialog on the demonstration configuration, everything expanded, in a
// process of its own whose settings live in a temporary directory.
class CMainDialogShot
{
public:
    CMainDialogShot()
    {
        char temporary[MAX_PATH] = {};
        GetTempPathA(sizeof temporary, temporary);
        m_Directory = std::string(temporary) + "quillon-shots-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_Directory.c_str(), nullptr);
        m_Engine.f_SetSettingsDirectory(m_Directory.c_str());
        std::ifstream demo(QUILLON_DEMO_SETTINGS);
        NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(demo), m_Engine);
        m_Engine.f_SaveSettings();
        // The tray menu then offers the laptop keyboard's configuration too.
        m_Engine.f_NoteLaptopKeyboardPresent();
    }
    ~CMainDialogShot()
    {
        DeleteFileA((m_Directory + "\\Settings.dat").c_str());
        RemoveDirectoryA(m_Directory.c_str());
    }

    // Runs the dialog on this thread while picture() runs on another; returns its result.
    int f_Run(int (*picture)(CMainDialogShot&))
    {
        NQuillon::CQuillonDlg dialog(m_Engine);
        if (!dialog.f_Create())
            return 1;
        m_Window = dialog.f_GetWindow();
        fp_ExpandAll(GetDlgItem(m_Window, IDC_CONFIG_TREE), TVI_ROOT);
        SetWindowPos(m_Window, nullptr, 0, 0, 420, 430, SWP_NOMOVE | SWP_NOZORDER);
        dialog.f_ShowInFront();
        int result = 0;
        std::thread shot([&] { result = picture(*this); });
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0)
        {
            if (IsDialogMessageA(m_Window, &message))
                continue;
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        shot.join();
        return result;
    }

    HWND m_Window = nullptr;

private:
    static void fp_ExpandAll(HWND tree, HTREEITEM parent)
    {
        HTREEITEM child = parent == TVI_ROOT ? TreeView_GetRoot(tree) : TreeView_GetChild(tree, parent);
        for (; child; child = TreeView_GetNextSibling(tree, child))
        {
            TreeView_Expand(tree, child, TVE_EXPAND);
            fp_ExpandAll(tree, child);
        }
    }

    std::string m_Directory;
    CMessageHook m_Engine;
};

void fg_Quit(HWND dialog)
{
    PostMessageA(dialog, WM_COMMAND, NQuillon::gf_TrayCommandId(NQuillon::ETrayCommand::Quit), 0);
}

// Reports a rectangle as fg_Present does and waits for the line that ends the picture.
void fg_PresentRect(RECT rect)
{
    Sleep(300);
    std::printf("window %ld %ld %ld %ld\n", rect.left, rect.top, rect.right, rect.bottom);
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
}

int fg_MainPicture(CMainDialogShot& shot)
{
    const int result = fg_Present(shot.m_Window, WM_NULL, 0);
    fg_Quit(shot.m_Window);
    return result;
}

// Waits for the menu the dialog opened, shows it (with the dialog under it, or alone) for the
// picture, then closes the menu and the dialog.
int fg_MenuOpened(CMainDialogShot& shot, bool withDialog)
{
    // The pop-up menu class.
    HWND menu = fg_WaitForWindow(nullptr, 32768);
    if (!menu)
    {
        fg_Quit(shot.m_Window);
        return 1;
    }
    RECT rect{};
    GetWindowRect(menu, &rect);
    if (withDialog)
    {
        RECT dialogRect{}, menuRect = rect;
        GetWindowRect(shot.m_Window, &dialogRect);
        UnionRect(&rect, &dialogRect, &menuRect);
    }
    fg_PresentRect(rect);
    PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(shot.m_Window, WM_CANCELMODE, 0, 0);
    fg_Quit(shot.m_Window);
    return 0;
}

// The context menu of the group, over the dialog.
int fg_MenuPicture(CMainDialogShot& shot)
{
    HWND tree = GetDlgItem(shot.m_Window, IDC_CONFIG_TREE);
    HTREEITEM group = TreeView_GetChild(
        tree, TreeView_GetChild(tree, TreeView_GetNextSibling(tree, TreeView_GetRoot(tree))));
    TreeView_SelectItem(tree, group);
    PostMessageA(shot.m_Window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(tree), -1);
    return fg_MenuOpened(shot, true);
}

// The tray menu, opened as a click on the icon opens it.
int fg_TrayPicture(CMainDialogShot& shot)
{
    // The dialog's timer takes the laptop keyboard's discovery first.
    Sleep(700);
    ShowWindow(shot.m_Window, SW_HIDE);
    SetCursorPos(300, 200);
    PostMessageA(shot.m_Window, NQuillon::gc_TrayCallbackMessage, NQuillon::gc_TrayIconId, WM_RBUTTONUP);
    return fg_MenuOpened(shot, false);
}

int fg_AboutPicture(CMainDialogShot& shot)
{
    PostMessageA(shot.m_Window, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    const int result = fg_Present(fg_WaitForWindow(NQuillon::CAboutDlg::mc_Title), WM_COMMAND, IDOK);
    fg_Quit(shot.m_Window);
    return result;
}
} // namespace

int main(int argc, char** argv)
{
    const std::string which = argc == 2 ? argv[1] : "";
    if (which == "options")
        // The options the laptop set-up shows for the layout whose key is 41.
        return fg_ShowInput(NQuillon::gf_LaptopOptionsDialog(1));
    if (which == "group")
        return fg_ShowInput(fg_Group());
    if (which == "editor")
        return fg_ShowEditor();
    if (which == "recorder")
        return fg_ShowRecorder();
    if (which == "main" || which == "menu" || which == "tray" || which == "about")
    {
        CMainDialogShot shot;
        return shot.f_Run(which == "main"   ? fg_MainPicture
                          : which == "menu" ? fg_MenuPicture
                          : which == "tray" ? fg_TrayPicture
                                            : fg_AboutPicture);
    }
    std::fprintf(stderr, "usage: quillon-dialog-shots options|group|recorder|editor|main|menu|tray|about\n");
    return 2;
}
