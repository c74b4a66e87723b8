// The crash reporter in real crashes: each test copies the crash probe into a directory of its
// own, lets it crash there and looks at what it left.

#include "tests/app/win32/AppTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

using namespace NQuillonTest;

namespace
{
// The box comes after both dumps; a full dump of a process under Wine takes about half a minute.
constexpr DWORD gc_BoxWait = 180000;
constexpr std::uint32_t gc_MinidumpSignature = 0x504D444D; // "MDMP"
constexpr std::uint32_t gc_ThreadListStream = 3;
constexpr std::uint32_t gc_ModuleListStream = 4;
constexpr std::uint32_t gc_ExceptionStream = 6;
constexpr std::uint32_t gc_Memory64ListStream = 9;

std::string fg_ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

template <typename t_C>
t_C fg_At(const std::string& bytes, std::size_t offset)
{
    t_C value{};
    if (offset + sizeof(t_C) <= bytes.size())
        std::memcpy(&value, bytes.data() + offset, sizeof(t_C));
    return value;
}

// What a minidump holds: its stream types and the code of its exception stream.
struct CDump
{
    bool m_bValid = false;
    std::vector<std::uint32_t> m_Streams;
    std::uint32_t m_ExceptionCode = 0;

    bool f_Has(std::uint32_t stream) const
    {
        for (std::uint32_t s : m_Streams)
        {
            if (s == stream)
                return true;
        }
        return false;
    }
};

CDump fg_ParseDump(const std::string& path)
{
    const std::string bytes = fg_ReadFile(path);
    CDump dump;
    // Header: signature, version, stream count, directory offset; directory entries of 12 bytes.
    if (fg_At<std::uint32_t>(bytes, 0) != gc_MinidumpSignature)
        return dump;
    const std::uint32_t count = fg_At<std::uint32_t>(bytes, 8);
    const std::uint32_t directory = fg_At<std::uint32_t>(bytes, 12);
    if (directory + std::uint64_t(count) * 12 > bytes.size())
        return dump;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const std::uint32_t type = fg_At<std::uint32_t>(bytes, directory + i * 12);
        const std::uint32_t size = fg_At<std::uint32_t>(bytes, directory + i * 12 + 4);
        const std::uint32_t rva = fg_At<std::uint32_t>(bytes, directory + i * 12 + 8);
        if (std::uint64_t(rva) + size > bytes.size())
            return dump;
        dump.m_Streams.push_back(type);
        // MINIDUMP_EXCEPTION_STREAM: thread id, alignment, then the record starting with its code.
        if (type == gc_ExceptionStream)
            dump.m_ExceptionCode = fg_At<std::uint32_t>(bytes, rva + 8);
    }
    dump.m_bValid = true;
    return dump;
}

// The files of one kind in a directory.
std::vector<std::string> fg_Find(const std::string& directory, const char* pattern)
{
    std::vector<std::string> found;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((directory + "\\" + pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return found;
    do
        found.push_back(directory + "\\" + data.cFileName);
    while (FindNextFileA(find, &data));
    FindClose(find);
    return found;
}

// The probe copied into a fresh directory, which is removed with what the crash left.
class CrashReporter : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        m_Directory = std::string(temp) + "QuillonCrash" + std::to_string(GetCurrentProcessId()) + "_" +
                      ::testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(m_Directory.c_str(), nullptr);
        m_Program = m_Directory + "\\crash_probe.exe";
        ASSERT_TRUE(CopyFileA(QUILLON_CRASH_PROBE, m_Program.c_str(), FALSE)) << GetLastError();
    }
    void TearDown() override
    {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((m_Directory + "\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE)
        {
            do
                DeleteFileA((m_Directory + "\\" + data.cFileName).c_str());
            while (FindNextFileA(find, &data));
            FindClose(find);
        }
        RemoveDirectoryA(m_Directory.c_str());
    }

    // The crash log, after checking that the crash left exactly one log and two dumps that
    // parse, with the exception's code.
    std::string f_CheckFiles(std::uint32_t code)
    {
        const auto logs = fg_Find(m_Directory, "CrashLog_*.txt");
        const auto minis = fg_Find(m_Directory, "MiniDump_*.dmp");
        const auto fulls = fg_Find(m_Directory, "FullDump_*.dmp");
        EXPECT_EQ(logs.size(), 1u);
        EXPECT_EQ(minis.size(), 1u);
        EXPECT_EQ(fulls.size(), 1u);
        if (logs.size() != 1 || minis.size() != 1 || fulls.size() != 1)
            return std::string();
        // The three share one stamp.
        EXPECT_EQ(minis[0].substr(minis[0].size() - 27), logs[0].substr(logs[0].size() - 27, 23) + ".dmp");
        const CDump mini = fg_ParseDump(minis[0]);
        const CDump full = fg_ParseDump(fulls[0]);
        EXPECT_TRUE(mini.m_bValid);
        EXPECT_TRUE(full.m_bValid);
        for (const CDump* dump : {&mini, &full})
        {
            EXPECT_TRUE(dump->f_Has(gc_ThreadListStream));
            EXPECT_TRUE(dump->f_Has(gc_ModuleListStream));
            EXPECT_TRUE(dump->f_Has(gc_ExceptionStream));
            EXPECT_EQ(dump->m_ExceptionCode, code);
        }
        EXPECT_TRUE(full.f_Has(gc_Memory64ListStream));
        return fg_ReadFile(logs[0]);
    }

    // Runs the probe quietly and returns its exit code.
    int f_RunQuiet(const char* mode)
    {
        CProgramProcess probe(m_Program, std::string(mode) + " quiet");
        EXPECT_TRUE(probe.f_IsStarted());
        return probe.f_Wait(gc_BoxWait);
    }

    std::string m_Directory;
    std::string m_Program;
};

bool fg_Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}
} // namespace

TEST_F(CrashReporter, AccessViolationWritingZeroQuietly)
{
    CProgramProcess probe(m_Program, "write0 quiet");
    ASSERT_TRUE(probe.f_IsStarted());
    // Polled while it runs: with the quiet flag no box appears (one would also keep it running).
    bool sawBox = false;
    while (probe.f_IsRunning())
    {
        sawBox = sawBox || gf_HasMessageBox(probe);
        Sleep(20);
    }
    EXPECT_FALSE(sawBox);
    ASSERT_EQ(probe.f_Wait(0), 0);
    const std::string log = f_CheckFiles(0xC0000005);
    EXPECT_EQ(log.rfind("Unhandeled excepion\n\nException type: Access violation trying to write to address: "
                        "0x0000000000000000\n\nException address: 0x",
                        0),
              0u)
        << log;
    EXPECT_TRUE(fg_Contains(log, "crash_probe!gf_CrashProbe_WriteZero)\n\n")) << log;
    EXPECT_TRUE(fg_Contains(log, "Integer registers:\nRdi=0x")) << log;
    EXPECT_TRUE(fg_Contains(log, "Control registers:\nRip=0x")) << log;
    // The walk names the caller, and the source lines.
    EXPECT_TRUE(fg_Contains(log, "crash_probe!main\n")) << log;
    EXPECT_TRUE(fg_Contains(log, "CrashProbe.cpp:")) << log;
    EXPECT_TRUE(fg_Contains(log, "StackFrame: 0x")) << log;
}

TEST_F(CrashReporter, AnInputOwnerWritesNoFullDumpIntoItsFolderMadeWhenMissing)
{
    const std::string folder = m_Directory + "\\Crashes";
    std::string folderArgument = folder;
    for (char& c : folderArgument)
        if (c == '\\')
            c = '/';
    CProgramProcess probe(m_Program, "write0 quiet inputowner " + folderArgument);
    ASSERT_TRUE(probe.f_IsStarted());
    ASSERT_EQ(probe.f_Wait(gc_BoxWait), 0);
    EXPECT_EQ(fg_Find(folder, "CrashLog_*.txt").size(), 1u);
    EXPECT_EQ(fg_Find(folder, "MiniDump_*.dmp").size(), 1u);
    EXPECT_TRUE(fg_Find(folder, "FullDump_*.dmp").empty());
    EXPECT_TRUE(fg_Find(m_Directory, "CrashLog_*.txt").empty());
    for (const std::string& file : fg_Find(folder, "*"))
        DeleteFileA(file.c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST_F(CrashReporter, IntegerDivideByZero)
{
    ASSERT_EQ(f_RunQuiet("divide"), 0);
    const std::string log = f_CheckFiles(0xC0000094);
    EXPECT_TRUE(fg_Contains(log, "Exception type: Integer divide by zero\n\n")) << log;
    EXPECT_TRUE(fg_Contains(log, "crash_probe!gf_CrashProbe_Divide)")) << log;
}

TEST_F(CrashReporter, StackOverflow)
{
    // Wine 8 ends a thread that overflows its stack while dispatching the exception (its own
    // dispatch needs more than the page left), before any handler or filter runs, whatever
    // SetThreadStackGuarantee reserved.
    if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version"))
        GTEST_SKIP() << "Wine cannot deliver a stack overflow to a filter";
    ASSERT_EQ(f_RunQuiet("overflow"), 0);
    const std::string log = f_CheckFiles(0xC00000FD);
    EXPECT_TRUE(fg_Contains(log, "Exception type: Stack overflow\n\n")) << log.substr(0, 2000);
    EXPECT_TRUE(fg_Contains(log, "crash_probe!gf_CrashProbe_Recurse)")) << log.substr(0, 2000);
}

TEST_F(CrashReporter, CrashOnAThreadOfTheThreadBase)
{
    ASSERT_EQ(f_RunQuiet("thread"), 0);
    const std::string log = f_CheckFiles(0xC0000005);
    EXPECT_TRUE(fg_Contains(log, "crash_probe!gf_CrashProbe_WriteZero)")) << log;
    // The walk reaches the thread base's start routine.
    EXPECT_TRUE(fg_Contains(log, "crash_probe!NTev::NThread::ICThread::fs_ThreadStart")) << log;
}

TEST_F(CrashReporter, MessageBoxShowsThePathsAndItsAnswerEndsTheProcess)
{
    CProgramProcess probe(m_Program, "write0");
    CMessageBox box;
    ASSERT_TRUE(gf_WaitForMessageBox(probe, box, gc_BoxWait));
    EXPECT_EQ(box.m_Caption, "Exception");
    EXPECT_TRUE(box.m_bOk);
    EXPECT_FALSE(box.m_bYes);
    EXPECT_TRUE(fg_Contains(box.m_Text, "The program has encountered an unhandled exception.")) << box.m_Text;
    // The files are written before the box appears, and the box names each.
    for (const char* pattern : {"CrashLog_*.txt", "MiniDump_*.dmp", "FullDump_*.dmp"})
    {
        const auto files = fg_Find(m_Directory, pattern);
        ASSERT_EQ(files.size(), 1u) << pattern;
        const std::string name = files[0].substr(files[0].rfind('\\') + 1);
        EXPECT_TRUE(fg_Contains(box.m_Text, "/" + name + (name[0] == 'F' ? "" : "\n\n"))) << box.m_Text;
    }
    gf_AnswerMessageBox(box, IDOK);
    EXPECT_EQ(probe.f_Wait(gc_BoxWait), 0);
}

TEST_F(CrashReporter, BreakpointContinuesOnYes)
{
    CProgramProcess probe(m_Program, "breakpoint");
    CMessageBox box;
    ASSERT_TRUE(gf_WaitForMessageBox(probe, box, gc_BoxWait));
    EXPECT_TRUE(box.m_bYes);
    EXPECT_TRUE(box.m_bNo);
    EXPECT_TRUE(fg_Contains(box.m_Text, "\n\nDo you want to continue execution?")) << box.m_Text;
    gf_AnswerMessageBox(box, IDYES);
    EXPECT_EQ(probe.f_Wait(gc_BoxWait), 7);
    EXPECT_TRUE(fg_Contains(f_CheckFiles(0x80000003), "Exception type: Breakpoint\n\n"));
}

TEST_F(CrashReporter, CrashingServiceLeavesItsFilesAndShowsNothing)
{
    const std::string name = gf_UniqueServiceName("Crash");
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ASSERT_NE(manager, nullptr);
    const std::string command = "\"" + m_Program + "\" service " + name;
    SC_HANDLE service = CreateServiceA(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                                       command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(service, nullptr) << GetLastError();
    CServiceCleanup cleanup(name);
    ASSERT_TRUE(StartServiceA(service, 0, nullptr)) << GetLastError();
    // The service's process ends after the crash (the service manager may still call it running).
    std::vector<std::string> logs;
    for (int i = 0; i < 600 && logs.empty(); ++i)
    {
        Sleep(100);
        logs = fg_Find(m_Directory, "CrashLog_*.txt");
    }
    SERVICE_STATUS_PROCESS status = {};
    DWORD size = 0;
    QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof(status),
                         &size);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, status.dwProcessId);
    if (process)
    {
        EXPECT_EQ(WaitForSingleObject(process, gc_BoxWait), WAIT_OBJECT_0);
        CloseHandle(process);
    }
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_TRUE(fg_Contains(f_CheckFiles(0xC0000005), "crash_probe!gf_CrashProbe_WriteZero)"));
}

TEST_F(CrashReporter, UnwritableProgramDirectoryStillEndsTheProcess)
{
    // Prepared by the test's fixture on the host: a copy of the probe in a directory that not
    // even root may change.
    const std::string directory = QUILLON_CRASH_READONLY_DIR;
    if (GetFileAttributesA((directory + ".unsupported").c_str()) != INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "this file system cannot make a directory unwritable";
    CProgramProcess probe(directory + "\\crash_probe.exe", "write0 quiet");
    ASSERT_TRUE(probe.f_IsStarted());
    EXPECT_EQ(probe.f_Wait(gc_BoxWait), 0);
    EXPECT_TRUE(fg_Find(directory, "CrashLog_*").empty());
    EXPECT_TRUE(fg_Find(directory, "*Dump_*").empty());
}
