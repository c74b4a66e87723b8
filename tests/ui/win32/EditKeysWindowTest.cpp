// The key-sequence editor under Wine: a changed count reopens it with as many key choices; OK
// returns the edited list, Cancel the list passed in.

// The engine's record declarations come before the system headers, whose macros share names.
#include "ui/EditKeys.h"

#include "tests/ui/win32/DialogDriver.h"
#include "widgets/win32/InputDialogWindow.h"

#include <gtest/gtest.h>

using NQuillon::CMessageHook;
using NQuillon::gf_InputControlId;

namespace
{
const CMessageHook::CKeys gc_Three{{0, 0x1D, 1}, {0, 0x2E, 2}, {1, 1, 0}}; // LCtrl(1) C(2) Mouse-Left

// Waits for the editor that is not the given (closed) window.
HWND fg_WaitForNewEditor(HWND previous)
{
    for (int i = 0; i < 500; ++i)
    {
        HWND window = NQuillonTest::gf_WaitForDialog("Edit Key Sequence");
        if (window && window != previous && IsWindow(window))
            return window;
        Sleep(10);
    }
    return nullptr;
}
} // namespace

TEST(CEditKeysWindowTest, ChoosingFiveReopensWithFiveKeysAndOkReturnsThemOnceChosen)
{
    auto result = NQuillonTest::gf_RunDialog(
        []
        {
            NQuillon::CInputDialogWindow host(nullptr);
            return NQuillon::EditKeys(host, gc_Three);
        });
    HWND first = fg_WaitForNewEditor(nullptr);
    ASSERT_NE(first, nullptr);
    HWND count = GetDlgItem(first, gf_InputControlId(0));
    EXPECT_EQ(NQuillonTest::gf_ChosenText(count), "3");
    EXPECT_EQ(NQuillonTest::gf_ChosenText(GetDlgItem(first, gf_InputControlId(1))), "LCtrl");
    EXPECT_EQ(NQuillonTest::gf_ChosenText(GetDlgItem(first, gf_InputControlId(3))), "Mouse-Left");
    EXPECT_EQ(GetDlgItem(first, gf_InputControlId(4)), nullptr);
    ASSERT_TRUE(NQuillonTest::gf_Choose(GetDlgItem(first, gf_InputControlId(2)), "V"));
    ASSERT_TRUE(NQuillonTest::gf_Choose(count, "5"));
    RECT firstRect{};
    ASSERT_TRUE(GetWindowRect(first, &firstRect));
    NQuillonTest::gf_Click(GetDlgItem(first, IDOK));

    HWND second = fg_WaitForNewEditor(first);
    ASSERT_NE(second, nullptr);
    // The dialog grew with its fields.
    RECT secondRect{};
    GetWindowRect(second, &secondRect);
    EXPECT_GT(secondRect.bottom - secondRect.top, firstRect.bottom - firstRect.top);
    EXPECT_EQ(NQuillonTest::gf_ChosenText(GetDlgItem(second, gf_InputControlId(0))), "5");
    EXPECT_EQ(NQuillonTest::gf_ChosenText(GetDlgItem(second, gf_InputControlId(2))), "V");
    ASSERT_NE(GetDlgItem(second, gf_InputControlId(5)), nullptr);
    EXPECT_EQ(NQuillonTest::gf_ChosenText(GetDlgItem(second, gf_InputControlId(5))), "");
    NQuillonTest::gf_Click(GetDlgItem(second, IDOK));

    // The added keys have none chosen: the editor comes again instead of saving "All Keys".
    HWND third = fg_WaitForNewEditor(second);
    ASSERT_NE(third, nullptr);
    ASSERT_TRUE(NQuillonTest::gf_Choose(GetDlgItem(third, gf_InputControlId(4)), "A"));
    ASSERT_TRUE(NQuillonTest::gf_Choose(GetDlgItem(third, gf_InputControlId(5)), "B"));
    NQuillonTest::gf_Click(GetDlgItem(third, IDOK));

    ASSERT_TRUE(NQuillonTest::gf_Ends(result));
    EXPECT_EQ(result.get(),
              (CMessageHook::CKeys{{0, 0x1D, 1}, {0, 0x2F, 2}, {1, 1, 0}, {0, 0x1E, 0}, {0, 0x30, 0}}));
}

TEST(CEditKeysWindowTest, CancelAfterAReopeningReturnsTheKeysPassedIn)
{
    auto result = NQuillonTest::gf_RunDialog(
        []
        {
            NQuillon::CInputDialogWindow host(nullptr);
            return NQuillon::EditKeys(host, gc_Three);
        });
    HWND first = fg_WaitForNewEditor(nullptr);
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(NQuillonTest::gf_Choose(GetDlgItem(first, gf_InputControlId(1)), "A"));
    ASSERT_TRUE(NQuillonTest::gf_Choose(GetDlgItem(first, gf_InputControlId(0)), "1"));
    NQuillonTest::gf_Click(GetDlgItem(first, IDOK));
    HWND second = fg_WaitForNewEditor(first);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetDlgItem(second, gf_InputControlId(2)), nullptr);
    NQuillonTest::gf_Click(GetDlgItem(second, IDCANCEL));
    ASSERT_TRUE(NQuillonTest::gf_Ends(result));
    EXPECT_EQ(result.get(), gc_Three);
}
