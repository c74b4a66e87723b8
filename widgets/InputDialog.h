#pragma once
// The input dialog every command of the configuration uses: a title, a description line and
// any number of fields, each a text field, a choice among entries or a group of checks. The
// model is what the dialog shows and, after OK, what the user entered; a host shows it.

#include "core/Str.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace NQuillon
{
enum EInputFieldKind
{
    EInputFieldKind_Text,
    EInputFieldKind_Choice,
    EInputFieldKind_Checks,
};

// One entry of a choice: the text shown and the value it stands for.
struct CChoiceEntry
{
    NTev::CStr m_Text;
    std::int64_t m_Value = 0;
};

struct CCheck
{
    NTev::CStr m_Caption;
    bool m_bChecked = false;
};

struct CInputField
{
    EInputFieldKind m_Kind = EInputFieldKind_Text;
    NTev::CStr m_Caption;
    // Text field: the text.
    NTev::CStr m_Text;
    // Choice: the entries in the order shown and the selected one; -1 selects none.
    std::vector<CChoiceEntry> m_Entries;
    std::int32_t m_Selected = -1;
    // Group of checks.
    std::vector<CCheck> m_Checks;
};

class CInputDialog
{
public:
    CInputDialog(const char* title, const char* description) : m_Title(title), m_Description(description) {}

    // Each returns the index of the new field.
    std::size_t f_AddText(const char* caption, const char* text = "");
    // selected: the preset entry, -1 (or any index outside the entries) for none.
    std::size_t f_AddChoice(const char* caption, std::vector<CChoiceEntry> entries, std::int32_t selected);
    // The entries' texts, their values 0, 1, 2, ...
    std::size_t f_AddChoiceOfTexts(const char* caption, const std::vector<const char*>& texts,
                                   std::int32_t selected);
    std::size_t f_AddChecks(const char* caption, std::vector<CCheck> checks);

    const NTev::CStr& f_GetTitle() const noexcept { return m_Title; }
    const NTev::CStr& f_GetDescription() const noexcept { return m_Description; }
    std::size_t f_GetFieldCount() const noexcept { return m_Fields.size(); }
    CInputField& f_GetField(std::size_t index) { return m_Fields.at(index); }
    const CInputField& f_GetField(std::size_t index) const { return m_Fields.at(index); }

    // Values after OK.
    const NTev::CStr& f_GetText(std::size_t field) const { return m_Fields.at(field).m_Text; }
    // The selected entry's index, -1 for none.
    std::int32_t f_GetSelected(std::size_t field) const { return m_Fields.at(field).m_Selected; }
    // The selected entry's value, or fallback when none is selected.
    std::int64_t f_GetSelectedValue(std::size_t field, std::int64_t fallback) const;
    bool f_IsChecked(std::size_t field, std::size_t check) const
    {
        return m_Fields.at(field).m_Checks.at(check).m_bChecked;
    }

    // The index of the entry with that value, -1 when there is none.
    static std::int32_t fs_FindValue(const std::vector<CChoiceEntry>& entries, std::int64_t value) noexcept;

private:
    NTev::CStr m_Title;
    NTev::CStr m_Description;
    std::vector<CInputField> m_Fields;
};

// Shows input dialogs: the Win32 window, or a scripted stand-in in tests.
class ICInputDialogHost
{
public:
    // True on OK, with the user's values written into the dialog; false on Cancel, the
    // dialog's values then being unspecified.
    virtual bool f_ShowInputDialog(CInputDialog& dialog) = 0;

protected:
    ~ICInputDialogHost() = default;
};
} // namespace NQuillon
