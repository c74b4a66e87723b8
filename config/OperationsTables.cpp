// Configuration operations on tables and groups.

#include "config/Operations.h"

#include <cstdint>
#include <cstring>

namespace NQuillon
{
namespace
{
// "{priority}: " at the start of a dialog label: the length of that prefix and the priority,
// or 0 when the text does not start so.
std::size_t fg_PriorityPrefix(const char* text, std::int32_t& priority)
{
    const char* p = text;
    const bool negative = *p == '-';
    if (negative)
        ++p;
    std::int64_t value = 0;
    const char* digits = p;
    while (*p >= '0' && *p <= '9' && p - digits < 11)
        value = value * 10 + (*p++ - '0');
    if (p == digits || p[0] != ':' || p[1] != ' ')
        return 0;
    value = negative ? -value : value;
    if (value < INT32_MIN || value > INT32_MAX)
        return 0;
    priority = static_cast<std::int32_t>(value);
    return static_cast<std::size_t>(p + 2 - text);
}
} // namespace

CMessageHookBase::CRemapGroup* gf_FindGroupByLabel(CMessageHookBase::CConfiguration& configuration,
                                                   const char* table, const char* groupLabel)
{
    CMessageHookBase::CRemapTable* found = configuration.f_FindTable(table);
    if (!found)
        return nullptr;
    // A text with " | " is the group's node label "{priority}: {name} | {ignore rule}": the
    // priority names the group (priorities are unique in a table) and the text up to " | "
    // must be its name, so that a group named "3: Main" is never taken for "Main" of priority 3.
    // Without a priority the text before " | " is the name. A text without " | " is a name.
    const char* separator = std::strstr(groupLabel, " | ");
    if (!separator)
        return found->f_FindGroup(groupLabel);
    std::int32_t priority = 0;
    const std::size_t prefix = fg_PriorityPrefix(groupLabel, priority);
    if (!prefix)
        return found->f_FindGroup(
            NTev::CStr(groupLabel, static_cast<std::size_t>(separator - groupLabel)).f_GetStr());
    CMessageHookBase::CRemapGroup* group = found->f_FindGroupByPriority(priority);
    if (!group)
        return nullptr;
    const char* name = groupLabel + prefix;
    const std::size_t length = std::strlen(group->m_Name.f_GetStr());
    return std::strncmp(name, group->m_Name.f_GetStr(), length) == 0 &&
                   std::strncmp(name + length, " | ", 3) == 0
               ? group
               : nullptr;
}

bool CMessageHookBase::f_CreateTable(const char* name)
{
    CEdit edit(*this);
    if (!fp_CanEdit() || m_pConfiguration->f_FindTable(name))
        return false;
    auto table = std::make_unique<CRemapTable>(name);
    table->m_pEngine = this;
    CRemapTable* created = table.get();
    m_pConfiguration->m_Tables.emplace(created->m_Name, static_cast<std::unique_ptr<CRemapTable>&&>(table));
    if (!m_pConfiguration->m_pDefaultTable)
        m_pConfiguration->m_pDefaultTable = created;
    return edit.f_Save();
}

bool CMessageHookBase::f_DeleteTable(const char* name)
{
    CEdit edit(*this);
    CConfiguration& configuration = *m_pConfiguration;
    CRemapTable* table = configuration.f_FindTable(name);
    if (!fp_CanEdit() || !table)
        return false;
    f_OnConfigurationChanging();
    const bool wasDefault = configuration.m_pDefaultTable == table;
    const bool wasCurrent = configuration.m_pCurrentTable == table;
    const NTev::CStr tableName = table->m_Name;
    configuration.m_Tables.erase(tableName);
    if (wasDefault)
        configuration.m_pDefaultTable = configuration.f_GetFirstTable();
    if (wasCurrent)
        configuration.m_pCurrentTable = configuration.m_pDefaultTable;
    return edit.f_Save();
}

bool CMessageHookBase::f_CreateGroup(const char* table, const char* name, std::int32_t priority)
{
    CEdit edit(*this);
    CRemapTable* found = m_pConfiguration->f_FindTable(table);
    if (!fp_CanEdit() || !found || !found->f_AddGroup(std::make_unique<CRemapGroup>(name, priority)))
        return false;
    return edit.f_Save();
}

bool CMessageHookBase::f_DeleteGroup(const char* table, const char* group)
{
    CEdit edit(*this);
    CRemapGroup* found = gf_FindGroupByLabel(*m_pConfiguration, table, group);
    if (!fp_CanEdit() || !found)
        return false;
    f_OnConfigurationChanging();
    found->m_pTable->f_DeleteGroup(found);
    return edit.f_Save();
}

bool CMessageHookBase::f_SetGroupIgnoreKeys(const char* table, const char* group, const CKeys& keys)
{
    CEdit edit(*this);
    CRemapGroup* found = gf_FindGroupByLabel(*m_pConfiguration, table, group);
    if (!fp_CanEdit() || !found)
        return false;
    found->m_IgnoreKeys = keys;
    return edit.f_Save();
}

bool CMessageHookBase::f_GetGroupRunOnActivate(const char* table, const char* group, bool& runOnActivate)
{
    CLockGuard lock(m_Lock);
    CRemapGroup* found = gf_FindGroupByLabel(*m_pConfiguration, table, group);
    if (!found)
        return false;
    runOnActivate = (found->m_Flags & EGroupFlag_RunOnActivate) != 0;
    return true;
}

bool CMessageHookBase::f_SetGroupRunOnActivate(const char* table, const char* group, bool runOnActivate)
{
    CEdit edit(*this);
    CRemapGroup* found = gf_FindGroupByLabel(*m_pConfiguration, table, group);
    if (!fp_CanEdit() || !found)
        return false;
    found->m_Flags = runOnActivate ? (found->m_Flags | EGroupFlag_RunOnActivate)
                                   : (found->m_Flags & ~std::uint32_t(EGroupFlag_RunOnActivate));
    return edit.f_Save();
}

std::vector<NTev::CStr> CMessageHookBase::f_ListTableNames()
{
    CLockGuard lock(m_Lock);
    std::vector<NTev::CStr> names;
    for (const auto& table : m_pConfiguration->m_Tables)
        names.push_back(table.first);
    return names;
}

std::vector<CMessageHookBase::CGroupInfo> CMessageHookBase::f_ListGroups(const char* table)
{
    CLockGuard lock(m_Lock);
    std::vector<CGroupInfo> groups;
    if (CRemapTable* found = m_pConfiguration->f_FindTable(table))
        for (const auto& group : found->m_GroupsByPriority)
            groups.push_back(
                {group.second->m_Name, group.second->m_Priority, group.second->f_GetIgnoreLabel()});
    return groups;
}

std::vector<CMessageHookBase::CBindingInfo> CMessageHookBase::f_ListBindings(const char* table,
                                                                             const char* group)
{
    CLockGuard lock(m_Lock);
    std::vector<CBindingInfo> bindings;
    if (CRemapGroup* found = gf_FindGroupByLabel(*m_pConfiguration, table, group))
        for (const auto& action : found->m_Actions)
            bindings.push_back({action->m_TriggerKeys, f_FormatKeys(action->m_TriggerKeys, true),
                                action->f_GetDescription(), action->m_Kind});
    return bindings;
}
} // namespace NQuillon
