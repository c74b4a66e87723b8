// "-ExitInstances" on real processes: a tray, a hidden agent and a background engine of the
// folder exit through their message loops; a process that cannot be asked is ended after the
// bound; programs of other folders and the command's own launcher are left alone.

#include "app/CommandLineRole.h"

#include "tests/app/win32/AppTestSupport.h"
#include "tests/core/FileTestSupport.h"

#include <gtest/gtest.h>

using namespace NQuillon;
using namespace NQuillonTest;

namespace
{
const char* const gc_Configuration = R"json({
  "defaultTable": "Main", "defaultPreset": "Default",
  "presets": [{"name": "Default"}],
  "tables": [{"name": "Main", "groups": [{"name": "Main", "priority": 3, "actions": []}]}]
})json";

std::string fg_Windows(const std::string& path)
{
    std::string result = path;
    for (char& c : result)
        if (c == '/')
            c = '\\';
    return result;
}
} // namespace

TEST(ExitInstancesProcess, TheFoldersProcessesExitAndTheStubbornOneIsEnded)
{
    ASSERT_FALSE(gf_EngineIsRunning()) << "another engine runs in this Wine session";
    CTempDirectory folder;
    CTempDirectory other;
    const std::string program = fg_Windows(folder.f_Path("Quillon.x64.exe"));
    const std::string otherProgram = fg_Windows(other.f_Path("Quillon.x64.exe"));
    const std::string stubborn = fg_Windows(folder.f_Path("Stubborn.exe"));
    ASSERT_TRUE(gf_MakeProgramDirectory(folder.f_GetPath(), program, gc_Configuration));
    ASSERT_TRUE(gf_MakeProgramDirectory(other.f_GetPath(), otherProgram, gc_Configuration));
    ASSERT_TRUE(CopyFileA(QUILLON_STUBBORN_PROCESS, stubborn.c_str(), FALSE)) << GetLastError();

    CProgramProcess tray(program, "-TrayIcon");
    ASSERT_TRUE(gf_WaitForMutex("Local\\QuillonTrayIconStartup", tray)) << tray.f_Describe();
    CProgramProcess engine(program, "-RunAsProgram");
    ASSERT_TRUE(gf_WaitForMutex("Global\\QuillonStartup", engine)) << engine.f_Describe();
    CProgramProcess hung(stubborn, "");
    ASSERT_TRUE(hung.f_IsStarted()) << hung.f_Describe();
    // Another folder's program: its help box waits for an answer it never gets here.
    CProgramProcess elsewhere(otherProgram, "");
    CMessageBox box;
    ASSERT_TRUE(gf_WaitForMessageBox(elsewhere, box));

    const ULONGLONG started = GetTickCount64();
    CProgramProcess command(otherProgram, "-Quiet -ExitInstances " + fg_Windows(folder.f_GetPath()));
    EXPECT_EQ(command.f_Wait(60000), gc_ExitSucceeded) << gf_LastTraceLines(40);
    const ULONGLONG took = GetTickCount64() - started;

    // Asked: they ended through their own exit.
    EXPECT_EQ(tray.f_Wait(0), gc_ExitSucceeded) << tray.f_Describe();
    EXPECT_EQ(engine.f_Wait(0), gc_ExitSucceeded) << engine.f_Describe();
    // Not askable: ended after the bound (the code TerminateProcess gave it).
    EXPECT_EQ(hung.f_Wait(0), gc_ExitFailed) << hung.f_Describe();
    EXPECT_GE(took, 10000u);
    EXPECT_LT(took, 30000u);
    EXPECT_TRUE(elsewhere.f_IsRunning());
    gf_AnswerMessageBox(box, IDOK);
    EXPECT_EQ(elsewhere.f_Wait(), gc_ExitSucceeded);
}

TEST(ExitInstancesProcess, WithoutOtherInstancesItEndsAtOnce)
{
    CTempDirectory folder;
    const std::string program = fg_Windows(folder.f_Path("Quillon.x64.exe"));
    ASSERT_TRUE(gf_MakeProgramDirectory(folder.f_GetPath(), program, gc_Configuration));
    const ULONGLONG started = GetTickCount64();
    CProgramProcess command(program, "-Quiet -ExitInstances");
    EXPECT_EQ(command.f_Wait(60000), gc_ExitSucceeded) << gf_LastTraceLines();
    EXPECT_LT(GetTickCount64() - started, 5000u);
}

TEST(ExitInstancesProcess, TheDesktopShellStartsTheTrayForTheInstaller)
{
    // What the installer does at its end: the shell of the desktop starts the launcher of the
    // folder with the options, as the user of the desktop (Wine's shell serves the automation
    // interfaces too).
    CTempDirectory folder;
    const std::string program = fg_Windows(folder.f_Path("Quillon.x64.exe"));
    ASSERT_TRUE(gf_MakeProgramDirectory(folder.f_GetPath(), program, gc_Configuration));
    ASSERT_TRUE(CopyFileA(QUILLON_LAUNCHER, fg_Windows(folder.f_Path("Quillon.exe")).c_str(), FALSE))
        << GetLastError();
    ASSERT_EQ(OpenMutexA(SYNCHRONIZE, FALSE, "Local\\QuillonTrayIconStartup"), nullptr)
        << "a tray runs already";
    CProgramProcess command(program, "-Quiet -StartAsDesktopUser -TrayIcon");
    EXPECT_EQ(command.f_Wait(30000), gc_ExitSucceeded) << gf_LastTraceLines();
    HANDLE mutex = nullptr;
    for (int i = 0; i < 500 && !mutex; ++i)
    {
        mutex = OpenMutexA(SYNCHRONIZE, FALSE, "Local\\QuillonTrayIconStartup");
        if (!mutex)
            Sleep(20);
    }
    EXPECT_NE(mutex, nullptr) << "no tray started";
    if (mutex)
        CloseHandle(mutex);
    CProgramProcess exit(program, "-Quiet -ExitInstances");
    EXPECT_EQ(exit.f_Wait(60000), gc_ExitSucceeded) << gf_LastTraceLines();
}
