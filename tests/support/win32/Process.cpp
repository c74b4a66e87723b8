#include "tests/support/Process.h"

#include <windows.h>

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
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &information))
        return nullptr;
    CloseHandle(information.hThread);
    return new CProcess{information.hProcess};
}

int gf_WaitProcess(CProcess* process)
{
    HANDLE handle = process->m_Handle;
    delete process;
    DWORD code = 0;
    const bool ok =
        WaitForSingleObject(handle, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(handle, &code);
    CloseHandle(handle);
    return ok ? static_cast<int>(code) : -1;
}
} // namespace NQuillonTest
