// The program's command line, run as a user would: the one-shot commands, their message boxes
// answered through the boxes' own buttons, and the second-instance guards.

#include "app/CommandLineRole.h"
#include "app/ServiceCommands.h"

#include "tests/app/win32/AppTestSupport.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <fstream>

using namespace NQuillon;
using namespace NQuillonTest;

namespace
{
// Expects one message box with the caption and text, answers it with the button.
void fg_ExpectBox(CProgramProcess& process, const char* caption, const std::string& text, int button)
{
    CMessageBox box;
    ASSERT_TRUE(gf_WaitForMessageBox(process, box))
        << "no message box \"" << text << "\": " << process.f_Describe() << "\n"
        << gf_LastTraceLines();
    EXPECT_EQ(box.m_Caption, caption);
    EXPECT_EQ(box.m_Text, text);
    gf_AnswerMessageBox(box, button);
}

std::string fg_FileText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool fg_FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
} // namespace

TEST(CommandLineProcess, HelpShowsTheWholeCommandLine)
{
    for (const char* arguments : {"", "-Bogus value"})
    {
        SCOPED_TRACE(arguments);
        CProgramProcess process(arguments);
        ASSERT_TRUE(process.f_IsStarted()) << process.f_Describe();
        CMessageBox box;
        ASSERT_TRUE(gf_WaitForMessageBox(process, box));
        EXPECT_EQ(box.m_Caption, "Command Line Options");
        std::string commandLine = "\"" + gf_ProgramDirectory() + "\\Quillon.x64.exe\"";
        if (*arguments)
            commandLine += std::string(" ") + arguments;
        EXPECT_EQ(box.m_Text, gf_FormatHelpText(commandLine.c_str()).f_GetStr());
        EXPECT_FALSE(box.m_bHasIcon);
        EXPECT_TRUE(box.m_bOk);
        EXPECT_FALSE(box.m_bYes);
        gf_AnswerMessageBox(box, IDOK);
        EXPECT_EQ(process.f_Wait(), gc_ExitSucceeded) << gf_LastTraceLines();
    }
}

TEST(CommandLineProcess, AddAndRemoveWithATwoWordName)
{
    const std::string name = gf_UniqueServiceName("Two") + " Words";
    CServiceCleanup cleanup(name);
    EXPECT_TRUE(gf_RunSucceeds("-AddService " + name, name));
    const CServiceConfig config = gf_QueryServiceConfig(name);
    ASSERT_TRUE(config.m_bExists);
    EXPECT_EQ(config.m_DisplayName, "Quillon [" + name + "]");
    EXPECT_EQ(config.m_Command, gf_ExpectedServiceCommand(name));
    EXPECT_EQ(config.m_LoadOrderGroup, "Event Log");
    EXPECT_EQ(config.m_Description, "Remaps keyboard and mouse input");
    EXPECT_EQ(config.m_StartType, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_TRUE(gf_RunSucceeds("-RemoveService   " + name, name));
    EXPECT_FALSE(gf_QueryServiceConfig(name).m_bExists);
}

TEST(CommandLineProcess, AddIfNotAddedIsNeverThePlainAdd)
{
    const std::string name = gf_UniqueServiceName("IfNot");
    CServiceCleanup cleanup(name);
    EXPECT_TRUE(gf_RunSucceeds("-AddServiceIfNotAdded " + name, name));
    ASSERT_EQ(gf_QueryServiceConfig(name).m_Command, gf_ExpectedServiceCommand(name));

    // Same program: the service is kept as it is (a plain add would make it anew).
    ASSERT_TRUE(gf_SetServiceDisplayName(name, "Kept"));
    EXPECT_TRUE(gf_RunSucceeds("-AddServiceIfNotAdded " + name, name));
    EXPECT_EQ(gf_QueryServiceConfig(name).m_DisplayName, "Kept");

    // Another program path: only the command is mended.
    ASSERT_TRUE(gf_SetServiceCommand(name, "\"C:\\Old\\Quillon.x64.exe\" -Service " + name));
    EXPECT_TRUE(gf_RunSucceeds("-AddServiceIfNotAdded " + name, name));
    CServiceConfig config = gf_QueryServiceConfig(name);
    EXPECT_EQ(config.m_Command, gf_ExpectedServiceCommand(name));
    EXPECT_EQ(config.m_DisplayName, "Kept");

    // The plain add replaces it.
    EXPECT_TRUE(gf_RunSucceeds("-AddService " + name, name));
    EXPECT_EQ(gf_QueryServiceConfig(name).m_DisplayName, "Quillon [" + name + "]");
}

TEST(CommandLineProcess, AddRetriesWhileTheOldServiceIsHeldOpen)
{
    const std::string name = gf_UniqueServiceName("Retry");
    CServiceCleanup cleanup(name);
    EXPECT_TRUE(gf_RunSucceeds("-AddService " + name, name));
    SC_HANDLE held = gf_OpenService(name, SERVICE_QUERY_STATUS);
    ASSERT_NE(held, nullptr);
    {
        CProgramProcess process("-AddService " + name);
        fg_ExpectBox(process, "Error", gc_AddServiceFailed, IDYES);
        CMessageBox box;
        ASSERT_TRUE(gf_WaitForMessageBox(process, box));
        EXPECT_EQ(box.m_Text, gc_AddServiceFailed);
        EXPECT_TRUE(box.m_bHasIcon);
        EXPECT_TRUE(box.m_bYes);
        EXPECT_TRUE(box.m_bNo);
        gf_AnswerMessageBox(box, IDNO);
        EXPECT_EQ(process.f_Wait(), gc_ExitAddServiceFailed) << gf_LastTraceLines();
    }
    CloseServiceHandle(held);
    // Once the handle is closed the marked service goes, and the add goes through.
    EXPECT_TRUE(gf_RunSucceeds("-AddService " + name, name));
    EXPECT_EQ(gf_QueryServiceConfig(name).m_Command, gf_ExpectedServiceCommand(name));
}

TEST(CommandLineProcess, RemoveRetriesWhileTheServiceCannotBeStopped)
{
    // A service that is not installed cannot be stopped: every round fails.
    const std::string name = gf_UniqueServiceName("Absent");
    CProgramProcess process("-RemoveService " + name);
    fg_ExpectBox(process, "Error", gc_RemoveServiceFailed, IDYES);
    fg_ExpectBox(process, "Error", gc_RemoveServiceFailed, IDNO);
    EXPECT_EQ(process.f_Wait(), gc_ExitRemoveServiceFailed) << gf_LastTraceLines();
}

TEST(CommandLineProcess, StartAndStopOfAServiceThatIsNotInstalled)
{
    const std::string name = gf_UniqueServiceName("None");
    {
        CProgramProcess process("-StopService " + name);
        CMessageBox box;
        ASSERT_TRUE(gf_WaitForMessageBox(process, box));
        EXPECT_EQ(box.m_Caption, "Error");
        EXPECT_EQ(box.m_Text, gc_StopServiceFailed);
        EXPECT_TRUE(box.m_bHasIcon);
        EXPECT_TRUE(box.m_bOk);
        EXPECT_FALSE(box.m_bNo);
        gf_AnswerMessageBox(box, IDOK);
        EXPECT_EQ(process.f_Wait(), gc_ExitStopServiceFailed) << gf_LastTraceLines();
    }
    {
        CProgramProcess process("-StartService " + name);
        fg_ExpectBox(process, "Error", gc_StartServiceFailed, IDOK);
        EXPECT_EQ(process.f_Wait(), gc_ExitStartServiceFailed) << gf_LastTraceLines();
    }
}

TEST(CommandLineProcess, StopOfAnInstalledServiceThatIsNotRunning)
{
    const std::string name = gf_UniqueServiceName("Idle");
    CServiceCleanup cleanup(name);
    EXPECT_TRUE(gf_RunSucceeds("-AddService " + name, name));
    EXPECT_TRUE(gf_RunSucceeds("-StopService " + name, name));
    EXPECT_EQ(gf_QueryServiceState(name), static_cast<DWORD>(SERVICE_STOPPED));
}

// The service's state folder, where the markers live.
std::string fg_StateDirectory()
{
    char shared[MAX_PATH] = {};
    EXPECT_TRUE(
        SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, shared)));
    return std::string(shared) + "\\Quillon";
}

TEST(CommandLineProcess, UninstallDriversWithoutTheService)
{
    const std::string name = gf_UniqueServiceName("NoDrivers");
    const std::string directory = fg_StateDirectory();
    const std::string request = directory + "\\UninstallDrivers";
    const std::string reboot = directory + "\\Rebootneeded";
    CreateDirectoryA(directory.c_str(), nullptr);
    DeleteFileA(request.c_str());
    std::ofstream(reboot, std::ios::binary) << "x";
    {
        CProgramProcess process("-UninstallDrivers " + name);
        fg_ExpectBox(process, "Error", gc_StopServiceFailed, IDOK);
        fg_ExpectBox(process, "Error", gc_StartServiceFailed, IDOK);
        CMessageBox box;
        ASSERT_TRUE(gf_WaitForMessageBox(process, box));
        EXPECT_EQ(box.m_Caption, "Warning");
        EXPECT_EQ(box.m_Text, gc_RebootToFinishUninstall);
        EXPECT_TRUE(box.m_bHasIcon);
        gf_AnswerMessageBox(box, IDOK);
        EXPECT_EQ(process.f_Wait(), gc_ExitStopServiceFailed) << gf_LastTraceLines();
    }
    // Only the service deletes the reboot marker, after the restart.
    EXPECT_TRUE(fg_FileExists(reboot));
    // The request was left for a service that never came.
    EXPECT_EQ(fg_FileText(request), std::string(1, '\x01'));
    DeleteFileA(request.c_str());
    DeleteFileA(reboot.c_str());
}

TEST(CommandLineProcess, ProtectProgramFolderSucceeds)
{
    EXPECT_TRUE(gf_RunSucceeds("-ProtectProgramFolder", ""));
}

TEST(CommandLineProcess, SecondEngineEndsSilently)
{
    ASSERT_FALSE(gf_EngineIsRunning()) << "another engine runs in this Wine session";
    CProgramProcess first("-RunAsProgram");
    ASSERT_TRUE(gf_WaitForMutex("Global\\QuillonStartup", first));
    ASSERT_TRUE(first.f_IsRunning());
    {
        CProgramProcess second("-RunAsProgram");
        EXPECT_EQ(second.f_Wait(), gc_ExitAlreadyRunning) << gf_LastTraceLines();
    }
    // The service role never yields to the guard (a user could make it first): outside the
    // service control manager it fails only because the dispatcher cannot start.
    {
        CProgramProcess service("-Service Quillon");
        EXPECT_EQ(service.f_Wait(), gc_ExitFailed) << gf_LastTraceLines();
    }
    // The tray icon has its own guard.
    CProgramProcess tray("-TrayIcon");
    ASSERT_TRUE(gf_WaitForMutex("Local\\QuillonTrayIconStartup", tray));
    EXPECT_TRUE(tray.f_IsRunning());
    EXPECT_FALSE(gf_HasMessageBox(first));
    ASSERT_TRUE(tray.f_PostQuit());
    EXPECT_EQ(tray.f_Wait(), gc_ExitSucceeded) << gf_LastTraceLines();
    ASSERT_TRUE(first.f_PostQuit());
    EXPECT_EQ(first.f_Wait(), gc_ExitSucceeded) << gf_LastTraceLines();
}

TEST(CommandLineProcess, SecondTrayIconEndsSilently)
{
    CProgramProcess first("-TrayIcon");
    ASSERT_TRUE(gf_WaitForMutex("Local\\QuillonTrayIconStartup", first));
    ASSERT_TRUE(first.f_IsRunning());
    {
        CProgramProcess second("-TrayIcon");
        EXPECT_EQ(second.f_Wait(), gc_ExitAlreadyRunning) << gf_LastTraceLines();
    }
    ASSERT_TRUE(first.f_PostQuit());
    EXPECT_EQ(first.f_Wait(), gc_ExitSucceeded) << gf_LastTraceLines();
}

TEST(CommandLineProcess, QuietFailuresShowNoBoxAndEndWithTheirOwnCode)
{
    // No such service; the add meets the old service still held open (marked for deletion).
    const std::string name = gf_UniqueServiceName("Quiet");
    const std::string held = gf_UniqueServiceName("QuietHeld");
    CServiceCleanup cleanup(held);
    ASSERT_TRUE(gf_RunSucceeds("-AddService " + held, held));
    SC_HANDLE handle = gf_OpenService(held, SERVICE_QUERY_STATUS);
    ASSERT_NE(handle, nullptr);
    struct CCase
    {
        std::string m_Arguments;
        int m_ExitCode;
        const char* m_pTrace;
    };
    const CCase cases[] = {
        {"-Quiet -StopService " + name, gc_ExitStopServiceFailed, "Quiet, error: Failed to stop service."},
        {"-StartService " + name + " -Quiet", gc_ExitStartServiceFailed,
         "Quiet, error: Failed to start service."},
        {"-Quiet -RemoveService " + name, gc_ExitRemoveServiceFailed,
         "Quiet, answered No: Failed to delete service."},
        {"-Quiet -AddService " + held, gc_ExitAddServiceFailed, "Quiet, answered No: Failed to add service."},
        {"-Quiet", gc_ExitNoCommand, "Quiet: no command"},
        {"-Quiet -Bogus", gc_ExitNoCommand, "Quiet: no command"},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.m_Arguments);
        CProgramProcess process(c.m_Arguments);
        ASSERT_TRUE(process.f_IsStarted()) << process.f_Describe();
        // A box would hold the process up until the wait gives up.
        EXPECT_EQ(process.f_Wait(30000), c.m_ExitCode) << gf_LastTraceLines();
        const std::string trace = gf_LastTraceLines(60);
        EXPECT_NE(trace.find(c.m_pTrace), std::string::npos) << trace;
        EXPECT_NE(trace.find("ends with exit code " + std::to_string(c.m_ExitCode)), std::string::npos)
            << trace;
    }
    CloseServiceHandle(handle);
}

TEST(CommandLineProcess, QuietUninstallDriversGivesTheFirstFailuresCode)
{
    const std::string name = gf_UniqueServiceName("QuietDrivers");
    CProgramProcess process("-Quiet -UninstallDrivers " + name);
    // The first failure decides: the stop of a service that does not exist.
    EXPECT_EQ(process.f_Wait(), gc_ExitStopServiceFailed) << gf_LastTraceLines();
    // The request stays for a later service; no later test's service may take it.
    char shared[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, shared);
    const std::string request = std::string(shared) + "\\Quillon\\UninstallDrivers";
    EXPECT_TRUE(fg_FileExists(request));
    DeleteFileA(request.c_str());
}
