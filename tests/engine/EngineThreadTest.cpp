// The engine as a thread: the settings watch, the repeat thread, and a stop that leaves no
// generated key held down. Runs on every platform; on Windows the engine thread also opens
// the window station and starts its desktop threads.

#include "tests/engine/EngineTestSupport.h"
#include "tools/config/ConfigJson.h"

#include "config/Configuration.h"
#include "config/Settings.h"
#include "core/VirtualClock.h"
#include "engine/InputState.h"
#include "engine/LaptopKeys.h"
#include "engine/RepeatThread.h"
#include "tests/core/FileTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>

using NQuillon::CDriverRecord;
using NQuillon::CMessageHook;
using NQuillonTest::CRecordLog;

namespace
{
class CEngineThreadTest : public ::testing::Test
{
protected:
    CEngineThreadTest()
    {
        m_Engine.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str());
        m_Engine.m_bOwnsInput = true;
    }
    ~CEngineThreadTest() override { m_Engine.f_Stop(true); }

    void fp_Feed(std::initializer_list<CDriverRecord> records)
    {
        m_Engine.f_ProcessDriverRecords(records.begin(), records.size());
    }

    NQuillonTest::CTempDirectory m_Directory;
    CRecordLog m_Log;
    CMessageHook m_Engine{&m_Log};
};
} // namespace

TEST_F(CEngineThreadTest, StopSendsTheBreaksOfGeneratedKeysFirst)
{
    NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(NQuillonTest::gc_CtrlCToV), m_Engine);
    m_Engine.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    fp_Feed({NQuillonTest::gf_Key(0x1D, true), NQuillonTest::gf_Key(0x2E, true)});
    EXPECT_EQ(m_Log.f_Text(), "kbd 1D make\nkbd 2F make\n");
    m_Log.f_Clear();
    EXPECT_EQ(m_Engine.f_Stop(true), 0u);
    EXPECT_EQ(m_Engine.f_GetState(), NTev::NThread::ICThread::mc_StateStopped);
    // Both keys the engine holds down in the system are let go.
    const std::string text = m_Log.f_Text();
    EXPECT_NE(text.find("kbd 2F break\n"), std::string::npos) << text;
    EXPECT_NE(text.find("kbd 1D break\n"), std::string::npos) << text;
    EXPECT_EQ(m_Engine.f_GetInputState().m_GeneratedKeys[0x1D], 0);
}

TEST_F(CEngineThreadTest, AnEngineStartedAgainRunsAgain)
{
    for (int run = 0; run < 3; ++run)
    {
        m_Engine.f_Start(NTev::NThread::gc_PriorityNormal, 0);
        ASSERT_TRUE(NQuillonTest::gf_WaitFor([&] { return m_Engine.f_GetEngineThreadId() != 0; }));
        EXPECT_EQ(m_Engine.f_Stop(true), 0u);
    }
}

TEST_F(CEngineThreadTest, TheRunningEngineReloadsAChangedSettingsFile)
{
    CMessageHook writer;
    writer.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str());
    NQuillonConfigTool::gf_BuildConfiguration(
        nlohmann::json::parse(R"({"defaultTable": "One", "tables": [{"name": "One"}]})"), writer);
    ASSERT_TRUE(writer.f_SaveSettings());
    ASSERT_TRUE(m_Engine.f_LoadSettings("Settings.dat"));
    m_Engine.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    EXPECT_STREQ(m_Engine.f_GetCurrentTableName().f_GetStr(), "One");
    // Saved while the engine runs and watches.
    ASSERT_TRUE(NQuillonTest::gf_WaitFor([&] { return m_Engine.f_GetEngineThreadId() != 0; }));

    NQuillonConfigTool::gf_BuildConfiguration(
        nlohmann::json::parse(R"({"defaultTable": "Two", "tables": [{"name": "One"}, {"name": "Two"}]})"),
        writer);
    ASSERT_TRUE(writer.f_SaveSettings());
    EXPECT_TRUE(
        NQuillonTest::gf_WaitFor([&] { return m_Engine.f_GetCurrentTableName().f_Compare("Two") == 0; }));
}

TEST_F(CEngineThreadTest, EveryEngineReloadsOnItsTick)
{
    // The configuring process too: a stale copy would overwrite the file with its next save.
    CMessageHook writer;
    writer.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str());
    NQuillonConfigTool::gf_BuildConfiguration(
        nlohmann::json::parse(R"({"defaultTable": "One", "tables": [{"name": "One"}]})"), writer);
    ASSERT_TRUE(writer.f_SaveSettings());
    m_Engine.m_bOwnsInput = false;
    m_Engine.f_PeriodicTick();
    EXPECT_STREQ(m_Engine.f_GetDefaultTableName().f_GetStr(), "One");
}

namespace
{
// An engine that remaps (it repeats keys itself only then), on a virtual clock.
class CRepeatThreadTest : public ::testing::Test
{
protected:
    CRepeatThreadTest()
    {
        m_Engine.m_bOwnsInput = true;
        NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(NQuillonTest::gc_CtrlCToV), m_Engine);
    }
    // Advances the clock tick by tick, each time once the repeat thread waits.
    void fp_Steps(double seconds)
    {
        for (double t = 0; t < seconds; t += CMessageHook::CRepeatThread::mc_TickSeconds)
        {
            m_Clock.f_WaitForWaiters(1);
            m_Clock.f_AdvanceSeconds(CMessageHook::CRepeatThread::mc_TickSeconds);
        }
    }
    void fp_Key(bool down)
    {
        const CDriverRecord record = NQuillonTest::gf_Key(0x1E, down);
        m_Engine.f_ProcessDriverRecords(&record, 1);
    }

    NTev::CVirtualClock m_Clock;
    NTev::CTimeSourceScope m_Scope{m_Clock};
    CRecordLog m_Log;
    CMessageHook m_Engine{&m_Log};
};
} // namespace

TEST_F(CRepeatThreadTest, RepeatsAHeldKeyOnTheVirtualClock)
{
    fp_Key(true);
    CMessageHook::CRepeatThread thread(m_Engine);
    thread.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    // Below the repeat delay nothing repeats; past it, the key repeats at the rate.
    fp_Steps(m_Engine.f_GetSettingValues().f_RepeatDelay() - 0.01);
    EXPECT_EQ(m_Log.f_Count(), 1u);
    fp_Steps(0.2);
    m_Clock.f_WaitForWaiters(1);
    EXPECT_GT(m_Log.f_Count(), 2u);
    thread.f_Stop(true);
}

TEST(CLaptopKeysTest, TheKeyCollectionIsMatchedByItsExactName)
{
    EXPECT_TRUE(NQuillon::gf_IsLaptopKeyCollection("\\\\?\\HID#Vid_05ac&Pid_0218&MI_02#7&1234#{4d1e55b2}"));
    EXPECT_TRUE(NQuillon::gf_IsLaptopKeyCollection("\\\\?\\HID#Vid_05ac&Pid_0217&MI_02#7&1234#{4d1e55b2}"));
    EXPECT_FALSE(NQuillon::gf_IsLaptopKeyCollection("\\\\?\\HID#VID_05AC&PID_0218&MI_02#7&1234#{4d1e55b2}"));
    EXPECT_FALSE(NQuillon::gf_IsLaptopKeyCollection("\\\\?\\HID#Vid_05ac&Pid_0218&MI_00#7&1234#{4d1e55b2}"));
}

TEST(CLaptopKeysTest, PacketsAreCheckedAgainstTheirSize)
{
    // A 64-bit header (type, size, device, wParam), then report size and count.
    unsigned char packet[24 + 8 + 4] = {2, 0, 0, 0, 36, 0, 0, 0, 0x78, 0x56, 0x34, 0x12, 1, 0, 0, 0};
    packet[24] = 2;
    packet[28] = 2;
    packet[32 + 1] = 1;
    CMessageHook::CRawHidPacket parsed;
    ASSERT_TRUE(NQuillon::gf_ParseRawHidPacket(packet, sizeof packet, 24, parsed));
    EXPECT_EQ(parsed.m_Type, 2u);
    EXPECT_EQ(parsed.m_Device, 0x112345678ull);
    EXPECT_EQ(parsed.m_ReportCount, 2u);
    EXPECT_EQ(parsed.m_pReports[1], 1);
    // Reports announced beyond the packet, or a packet shorter than its header.
    packet[28] = 3;
    EXPECT_FALSE(NQuillon::gf_ParseRawHidPacket(packet, sizeof packet, 24, parsed));
    packet[28] = 0xFF;
    packet[31] = 0xFF;
    EXPECT_FALSE(NQuillon::gf_ParseRawHidPacket(packet, sizeof packet, 24, parsed));
    EXPECT_FALSE(NQuillon::gf_ParseRawHidPacket(packet, 20, 24, parsed));
    // A 32-bit header.
    unsigned char small[16 + 8 + 2] = {2, 0, 0, 0, 26, 0, 0, 0, 7, 0, 0, 0};
    small[16] = 2;
    small[20] = 1;
    ASSERT_TRUE(NQuillon::gf_ParseRawHidPacket(small, sizeof small, 16, parsed));
    EXPECT_EQ(parsed.m_Device, 7u);
}

TEST(CLaptopKeysTest, TwoReportsGivePressThenReleaseAndABindingConsumesThem)
{
    CRecordLog log;
    CMessageHook engine(&log);
    engine.m_bOwnsInput = true;
    NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(R"json({"defaultTable": "Main",
      "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "actions": [
        {"kind": "Input", "trigger": "F13", "sequences": ["Delete"]}]}]}]})json"),
                                              engine);
    const std::uint8_t reports[4] = {0, 1, 0, 0};
    CMessageHook::CRawHidPacket packet;
    packet.m_Type = CMessageHook::CRawHidPacket::mc_TypeHid;
    packet.m_ReportSize = 2;
    packet.m_ReportCount = 2;
    packet.m_pReports = reports;
    EXPECT_TRUE(engine.f_OnLaptopKeyReports(packet));
    EXPECT_EQ(log.f_Text(), "kbd 53 e0 make\nkbd 53 e0 break\n");
    // Reports of another size are not the key's.
    packet.m_ReportSize = 1;
    EXPECT_FALSE(engine.f_OnLaptopKeyReports(packet));
}

TEST_F(CRepeatThreadTest, IdlesWhileNothingCanRepeatAndWakesOnAPress)
{
    CMessageHook::CRepeatThread& thread = m_Engine.f_GetRepeatThread();
    thread.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    // Nothing held: a tenth of a second passes with the first tick alone.
    fp_Steps(0.1);
    m_Clock.f_WaitForWaiters(1);
    EXPECT_LE(thread.f_GetTickCount(), 2u);
    // A press wakes it; the key repeats from the delay on at the rate. The idle wait still
    // counts as a waiter until the woken thread has ticked: step the clock only after that.
    const std::uint64_t idleTicks = thread.f_GetTickCount();
    fp_Key(true);
    ASSERT_TRUE(NQuillonTest::gf_WaitFor([&] { return thread.f_GetTickCount() > idleTicks; }));
    fp_Steps(0.24);
    EXPECT_EQ(m_Log.f_Count(), 1u);
    fp_Steps(0.1);
    m_Clock.f_WaitForWaiters(1);
    EXPECT_GE(m_Log.f_Count(), 3u);
    // Released, it idles again.
    fp_Key(false);
    fp_Steps(0.01);
    m_Clock.f_WaitForWaiters(1);
    const std::uint64_t ticks = thread.f_GetTickCount();
    fp_Steps(0.1);
    m_Clock.f_WaitForWaiters(1);
    EXPECT_LE(thread.f_GetTickCount() - ticks, 1u);
    thread.f_Stop(true);
}

namespace
{
class CCountingDriverSetup final : public CMessageHook::ICDriverSetup
{
public:
    bool f_RemoveDriversIfRequested() override
    {
        ++m_RemoveChecks;
        return false;
    }
    void f_InstallClassFilter() override {}
    void f_InstallHidFilter(bool) override {}

    std::atomic<int> m_RemoveChecks{0};
};
} // namespace

// The uninstall request belongs to the engine that owns input: a tray process never takes it.
TEST_F(CEngineThreadTest, OnlyAnEngineThatOwnsInputLooksForTheUninstallRequest)
{
    CCountingDriverSetup setup;
    m_Engine.f_SetDriverSetup(&setup);
    for (const bool ownsInput : {false, true})
    {
        m_Engine.m_bOwnsInput = ownsInput;
        m_Engine.f_Start(NTev::NThread::gc_PriorityNormal, 0);
        ASSERT_TRUE(NQuillonTest::gf_WaitFor([&] { return m_Engine.f_GetEngineThreadId() != 0; }));
        EXPECT_EQ(m_Engine.f_Stop(true), 0u);
        EXPECT_EQ(setup.m_RemoveChecks, ownsInput ? 1 : 0) << ownsInput;
    }
    m_Engine.f_SetDriverSetup(nullptr);
}

// Registration notes the laptop keyboard on the engine thread while the dialog's timer takes
// the flag on its own: every note is seen by a take.
TEST(CLaptopKeyboardFlagTest, NotesAndTakesOnTwoThreadsLoseNothing)
{
    CRecordLog log;
    CMessageHook engine(&log);
    std::atomic<int> notes{0};
    int taken = 0;
    std::thread registration(
        [&]
        {
            for (int i = 0; i < 2000; ++i)
            {
                // A note only once the previous one was taken, so that each is counted.
                while (engine.f_IsLaptopKeyboardPresent())
                    std::this_thread::yield();
                engine.f_NoteLaptopKeyboardPresent();
                ++notes;
            }
        });
    while (taken < 2000)
        if (engine.f_TakeLaptopKeyboardPresent())
            ++taken;
    registration.join();
    EXPECT_EQ(taken, notes.load());
    EXPECT_FALSE(engine.f_TakeLaptopKeyboardPresent());
}

namespace
{
// Writes into a log; once armed, the next write throws instead.
class CFailingChannel final : public NQuillon::ICRecordChannel
{
public:
    void f_WriteKeyboardRecord(const NQuillon::KEYBOARD_INPUT_DATA& data) override
    {
        fp_ThrowIfArmed();
        m_Log.f_WriteKeyboardRecord(data);
    }
    void f_WriteMouseRecord(const NQuillon::MOUSE_INPUT_DATA& data) override
    {
        fp_ThrowIfArmed();
        m_Log.f_WriteMouseRecord(data);
    }

    CRecordLog m_Log;
    std::atomic<bool> m_bArmed{false};

private:
    void fp_ThrowIfArmed()
    {
        if (m_bArmed.exchange(false))
            throw std::runtime_error("channel failure");
    }
};
} // namespace

// The repeat thread's run ends by an exception (its repeat write fails): the engine stops as
// after a stop request, and the key it held down in the system is let go.
TEST(CEngineFailureTest, AFailedRepeatThreadStopsTheEngineWithKeysReleased)
{
    NQuillonTest::CTempDirectory directory;
    CFailingChannel channel;
    CMessageHook engine(&channel);
    engine.f_SetSettingsDirectory(directory.f_GetPath().c_str());
    engine.m_bOwnsInput = true;
    NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(NQuillonTest::gc_CtrlCToV), engine);
    engine.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    ASSERT_TRUE(NQuillonTest::gf_WaitFor([&] { return engine.f_GetEngineThreadId() != 0; }));
    const CDriverRecord down = NQuillonTest::gf_Key(0x1E, true);
    engine.f_ProcessDriverRecords(&down, 1);
    ASSERT_EQ(channel.m_Log.f_Text(), "kbd 1E make\n");
    // The first repeat (after the repeat delay) throws on the repeat thread.
    channel.m_bArmed = true;
    EXPECT_TRUE(NQuillonTest::gf_WaitFor(
        [&] { return engine.f_GetState() == NTev::NThread::ICThread::mc_StateStopped; }));
    EXPECT_FALSE(engine.f_HasFailed());
    EXPECT_NE(channel.m_Log.f_Text().find("kbd 1E break\n"), std::string::npos) << channel.m_Log.f_Text();
    EXPECT_EQ(engine.f_GetInputState().m_GeneratedKeys[0x1E], 0);
}
