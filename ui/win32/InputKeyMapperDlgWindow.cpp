#include "ui/win32/InputKeyMapperDlgWindow.h"

#include "ui/win32/Resource.h"
#include "widgets/win32/DialogSupport.h"

#include <algorithm>

namespace NQuillon
{
namespace
{
constexpr UINT_PTR gc_PollTimer = 1;

CInputKeyMapperDlg& fg_Dialog(HWND window)
{
    return *reinterpret_cast<CInputKeyMapperDlg*>(GetWindowLongPtrA(window, DWLP_USER));
}

void fg_Open(HWND window, CInputKeyMapperDlg& dialog)
{
    SetWindowTextA(window, dialog.m_Prompt.f_GetStr());
    // The prompt is the title: the window is as wide as it needs to show it whole.
    RECT client{};
    GetClientRect(window, &client);
    const std::int32_t width = std::max<std::int32_t>(client.right, gf_GetTitleClientWidth(window));
    HWND text = GetDlgItem(window, IDC_CAPTURED_KEYS);
    RECT textRect{};
    GetWindowRect(text, &textRect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&textRect), 2);
    const std::int32_t margin = textRect.left;
    gf_PlaceControl(text, {margin, textRect.top, width - 2 * margin, textRect.bottom - textRect.top});
    gf_SizeAndCentre(window, width, client.bottom);
    if (!dialog.f_OnOpen())
    {
        EndDialog(window, CInputKeyMapperDlg::EResult_NoDevice);
        return;
    }
    SetTimer(window, gc_PollTimer, CInputKeyMapperDlg::mc_PollMs, nullptr);
}

INT_PTR CALLBACK fg_DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
        case WM_INITDIALOG:
            SetWindowLongPtrA(window, DWLP_USER, lParam);
            fg_Open(window, *reinterpret_cast<CInputKeyMapperDlg*>(lParam));
            return TRUE;
        case WM_TIMER:
            if (wParam != gc_PollTimer)
                return FALSE;
            {
                CInputKeyMapperDlg& dialog = fg_Dialog(window);
                const bool done = dialog.f_OnTick();
                SetDlgItemTextA(window, IDC_CAPTURED_KEYS, dialog.f_GetText().f_GetStr());
                if (done)
                {
                    KillTimer(window, gc_PollTimer);
                    EndDialog(window, CInputKeyMapperDlg::EResult_Done);
                }
            }
            return TRUE;
        case WM_CLOSE:
            // Handled here: the dialog manager would turn it into Cancel, which Escape also
            // gives and which is ignored below.
            EndDialog(window, CInputKeyMapperDlg::EResult_Closed);
            return TRUE;
        case WM_COMMAND:
            // Enter and Escape reach the window as OK and Cancel; they are keys being recorded.
            return LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL;
        case WM_DESTROY:
            KillTimer(window, gc_PollTimer);
            if (auto* dialog = reinterpret_cast<CInputKeyMapperDlg*>(GetWindowLongPtrA(window, DWLP_USER)))
                dialog->f_OnClose();
            return FALSE;
        default:
            return FALSE;
    }
}
} // namespace

CInputKeyMapperDlg::EResult CInputKeyMapperDlgWindow::f_RecordKeys(CInputKeyMapperDlg& dialog)
{
    gf_InitCommonControls();
    const INT_PTR result = DialogBoxParamA(gf_GetResourceModule(), MAKEINTRESOURCEA(IDD_INPUT_KEY_MAPPER),
                                           m_Owner, fg_DialogProc, reinterpret_cast<LPARAM>(&dialog));
    // The window could not be made (-1, or 0 for an owner that is no window): the capture
    // never started, nothing was recorded.
    if (result <= 0)
        return CInputKeyMapperDlg::EResult_NoDevice;
    return static_cast<CInputKeyMapperDlg::EResult>(result);
}
} // namespace NQuillon
