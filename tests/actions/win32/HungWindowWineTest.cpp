// Window actions aimed at a program that stopped pumping messages: the engine's desktop thread
// only asks that program's thread for the changes, so it goes on with later jobs, a healthy
// window still moves, and the engine stops. Wine calls a thread hung only after about 5 s
// without pumping; these tests do not wait for that: the changes are posted whether or not,
// and the one message sent gives up after its short bound.

#include "actions/plugins/WindowManipulation.h"
#include "engine/DesktopThreadJob.h"
#include "engine/MessageHook.h"

#include "tests/actions/FakeWindowSystem.h"
#include "tests/actions/win32/WindowThread.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TraceCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <list>
#include <memory>
#include <string>

#include <windows.h>

using NQuillon::CMessageHook;
using NQuillonTest::CWindowThread;
using NQuillonTest::gf_RectText;
using NQuillonTest::gf_WaitFor;
using NQuillonTest::gf_WindowRect;

namespace
{
using CWindowJob = NQuillon::CAccelerator_WindowManipulation::CGlobal;

// Jobs that note the desktop thread got to them. They outlive the engine: a job the thread
// never got to stays queued there until it stops.
class CDesktopProbe
{
public:
    // Whether the engine's input desktop thread runs a job posted now (within about 5 s).
    bool f_Answers(CMessageHook& engine)
    {
        CMarkJob& mark = m_Marks.emplace_back();
        return gf_WaitFor([&] { return engine.f_PostToInputDesktop(&mark); }) &&
               gf_WaitFor([&] { return mark.m_bRan.load(); });
    }

private:
    class CMarkJob final : public CMessageHook::CDesktopThreadJob
    {
    public:
        void f_Run() override { m_bRan = true; }
        std::atomic<bool> m_bRan{false};
    };
    std::list<CMarkJob> m_Marks;
};

// Holds the desktop thread until released (at most 10 s, so that a failing test still ends).
class CHoldJob final : public CMessageHook::CDesktopThreadJob
{
public:
    CHoldJob() : m_hRelease(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~CHoldJob() { CloseHandle(m_hRelease); }
    void f_Run() override
    {
        m_bHolding = true;
        WaitForSingleObject(m_hRelease, 10000);
    }
    void f_Release() { SetEvent(m_hRelease); }
    std::atomic<bool> m_bHolding{false};

private:
    HANDLE m_hRelease;
};

// An event that is set when the object goes, whatever path the test takes out.
class CReleaseEvent
{
public:
    CReleaseEvent() : m_hEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~CReleaseEvent() { SetEvent(m_hEvent); }
    HANDLE f_Get() const { return m_hEvent; }

private:
    HANDLE m_hEvent;
};

// An engine that owns input, so that it follows the input desktop with a thread that runs jobs.
std::unique_ptr<CMessageHook> fg_StartEngine(NQuillonTest::CRecordLog& log)
{
    auto engine = std::make_unique<CMessageHook>(&log);
    engine->m_bOwnsInput = true;
    engine->f_Start(NTev::NThread::gc_PriorityNormal, 0);
    return engine;
}

// Stops the engine; whether that ended within about 5 s. Otherwise the hung window is let go
// first, so that the test ends anyway.
bool fg_StopsInTime(CMessageHook& engine, CReleaseEvent& hung)
{
    auto stop = std::async(std::launch::async, [&] { return engine.f_Stop(true); });
    const bool inTime = stop.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
    if (!inTime)
        SetEvent(hung.f_Get());
    stop.get();
    return inTime;
}

bool fg_IsTopmost(HWND window)
{
    return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

// The stored title, read without a message to the window's thread.
std::wstring fg_Title(HWND window)
{
    wchar_t title[256] = {};
    InternalGetWindowText(window, title, 256);
    return title;
}
} // namespace

TEST(HungWindowWine, EveryOperationOnAHungWindowLeavesTheDesktopThreadFree)
{
    CDesktopProbe probe;
    NQuillonTest::CRecordLog log;
    std::unique_ptr<CMessageHook> engine = fg_StartEngine(log);
    ASSERT_TRUE(probe.f_Answers(*engine));

    CWindowThread hungOwner;
    CReleaseEvent release;
    HWND hung = hungOwner.f_Create(L"Quillon hung", 10, 20, 300, 200);
    ASSERT_TRUE(hung);
    ASSERT_EQ(GetForegroundWindow(), hung);
    hungOwner.f_Hang(release.f_Get());

    // Change Monitor, Zoom, Center, Toggle Maximized, Toggle Minimized, Toggle On Top.
    CWindowJob& job = NQuillon::CAccelerator_WindowManipulation::fs_GetGlobal();
    for (std::int32_t code = 0; code < 6; ++code)
        EXPECT_TRUE(job.f_Queue(*engine, code)) << code;
    // A job queued behind them runs: the desktop thread got past every one.
    EXPECT_TRUE(probe.f_Answers(*engine));
    // Nothing was carried out meanwhile; the title, the one change sent and waited for, gave up.
    EXPECT_EQ(gf_RectText(gf_WindowRect(hung)), "10,20,310,220");
    EXPECT_EQ(fg_Title(hung), L"Quillon hung");
    EXPECT_FALSE(fg_IsTopmost(hung));

    // A healthy window, now in front, moves while the other still hangs.
    CWindowThread healthyOwner;
    HWND healthy = healthyOwner.f_Create(L"Quillon healthy", 10, 20, 300, 200);
    ASSERT_TRUE(healthy);
    ASSERT_TRUE(gf_WaitFor([&] { return GetForegroundWindow() == healthy; }));
    EXPECT_TRUE(job.f_Queue(*engine, 2));
    EXPECT_TRUE(gf_WaitFor([&] { return gf_RectText(gf_WindowRect(healthy)) == "490,412,790,612"; }))
        << gf_RectText(gf_WindowRect(healthy));

    EXPECT_TRUE(fg_StopsInTime(*engine, release));
    engine.reset();

    // Pumping again, the hung window carries out the changes posted to it, in order: the last
    // two leave it minimized and topmost.
    SetEvent(release.f_Get());
    EXPECT_TRUE(gf_WaitFor([&] { return IsIconic(hung) && fg_IsTopmost(hung); }))
        << "iconic " << IsIconic(hung) << ", topmost " << fg_IsTopmost(hung);
}

// While the desktop thread is held up, at most eight presses wait for it; the rest are
// dropped, and run neither then nor later.
TEST(HungWindowWine, AHeldUpDesktopThreadQueuesAtMostEightPresses)
{
    // The fake and the jobs outlive the engine, whose thread may still hold them.
    CDesktopProbe probe;
    CHoldJob hold;
    NQuillonTest::CFakeWindowSystem system;
    system.m_WorkAreas = {{0, 0, 1000, 800}};
    system.m_Windows[1].m_Rect = {0, 0, 100, 100};
    system.m_Foreground = 1;
    CWindowJob& job = NQuillon::CAccelerator_WindowManipulation::fs_GetGlobal();
    job.f_SetWindowSystem(&system);
    struct CPlatformWindowsAfter
    {
        ~CPlatformWindowsAfter()
        {
            NQuillon::CAccelerator_WindowManipulation::fs_GetGlobal().f_SetWindowSystem(nullptr);
        }
    } platformWindowsAfter;
    NQuillonTest::CRecordLog log;
    std::unique_ptr<CMessageHook> engine = fg_StartEngine(log);
    ASSERT_TRUE(probe.f_Answers(*engine));

    ASSERT_TRUE(engine->f_PostToInputDesktop(&hold));
    ASSERT_TRUE(gf_WaitFor([&] { return hold.m_bHolding.load(); }));
    NQuillonTest::CTraceCapture trace;
    int queued = 0;
    for (int press = 0; press < 12; ++press)
        queued += job.f_Queue(*engine, 5) ? 1 : 0;
    EXPECT_EQ(queued, 8);
    EXPECT_NE(trace.f_GetText().find("window operations wait"), std::string::npos) << trace.f_GetText();
    hold.f_Release();

    // The log is read only once a job queued after the presses ran.
    ASSERT_TRUE(probe.f_Answers(*engine));
    EXPECT_EQ(system.m_Log.size(), 8u);
    // Room again once they ran.
    EXPECT_TRUE(job.f_Queue(*engine, 5));
    ASSERT_TRUE(probe.f_Answers(*engine));
    EXPECT_EQ(system.m_Log.size(), 9u);
    EXPECT_EQ(engine->f_Stop(true), 0u);
}
