// The device and system actions against fakes: the backlight level rules and its worker, the
// CD eject's steps, the keyboard locks through an engine, and the window job's queue.

#include "actions/plugins/Backlight.h"
#include "actions/plugins/CDManipulation.h"
#include "actions/plugins/CdEject.h"
#include "actions/plugins/CtrlAltDelete.h"
#include "actions/plugins/KeyboardLocks.h"
#include "actions/plugins/WindowManipulation.h"
#include "engine/MessageHook.h"
#include "tests/actions/FakeWindowSystem.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/TraceCapture.h"
#include "tools/config/ConfigJson.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace
{
using NQuillonTest::gf_WaitFor;

// A backlight device that keeps a level and the requests; it can hold each request until the
// test lets it go, and it can be absent.
class CFakeBacklight final : public NQuillon::ICBacklightDevice
{
public:
    bool f_Open() override
    {
        std::lock_guard lock(m_Mutex);
        ++m_Opens;
        return m_bPresent;
    }
    bool f_ReadLevel(std::uint8_t& level) override
    {
        std::unique_lock lock(m_Mutex);
        m_Changed.wait(lock, [this] { return !m_bHold; });
        level = m_Level;
        return true;
    }
    void f_SetLevel(std::uint8_t level) override
    {
        std::lock_guard lock(m_Mutex);
        m_Level = level;
        m_Requests.push_back(level);
    }
    void f_Wait(std::uint32_t milliseconds) override
    {
        std::lock_guard lock(m_Mutex);
        m_Requests.push_back(-static_cast<int>(milliseconds));
    }
    void f_Hold(bool hold)
    {
        {
            std::lock_guard lock(m_Mutex);
            m_bHold = hold;
        }
        m_Changed.notify_all();
    }
    template <typename t_F>
    auto f_Get(t_F get)
    {
        std::lock_guard lock(m_Mutex);
        return get();
    }

    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    bool m_bHold = false;
    bool m_bPresent = true;
    std::uint8_t m_Level = 0;
    int m_Opens = 0;
    // Levels set; a wait as its negative milliseconds.
    std::vector<int> m_Requests;
};

TEST(Backlight, LevelRules)
{
    struct CCase
    {
        std::int32_t m_Code;
        std::uint8_t m_Level;
        std::vector<int> m_Requests;
    };
    const CCase cases[] = {
        {0, 0, {2, -10, 1}}, {0, 1, {2}},  {0, 13, {14}}, {0, 14, {15}}, {0, 15, {15}}, {0, 200, {15}},
        {1, 0, {0}},         {1, 1, {0}},  {1, 2, {1}},   {1, 15, {14}}, {1, 16, {15}}, {1, 255, {15}},
        {2, 9, {0}},         {3, 9, {15}}, {4, 9, {}},    {-1, 9, {}},
    };
    for (const CCase& c : cases)
    {
        CFakeBacklight device;
        device.m_Level = c.m_Level;
        NQuillon::gf_RunBacklightOperation(device, c.m_Code);
        EXPECT_EQ(device.m_Requests, c.m_Requests) << "code " << c.m_Code << " at " << int(c.m_Level);
    }
}

using CBacklightWorker = NQuillon::CAccelerator_MacBookProManipulation::CGlobal;

TEST(Backlight, AHeldKeyNeverQueuesMoreThanOneChange)
{
    auto owned = std::make_unique<CFakeBacklight>();
    CFakeBacklight& device = *owned;
    device.m_Level = 3;
    device.f_Hold(true);
    CBacklightWorker worker(std::move(owned));
    // The first request runs (and waits on the device), the second waits in the queue, every
    // repeat after it is dropped.
    EXPECT_TRUE(worker.f_Queue(0));
    ASSERT_TRUE(gf_WaitFor([&] { return device.f_Get([&] { return device.m_Opens; }) == 1; }));
    EXPECT_TRUE(worker.f_Queue(0));
    for (int i = 0; i < 20; ++i)
        EXPECT_FALSE(worker.f_Queue(0));
    device.f_Hold(false);
    ASSERT_TRUE(gf_WaitFor([&] { return worker.f_GetCompletedCount() == 2; }));
    EXPECT_EQ(device.f_Get([&] { return device.m_Requests; }), (std::vector<int>{4, 5}));
}

TEST(Backlight, AnAbsentDeviceDoesNothingAndIsTriedAgain)
{
    auto owned = std::make_unique<CFakeBacklight>();
    CFakeBacklight& device = *owned;
    device.m_bPresent = false;
    CBacklightWorker worker(std::move(owned));
    for (int i = 1; i <= 3; ++i)
    {
        ASSERT_TRUE(worker.f_Queue(3));
        ASSERT_TRUE(gf_WaitFor([&] { return worker.f_GetCompletedCount() == std::uint64_t(i); }));
    }
    EXPECT_EQ(device.f_Get([&] { return device.m_Opens; }), 3);
    EXPECT_TRUE(device.f_Get([&] { return device.m_Requests; }).empty());
}

TEST(Backlight, ShutdownDropsWhatIsQueuedAndEveryLaterRequest)
{
    auto owned = std::make_unique<CFakeBacklight>();
    CFakeBacklight& device = *owned;
    device.f_Hold(true);
    CBacklightWorker worker(std::move(owned));
    ASSERT_TRUE(worker.f_Queue(0));
    ASSERT_TRUE(gf_WaitFor([&] { return device.f_Get([&] { return device.m_Opens; }) == 1; }));
    ASSERT_TRUE(worker.f_Queue(3));
    // The running request finishes; the queued one is discarded, not run after the stop.
    std::thread release(
        [&]
        {
            while (worker.f_GetState() == NTev::NThread::ICThread::mc_StateRunning)
                std::this_thread::yield();
            device.f_Hold(false);
        });
    worker.f_Shutdown();
    release.join();
    EXPECT_FALSE(worker.f_Queue(3));
    EXPECT_EQ(worker.f_GetState(), NTev::NThread::ICThread::mc_StateStopped);
    EXPECT_EQ(device.f_Get([&] { return device.m_Requests; }), (std::vector<int>{2, -10, 1}));
}

// Volumes by name; MCI opens only the CD drives in m_Openable.
class CFakeCdSystem final : public NQuillon::ICCdSystem
{
public:
    CFind f_FindFirstVolume(std::string& name) override
    {
        m_Log.push_back("first");
        if (m_Volumes.empty())
            return nullptr;
        m_Next = 1;
        name = m_Volumes[0];
        return this;
    }
    bool f_FindNextVolume(CFind, std::string& name) override
    {
        if (m_Next >= m_Volumes.size())
            return false;
        name = m_Volumes[m_Next++];
        return true;
    }
    void f_FindVolumeClose(CFind) override { m_Log.push_back("close find"); }
    bool f_IsCdDrive(const std::string& volume) override { return volume.rfind("cd", 0) == 0; }
    bool f_OpenCdDevice(const std::string& volume, std::uint32_t& device) override
    {
        if (volume.find("locked") != std::string::npos)
            return false;
        device = static_cast<std::uint32_t>(volume.size());
        m_Log.push_back("open " + volume);
        return true;
    }
    void f_OpenDoor(std::uint32_t device) override { m_Log.push_back("door " + std::to_string(device)); }
    void f_CloseDevice(std::uint32_t device) override { m_Log.push_back("close " + std::to_string(device)); }

    std::vector<std::string> m_Volumes;
    std::size_t m_Next = 0;
    std::vector<std::string> m_Log;
};

TEST(CdEject, EveryCdDriveThatOpensIsEjected)
{
    CFakeCdSystem system;
    system.m_Volumes = {"disk", "cd-a", "cd-locked", "cd-bb"};
    NQuillon::gf_EjectAllCds(system);
    EXPECT_EQ(system.m_Log, (std::vector<std::string>{"first", "open cd-a", "door 4", "close 4", "open cd-bb",
                                                      "door 5", "close 5", "close find"}));
}

TEST(CdEject, NoVolumesNoCalls)
{
    CFakeCdSystem system;
    NQuillon::gf_EjectAllCds(system);
    EXPECT_EQ(system.m_Log, (std::vector<std::string>{"first"}));
}

TEST(CdEject, TheWorkerRunsOnlyTheEjectCode)
{
    CFakeCdSystem system;
    system.m_Volumes = {"cd-a"};
    NQuillon::CAccelerator_CDManipulation::CGlobal worker(&system);
    ASSERT_TRUE(worker.f_Queue(1));
    ASSERT_TRUE(worker.f_Queue(0));
    ASSERT_TRUE(gf_WaitFor([&] { return worker.f_GetCompletedCount() == 2; }));
    worker.f_Shutdown();
    EXPECT_EQ(system.m_Log.size(), 5u);
}

// The lock actions through an engine that writes to a record log.
class KeyboardLocks : public ::testing::Test
{
protected:
    void SetUp() override
    {
        NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(R"json({"defaultTable": "Main",
          "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "actions": [
            {"kind": "Plugin", "class": "CAccelerator_KeyboardLocksManipulation", "trigger": "F1", "lock": 0, "state": 1},
            {"kind": "Plugin", "class": "CAccelerator_KeyboardLocksManipulation", "trigger": "F2", "lock": 1, "state": 0},
            {"kind": "Plugin", "class": "CAccelerator_KeyboardLocksManipulation", "trigger": "F3", "lock": 2, "state": 1}
          ]}]}]})json"),
                                                  m_Engine);
        m_Engine.m_bOwnsInput = true;
        m_Engine.f_ActivateTable("Main");
        NQuillon::CAccelerator_KeyboardLocksManipulation::fs_SetToggleReader(&fs_Read);
    }
    void TearDown() override
    {
        NQuillon::CAccelerator_KeyboardLocksManipulation::fs_SetToggleReader(nullptr);
    }
    static std::optional<bool> fs_Read(const NQuillon::CMessageHook&, std::int32_t virtualKey)
    {
        ms_Reads.push_back(virtualKey);
        return ms_Toggle;
    }
    std::string fp_Press(std::int32_t key)
    {
        m_Log.f_Clear();
        m_Engine.f_OnKeyDown(key);
        m_Engine.f_OnKeyUp(key);
        return m_Log.f_Text();
    }

    NQuillonTest::CRecordLog m_Log;
    NQuillon::CMessageHook m_Engine{&m_Log};
    static inline std::optional<bool> ms_Toggle;
    static inline std::vector<std::int32_t> ms_Reads;
};

TEST_F(KeyboardLocks, ThePairIsWrittenOnlyWhenTheStateDiffers)
{
    ms_Reads.clear();
    ms_Toggle = false;
    EXPECT_EQ(fp_Press(59), "kbd 3A make\nkbd 3A break\n");
    EXPECT_EQ(fp_Press(60), "");
    EXPECT_EQ(fp_Press(61), "kbd 46 make\nkbd 46 break\n");
    ms_Toggle = true;
    EXPECT_EQ(fp_Press(59), "");
    EXPECT_EQ(fp_Press(60), "kbd 45 make\nkbd 45 break\n");
    EXPECT_EQ(ms_Reads, (std::vector<std::int32_t>{20, 144, 145, 20, 144}));
}

TEST_F(KeyboardLocks, AnUnknownStateOrAnEngineWithoutInputWritesNothing)
{
    ms_Toggle = std::nullopt;
    EXPECT_EQ(fp_Press(59), "");
    ms_Toggle = false;
    m_Engine.m_bOwnsInput = false;
    EXPECT_EQ(fp_Press(59), "");
}

TEST_F(KeyboardLocks, TheGeneratedPressCountsStayUnchanged)
{
    ms_Toggle = false;
    m_Engine.f_OnKeyDown(59);
    // The lock key pressed by hand afterwards passes as one make and one break: the action's
    // records left no count behind that would swallow or repeat them.
    m_Log.f_Clear();
    EXPECT_EQ(fp_Press(58), "kbd 3A make\nkbd 3A break\n");
    m_Engine.f_OnKeyUp(59);
}

TEST(WindowJob, APressRunsOnTheInputDesktopOrIsDropped)
{
    NQuillonTest::CRecordLog log;
    NQuillon::CMessageHook engine(&log);
    NQuillonTest::CFakeWindowSystem system;
    system.m_WorkAreas = {{0, 0, 1000, 800}};
    system.m_Windows[1].m_Rect = {0, 0, 100, 100};
    system.m_Foreground = 1;
    auto& job = NQuillon::CAccelerator_WindowManipulation::fs_GetGlobal();
    job.f_SetWindowSystem(&system);
#ifdef _WIN32
    // No engine thread: there is no input desktop thread, and the press is not kept.
    EXPECT_FALSE(job.f_Queue(engine, 2));
    job.f_Run();
    EXPECT_TRUE(system.m_Log.empty());
#else
    // Without desktops the job runs at once.
    EXPECT_TRUE(job.f_Queue(engine, 2));
    EXPECT_EQ(system.m_Log, (std::vector<std::string>{"move 450,350"}));
#endif
    job.f_SetWindowSystem(nullptr);
}

// The window job's queue: at most eight presses wait; one beyond is dropped, and each run of
// drops is traced once.
struct CQueueStep
{
    enum EKind
    {
        Push,     // m_Value: the code; m_bAccepted: whether it is queued
        Pop,      // m_Value: the code expected, -1 for none
        TakeBack, // m_Value: which push of the case (0 = the first) takes its code back
    };
    EKind m_Kind;
    std::int32_t m_Value;
    bool m_bAccepted = true;
};
using EStep = CQueueStep::EKind;

struct CQueueCase
{
    const char* m_pName;
    std::vector<CQueueStep> m_Steps;
    // What still waits at the end, oldest first, and the trace lines written.
    std::vector<std::int32_t> m_Rest;
    std::size_t m_Traces;
};

// Pushes of the codes 0 to 7, all accepted, then the steps.
std::vector<CQueueStep> fg_AfterEight(std::vector<CQueueStep> steps)
{
    std::vector<CQueueStep> all;
    for (std::int32_t code = 0; code < 8; ++code)
        all.push_back({EStep::Push, code});
    all.insert(all.end(), steps.begin(), steps.end());
    return all;
}

TEST(WindowJob, AtMostEightPressesWaitAndEachRunOfDropsIsTracedOnce)
{
    EXPECT_EQ(NQuillon::CAccelerator_WindowManipulation::CGlobal::mc_MaxQueued, 8u);
    const CQueueCase cases[] = {
        {"the ninth and tenth are dropped",
         fg_AfterEight({{EStep::Push, 8, false}, {EStep::Push, 9, false}}),
         {0, 1, 2, 3, 4, 5, 6, 7},
         1},
        {"a code taken out makes room for exactly one",
         fg_AfterEight(
             {{EStep::Push, 8, false}, {EStep::Pop, 0}, {EStep::Push, 9}, {EStep::Push, 10, false}}),
         {1, 2, 3, 4, 5, 6, 7, 9},
         2},
        {"a press taken back frees its own place only",
         fg_AfterEight({{EStep::TakeBack, 3}, {EStep::Push, 8}, {EStep::Push, 9, false}}),
         {0, 1, 2, 4, 5, 6, 7, 8},
         1},
        {"taking back a code already taken out changes nothing",
         {{EStep::Push, 5}, {EStep::Push, 6}, {EStep::Pop, 5}, {EStep::TakeBack, 0}, {EStep::Push, 7}},
         {6, 7},
         0},
        {"an empty queue gives nothing",
         {{EStep::Pop, -1}, {EStep::Push, 1}, {EStep::Pop, 1}, {EStep::Pop, -1}},
         {},
         0},
    };
    for (const CQueueCase& c : cases)
    {
        SCOPED_TRACE(c.m_pName);
        NQuillonTest::CTraceCapture trace;
        NQuillon::CWindowOperationQueue queue;
        std::vector<std::optional<std::uint64_t>> tickets;
        for (const CQueueStep& step : c.m_Steps)
            if (step.m_Kind == EStep::Push)
            {
                tickets.push_back(queue.f_Push(step.m_Value));
                EXPECT_EQ(tickets.back().has_value(), step.m_bAccepted) << "push " << step.m_Value;
            }
            else if (step.m_Kind == EStep::Pop)
                EXPECT_EQ(queue.f_Pop().value_or(-1), step.m_Value);
            else if (const auto ticket = tickets.at(step.m_Value))
                queue.f_TakeBack(*ticket);
        EXPECT_EQ(queue.f_GetCount(), c.m_Rest.size());
        std::vector<std::int32_t> rest;
        while (const auto code = queue.f_Pop())
            rest.push_back(*code);
        EXPECT_EQ(rest, c.m_Rest);
        const std::vector<std::string> writes = trace.f_GetWrites();
        EXPECT_EQ(writes.size(), c.m_Traces);
        for (const std::string& write : writes)
            EXPECT_NE(write.find("window operations wait"), std::string::npos) << write;
    }
}

// A service's desktops are not the user's: its window, lock and Ctrl+Alt+Delete actions go to
// its session agent and to the system, never to its own desktops or key state.
class CRecordingAgent final : public NQuillon::CMessageHook::ICSessionAgent
{
public:
    bool f_RunWindowOperation(std::int32_t code) override
    {
        m_Log += "window " + std::to_string(code) + "\n";
        return true;
    }
    bool f_SetLockState(std::int32_t virtualKey, std::uint16_t scanCode, bool on) override
    {
        m_Log +=
            "lock " + std::to_string(virtualKey) + " " + std::to_string(scanCode) + (on ? " on\n" : " off\n");
        return true;
    }
    std::string m_Log;
};

int g_SecureAttentions = 0;

TEST(ServiceActions, GoToTheAgentAndTheSystem)
{
    NQuillonTest::CRecordLog log;
    NQuillon::CMessageHook engine(&log);
    NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(R"json({"defaultTable": "Main",
      "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "actions": [
        {"kind": "Plugin", "class": "CAccelerator_WindowManipulation", "trigger": "F1", "operation": 3},
        {"kind": "Plugin", "class": "CAccelerator_KeyboardLocksManipulation", "trigger": "F2", "lock": 1, "state": 0},
        {"kind": "Plugin", "class": "CAccelerator_CtrlAltDelete", "trigger": "F3"}
      ]}]}]})json"),
                                              engine);
    engine.m_bOwnsInput = true;
    engine.m_bRunsAsService = true;
    CRecordingAgent agent;
    engine.f_SetSessionAgent(&agent);
    NQuillonTest::CFakeWindowSystem system;
    NQuillon::CAccelerator_WindowManipulation::fs_GetGlobal().f_SetWindowSystem(&system);
    NQuillon::CAccelerator_CtrlAltDelete::fs_SetSecureAttention([] { return ++g_SecureAttentions > 0; });
    for (std::int32_t key : {59, 60, 61})
    {
        engine.f_OnKeyDown(key);
        engine.f_OnKeyUp(key);
    }
    EXPECT_EQ(agent.m_Log, "window 3\nlock 144 69 off\n");
    EXPECT_EQ(g_SecureAttentions, 1);
    EXPECT_TRUE(system.m_Log.empty());
    EXPECT_EQ(log.f_Text(), "");
    NQuillon::CAccelerator_CtrlAltDelete::fs_SetSecureAttention(nullptr);
    NQuillon::CAccelerator_WindowManipulation::fs_GetGlobal().f_SetWindowSystem(nullptr);
}
} // namespace
