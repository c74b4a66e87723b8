#pragma once
// The service's side of the session agent on Windows: the pipe, the link the engine hands its
// desktop work to, and a thread that keeps an agent serving the console session. Session
// changes come from the service's control handler and are only queued there.

#include "agent/AgentSupervisor.h"
#include "agent/ConsoleSettings.h"
#include "agent/ServiceAgentLink.h"
#include "agent/win32/AgentPipeServer.h"
#include "agent/win32/ConsoleSettingsSystem.h"
#include "agent/win32/SessionSystem.h"

#include "core/Thread.h"

#include <vector>

namespace NQuillon
{
class CAgentService final : public NTev::NThread::ICThread
{
public:
    explicit CAgentService(CMessageHook& engine);
    ~CAgentService() override;

    CMessageHook::ICSessionAgent& f_GetLink() noexcept { return m_Link; }
    // Hands the engine the settings of the user at the console; before the engine's first load
    // and before the thread starts, which follows the console from then on.
    void f_FollowConsoleSettings() { m_ConsoleSettings.f_Start(); }
    // Never blocks: the change is handled on the agent service's thread.
    void f_OnSessionChange(ESessionChange change, std::uint32_t session);
    // Also wakes the thread.
    std::uintptr_t f_Stop(bool wait) override;

    bool f_IsAgentConnected() const { return m_Server.f_IsConnected(); }
    std::uint32_t f_GetAgentProcessId() const { return m_Server.f_GetAgentProcessId(); }

protected:
    std::uintptr_t f_Run() override;

private:
    struct CChange
    {
        ESessionChange m_Change;
        std::uint32_t m_Session;
    };

    CMessageHook& m_Engine;
    CServiceAgentLink m_Link;
    CAgentPipeServer m_Server;
    CSessionSystem m_Sessions;
    CAgentSupervisor m_Supervisor;
    CConsoleSettingsSystem m_SettingsSystem;
    CConsoleSettings m_ConsoleSettings;
    NTev::CMutual m_ChangesLock;
    std::vector<CChange> m_Changes;
    NTev::CEventAutoResetAggregate m_Wake;
};

// The session change of a SERVICE_CONTROL_SESSIONCHANGE event type.
ESessionChange gf_SessionChangeOf(DWORD eventType) noexcept;
} // namespace NQuillon
