// Desktop threads follow the desktops of the window station.

#include "tests/engine/EngineTestSupport.h"

#include "engine/DesktopThreadJob.h"
#include "engine/MessageHook.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>

#include <windows.h>

using NQuillon::CMessageHook;

namespace
{
bool fg_HasDesktopThread(CMessageHook& engine, const char* name)
{
    std::vector<NTev::CStr> names;
    engine.f_GetDesktopThreadNames(names);
    return std::any_of(names.begin(), names.end(),
                       [&](const NTev::CStr& n) { return n.f_Compare(name) == 0; });
}

bool fg_WaitForDesktop(CMessageHook& engine, const char* name, bool present)
{
    return NQuillonTest::gf_WaitFor([&] { return fg_HasDesktopThread(engine, name) == present; });
}
} // namespace

// A desktop stays in the window station while the engine's thread of it holds it, so its
// thread ends with the engine.
TEST(CDesktopThreadTest, ANewDesktopGetsAThreadThatEndsWithTheEngine)
{
    NQuillonTest::CRecordLog log;
    CMessageHook engine(&log);
    engine.m_bOwnsInput = true;
    engine.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    EXPECT_TRUE(fg_WaitForDesktop(engine, "Default", true));

    HDESK desktop = CreateDesktopA("QuillonTestDesktop", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    ASSERT_TRUE(desktop);
    EXPECT_TRUE(fg_WaitForDesktop(engine, "QuillonTestDesktop", true));
    CloseDesktop(desktop);

    EXPECT_EQ(engine.f_Stop(true), 0u);
    EXPECT_FALSE(fg_HasDesktopThread(engine, "Default"));
    EXPECT_FALSE(fg_HasDesktopThread(engine, "QuillonTestDesktop"));
}

// A desktop the window station no longer lists loses its thread at the next check. A name
// noted without a desktop behind it stands for one that went away.
TEST(CDesktopThreadTest, ADesktopThatWentAwayLosesItsThread)
{
    NQuillonTest::CRecordLog log;
    CMessageHook engine(&log);
    engine.m_bOwnsInput = true;
    engine.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    EXPECT_TRUE(fg_WaitForDesktop(engine, "Default", true));

    engine.f_NoteDesktop("QuillonVanishedDesktop");
    EXPECT_TRUE(fg_WaitForDesktop(engine, "QuillonVanishedDesktop", false));
    EXPECT_TRUE(fg_HasDesktopThread(engine, "Default"));
    EXPECT_EQ(engine.f_Stop(true), 0u);
}

namespace
{
class CNoteThreadJob final : public CMessageHook::CDesktopThreadJob
{
public:
    void f_Run() override { m_ThreadId = GetCurrentThreadId(); }
    std::atomic<DWORD> m_ThreadId{0};
};

// A hidden top-level window on the test's desktop that counts the hot-key broadcasts it gets.
class CHotKeyListener
{
public:
    CHotKeyListener()
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &fs_Procedure;
        windowClass.lpszClassName = "QuillonTestHotKeyListener";
        RegisterClassA(&windowClass);
        m_hWindow = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, nullptr, nullptr,
                                    nullptr, nullptr);
    }
    ~CHotKeyListener()
    {
        DestroyWindow(m_hWindow);
        UnregisterClassA("QuillonTestHotKeyListener", nullptr);
    }
    // Pumps this thread's messages for a while; the hot keys seen meanwhile.
    int f_CountFor(DWORD milliseconds)
    {
        s_HotKeys = 0;
        const DWORD end = GetTickCount() + milliseconds;
        while (GetTickCount() < end)
        {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&message);
            Sleep(5);
        }
        return s_HotKeys;
    }
    bool f_IsValid() const noexcept { return m_hWindow != nullptr; }

private:
    static LRESULT CALLBACK fs_Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_HOTKEY && lParam == MAKELPARAM(MOD_CONTROL | MOD_ALT, VK_DELETE))
            ++s_HotKeys;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    static inline int s_HotKeys = 0;
    HWND m_hWindow = nullptr;
};
} // namespace

// Any process may post thread messages to a desktop thread: what it posts must neither run
// code of its choosing nor start the Ctrl+Alt+Delete broadcast. The engine's own jobs still run.
TEST(CDesktopThreadTest, ForeignThreadMessagesAreIgnored)
{
    CHotKeyListener listener;
    ASSERT_TRUE(listener.f_IsValid());
    NQuillonTest::CRecordLog log;
    CMessageHook engine(&log);
    // Only an engine that owns input follows the input desktop, where jobs run.
    engine.m_bOwnsInput = true;
    engine.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    const std::string className = "QuillonReportClass" + std::to_string(GetCurrentProcessId());
    HWND reportWindow = nullptr;
    ASSERT_TRUE(NQuillonTest::gf_WaitFor(
        [&] { return (reportWindow = FindWindowA(className.c_str(), nullptr)) != nullptr; }));
    const DWORD desktopThread = GetWindowThreadProcessId(reportWindow, nullptr);

    ASSERT_TRUE(PostThreadMessageA(desktopThread, WM_USER + 7, 0x1234, 0));
    ASSERT_TRUE(PostThreadMessageA(desktopThread, WM_USER + 6, 0, 0));
    EXPECT_EQ(listener.f_CountFor(200), 0);
    // The listener hears a broadcast when there is one.
    PostMessageA(HWND_BROADCAST, WM_HOTKEY, 0, MAKELPARAM(MOD_CONTROL | MOD_ALT, VK_DELETE));
    EXPECT_EQ(listener.f_CountFor(100), 1);

    CNoteThreadJob job;
    ASSERT_TRUE(NQuillonTest::gf_WaitFor([&] { return engine.f_PostToInputDesktop(&job); }));
    EXPECT_TRUE(NQuillonTest::gf_WaitFor([&] { return job.m_ThreadId == desktopThread; }));
    EXPECT_EQ(engine.f_Stop(true), 0u);
}

// Windows refuses to close the window station of the calling process: the engine gives the
// process its window station back before it closes its own.
TEST(CDesktopThreadTest, TheProcessGetsItsWindowStationBack)
{
    HWINSTA before = GetProcessWindowStation();
    NQuillonTest::CRecordLog log;
    CMessageHook engine(&log);
    engine.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    ASSERT_TRUE(fg_WaitForDesktop(engine, "Default", true));
    EXPECT_NE(GetProcessWindowStation(), before);
    EXPECT_EQ(engine.f_Stop(true), 0u);
    EXPECT_EQ(GetProcessWindowStation(), before);
}
