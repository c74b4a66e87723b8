#include "agent/AgentSupervisor.h"

#include <algorithm>

namespace NQuillon
{
void CAgentSupervisor::f_Start(double now)
{
    fp_Follow(now, true);
}

void CAgentSupervisor::f_OnSessionChange(double now, ESessionChange change, std::uint32_t session)
{
    switch (change)
    {
        case ESessionChange::ConsoleConnect:
        case ESessionChange::ConsoleDisconnect:
            fp_Follow(now, false);
            break;
        case ESessionChange::Logon:
        case ESessionChange::Logoff:
            // A new logon in the served session has a new token even for the same user.
            fp_Follow(now, session == m_Session);
            break;
        case ESessionChange::Restart:
            fp_Follow(now, true);
            break;
        case ESessionChange::Other:
            break;
    }
}

void CAgentSupervisor::fp_Follow(double now, bool force)
{
    const std::uint32_t session = m_Sessions.f_GetConsoleSession();
    NTev::CStr user;
    if (session != ICAgentSessions::mc_NoSession)
        user = m_Sessions.f_GetSessionUser(session);
    if (!force && m_bServing && session == m_Session && user.f_Compare(m_User.f_GetStr()) == 0)
        return;
    // Serving again lets the old agent go, and a hidden one ends by itself once let go. The
    // pipe itself is closed only when no session is left to serve: a name left free for a
    // moment could be taken by another session's user.
    if (session == ICAgentSessions::mc_NoSession)
        m_Sessions.f_StopServing();
    m_bServing = session != ICAgentSessions::mc_NoSession && m_Sessions.f_Serve(session, user.f_GetStr());
    m_Sessions.f_EndLaunchedAgent();
    m_bLaunched = false;
    m_bConnected = false;
    m_Session = session;
    m_User = user;
    m_Pause = mc_FirstPauseSeconds;
    m_NextLaunch = now + (m_bServing ? mc_TrayGraceSeconds : mc_FirstPauseSeconds);
}

void CAgentSupervisor::f_Tick(double now, bool agentConnected)
{
    if (!m_bServing)
    {
        // The pipe could not be made (another process holds its name): tried again later.
        if (m_Session != ICAgentSessions::mc_NoSession && now >= m_NextLaunch)
        {
            m_bServing = m_Sessions.f_Serve(m_Session, m_User.f_GetStr());
            m_NextLaunch = now + (m_bServing ? mc_TrayGraceSeconds : mc_FirstPauseSeconds);
        }
        return;
    }
    if (agentConnected)
    {
        if (!m_bConnected)
            m_ConnectedSince = now;
        m_bConnected = true;
        if (now - m_ConnectedSince >= mc_SettleSeconds)
            m_Pause = mc_FirstPauseSeconds;
        return;
    }
    if (m_bConnected)
    {
        // The agent went: the next one comes after the pause, which keeps growing with each
        // launch while agents go soon after they came.
        m_bConnected = false;
        if (now - m_ConnectedSince >= mc_SettleSeconds)
            m_Pause = mc_FirstPauseSeconds;
        m_NextLaunch = now + m_Pause;
    }
    if (m_bLaunched && m_Sessions.f_IsLaunchedAgentRunning())
    {
        // Started but not connected: it may still be on its way, but not for ever.
        if (now - m_LaunchedAt < mc_SettleSeconds)
            return;
        m_Sessions.f_EndLaunchedAgent();
        m_bLaunched = false;
    }
    // Before anyone logs on there is no user to run an agent as: the service's own account
    // would put a SYSTEM process on the user's desktop. The logon brings the agent.
    if (now >= m_NextLaunch && !m_User.f_IsEmpty())
        fp_Launch(now);
}

void CAgentSupervisor::fp_Launch(double now)
{
    m_bLaunched = m_Sessions.f_LaunchAgent(m_Session);
    m_LaunchedAt = now;
    m_NextLaunch = now + m_Pause;
    m_Pause = std::min(m_Pause * 2, mc_LastPauseSeconds);
}

void CAgentSupervisor::f_Stop()
{
    m_Sessions.f_StopServing();
    m_Sessions.f_EndLaunchedAgent();
    m_bServing = false;
    m_bLaunched = false;
    m_bConnected = false;
}
} // namespace NQuillon
