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
    CAgentPipeSecurity security;
    if (!security.f_Build(userSid))
    {
        fp_CloseLocked();
        NTev::gf_DebugOutput("Quillon agent pipe: \"{}\" is no user SID; session {} not served\n", userSid,
                             session);
        return false;
    }
    const auto sessionName = gf_AgentPipeName(session);
    const std::string name = pipeName ? pipeName : sessionName.data();
    // Serving the same name again keeps the instance: closing it would leave the name free
    // for a moment to whoever creates it first. The agent of before is let go, and the DACL
    // follows the session's user now.
    if (m_hPipe != INVALID_HANDLE_VALUE && name == m_PipeName)
    {
        fp_StopRun();
        if (!SetKernelObjectSecurity(m_hPipe, DACL_SECURITY_INFORMATION, security.f_GetDescriptor()))
        {
            NTev::gf_DebugOutput("Quillon agent pipe: SetKernelObjectSecurity({}) failed with error {}\n",
                                 name.c_str(), GetLastError());
            fp_CloseLocked();
            return false;
        }
        m_Session = session;
        return fp_StartRun();
    }
    fp_CloseLocked();
    // The first instance, or none: a process that made the name before must not pass for
    // the service. One instance: one agent at a time, a second client finds the pipe busy.
    // WRITE_DAC: a later serve of the name changes its DACL in place.
    m_hPipe = CreateNamedPipeA(
        name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE | WRITE_DAC,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, mc_BufferBytes,
        mc_BufferBytes, 0, security.f_GetAttributes());
    if (m_hPipe == INVALID_HANDLE_VALUE)
    {
        NTev::gf_DebugOutput("Quillon agent pipe: CreateNamedPipeA({}) failed with error {}\n", name.c_str(),
                             GetLastError());
        return false;
    }
    // Wine ignores FILE_FLAG_FIRST_PIPE_INSTANCE and adds the instance to another process's
    // pipe of the name if that pipe allows more: then the service is not alone on its name.
    DWORD instances = 0;
    if (!GetNamedPipeHandleStateA(m_hPipe, nullptr, &instances, nullptr, nullptr, nullptr, 0) ||
        instances != 1)
    {
        NTev::gf_DebugOutput("Quillon agent pipe: {} has {} instances; another process owns the name\n",
                             name.c_str(), instances);
        CloseHandle(m_hPipe);
        m_hPipe = INVALID_HANDLE_VALUE;
        return false;
    }
    m_PipeName = name;
    m_Session = session;
    if (fp_StartRun())
        return true;
    fp_CloseLocked();
    return false;
}

bool CAgentPipeServer::fp_StartRun()
{
    try
    {
        m_Thread.f_Start(NTev::NThread::gc_PriorityNormal, 0);
        return true;
    }
    catch (const NTev::NException::CException&)
    {
        return false;
    }
}

void CAgentPipeServer::fp_StopRun()
{
    m_Thread.f_Stop(false);
    m_Link.f_Wake();
    m_Thread.f_Stop(true);
    // A run that failed left its connection behind.
    fp_EndRun();
}

void CAgentPipeServer::f_Close()
{
    CGuard lock(m_ControlLock);
    fp_CloseLocked();
}

void CAgentPipeServer::fp_CloseLocked()
{
    fp_StopRun();
    if (m_hPipe != INVALID_HANDLE_VALUE)
        CloseHandle(m_hPipe);
    m_hPipe = INVALID_HANDLE_VALUE;
    m_PipeName.clear();
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
        // A client refused or gone before it was served: the pipe waits for the next one. The
        // wait below would otherwise have nothing that ends it while no agent is connected.
        if (!m_Link.f_IsOpen() && !m_bListening)
            continue;
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
// Wide throughout: a folder name outside the ANSI code page must not turn every agent away.
bool fg_RunsProgram(DWORD processId, const std::wstring& program)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return false;
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    const bool read = QueryFullProcessImageNameW(process, 0, path.data(), &size);
    CloseHandle(process);
    return read && CompareStringOrdinal(path.c_str(), static_cast<int>(size), program.c_str(),
                                        static_cast<int>(program.size()), TRUE) == CSTR_EQUAL;
}
} // namespace

void CAgentPipeServer::f_SetAgentProgram(const wchar_t* program)
{
    CGuard lock(m_ProgramLock);
    m_AgentProgram = program ? program : L"";
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
    std::wstring program;
    {
        CGuard lock(m_ProgramLock);
        program = m_AgentProgram;
    }
    if (!program.empty() && !fg_RunsProgram(processId, program))
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
