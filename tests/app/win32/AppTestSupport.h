#pragma once
// What the tests of the program share: starting the real program with a raw argument text,
// answering its message boxes as a user would, and looking at services directly through the
// service control manager.

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

namespace NQuillonTest
{
// The program under test, started with "<quoted path> <arguments>". A process still running
// at the end is terminated.
class CProgramProcess
{
public:
    explicit CProgramProcess(const std::string& arguments);
    // A copy of the program elsewhere (its directory is the program directory).
    CProgramProcess(const std::string& program, const std::string& arguments);
    ~CProgramProcess();
    CProgramProcess(const CProgramProcess&) = delete;
    CProgramProcess& operator=(const CProgramProcess&) = delete;

    bool f_IsStarted() const noexcept { return m_Process != nullptr; }
    DWORD f_GetProcessId() const noexcept { return m_ProcessId; }
    const std::string& f_GetArguments() const noexcept { return m_Arguments; }
    // What it came to: "exit code N", "still running" or why it did not start.
    std::string f_Describe() const;
    // Waits for the end; the exit code, or -1 when it did not end in time.
    int f_Wait(DWORD milliseconds = 60000);
    bool f_IsRunning() const;
    // Ends the message loop of the program's main thread.
    bool f_PostQuit() const;

private:
    std::string m_Arguments;
    HANDLE m_Process = nullptr;
    DWORD m_ProcessId = 0;
    DWORD m_ThreadId = 0;
    DWORD m_StartError = 0;
};

// A message box shown by a process.
struct CMessageBox
{
    HWND m_Window = nullptr;
    std::string m_Caption;
    std::string m_Text;
    // The icon's style bits as far as they can be seen: true when an icon is shown.
    bool m_bHasIcon = false;
    // Whether the box has these buttons.
    bool m_bYes = false;
    bool m_bNo = false;
    bool m_bOk = false;
};

// The first top-level window of the process that matches, or null.
HWND gf_FindProcessWindow(DWORD processId, const std::function<bool(HWND)>& matches);

// Waits for a message box of the process to appear; false when the process ended or none
// came in time.
bool gf_WaitForMessageBox(const CProgramProcess& process, CMessageBox& box, DWORD milliseconds = 30000);
// Answers the box with a button (IDOK, IDYES, IDNO) and waits for it to go.
void gf_AnswerMessageBox(const CMessageBox& box, int button);
// Whether the process shows any message box now.
bool gf_HasMessageBox(const CProgramProcess& process);

// What a failing test shows about the programs it ran (they write their traces to the debug
// output, which the tests collect): the service's state, its process and exit codes, and the
// last trace lines of the processes of the session.
std::string gf_DescribeService(const std::string& name);
std::string gf_LastTraceLines(std::size_t count = 25);

// Runs the program to its end and succeeds when it exits with gc_ExitSucceeded. A message box
// it shows is answered (No where it asks, else OK) and named in the failure, which also
// describes the service (when a name is given) and the last trace lines.
::testing::AssertionResult gf_RunSucceeds(const std::string& arguments, const std::string& serviceName = {});
::testing::AssertionResult gf_RunProgramSucceeds(const std::string& program, const std::string& arguments,
                                                 const std::string& serviceName = {});

// Whether an engine (service or background program) holds its guard in this session: the
// tests that start one need it to be the only one.
bool gf_EngineIsRunning();

// A service name no other test uses: "QuillonTest<tag><pid>".
std::string gf_UniqueServiceName(const char* tag);

// The service's configuration as the service control manager holds it.
struct CServiceConfig
{
    bool m_bExists = false;
    DWORD m_Type = 0;
    DWORD m_StartType = 0;
    DWORD m_ErrorControl = 0;
    std::string m_Command;
    std::string m_LoadOrderGroup;
    std::string m_StartName;
    std::string m_DisplayName;
    std::string m_Description;
};
CServiceConfig gf_QueryServiceConfig(const std::string& name);
// The state (SERVICE_RUNNING ...) and process id; state 0 when it cannot be queried.
DWORD gf_QueryServiceState(const std::string& name, DWORD* processId = nullptr);
bool gf_SetServiceCommand(const std::string& name, const std::string& command);
bool gf_SetServiceDisplayName(const std::string& name, const std::string& displayName);
// Opens a service with the access; null when it cannot.
SC_HANDLE gf_OpenService(const std::string& name, DWORD access);
// The program's command as the service runs it: "\"<path>\" -Service <name>".
std::string gf_ExpectedServiceCommand(const std::string& name);
// The program under test.
std::string gf_ProgramPath();

// A program directory of its own: a copy of the program at program, in its directory a
// Settings.dat built from the configuration (JSON as quillon-config takes it). In
// ProgramDirectory.cpp, which only the program's tests link.
::testing::AssertionResult gf_MakeProgramDirectory(const std::string& directory, const std::string& program,
                                                   const char* configuration);
// The directory of the program under test, "\" separated, no trailing separator.
std::string gf_ProgramDirectory();

// Waits (about 30 s at most) until the named mutex exists: the program under test made it.
bool gf_WaitForMutex(const char* name, const CProgramProcess& process);

// Stops (waiting for the service's process) and deletes the service, whatever its state.
void gf_DeleteServiceNow(const std::string& name);

// Deletes the named service at the end of a test.
class CServiceCleanup
{
public:
    explicit CServiceCleanup(std::string name) : m_Name(static_cast<std::string&&>(name)) {}
    ~CServiceCleanup() { gf_DeleteServiceNow(m_Name); }
    CServiceCleanup(const CServiceCleanup&) = delete;
    CServiceCleanup& operator=(const CServiceCleanup&) = delete;

private:
    std::string m_Name;
};
} // namespace NQuillonTest
