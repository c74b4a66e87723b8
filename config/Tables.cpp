// The engine object's configuration lifetime, and the table changes.

#include "config/Configuration.h"
#include "config/Settings.h"

#include <algorithm>

namespace NQuillon
{
CMessageHookBase::CMessageHookBase()
    : m_pConfiguration(std::make_unique<CConfiguration>(*this)),
      m_pSettingValues(std::make_unique<CSettingValues>())
{
}

CMessageHookBase::~CMessageHookBase() = default;

namespace
{
// Activation groups may themselves switch tables. A table that is already being activated
// further up becomes current again without rerunning its groups, so tables that switch to each
// other end; the depth and the actions run by one outer activation are bounded as well, so that
// no file can make a table switch expensive.
constexpr std::size_t mc_MaxActivationDepth = 8;
constexpr std::uint32_t mc_MaxActivationActions = 4096;
} // namespace

void CMessageHookBase::fp_RunActivation()
{
    CRemapTable* table = m_pConfiguration->m_pCurrentTable;
    if (!table || !m_bOwnsInput)
        return;
    CActivationRun outer;
    const bool isOuter = !m_pActivationRun;
    if (isOuter)
        m_pActivationRun = &outer;
    CActivationRun& run = *m_pActivationRun;
    struct CScope
    {
        CMessageHookBase& m_Engine;
        bool m_bOuter;
        bool m_bPushed = false;
        ~CScope()
        {
            if (m_bPushed)
                m_Engine.m_pActivationRun->m_Active.pop_back();
            if (m_bOuter)
                m_Engine.m_pActivationRun = nullptr;
        }
    } scope{*this, isOuter};
    if (run.m_Active.size() >= mc_MaxActivationDepth ||
        std::find(run.m_Active.begin(), run.m_Active.end(), table) != run.m_Active.end())
        return;
    run.m_Active.push_back(table);
    scope.m_bPushed = true;
    for (auto& group : table->m_GroupsByPriority)
    {
        if (!(group.second->m_Flags & EGroupFlag_RunOnActivate))
            continue;
        for (auto& action : group.second->m_Actions)
        {
            if (run.m_ActionsRun >= mc_MaxActivationActions)
                return;
            ++run.m_ActionsRun;
            action->f_OnPress();
            action->f_OnRelease();
        }
    }
}

void CMessageHookBase::f_ActivateTable(const char* name)
{
    CLockGuard lock(m_Lock);
    m_pConfiguration->m_pCurrentTable = m_pConfiguration->f_FindTable(name);
    f_OnRemappingMayHaveStopped();
    fp_RunActivation();
}

bool CMessageHookBase::f_IsRemappingActive() const noexcept
{
    return m_bOwnsInput && m_pConfiguration->m_pCurrentTable && !m_pConfiguration->m_bRemappingDisabled;
}

NTev::CStr CMessageHookBase::f_GetCurrentTableName()
{
    CLockGuard lock(m_Lock);
    CRemapTable* table = m_pConfiguration->m_pCurrentTable;
    return table ? table->m_Name : NTev::CStr();
}

NTev::CStr CMessageHookBase::f_GetDefaultTableName()
{
    CLockGuard lock(m_Lock);
    CRemapTable* table = m_pConfiguration->m_pDefaultTable;
    return table ? table->m_Name : NTev::CStr();
}

void CMessageHookBase::f_SetDefaultTable(const char* name)
{
    CEdit edit(*this);
    if (!fp_CanEdit())
        return;
    m_pConfiguration->m_pDefaultTable = m_pConfiguration->f_FindTable(name);
    edit.f_Save();
}

bool CMessageHookBase::f_ToggleRemapping()
{
    CEdit edit(*this);
    m_pConfiguration->m_bRemappingDisabled = !m_pConfiguration->m_bRemappingDisabled;
    f_ReleaseAllKeys();
    // After a load that gave up the flip holds in this process only.
    return !fp_CanEdit() || edit.f_Save();
}
} // namespace NQuillon
