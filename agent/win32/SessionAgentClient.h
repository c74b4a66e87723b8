#pragma once
// An agent in this process, for the service of this machine: the tray process hosts one for as
// long as it runs, reconnecting whenever the service comes back; the hidden agent the service
// starts ends with its connection.

#include "agent/SessionAgentHost.h"
#include "agent/win32/AgentPipeClient.h"

namespace NQuillon
{
class CSessionAgentClient
{
public:
    explicit CSessionAgentClient(CMessageHook& engine) : m_Host(engine, m_Client), m_Client(m_Host) {}
    // Stops the connection before the host goes.
    ~CSessionAgentClient() { m_Client.f_Stop(); }
    CSessionAgentClient(const CSessionAgentClient&) = delete;
    CSessionAgentClient& operator=(const CSessionAgentClient&) = delete;

    // hidden: the connection is not tried again once it ended.
    void f_Start(bool hidden)
    {
        m_Client.f_SetRetry(!hidden);
        m_Client.f_Start();
    }
    void f_Stop() { m_Client.f_Stop(); }
    bool f_WaitEnded(std::uint32_t milliseconds) { return m_Client.f_WaitEnded(milliseconds); }
    bool f_IsConnected() { return m_Client.f_IsConnected(); }

private:
    CSessionAgentHost m_Host;
    CAgentPipeClient m_Client;
};
} // namespace NQuillon
