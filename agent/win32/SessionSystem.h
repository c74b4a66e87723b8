#pragma once
// The system's sessions as the agent supervisor sees them: the console session, its user, the
// agent pipe and the hidden agent started as that user with "-SessionAgent".

#include "agent/AgentSupervisor.h"

#include <string>

#include <windows.h>

namespace NQuillon
{
class CAgentPipeServer;

class CSessionSystem final : public ICAgentSessions
{
public:
    explicit CSessionSystem(CAgentPipeServer& server) noexcept : m_Server(server) {}
    // Ends the launched agent.
    ~CSessionSystem();
    CSessionSystem(const CSessionSystem&) = delete;
    CSessionSystem& operator=(const CSessionSystem&) = delete;

    std::uint32_t f_GetConsoleSession() override;
    NTev::CStr f_GetSessionUser(std::uint32_t session) override;
    bool f_Serve(std::uint32_t session, const char* user) override;
    void f_StopServing() override;
    bool f_LaunchAgent(std::uint32_t session) override;
    bool f_IsLaunchedAgentRunning() override;
    void f_EndLaunchedAgent() override;

    DWORD f_GetLaunchedAgentId() const noexcept { return m_AgentId; }
    // This program's file, with Windows separators: the agent's program.
    static std::wstring fs_GetProgramPath();

private:
    CAgentPipeServer& m_Server;
    HANDLE m_hAgent = nullptr;
    DWORD m_AgentId = 0;
};
} // namespace NQuillon
