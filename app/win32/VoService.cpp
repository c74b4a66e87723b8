#include "app/win32/VoService.h"

#include "app/CommandLineRole.h"
#include "core/Exception.h"
#include "core/Format.h"
#include "core/win32/ServiceHandle.h"

#include <wtsapi32.h>

#include <atomic>
#include <thread>
#include <vector>

namespace NQuillon
{
namespace
{
using NTev::NSys::CServiceHandle;

std::atomic<CVoService*> g_pCurrentService{nullptr};

constexpr DWORD gc_ServiceType = SERVICE_WIN32_OWN_PROCESS | SERVICE_WIN32_SHARE_PROCESS;
constexpr DWORD gc_AcceptedControls =
    SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE | SERVICE_ACCEPT_SESSIONCHANGE;
constexpr DWORD gc_ManagerAccess = DELETE | SC_MANAGER_CREATE_SERVICE | SC_MANAGER_ENUMERATE_SERVICE |
                                   SC_MANAGER_LOCK | SC_MANAGER_QUERY_LOCK_STATUS;
constexpr DWORD gc_FirstUserControl = 128;
constexpr DWORD gc_LastUserControl = 255;
constexpr DWORD gc_PollMilliseconds = 10;
constexpr DWORD gc_ProcessEndMilliseconds = 240000;
// A service that stays pending longer is taken as failed: no command waits without a bound.
constexpr ULONGLONG gc_PendingMilliseconds = 120000;
constexpr DWORD gc_FailureResetSeconds = 86400;
// How often a running service looks at its health, and the stop's checkpoints move.
constexpr DWORD gc_HealthCheckMilliseconds = 1000;
constexpr DWORD gc_StopWaitHintMilliseconds = 5000;
// Every wait of the stop is bounded well below this; past it the process is ended.
constexpr ULONGLONG gc_StopBoundMilliseconds = 60000;
// The exit code of a process whose stop outlived its bound (gc_ExitFailed).
constexpr UINT gc_StopTimedOutExitCode = 1;
// A service-specific exit code: the stop did not end in time (EServiceFault::StopTimedOut).
constexpr DWORD gc_StopTimedOutFault = 4;

NTev::CStr fg_GetProgramFileName()
{
    std::vector<char> buffer(MAX_PATH);
    for (;;)
    {
        DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return NTev::CStr();
        if (length < buffer.size())
            return NTev::CStr(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

// The service's current state, 0 when it cannot be queried.
DWORD fg_QueryState(SC_HANDLE service)
{
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                              sizeof(status), &needed))
        return 0;
    return status.dwCurrentState;
}

// Interrogates the service; false when the service cannot be asked.
bool fg_Interrogate(SC_HANDLE service, SERVICE_STATUS& status)
{
    return ControlService(service, SERVICE_CONTROL_INTERROGATE, &status) != FALSE;
}
} // namespace

// Holds the status lock; may let it go before the end of its scope.
class CVoService::CStatusLock
{
public:
    explicit CStatusLock(NTev::CMutual& mutual) noexcept : m_Mutual(mutual) { m_Mutual.f_Lock(); }
    ~CStatusLock() { f_Unlock(); }
    CStatusLock(const CStatusLock&) = delete;
    CStatusLock& operator=(const CStatusLock&) = delete;
    void f_Unlock() noexcept
    {
        if (m_bHeld)
            m_Mutual.f_Unlock();
        m_bHeld = false;
    }

private:
    NTev::CMutual& m_Mutual;
    bool m_bHeld = true;
};

CVoService::CVoService(const char* serviceName, const char* displayName, const char* description)
    : m_ServiceName(serviceName), m_DisplayName(displayName), m_DefaultDisplayName(displayName),
      m_Description(description)
{
    m_hStopRequest = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!m_hStopRequest)
        TEV_THROW_SYSTEM_IMPLEMENTATION("CVoService::CVoService", "CreateEventA");
    CVoService* expected = nullptr;
    if (!g_pCurrentService.compare_exchange_strong(expected, this))
    {
        CloseHandle(m_hStopRequest);
        TEV_THROW(NTev::NException::CException, "CVoService::CVoService",
                  "You cannot have two services running in the same process at once");
    }
}

CVoService::~CVoService()
{
    CloseHandle(m_hStopRequest);
    CVoService* expected = this;
    g_pCurrentService.compare_exchange_strong(expected, nullptr);
}

CVoService* CVoService::fs_GetCurrent() noexcept
{
    return g_pCurrentService.load();
}

void CVoService::f_SetServiceName(const char* name)
{
    const char* rest = gf_SkipBlanks(name);
    if (!*rest)
        return;
    m_ServiceName = rest;
    m_DisplayName = gf_FormatServiceDisplayName(m_DefaultDisplayName.f_GetStr(), rest);
}

NTev::CStr CVoService::f_GetServiceCommand() const
{
    return gf_FormatServiceCommand(fg_GetProgramFileName().f_GetStr(), m_ServiceName.f_GetStr());
}

NTev::CStr CVoService::f_QueryInstalledCommand() const
{
    CServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return NTev::CStr();
    CServiceHandle service(OpenServiceA(manager.f_Get(), m_ServiceName.f_GetStr(), SERVICE_QUERY_CONFIG));
    if (!service)
        return NTev::CStr();
    DWORD needed = 0;
    QueryServiceConfigA(service.f_Get(), nullptr, 0, &needed);
    if (needed == 0)
        return NTev::CStr();
    std::vector<unsigned char> buffer(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!QueryServiceConfigA(service.f_Get(), config, needed, &needed) || !config->lpBinaryPathName)
        return NTev::CStr();
    return NTev::CStr(config->lpBinaryPathName);
}

bool CVoService::f_ServiceOperation(EServiceOperation operation)
{
    const NTev::CStr command = f_GetServiceCommand();
    CServiceHandle manager(OpenSCManagerA(nullptr, nullptr, gc_ManagerAccess));
    if (!manager)
        return false;
    switch (operation)
    {
        case EServiceOperation::Start:
            return fp_Start(manager.f_Get());
        case EServiceOperation::Stop:
            return fp_Stop(manager.f_Get());
        case EServiceOperation::Add:
            return fp_AddOrRemove(manager.f_Get(), true, command.f_GetStr());
        case EServiceOperation::Remove:
            return fp_AddOrRemove(manager.f_Get(), false, command.f_GetStr());
        case EServiceOperation::AddIfNotAdded:
            return fp_AddIfNotAdded(manager.f_Get(), command.f_GetStr());
    }
    return false;
}

bool CVoService::fp_Start(SC_HANDLE manager)
{
    CServiceHandle service(
        OpenServiceA(manager, m_ServiceName.f_GetStr(), SERVICE_START | SERVICE_INTERROGATE));
    if (!service)
        return false;
    if (!StartServiceA(service.f_Get(), 0, nullptr))
        return false;
    SERVICE_STATUS status = {};
    const ULONGLONG deadline = GetTickCount64() + gc_PendingMilliseconds;
    while (fg_Interrogate(service.f_Get(), status) && status.dwCurrentState == SERVICE_START_PENDING)
    {
        if (GetTickCount64() >= deadline)
        {
            NTev::gf_DebugOutput(" [{}] still starting after {} ms\n", m_ServiceName, gc_PendingMilliseconds);
            return false;
        }
        Sleep(gc_PollMilliseconds);
    }
    return true;
}

bool CVoService::fp_Stop(SC_HANDLE manager)
{
    // Querying the status needs its own right: without it the service's process could not be
    // found and waited for.
    CServiceHandle service(OpenServiceA(manager, m_ServiceName.f_GetStr(),
                                        SERVICE_STOP | SERVICE_INTERROGATE | SERVICE_QUERY_STATUS));
    if (!service)
        return false;
    HANDLE process = nullptr;
    SERVICE_STATUS_PROCESS processStatus = {};
    DWORD needed = 0;
    if (QueryServiceStatusEx(service.f_Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&processStatus),
                             sizeof(processStatus), &needed) &&
        processStatus.dwProcessId)
        process = OpenProcess(SYNCHRONIZE, FALSE, processStatus.dwProcessId);
    SERVICE_STATUS status = {};
    if (!ControlService(service.f_Get(), SERVICE_CONTROL_STOP, &status))
    {
        const DWORD error = GetLastError();
        // The service may have stopped, and its process ended, before the answer to the
        // control came back: Wine then gives the broken pipe as the control's error, yet the
        // service stopped all the same.
        const DWORD state =
            error == ERROR_SERVICE_NOT_ACTIVE ? SERVICE_STOPPED : fg_QueryState(service.f_Get());
        if (error != ERROR_SERVICE_NOT_ACTIVE)
            NTev::gf_DebugOutput(" [{}] ControlService stop error {}, state {}\n", m_ServiceName, error,
                                 state);
        if (error == ERROR_SERVICE_NOT_ACTIVE || state != SERVICE_STOPPED)
        {
            if (process)
                CloseHandle(process);
            return state == SERVICE_STOPPED;
        }
    }
    const ULONGLONG deadline = GetTickCount64() + gc_PendingMilliseconds;
    while (fg_Interrogate(service.f_Get(), status) && status.dwCurrentState != SERVICE_STOPPED)
    {
        if (GetTickCount64() >= deadline)
        {
            NTev::gf_DebugOutput(" [{}] still stopping after {} ms\n", m_ServiceName, gc_PendingMilliseconds);
            if (process)
                CloseHandle(process);
            return false;
        }
        Sleep(gc_PollMilliseconds);
    }
    if (process)
    {
        WaitForSingleObject(process, gc_ProcessEndMilliseconds);
        CloseHandle(process);
    }
    return true;
}

bool CVoService::fp_AddOrRemove(SC_HANDLE manager, bool add, const char* command)
{
    {
        CServiceHandle existing(OpenServiceA(manager, m_ServiceName.f_GetStr(), DELETE));
        if (existing)
        {
            if (!DeleteService(existing.f_Get()))
                return false;
        }
        else if (GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST)
            return false; // it may exist: a removal that did not happen is no success
    }
    if (!add)
        return true;
    CServiceHandle service(
        CreateServiceA(manager, m_ServiceName.f_GetStr(), m_DisplayName.f_GetStr(), SERVICE_ALL_ACCESS,
                       SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, command,
                       m_LoadOrderGroup.f_IsEmpty() ? nullptr : m_LoadOrderGroup.f_GetStr(), nullptr, nullptr,
                       nullptr, nullptr));
    if (!service)
        return false;

    SERVICE_DESCRIPTIONA description = {};
    description.lpDescription = const_cast<char*>(m_Description.f_GetStr());
    if (!ChangeServiceConfig2A(service.f_Get(), SERVICE_CONFIG_DESCRIPTION, &description))
        NTev::gf_DebugOutput(" [{}] ChangeServiceConfig2 description error {}\n", m_ServiceName,
                             GetLastError());

    NTev::CStr rebootMessage = gf_FormatRebootMessage(m_DisplayName.f_GetStr());
    char emptyCommand[1] = "";
    SC_ACTION actions[3] = {{SC_ACTION_RESTART, 0}, {SC_ACTION_RESTART, 0}, {SC_ACTION_NONE, 0}};
    SERVICE_FAILURE_ACTIONSA failureActions = {};
    failureActions.dwResetPeriod = gc_FailureResetSeconds;
    failureActions.lpRebootMsg = const_cast<char*>(rebootMessage.f_GetStr());
    failureActions.lpCommand = emptyCommand;
    failureActions.cActions = 3;
    failureActions.lpsaActions = actions;
    if (!ChangeServiceConfig2A(service.f_Get(), SERVICE_CONFIG_FAILURE_ACTIONS, &failureActions))
        NTev::gf_DebugOutput(" [{}] ChangeServiceConfig2 failure actions error {}\n", m_ServiceName,
                             GetLastError());
    // The restarts also follow a stop with an error code (a dead engine), not only a crash.
    SERVICE_FAILURE_ACTIONS_FLAG onErrors = {};
    onErrors.fFailureActionsOnNonCrashFailures = TRUE;
    if (!ChangeServiceConfig2A(service.f_Get(), SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &onErrors))
        NTev::gf_DebugOutput(" [{}] ChangeServiceConfig2 failure actions flag error {}\n", m_ServiceName,
                             GetLastError());
    return true;
}

bool CVoService::fp_AddIfNotAdded(SC_HANDLE manager, const char* command)
{
    CServiceHandle service(
        OpenServiceA(manager, m_ServiceName.f_GetStr(), SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG));
    if (!service)
        return fp_AddOrRemove(manager, true, command);
    DWORD needed = 0;
    QueryServiceConfigA(service.f_Get(), nullptr, 0, &needed);
    if (needed == 0)
        return true;
    std::vector<unsigned char> buffer(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!QueryServiceConfigA(service.f_Get(), config, needed, &needed))
        return true;
    if (!config->lpBinaryPathName || NTev::CStr(config->lpBinaryPathName).f_Compare(command) != 0)
    {
        if (!ChangeServiceConfigA(service.f_Get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                  command, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))
            return false;
    }
    return true;
}

bool CVoService::f_RunService()
{
    SERVICE_TABLE_ENTRYA table[2] = {};
    table[0].lpServiceName = const_cast<char*>(m_ServiceName.f_GetStr());
    table[0].lpServiceProc = &CVoService::fs_ServiceMain;
    if (!StartServiceCtrlDispatcherA(table))
    {
        NTev::gf_DebugOutput("[{}] StartServiceCtrlDispatcher error = {}\n", m_ServiceName, GetLastError());
        return false;
    }
    return true;
}

void WINAPI CVoService::fs_ServiceMain(DWORD, LPSTR*)
{
    if (CVoService* service = fs_GetCurrent())
        service->fp_ServiceMain();
}

DWORD WINAPI CVoService::fs_ControlHandler(DWORD control, DWORD eventType, void* eventData, void*)
{
    CVoService* service = fs_GetCurrent();
    if (!service)
        return ERROR_CALL_NOT_IMPLEMENTED;
    if (control == SERVICE_CONTROL_SESSIONCHANGE)
    {
        // Answered at once, without the status lock: a stop may hold it for long.
        const auto* notification = static_cast<const WTSSESSION_NOTIFICATION*>(eventData);
        if (notification && notification->cbSize >= sizeof *notification)
            service->OnSessionChange(eventType, notification->dwSessionId);
        return NO_ERROR;
    }
    if (control >= gc_FirstUserControl && control <= gc_LastUserControl)
        return service->OnUserControl(control) ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
    service->fp_Control(control);
    return NO_ERROR;
}

void CVoService::fp_ReportStatus()
{
    if (!SetServiceStatus(m_hStatus, &m_Status))
        NTev::gf_DebugOutput(" [{}] SetServiceStatus error {}\n", m_ServiceName, GetLastError());
}

void CVoService::fp_ReportStopped(CStatusLock& lock)
{
    const SERVICE_STATUS_HANDLE handle = m_hStatus;
    SERVICE_STATUS status = m_Status;
    const NTev::CStr name = m_ServiceName;
    lock.f_Unlock();
    if (!SetServiceStatus(handle, &status))
        NTev::gf_DebugOutput(" [{}] SetServiceStatus error {}\n", name, GetLastError());
}

void CVoService::fp_ServiceMain()
{
    CStatusLock lock(m_StatusLock);
    m_Status = {};
    m_Status.dwServiceType = gc_ServiceType;
    m_Status.dwCurrentState = SERVICE_START_PENDING;
    m_Status.dwControlsAccepted = gc_AcceptedControls;
    // For a service of its own process the name is not looked at.
    m_hStatus = RegisterServiceCtrlHandlerExA("MyService", &CVoService::fs_ControlHandler, nullptr);
    if (!m_hStatus)
    {
        NTev::gf_DebugOutput(" [{}] RegisterServiceCtrlHandler failed {}\n", m_ServiceName, GetLastError());
        return;
    }
    if (!OnStart())
    {
        m_Status.dwCurrentState = SERVICE_STOPPED;
        m_Status.dwWin32ExitCode = 1;
        fp_ReportStopped(lock);
        return;
    }
    // A stop control during the start has already reported STOP_PENDING.
    if (m_Status.dwCurrentState == SERVICE_START_PENDING)
    {
        m_Status.dwCurrentState = SERVICE_RUNNING;
        fp_ReportStatus();
    }
    NTev::gf_DebugOutput(" [{}] Running\n", m_ServiceName);
    lock.f_Unlock();
    // This thread stays with the service: it watches the service's health and runs the stop,
    // so that the control handler never waits for the engine.
    DWORD fault = 0;
    while (WaitForSingleObject(m_hStopRequest, gc_HealthCheckMilliseconds) == WAIT_TIMEOUT)
    {
        fault = OnCheckHealth();
        if (fault)
        {
            NTev::gf_DebugOutput(" [{}] Stopping with the service-specific error {}\n", m_ServiceName, fault);
            break;
        }
    }
    fp_RunStop(fault);
}

void CVoService::fp_AdvanceCheckpoint()
{
    CStatusLock lock(m_StatusLock);
    ++m_Status.dwCheckPoint;
    fp_ReportStatus();
}

void CVoService::fp_RunStop(DWORD fault)
{
    {
        CStatusLock lock(m_StatusLock);
        if (m_Status.dwCurrentState == SERVICE_PAUSED)
            OnContinue();
        if (m_Status.dwCurrentState != SERVICE_STOP_PENDING)
        {
            m_Status.dwCurrentState = SERVICE_STOP_PENDING;
            m_Status.dwCheckPoint = 1;
            m_Status.dwWaitHint = gc_StopWaitHintMilliseconds;
            fp_ReportStatus();
        }
    }
    HANDLE stopped = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!stopped)
        OnStop();
    else
    {
        std::thread stopper(
            [this, stopped]
            {
                OnStop();
                SetEvent(stopped);
            });
        const ULONGLONG begun = GetTickCount64();
        while (WaitForSingleObject(stopped, gc_HealthCheckMilliseconds) == WAIT_TIMEOUT)
        {
            if (GetTickCount64() - begun >= gc_StopBoundMilliseconds)
            {
                // Whatever holds the stop up, the machine's input must not wait for it: the
                // process ends, and the recovery may start the service anew.
                NTev::gf_DebugOutput(" [{}] The stop did not end in time; the process ends\n", m_ServiceName);
                CStatusLock lock(m_StatusLock);
                m_Status.dwCurrentState = SERVICE_STOPPED;
                m_Status.dwWin32ExitCode = ERROR_SERVICE_SPECIFIC_ERROR;
                m_Status.dwServiceSpecificExitCode = gc_StopTimedOutFault;
                m_Status.dwCheckPoint = 0;
                m_Status.dwWaitHint = 0;
                fp_ReportStatus();
                TerminateProcess(GetCurrentProcess(), gc_StopTimedOutExitCode);
            }
            fp_AdvanceCheckpoint();
        }
        stopper.join();
        CloseHandle(stopped);
    }
    CStatusLock lock(m_StatusLock);
    m_Status.dwCurrentState = SERVICE_STOPPED;
    m_Status.dwWin32ExitCode = fault ? ERROR_SERVICE_SPECIFIC_ERROR : NO_ERROR;
    m_Status.dwServiceSpecificExitCode = fault;
    m_Status.dwCheckPoint = 0;
    m_Status.dwWaitHint = 0;
    NTev::gf_DebugOutput(" [{}] Leaving MyService \n", m_ServiceName);
    fp_ReportStopped(lock);
}

void CVoService::fp_Control(DWORD control)
{
    CStatusLock lock(m_StatusLock);
    switch (control)
    {
        case SERVICE_CONTROL_STOP:
            // The stop itself runs on the service's main thread: the handler only asks for it.
            if (m_Status.dwCurrentState != SERVICE_STOP_PENDING && m_Status.dwCurrentState != SERVICE_STOPPED)
            {
                if (m_Status.dwCurrentState == SERVICE_PAUSED)
                    OnContinue();
                m_Status.dwCurrentState = SERVICE_STOP_PENDING;
                m_Status.dwCheckPoint = 1;
                m_Status.dwWaitHint = gc_StopWaitHintMilliseconds;
            }
            fp_ReportStatus();
            SetEvent(m_hStopRequest);
            break;
        case SERVICE_CONTROL_PAUSE:
            if (m_Status.dwCurrentState == SERVICE_RUNNING)
            {
                OnPause();
                m_Status.dwCurrentState = SERVICE_PAUSED;
                fp_ReportStatus();
            }
            break;
        case SERVICE_CONTROL_CONTINUE:
            if (m_Status.dwCurrentState == SERVICE_PAUSED)
            {
                OnContinue();
                m_Status.dwCurrentState = SERVICE_RUNNING;
                fp_ReportStatus();
            }
            break;
        case SERVICE_CONTROL_INTERROGATE:
            fp_ReportStatus();
            break;
        default:
            NTev::gf_DebugOutput(" [{}] Unrecognized opcode {}\n", m_ServiceName, control);
            fp_ReportStatus();
            break;
    }
}
} // namespace NQuillon
