#include "config/Configuration.h"

#include "actions/EngineActions.h"
#include "core/Format.h"

#include <algorithm>

namespace NQuillon
{
// ---- groups ---------------------------------------------------------------------------------

CMessageHookBase::CAccelerator* CMessageHookBase::CRemapGroup::f_FindAction(const CKeys& triggerKeys) const
{
    return f_FindAction(triggerKeys.f_GetData(), triggerKeys.f_GetCount());
}

CMessageHookBase::CAccelerator* CMessageHookBase::CRemapGroup::f_FindAction(const CKey* keys,
                                                                            std::size_t count) const
{
    if (!m_bIndexValid)
        fp_BuildIndex();
    if (count < m_TriggerLengths.size() && !m_TriggerLengths.test(count) && !m_bLongTriggers)
        return nullptr;
    // Binary search over the actions, which are kept in trigger-key order.
    std::size_t low = 0;
    std::size_t high = m_Actions.size();
    while (low < high)
    {
        std::size_t middle = (low + high) / 2;
        const CKeys& trigger = m_Actions[middle]->m_TriggerKeys;
        if (CKeys::fs_Compare(trigger.f_GetData(), trigger.f_GetCount(), keys, count) < 0)
            low = middle + 1;
        else
            high = middle;
    }
    if (low == m_Actions.size())
        return nullptr;
    const CKeys& trigger = m_Actions[low]->m_TriggerKeys;
    return CKeys::fs_Compare(trigger.f_GetData(), trigger.f_GetCount(), keys, count) == 0
               ? m_Actions[low].get()
               : nullptr;
}

namespace
{
// Index of a key in the group's last-key set; -1 for keys outside the two name tables.
int fg_KeyIndex(std::int32_t device, std::int32_t code)
{
    if (device == EKeyDevice_Keyboard && code >= 0 && code < 256)
        return code;
    if (device == EKeyDevice_Mouse && code >= 0 && code < 256)
        return 256 + code;
    return -1;
}
} // namespace

void CMessageHookBase::CRemapGroup::fp_BuildIndex() const
{
    m_LastKeys.reset();
    m_bIndexUnbounded = false;
    m_TriggerLengths.reset();
    m_bLongTriggers = false;
    for (const auto& action : m_Actions)
    {
        const CKeys& trigger = action->m_TriggerKeys;
        if (trigger.f_GetCount() < m_TriggerLengths.size())
            m_TriggerLengths.set(trigger.f_GetCount());
        else
            m_bLongTriggers = true;
        if (trigger.f_IsEmpty())
            continue;
        const CKey& last = trigger[trigger.f_GetCount() - 1];
        int index = fg_KeyIndex(last.m_Device, last.m_Code);
        if (index < 0)
            m_bIndexUnbounded = true;
        else
            m_LastKeys.set(static_cast<std::size_t>(index));
    }
    m_bIndexValid = true;
}

bool CMessageHookBase::CRemapGroup::f_MayEndWith(std::int32_t device, std::int32_t code) const
{
    if (!m_bIndexValid)
        fp_BuildIndex();
    int index = fg_KeyIndex(device, code);
    return m_bIndexUnbounded || index < 0 || m_LastKeys.test(static_cast<std::size_t>(index));
}

CMessageHookBase::CAccelerator&
CMessageHookBase::CRemapGroup::f_InsertAction(std::unique_ptr<CAccelerator> action)
{
    auto position =
        std::upper_bound(m_Actions.begin(), m_Actions.end(), action,
                         [](const std::unique_ptr<CAccelerator>& a, const std::unique_ptr<CAccelerator>& b)
                         { return CKeys::fs_Compare(a->m_TriggerKeys, b->m_TriggerKeys) < 0; });
    m_bIndexValid = false;
    return **m_Actions.insert(position, static_cast<std::unique_ptr<CAccelerator>&&>(action));
}

void CMessageHookBase::CRemapGroup::f_SetActions(std::vector<std::unique_ptr<CAccelerator>> actions)
{
    std::stable_sort(actions.begin(), actions.end(),
                     [](const std::unique_ptr<CAccelerator>& a, const std::unique_ptr<CAccelerator>& b)
                     { return CKeys::fs_Compare(a->m_TriggerKeys, b->m_TriggerKeys) < 0; });
    m_Actions = static_cast<std::vector<std::unique_ptr<CAccelerator>>&&>(actions);
    m_bIndexValid = false;
}

CMessageHookBase::CAccelerator* CMessageHookBase::CRemapGroup::f_FindAction(const CKeys& triggerKeys,
                                                                            std::uint32_t index) const
{
    // Actions with equal keys stand together, in stored order.
    for (const auto& action : m_Actions)
        if (CKeys::fs_Compare(action->m_TriggerKeys, triggerKeys) == 0 && index-- == 0)
            return action.get();
    return nullptr;
}

bool CMessageHookBase::CRemapGroup::f_DeleteAction(const CKeys& triggerKeys, std::uint32_t index)
{
    for (auto action = m_Actions.begin(); action != m_Actions.end(); ++action)
        if (CKeys::fs_Compare((*action)->m_TriggerKeys, triggerKeys) == 0 && index-- == 0)
        {
            m_bIndexValid = false;
            m_Actions.erase(action);
            return true;
        }
    return false;
}

bool CMessageHookBase::CRemapGroup::f_IgnoresAllKeys() const
{
    return m_IgnoreKeys.f_GetCount() == 1 && m_IgnoreKeys[0].m_Code == 0;
}

NTev::CStr CMessageHookBase::CRemapGroup::f_GetIgnoreLabel() const
{
    if (m_IgnoreKeys.f_IsEmpty())
        return "Ignore no keys";
    if (f_IgnoresAllKeys())
        return "Ignore all keys";
    NTev::CStr label;
    NTev::gf_Format(label, "Dont ignore these keys ( {} )", f_FormatKeys(m_IgnoreKeys, false));
    return label;
}

// ---- tables ---------------------------------------------------------------------------------

CMessageHookBase::CRemapGroup* CMessageHookBase::CRemapTable::f_FindGroup(const char* name) const
{
    auto found = m_GroupsByName.find(NTev::CStr(name));
    return found != m_GroupsByName.end() ? found->second : nullptr;
}

CMessageHookBase::CRemapGroup*
CMessageHookBase::CRemapTable::f_FindGroupByPriority(std::int32_t priority) const
{
    auto found = m_GroupsByPriority.find(priority);
    return found != m_GroupsByPriority.end() ? found->second.get() : nullptr;
}

CMessageHookBase::CRemapGroup* CMessageHookBase::CRemapTable::f_AddGroup(std::unique_ptr<CRemapGroup> group)
{
    if (m_GroupsByName.count(group->m_Name) || m_GroupsByPriority.count(group->m_Priority))
        return nullptr;
    CRemapGroup* added = group.get();
    added->m_pTable = this;
    m_GroupsByName.emplace(added->m_Name, added);
    m_GroupsByPriority.emplace(added->m_Priority, static_cast<std::unique_ptr<CRemapGroup>&&>(group));
    return added;
}

void CMessageHookBase::CRemapTable::f_DeleteGroup(CRemapGroup* group)
{
    const NTev::CStr name = group->m_Name;
    const std::int32_t priority = group->m_Priority;
    m_GroupsByName.erase(name);
    m_GroupsByPriority.erase(priority);
}

// ---- configuration --------------------------------------------------------------------------

CMessageHookBase::CRemapTable* CMessageHookBase::CConfiguration::f_FindTable(const char* name) const
{
    auto found = m_Tables.find(NTev::CStr(name));
    return found != m_Tables.end() ? found->second.get() : nullptr;
}

CMessageHookBase::CPreset* CMessageHookBase::CConfiguration::f_FindPreset(const char* name) const
{
    auto found = m_Presets.find(NTev::CStr(name));
    return found != m_Presets.end() ? found->second.get() : nullptr;
}

CMessageHookBase::CRemapTable* CMessageHookBase::CConfiguration::f_GetFirstTable() const
{
    return m_Tables.empty() ? nullptr : m_Tables.begin()->second.get();
}

CMessageHookBase::CPreset* CMessageHookBase::CConfiguration::f_GetFirstPreset() const
{
    return m_Presets.empty() ? nullptr : m_Presets.begin()->second.get();
}

void CMessageHookBase::CConfiguration::f_ResolveDefaults(const char* defaultTable, const char* defaultPreset)
{
    m_pDefaultTable = f_FindTable(defaultTable);
    if (!m_pDefaultTable)
        m_pDefaultTable = f_GetFirstTable();
    m_pDefaultPreset = f_FindPreset(defaultPreset);
    if (!m_pDefaultPreset)
        m_pDefaultPreset = f_GetFirstPreset();
    m_pCurrentTable = m_pDefaultTable;
    m_pCurrentPreset = m_pDefaultPreset;
}

void CMessageHookBase::CConfiguration::f_SetBackReferences()
{
    for (auto& table : m_Tables)
    {
        table.second->m_pEngine = &m_Engine;
        for (auto& group : table.second->m_GroupsByPriority)
        {
            group.second->m_pTable = table.second.get();
            for (auto& action : group.second->m_Actions)
                action->m_pOwner = &m_Engine;
        }
    }
}

namespace
{
void fg_ReplaceCode(CMessageHookBase::CKeys& keys, std::int32_t from, std::int32_t to)
{
    for (CMessageHookBase::CKey& key : keys)
        if (key.m_Device == EKeyDevice_Keyboard && key.m_Code == from)
            key.m_Code = to;
}
} // namespace

void CMessageHookBase::CConfiguration::f_ReplaceKeyboardCode(std::int32_t from, std::int32_t to,
                                                             bool bAlsoGenerated)
{
    for (auto& table : m_Tables)
        for (auto& group : table.second->m_GroupsByPriority)
        {
            fg_ReplaceCode(group.second->m_IgnoreKeys, from, to);
            // Changed trigger keys may change the order of the actions: sort them again.
            std::vector<std::unique_ptr<CAccelerator>> actions =
                static_cast<std::vector<std::unique_ptr<CAccelerator>>&&>(group.second->m_Actions);
            group.second->m_Actions.clear();
            for (auto& action : actions)
            {
                fg_ReplaceCode(action->m_TriggerKeys, from, to);
                CAccelerator::fs_SortTriggerKeys(action->m_TriggerKeys);
                if (bAlsoGenerated && action->m_Kind == EActionKind_Input)
                {
                    auto& input = static_cast<CAccelerator_Input&>(*action);
                    for (CKeys& sequence : input.m_Sequences)
                        fg_ReplaceCode(sequence, from, to);
                    fg_ReplaceCode(input.m_ReleaseKeys, from, to);
                }
            }
            group.second->f_SetActions(static_cast<std::vector<std::unique_ptr<CAccelerator>>&&>(actions));
        }
}
} // namespace NQuillon
