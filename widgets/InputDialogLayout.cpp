#include "widgets/InputDialogLayout.h"

#include <algorithm>

namespace NQuillon
{
namespace
{
// Room a caption, a check or an entry needs beside its text: the frame's inner padding.
constexpr std::int32_t gc_TextPadding = 8;
} // namespace

CInputDialogLayout gf_LayoutInputDialog(const CInputDialog& dialog, const CInputDialogMetrics& m)
{
    auto measure = [&](const NTev::CStr& text)
    { return m.m_MeasureText ? m.m_MeasureText(text.f_GetStr()) : 0; };

    // Column widths: captions on the left, controls on the right; a group of checks spans both.
    std::int32_t captionWidth = 0;
    std::int32_t controlWidth = m.m_MinControlWidth;
    std::int32_t groupWidth = 0;
    for (std::size_t i = 0; i < dialog.f_GetFieldCount(); ++i)
    {
        const CInputField& field = dialog.f_GetField(i);
        switch (field.m_Kind)
        {
            case EInputFieldKind_Text:
                captionWidth = std::max(captionWidth, measure(field.m_Caption));
                break;
            case EInputFieldKind_Choice:
                captionWidth = std::max(captionWidth, measure(field.m_Caption));
                for (const CChoiceEntry& entry : field.m_Entries)
                    controlWidth =
                        std::max(controlWidth, measure(entry.m_Text) + m.m_ArrowWidth + gc_TextPadding);
                break;
            case EInputFieldKind_Checks:
                groupWidth = std::max(groupWidth, measure(field.m_Caption) + 4 * gc_TextPadding);
                for (const CCheck& check : field.m_Checks)
                    groupWidth =
                        std::max(groupWidth, measure(check.m_Caption) + m.m_CheckSize + 4 * gc_TextPadding);
                break;
        }
    }
    const std::int32_t buttonsWidth = 2 * m.m_ButtonWidth + m.m_Gap;
    std::int32_t innerWidth =
        std::max({captionWidth + m.m_Gap + controlWidth, groupWidth, buttonsWidth,
                  measure(dialog.f_GetDescription()), m.m_MinClientWidth - 2 * m.m_Margin});
    const std::int32_t maxInner = std::max(m.m_MaxClientWidth - 2 * m.m_Margin, buttonsWidth);
    if (innerWidth > maxInner)
    {
        // Too wide: the description wraps and the controls give way, never below their
        // minimum; a long entry then shows cut in the closed list but whole in the open one.
        controlWidth = std::max(m.m_MinControlWidth, maxInner - captionWidth - m.m_Gap);
        innerWidth =
            std::max({captionWidth + m.m_Gap + controlWidth, std::min(groupWidth, maxInner), buttonsWidth});
    }
    else
        controlWidth = innerWidth - captionWidth - m.m_Gap;

    CInputDialogLayout layout;
    std::int32_t y = m.m_Margin;
    // The description wraps when it does not fit in one line.
    const std::int32_t descriptionWidth = measure(dialog.f_GetDescription());
    const std::int32_t lines = std::max(1, (descriptionWidth + innerWidth - 1) / std::max(1, innerWidth));
    layout.m_Description = {m.m_Margin, y, innerWidth, lines * m.m_TextHeight};
    y += layout.m_Description.m_Height + m.m_Gap + m.m_Gap / 2;

    const std::int32_t rowHeight = std::max(m.m_ControlHeight, m.m_TextHeight);
    const std::int32_t checkRow = std::max(m.m_CheckSize, m.m_TextHeight) + 4;
    for (std::size_t i = 0; i < dialog.f_GetFieldCount(); ++i)
    {
        const CInputField& field = dialog.f_GetField(i);
        CFieldLayout f;
        if (field.m_Kind == EInputFieldKind_Checks)
        {
            // The frame's caption sits on its top edge: the first check starts below it.
            const std::int32_t top = y;
            std::int32_t cy = top + m.m_TextHeight + m.m_Gap / 2;
            for (std::size_t c = 0; c < field.m_Checks.size(); ++c)
            {
                f.m_Checks.push_back(
                    {m.m_Margin + 2 * gc_TextPadding, cy, innerWidth - 4 * gc_TextPadding, checkRow});
                cy += checkRow;
            }
            f.m_Control = {m.m_Margin, top, innerWidth, cy + m.m_Gap - top};
            f.m_Caption = {
                m.m_Margin + gc_TextPadding, top,
                std::min(innerWidth - 2 * gc_TextPadding, measure(field.m_Caption) + gc_TextPadding),
                m.m_TextHeight};
            y = f.m_Control.f_Bottom() + m.m_Gap;
        }
        else
        {
            f.m_Caption = {m.m_Margin, y + (rowHeight - m.m_TextHeight) / 2, captionWidth, m.m_TextHeight};
            f.m_Control = {m.m_Margin + captionWidth + m.m_Gap, y + (rowHeight - m.m_ControlHeight) / 2,
                           controlWidth, m.m_ControlHeight};
            y += rowHeight + m.m_Gap;
        }
        layout.m_Fields.push_back(std::move(f));
    }

    y += m.m_Gap;
    const std::int32_t right = m.m_Margin + innerWidth;
    layout.m_Cancel = {right - m.m_ButtonWidth, y, m.m_ButtonWidth, m.m_ButtonHeight};
    layout.m_Ok = {layout.m_Cancel.m_Left - m.m_Gap - m.m_ButtonWidth, y, m.m_ButtonWidth, m.m_ButtonHeight};
    layout.m_ClientWidth = innerWidth + 2 * m.m_Margin;
    layout.m_ClientHeight = y + m.m_ButtonHeight + m.m_Margin;
    return layout;
}
} // namespace NQuillon
