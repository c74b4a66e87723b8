// Configuration operations on actions.

#include "actions/EngineActions.h"
#include "config/Operations.h"

namespace NQuillon
{
CMessageHookBase::CAccelerator* gf_FindBoundAction(CMessageHookBase::CConfiguration& configuration,
                                                   const char* table, const char* groupLabel,
                                                   const CMessageHookBase::CActionRef& action)
{
    CMessageHookBase::CRemapGroup* group = gf_FindGroupByLabel(configuration, table, groupLabel);
    return group ? group->f_FindAction(action.m_TriggerKeys, action.m_Index) : nullptr;
}

namespace
{
CMessageHookBase::CAccelerator_Input* fg_AsInput(CMessageHookBase::CAccelerator* action)
{
    return action && action->m_Kind == EActionKind_Input
               ? static_cast<CMessageHookBase::CAccelerator_Input*>(action)
               : nullptr;
}
} // namespace

bool CMessageHookBase::f_CreateAction(const char* table, const char* group, const CKeys& triggerKeys,
                                      EActionKind kind, const char* className)
{
    CEdit edit(*this);
    CRemapGroup* found = gf_FindGroupByLabel(*m_pConfiguration, table, group);
    if (!fp_CanEdit() || !found)
        return false;
    CKeys sorted(triggerKeys);
    CAccelerator::fs_SortTriggerKeys(sorted);
    if (found->f_FindAction(sorted))
        return false;
    std::unique_ptr<CAccelerator> action = CAccelerator::fs_Create(kind, className);
    if (!action)
        return false;
    action->m_TriggerKeys = sorted;
    action->m_Flags = 0;
    action->m_pOwner = this;
    found->f_InsertAction(static_cast<std::unique_ptr<CAccelerator>&&>(action));
    return edit.f_Save();
}

bool CMessageHookBase::f_DeleteAction(const char* table, const char* group, const CActionRef& bound)
{
    CEdit edit(*this);
    CRemapGroup* found = gf_FindGroupByLabel(*m_pConfiguration, table, group);
    if (!fp_CanEdit() || !found || !found->f_FindAction(bound.m_TriggerKeys, bound.m_Index))
        return false;
    f_OnConfigurationChanging();
    found->f_DeleteAction(bound.m_TriggerKeys, bound.m_Index);
    return edit.f_Save();
}

bool CMessageHookBase::f_GetActionFlags(const char* table, const char* group, const CActionRef& bound,
                                        std::uint32_t& flags)
{
    CLockGuard lock(m_Lock);
    CAccelerator* action = gf_FindBoundAction(*m_pConfiguration, table, group, bound);
    if (!action)
        return false;
    flags = action->m_Flags;
    return true;
}

bool CMessageHookBase::f_SetActionFlags(const char* table, const char* group, const CActionRef& bound,
                                        std::uint32_t flags)
{
    CEdit edit(*this);
    CAccelerator* action = gf_FindBoundAction(*m_pConfiguration, table, group, bound);
    if (!fp_CanEdit() || !action)
        return false;
    action->m_Flags = flags;
    return edit.f_Save();
}

bool CMessageHookBase::f_GetActionOptions(const char* table, const char* group, const CActionRef& bound,
                                          std::vector<CActionOptionGroup>& options)
{
    CLockGuard lock(m_Lock);
    CAccelerator* action = gf_FindBoundAction(*m_pConfiguration, table, group, bound);
    if (!action)
        return false;
    options.clear();
    action->f_GetOptions(options);
    return true;
}

bool CMessageHookBase::f_SetActionOptions(const char* table, const char* group, const CActionRef& bound,
                                          const std::vector<CActionOptionGroup>& options)
{
    CEdit edit(*this);
    CAccelerator* action = gf_FindBoundAction(*m_pConfiguration, table, group, bound);
    if (!fp_CanEdit() || !action)
        return false;
    action->f_SetOptions(options);
    return edit.f_Save();
}

bool CMessageHookBase::f_GetActionKind(const char* table, const char* group, const CActionRef& bound,
                                       EActionKind& kind)
{
    CLockGuard lock(m_Lock);
    CAccelerator* action = gf_FindBoundAction(*m_pConfiguration, table, group, bound);
    if (!action)
        return false;
    kind = action->m_Kind;
    return true;
}

bool CMessageHookBase::f_GetActionRemapTable(const char* table, const char* group, const CActionRef& bound,
                                             NTev::CStr& tableName)
{
    CLockGuard lock(m_Lock);
    CAccelerator* action = gf_FindBoundAction(*m_pConfiguration, table, group, bound);
    if (!action || action->m_Kind != EActionKind_RemapTable)
        return false;
    tableName = static_cast<CAccelerator_RemapTable*>(action)->m_TableName;
    return true;
}

bool CMessageHookBase::f_SetActionRemapTable(const char* table, const char* group, const CActionRef& bound,
                                             const char* tableName)
{
    CEdit edit(*this);
    CAccelerator* action = gf_FindBoundAction(*m_pConfiguration, table, group, bound);
    if (!fp_CanEdit() || !action || action->m_Kind != EActionKind_RemapTable)
        return false;
    static_cast<CAccelerator_RemapTable*>(action)->m_TableName = tableName;
    return edit.f_Save();
}

bool CMessageHookBase::f_GetGenerateSequenceCount(const char* table, const char* group,
                                                  const CActionRef& bound, std::uint32_t& count)
{
    CLockGuard lock(m_Lock);
    CAccelerator_Input* input = fg_AsInput(gf_FindBoundAction(*m_pConfiguration, table, group, bound));
    if (!input)
        return false;
    count = static_cast<std::uint32_t>(input->m_Sequences.size());
    return true;
}

bool CMessageHookBase::f_SetGenerateSequenceCount(const char* table, const char* group,
                                                  const CActionRef& bound, std::uint32_t count)
{
    CEdit edit(*this);
    CAccelerator_Input* input = fg_AsInput(gf_FindBoundAction(*m_pConfiguration, table, group, bound));
    if (!fp_CanEdit() || !input || count > mc_MaxGenerateSequences)
        return false;
    input->m_Sequences.resize(count);
    return edit.f_Save();
}

bool CMessageHookBase::f_GetGenerateSequence(const char* table, const char* group, const CActionRef& bound,
                                             std::uint32_t index, CKeys& sequence)
{
    CLockGuard lock(m_Lock);
    CAccelerator_Input* input = fg_AsInput(gf_FindBoundAction(*m_pConfiguration, table, group, bound));
    if (!input || index >= input->m_Sequences.size())
        return false;
    sequence = input->m_Sequences[index];
    return true;
}

bool CMessageHookBase::f_SetGenerateSequence(const char* table, const char* group, const CActionRef& bound,
                                             std::uint32_t index, const CKeys& sequence)
{
    CEdit edit(*this);
    CAccelerator_Input* input = fg_AsInput(gf_FindBoundAction(*m_pConfiguration, table, group, bound));
    if (!fp_CanEdit() || !input || index >= input->m_Sequences.size())
        return false;
    input->m_Sequences[index] = sequence;
    return edit.f_Save();
}

bool CMessageHookBase::f_GetReleaseKeys(const char* table, const char* group, const CActionRef& bound,
                                        CKeys& keys)
{
    CLockGuard lock(m_Lock);
    CAccelerator_Input* input = fg_AsInput(gf_FindBoundAction(*m_pConfiguration, table, group, bound));
    if (!input)
        return false;
    keys = input->m_ReleaseKeys;
    return true;
}

bool CMessageHookBase::f_SetReleaseKeys(const char* table, const char* group, const CActionRef& bound,
                                        const CKeys& keys)
{
    CEdit edit(*this);
    CAccelerator_Input* input = fg_AsInput(gf_FindBoundAction(*m_pConfiguration, table, group, bound));
    if (!fp_CanEdit() || !input)
        return false;
    input->m_ReleaseKeys = keys;
    return edit.f_Save();
}
} // namespace NQuillon
