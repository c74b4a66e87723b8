// The input dialog as a user meets it under Wine: it shows the fields with their presets,
// takes typing, choices and checks, moves with Tab, answers Enter as OK and Escape as Cancel,
// and its message boxes belong to it.

#include "widgets/win32/InputDialogWindow.h"
#include "tests/ui/win32/DialogDriver.h"
#include "widgets/win32/MessageBox.h"
#include "widgets/win32/Resource.h"

#include <gtest/gtest.h>

using NQuillon::CInputDialog;
using NQuillon::CInputDialogWindow;
using NQuillon::gf_InputCaptionId;
using NQuillon::gf_InputCheckId;
using NQuillon::gf_InputControlId;

namespace
{
CInputDialog fg_Group()
{
    CInputDialog dialog("Create New Remapping Group", "Creates a new remapping group");
    dialog.f_AddText("Name");
    dialog.f_AddText("Priority", "0");
    return dialog;
}

CInputDialog fg_Options()
{
    CInputDialog dialog("MacBook Pro Keyboard Detected", "Configure your MacBook Pro Keyboard");
    dialog.f_AddChoiceOfTexts("Remap 'Enter' to",
                              {"Right Click", "Middle Click", "Delete", "AltGr", "Menu", "Do not remap"}, 0);
    dialog.f_AddChoiceOfTexts("Remap 'Right Apple' to", {"AltGr", "Ctrl", "Menu"}, 1);
    dialog.f_AddChecks("Options", {{"Enable Remote Desktop workaround (adds 3 ms delay to keys)", false},
                                   {"Accelerate mouse scroll wheel", false},
                                   {"Swap 'Tilde/Paragraph' and 'Oem Key'", true}});
    return dialog;
}

bool fg_Inside(HWND dialog, HWND control)
{
    RECT client{}, rect{};
    GetClientRect(dialog, &client);
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect.left >= 0 && rect.top >= 0 && rect.right <= client.right && rect.bottom <= client.bottom;
}
// Whether the control's text, in its font, fits in its width less what else it draws.
bool fg_TextFits(HWND control, int besideText)
{
    const std::string text = NQuillonTest::gf_Text(control);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    RECT rect{};
    GetClientRect(control, &rect);
    return size.cx + besideText <= rect.right;
}
} // namespace

TEST(CInputDialogWindowTest, TypedTextComesBackOnOk)
{
    CInputDialog dialog = fg_Group();
    auto result =
        NQuillonTest::gf_RunDialog([&] { return CInputDialogWindow(nullptr).f_ShowInputDialog(dialog); });
    HWND window = NQuillonTest::gf_WaitForDialog("Create New Remapping Group");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(NQuillonTest::gf_Text(GetDlgItem(window, gf_InputCaptionId(1))), "Priority");
    EXPECT_EQ(NQuillonTest::gf_Text(GetDlgItem(window, gf_InputControlId(1))), "0");
    // The first field has the focus.
    EXPECT_EQ(NQuillonTest::gf_Focus(window), GetDlgItem(window, gf_InputControlId(0)));
    NQuillonTest::gf_Type(window, "Editing");
    NQuillonTest::gf_Click(GetDlgItem(window, IDOK));
    ASSERT_TRUE(NQuillonTest::gf_Ends(result));
    EXPECT_TRUE(result.get());
    EXPECT_STREQ(dialog.f_GetText(0).f_GetStr(), "Editing");
    EXPECT_STREQ(dialog.f_GetText(1).f_GetStr(), "0");
}

TEST(CInputDialogWindowTest, TabMovesToTheNextFieldAndEnterIsOk)
{
    CInputDialog dialog = fg_Group();
    auto result =
        NQuillonTest::gf_RunDialog([&] { return CInputDialogWindow(nullptr).f_ShowInputDialog(dialog); });
    HWND window = NQuillonTest::gf_WaitForDialog("Create New Remapping Group");
    ASSERT_NE(window, nullptr);
    NQuillonTest::gf_Type(window, "Main");
    NQuillonTest::gf_PressKey(window, VK_TAB);
    HWND priority = GetDlgItem(window, gf_InputControlId(1));
    for (int i = 0; i < 200 && NQuillonTest::gf_Focus(window) != priority; ++i)
        Sleep(10);
    ASSERT_EQ(NQuillonTest::gf_Focus(window), priority);
    NQuillonTest::gf_Type(window, "3");
    NQuillonTest::gf_PressKey(window, VK_RETURN);
    ASSERT_TRUE(NQuillonTest::gf_Ends(result));
    EXPECT_TRUE(result.get());
    EXPECT_STREQ(dialog.f_GetText(0).f_GetStr(), "Main");
    EXPECT_STREQ(dialog.f_GetText(1).f_GetStr(), "3");
}

TEST(CInputDialogWindowTest, EscapeCancels)
{
    CInputDialog dialog = fg_Group();
    auto result =
        NQuillonTest::gf_RunDialog([&] { return CInputDialogWindow(nullptr).f_ShowInputDialog(dialog); });
    HWND window = NQuillonTest::gf_WaitForDialog("Create New Remapping Group");
    ASSERT_NE(window, nullptr);
    NQuillonTest::gf_Type(window, "Lost");
    NQuillonTest::gf_PressKey(window, VK_ESCAPE);
    ASSERT_TRUE(NQuillonTest::gf_Ends(result));
    EXPECT_FALSE(result.get());
}

TEST(CInputDialogWindowTest, ChoicesAndChecksShowTheirPresetsAndReturnWhatWasChosen)
{
    CInputDialog dialog = fg_Options();
    auto result =
        NQuillonTest::gf_RunDialog([&] { return CInputDialogWindow(nullptr).f_ShowInputDialog(dialog); });
    HWND window = NQuillonTest::gf_WaitForDialog("MacBook Pro Keyboard Detected");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(NQuillonTest::gf_Text(GetDlgItem(window, IDC_INPUT_DESCRIPTION)),
              "Configure your MacBook Pro Keyboard");
    HWND enter = GetDlgItem(window, gf_InputControlId(0));
    EXPECT_EQ(NQuillonTest::gf_ChosenText(enter), "Right Click");
    EXPECT_EQ(NQuillonTest::gf_ChosenText(GetDlgItem(window, gf_InputControlId(1))), "Ctrl");
    EXPECT_EQ(SendMessageA(GetDlgItem(window, gf_InputCheckId(2, 2)), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(NQuillonTest::gf_Text(GetDlgItem(window, gf_InputCaptionId(2))), "Options");
    // Every control lies inside the dialog.
    for (int id : {gf_InputControlId(0), gf_InputControlId(1), gf_InputCaptionId(2), gf_InputCheckId(2, 0),
                   IDOK, IDCANCEL})
        EXPECT_TRUE(fg_Inside(window, GetDlgItem(window, id))) << id;
    // No caption or check is cut: a check draws its box and a gap beside the text.
    for (int id : {IDC_INPUT_DESCRIPTION, gf_InputCaptionId(0), gf_InputCaptionId(1)})
        EXPECT_TRUE(fg_TextFits(GetDlgItem(window, id), 0)) << id;
    for (std::size_t c = 0; c < 3; ++c)
        EXPECT_TRUE(
            fg_TextFits(GetDlgItem(window, gf_InputCheckId(2, c)), GetSystemMetrics(SM_CXMENUCHECK) + 4))
            << c;
    ASSERT_TRUE(NQuillonTest::gf_Choose(enter, "AltGr"));
    NQuillonTest::gf_Click(GetDlgItem(window, gf_InputCheckId(2, 1)));
    NQuillonTest::gf_Click(GetDlgItem(window, gf_InputCheckId(2, 2)));
    NQuillonTest::gf_Click(GetDlgItem(window, IDOK));
    ASSERT_TRUE(NQuillonTest::gf_Ends(result));
    EXPECT_TRUE(result.get());
    EXPECT_EQ(dialog.f_GetSelected(0), 3);
    EXPECT_EQ(dialog.f_GetSelected(1), 1);
    EXPECT_FALSE(dialog.f_IsChecked(2, 0));
    EXPECT_TRUE(dialog.f_IsChecked(2, 1));
    EXPECT_FALSE(dialog.f_IsChecked(2, 2));
}

TEST(CInputDialogWindowTest, AMessageBoxBelongsToTheDialogThatRaisedIt)
{
    HWND owner = nullptr;
    auto result = NQuillonTest::gf_RunDialog(
        [&]
        {
            CInputDialog dialog = fg_Group();
            return CInputDialogWindow(nullptr).f_ShowInputDialog(dialog);
        });
    owner = NQuillonTest::gf_WaitForDialog("Create New Remapping Group");
    ASSERT_NE(owner, nullptr);
    auto message =
        NQuillonTest::gf_RunDialog([&] { NQuillon::gf_ShowError(owner, "You must provide a name"); });
    HWND box = NQuillonTest::gf_WaitForOwnedDialog(owner, "Error");
    ASSERT_NE(box, nullptr);
    NQuillonTest::gf_Click(GetDlgItem(box, IDOK));
    ASSERT_TRUE(NQuillonTest::gf_Ends(message));
    NQuillonTest::gf_Click(GetDlgItem(owner, IDCANCEL));
    ASSERT_TRUE(NQuillonTest::gf_Ends(result));
}
