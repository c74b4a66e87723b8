// Quillon.exe: starts the build of Quillon that matches the running Windows with this
// process's command line, waits for it and ends with its exit code. No window, no message:
// kernel32 and the C runtime only.

#include "launcher/CommandLineRewrite.h"

#include <windows.h>

using namespace NQuillon::NLauncher;

namespace
{
using TIsWow64Process = BOOL(WINAPI*)(HANDLE, PBOOL);

// Looked up by name once, before WinMain: Windows before XP SP2 lacks it.
const TIsWow64Process gc_IsWow64Process = reinterpret_cast<TIsWow64Process>(
    reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32"), "IsWow64Process")));

// Set for the child. A launcher that finds it was started by a launcher: the rewritten line
// named the launcher again (an unquoted path without ".exe" and an argument ending in ".exe"
// does), and going on would start launchers without end.
const wchar_t gc_LaunchedVariable[] = L"QUILLON_LAUNCHER";

EBuild fg_ChooseBuild()
{
    BOOL wow64 = FALSE;
    const bool canAsk = gc_IsWow64Process != nullptr;
    if (canAsk && !gc_IsWow64Process(GetCurrentProcess(), &wow64))
        wow64 = FALSE;
    return gf_ChooseBuild(sizeof(void*) == 8, canAsk, wow64 != FALSE);
}

unsigned fg_Run()
{
    if (GetEnvironmentVariableW(gc_LaunchedVariable, nullptr, 0) != 0)
        return gc_ExitNoChild;
    static wchar_t commandLine[gc_CommandLineCapacity];
    if (gf_RewriteCommandLine<wchar_t>(GetCommandLineW(), fg_ChooseBuild(), commandLine,
                                       gc_CommandLineCapacity) != ERewrite::Built)
        return gc_ExitNoChild;
    SetEnvironmentVariableW(gc_LaunchedVariable, L"1");

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return gc_ExitNoChild;
    CloseHandle(process.hThread);
    DWORD exitCode = gc_ExitNoChild;
    WaitForSingleObject(process.hProcess, INFINITE);
    if (!GetExitCodeProcess(process.hProcess, &exitCode))
        exitCode = gc_ExitNoChild;
    CloseHandle(process.hProcess);
    return exitCode;
}
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return static_cast<int>(fg_Run());
}
