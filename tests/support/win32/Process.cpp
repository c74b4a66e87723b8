#include "tests/support/Process.h"

#include <windows.h>

#include <cstdio>

namespace NQuillonTest
{
struct CProcess
{
    HANDLE m_Handle;
};

CProcess* gf_StartProcess(const std::string& program, const std::vector<std::string>& arguments)
{
    std::string commandLine = "\"" + program + "\"";
    for (const std::string& argument : arguments)
        commandLine += " \"" + argument + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION information = {};
    // Wine has been seen to refuse a start once, right after another test's threads ended: try
    // again a few times, and say why each attempt failed.
    for (int attempt = 1;; ++attempt)
    {
        if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                           &startup, &information))
            break;
        std::fprintf(stderr, "starting %s failed (attempt %d, error %lu)\n", program.c_str(), attempt,
                     GetLastError());
        if (attempt == 5)
            return nullptr;
        Sleep(100);
    }
    CloseHandle(information.hThread);
    return new CProcess{information.hProcess};
}

int gf_WaitProcess(CProcess* process)
{
    if (!process)
        return -1;
    HANDLE handle = process->m_Handle;
    delete process;
    DWORD code = 0;
    const bool ok =
        WaitForSingleObject(handle, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(handle, &code);
    CloseHandle(handle);
    return ok ? static_cast<int>(code) : -1;
}
} // namespace NQuillonTest
