#include "ui/EditKeys.h"

#include "core/Format.h"

#include <algorithm>

namespace NQuillon
{
namespace
{
constexpr std::int64_t gc_MouseBase = 256;
constexpr std::int32_t gc_MaxKeys = 15;

std::vector<CChoiceEntry> fg_BuildEditableKeys()
{
    std::vector<CChoiceEntry> keys;
    for (std::int32_t code = 1; code <= 255; ++code)
        keys.push_back({CMessageHook::f_GetKeyName(EKeyDevice_Keyboard, code), code});
    for (std::int32_t code = 1; code <= 22; ++code)
        keys.push_back({CMessageHook::f_GetKeyName(EKeyDevice_Mouse, code), gc_MouseBase + code});
    std::stable_sort(keys.begin(), keys.end(),
                     [](const CChoiceEntry& a, const CChoiceEntry& b) { return a.m_Text < b.m_Text; });
    return keys;
}

// What to say about the keys from first on that have no key chosen; empty when all have one.
NTev::CStr fg_UnchosenKeysText(const CMessageHook::CKeys& keys, std::uint32_t first)
{
    NTev::CStr names;
    for (std::uint32_t i = first; i < keys.f_GetCount(); ++i)
        if (keys[i].m_Code == 0)
        {
            NTev::CFStr256 name;
            NTev::gf_Format(name, "{}Key {}", names.f_IsEmpty() ? "" : ", ", i);
            names += name.f_GetStr();
        }
    if (names.f_IsEmpty())
        return names;
    NTev::CStr text;
    NTev::gf_Format(text, "No key was chosen for {}. Choose one for each, or lower the Number of keys.",
                    names);
    return text;
}
} // namespace

const std::vector<CChoiceEntry>& gf_GetEditableKeys()
{
    static const std::vector<CChoiceEntry> keys = fg_BuildEditableKeys();
    return keys;
}

std::int64_t gf_KeyChoiceValue(const CMessageHook::CKey& key) noexcept
{
    return key.m_Device == EKeyDevice_Mouse ? gc_MouseBase + key.m_Code : key.m_Code;
}

CMessageHook::CKey gf_KeyFromChoiceValue(std::int64_t value, std::uint32_t order) noexcept
{
    if (value < gc_MouseBase)
        return CMessageHook::CKey{EKeyDevice_Keyboard, static_cast<std::int32_t>(value), order};
    return CMessageHook::CKey{EKeyDevice_Mouse, static_cast<std::int32_t>(value - gc_MouseBase), order};
}

CInputDialog gf_MakeEditKeysDialog(const CMessageHook::CKeys& keys, const char* description)
{
    CInputDialog dialog("Edit Key Sequence", description ? description : "Edits a key sequence");
    std::vector<CChoiceEntry> counts;
    for (std::int32_t n = 0; n <= gc_MaxKeys; ++n)
    {
        NTev::CFStr256 text;
        NTev::gf_Format(text, "{}", n);
        counts.push_back({NTev::CStr(text.f_GetStr()), n});
    }
    // A list longer than the editor offers has no entry to preset; its count then stays.
    const std::int32_t countEntry = CInputDialog::fs_FindValue(counts, keys.f_GetCount());
    dialog.f_AddChoice("Number of keys", std::move(counts), countEntry);
    const std::vector<CChoiceEntry>& editable = gf_GetEditableKeys();
    std::uint32_t index = 0;
    for (const CMessageHook::CKey& key : keys)
    {
        NTev::CFStr256 caption;
        NTev::gf_Format(caption, "Key {}", index++);
        // A key with code 0 (or a code outside the list) has no entry to preset.
        dialog.f_AddChoice(caption.f_GetStr(), editable,
                           key.m_Code == 0 ? -1
                                           : CInputDialog::fs_FindValue(editable, gf_KeyChoiceValue(key)));
    }
    return dialog;
}

CMessageHook::CKeys EditKeys(ICInputDialogHost& host, const CMessageHook::CKeys& keys)
{
    CMessageHook::CKeys working = keys;
    // The keys before this one came with the list; the ones from here on the editor added.
    std::uint32_t added = keys.f_GetCount();
    NTev::CStr problem;
    for (;;)
    {
        CInputDialog dialog =
            gf_MakeEditKeysDialog(working, problem.f_IsEmpty() ? nullptr : problem.f_GetStr());
        if (!host.f_ShowInputDialog(dialog))
            return keys;
        // A choice left without an entry keeps what it stood for.
        for (std::uint32_t i = 0; i < working.f_GetCount(); ++i)
        {
            CMessageHook::CKey& key = working[i];
            key =
                gf_KeyFromChoiceValue(dialog.f_GetSelectedValue(i + 1, gf_KeyChoiceValue(key)), key.m_Order);
        }
        const auto count = static_cast<std::uint32_t>(dialog.f_GetSelectedValue(0, working.f_GetCount()));
        if (count == working.f_GetCount())
        {
            problem = fg_UnchosenKeysText(working, added);
            if (problem.f_IsEmpty())
                return working;
            continue;
        }
        problem = NTev::CStr();
        while (working.f_GetCount() > count)
            working.f_RemoveAt(working.f_GetCount() - 1);
        added = std::min(added, count);
        while (working.f_GetCount() < count)
            working.f_Add(CMessageHook::CKey{EKeyDevice_Keyboard, 0, 0});
    }
}
} // namespace NQuillon
