// The plug-in actions fired end to end: key records fed through the filter driver's stand-in
// reach an engine that owns input, its bindings fire, and the engine's desktop threads act on
// real windows and desktops.

#include "actions/plugins/Backlight.h"
#include "actions/plugins/CDManipulation.h"
#include "engine/MessageHook.h"
#include "tools/config/ConfigJson.h"
#include "tools/filterstandin/FilterStandIn.h"

#include "tests/actions/win32/WindowThread.h"
#include "tests/core/FileTestSupport.h"
#include "tests/engine/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include <windows.h>

using NQuillon::CMessageHook;
using NQuillonTest::CWindowThread;
using NQuillonTest::gf_RectText;
using NQuillonTest::gf_WaitFor;
using NQuillonTest::gf_WindowRect;

namespace
{
// Function keys bound to the actions.
enum : std::uint16_t
{
    gc_ChangeMonitor = 59,
    gc_Zoom,
    gc_Center,
    gc_ToggleMaximized,
    gc_ToggleMinimized,
    gc_ToggleOnTop,
    gc_CtrlAltDelete,
    gc_EjectCd,
    gc_Backlight,
    gc_CapsLockOn,
};

const char* const gc_Bindings = R"json({"defaultTable": "Main", "tables": [{"name": "Main", "groups": [
  {"name": "G", "priority": 1, "actions": [
    {"kind": "Plugin", "class": "CAccelerator_WindowManipulation", "trigger": "F1", "operation": 0},
    {"kind": "Plugin", "class": "CAccelerator_WindowManipulation", "trigger": "F2", "operation": 1},
    {"kind": "Plugin", "class": "CAccelerator_WindowManipulation", "trigger": "F3", "operation": 2},
    {"kind": "Plugin", "class": "CAccelerator_WindowManipulation", "trigger": "F4", "operation": 3},
    {"kind": "Plugin", "class": "CAccelerator_WindowManipulation", "trigger": "F5", "operation": 4},
    {"kind": "Plugin", "class": "CAccelerator_WindowManipulation", "trigger": "F6", "operation": 5},
    {"kind": "Plugin", "class": "CAccelerator_CtrlAltDelete", "trigger": "F7"},
    {"kind": "Plugin", "class": "CAccelerator_CDManipulation", "trigger": "F8", "operation": 0},
    {"kind": "Plugin", "class": "CAccelerator_MacBookProManipulation", "trigger": "F9", "operation": 0},
    {"kind": "Plugin", "class": "CAccelerator_KeyboardLocksManipulation", "trigger": "F10", "lock": 0, "state": 1}
  ]}]}]})json";

BOOL CALLBACK fg_NoteWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM list)
{
    MONITORINFO info{};
    info.cbSize = sizeof info;
    GetMonitorInfoA(monitor, &info);
    reinterpret_cast<std::vector<std::string>*>(list)->push_back(gf_RectText(info.rcWork));
    return TRUE;
}

class PluginActionsWine : public ::testing::Test
{
protected:
    // One engine and one stand-in for the whole suite: starting them is the slow part.
    static void SetUpTestSuite()
    {
        ms_pStandIn = new NQuillon::CFilterStandIn;
        ms_pStandIn->f_Start();
        ms_pDirectory = new NQuillonTest::CTempDirectory;
        ms_pEngine = new CMessageHook;
        ms_pEngine->f_SetSettingsDirectory(ms_pDirectory->f_GetPath().c_str());
        ms_pEngine->m_bSavingSuppressed = true;
        NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(gc_Bindings), *ms_pEngine);
        ms_pEngine->m_bOwnsInput = true;
        ms_pEngine->f_Start(NTev::NThread::gc_PriorityNormal, 0);
        ms_pStandIn->f_WaitClients(1, 5000);
    }
    static void TearDownTestSuite()
    {
        ms_pEngine->f_Stop(true);
        delete ms_pEngine;
        delete ms_pDirectory;
        ms_pStandIn->f_Stop();
        delete ms_pStandIn;
    }
    void SetUp() override
    {
        ASSERT_EQ(ms_pStandIn->f_GetClientCount(), 1u);
        ms_pStandIn->f_TakeWritten();
    }
    static void fp_Press(std::uint16_t key)
    {
        const NQuillon::CDriverRecord records[] = {NQuillonTest::gf_Key(key, true),
                                                   NQuillonTest::gf_Key(key, false)};
        ms_pStandIn->f_Feed(records, 2);
    }
    // Presses the key and waits until the window shows the result (about 5 s at most).
    static bool fp_PressUntil(std::uint16_t key, const std::function<bool()>& done)
    {
        fp_Press(key);
        return gf_WaitFor(done);
    }

    static inline NQuillon::CFilterStandIn* ms_pStandIn = nullptr;
    static inline NQuillonTest::CTempDirectory* ms_pDirectory = nullptr;
    static inline CMessageHook* ms_pEngine = nullptr;
};

// One monitor under Xvfb: 1280 x 1024, the work area the whole screen.
TEST_F(PluginActionsWine, ChangeMonitorCentersAndClipsOnTheOneMonitor)
{
    CWindowThread owner;
    HWND window = owner.f_Create(L"Quillon window", 10, 20, 300, 200);
    ASSERT_TRUE(window);
    EXPECT_TRUE(fp_PressUntil(gc_ChangeMonitor,
                              [&] { return gf_RectText(gf_WindowRect(window)) == "490,412,790,612"; }))
        << gf_RectText(gf_WindowRect(window));
    owner.f_Call([&] { return SetWindowPos(window, nullptr, 700, 0, 1400, 300, SWP_NOZORDER); });
    EXPECT_TRUE(fp_PressUntil(gc_ChangeMonitor,
                              [&] { return gf_RectText(gf_WindowRect(window)) == "0,362,1280,662"; }))
        << gf_RectText(gf_WindowRect(window));
}

// Two monitors side by side, 0,0-1024,768 and 1024,0-1824,600 (Xorg's dummy driver with
// xrandr, `make test-monitors`); skipped on any other layout.
TEST_F(PluginActionsWine, ChangeMonitorMovesBetweenTwoMonitors)
{
    std::vector<std::string> monitors;
    EnumDisplayMonitors(nullptr, nullptr, fg_NoteWorkArea, reinterpret_cast<LPARAM>(&monitors));
    if (monitors != std::vector<std::string>{"0,0,1024,768", "1024,0,1824,600"})
    {
        std::string seen;
        for (const std::string& monitor : monitors)
            seen += " " + monitor;
        GTEST_SKIP() << "needs the two-monitor display of make test-monitors; work areas:" << seen;
    }
    CWindowThread owner;
    HWND window = owner.f_Create(L"Quillon window", 10, 20, 300, 200);
    EXPECT_TRUE(fp_PressUntil(gc_ChangeMonitor,
                              [&] { return gf_RectText(gf_WindowRect(window)) == "1274,200,1574,400"; }))
        << gf_RectText(gf_WindowRect(window));
    EXPECT_TRUE(fp_PressUntil(gc_ChangeMonitor,
                              [&] { return gf_RectText(gf_WindowRect(window)) == "362,284,662,484"; }))
        << gf_RectText(gf_WindowRect(window));
    // Too tall for the second monitor: centered there, then clipped to it.
    owner.f_Call([&] { return SetWindowPos(window, nullptr, 10, 20, 900, 700, SWP_NOZORDER); });
    EXPECT_TRUE(fp_PressUntil(gc_ChangeMonitor,
                              [&] { return gf_RectText(gf_WindowRect(window)) == "1024,0,1824,600"; }))
        << gf_RectText(gf_WindowRect(window));
    EXPECT_TRUE(fp_PressUntil(gc_ChangeMonitor,
                              [&] { return gf_RectText(gf_WindowRect(window)) == "112,84,912,684"; }))
        << gf_RectText(gf_WindowRect(window));

    // A maximized window ends maximized on the other monitor, and comes back.
    auto maximizedOn = [&](const char* monitor)
    {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(window, &placement);
        MONITORINFO info{};
        info.cbSize = sizeof info;
        GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
        return placement.showCmd == SW_SHOWMAXIMIZED && gf_RectText(info.rcWork) == monitor;
    };
    EXPECT_TRUE(fp_PressUntil(gc_ToggleMaximized, [&] { return maximizedOn("0,0,1024,768"); }));
    EXPECT_TRUE(fp_PressUntil(gc_ChangeMonitor, [&] { return maximizedOn("1024,0,1824,600"); }))
        << gf_RectText(gf_WindowRect(window));
    EXPECT_TRUE(fp_PressUntil(gc_ChangeMonitor, [&] { return maximizedOn("0,0,1024,768"); }))
        << gf_RectText(gf_WindowRect(window));
}

TEST_F(PluginActionsWine, ZoomFillsAndCenterCentersTheWorkArea)
{
    CWindowThread owner;
    HWND window = owner.f_Create(L"Quillon window", 10, 20, 301, 201);
    EXPECT_TRUE(
        fp_PressUntil(gc_Center, [&] { return gf_RectText(gf_WindowRect(window)) == "490,412,791,613"; }))
        << gf_RectText(gf_WindowRect(window));
    EXPECT_TRUE(fp_PressUntil(gc_Zoom, [&] { return gf_RectText(gf_WindowRect(window)) == "0,0,1280,1024"; }))
        << gf_RectText(gf_WindowRect(window));
}

TEST_F(PluginActionsWine, AMaximizedWindowStaysMaximizedAcrossChangeMonitor)
{
    CWindowThread owner;
    HWND window = owner.f_Create(L"Quillon window", 10, 20, 300, 200);
    auto showCommand = [&]
    {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(window, &placement);
        return placement.showCmd;
    };
    ASSERT_TRUE(fp_PressUntil(gc_ToggleMaximized, [&] { return showCommand() == SW_SHOWMAXIMIZED; }));
    fp_Press(gc_ChangeMonitor);
    // On Top runs after Change Monitor: once the title shows it, both have run.
    ASSERT_TRUE(fp_PressUntil(gc_ToggleOnTop,
                              [&] { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }));
    EXPECT_EQ(showCommand(), SW_SHOWMAXIMIZED);
    // Restored where Change Monitor centered it.
    EXPECT_TRUE(fp_PressUntil(gc_ToggleMaximized,
                              [&] {
                                  return showCommand() == SW_SHOWNORMAL &&
                                         gf_RectText(gf_WindowRect(window)) == "490,412,790,612";
                              }))
        << gf_RectText(gf_WindowRect(window));
}

TEST_F(PluginActionsWine, OnTopTwiceGivesTheTitleBackExactly)
{
    CWindowThread owner;
    struct CCase
    {
        const wchar_t* m_pTitle;
        const wchar_t* m_pOnTop;
    };
    const CCase cases[] = {{L"Caf\u00e9 \u4e2d", L"Caf\u00e9 \u4e2d - On Top"}, {L"", L"On Top"}};
    for (const CCase& c : cases)
    {
        HWND window = owner.f_Create(c.m_pTitle, 10, 20, 300, 200);
        auto title = [&]
        {
            wchar_t text[256] = {};
            GetWindowTextW(window, text, 256);
            return std::wstring(text);
        };
        auto topmost = [&] { return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
        EXPECT_TRUE(fp_PressUntil(gc_ToggleOnTop, [&] { return title() == c.m_pOnTop; }));
        EXPECT_TRUE(topmost());
        EXPECT_TRUE(fp_PressUntil(gc_ToggleOnTop, [&] { return title() == c.m_pTitle; }));
        EXPECT_FALSE(topmost());
        owner.f_Call([&] { return DestroyWindow(window); });
    }
}

// While a dialog it owns is active, the owner is not minimized. (Activating the owner makes it
// its own last active popup, so the owner-in-front case is tested natively.)
TEST_F(PluginActionsWine, ToggleMinimizedLeavesTheOwnerOfAnActiveDialog)
{
    CWindowThread owner;
    HWND window = owner.f_Create(L"Quillon owner", 10, 20, 300, 200);
    HWND dialog = owner.f_Create(L"Quillon dialog", 50, 60, 200, 100, window);
    ASSERT_EQ(GetLastActivePopup(window), dialog);
    fp_Press(gc_ToggleMinimized);
    // On Top, queued after it, marks the dialog: by then the minimize had its turn.
    EXPECT_TRUE(fp_PressUntil(gc_ToggleOnTop,
                              [&] { return (GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }));
    EXPECT_FALSE(IsIconic(window));
    owner.f_Call([&] { return DestroyWindow(dialog); });
    owner.f_Call([&] { return SetForegroundWindow(window); });
    EXPECT_TRUE(fp_PressUntil(gc_ToggleMinimized, [&] { return IsIconic(window) != FALSE; }));
}

TEST_F(PluginActionsWine, CtrlAltDeleteReachesOnlyTheWinlogonDesktop)
{
    CWindowThread defaultDesktop;
    fp_Press(gc_CtrlAltDelete);
    {
        CWindowThread winlogon("Winlogon");
        ASSERT_TRUE(gf_WaitFor(
            []
            {
                std::vector<NTev::CStr> names;
                ms_pEngine->f_GetDesktopThreadNames(names);
                for (const auto& name : names)
                    if (name.f_Compare("Winlogon") == 0)
                        return true;
                return false;
            }));
        // The desktop's thread is listed before its queue exists; a press before that finds
        // no thread to post to.
        bool heard = false;
        for (int i = 0; i < 25 && !heard; ++i)
        {
            fp_Press(gc_CtrlAltDelete);
            for (int j = 0; j < 40 && !heard; ++j, Sleep(5))
                heard = winlogon.f_HotKeys() > 0;
        }
        EXPECT_TRUE(heard);
    }
    EXPECT_EQ(defaultDesktop.f_HotKeys(), 0);
}

// No CD drive, no backlight service: the workers run each request and nothing happens.
TEST_F(PluginActionsWine, DeviceActionsWithoutTheirDevicesDoNothing)
{
    auto& cd = NQuillon::CAccelerator_CDManipulation::fs_GetGlobal();
    auto& backlight = NQuillon::CAccelerator_MacBookProManipulation::fs_GetGlobal();
    const std::uint64_t cdRuns = cd.f_GetCompletedCount();
    const std::uint64_t backlightRuns = backlight.f_GetCompletedCount();
    EXPECT_TRUE(fp_PressUntil(gc_EjectCd, [&] { return cd.f_GetCompletedCount() == cdRuns + 1; }));
    EXPECT_TRUE(
        fp_PressUntil(gc_Backlight, [&] { return backlight.f_GetCompletedCount() == backlightRuns + 1; }));
    EXPECT_TRUE(
        fp_PressUntil(gc_Backlight, [&] { return backlight.f_GetCompletedCount() == backlightRuns + 2; }));
    EXPECT_TRUE(ms_pStandIn->f_TakeWritten().empty());
}

std::string fg_Written(NQuillon::CFilterStandIn& standIn)
{
    std::string text;
    for (const auto& written : standIn.f_TakeWritten())
        text += std::to_string(written.m_Record.m_Keyboard.MakeCode) +
                ((written.m_Record.m_Keyboard.Flags & NQuillon::KEY_BREAK) ? " break\n" : " make\n");
    return text;
}

// The test process is not a service: Caps Lock is off on its threads, so the pair goes out. A
// service cannot know the user's state and writes nothing.
TEST_F(PluginActionsWine, TheLockPairGoesToTheDriverOnlyWhereTheStateIsKnown)
{
    fp_Press(gc_CapsLockOn);
    EXPECT_TRUE(ms_pStandIn->f_WaitWritten(2, 5000));
    EXPECT_EQ(fg_Written(*ms_pStandIn), "58 make\n58 break\n");
    ms_pEngine->m_bRunsAsService = true;
    fp_Press(gc_CapsLockOn);
    fp_Press(gc_Zoom);
    ms_pStandIn->f_WaitQuiet(50, 1000);
    ms_pEngine->m_bRunsAsService = false;
    EXPECT_EQ(fg_Written(*ms_pStandIn), "");
}
} // namespace

#ifdef QUILLON_BACKLIGHT_DRIVER
#include "tests/support/win32/KernelService.h"
#include "tools/backlightstandin/BacklightStandIn.h"

namespace
{
// The backlight driver's stand-in installed as the kernel service "StartupDiskDriver" for the
// life of the object (not started: the action starts it), stopped and removed after.
class CBacklightService
{
public:
    ~CBacklightService()
    {
        if (m_hDevice != INVALID_HANDLE_VALUE)
            CloseHandle(m_hDevice);
    }
    bool f_IsInstalled() const { return m_Service.f_IsInstalled(); }
    // Sets the level to start from and forgets the requests.
    bool f_Reset(std::uint8_t level)
    {
        DWORD returned = 0;
        return fp_Open() && DeviceIoControl(m_hDevice, QUILLON_BACKLIGHT_TEST_RESET, &level, 1, nullptr, 0,
                                            &returned, nullptr);
    }
    // "level: request request ..."
    std::string f_Read()
    {
        unsigned char buffer[2 + QUILLON_BACKLIGHT_MAX_REQUESTS] = {};
        DWORD returned = 0;
        if (!fp_Open() || !DeviceIoControl(m_hDevice, QUILLON_BACKLIGHT_TEST_READ, nullptr, 0, buffer,
                                           sizeof buffer, &returned, nullptr))
            return "no device";
        std::string text = std::to_string(buffer[0]) + ":";
        for (unsigned i = 0; i < buffer[1]; ++i)
            text += " " + std::to_string(buffer[2 + i]);
        return text;
    }
    std::vector<int> f_Requests()
    {
        std::vector<int> requests;
        const std::string text = f_Read();
        for (std::size_t at = text.find(' '); at != std::string::npos; at = text.find(' ', at + 1))
            requests.push_back(std::stoi(text.substr(at + 1)));
        return requests;
    }

private:
    bool fp_Open()
    {
        if (m_hDevice == INVALID_HANDLE_VALUE)
            m_hDevice = CreateFileA("\\\\.\\StartupDiskDriver", 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        return m_hDevice != INVALID_HANDLE_VALUE;
    }

    NQuillonTest::CKernelService m_Service{"StartupDiskDriver", QUILLON_BACKLIGHT_DRIVER, false};
    HANDLE m_hDevice = INVALID_HANDLE_VALUE;
};

using CBacklightWorker = NQuillon::CAccelerator_MacBookProManipulation::CGlobal;

// The real path: the worker finds no service, then starts the installed one, opens its device
// and applies the level rules through the two controls.
TEST(BacklightDriverWine, TheLevelRulesReachTheDeviceOnceItsServiceExists)
{
    auto owned = std::make_unique<CBacklightWorker>();
    CBacklightWorker& worker = *owned;
    ASSERT_TRUE(worker.f_Queue(3));
    ASSERT_TRUE(gf_WaitFor([&] { return worker.f_GetCompletedCount() == 1; }));
    CBacklightService service;
    ASSERT_TRUE(service.f_IsInstalled());
    struct CCase
    {
        std::uint8_t m_Level;
        std::int32_t m_Code;
        const char* m_pAfter;
    };
    const CCase cases[] = {
        {0, 0, "1: 2 1"}, {14, 0, "15: 15"}, {15, 0, "15: 15"}, {1, 1, "0: 0"},
        {0, 1, "0: 0"},   {7, 2, "0: 0"},    {7, 3, "15: 15"},
    };
    std::uint64_t runs = 1;
    for (const CCase& c : cases)
    {
        // The first case starts the service; the test's own handle opens after it.
        if (runs > 1)
        {
            ASSERT_TRUE(service.f_Reset(c.m_Level));
        }
        ASSERT_TRUE(worker.f_Queue(c.m_Code));
        ASSERT_TRUE(gf_WaitFor([&] { return worker.f_GetCompletedCount() == runs + 1; }));
        ++runs;
        EXPECT_EQ(service.f_Read(), c.m_pAfter) << int(c.m_Level) << " code " << c.m_Code;
    }
    // The worker closes its handle before the service stops.
    owned.reset();
}
} // namespace

// A held increase key: the engine's repeat asks again and again, the worker takes a change only
// while none waits, so the level climbs one step per completed request and never skips.
TEST_F(PluginActionsWine, AHeldBacklightKeyClimbsOneStepPerCompletedRequest)
{
    CBacklightService service;
    ASSERT_TRUE(service.f_IsInstalled());
    auto& backlight = NQuillon::CAccelerator_MacBookProManipulation::fs_GetGlobal();
    // The first press starts the service and opens the device (the worker tried before and
    // found nothing); from 0 it sets 2, then 1.
    const std::uint64_t before = backlight.f_GetCompletedCount();
    ASSERT_TRUE(fp_PressUntil(gc_Backlight, [&] { return backlight.f_GetCompletedCount() == before + 1; }));
    ASSERT_TRUE(service.f_Reset(3));
    const std::uint64_t start = backlight.f_GetCompletedCount();
    const NQuillon::CDriverRecord make = NQuillonTest::gf_Key(gc_Backlight, true);
    ms_pStandIn->f_Feed(&make, 1);
    EXPECT_TRUE(gf_WaitFor([&] { return service.f_Requests().size() >= 4; }));
    const NQuillon::CDriverRecord release = NQuillonTest::gf_Key(gc_Backlight, false);
    ms_pStandIn->f_Feed(&release, 1);
    std::vector<int> requests;
    ASSERT_TRUE(gf_WaitFor(
        [&]
        {
            requests = service.f_Requests();
            return backlight.f_GetCompletedCount() - start == requests.size();
        }));
    for (std::size_t i = 0; i < requests.size(); ++i)
        EXPECT_EQ(requests[i], std::min(4 + int(i), 15)) << i;
}
#endif
