#include "widgets/InputDialog.h"

#include <utility>

namespace NQuillon
{
std::size_t CInputDialog::f_AddText(const char* caption, const char* text)
{
    CInputField field;
    field.m_Kind = EInputFieldKind_Text;
    field.m_Caption = caption;
    field.m_Text = text;
    m_Fields.push_back(std::move(field));
    return m_Fields.size() - 1;
}

std::size_t CInputDialog::f_AddChoice(const char* caption, std::vector<CChoiceEntry> entries,
                                      std::int32_t selected)
{
    CInputField field;
    field.m_Kind = EInputFieldKind_Choice;
    field.m_Caption = caption;
    field.m_Entries = std::move(entries);
    // A preset outside the entries selects nothing rather than something arbitrary.
    field.m_Selected =
        (selected >= 0 && static_cast<std::size_t>(selected) < field.m_Entries.size()) ? selected : -1;
    m_Fields.push_back(std::move(field));
    return m_Fields.size() - 1;
}

std::size_t CInputDialog::f_AddChoiceOfTexts(const char* caption, const std::vector<const char*>& texts,
                                             std::int32_t selected)
{
    std::vector<CChoiceEntry> entries;
    entries.reserve(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i)
        entries.push_back(CChoiceEntry{NTev::CStr(texts[i]), static_cast<std::int64_t>(i)});
    return f_AddChoice(caption, std::move(entries), selected);
}

std::size_t CInputDialog::f_AddChecks(const char* caption, std::vector<CCheck> checks)
{
    CInputField field;
    field.m_Kind = EInputFieldKind_Checks;
    field.m_Caption = caption;
    field.m_Checks = std::move(checks);
    m_Fields.push_back(std::move(field));
    return m_Fields.size() - 1;
}

std::int64_t CInputDialog::f_GetSelectedValue(std::size_t field, std::int64_t fallback) const
{
    const CInputField& f = m_Fields.at(field);
    if (f.m_Selected < 0 || static_cast<std::size_t>(f.m_Selected) >= f.m_Entries.size())
        return fallback;
    return f.m_Entries[static_cast<std::size_t>(f.m_Selected)].m_Value;
}

std::int32_t CInputDialog::fs_FindValue(const std::vector<CChoiceEntry>& entries, std::int64_t value) noexcept
{
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].m_Value == value)
            return static_cast<std::int32_t>(i);
    return -1;
}
} // namespace NQuillon
