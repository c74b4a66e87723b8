#pragma once
// Where the input dialog's controls go, in pixels of its client area. Portable so that the
// rules (the dialog grows with its fields, nothing overlaps, no text is cut) are tested
// natively; the window only measures its font and places what this computes.

#include "widgets/InputDialog.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace NQuillon
{
struct CLayoutRect
{
    std::int32_t m_Left = 0;
    std::int32_t m_Top = 0;
    std::int32_t m_Width = 0;
    std::int32_t m_Height = 0;

    std::int32_t f_Right() const noexcept { return m_Left + m_Width; }
    std::int32_t f_Bottom() const noexcept { return m_Top + m_Height; }
    bool f_Overlaps(const CLayoutRect& other) const noexcept
    {
        return m_Left < other.f_Right() && other.m_Left < f_Right() && m_Top < other.f_Bottom() &&
               other.m_Top < f_Bottom();
    }
    bool f_Contains(const CLayoutRect& other) const noexcept
    {
        return other.m_Left >= m_Left && other.m_Top >= m_Top && other.f_Right() <= f_Right() &&
               other.f_Bottom() <= f_Bottom();
    }
};

// The font and the system's control sizes, all in pixels at the window's DPI.
struct CInputDialogMetrics
{
    std::int32_t m_TextHeight = 13;    // one line of the dialog font
    std::int32_t m_ControlHeight = 21; // an edit field or a closed drop-down list
    std::int32_t m_CheckSize = 13;     // the box of a check
    std::int32_t m_ArrowWidth = 17;    // a drop-down list's button
    std::int32_t m_Margin = 11;        // around the client area
    std::int32_t m_Gap = 7;            // between rows and columns
    std::int32_t m_ButtonWidth = 75;
    std::int32_t m_ButtonHeight = 23;
    std::int32_t m_MinControlWidth = 160;
    std::int32_t m_MaxClientWidth = 900; // the dialog never grows wider; long texts wrap
    std::int32_t m_MinClientWidth = 0;   // room for the title in the caption bar
    // The width of a text in the dialog font.
    std::function<std::int32_t(const char* text)> m_MeasureText;
};

struct CFieldLayout
{
    // Text and choice fields: the caption left of the control. Groups of checks: the control
    // is the frame, which carries the caption itself, and the checks stand inside it.
    CLayoutRect m_Caption;
    CLayoutRect m_Control;
    std::vector<CLayoutRect> m_Checks;
};

struct CInputDialogLayout
{
    std::int32_t m_ClientWidth = 0;
    std::int32_t m_ClientHeight = 0;
    CLayoutRect m_Description;
    std::vector<CFieldLayout> m_Fields;
    CLayoutRect m_Ok;
    CLayoutRect m_Cancel;
};

CInputDialogLayout gf_LayoutInputDialog(const CInputDialog& dialog, const CInputDialogMetrics& metrics);
} // namespace NQuillon
