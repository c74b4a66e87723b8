// The 64-bit launcher under Wine, copied as Quillon.exe beside a stand-in child named
// Quillon.x64.exe, in a directory and in a subdirectory whose name holds ".exe".

#include "launcher/CommandLineRewrite.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace
{
std::wstring fg_Wide(const char* text)
{
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

class CLauncherProcess : public testing::Test
{
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
        m_Directory = std::wstring(temp) + L"quillon-launcher-" + std::to_wstring(GetCurrentProcessId());
        m_ExeDirectory = m_Directory + L"\\in.exe.d";
        for (const std::wstring& directory : {m_Directory, m_ExeDirectory})
        {
            ASSERT_TRUE(CreateDirectoryW(directory.c_str(), nullptr) ||
                        GetLastError() == ERROR_ALREADY_EXISTS);
            ASSERT_TRUE(
                CopyFileW(fg_Wide(QUILLON_LAUNCHER).c_str(), (directory + L"\\Quillon.exe").c_str(), FALSE));
            ASSERT_TRUE(CopyFileW(fg_Wide(QUILLON_LAUNCHER_CHILD).c_str(),
                                  (directory + L"\\Quillon.x64.exe").c_str(), FALSE));
        }
        m_Report = f_Path(L"report.txt");
        SetEnvironmentVariableW(L"QUILLON_CHILD_REPORT", m_Report.c_str());
    }

    void TearDown() override
    {
        for (const std::wstring& directory : {m_ExeDirectory, m_Directory})
        {
            for (const wchar_t* name : {L"\\Quillon.exe", L"\\Quillon.x64.exe", L"\\report.txt"})
                DeleteFileW((directory + name).c_str());
            RemoveDirectoryW(directory.c_str());
        }
        SetEnvironmentVariableW(L"QUILLON_CHILD_REPORT", nullptr);
    }

    std::wstring f_Path(const wchar_t* name) const { return m_Directory + L"\\" + name; }

    // Starts the launcher with this command line; answers its exit code.
    DWORD f_Launch(std::wstring commandLine)
    {
        DeleteFileW(m_Report.c_str());
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION process = {};
        if (!CreateProcessW(f_Path(L"Quillon.exe").c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                            nullptr, nullptr, &startup, &process))
        {
            ADD_FAILURE() << "the launcher did not start: " << GetLastError();
            return 0xFFFFFFFF;
        }
        CloseHandle(process.hThread);
        EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), static_cast<DWORD>(WAIT_OBJECT_0));
        DWORD exitCode = 0xFFFFFFFF;
        GetExitCodeProcess(process.hProcess, &exitCode);
        CloseHandle(process.hProcess);
        return exitCode;
    }

    // The command line the child received, or "(no child)".
    std::wstring f_ChildLine() const
    {
        HANDLE file = CreateFileW(m_Report.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return L"(no child)";
        wchar_t text[4096] = {};
        DWORD read = 0;
        ReadFile(file, text, sizeof(text) - sizeof(wchar_t), &read, nullptr);
        CloseHandle(file);
        return std::wstring(text, read / sizeof(wchar_t));
    }

    std::wstring m_Directory;
    std::wstring m_ExeDirectory;
    std::wstring m_Report;
};

TEST_F(CLauncherProcess, StartsTheBuildWithItsArgumentsAndPassesItsExitCode)
{
    struct CCase
    {
        std::wstring m_Line, m_Child;
        DWORD m_ExitCode;
    };
    const std::wstring dir = m_Directory;
    const std::wstring exeDir = m_ExeDirectory;
    const CCase cases[] = {
        {L"\"" + exeDir + L"\\Quillon.exe\" -TrayIcon  \"a  b\" \x263A\t exit=7",
         L"\"" + exeDir + L"\\Quillon.x64.exe\" -TrayIcon  \"a  b\" \x263A\t exit=7", 7},
        {exeDir + L"\\Quillon.exe", exeDir + L"\\Quillon.x64.exe", 0},
        {dir + L"\\Quillon exit=3", dir + L"\\Quillon.x64.exe exit=3", 3},
        {L"\"" + dir + L"\\Quillon\" exit=3221225477", L"\"" + dir + L"\\Quillon.x64.exe\" exit=3221225477",
         0xC0000005},
    };
    for (const CCase& c : cases)
    {
        EXPECT_EQ(f_Launch(c.m_Line), c.m_ExitCode);
        EXPECT_EQ(f_ChildLine(), c.m_Child);
    }
}

TEST_F(CLauncherProcess, StartsNoChildAndEndsWithTheNoChildCode)
{
    const std::wstring cases[] = {
        // The path names a program that is not Quillon(.exe).
        L"\"" + f_Path(L"Quillon") + L".exe-old\" exit=5",
        // Without ".exe" on the path, the argument's ".exe" takes the suffix and the child line
        // names Quillon, the launcher itself: the second launcher refuses to go on.
        f_Path(L"Quillon") + L" -x y.exe",
    };
    for (const std::wstring& line : cases)
    {
        EXPECT_EQ(f_Launch(line), NQuillon::NLauncher::gc_ExitNoChild) << line;
        EXPECT_EQ(f_ChildLine(), L"(no child)");
    }
    // The build is missing.
    ASSERT_TRUE(DeleteFileW(f_Path(L"Quillon.x64.exe").c_str()));
    EXPECT_EQ(f_Launch(L"\"" + f_Path(L"Quillon.exe") + L"\" exit=5"), NQuillon::NLauncher::gc_ExitNoChild);
    EXPECT_EQ(f_ChildLine(), L"(no child)");
}
} // namespace
