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
            // The service has no filter driver: this engine captures the session's input.
            if (!m_Engine.f_SetHookCapture(message.m_Value == 1))
                NTev::gf_DebugOutput("The session agent could not capture input with the low-level hooks\n");
            break;
        case EAgentMessage::Notice:
            // The engine's next turn shows the notice of the marker the service left.
            m_Engine.f_RequestRefresh();
            break;
        default:
            break;
    }
}

void CSessionAgentHost::f_OnAgentConnection(bool connected)
{
    m_bConnected = connected;
    m_Engine.f_SetEjectKeySink(connected ? this : nullptr);
    // Exactly one engine captures a session: without its service this one stops.
    if (!connected)
        m_Engine.f_SetHookCapture(false);
}

void CSessionAgentHost::f_OnEjectKey(bool down)
{
    m_Sender.f_Send({EAgentMessage::EjectKey, 0, 0, down ? 1 : 0});
}
} // namespace NQuillon
