// The service and its session agent as separate processes: the service, installed from a
// directory of its own, starts a hidden agent; window actions fired by key records move the
// test's window through the agent, lock states come from the agent, and the service starts a
// killed agent again and replaces it when told that the session changed.

#include "app/win32/QuillonService.h"
#include "tools/filterstandin/FilterStandIn.h"

#include "engine/MessageHook.h"
#include "tests/app/win32/AppTestSupport.h"
#include "tests/core/FileTestSupport.h"
#include "tests/engine/EngineTestSupport.h"

#include "core/win32/ServiceHandle.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <chrono>
#include <functional>
#include <string>

using namespace NQuillon;
using namespace NQuillonTest;

namespace
{
// A centers the foreground window, C sets Caps Lock on, D sets it off.
constexpr const char* gc_Bindings = R"json({"defaultTable": "Main",
  "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "actions": [
    {"kind": "Plugin", "class": "CAccelerator_WindowManipulation", "trigger": "A", "operation": 2},
    {"kind": "Plugin", "class": "CAccelerator_KeyboardLocksManipulation", "trigger": "C", "lock": 0, "state": 1},
    {"kind": "Plugin", "class": "CAccelerator_KeyboardLocksManipulation", "trigger": "D", "lock": 0, "state": 0}
  ]}]}]})json";

// Handles the test window's messages while it waits: the agent's SetWindowPos waits for them.
bool fg_PumpUntil(const std::function<bool()>& condition, DWORD milliseconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;)
    {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

BOOL CALLBACK fg_OnWindow(HWND window, LPARAM result)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (std::string(name).rfind("QuillonReportClass", 0) != 0 || process == GetCurrentProcessId())
        return TRUE;
    *reinterpret_cast<DWORD*>(result) = process;
    return FALSE;
}

// The process of another program's report window: the agent's, since the service makes none.
DWORD fg_FindAgent()
{
    DWORD found = 0;
    EnumWindows(fg_OnWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

class SessionAgent : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(gf_EngineIsRunning()) << "another engine runs in this Wine session";
        ASSERT_TRUE(gf_MakeProgramDirectory(m_Directory.f_GetPath(), m_Program, gc_Bindings));
        m_StandIn.f_Start();
        m_Window = CreateWindowExA(0, "Static", "agent target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 20, 200,
                                   100, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(m_Window);
        SetForegroundWindow(m_Window);
        ASSERT_TRUE(gf_RunProgramSucceeds(m_Program, "-AddService " + m_Name, m_Name));
        ASSERT_TRUE(gf_RunProgramSucceeds(m_Program, "-StartService " + m_Name, m_Name));
        ASSERT_TRUE(m_StandIn.f_WaitClients(1, 10000)) << gf_DescribeService(m_Name) << gf_LastTraceLines(80);
    }
    void TearDown() override
    {
        gf_RunProgramSucceeds(m_Program, "-StopService " + m_Name, m_Name);
        gf_RunProgramSucceeds(m_Program, "-RemoveService " + m_Name, m_Name);
        m_StandIn.f_Stop();
        if (m_Window)
            DestroyWindow(m_Window);
    }

    void fp_Press(std::uint16_t makeCode)
    {
        const CDriverRecord records[] = {gf_Key(makeCode, true), gf_Key(makeCode, false)};
        m_StandIn.f_Feed(records, 2);
    }
    bool fp_IsCentered()
    {
        RECT rect{};
        GetWindowRect(m_Window, &rect);
        return rect.left != 10 || rect.top != 20;
    }
    // Presses A until the window moves (presses without an agent are dropped): true when it did.
    bool fp_CenterThroughTheAgent(DWORD milliseconds)
    {
        SetWindowPos(m_Window, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        SetForegroundWindow(m_Window);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        while (std::chrono::steady_clock::now() < deadline)
        {
            fp_Press(0x1E);
            if (fg_PumpUntil([this] { return fp_IsCentered(); }, 250))
                return true;
        }
        return false;
    }
    // The records with scan code 58 (Caps Lock) written back, as "make break ...".
    std::string fp_TakeCapsLock()
    {
        std::string text;
        for (const auto& written : m_StandIn.f_TakeWritten())
            if (written.m_Record.m_Keyboard.MakeCode == 58)
                text += (written.m_Record.m_Keyboard.Flags & KEY_BREAK) ? "break " : "make ";
        return text;
    }

    CTempDirectory m_Directory;
    std::string m_Program = m_Directory.f_Path("Quillon.x64.exe");
    std::string m_Name = gf_UniqueServiceName("Agent");
    CServiceCleanup m_Cleanup{m_Name};
    CFilterStandIn m_StandIn;
    HWND m_Window = nullptr;
};
} // namespace

TEST_F(SessionAgent, TheServicesDesktopWorkGoesThroughItsAgent)
{
    // The hidden agent comes once a tray had its chance.
    ASSERT_TRUE(fp_CenterThroughTheAgent(15000)) << gf_DescribeService(m_Name) << "\n" << gf_LastTraceLines();
    const DWORD agent = fg_FindAgent();
    ASSERT_NE(agent, 0u);

    // Wine's Caps Lock is off in the agent's session: "off" sends nothing, "on" the pair.
    m_StandIn.f_TakeWritten();
    fp_Press(0x20);
    fp_Press(0x2E);
    ASSERT_TRUE(m_StandIn.f_WaitWritten(1, 5000));
    fg_PumpUntil([] { return false; }, 300);
    EXPECT_EQ(fp_TakeCapsLock(), "make break ");

    // A killed agent: the press finds none and is dropped; the service starts another.
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, agent);
    ASSERT_TRUE(process);
    TerminateProcess(process, 9);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
    SetWindowPos(m_Window, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    fp_Press(0x1E);
    EXPECT_FALSE(fg_PumpUntil([this] { return fp_IsCentered(); }, 300));
    ASSERT_TRUE(fp_CenterThroughTheAgent(15000)) << gf_LastTraceLines();
    const DWORD restarted = fg_FindAgent();
    EXPECT_NE(restarted, agent);

    // A session change (here the service's "restart agent" control, which takes the same path)
    // replaces the agent.
    {
        NTev::NSys::CServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        NTev::NSys::CServiceHandle service(
            OpenServiceA(manager.f_Get(), m_Name.c_str(), SERVICE_USER_DEFINED_CONTROL));
        SERVICE_STATUS status;
        ASSERT_TRUE(ControlService(service.f_Get(), CQuillon_Service::mc_ControlRestartAgent, &status))
            << GetLastError();
    }
    HANDLE old = OpenProcess(SYNCHRONIZE, FALSE, restarted);
    EXPECT_TRUE(!old || WaitForSingleObject(old, 10000) == WAIT_OBJECT_0);
    if (old)
        CloseHandle(old);
    ASSERT_TRUE(fp_CenterThroughTheAgent(15000)) << gf_LastTraceLines();
    EXPECT_NE(fg_FindAgent(), restarted);

    // The service's stop lets the agent go.
    const DWORD last = fg_FindAgent();
    HANDLE lastProcess = OpenProcess(SYNCHRONIZE, FALSE, last);
    ASSERT_TRUE(gf_RunProgramSucceeds(m_Program, "-StopService " + m_Name, m_Name));
    EXPECT_TRUE(!lastProcess || WaitForSingleObject(lastProcess, 10000) == WAIT_OBJECT_0);
    if (lastProcess)
        CloseHandle(lastProcess);
}

namespace
{
std::string fg_StateFile(const char* name)
{
    char shared[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, shared);
    const std::string directory = std::string(shared) + "\\Quillon";
    CreateDirectoryA(directory.c_str(), nullptr);
    return directory + "\\" + name;
}

// The service starts with a reboot marker in its state folder, written at the given file time
// (0: now).
class SessionAgentRebootMarker : public SessionAgent, public ::testing::WithParamInterface<std::uint64_t>
{
protected:
    void SetUp() override
    {
        fp_Clear();
        gf_WriteFileBytes(m_Marker, "\x01");
        if (GetParam())
            gf_SetWriteTime(m_Marker, GetParam());
        SessionAgent::SetUp();
    }
    void TearDown() override
    {
        SessionAgent::TearDown();
        fp_Clear();
    }
    void fp_Clear()
    {
        DeleteFileA(m_Marker.c_str());
        DeleteFileA(m_Told.c_str());
    }

    std::string m_Marker = fg_StateFile("Rebootneeded");
    std::string m_Told = fg_StateFile("RebootneededTold");
};

HWND fg_FindNotice()
{
    HWND box = FindWindowA("#32770", "Warning");
    DWORD process = 0;
    GetWindowThreadProcessId(box, &process);
    return box && process != GetCurrentProcessId() ? box : nullptr;
}

class SessionAgentFreshMarker : public SessionAgentRebootMarker
{
};

class SessionAgentStaleMarker : public SessionAgentRebootMarker
{
};
} // namespace

// Written since the machine started: the agent, which cannot read the state folder, shows what
// the service tells it, once; the marker stays for the service to delete after the restart.
TEST_P(SessionAgentFreshMarker, TheAgentShowsTheNoticeTheServiceTellsOnce)
{
    HWND box = nullptr;
    ASSERT_TRUE(fg_PumpUntil([&] { return (box = fg_FindNotice()) != nullptr; }, 20000))
        << gf_DescribeService(m_Name);
    EXPECT_EQ(GetWindowTextLengthA(box), 7);
    char text[256] = {};
    GetWindowTextA(GetDlgItem(box, 0xFFFF), text, sizeof text);
    EXPECT_STREQ(text, "You need to reboot to finish the installation of the keyboard or filter driver.");
    SendMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(gf_PathExists(m_Marker));
    EXPECT_TRUE(gf_PathExists(m_Told));
}

INSTANTIATE_TEST_SUITE_P(SessionAgent, SessionAgentFreshMarker, ::testing::Values(std::uint64_t(0)));

// Written before the machine started: the service's start deletes it and tells nobody.
TEST_P(SessionAgentStaleMarker, TheServiceDeletesAMarkerTheRestartFinished)
{
    EXPECT_FALSE(gf_PathExists(m_Marker));
    EXPECT_FALSE(gf_PathExists(m_Told));
}

// 2001-01-01.
INSTANTIATE_TEST_SUITE_P(SessionAgent, SessionAgentStaleMarker,
                         ::testing::Values(std::uint64_t(126227808000000000ull)));
