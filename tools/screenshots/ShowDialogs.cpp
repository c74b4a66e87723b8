// quillon-dialog-shots: shows one dialog as the product shows it, for the pictures in
// docs/screenshots (see take.sh).
//   quillon-dialog-shots options|group|recorder|editor
// Prints "window LEFT TOP RIGHT BOTTOM" (screen pixels) once the dialog shows what the
// picture needs, then closes it when a line arrives on standard input.

#include "tools/filterstandin/FilterStandIn.h"
#include "ui/EditKeys.h"
#include "ui/win32/InputKeyMapperDlgWindow.h"
#include "ui/win32/Resource.h"
#include "widgets/win32/DialogSupport.h"
#include "widgets/win32/InputDialogWindow.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <thread>

using NQuillon::CInputDialog;
using NQuillon::CInputKeyMapperDlg;
using NQuillon::CMessageHook;

namespace
{
CInputDialog fg_Options()
{
    CInputDialog dialog("MacBook Pro Keyboard Detected", "Configure your MacBook Pro Keyboard");
    dialog.f_AddChoiceOfTexts("Remap 'fn+Left Click' to", {"Right Click", "Middle Click", "Do not remap"}, 0);
    dialog.f_AddChoiceOfTexts("Remap 'Enter' to",
                              {"Right Click", "Middle Click", "Delete", "AltGr", "Menu", "Do not remap"}, 0);
    dialog.f_AddChoiceOfTexts("Remap 'Eject' to", {"Eject CDs", "Delete", "Do not remap"}, 0);
    dialog.f_AddChoiceOfTexts("Remap 'fn+Eject' to", {"Print Screen", "Eject CDs", "Do not remap"}, 0);
    dialog.f_AddChoiceOfTexts(
        "Remap 'Right Apple' to",
        {"AltGr", "Ctrl", "Menu", "Right Click", "Middle Click", "Delete", "Do not remap"}, 0);
    dialog.f_AddChoiceOfTexts("Remap left side function keys to",
                              {"fn, Ctrl, Alt, Win", "fn, Ctrl, Win, Alt"}, 0);
    dialog.f_AddChecks("Options", {{"Enable Remote Desktop workaround (adds 3 ms delay to keys)", false},
                                   {"Accelerate mouse scroll wheel", false},
                                   {"Swap 'Tilde/Paragraph' and 'Oem Key'", true}});
    return dialog;
}

CInputDialog fg_Group()
{
    CInputDialog dialog("Create New Remapping Group", "Creates a new remapping group");
    dialog.f_AddText("Name", "Editing");
    dialog.f_AddText("Priority", "0");
    return dialog;
}

HWND fg_WaitForWindow(const char* title)
{
    for (int i = 0; i < 500; ++i)
    {
        HWND window = FindWindowA(MAKEINTATOM(32770), title);
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
} // namespace

int main(int argc, char** argv)
{
    const std::string which = argc == 2 ? argv[1] : "";
    if (which == "options")
        return fg_ShowInput(fg_Options());
    if (which == "group")
        return fg_ShowInput(fg_Group());
    if (which == "editor")
        return fg_ShowEditor();
    if (which == "recorder")
        return fg_ShowRecorder();
    std::fprintf(stderr, "usage: quillon-dialog-shots options|group|recorder|editor\n");
    return 2;
}
