#include "agent/win32/AgentPipeServer.h"

#include "agent/win32/AgentPipeSecurity.h"

#include "core/Exception.h"
#include "core/Format.h"

#include <cstring>

namespace NQuillon
{
namespace
{
using CGuard = NTev::TCMutualLock<NTev::CMutual>;

// How long the server rests after the pipe failed to listen before it tries again.
constexpr DWORD gc_ListenRetryMilliseconds = 1000;
} // namespace

CAgentPipeServer::CAgentPipeServer(ICAgentReceiver& receiver)
    : m_Receiver(receiver), m_Link(receiver, EAgentSender::Agent, true),
      m_hConnectEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)), m_Thread([this] { fp_Run(); })
{
    if (!m_hConnectEvent)
        TEV_THROW_SYSTEM_IMPLEMENTATION("CAgentPipeServer::CAgentPipeServer", "CreateEventA");
}

CAgentPipeServer::~CAgentPipeServer()
{
    f_Close();
    CloseHandle(m_hConnectEvent);
}

bool CAgentPipeServer::f_Serve(std::uint32_t session, const char* userSid, const char* pipeName)
{
    CGuard lock(m_ControlLock);
    fp_CloseLocked();
    CAgentPipeSecurity security;
    if (!security.f_Build(userSid))
    {
        NTev::gf_DebugOutput("Quillon agent pipe: \"{}\" is no user SID; session {} not served\n", userSid,
                             session);
        return false;
    }
    const auto sessionName = gf_AgentPipeName(session);
    const char* name = pipeName ? pipeName : sessionName.data();
    // The first instance, or none: a process that made the name before must not pass for
    // the service. One instance: one agent at a time, a second client finds the pipe busy.
    m_hPipe =
        CreateNamedPipeA(name, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                         PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                         1, mc_BufferBytes, mc_BufferBytes, 0, security.f_GetAttributes());
    if (m_hPipe == INVALID_HANDLE_VALUE)
    {
        NTev::gf_DebugOutput("Quillon agent pipe: CreateNamedPipeA({}) failed with error {}\n", name,
                             GetLastError());
        return false;
    }
    // Wine ignores FILE_FLAG_FIRST_PIPE_INSTANCE and adds the instance to another process's
    // pipe of the name if that pipe allows more: then the service is not alone on its name.
    DWORD instances = 0;
    if (!GetNamedPipeHandleStateA(m_hPipe, nullptr, &instances, nullptr, nullptr, nullptr, 0) ||
        instances != 1)
    {
        NTev::gf_DebugOutput("Quillon agent pipe: {} has {} instances; another process owns the name\n", name,
                             instances);
        CloseHandle(m_hPipe);
        m_hPipe = INVALID_HANDLE_VALUE;
        return false;
    }
    m_Session = session;
    try
    {
        m_Thread.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    }
    catch (const NTev::NException::CException&)
    {
        CloseHandle(m_hPipe);
        m_hPipe = INVALID_HANDLE_VALUE;
        return false;
    }
    return true;
}

void CAgentPipeServer::f_Close()
{
    CGuard lock(m_ControlLock);
    fp_CloseLocked();
}

void CAgentPipeServer::fp_CloseLocked()
{
    m_Thread.f_Stop(false);
    m_Link.f_Wake();
    m_Thread.f_Stop(true);
    // A run that failed left its connection behind.
    fp_EndRun();
    if (m_hPipe != INVALID_HANDLE_VALUE)
        CloseHandle(m_hPipe);
    m_hPipe = INVALID_HANDLE_VALUE;
}

bool CAgentPipeServer::f_Send(const CAgentMessage& message)
{
    return m_Link.f_Send(message);
}

bool CAgentPipeServer::f_IsConnected() const
{
    return m_Link.f_IsOpen();
}

void CAgentPipeServer::fp_Run()
{
    while (!m_Thread.f_IsStopRequested())
    {
        if (!m_Link.f_IsOpen() && !m_bListening && !fp_Listen())
        {
            WaitForSingleObject(m_Link.f_GetWakeEvent(), gc_ListenRetryMilliseconds);
            continue;
        }
        if (m_bListening && HasOverlappedIoCompleted(&m_ConnectOverlapped))
        {
            m_bListening = false;
            DWORD bytes = 0;
            if (GetOverlappedResult(m_hPipe, &m_ConnectOverlapped, &bytes, FALSE))
                fp_OnConnected();
            else
                DisconnectNamedPipe(m_hPipe);
        }
        if (m_Link.f_IsOpen() && m_Link.f_Pump() != CAgentPipeLink::EPump::Open)
        {
            fp_Disconnect();
            continue;
        }
        HANDLE handles[2 + CAgentPipeLink::mc_MaxWaitHandles];
        DWORD count = 0;
        handles[count++] = m_Link.f_GetWakeEvent();
        if (m_bListening)
            handles[count++] = m_hConnectEvent;
        count += static_cast<DWORD>(m_Link.f_GetWaitHandles(handles + count));
        WaitForMultipleObjects(count, handles, FALSE, INFINITE);
    }
    fp_EndRun();
}

bool CAgentPipeServer::fp_Listen()
{
    std::memset(&m_ConnectOverlapped, 0, sizeof m_ConnectOverlapped);
    m_ConnectOverlapped.hEvent = m_hConnectEvent;
    if (ConnectNamedPipe(m_hPipe, &m_ConnectOverlapped))
    {
        fp_OnConnected();
        return true;
    }
    const DWORD error = GetLastError();
    switch (error)
    {
        case ERROR_IO_PENDING:
            m_bListening = true;
            return true;
        case ERROR_PIPE_CONNECTED:
            fp_OnConnected();
            return true;
        case ERROR_NO_DATA:
            // A client came and went before the server looked.
            DisconnectNamedPipe(m_hPipe);
            return true;
        default:
            NTev::gf_DebugOutput("Quillon agent pipe: ConnectNamedPipe failed with error {}\n", error);
            return false;
    }
}

namespace
{
// Whether the process runs the program file (compared without case, as Windows names files).
bool fg_RunsProgram(DWORD processId, const std::string& program)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return false;
    char path[MAX_PATH * 2] = {};
    DWORD size = sizeof path;
    const bool read = QueryFullProcessImageNameA(process, 0, path, &size);
    CloseHandle(process);
    return read && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path, static_cast<int>(size),
                                  program.c_str(), static_cast<int>(program.size())) == CSTR_EQUAL;
}
} // namespace

void CAgentPipeServer::f_SetAgentProgram(const char* program)
{
    m_AgentProgram = program ? program : "";
}

void CAgentPipeServer::fp_OnConnected()
{
    // The DACL admits the session's user, who may also be logged on in another session: only
    // a process of the served session is its agent.
    ULONG processId = 0;
    DWORD session = 0;
    if (!GetNamedPipeClientProcessId(m_hPipe, &processId) || !ProcessIdToSessionId(processId, &session) ||
        session != m_Session)
    {
        NTev::gf_DebugOutput("Quillon agent pipe: refused process {} of session {}; serving session {}\n",
                             processId, session, m_Session);
        DisconnectNamedPipe(m_hPipe);
        return;
    }
    if (!m_AgentProgram.empty() && !fg_RunsProgram(processId, m_AgentProgram))
    {
        NTev::gf_DebugOutput("Quillon agent pipe: refused process {}, which runs another program\n",
                             processId);
        DisconnectNamedPipe(m_hPipe);
        return;
    }
    m_AgentProcessId = processId;
    m_Link.f_Open(m_hPipe);
    m_Receiver.f_OnAgentConnection(true);
}

void CAgentPipeServer::fp_Disconnect()
{
    m_Link.f_Close();
    DisconnectNamedPipe(m_hPipe);
    m_AgentProcessId = 0;
    m_Receiver.f_OnAgentConnection(false);
}

void CAgentPipeServer::fp_EndRun() noexcept
{
    if (m_bListening)
    {
        CancelIoEx(m_hPipe, &m_ConnectOverlapped);
        DWORD bytes = 0;
        GetOverlappedResult(m_hPipe, &m_ConnectOverlapped, &bytes, TRUE);
        m_bListening = false;
    }
    if (!m_Link.f_IsOpen())
        return;
    try
    {
        fp_Disconnect();
    }
    catch (...)
    {
        // The receiver failed to take the news; the pipe is closed all the same.
    }
}
} // namespace NQuillon
