// Input without the filter driver: hook events to records, records to injections, and the
// hook channel's rules (what passes, what is swallowed, order, a busy engine, recording,
// suspension), and the watchdog that notices removed hooks.

#include "engine/HookChannel.h"
#include "engine/HookWatchdog.h"

#include "config/Keys.h"
#include "tests/engine/EngineTestSupport.h"
#include "tools/config/ConfigJson.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <thread>

using namespace NQuillon;

namespace
{
struct CKeyCase
{
    const char* m_Name;
    CHookKeyEvent m_Event;
    // The record's make code and flags, or nothing when the event passes untouched.
    std::optional<std::pair<std::uint16_t, std::uint16_t>> m_Record;
};

TEST(HookInput, KeyEventsBecomeTheKeyboardsRecordsOrPassUntouched)
{
    const auto record = [](std::uint16_t code, std::uint16_t flags)
    { return std::make_optional(std::make_pair(code, flags)); };
    const CKeyCase cases[] = {
        {"A down", {0x41, 0x1E, 0, 0}, record(0x1E, 0)},
        {"A up", {0x41, 0x1E, gc_HookKeyUp, 0}, record(0x1E, KEY_BREAK)},
        {"right Ctrl", {0xA3, 0x1D, gc_HookKeyExtended, 0}, record(0x1D, KEY_E0)},
        {"right Ctrl up",
         {0xA3, 0x1D, gc_HookKeyExtended | gc_HookKeyUp, 0},
         record(0x1D, KEY_E0 | KEY_BREAK)},
        {"Print Screen", {0x2C, 0x37, gc_HookKeyExtended, 0}, record(0x37, KEY_E0)},
        {"Num Lock is 0x45 without E0", {0x90, 0x45, gc_HookKeyExtended, 0}, record(0x45, 0)},
        {"Pause passes", {0x13, 0x45, 0, 0}, std::nullopt},
        {"AltGr's left Ctrl passes", {0xA2, 0x21D, 0, 0}, std::nullopt},
        {"numpad's fake Shift passes", {0xA0, 0x22A, gc_HookKeyExtended, 0}, std::nullopt},
        {"a Unicode packet passes", {0xE7, 0x20AC, gc_HookKeyInjected, 0}, std::nullopt},
        {"scan 0 from the virtual key", {0x41, 0, 0, 0}, record(0x1E, 0)},
        {"scan 0, extended arrow", {0x27, 0, gc_HookKeyExtended, 0}, record(0x4D, KEY_E0)},
        {"scan 0, arrow without the flag", {0x27, 0, 0, 0}, record(0x4D, KEY_E0)},
        {"scan 0, generic Ctrl", {0x11, 0, 0, 0}, record(0x1D, 0)},
        {"scan 0, unknown virtual key", {0xFF, 0, 0, 0}, std::nullopt},
        {"our own injection passes", {0x42, 0x30, gc_HookKeyInjected, gc_InjectionTag}, std::nullopt},
        {"another program's injection counts", {0x42, 0x30, gc_HookKeyInjected, 7}, record(0x30, 0)},
        {"our tag on hardware input counts", {0x42, 0x30, 0, gc_InjectionTag}, record(0x30, 0)},
    };
    for (const CKeyCase& test : cases)
    {
        KEYBOARD_INPUT_DATA data{};
        const bool evaluated = gf_HookKeyToRecord(test.m_Event, data);
        EXPECT_EQ(evaluated, test.m_Record.has_value()) << test.m_Name;
        if (evaluated && test.m_Record)
        {
            EXPECT_EQ(data.MakeCode, test.m_Record->first) << test.m_Name;
            EXPECT_EQ(data.Flags, test.m_Record->second) << test.m_Name;
        }
    }
}

TEST(HookInput, MouseEventsBecomeButtonAndWheelRecords)
{
    struct CCase
    {
        const char* m_Name;
        CHookMouseEvent m_Event;
        bool m_bEvaluated;
        std::uint16_t m_ButtonFlags;
        std::int16_t m_Wheel;
    } const cases[] = {
        {"left down", {gc_MessageLeftDown, 0, 0, 0}, true, gf_MouseDownFlag(1), 0},
        {"right up", {gc_MessageRightUp, 0, 0, 0}, true, gf_MouseUpFlag(2), 0},
        {"middle down", {gc_MessageMiddleDown, 0, 0, 0}, true, gf_MouseDownFlag(3), 0},
        {"X1 down", {gc_MessageXDown, 0x10000, 0, 0}, true, gf_MouseDownFlag(4), 0},
        {"X2 up", {gc_MessageXUp, 0x20000, 0, 0}, true, gf_MouseUpFlag(5), 0},
        {"wheel back", {gc_MessageWheel, 0xFF880000u, 0, 0}, true, MOUSE_WHEEL, -120},
        {"wheel forward", {gc_MessageWheel, 0x00780000u, gc_HookMouseInjected, 3}, true, MOUSE_WHEEL, 120},
        {"movement passes", {gc_MessageMouseMove, 0, 0, 0}, false, 0, 0},
        {"horizontal wheel passes", {gc_MessageHorizontalWheel, 0x00780000u, 0, 0}, false, 0, 0},
        {"an unknown X button passes", {gc_MessageXDown, 0x40000, 0, 0}, false, 0, 0},
        {"our own click passes", {gc_MessageLeftDown, 0, gc_HookMouseInjected, gc_InjectionTag}, false, 0, 0},
    };
    for (const CCase& test : cases)
    {
        MOUSE_INPUT_DATA data{};
        EXPECT_EQ(gf_HookMouseToRecord(test.m_Event, data), test.m_bEvaluated) << test.m_Name;
        if (!test.m_bEvaluated)
            continue;
        EXPECT_EQ(data.ButtonFlags, test.m_ButtonFlags) << test.m_Name;
        EXPECT_EQ(std::int16_t(data.ButtonData), test.m_Wheel) << test.m_Name;
    }
}

// What the hook reports for our own injection of a key: the way back must give the same key.
TEST(HookInput, EveryNamedKeyInjectsAsTheKeyTheHookReportsBack)
{
    for (std::int32_t key = 1; key < 256; ++key)
    {
        if (!gf_KeyboardKeyTableName(key))
            continue;
        CDriverRecord record{};
        record.m_Kind = EDriverRecordKind_Keyboard;
        record.m_Keyboard.MakeCode = std::uint16_t(key & 0x7F);
        record.m_Keyboard.Flags = std::uint16_t((key >= 0x80 ? KEY_E0 : 0) | KEY_BREAK);
        CInjection injection[gc_MaxInjectionsPerRecord];
        ASSERT_EQ(gf_RecordToInjections(record, injection), 1u);
        EXPECT_TRUE(injection[0].m_Flags & gc_InjectKeyScanCode);
        EXPECT_TRUE(injection[0].m_Flags & gc_InjectKeyUp);
        // Another program injecting the same: evaluated as this key.
        CHookKeyEvent event{
            injection[0].m_VirtualKey, injection[0].m_ScanCode,
            ((injection[0].m_Flags & gc_InjectKeyExtended) ? gc_HookKeyExtended : 0) | gc_HookKeyUp, 0};
        KEYBOARD_INPUT_DATA back{};
        ASSERT_TRUE(gf_HookKeyToRecord(event, back)) << key;
        EXPECT_EQ(back.MakeCode, record.m_Keyboard.MakeCode) << key;
        EXPECT_EQ(back.Flags, record.m_Keyboard.Flags) << key;
        // And mapped from its virtual key alone where it has one of its own.
        if (injection[0].m_VirtualKey &&
            gf_KeyNumberOfVirtualKey(injection[0].m_VirtualKey, key >= 0x80) != key)
            ADD_FAILURE() << "virtual key " << injection[0].m_VirtualKey << " does not lead back to key "
                          << key;
    }
}

TEST(HookInput, MouseRecordsBecomeOneInjectionPerButtonInOrder)
{
    CDriverRecord record{};
    record.m_Kind = EDriverRecordKind_Mouse;
    record.m_Mouse.ButtonFlags = std::uint16_t(gf_MouseDownFlag(1) | gf_MouseUpFlag(5) | MOUSE_WHEEL);
    record.m_Mouse.ButtonData = std::uint16_t(std::int16_t(-240));
    record.m_Mouse.LastX = 3;
    record.m_Mouse.LastY = -2;
    CInjection injections[gc_MaxInjectionsPerRecord];
    ASSERT_EQ(gf_RecordToInjections(record, injections), 4u);
    EXPECT_EQ(injections[0].m_Flags, gc_InjectMouseMove);
    EXPECT_EQ(injections[0].m_Dx, 3);
    EXPECT_EQ(injections[0].m_Dy, -2);
    EXPECT_EQ(injections[1].m_Flags, gc_InjectMouseLeftDown);
    EXPECT_EQ(injections[2].m_Flags, gc_InjectMouseXUp);
    EXPECT_EQ(injections[2].m_MouseData, 2u);
    EXPECT_EQ(injections[3].m_Flags, gc_InjectMouseWheel);
    EXPECT_EQ(std::int32_t(injections[3].m_MouseData), -240);

    CDriverRecord numLock{};
    numLock.m_Kind = EDriverRecordKind_Keyboard;
    numLock.m_Keyboard.MakeCode = 0x45;
    ASSERT_EQ(gf_RecordToInjections(numLock, injections), 1u);
    EXPECT_EQ(injections[0].m_Flags, gc_InjectKeyScanCode | gc_InjectKeyExtended);
    EXPECT_EQ(injections[0].m_VirtualKey, 0x90);
}

// Injections as text: "B+" a key press by virtual key, "B-" its release, "M2" a mouse flag.
class CInjectionLog final : public ICInputInjector
{
public:
    void f_Inject(const CInjection* injections, std::size_t count) override
    {
        for (std::size_t i = 0; i < count; ++i)
        {
            const CInjection& injection = injections[i];
            if (injection.m_bMouse)
                m_Text += "M" + std::to_string(injection.m_Flags) + " ";
            else
                m_Text += std::string(1, char(injection.m_VirtualKey)) +
                          ((injection.m_Flags & gc_InjectKeyUp) ? "- " : "+ ");
        }
    }
    void f_RequestDrain() noexcept override { ++m_DrainRequests; }

    std::string m_Text;
    int m_DrainRequests = 0;
};

class CHookChannelTest : public ::testing::Test
{
protected:
    CHookChannelTest()
    {
        m_Channel.f_SetInjectingThread(NTev::NSys::gf_Thread_GetCurrentId());
        m_Engine.f_SetChannel(&m_Channel);
        m_Engine.m_bOwnsInput = true;
    }
    void fp_Load(const char* description)
    {
        NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(description), m_Engine);
    }
    // A key event as the keyboard sends it; true when the hook swallows it.
    bool fp_Key(std::uint32_t virtualKey, std::uint32_t scanCode, bool down)
    {
        return m_Channel.f_OnKeyEvent({virtualKey, scanCode, down ? 0u : gc_HookKeyUp, 0});
    }
    std::string fp_Take()
    {
        std::string text = m_Log.m_Text;
        m_Log.m_Text.clear();
        return text;
    }

    CMessageHook m_Engine;
    CInjectionLog m_Log;
    CHookChannel m_Channel{m_Engine, m_Log};
};

TEST_F(CHookChannelTest, KeysNothingRemapsPassAsTheyCameAndRemappedOnesAreInjected)
{
    fp_Load(NQuillonTest::gc_AToB);
    EXPECT_FALSE(fp_Key('C', 0x2E, true));
    EXPECT_FALSE(fp_Key('C', 0x2E, false));
    EXPECT_EQ(fp_Take(), "");
    EXPECT_TRUE(fp_Key('A', 0x1E, true));
    EXPECT_EQ(fp_Take(), "B+ ");
    // The keyboard's own repeat: the engine repeats by itself.
    EXPECT_TRUE(fp_Key('A', 0x1E, true));
    EXPECT_EQ(fp_Take(), "");
    EXPECT_TRUE(fp_Key('A', 0x1E, false));
    EXPECT_EQ(fp_Take(), "B- ");
    // Our own injection of B comes back through the hook: passed, not evaluated.
    EXPECT_FALSE(m_Channel.f_OnKeyEvent({'B', 0x30, gc_HookKeyInjected, gc_InjectionTag}));
    EXPECT_EQ(fp_Take(), "");
}

TEST_F(CHookChannelTest, AChordPassesItsModifierAndReplacesItsKey)
{
    fp_Load(NQuillonTest::gc_CtrlCToV);
    EXPECT_FALSE(fp_Key(0xA2, 0x1D, true));
    EXPECT_TRUE(fp_Key('C', 0x2E, true));
    const std::string output = fp_Take();
    EXPECT_NE(output.find("V+ "), std::string::npos) << output;
    EXPECT_EQ(output.find("C"), std::string::npos) << output;
    EXPECT_TRUE(fp_Key('C', 0x2E, false));
    fp_Key(0xA2, 0x1D, false);
    // Whatever was pressed for the chord was let go.
    m_Engine.f_ReleaseAllKeys();
    m_Channel.f_Drain();
    const std::string rest = fp_Take();
    EXPECT_NE(rest.find("V- "), std::string::npos) << rest;
}

TEST_F(CHookChannelTest, WritesFromOtherThreadsWaitForTheHookThreadInOrder)
{
    fp_Load(NQuillonTest::gc_AToB);
    std::thread(
        [&]
        {
            m_Engine.f_GeneratePress({EKeyDevice_Keyboard, 0x2D, 0});
            m_Engine.f_GenerateRelease({EKeyDevice_Keyboard, 0x2D, 0});
        })
        .join();
    // One request for both, nothing injected off the hook thread.
    EXPECT_EQ(m_Log.m_DrainRequests, 1);
    EXPECT_EQ(fp_Take(), "");
    // The next event injects them before its own output.
    EXPECT_TRUE(fp_Key('A', 0x1E, true));
    EXPECT_EQ(fp_Take(), "X+ X- B+ ");
}

TEST_F(CHookChannelTest, ABusyEngineLetsTheEventPassUntouched)
{
    fp_Load(NQuillonTest::gc_AToB);
    m_Channel.f_SetLockTries(2);
    std::atomic<bool> holding{false};
    std::atomic<bool> release{false};
    std::thread holder(
        [&]
        {
            NTev::TCMutualLock lock(m_Engine.f_GetLock());
            holding = true;
            while (!release)
                std::this_thread::yield();
        });
    while (!holding)
        std::this_thread::yield();
    EXPECT_FALSE(fp_Key('A', 0x1E, true));
    release = true;
    holder.join();
    EXPECT_EQ(m_Channel.f_GetBusyPassCount(), 1u);
    EXPECT_EQ(fp_Take(), "");
    // Free again: the release of the unseen press passes, the next press is remapped.
    EXPECT_FALSE(fp_Key('A', 0x1E, false));
    EXPECT_TRUE(fp_Key('A', 0x1E, true));
    EXPECT_EQ(fp_Take(), "B+ ");
}

TEST_F(CHookChannelTest, AnEngineThatDoesNotOwnInputSwallowsOnlyARecording)
{
    fp_Load(NQuillonTest::gc_AToB);
    m_Engine.m_bOwnsInput = false;
    EXPECT_FALSE(fp_Key('A', 0x1E, true));
    EXPECT_FALSE(fp_Key('A', 0x1E, false));
    ASSERT_TRUE(m_Engine.f_SetCaptureMode(1));
    EXPECT_TRUE(fp_Key(0xA2, 0x1D, true));
    EXPECT_TRUE(fp_Key('C', 0x2E, true));
    // The first release ends the recording and is part of it.
    EXPECT_TRUE(fp_Key('C', 0x2E, false));
    EXPECT_FALSE(fp_Key(0xA2, 0x1D, false));
    CMessageHook::CKeys keys;
    EXPECT_TRUE(m_Engine.f_GetCapturedKeys(keys));
    EXPECT_EQ(keys.f_GetCount(), 2u);
    EXPECT_EQ(fp_Take(), "");
}

TEST_F(CHookChannelTest, SuspensionLetsGoAndResumeReleasesWhatTheSystemStillHolds)
{
    fp_Load(NQuillonTest::gc_AToB);
    EXPECT_TRUE(fp_Key('A', 0x1E, true));
    EXPECT_EQ(fp_Take(), "B+ ");
    m_Channel.f_OnInputSuspended();
    EXPECT_EQ(fp_Take(), "B- ");
    // That release was lost on the secure desktop: the system still counts B down.
    m_Channel.f_OnInputResumed([](std::int32_t key) { return key == 0x30; });
    EXPECT_EQ(fp_Take(), "B- ");
    // A second resume has nothing left to release; the key's own release passes untouched.
    m_Channel.f_OnInputResumed([](std::int32_t) { return true; });
    EXPECT_EQ(fp_Take(), "");
    EXPECT_FALSE(fp_Key('A', 0x1E, false));
}

TEST(HookWatchdog, RawKeysTheHookDoesNotSeeForASecondMeanItIsGone)
{
    CHookWatchdog watchdog;
    // Raw input and the hook see the same keys, in either order.
    EXPECT_FALSE(watchdog.f_OnRawKey(10.0));
    watchdog.f_OnHookKey(10.001);
    watchdog.f_OnHookKey(11.0);
    EXPECT_FALSE(watchdog.f_OnRawKey(11.002));
    // A pause, then keys the hook no longer sees.
    EXPECT_FALSE(watchdog.f_OnRawKey(20.0));
    EXPECT_FALSE(watchdog.f_OnRawKey(20.5));
    EXPECT_TRUE(watchdog.f_OnRawKey(21.0));
    // Started afresh: the reinstalled hook needs its own second.
    EXPECT_FALSE(watchdog.f_OnRawKey(21.1));
    EXPECT_FALSE(watchdog.f_OnRawKey(21.2));
    // A single stray raw key over a long time is not enough.
    CHookWatchdog quiet;
    quiet.f_OnHookKey(0);
    EXPECT_FALSE(quiet.f_OnRawKey(100.0));
    quiet.f_OnHookKey(100.01);
    EXPECT_FALSE(quiet.f_OnRawKey(200.0));
}
} // namespace
