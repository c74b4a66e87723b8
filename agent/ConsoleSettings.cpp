#include "agent/ConsoleSettings.h"

#include "config/MessageHookBase.h"
#include "core/Format.h"

namespace NQuillon
{
void CConsoleSettings::f_Start()
{
    fp_Follow(true);
}

void CConsoleSettings::f_OnSessionChange(ESessionChange change, std::uint32_t session)
{
    switch (change)
    {
        case ESessionChange::ConsoleConnect:
        case ESessionChange::ConsoleDisconnect:
            fp_Follow(false);
            break;
        case ESessionChange::Logon:
        case ESessionChange::Logoff:
            fp_Follow(session == m_Session);
            break;
        case ESessionChange::Restart:
        case ESessionChange::Other:
            break;
    }
}

void CConsoleSettings::f_Tick()
{
    if (m_bRetryUser)
        fp_Follow(true);
}

void CConsoleSettings::fp_Follow(bool force)
{
    const std::uint32_t session = m_System.f_GetConsoleSession();
    NTev::CStr user;
    if (session != ICAgentSessions::mc_NoSession)
        user = m_System.f_GetSessionUser(session);
    const bool same = m_bFollowing && session == m_Session && user == m_User;
    if (!force && same)
        return;
    std::shared_ptr<ICSettingsSource> source;
    if (!user.f_IsEmpty())
        source = m_System.f_OpenUserSettings(session);
    const bool userMissing = !user.f_IsEmpty() && !source;
    // Still without the user's settings: the machine's stay in force, not loaded again.
    if (userMissing && same && m_bRetryUser)
        return;
    if (userMissing)
        NTev::gf_DebugOutput("The settings of the user in session {} cannot be opened: the program "
                             "folder's apply meanwhile\n",
                             session);
    m_bRetryUser = userMissing;
    // Never the previous user's: the machine's settings apply until the user's can be opened.
    if (!source)
        source = m_System.f_OpenMachineSettings();
    m_Session = session;
    m_User = user;
    m_bFollowing = true;
    NTev::gf_DebugOutput("The engine applies the settings in {}\n",
                         source ? source->f_GetDirectory().f_GetStr() : "the settings directory");
    m_Engine.f_SetSettingsSource(static_cast<std::shared_ptr<ICSettingsSource>&&>(source));
}
} // namespace NQuillon
