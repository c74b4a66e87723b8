#pragma once
// The service's end of the agent pipe: one pipe per served session, one agent at a time. The
// pipe admits only SYSTEM and the session's user at medium integrity or above, and the server
// also refuses a client whose process runs in another session or another program. A client that sends
// anything but valid 16-byte agent messages is disconnected; after any disconnect the server waits for the
// next agent.

#include "agent/win32/AgentPipeLink.h"
#include "agent/win32/AgentPipeThread.h"

#include "core/Mutual.h"

#include <atomic>
#include <cstdint>
#include <string>

#include <windows.h>

namespace NQuillon
{
class CAgentPipeServer final : public ICAgentSender
{
public:
    // Bytes the pipe buffers each way: a stalled agent holds this many messages before
    // messages queue and then drop.
    static constexpr DWORD mc_BufferBytes = 4096;

    // The receiver is called on the server's thread; it must not call f_Serve or f_Close.
    explicit CAgentPipeServer(ICAgentReceiver& receiver);
    ~CAgentPipeServer();
    CAgentPipeServer(const CAgentPipeServer&) = delete;
    CAgentPipeServer& operator=(const CAgentPipeServer&) = delete;

    // Serves the session's pipe (pipeName, for tests: that name instead), instead of whatever
    // was served before; a name served already keeps its instance, and its agent is let go
    // (clients find the pipe busy for the moment until it listens again). userSid: the
    // string SID of the session's user; null or empty admits SYSTEM alone. False, and nothing served, when
    // the SID is not valid or the pipe cannot be made, also when another process made the name first.
    bool f_Serve(std::uint32_t session, const char* userSid, const char* pipeName = nullptr);
    // Stops serving; a connected agent is disconnected.
    void f_Close();
    // Only processes of this program file (a Windows path) are taken as agents, from the next
    // client on; the user's other programs, which the DACL cannot tell apart, are refused.
    // Null: any.
    void f_SetAgentProgram(const wchar_t* program);

    // Never blocks: false when no agent is connected or it does not keep up.
    bool f_Send(const CAgentMessage& message) override;
    bool f_IsConnected() const;
    // The connected agent's process, 0 when none.
    std::uint32_t f_GetAgentProcessId() const noexcept { return m_AgentProcessId.load(); }

private:
    void fp_CloseLocked();
    bool fp_StartRun();
    void fp_StopRun();
    void fp_Run();
    // Starts waiting for a client; false when the pipe cannot.
    bool fp_Listen();
    void fp_OnConnected();
    void fp_Disconnect();
    void fp_EndRun() noexcept;

    ICAgentReceiver& m_Receiver;
    CAgentPipeLink m_Link;
    // Serialises f_Serve and f_Close.
    NTev::CMutual m_ControlLock;
    HANDLE m_hPipe = INVALID_HANDLE_VALUE;
    HANDLE m_hConnectEvent;
    OVERLAPPED m_ConnectOverlapped{};
    bool m_bListening = false;
    std::uint32_t m_Session = 0;
    std::atomic<std::uint32_t> m_AgentProcessId{0};
    std::string m_PipeName;
    NTev::CMutual m_ProgramLock;
    std::wstring m_AgentProgram;
    CAgentPipeThread m_Thread;
};
} // namespace NQuillon
