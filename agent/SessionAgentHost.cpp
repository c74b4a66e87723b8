#include "agent/SessionAgentHost.h"

#include "actions/plugins/KeyboardLocks.h"
#include "actions/plugins/WindowManipulation.h"

#include "core/Format.h"

namespace NQuillon
{
CSessionAgentHost::~CSessionAgentHost()
{
    m_Engine.f_SetEjectKeySink(nullptr);
}

void CSessionAgentHost::f_OnAgentMessage(const CAgentMessage& message)
{
    switch (message.m_Type)
    {
        case EAgentMessage::WindowOperation:
            // Dropped when no desktop thread has the input, as a press in the service would be.
            CAccelerator_WindowManipulation::fs_GetGlobal().f_Queue(m_Engine, message.m_Subject);
            break;
        case EAgentMessage::LockQuery:
            if (const auto on =
                    CAccelerator_KeyboardLocksManipulation::fs_ReadToggle(m_Engine, message.m_Subject))
                m_Sender.f_Send({EAgentMessage::LockState, message.m_Subject, message.m_Ticket, *on ? 1 : 0});
            break;
        case EAgentMessage::Capture:
        {
            // The service has no filter driver: this engine captures the session's input, and
            // evaluates the laptop's Eject key itself, since the service's output goes nowhere.
            const bool capture = message.m_Value == 1;
            if (!m_Engine.f_SetHookCapture(capture))
                NTev::gf_DebugOutput("The session agent could not capture input with the low-level hooks\n");
            const bool captures = capture && m_Engine.f_IsHookCapturing();
            m_bCaptures = captures;
            m_Engine.f_SetEjectKeySink(captures || !m_bConnected ? nullptr : this);
            break;
        }
        case EAgentMessage::Notice:
            // The marker lives where only the service may read it: the engine's next turn shows
            // the notice the service tells of.
            m_Engine.f_RequestRebootNotice();
            break;
        default:
            break;
    }
}

void CSessionAgentHost::f_OnAgentConnection(bool connected)
{
    m_bConnected = connected;
    // Exactly one engine captures a session: without its service this one stops.
    if (!connected)
    {
        m_Engine.f_SetHookCapture(false);
        m_bCaptures = false;
    }
    m_Engine.f_SetEjectKeySink(connected && !m_bCaptures ? this : nullptr);
}

void CSessionAgentHost::f_OnEjectKey(bool down)
{
    m_Sender.f_Send({EAgentMessage::EjectKey, 0, 0, down ? 1 : 0});
}
} // namespace NQuillon
