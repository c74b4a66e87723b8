#include "agent/win32/AgentService.h"

#include <wtsapi32.h>

namespace NQuillon
{
namespace
{
using CGuard = NTev::TCMutualLock<NTev::CMutual>;
// The supervisor's turn: how soon a gone agent is noticed.
constexpr double gc_TurnSeconds = 1.0;
} // namespace

CAgentService::CAgentService(CMessageHook& engine)
    : m_Engine(engine), m_Link(engine, m_Server), m_Server(m_Link), m_Sessions(m_Server),
      m_Supervisor(m_Sessions), m_SettingsSystem(m_Sessions), m_ConsoleSettings(m_SettingsSystem, engine)
{
    // The user's other programs pass the pipe's DACL too; only this program is taken.
    m_Server.f_SetAgentProgram(CSessionSystem::fs_GetProgramPath().c_str());
    f_GetStopEvent().f_Link(m_Wake);
}

CAgentService::~CAgentService()
{
    f_Stop(true);
}

std::uintptr_t CAgentService::f_Stop(bool wait)
{
    const std::uintptr_t result = ICThread::f_Stop(false);
    m_Wake.f_Signal();
    return wait ? ICThread::f_Stop(true) : result;
}

void CAgentService::f_OnSessionChange(ESessionChange change, std::uint32_t session)
{
    {
        CGuard lock(m_ChangesLock);
        m_Changes.push_back({change, session});
    }
    m_Wake.f_Signal();
}

std::uintptr_t CAgentService::f_Run()
{
    m_Supervisor.f_Start(m_Engine.f_GetEngineTime());
    while (!f_IsStopRequested())
    {
        std::vector<CChange> changes;
        {
            CGuard lock(m_ChangesLock);
            changes.swap(m_Changes);
        }
        for (const CChange& change : changes)
        {
            m_Supervisor.f_OnSessionChange(m_Engine.f_GetEngineTime(), change.m_Change, change.m_Session);
            m_ConsoleSettings.f_OnSessionChange(change.m_Change, change.m_Session);
        }
        m_ConsoleSettings.f_Tick();
        m_Supervisor.f_Tick(m_Engine.f_GetEngineTime(), m_Server.f_IsConnected());
        m_Link.f_OnTurn(m_Engine.f_GetEngineTime(), m_Engine.f_IsFilterDeviceOpen());
        m_Wake.f_WaitClockSeconds(gc_TurnSeconds);
    }
    m_Supervisor.f_Stop();
    return 0;
}

ESessionChange gf_SessionChangeOf(DWORD eventType) noexcept
{
    switch (eventType)
    {
        case WTS_CONSOLE_CONNECT:
            return ESessionChange::ConsoleConnect;
        case WTS_CONSOLE_DISCONNECT:
            return ESessionChange::ConsoleDisconnect;
        case WTS_SESSION_LOGON:
            return ESessionChange::Logon;
        case WTS_SESSION_LOGOFF:
            return ESessionChange::Logoff;
        default:
            return ESessionChange::Other;
    }
}
} // namespace NQuillon
