#pragma once
// The service's end of the session agent: it hands the engine's desktop work to the agent and
// takes the agent's answers and Eject key presses back into the engine.
//
// Lock states come back asynchronously: a press asks, and the pair is written when the answer
// comes. A question waits at most mc_AnswerSeconds; an answer that comes later, answers nothing
// asked, or comes from an agent that has since gone, is dropped, since the state it reports may
// no longer hold.

#include "agent/AgentTransport.h"
#include "engine/MessageHook.h"

#include "core/Mutual.h"

#include <array>

namespace NQuillon
{
class CServiceAgentLink final : public CMessageHook::ICSessionAgent, public ICAgentReceiver
{
public:
    static constexpr double mc_AnswerSeconds = 1.0;
    // Questions waiting at once; a further one pushes out the oldest.
    static constexpr std::size_t mc_MaxQuestions = 8;

    CServiceAgentLink(CMessageHook& engine, ICAgentSender& sender) noexcept
        : m_Engine(engine), m_Sender(sender)
    {
    }

    // Without the filter driver the agent captures the session's input with the low-level
    // hooks. The service's turn tells whether its device is open; one closed this long counts
    // as absent (the channel opens it within moments of the start).
    static constexpr double mc_DeviceSettleSeconds = 1.0;
    void f_OnTurn(double now, bool filterDeviceOpen);

    bool f_RunWindowOperation(std::int32_t code) override;
    bool f_SetLockState(std::int32_t virtualKey, std::uint16_t scanCode, bool on) override;

    void f_OnAgentMessage(const CAgentMessage& message) override;
    void f_OnAgentConnection(bool connected) override;

private:
    struct CQuestion
    {
        std::uint32_t m_Ticket = 0;
        std::int32_t m_VirtualKey = 0;
        std::uint16_t m_ScanCode = 0;
        bool m_bOn = false;
        double m_AskedAt = 0;
        bool m_bOpen = false;
    };

    void fp_OnLockState(const CAgentMessage& message);
    void fp_SendCapture(bool on);
    // Tells the connected agent of a reboot marker not told yet.
    void fp_TellRebootNotice();

    CMessageHook& m_Engine;
    ICAgentSender& m_Sender;
    NTev::CMutual m_Lock;
    std::array<CQuestion, mc_MaxQuestions> m_Questions{};
    std::uint32_t m_NextTicket = 1;
    bool m_bConnected = false;
    // Engine time since which the device has been closed; below 0 while open or not yet seen.
    double m_DeviceClosedSince = -1;
    bool m_bCaptureWanted = false;
    // What the connected agent was last told.
    bool m_bAgentCaptures = false;
    // The agent's Eject key is down.
    bool m_bEjectHeld = false;
};
} // namespace NQuillon
