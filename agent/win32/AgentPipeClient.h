#pragma once
// The agent's end of the agent pipe, in the tray process or the hidden agent. Its thread
// connects to the pipe of this process's session, trying again about once a second while
// there is none or it is busy, and a second after a lost connection. A message from the
// service that is not valid is traced and dropped; the connection stays.

#include "agent/win32/AgentPipeLink.h"
#include "agent/win32/AgentPipeThread.h"

#include <atomic>
#include <cstdint>
#include <string>

#include <windows.h>

namespace NQuillon
{
class CAgentPipeClient final : public ICAgentSender
{
public:
    static constexpr DWORD mc_RetryMilliseconds = 1000;

    // The receiver is called on the client's thread; it must not call f_Stop.
    explicit CAgentPipeClient(ICAgentReceiver& receiver);
    // Tests: connects to pipeName instead of the session's pipe.
    CAgentPipeClient(ICAgentReceiver& receiver, const char* pipeName);
    ~CAgentPipeClient();
    CAgentPipeClient(const CAgentPipeClient&) = delete;
    CAgentPipeClient& operator=(const CAgentPipeClient&) = delete;

    // Whether to connect again after a connection ended (the default). Without, the thread
    // ends when its first connection ends: a hidden agent exits when the service lets it go.
    void f_SetRetry(bool retry) noexcept { m_bRetry = retry; }
    // Starts the thread unless it runs.
    void f_Start();
    // Stops the thread and waits for it; a connection ends.
    void f_Stop();
    // Waits until the thread has ended (a connection ended without retry, or a stop); true
    // when it has. Also true before the first start.
    bool f_WaitEnded(std::uint32_t milliseconds);

    // Never blocks: false when not connected or the service does not keep up.
    bool f_Send(const CAgentMessage& message) override;
    bool f_IsConnected() const;

private:
    void fp_Run();
    // Serves one connection until it is lost or the thread is asked to stop.
    void fp_Serve(HANDLE pipe);
    void fp_Rest();

    ICAgentReceiver& m_Receiver;
    std::string m_PipeName;
    std::atomic<bool> m_bRetry{true};
    CAgentPipeLink m_Link;
    // Manual reset; set while no run is in progress.
    HANDLE m_hEnded;
    CAgentPipeThread m_Thread;
};
} // namespace NQuillon
