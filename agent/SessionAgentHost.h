#pragma once
// The agent's end: in the user's session it runs the service's window operations on the
// engine's input desktop thread, reads lock states where they are the user's, sends the
// laptop's Eject key to the service and passes notices on. The tray process and the hidden
// agent the service starts both host it.

#include "agent/AgentTransport.h"
#include "engine/MessageHook.h"

#include <atomic>

namespace NQuillon
{
class CSessionAgentHost final : public ICAgentReceiver, public CMessageHook::ICEjectKeySink
{
public:
    CSessionAgentHost(CMessageHook& engine, ICAgentSender& sender) noexcept
        : m_Engine(engine), m_Sender(sender)
    {
    }
    // Gives the Eject key back to the engine.
    ~CSessionAgentHost();

    void f_OnAgentMessage(const CAgentMessage& message) override;
    void f_OnAgentConnection(bool connected) override;
    void f_OnEjectKey(bool down) override;

    bool f_IsConnected() const noexcept { return m_bConnected.load(); }

private:
    CMessageHook& m_Engine;
    ICAgentSender& m_Sender;
    std::atomic<bool> m_bConnected{false};
    // This engine captures the session's input for the service (which has no filter driver).
    std::atomic<bool> m_bCaptures{false};
};
} // namespace NQuillon
