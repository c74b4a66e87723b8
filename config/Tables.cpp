// The engine object's configuration lifetime, and the table changes.

#include "config/Configuration.h"
#include "config/Settings.h"

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
// A run-on-activate group may itself switch tables; tables that switch to each other must not
// recurse without end.
constexpr int mc_MaxActivationDepth = 8;
thread_local int g_ActivationDepth = 0;
} // namespace

void CMessageHookBase::fp_RunActivation()
{
    CRemapTable* table = m_pConfiguration->m_pCurrentTable;
    if (!table || !m_bOwnsInput || g_ActivationDepth >= mc_MaxActivationDepth)
        return;
    ++g_ActivationDepth;
    struct CDepth
    {
        ~CDepth() { --g_ActivationDepth; }
    } depth;
    for (auto& group : table->m_GroupsByPriority)
    {
        if (!(group.second->m_Flags & EGroupFlag_RunOnActivate))
            continue;
        for (auto& action : group.second->m_Actions)
        {
            action->f_OnPress();
            action->f_OnRelease();
        }
    }
}

void CMessageHookBase::f_ActivateTable(const char* name)
{
    CLockGuard lock(m_Lock);
    m_pConfiguration->m_pCurrentTable = m_pConfiguration->f_FindTable(name);
    fp_RunActivation();
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
    CLockGuard lock(m_Lock);
    if (!fp_CanEdit())
        return;
    m_pConfiguration->m_pDefaultTable = m_pConfiguration->f_FindTable(name);
    f_SaveSettings();
}

void CMessageHookBase::f_ToggleRemapping()
{
    CLockGuard lock(m_Lock);
    m_pConfiguration->m_bRemappingDisabled = !m_pConfiguration->m_bRemappingDisabled;
    f_ReleaseAllKeys();
    if (fp_CanEdit())
        f_SaveSettings();
}
} // namespace NQuillon
