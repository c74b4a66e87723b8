// Stands in for the build the launcher starts: writes its command line (UTF-16, as received)
// to the file named by QUILLON_CHILD_REPORT and ends with the number after its last "exit=".

#include <windows.h>

#include <cstdlib>
#include <cwchar>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const wchar_t* line = GetCommandLineW();
    wchar_t report[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"QUILLON_CHILD_REPORT", report, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
    {
        HANDLE file = CreateFileW(report, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE)
        {
            DWORD written = 0;
            WriteFile(file, line, static_cast<DWORD>(std::wcslen(line) * sizeof(wchar_t)), &written, nullptr);
            CloseHandle(file);
        }
    }
    unsigned long code = 0;
    for (const wchar_t* at = std::wcsstr(line, L"exit="); at; at = std::wcsstr(at + 1, L"exit="))
        code = std::wcstoul(at + 5, nullptr, 10);
    ExitProcess(static_cast<UINT>(code));
}
