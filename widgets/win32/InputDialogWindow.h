#pragma once
// The input dialog as a window: a modal dialog from the template IDD_INPUT_DIALOG with one row
// per field. Tab moves between the fields, Enter is OK, Escape is Cancel.

#include "widgets/InputDialog.h"

#include <windows.h>

#include <cstddef>

namespace NQuillon
{
// Control identifiers of field n (tests find the controls by them).
constexpr int gc_InputFieldIdBase = 2000;
constexpr int gc_InputFieldIdStride = 64;
// The caption of a text or choice field; the frame of a group of checks.
constexpr int gf_InputCaptionId(std::size_t field) noexcept
{
    return gc_InputFieldIdBase + static_cast<int>(field) * gc_InputFieldIdStride;
}
// The edit field or the drop-down list.
constexpr int gf_InputControlId(std::size_t field) noexcept
{
    return gf_InputCaptionId(field) + 1;
}
// Check c of a group (at most gc_InputFieldIdStride - 2 checks).
constexpr int gf_InputCheckId(std::size_t field, std::size_t check) noexcept
{
    return gf_InputCaptionId(field) + 2 + static_cast<int>(check);
}

class CInputDialogWindow final : public ICInputDialogHost
{
public:
    // owner: the window the dialog belongs to, null for none.
    explicit CInputDialogWindow(HWND owner) : m_Owner(owner) {}
    bool f_ShowInputDialog(CInputDialog& dialog) override;

private:
    HWND m_Owner;
};
} // namespace NQuillon
