#include "widgets/win32/InputDialogWindow.h"

#include "widgets/InputDialogLayout.h"
#include "widgets/win32/DialogSupport.h"
#include "widgets/win32/Resource.h"

#include <commctrl.h>

#include <algorithm>

namespace NQuillon
{
namespace
{
HWND fg_CreateChild(HWND dialog, const char* className, const char* text, DWORD style, DWORD exStyle, int id)
{
    HWND control =
        CreateWindowExA(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, dialog,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), gf_GetResourceModule(), nullptr);
    SendMessageA(control, WM_SETFONT, SendMessageA(dialog, WM_GETFONT, 0, 0), FALSE);
    return control;
}

// Builds the fields' controls, in tab order, and lays the dialog out.
void fg_Build(HWND dialog, const CInputDialog& model)
{
    SetWindowTextA(dialog, model.f_GetTitle().f_GetStr());
    SetDlgItemTextA(dialog, IDC_INPUT_DESCRIPTION, model.f_GetDescription().f_GetStr());
    CInputDialogMetrics metrics = gf_GetDialogMetrics(dialog);
    metrics.m_MinClientWidth = gf_GetTitleClientWidth(dialog);
    const CInputDialogLayout layout = gf_LayoutInputDialog(model, metrics);

    HWND first = nullptr;
    for (std::size_t i = 0; i < model.f_GetFieldCount(); ++i)
    {
        const CInputField& field = model.f_GetField(i);
        const CFieldLayout& rects = layout.m_Fields[i];
        HWND control = nullptr;
        switch (field.m_Kind)
        {
            case EInputFieldKind_Text:
                gf_PlaceControl(fg_CreateChild(dialog, WC_STATICA, field.m_Caption.f_GetStr(), SS_NOPREFIX, 0,
                                               gf_InputCaptionId(i)),
                                rects.m_Caption);
                control = fg_CreateChild(dialog, WC_EDITA, field.m_Text.f_GetStr(),
                                         WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, gf_InputControlId(i));
                gf_PlaceControl(control, rects.m_Control);
                break;
            case EInputFieldKind_Choice:
            {
                gf_PlaceControl(fg_CreateChild(dialog, WC_STATICA, field.m_Caption.f_GetStr(), SS_NOPREFIX, 0,
                                               gf_InputCaptionId(i)),
                                rects.m_Caption);
                control = fg_CreateChild(dialog, WC_COMBOBOXA, "", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST,
                                         0, gf_InputControlId(i));
                for (const CChoiceEntry& entry : field.m_Entries)
                    SendMessageA(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.m_Text.f_GetStr()));
                SendMessageA(control, CB_SETCURSEL, static_cast<WPARAM>(field.m_Selected), 0);
                // The window's height includes the open list: a dozen entries, within the screen.
                CLayoutRect withList = rects.m_Control;
                withList.m_Height += 12 * metrics.m_TextHeight + 4;
                gf_PlaceControl(control, withList);
                SendMessageA(control, CB_SETMINVISIBLE, 12, 0);
                break;
            }
            case EInputFieldKind_Checks:
                gf_PlaceControl(fg_CreateChild(dialog, WC_BUTTONA, field.m_Caption.f_GetStr(), BS_GROUPBOX, 0,
                                               gf_InputCaptionId(i)),
                                rects.m_Control);
                for (std::size_t c = 0; c < field.m_Checks.size(); ++c)
                {
                    HWND check = fg_CreateChild(dialog, WC_BUTTONA, field.m_Checks[c].m_Caption.f_GetStr(),
                                                WS_TABSTOP | BS_AUTOCHECKBOX, 0, gf_InputCheckId(i, c));
                    SendMessageA(check, BM_SETCHECK,
                                 field.m_Checks[c].m_bChecked ? BST_CHECKED : BST_UNCHECKED, 0);
                    gf_PlaceControl(check, rects.m_Checks[c]);
                    if (!control)
                        control = check;
                }
                break;
        }
        if (!first)
            first = control;
    }

    gf_PlaceControl(GetDlgItem(dialog, IDC_INPUT_DESCRIPTION), layout.m_Description);
    // The buttons come last in the tab order: after the fields created above.
    for (int id : {IDOK, IDCANCEL})
    {
        HWND button = GetDlgItem(dialog, id);
        SetWindowPos(button, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    gf_PlaceControl(GetDlgItem(dialog, IDOK), layout.m_Ok);
    gf_PlaceControl(GetDlgItem(dialog, IDCANCEL), layout.m_Cancel);
    gf_SizeAndCentre(dialog, std::max(layout.m_ClientWidth, gf_GetTitleClientWidth(dialog)),
                     layout.m_ClientHeight);
    if (first)
    {
        SetFocus(first);
        if (model.f_GetField(0).m_Kind == EInputFieldKind_Text)
            SendMessageA(first, EM_SETSEL, 0, -1);
    }
    else
        SetFocus(GetDlgItem(dialog, IDOK));
}

// Copies what the user entered into the model.
void fg_Read(HWND dialog, CInputDialog& model)
{
    for (std::size_t i = 0; i < model.f_GetFieldCount(); ++i)
    {
        CInputField& field = model.f_GetField(i);
        HWND control = GetDlgItem(dialog, gf_InputControlId(i));
        switch (field.m_Kind)
        {
            case EInputFieldKind_Text:
                field.m_Text = gf_GetWindowText(control);
                break;
            case EInputFieldKind_Choice:
            {
                const LRESULT selected = SendMessageA(control, CB_GETCURSEL, 0, 0);
                field.m_Selected = selected == CB_ERR ? -1 : static_cast<std::int32_t>(selected);
                break;
            }
            case EInputFieldKind_Checks:
                for (std::size_t c = 0; c < field.m_Checks.size(); ++c)
                    field.m_Checks[c].m_bChecked =
                        IsDlgButtonChecked(dialog, gf_InputCheckId(i, c)) == BST_CHECKED;
                break;
        }
    }
}

INT_PTR CALLBACK fg_DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message)
    {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            fg_Build(dialog, *reinterpret_cast<CInputDialog*>(lParam));
            return FALSE; // the focus is set
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK)
            {
                fg_Read(dialog, *reinterpret_cast<CInputDialog*>(GetWindowLongPtrA(dialog, DWLP_USER)));
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL)
            {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}
} // namespace

bool CInputDialogWindow::f_ShowInputDialog(CInputDialog& dialog)
{
    gf_InitCommonControls();
    const INT_PTR result = DialogBoxParamA(gf_GetResourceModule(), MAKEINTRESOURCEA(IDD_INPUT_DIALOG),
                                           m_Owner, fg_DialogProc, reinterpret_cast<LPARAM>(&dialog));
    return result == IDOK;
}
} // namespace NQuillon
