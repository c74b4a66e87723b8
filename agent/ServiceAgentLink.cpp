#include "agent/ServiceAgentLink.h"

#include "actions/plugins/KeyboardLocks.h"

namespace NQuillon
{
namespace
{
using CGuard = NTev::TCMutualLock<NTev::CMutual>;
} // namespace

bool CServiceAgentLink::f_RunWindowOperation(std::int32_t code)
{
    // Codes without an operation stay here: the agent would refuse the message whole.
    if (code < 0 || code >= gc_AgentWindowOperations)
        return false;
    return m_Sender.f_Send({EAgentMessage::WindowOperation, static_cast<std::uint16_t>(code), 0, 0});
}

bool CServiceAgentLink::f_SetLockState(std::int32_t virtualKey, std::uint16_t scanCode, bool on)
{
    if (!gf_IsLockVirtualKey(virtualKey))
        return false;
    const double now = m_Engine.f_GetEngineTime();
    std::uint32_t ticket;
    {
        CGuard lock(m_Lock);
        CQuestion* slot = &m_Questions[0];
        for (CQuestion& question : m_Questions)
            if (!question.m_bOpen || question.m_AskedAt < slot->m_AskedAt)
            {
                slot = &question;
                if (!question.m_bOpen)
                    break;
            }
        ticket = m_NextTicket++;
        if (!m_NextTicket)
            m_NextTicket = 1;
        *slot = {ticket, virtualKey, scanCode, on, now, true};
    }
    if (m_Sender.f_Send({EAgentMessage::LockQuery, static_cast<std::uint16_t>(virtualKey), ticket, 0}))
        return true;
    CGuard lock(m_Lock);
    for (CQuestion& question : m_Questions)
        if (question.m_bOpen && question.m_Ticket == ticket)
            question.m_bOpen = false;
    return false;
}

void CServiceAgentLink::f_OnAgentMessage(const CAgentMessage& message)
{
    switch (message.m_Type)
    {
        case EAgentMessage::LockState:
            fp_OnLockState(message);
            break;
        case EAgentMessage::EjectKey:
        {
            const bool down = message.m_Value != 0;
            {
                CGuard lock(m_Lock);
                m_bEjectHeld = down;
            }
            m_Engine.f_EvaluateEjectKey(down);
            break;
        }
        default:
            break;
    }
}

void CServiceAgentLink::fp_OnLockState(const CAgentMessage& message)
{
    const double now = m_Engine.f_GetEngineTime();
    CQuestion answered;
    {
        CGuard lock(m_Lock);
        for (CQuestion& question : m_Questions)
            if (question.m_bOpen && question.m_Ticket == message.m_Ticket)
            {
                answered = question;
                question.m_bOpen = false;
            }
    }
    if (!answered.m_bOpen || answered.m_VirtualKey != message.m_Subject ||
        now - answered.m_AskedAt > mc_AnswerSeconds)
        return;
    if ((message.m_Value == 1) != answered.m_bOn)
        CAccelerator_KeyboardLocksManipulation::fs_WriteLockPair(m_Engine, answered.m_ScanCode);
}

void CServiceAgentLink::f_OnTurn(double now, bool filterDeviceOpen)
{
    bool send;
    bool wanted;
    bool connected;
    {
        CGuard lock(m_Lock);
        connected = m_bConnected;
        if (filterDeviceOpen)
            m_DeviceClosedSince = -1;
        else if (m_DeviceClosedSince < 0)
            m_DeviceClosedSince = now;
        m_bCaptureWanted = !filterDeviceOpen && now - m_DeviceClosedSince >= mc_DeviceSettleSeconds;
        wanted = m_bCaptureWanted;
        send = m_bConnected && m_bAgentCaptures != wanted;
    }
    if (send)
        fp_SendCapture(wanted);
    // A marker the driver's installation left while the agent was connected.
    if (connected)
        fp_TellRebootNotice();
}

void CServiceAgentLink::fp_SendCapture(bool on)
{
    // A message the pipe could not take is sent again on the next turn.
    if (!m_Sender.f_Send({EAgentMessage::Capture, 0, 0, on ? 1 : 0}))
        return;
    CGuard lock(m_Lock);
    m_bAgentCaptures = on;
}

void CServiceAgentLink::f_OnAgentConnection(bool connected)
{
    bool capture;
    bool releaseEject;
    {
        CGuard lock(m_Lock);
        // An agent lost between press and release takes its press along.
        releaseEject = m_bEjectHeld;
        m_bEjectHeld = false;
        for (CQuestion& question : m_Questions)
            question.m_bOpen = false;
        m_bConnected = connected;
        // A new agent starts without capturing.
        m_bAgentCaptures = false;
        capture = connected && m_bCaptureWanted;
    }
    if (releaseEject)
        m_Engine.f_EvaluateEjectKey(false);
    if (capture)
        fp_SendCapture(true);
    if (connected)
        fp_TellRebootNotice();
}

void CServiceAgentLink::fp_TellRebootNotice()
{
    // Once per marker: recorded only when the agent got the message, so that a lost pipe
    // leaves the notice to the next agent.
    if (!m_Engine.f_IsRebootNoticeDue())
        return;
    if (m_Sender.f_Send(
            {EAgentMessage::Notice, static_cast<std::uint16_t>(EAgentNotice::RebootNeeded), 0, 0}))
        m_Engine.f_RecordRebootNoticeTold();
}
} // namespace NQuillon
