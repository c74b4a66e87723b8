// The input dialog's model: presets and what a choice answers.

#include "widgets/InputDialog.h"

#include <gtest/gtest.h>

using NQuillon::CInputDialog;

TEST(CInputDialogTest, APresetOutsideTheEntriesSelectsNothing)
{
    CInputDialog dialog("T", "D");
    const auto a = dialog.f_AddChoiceOfTexts("A", {"x", "y"}, 1);
    const auto b = dialog.f_AddChoiceOfTexts("B", {"x", "y"}, 2);
    const auto c = dialog.f_AddChoiceOfTexts("C", {"x", "y"}, -5);
    EXPECT_EQ(dialog.f_GetSelected(a), 1);
    EXPECT_EQ(dialog.f_GetSelected(b), -1);
    EXPECT_EQ(dialog.f_GetSelected(c), -1);
}

TEST(CInputDialogTest, TheSelectedValueFallsBackWhenNothingIsSelected)
{
    CInputDialog dialog("T", "D");
    const auto f = dialog.f_AddChoice("A", {{"x", 40}, {"y", 41}}, -1);
    EXPECT_EQ(dialog.f_GetSelectedValue(f, 7), 7);
    dialog.f_GetField(f).m_Selected = 1;
    EXPECT_EQ(dialog.f_GetSelectedValue(f, 7), 41);
    EXPECT_EQ(CInputDialog::fs_FindValue(dialog.f_GetField(f).m_Entries, 40), 0);
    EXPECT_EQ(CInputDialog::fs_FindValue(dialog.f_GetField(f).m_Entries, 42), -1);
}
