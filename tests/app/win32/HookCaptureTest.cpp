// Remapping without the filter driver, as a user meets it: the real program runs as
// "-RunAsProgram" with no device to open, keys and buttons come from the X server through XTEST
// (as the keyboard's and mouse's own input), and a window of this test receives what the
// system makes of them.

#include "tests/app/win32/AppTestSupport.h"
#include "tests/core/FileTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <wtsapi32.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace NQuillonTest;

namespace
{
constexpr const char* gc_Configuration = R"json({
  "defaultTable": "Main", "defaultPreset": "Default",
  "presets": [{"name": "Default", "settings": {"Keyboard Repeat Delay": "250", "Keyboard Repeat Rate": "20"}}],
  "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "actions": [
    {"kind": "Input", "trigger": "A", "sequences": ["B"]},
    {"kind": "Input", "trigger": "B", "sequences": ["N"]},
    {"kind": "Input", "trigger": "LShift(A) + Q(1)", "sequences": ["LShift(A) + Z(A)"]},
    {"kind": "Input", "trigger": "Mouse-Middle", "sequences": ["M"]},
    {"kind": "Input", "trigger": "Mouse-WheelDown", "sequences": ["W"]}]}]}]
})json";

// A window that notes the keys it receives: "down B", "up B", "char b".
class CKeyWindow
{
public:
    CKeyWindow()
    {
        m_Thread = std::thread([this] { fp_Run(); });
        for (int i = 0; i < 500 && !m_hWindow.load(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~CKeyWindow()
    {
        if (m_ThreadId)
            PostThreadMessageW(m_ThreadId, WM_QUIT, 0, 0);
        m_Thread.join();
    }

    HWND f_GetWindow() const { return m_hWindow.load(); }
    std::vector<std::string> f_Take()
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        return std::exchange(m_Log, {});
    }
    // Waits until the entry came (at most about 5 s) and returns everything noted until then.
    std::vector<std::string> f_TakeUntil(const std::string& entry)
    {
        for (int i = 0; i < 500; ++i)
        {
            {
                std::lock_guard<std::mutex> lock(m_Lock);
                if (std::find(m_Log.begin(), m_Log.end(), entry) != m_Log.end())
                    break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return f_Take();
    }

private:
    static LRESULT CALLBACK fs_Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<CKeyWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        // A lone Alt would enter menu mode and eat the keys after it.
        if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_KEYMENU)
            return 0;
        if (self && (message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN ||
                     message == WM_SYSKEYUP || message == WM_CHAR))
        {
            std::string entry = message == WM_CHAR                                    ? "char "
                                : (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) ? "down "
                                                                                      : "up ";
            if (message == WM_CHAR)
                entry += static_cast<char>(wParam);
            else if ((wParam >= 'A' && wParam <= 'Z') || (wParam >= '0' && wParam <= '9'))
                entry += static_cast<char>(wParam);
            else
                entry += "vk" + std::to_string(wParam);
            std::lock_guard<std::mutex> lock(self->m_Lock);
            self->m_Log.push_back(entry);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    void fp_Run()
    {
        m_ThreadId = GetCurrentThreadId();
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = fs_Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"QuillonHookCaptureTestWindow";
        RegisterClassW(&windowClass);
        HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Keys", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                      100, 100, 400, 300, nullptr, nullptr, windowClass.hInstance, nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetForegroundWindow(window);
        m_hWindow = window;
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0)
        {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        DestroyWindow(window);
    }

    std::thread m_Thread;
    std::atomic<HWND> m_hWindow{nullptr};
    DWORD m_ThreadId = 0;
    std::mutex m_Lock;
    std::vector<std::string> m_Log;
};

// Runs the XTEST client with the tokens.
::testing::AssertionResult fg_XTest(const std::string& tokens)
{
    std::string python = QUILLON_PYTHON;
    std::replace(python.begin(), python.end(), '/', '\\');
    // Wine does not pass a host program's exit code on: the client writes it to a file.
    const std::string status = "/tmp/quillon-xtest-" + std::to_string(GetCurrentProcessId()) + ".status";
    const std::string statusHere = "Z:" + status;
    DeleteFileA(statusHere.c_str());
    std::string command = "\"" + python + "\" \"" + QUILLON_XTEST + "\" --status " + status + " " + tokens;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return ::testing::AssertionFailure() << "cannot run " << command << ": error " << GetLastError();
    // Nor can its process be waited for: its end is the status file.
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    char code[16] = {};
    for (int i = 0; i < 3000 && !code[0]; ++i)
    {
        HANDLE file = CreateFileA(statusHere.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        DWORD read = 0;
        ReadFile(file, code, sizeof code - 1, &read, nullptr);
        CloseHandle(file);
        if (!read || code[read - 1] != '\n')
        {
            code[0] = 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    DeleteFileA(statusHere.c_str());
    if (code[0] != '0')
        return ::testing::AssertionFailure()
               << command << (code[0] ? " ended with " : " did not end ") << code;
    return ::testing::AssertionSuccess();
}

std::size_t fg_Count(const std::vector<std::string>& log, const std::string& entry)
{
    return static_cast<std::size_t>(std::count(log.begin(), log.end(), entry));
}

std::string fg_Join(const std::vector<std::string>& log)
{
    std::string text;
    for (const std::string& entry : log)
        text += entry + ", ";
    return text;
}

// The hook thread's window of the process (any process: 0), or null after about 10 s.
HWND fg_WaitForHookWindow(DWORD processId, DWORD milliseconds = 10000)
{
    for (DWORD waited = 0; waited < milliseconds; waited += 10)
    {
        HWND window = FindWindowW(L"QuillonHookWindow", nullptr);
        DWORD owner = 0;
        if (window)
            GetWindowThreadProcessId(window, &owner);
        if (window && (!processId || owner == processId))
            return window;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

// Waits for the hook window to go (about 10 s at most).
bool fg_WaitForNoHookWindow()
{
    for (int i = 0; i < 1000; ++i)
    {
        if (!FindWindowW(L"QuillonHookWindow", nullptr))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}
} // namespace

// A program directory with the configuration, and the test's window in front with the X
// pointer in it (clicked, so that the X server gives it the keys).
class HookCapture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(gf_EngineIsRunning()) << "another engine runs in this Wine session";
        ASSERT_FALSE(FindWindowW(L"QuillonHookWindow", nullptr)) << "another process hooks input";
        ASSERT_TRUE(gf_MakeProgramDirectory(m_Directory.f_GetPath(), m_Program, gc_Configuration));
        ASSERT_TRUE(m_Keys.f_GetWindow());
        RECT rect{};
        GetWindowRect(m_Keys.f_GetWindow(), &rect);
        m_Inside = "m:" + std::to_string((rect.left + rect.right) / 2) + "," +
                   std::to_string((rect.top + rect.bottom) / 2);
        ASSERT_TRUE(fg_XTest(m_Inside + " b1"));
    }

    CTempDirectory m_Directory;
    const std::string m_Program = m_Directory.f_Path("Quillon.x64.exe");
    CKeyWindow m_Keys;
    std::string m_Inside;
};

TEST_F(HookCapture, TheProgramRemapsTheSessionsInputWithoutAFilterDriver)
{
    const std::string& program = m_Program;
    const std::string& inside = m_Inside;
    CKeyWindow& keys = m_Keys;
    ASSERT_TRUE(fg_XTest("r:off"));

    CProgramProcess engine(program, "-RunAsProgram");
    ASSERT_TRUE(engine.f_IsStarted()) << engine.f_Describe();
    HWND hookWindow = fg_WaitForHookWindow(engine.f_GetProcessId());
    ASSERT_TRUE(hookWindow) << "the program did not install its hooks\n" << gf_LastTraceLines();
    keys.f_Take();

    // A remapped key, a key nothing remaps, and our own B not remapped again to N.
    ASSERT_TRUE(fg_XTest("ka ks"));
    std::vector<std::string> log = keys.f_TakeUntil("up S");
    EXPECT_EQ(fg_Count(log, "down B"), 1u) << fg_Join(log);
    EXPECT_EQ(fg_Count(log, "char b"), 1u) << fg_Join(log);
    EXPECT_EQ(fg_Count(log, "down S"), 1u) << fg_Join(log);
    EXPECT_EQ(fg_Count(log, "down A") + fg_Count(log, "down N"), 0u) << fg_Join(log);

    // A chord: Shift passes, Q becomes Z; the middle button types M, a wheel step down W.
    ASSERT_TRUE(fg_XTest("k+Shift_L kq k-Shift_L " + inside + " b2 b5"));
    log = keys.f_TakeUntil("up W");
    EXPECT_EQ(fg_Count(log, "char Z"), 1u) << fg_Join(log);
    EXPECT_EQ(fg_Count(log, "down Q"), 0u) << fg_Join(log);
    EXPECT_EQ(fg_Count(log, "down M"), 1u) << fg_Join(log);
    EXPECT_EQ(fg_Count(log, "down W"), 1u) << fg_Join(log);

    // The engine's own repeat (the X server's is off): 250 ms, then 20 a second.
    ASSERT_TRUE(fg_XTest("k+a s:800 k-a"));
    log = keys.f_TakeUntil("up B");
    EXPECT_GE(fg_Count(log, "down B"), 5u) << fg_Join(log);
    EXPECT_EQ(fg_Count(log, "up B"), 1u) << fg_Join(log);

    // The session locks while A is held: B is let go at once; after the unlock nothing is stuck.
    ASSERT_TRUE(fg_XTest("k+a"));
    keys.f_TakeUntil("down B");
    SendMessageW(hookWindow, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0);
    log = keys.f_TakeUntil("up B");
    EXPECT_EQ(fg_Count(log, "up B"), 1u) << fg_Join(log);
    SendMessageW(hookWindow, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0);
    ASSERT_TRUE(fg_XTest("k-a ka"));
    log = keys.f_TakeUntil("up B");
    EXPECT_EQ(fg_Count(log, "down B"), 1u) << fg_Join(log);

    // The hooks removed by force (as Windows does after a time-out) come back by themselves.
    DWORD hookThread = GetWindowThreadProcessId(hookWindow, nullptr);
    ASSERT_TRUE(PostThreadMessageW(hookThread, WM_APP + 2, 0, 0));
    // Two presses over a second that only raw input sees bring them back; the last press is
    // well after that.
    ASSERT_TRUE(fg_XTest("s:200 ka s:300 ka s:300 ka s:300 ka s:300 ka s:300 ka s:600 ka"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    log = keys.f_Take();
    EXPECT_GE(fg_Count(log, "down A"), 1u) << "the hooks were not gone: " << fg_Join(log);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "up B") << "the hooks did not come back: " << fg_Join(log) << "\n"
                                  << gf_LastTraceLines();

    fg_XTest("r:on");
    EXPECT_TRUE(engine.f_PostQuit());
    EXPECT_EQ(engine.f_Wait(20000), 0) << engine.f_Describe() << "\n" << gf_LastTraceLines();
}

// The product as installed on a stock PC: the service finds no filter device and has its
// hidden session agent capture the session's keys; when the service stops, the agent goes and
// keys are the keyboard's again.
TEST_F(HookCapture, TheServiceWithoutAFilterDriverRemapsThroughItsSessionAgent)
{
    const std::string& program = m_Program;
    CKeyWindow& keys = m_Keys;

    const std::string name = gf_UniqueServiceName("Hooks");
    CServiceCleanup cleanup(name);
    ASSERT_TRUE(gf_RunProgramSucceeds(program, "-AddService " + name, name));
    ASSERT_TRUE(gf_RunProgramSucceeds(program, "-StartService " + name, name));
    // The tray gets 3 s to connect, the device a second to appear; then a hidden agent captures.
    HWND hookWindow = fg_WaitForHookWindow(0, 20000);
    ASSERT_TRUE(hookWindow) << "no session agent captures\n"
                            << gf_DescribeService(name) << "\n"
                            << gf_LastTraceLines();
    keys.f_Take();
    ASSERT_TRUE(fg_XTest("ka ks"));
    std::vector<std::string> log = keys.f_TakeUntil("up S");
    EXPECT_EQ(fg_Count(log, "down B"), 1u) << fg_Join(log);
    EXPECT_EQ(fg_Count(log, "down S"), 1u) << fg_Join(log);
    EXPECT_EQ(fg_Count(log, "down A"), 0u) << fg_Join(log);

    ASSERT_TRUE(gf_RunProgramSucceeds(program, "-StopService " + name, name));
    EXPECT_TRUE(fg_WaitForNoHookWindow()) << "the agent still captures after the service stopped";
    keys.f_Take();
    ASSERT_TRUE(fg_XTest("ka"));
    log = keys.f_TakeUntil("up A");
    EXPECT_EQ(fg_Count(log, "down A"), 1u) << fg_Join(log);
    ASSERT_TRUE(gf_RunProgramSucceeds(program, "-RemoveService " + name, name));
}
