#include "agent/win32/AgentPipeClient.h"

#include "agent/win32/AgentPipeSecurity.h"

#include "core/Exception.h"
#include "core/Format.h"

namespace NQuillon
{
CAgentPipeClient::CAgentPipeClient(ICAgentReceiver& receiver) : CAgentPipeClient(receiver, nullptr) {}

CAgentPipeClient::CAgentPipeClient(ICAgentReceiver& receiver, const char* pipeName)
    : m_Receiver(receiver), m_PipeName(pipeName ? pipeName : ""),
      m_Link(receiver, EAgentSender::Service, false), m_hEnded(CreateEventA(nullptr, TRUE, TRUE, nullptr)),
      m_Thread([this] { fp_Run(); })
{
    if (!m_hEnded)
        TEV_THROW_SYSTEM_IMPLEMENTATION("CAgentPipeClient::CAgentPipeClient", "CreateEventA");
}

CAgentPipeClient::~CAgentPipeClient()
{
    f_Stop();
    CloseHandle(m_hEnded);
}

void CAgentPipeClient::f_Start()
{
    if (m_Thread.f_GetState() == NTev::NThread::ICThread::mc_StateRunning && !f_WaitEnded(0))
        return;
    // A run that has ended or is asked to stop is waited for.
    m_Thread.f_Stop(true);
    ResetEvent(m_hEnded);
    try
    {
        m_Thread.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    }
    catch (...)
    {
        SetEvent(m_hEnded);
        throw;
    }
}

void CAgentPipeClient::f_Stop()
{
    m_Thread.f_Stop(false);
    m_Link.f_Wake();
    m_Thread.f_Stop(true);
    // A run that failed left its connection behind.
    m_Link.f_Close();
    SetEvent(m_hEnded);
}

bool CAgentPipeClient::f_WaitEnded(std::uint32_t milliseconds)
{
    return WaitForSingleObject(m_hEnded, milliseconds) == WAIT_OBJECT_0;
}

bool CAgentPipeClient::f_Send(const CAgentMessage& message)
{
    return m_Link.f_Send(message);
}

bool CAgentPipeClient::f_IsConnected() const
{
    return m_Link.f_IsOpen();
}

void CAgentPipeClient::fp_Rest()
{
    // A stop sets the wake event after the request, but an earlier wait may have taken it.
    if (!m_Thread.f_IsStopRequested())
        WaitForSingleObject(m_Link.f_GetWakeEvent(), mc_RetryMilliseconds);
}

void CAgentPipeClient::fp_Run()
{
    // However the run ends, also by an exception.
    struct CEnded
    {
        HANDLE m_hEvent;
        ~CEnded() { SetEvent(m_hEvent); }
    } ended{m_hEnded};
    std::string name = m_PipeName;
    if (name.empty())
    {
        DWORD session = 0;
        if (!ProcessIdToSessionId(GetCurrentProcessId(), &session))
        {
            NTev::gf_DebugOutput("Quillon agent pipe: ProcessIdToSessionId failed with error {}\n",
                                 GetLastError());
            return;
        }
        name = gf_AgentPipeName(session).data();
    }
    DWORD lastError = NO_ERROR;
    while (!m_Thread.f_IsStopRequested())
    {
        // Exactly the rights the pipe grants its user. Identification only: the service needs
        // no more of the agent's identity.
        HANDLE pipe =
            CreateFileA(name.c_str(), CAgentPipeSecurity::mc_UserAccess, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
        if (pipe == INVALID_HANDLE_VALUE)
        {
            // No service yet, or another agent is served: traced once, tried again.
            const DWORD error = GetLastError();
            if (error != lastError)
                NTev::gf_DebugOutput("Quillon agent pipe: cannot connect to {}: error {}\n", name.c_str(),
                                     error);
            lastError = error;
            fp_Rest();
            continue;
        }
        lastError = NO_ERROR;
        {
            // The link lets go of the handle before it is closed, also when the receiver throws.
            struct CConnection
            {
                CAgentPipeLink& m_Link;
                HANDLE m_hPipe;
                ~CConnection()
                {
                    m_Link.f_Close();
                    CloseHandle(m_hPipe);
                }
            } connection{m_Link, pipe};
            DWORD mode = PIPE_READMODE_MESSAGE;
            // Pipe names are machine-wide: whoever made this one first may not be the service.
            if (!CAgentPipeSecurity::fs_IsServiceServer(pipe))
                NTev::gf_DebugOutput("Quillon agent pipe: {} is not the service's\n", name.c_str());
            else if (SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr))
                fp_Serve(pipe);
            else
                // The service let this agent go before it could be served: a connection ended.
                NTev::gf_DebugOutput("Quillon agent pipe: SetNamedPipeHandleState failed with error {}\n",
                                     GetLastError());
        }
        if (!m_bRetry)
            break;
        // Not at once: a service that refuses this agent is not asked again and again.
        fp_Rest();
    }
}

void CAgentPipeClient::fp_Serve(HANDLE pipe)
{
    m_Link.f_Open(pipe);
    m_Receiver.f_OnAgentConnection(true);
    while (!m_Thread.f_IsStopRequested() && m_Link.f_Pump() == CAgentPipeLink::EPump::Open)
    {
        HANDLE handles[1 + CAgentPipeLink::mc_MaxWaitHandles];
        DWORD count = 0;
        handles[count++] = m_Link.f_GetWakeEvent();
        count += static_cast<DWORD>(m_Link.f_GetWaitHandles(handles + count));
        WaitForMultipleObjects(count, handles, FALSE, INFINITE);
    }
    m_Link.f_Close();
    m_Receiver.f_OnAgentConnection(false);
}
} // namespace NQuillon
