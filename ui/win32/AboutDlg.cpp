#include "ui/win32/AboutDlg.h"

#include "ui/win32/Resource.h"
#include "widgets/win32/DialogSupport.h"

namespace NQuillon
{
namespace
{
INT_PTR CALLBACK fg_AboutProc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    switch (message)
    {
        case WM_INITDIALOG:
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            {
                EndDialog(window, LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}
} // namespace

void CAboutDlg::fs_DoModal(HWND owner)
{
    gf_InitCommonControls();
    DialogBoxParamA(gf_GetResourceModule(), MAKEINTRESOURCEA(IDD_ABOUTBOX), owner, fg_AboutProc, 0);
}
} // namespace NQuillon
