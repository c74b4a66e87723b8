// The window operations' geometry and steps against a window system of rectangles.

#include "actions/plugins/WindowOperations.h"
#include "actions/plugins/WindowManipulation.h"
#include "tests/actions/FakeWindowSystem.h"
#include "tools/config/ConfigJson.h"

#include <gtest/gtest.h>

namespace
{
using NQuillon::CWindowRect;
using NQuillonTest::CFakeWindowSystem;
using EShow = NQuillon::ICWindowSystem::EShow;

struct CCenterCase
{
    CWindowRect m_Window;
    CWindowRect m_Area;
    std::int32_t m_X;
    std::int32_t m_Y;
};

TEST(WindowGeometry, CenteringTruncatesEachHalfTowardZero)
{
    const CCenterCase cases[] = {
        {{0, 0, 100, 50}, {0, 0, 1024, 768}, 462, 359},
        // Odd sizes: each half is truncated on its own.
        {{0, 0, 101, 51}, {0, 0, 1025, 769}, 462, 359},
        {{0, 0, 100, 50}, {1024, 0, 1824, 600}, 1374, 275},
        // Larger than the area: negative offsets truncate toward zero too.
        {{0, 0, 1201, 901}, {0, 0, 1024, 768}, -88, -66},
        {{0, 0, 100, 100}, {-801, -3, 0, 0}, -451, -52},
    };
    for (const CCenterCase& c : cases)
    {
        std::int32_t x;
        std::int32_t y;
        NQuillon::gf_CenterOn(c.m_Window, c.m_Area, x, y);
        EXPECT_EQ(x, c.m_X);
        EXPECT_EQ(y, c.m_Y);
    }
}

TEST(WindowGeometry, ClippingPullsEveryEdgeInside)
{
    EXPECT_EQ(NQuillon::gf_ClipTo({-10, -20, 900, 700}, {0, 0, 800, 600}), (CWindowRect{0, 0, 800, 600}));
    EXPECT_EQ(NQuillon::gf_ClipTo({10, 20, 30, 40}, {0, 0, 800, 600}), (CWindowRect{10, 20, 30, 40}));
}

TEST(WindowGeometry, TheNextMonitorWrapsAndFallsBackToTheFirst)
{
    std::vector<std::uintptr_t> monitors;
    for (std::uintptr_t i = 1; i <= 32; ++i)
        monitors.push_back(i * 16);
    EXPECT_EQ(NQuillon::gf_NextMonitor(monitors, 16), 1u);
    EXPECT_EQ(NQuillon::gf_NextMonitor(monitors, 31 * 16), 31u);
    EXPECT_EQ(NQuillon::gf_NextMonitor(monitors, 32 * 16), 0u);
    EXPECT_EQ(NQuillon::gf_NextMonitor(monitors, 7), 0u);
    EXPECT_EQ(NQuillon::gf_NextMonitor({5}, 5), 0u);
}

TEST(WindowGeometry, OnTopTitles)
{
    struct CCase
    {
        std::u16string m_Before;
        bool m_bBecomesTopmost;
        std::u16string m_After;
    };
    const CCase cases[] = {
        {u"Editor", true, u"Editor - On Top"},
        {u"Editor - On Top", false, u"Editor"},
        {u"", true, u"On Top"},
        {u"On Top", false, u""},
        {u"A - On Top - On Top", false, u"A"},
        {u"\u00e9\u4e2d - On Top", false, u"\u00e9\u4e2d"},
        {u"Plain", false, u"Plain"},
    };
    for (const CCase& c : cases)
        EXPECT_EQ(NQuillon::gf_OnTopTitle(c.m_Before, c.m_bBecomesTopmost), c.m_After);
}

class WindowOperations : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_System.m_WorkAreas = {{0, 0, 1024, 768}, {1024, 0, 1824, 600}};
        m_System.m_Windows[1].m_Rect = {100, 100, 1000, 700};
        m_System.m_Windows[1].m_Title = u"Editor";
        m_System.m_Foreground = 1;
    }
    CFakeWindowSystem::CWindowState& fp_Window() { return m_System.m_Windows[1]; }
    CFakeWindowSystem m_System;
};

TEST_F(WindowOperations, ChangeMonitorCentersAndClipsOnTheNextOne)
{
    NQuillon::gf_RunWindowOperation(m_System, 0);
    EXPECT_EQ(fp_Window().m_Rect, (CWindowRect{1024, 0, 1824, 600}));
    EXPECT_EQ(m_System.m_Log, (std::vector<std::string>{"move 974,0", "rect 1024,0,1824,600"}));
    NQuillon::gf_RunWindowOperation(m_System, 0);
    EXPECT_EQ(fp_Window().m_Rect, (CWindowRect{112, 84, 912, 684}));
}

TEST_F(WindowOperations, ChangeMonitorWithOneMonitorCentersAndClipsThere)
{
    m_System.m_WorkAreas.resize(1);
    fp_Window().m_Rect = {500, 500, 1700, 900};
    NQuillon::gf_RunWindowOperation(m_System, 0);
    EXPECT_EQ(fp_Window().m_Rect, (CWindowRect{0, 184, 1024, 584}));
}

TEST_F(WindowOperations, AMaximizedWindowEndsMaximizedOnTheTarget)
{
    NQuillon::gf_RunWindowOperation(m_System, 3);
    ASSERT_EQ(fp_Window().m_Show, EShow::Maximized);
    m_System.m_Log.clear();
    NQuillon::gf_RunWindowOperation(m_System, 0);
    EXPECT_EQ(fp_Window().m_Show, EShow::Maximized);
    EXPECT_EQ(fp_Window().m_Rect, (CWindowRect{1024, 0, 1824, 600}));
    EXPECT_EQ(m_System.m_Log, (std::vector<std::string>{"restore", "move 974,0", "show maximized"}));
}

TEST_F(WindowOperations, ZoomAndCenterUseTheWindowsOwnMonitor)
{
    fp_Window().m_Rect = {1100, 10, 1301, 111};
    NQuillon::gf_RunWindowOperation(m_System, 2);
    EXPECT_EQ(fp_Window().m_Rect, (CWindowRect{1324, 250, 1525, 351}));
    NQuillon::gf_RunWindowOperation(m_System, 1);
    EXPECT_EQ(fp_Window().m_Rect, (CWindowRect{1024, 0, 1824, 600}));
}

TEST_F(WindowOperations, TheTogglesFlipBackAndForth)
{
    NQuillon::gf_RunWindowOperation(m_System, 3);
    NQuillon::gf_RunWindowOperation(m_System, 3);
    NQuillon::gf_RunWindowOperation(m_System, 4);
    EXPECT_EQ(fp_Window().m_Show, EShow::Minimized);
    NQuillon::gf_RunWindowOperation(m_System, 4);
    NQuillon::gf_RunWindowOperation(m_System, 5);
    EXPECT_TRUE(fp_Window().m_bTopmost);
    EXPECT_EQ(fp_Window().m_Title, u"Editor - On Top");
    NQuillon::gf_RunWindowOperation(m_System, 5);
    EXPECT_EQ(m_System.m_Log, (std::vector<std::string>{"maximize", "restore", "minimize", "restore",
                                                        "topmost", "not topmost"}));
    EXPECT_EQ(fp_Window().m_Title, u"Editor");
}

TEST_F(WindowOperations, ActiveOwnedPopupIsTheTargetButBlocksMinimizing)
{
    fp_Window().m_Popup = 2;
    m_System.m_Windows[2].m_Rect = {0, 0, 200, 100};
    NQuillon::gf_RunWindowOperation(m_System, 4);
    NQuillon::gf_RunWindowOperation(m_System, 2);
    EXPECT_EQ(fp_Window().m_Show, EShow::Normal);
    EXPECT_EQ(m_System.m_Windows[2].m_Rect, (CWindowRect{412, 334, 612, 434}));
}

// On Windows the changes are only asked for and land later, after the operation's last read:
// every operation must end where it would if each change landed at once.
TEST(WindowOperationsDeferred, EndTheSameWhenTheChangesLandAfterTheOperation)
{
    struct CCase
    {
        std::int32_t m_Code;
        EShow m_Show;
        std::size_t m_Monitors;
        CWindowRect m_Rect;
    };
    std::vector<CCase> cases;
    for (std::int32_t code = 0; code < 6; ++code)
        for (EShow show : {EShow::Normal, EShow::Maximized, EShow::Minimized})
            for (std::size_t monitors : {1u, 2u})
                for (CWindowRect rect : {CWindowRect{100, 100, 1000, 700}, CWindowRect{1100, 10, 1301, 111},
                                         CWindowRect{-50, 500, 1200, 1300}})
                    cases.push_back({code, show, monitors, rect});
    for (const CCase& c : cases)
    {
        SCOPED_TRACE("code " + std::to_string(c.m_Code) + ", show " + std::to_string(int(c.m_Show)) + ", " +
                     std::to_string(c.m_Monitors) + " monitors, left " + std::to_string(c.m_Rect.m_Left));
        CFakeWindowSystem systems[2];
        for (CFakeWindowSystem& system : systems)
        {
            system.m_WorkAreas = {{0, 0, 1024, 768}, {1024, 0, 1824, 600}};
            system.m_WorkAreas.resize(c.m_Monitors);
            auto& window = system.m_Windows[1];
            window.m_Rect = c.m_Rect;
            window.m_Title = u"Editor";
            // A maximized window fills its monitor; its restored rectangle is the one given.
            if (c.m_Show == EShow::Maximized)
            {
                window.m_Restored = c.m_Rect;
                window.m_Rect = system.m_WorkAreas[system.f_GetMonitor(1) - 1];
            }
            window.m_Show = c.m_Show;
            system.m_Foreground = 1;
        }
        CFakeWindowSystem& atOnce = systems[0];
        CFakeWindowSystem& later = systems[1];
        later.m_bDeferChanges = true;
        NQuillon::gf_RunWindowOperation(atOnce, c.m_Code);
        NQuillon::gf_RunWindowOperation(later, c.m_Code);
        later.f_CarryOutChanges();
        EXPECT_EQ(later.m_Log, atOnce.m_Log);
        EXPECT_TRUE(later.m_Windows == atOnce.m_Windows)
            << "rect " << later.m_Windows[1].m_Rect.m_Left << "," << later.m_Windows[1].m_Rect.m_Top
            << " against " << atOnce.m_Windows[1].m_Rect.m_Left << "," << atOnce.m_Windows[1].m_Rect.m_Top;
    }
}

TEST_F(WindowOperations, NothingHappensWithoutAForegroundWindowOrForTheMoveCodes)
{
    for (std::int32_t code : {6, 7, 8, 9, 10, -1})
        NQuillon::gf_RunWindowOperation(m_System, code);
    m_System.m_Foreground = 0;
    for (std::int32_t code = 0; code < 6; ++code)
        NQuillon::gf_RunWindowOperation(m_System, code);
    EXPECT_TRUE(m_System.m_Log.empty());
    EXPECT_EQ(fp_Window().m_Rect, (CWindowRect{100, 100, 1000, 700}));
}
} // namespace
