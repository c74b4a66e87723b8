// The input dialog's layout: it grows with its fields, nothing overlaps, no text is cut, and
// it stays within its width.

#include "widgets/InputDialogLayout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using NQuillon::CInputDialog;
using NQuillon::CInputDialogLayout;
using NQuillon::CLayoutRect;

namespace
{
NQuillon::CInputDialogMetrics fg_Metrics()
{
    NQuillon::CInputDialogMetrics metrics;
    metrics.m_MeasureText = [](const char* text) { return static_cast<std::int32_t>(6 * std::strlen(text)); };
    return metrics;
}

CInputDialog fg_Mixed()
{
    CInputDialog dialog("MacBook Pro Keyboard Detected", "Configure your MacBook Pro Keyboard");
    dialog.f_AddChoiceOfTexts("Remap 'fn+Left Click' to", {"Right Click", "Middle Click", "Do not remap"}, 0);
    dialog.f_AddText("Name", "x");
    dialog.f_AddChecks("Options", {{"Enable Remote Desktop workaround (adds 3 ms delay to keys)", false},
                                   {"Accelerate mouse scroll wheel", false},
                                   {"Swap 'Tilde/Paragraph' and 'Oem Key'", true}});
    dialog.f_AddChoiceOfTexts("Remap left side function keys to",
                              {"fn, Ctrl, Alt, Win", "Ctrl, fn, Alt, Win"}, 0);
    return dialog;
}

// Every rectangle a window gets, fields' frames apart from what they hold.
std::vector<CLayoutRect> fg_Separate(const CInputDialogLayout& layout)
{
    std::vector<CLayoutRect> rects{layout.m_Description, layout.m_Ok, layout.m_Cancel};
    for (const auto& field : layout.m_Fields)
    {
        rects.push_back(field.m_Checks.empty() ? field.m_Caption : field.m_Control);
        if (field.m_Checks.empty())
            rects.push_back(field.m_Control);
    }
    return rects;
}
} // namespace

TEST(CInputDialogLayoutTest, NothingOverlapsAndEverythingLiesInTheClientArea)
{
    const CInputDialogLayout layout = NQuillon::gf_LayoutInputDialog(fg_Mixed(), fg_Metrics());
    const CLayoutRect client{0, 0, layout.m_ClientWidth, layout.m_ClientHeight};
    const auto rects = fg_Separate(layout);
    for (std::size_t i = 0; i < rects.size(); ++i)
    {
        EXPECT_TRUE(client.f_Contains(rects[i])) << i;
        for (std::size_t j = i + 1; j < rects.size(); ++j)
            EXPECT_FALSE(rects[i].f_Overlaps(rects[j])) << i << " " << j;
    }
    const auto& group = layout.m_Fields[2];
    ASSERT_EQ(group.m_Checks.size(), 3u);
    for (std::size_t c = 0; c < group.m_Checks.size(); ++c)
    {
        EXPECT_TRUE(group.m_Control.f_Contains(group.m_Checks[c])) << c;
        EXPECT_FALSE(group.m_Checks[c].f_Overlaps(group.m_Caption)) << c;
        if (c > 0)
        {
            EXPECT_FALSE(group.m_Checks[c].f_Overlaps(group.m_Checks[c - 1])) << c;
        }
    }
}

TEST(CInputDialogLayoutTest, TextsAndEntriesGetTheirWholeWidth)
{
    const auto metrics = fg_Metrics();
    const CInputDialog dialog = fg_Mixed();
    const CInputDialogLayout layout = NQuillon::gf_LayoutInputDialog(dialog, metrics);
    EXPECT_GE(layout.m_Description.m_Width, metrics.m_MeasureText(dialog.f_GetDescription().f_GetStr()));
    for (std::size_t i = 0; i < dialog.f_GetFieldCount(); ++i)
    {
        const auto& field = dialog.f_GetField(i);
        const auto& rects = layout.m_Fields[i];
        if (field.m_Kind == NQuillon::EInputFieldKind_Checks)
        {
            for (std::size_t c = 0; c < field.m_Checks.size(); ++c)
                EXPECT_GE(rects.m_Checks[c].m_Width,
                          metrics.m_MeasureText(field.m_Checks[c].m_Caption.f_GetStr()) +
                              metrics.m_CheckSize);
            continue;
        }
        EXPECT_GE(rects.m_Caption.m_Width, metrics.m_MeasureText(field.m_Caption.f_GetStr())) << i;
        for (const auto& entry : field.m_Entries)
            EXPECT_GE(rects.m_Control.m_Width,
                      metrics.m_MeasureText(entry.m_Text.f_GetStr()) + metrics.m_ArrowWidth);
    }
}

TEST(CInputDialogLayoutTest, GrowsWithEachFieldAndKeepsTheButtonsBelowThem)
{
    CInputDialog dialog("Edit Key Sequence", "Edits a key sequence");
    std::int32_t height = NQuillon::gf_LayoutInputDialog(dialog, fg_Metrics()).m_ClientHeight;
    for (int i = 0; i < 16; ++i)
    {
        dialog.f_AddChoiceOfTexts("Key", {"A", "B"}, 0);
        const CInputDialogLayout layout = NQuillon::gf_LayoutInputDialog(dialog, fg_Metrics());
        EXPECT_GT(layout.m_ClientHeight, height);
        height = layout.m_ClientHeight;
        EXPECT_GT(layout.m_Ok.m_Top, layout.m_Fields.back().m_Control.f_Bottom());
        EXPECT_EQ(layout.m_Ok.m_Top, layout.m_Cancel.m_Top);
        EXPECT_LT(layout.m_Ok.m_Left, layout.m_Cancel.m_Left);
    }
}

TEST(CInputDialogLayoutTest, ALongDescriptionWrapsWithinTheMaximumWidth)
{
    const auto metrics = fg_Metrics();
    CInputDialog dialog("T", std::string(400, 'x').c_str());
    dialog.f_AddText("Name");
    const CInputDialogLayout layout = NQuillon::gf_LayoutInputDialog(dialog, metrics);
    EXPECT_LE(layout.m_ClientWidth, metrics.m_MaxClientWidth);
    EXPECT_GE(layout.m_Description.m_Height, 3 * metrics.m_TextHeight);
    EXPECT_GE(layout.m_Description.m_Width * (layout.m_Description.m_Height / metrics.m_TextHeight), 400 * 6);
    EXPECT_GT(layout.m_Fields[0].m_Control.m_Top, layout.m_Description.f_Bottom());
}
