#include "config/SettingsSource.h"

namespace NQuillon
{
namespace
{
thread_local ICSettingsSource* t_pEnteredSource = nullptr;
} // namespace

CSettingsSourceScope::CSettingsSourceScope(ICSettingsSource* pSource)
{
    if (!pSource || pSource == t_pEnteredSource)
        return;
    m_bOpen = pSource->f_Enter();
    if (!m_bOpen)
        return;
    m_pEntered = pSource;
    m_pOuter = t_pEnteredSource;
    t_pEnteredSource = pSource;
}

CSettingsSourceScope::~CSettingsSourceScope()
{
    if (!m_pEntered)
        return;
    m_pEntered->f_Leave();
    t_pEnteredSource = m_pOuter;
}
} // namespace NQuillon
