#include "tests/app/win32/AppTestSupport.h"

#include "app/CommandLineRole.h"
#include "core/win32/ServiceHandle.h"
#include "tests/support/win32/DebugMonitor.h"

#include <cstdio>
#include <vector>

namespace NQuillonTest
{
namespace
{
using NTev::NSys::CServiceHandle;

constexpr DWORD gc_PollMilliseconds = 20;

// Traces are collected from the start of the test program: a failure shows what came before.
const bool g_bMonitorStarted = (gf_GetDebugMonitor(), true);

std::string fg_ProgramPath()
{
    char full[MAX_PATH * 2];
    DWORD length = GetFullPathNameA(QUILLON_PROGRAM, sizeof(full), full, nullptr);
    return std::string(full, length);
}

struct CFindWindow
{
    DWORD m_ProcessId;
    const std::function<bool(HWND)>& m_Matches;
    HWND m_Found;
};

BOOL CALLBACK fg_FindWindow(HWND window, LPARAM parameter)
{
    auto* find = reinterpret_cast<CFindWindow*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId == find->m_ProcessId && find->m_Matches(window))
    {
        find->m_Found = window;
        return FALSE;
    }
    return TRUE;
}

HWND fg_FindMessageBox(DWORD processId)
{
    return gf_FindProcessWindow(processId,
                                [](HWND window)
                                {
                                    char className[64] = {};
                                    GetClassNameA(window, className, sizeof(className));
                                    return std::string(className) == "#32770" && IsWindowVisible(window);
                                });
}

std::string fg_WindowText(HWND window)
{
    if (!window)
        return std::string();
    const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    return std::string(text.data());
}

bool fg_HasButton(HWND box, int id)
{
    HWND button = GetDlgItem(box, id);
    return button && IsWindowVisible(button);
}
} // namespace

HWND gf_FindProcessWindow(DWORD processId, const std::function<bool(HWND)>& matches)
{
    CFindWindow find{processId, matches, nullptr};
    EnumWindows(&fg_FindWindow, reinterpret_cast<LPARAM>(&find));
    return find.m_Found;
}

CProgramProcess::CProgramProcess(const std::string& arguments) : CProgramProcess(fg_ProgramPath(), arguments)
{
}

CProgramProcess::CProgramProcess(const std::string& program, const std::string& arguments)
    : m_Arguments(arguments)
{
    std::string commandLine = "\"" + program + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION information = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &information))
    {
        m_StartError = GetLastError();
        std::fprintf(stderr, "%s\n", f_Describe().c_str());
        return;
    }
    CloseHandle(information.hThread);
    m_Process = information.hProcess;
    m_ProcessId = information.dwProcessId;
    m_ThreadId = information.dwThreadId;
}

CProgramProcess::~CProgramProcess()
{
    if (!m_Process)
        return;
    if (WaitForSingleObject(m_Process, 0) == WAIT_TIMEOUT)
    {
        TerminateProcess(m_Process, 255);
        WaitForSingleObject(m_Process, 10000);
    }
    CloseHandle(m_Process);
}

int CProgramProcess::f_Wait(DWORD milliseconds)
{
    if (!m_Process || WaitForSingleObject(m_Process, milliseconds) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(m_Process, &code);
    return static_cast<int>(code);
}

std::string CProgramProcess::f_Describe() const
{
    if (!m_Process)
    {
        char text[256] = {};
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, m_StartError, 0,
                       text, sizeof(text), nullptr);
        return "\"" + m_Arguments + "\" did not start: CreateProcessA error " + std::to_string(m_StartError) +
               " " + text;
    }
    DWORD code = 0;
    if (WaitForSingleObject(m_Process, 0) == WAIT_TIMEOUT || !GetExitCodeProcess(m_Process, &code))
        return "process " + std::to_string(m_ProcessId) + " still running";
    return "process " + std::to_string(m_ProcessId) + " exit code " + std::to_string(code);
}

bool CProgramProcess::f_IsRunning() const
{
    return m_Process && WaitForSingleObject(m_Process, 0) == WAIT_TIMEOUT;
}

bool CProgramProcess::f_PostQuit() const
{
    return PostThreadMessageA(m_ThreadId, WM_QUIT, 0, 0) != FALSE;
}

bool gf_WaitForMessageBox(const CProgramProcess& process, CMessageBox& box, DWORD milliseconds)
{
    const ULONGLONG end = GetTickCount64() + milliseconds;
    for (;;)
    {
        if (HWND window = fg_FindMessageBox(process.f_GetProcessId()))
        {
            box.m_Window = window;
            box.m_Caption = fg_WindowText(window);
            box.m_Text = fg_WindowText(GetDlgItem(window, 0xFFFF));
            // The icon control of a message box has the id 0x440 here and 20 on Windows.
            box.m_bHasIcon = false;
            for (int id : {0x440, 20})
            {
                HWND icon = GetDlgItem(window, id);
                if (icon && IsWindowVisible(icon) && SendMessageA(icon, STM_GETICON, 0, 0))
                    box.m_bHasIcon = true;
            }
            box.m_bYes = fg_HasButton(window, IDYES);
            box.m_bNo = fg_HasButton(window, IDNO);
            box.m_bOk = fg_HasButton(window, IDOK);
            return true;
        }
        if (!process.f_IsRunning() || GetTickCount64() > end)
            return false;
        Sleep(gc_PollMilliseconds);
    }
}

void gf_AnswerMessageBox(const CMessageBox& box, int button)
{
    HWND control = GetDlgItem(box.m_Window, button);
    if (control)
        SendMessageA(control, BM_CLICK, 0, 0);
    else
        PostMessageA(box.m_Window, WM_COMMAND, button, 0);
    for (int i = 0; i < 500 && IsWindow(box.m_Window); ++i)
        Sleep(gc_PollMilliseconds);
}

bool gf_HasMessageBox(const CProgramProcess& process)
{
    return fg_FindMessageBox(process.f_GetProcessId()) != nullptr;
}

std::string gf_DescribeService(const std::string& name)
{
    static const char* const stateNames[] = {"?",       "STOPPED",          "START_PENDING", "STOP_PENDING",
                                             "RUNNING", "CONTINUE_PENDING", "PAUSE_PENDING", "PAUSED"};
    CServiceHandle service(gf_OpenService(name, SERVICE_QUERY_STATUS));
    if (!service.f_Get())
        return "service " + name + ": cannot be opened (error " + std::to_string(GetLastError()) + ")";
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (!QueryServiceStatusEx(service.f_Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                              sizeof(status), &needed))
        return "service " + name + ": status cannot be queried (error " + std::to_string(GetLastError()) +
               ")";
    const DWORD state = status.dwCurrentState < 8 ? status.dwCurrentState : 0;
    return "service " + name + ": " + stateNames[state] + ", process " + std::to_string(status.dwProcessId) +
           ", exit code " + std::to_string(status.dwWin32ExitCode) + "/" +
           std::to_string(status.dwServiceSpecificExitCode);
}

std::string gf_LastTraceLines(std::size_t count)
{
    return "last trace lines of the programs:\n" + gf_GetDebugMonitor().f_GetLastLines(count);
}

::testing::AssertionResult gf_RunSucceeds(const std::string& arguments, const std::string& serviceName)
{
    return gf_RunProgramSucceeds(fg_ProgramPath(), arguments, serviceName);
}

::testing::AssertionResult gf_RunProgramSucceeds(const std::string& program, const std::string& arguments,
                                                 const std::string& serviceName)
{
    CProgramProcess process(program, arguments);
    std::string boxes;
    const ULONGLONG end = GetTickCount64() + 60000;
    while (process.f_IsRunning() && GetTickCount64() < end)
    {
        CMessageBox box;
        if (gf_WaitForMessageBox(process, box, 0))
        {
            boxes += " shows \"" + box.m_Text + "\";";
            gf_AnswerMessageBox(box, box.m_bNo ? IDNO : IDOK);
        }
        else
            Sleep(gc_PollMilliseconds);
    }
    const int code = process.f_Wait(0);
    if (code == NQuillon::gc_ExitSucceeded && boxes.empty())
        return ::testing::AssertionSuccess();
    ::testing::AssertionResult result = ::testing::AssertionFailure();
    result << "\"" << arguments << "\"" << boxes << " " << process.f_Describe() << "\n";
    if (!serviceName.empty())
        result << gf_DescribeService(serviceName) << "\n";
    return result << gf_LastTraceLines();
}

bool gf_EngineIsRunning()
{
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "Global\\QuillonStartup");
    if (!mutex)
        return false;
    CloseHandle(mutex);
    return true;
}

std::string gf_UniqueServiceName(const char* tag)
{
    return std::string("QuillonTest") + tag + std::to_string(GetCurrentProcessId());
}

SC_HANDLE gf_OpenService(const std::string& name, DWORD access)
{
    CServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager.f_Get())
        return nullptr;
    return OpenServiceA(manager.f_Get(), name.c_str(), access);
}

CServiceConfig gf_QueryServiceConfig(const std::string& name)
{
    CServiceConfig result;
    CServiceHandle service(gf_OpenService(name, SERVICE_QUERY_CONFIG));
    if (!service.f_Get())
        return result;
    result.m_bExists = true;
    DWORD needed = 0;
    QueryServiceConfigA(service.f_Get(), nullptr, 0, &needed);
    std::vector<unsigned char> buffer(needed + 1);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (QueryServiceConfigA(service.f_Get(), config, needed, &needed))
    {
        auto text = [](const char* value) { return std::string(value ? value : ""); };
        result.m_Type = config->dwServiceType;
        result.m_StartType = config->dwStartType;
        result.m_ErrorControl = config->dwErrorControl;
        result.m_Command = text(config->lpBinaryPathName);
        result.m_LoadOrderGroup = text(config->lpLoadOrderGroup);
        result.m_StartName = text(config->lpServiceStartName);
        result.m_DisplayName = text(config->lpDisplayName);
    }
    needed = 0;
    QueryServiceConfig2A(service.f_Get(), SERVICE_CONFIG_DESCRIPTION, nullptr, 0, &needed);
    if (needed)
    {
        std::vector<unsigned char> description(needed);
        auto* value = reinterpret_cast<SERVICE_DESCRIPTIONA*>(description.data());
        if (QueryServiceConfig2A(service.f_Get(), SERVICE_CONFIG_DESCRIPTION, description.data(), needed,
                                 &needed) &&
            value->lpDescription)
            result.m_Description = value->lpDescription;
    }
    return result;
}

DWORD gf_QueryServiceState(const std::string& name, DWORD* processId)
{
    CServiceHandle service(gf_OpenService(name, SERVICE_QUERY_STATUS));
    if (!service.f_Get())
        return 0;
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    if (!QueryServiceStatusEx(service.f_Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                              sizeof(status), &needed))
        return 0;
    if (processId)
        *processId = status.dwProcessId;
    return status.dwCurrentState;
}

bool gf_SetServiceCommand(const std::string& name, const std::string& command)
{
    CServiceHandle service(gf_OpenService(name, SERVICE_CHANGE_CONFIG));
    return service.f_Get() &&
           ChangeServiceConfigA(service.f_Get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

bool gf_SetServiceDisplayName(const std::string& name, const std::string& displayName)
{
    CServiceHandle service(gf_OpenService(name, SERVICE_CHANGE_CONFIG));
    return service.f_Get() &&
           ChangeServiceConfigA(service.f_Get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, displayName.c_str());
}

std::string gf_ExpectedServiceCommand(const std::string& name)
{
    return "\"" + fg_ProgramPath() + "\" -Service " + name;
}

std::string gf_ProgramPath()
{
    return fg_ProgramPath();
}

std::string gf_ProgramDirectory()
{
    const std::string path = fg_ProgramPath();
    return path.substr(0, path.find_last_of('\\'));
}

void gf_DeleteServiceNow(const std::string& name)
{
    CServiceHandle service(gf_OpenService(name, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
    if (!service.f_Get())
        return;
    SERVICE_STATUS_PROCESS status = {};
    DWORD needed = 0;
    HANDLE process = nullptr;
    if (QueryServiceStatusEx(service.f_Get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                             sizeof(status), &needed) &&
        status.dwProcessId)
        process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, status.dwProcessId);
    SERVICE_STATUS stopStatus = {};
    ControlService(service.f_Get(), SERVICE_CONTROL_STOP, &stopStatus);
    if (process)
    {
        if (WaitForSingleObject(process, 10000) != WAIT_OBJECT_0)
            TerminateProcess(process, 255);
        CloseHandle(process);
    }
    DeleteService(service.f_Get());
}

bool gf_WaitForMutex(const char* name, const CProgramProcess& process)
{
    for (int i = 0; i < 1500 && process.f_IsRunning(); ++i)
    {
        if (HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name))
        {
            CloseHandle(mutex);
            return true;
        }
        Sleep(20);
    }
    return false;
}
} // namespace NQuillonTest
