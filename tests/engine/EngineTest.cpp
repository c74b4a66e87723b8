// Engine behaviour that the simulator's scripts cannot reach: capture, the input-owning
// switch, raw driver record layouts, and the evaluation's allocation-free path.

#include "tools/config/ConfigJson.h"
#include "tools/sim/Simulator.h"

#include "actions/Accelerator.h"
#include "config/Configuration.h"
#include "engine/InputState.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/AllocationCounter.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>

using NQuillon::CDriverRecord;
using NQuillon::CMessageHook;
using CKey = CMessageHook::CKey;
using CKeys = CMessageHook::CKeys;

namespace
{
class CEngineTest : public ::testing::Test
{
protected:
    void fp_Load(const char* description)
    {
        NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(description), m_Sim.f_GetEngine());
    }
    // The records written while the script ran (notes left out).
    std::string fp_Run(const char* script)
    {
        m_Output.str("");
        m_Sim.f_RunScript(script);
        return fp_Records();
    }
    std::string fp_Records() const
    {
        std::istringstream lines(m_Output.str());
        std::string line;
        std::string records;
        while (std::getline(lines, line))
            if (!line.empty() && line[0] != '#')
                records += line + "\n";
        return records;
    }
    CMessageHook& fp_Engine() { return m_Sim.f_GetEngine(); }
    // A configuration with one empty table and a preset holding the given JSON members.
    static std::string fp_WithPreset(const std::string& settings)
    {
        return R"json({"defaultTable": "Main", "tables": [{"name": "Main"}], "presets": [{"name": "P",
          "settings": {)json" +
               settings + "}}]}";
    }

    std::ostringstream m_Output;
    NQuillonSim::CSimulator m_Sim{m_Output};
};

} // namespace

TEST_F(CEngineTest, CaptureOneKeyFinishesOnTheFirstRelease)
{
    fp_Load(NQuillonTest::gc_CtrlCToV);
    ASSERT_TRUE(fp_Engine().f_SetCaptureMode(1));
    EXPECT_EQ(fp_Run("d:A d:B u:B"), "");
    CKeys keys;
    EXPECT_TRUE(fp_Engine().f_GetCapturedKeys(keys));
    EXPECT_EQ(keys, (CKeys{CKey{0, 0x1E, 0}, CKey{0, 0x30, 0}}));
    // Finished: keys evaluate normally again.
    EXPECT_EQ(fp_Run("d:C"), "0 kbd C make\n");
    fp_Engine().f_EndCapture();
    EXPECT_EQ(fp_Engine().m_CaptureMode, 0);
}

TEST_F(CEngineTest, CaptureCombinationFinishesWhenAKeyComesBack)
{
    ASSERT_TRUE(fp_Engine().f_SetCaptureMode(2));
    fp_Run("d:A d:B u:A d:B d:B");
    CKeys keys;
    // Holding B (hardware repeats) does not finish it.
    EXPECT_FALSE(fp_Engine().f_GetCapturedKeys(keys));
    fp_Run("d:A");
    EXPECT_TRUE(fp_Engine().f_GetCapturedKeys(keys));
    EXPECT_EQ(keys, (CKeys{CKey{0, 0x1E, 0}, CKey{0, 0x30, 0}}));
}

TEST_F(CEngineTest, CaptureRecordsMouseButtonsAndTheWheel)
{
    ASSERT_TRUE(fp_Engine().f_SetCaptureMode(2));
    fp_Run("d:Mouse-Right w:120");
    CKeys keys;
    fp_Engine().f_GetCapturedKeys(keys);
    EXPECT_EQ(keys, (CKeys{CKey{1, 2, 0}, CKey{1, 21, 0}}));
}

TEST_F(CEngineTest, WithoutOwningInputNothingIsWrittenYetCountsChange)
{
    fp_Load(NQuillonTest::gc_CtrlCToV);
    fp_Engine().m_bOwnsInput = false;
    EXPECT_EQ(fp_Run("d:LCtrl d:C t:600 u:C u:LCtrl m:5,5 w:120 d:Mouse-Left u:Mouse-Left"), "");
    fp_Engine().f_GeneratePress(CKey{0, 0x1E, 0});
    EXPECT_EQ(fp_Engine().f_GetInputState().m_GeneratedKeys[0x1E], 1);
    EXPECT_EQ(fp_Records(), "");
}

TEST_F(CEngineTest, KeyboardRecordsDropThePrefixE1AndCarryE0)
{
    fp_Load(NQuillonTest::gc_CtrlCToV);
    CDriverRecord records[] = {
        NQuillonTest::gf_KeyRecord(0x1D, NQuillon::KEY_E0 | NQuillon::KEY_E1),
        NQuillonTest::gf_KeyRecord(0x1D, NQuillon::KEY_E0 | NQuillon::KEY_BREAK | NQuillon::KEY_E1),
        NQuillonTest::gf_KeyRecord(0x7F, NQuillon::KEY_E0 | NQuillon::KEY_BREAK)};
    m_Output.str("");
    fp_Engine().f_ProcessDriverRecords(records, 3);
    EXPECT_EQ(fp_Records(), "0 kbd RCtrl make\n0 kbd RCtrl break\n0 kbd KB-255 break\n");
}

TEST_F(CEngineTest, OneMouseRecordGivesMovementWheelAndButtonInThatOrder)
{
    fp_Load(NQuillonTest::gc_CtrlCToV);
    CDriverRecord record{};
    record.m_Kind = NQuillon::EDriverRecordKind_Mouse;
    record.m_Mouse.LastX = 3;
    record.m_Mouse.LastY = -4;
    record.m_Mouse.RawButtons = 7;
    record.m_Mouse.ButtonFlags = NQuillon::MOUSE_WHEEL | NQuillon::gf_MouseDownFlag(1);
    record.m_Mouse.ButtonData = static_cast<std::uint16_t>(-240);
    m_Output.str("");
    fp_Engine().f_ProcessDriverRecords(&record, 1);
    EXPECT_EQ(fp_Records(), "0 mouse move 3,-4\n0 mouse wheel -240\n0 mouse Mouse-Left down\n");
}

TEST_F(CEngineTest, ReloadingWhileABindingIsHeldReleasesItsOutput)
{
    fp_Load(NQuillonTest::gc_CtrlCToV);
    EXPECT_EQ(fp_Run("d:LCtrl d:C"), "0 kbd LCtrl make\n0 kbd V make\n");
    // The configuration is replaced while the action runs: its output is let go first.
    m_Output.str("");
    fp_Load(NQuillonTest::gc_CtrlCToV);
    EXPECT_EQ(fp_Records(), "0 kbd V break\n0 kbd LCtrl break\n");
    EXPECT_EQ(fp_Engine().f_GetInputState().f_GetFront(), nullptr);
    EXPECT_EQ(fp_Run("u:C u:LCtrl"), "0 kbd C break\n0 kbd LCtrl break\n");
}

TEST_F(CEngineTest, ReleaseAllSendsOneBreakPerHeldKey)
{
    fp_Load(NQuillonTest::gc_CtrlCToV);
    fp_Run("d:A d:B d:Mouse-Middle");
    m_Output.str("");
    fp_Engine().f_ReleaseAllKeys();
    EXPECT_EQ(fp_Records(), "0 mouse Mouse-Middle up\n0 kbd B break\n0 kbd A break\n");
    EXPECT_TRUE(fp_Engine().f_GetInputState().m_PressedKeys.f_IsEmpty());
}

TEST_F(CEngineTest, EvaluationAllocatesNothingOnceRunning)
{
    fp_Load(NQuillonTest::gc_CtrlCToV);
    CDriverRecord batch[] = {NQuillonTest::gf_KeyRecord(0x1D, 0),
                             NQuillonTest::gf_KeyRecord(0x2E, 0),
                             NQuillonTest::gf_KeyRecord(0x2E, NQuillon::KEY_BREAK),
                             NQuillonTest::gf_KeyRecord(0x1D, NQuillon::KEY_BREAK),
                             NQuillonTest::gf_KeyRecord(0x1E, 0),
                             NQuillonTest::gf_KeyRecord(0x1E, NQuillon::KEY_BREAK)};
    // Warm up once (scratch buffers, the group index), then count.
    fp_Engine().f_SetChannel(nullptr);
    fp_Engine().f_ProcessDriverRecords(batch, 6);
    const std::uint64_t before = NQuillonTest::gf_CountAllocations();
    for (int i = 0; i < 100; ++i)
        fp_Engine().f_ProcessDriverRecords(batch, 6);
    EXPECT_EQ(NQuillonTest::gf_CountAllocations() - before, 0u);
}

namespace
{
// An action that notes when the engine repeats it.
class CRepeatProbe final : public CMessageHook::CAccelerator
{
public:
    explicit CRepeatProbe(std::vector<std::string>& log)
        : CAccelerator(NQuillon::EActionKind_Kill), m_Log(log)
    {
    }
    NTev::CStr f_GetTypeName() const override { return "Probe"; }
    NTev::CStr f_GetDescription() const override { return "Probe"; }
    void f_OnPress() override {}
    void f_OnRelease() override {}
    void f_OnRepeat(NTev::CTime dueTime, double repeatDelay) override
    {
        char line[48];
        std::snprintf(line, sizeof line, "%.0f/%.2f", dueTime.f_GetSecondsFloat() * 1000, repeatDelay);
        m_Log.push_back(line);
    }
    void f_Read(NTev::NStream::CBinaryStream&, std::uint32_t) override {}
    void f_Write(NTev::NStream::CBinaryStream&) const override {}
    NTev::CStr f_GetClassName() const override { return {}; }

private:
    std::vector<std::string>& m_Log;
};

const char* const gc_EmptyMain = R"json({"defaultTable": "Main", "tables": [{"name": "Main", "groups": [
  {"name": "G", "priority": 1}]}]})json";
} // namespace

TEST_F(CEngineTest, AHeldActionRepeatsFromItsPressWhileNothingWasReleased)
{
    fp_Load(gc_EmptyMain);
    std::vector<std::string> repeats;
    auto probe = std::make_unique<CRepeatProbe>(repeats);
    probe->m_TriggerKeys = CKeys{CKey{0, 0x3B, 1}};
    fp_Engine().f_GetConfiguration().f_FindTable("Main")->f_FindGroup("G")->f_InsertAction(std::move(probe));
    // Due at 250 and 283.3 ms; then released. Pressed again at 400: the count starts over
    // (due at 650). Pressing and releasing A ends the repeat although F1 is still held.
    fp_Run("d:F1 t:300 u:F1 t:100 d:F1 t:260 d:A u:A t:200 u:F1");
    EXPECT_EQ(repeats, (std::vector<std::string>{"250/0.25", "283/0.25", "650/0.25"}));
    EXPECT_EQ(fp_Engine().f_GetInputState().m_bActionRepeatArmed, 0);
}

TEST_F(CEngineTest, ARepeatRateThatIsNotPositiveRepeatsNothing)
{
    for (const char* rate : {"0", "-5", "-0x10"})
    {
        fp_Load(fp_WithPreset(R"("Keyboard Repeat Rate": ")" + std::string(rate) + "\"").c_str());
        // One make and one break: the hardware repeat is swallowed, and nothing repeats.
        const std::string records = fp_Run("d:A t:1000 d:A t:10 u:A");
        EXPECT_EQ(std::count(records.begin(), records.end(), '\n'), 2) << rate << "\n" << records;
    }
}

TEST_F(CEngineTest, AReloadThatTurnsRemappingOffLetsGoOfHeldKeys)
{
    fp_Load(gc_EmptyMain);
    EXPECT_EQ(fp_Run("d:A"), "0 kbd A make\n");
    m_Output.str("");
    fp_Load(R"json({"defaultTable": "Main", "remappingDisabled": true, "tables": [{"name": "Main"}]})json");
    EXPECT_EQ(fp_Records(), "0 kbd A break\n");
    EXPECT_FALSE(fp_Engine().f_GetInputState().f_HoldsAnything());
    EXPECT_EQ(fp_Run("u:A"), "0 kbd A break\n");
    // Back on, A is a fresh key: a make, the engine's repeat and one break.
    fp_Load(gc_EmptyMain);
    EXPECT_EQ(fp_Run("d:A t:300 u:A"), "0 kbd A make\n250 kbd A make\n284 kbd A make\n300 kbd A break\n");
}

TEST_F(CEngineTest, AReleaseKeyTheUserDoesNotHoldLeavesNoTrace)
{
    fp_Load(R"json({"defaultTable": "Main", "tables": [{"name": "Main", "groups": [{"name": "G",
      "priority": 1, "actions": [{"kind": "Input", "trigger": "C(1)", "sequences": ["V"],
      "release": "LShift"}]}]}]})json");
    EXPECT_EQ(fp_Run("d:C u:C"), "0 kbd V make\n0 kbd V break\n");
    EXPECT_EQ(fp_Engine().f_GetInputState().m_GeneratedKeys[0x2A], 0);
    EXPECT_FALSE(fp_Engine().f_GetInputState().f_HoldsAnything());
}

TEST_F(CEngineTest, WheelRecordsAreClampedAndRoundedAwayFromZero)
{
    const std::pair<double, const char*> cases[] = {{40000, "32767"}, {-40000, "-32767"}, {-0.5, "-1"},
                                                    {0.5, "1"},       {0.4, "0"},         {-0.4, "0"},
                                                    {119.5, "120"}};
    for (const auto& [delta, sent] : cases)
    {
        m_Output.str("");
        fp_Engine().f_SendWheel(delta);
        EXPECT_EQ(fp_Records(), std::string("0 mouse wheel ") + sent + "\n") << delta;
    }
}

TEST_F(CEngineTest, WheelSettingsThatCannotWorkFallBackToTheirDefaults)
{
    // With the default sensitivity of 100, a second step 5 ms after the first sends 172.
    for (const char* sensitivity : {"100", "0", "-3", "1e400", "nan"})
    {
        fp_Load(fp_WithPreset(R"("Mouse Wheel Acceleration": "2.0", "Mouse Wheel Sensitivity": ")" +
                              std::string(sensitivity) + "\"")
                    .c_str());
        fp_Run("t:1000 w:-120"); // a new direction empties the speed ring
        const std::string records = fp_Run("w:120 t:5 w:120");
        EXPECT_NE(records.find(" mouse wheel 120\n"), std::string::npos) << sensitivity;
        EXPECT_NE(records.find(" mouse wheel 172\n"), std::string::npos) << sensitivity << "\n" << records;
    }
}

TEST_F(CEngineTest, QueuedWheelStepsStopWithinASecondOfTheWheel)
{
    // Five fast notches with strong acceleration would queue over a thousand steps.
    fp_Load(fp_WithPreset(R"("Mouse Wheel Acceleration": "3", "Mouse Wheel Sensitivity": "10",
                             "Mouse Wheel Acceleration Delay": "10")")
                .c_str());
    const std::string records = fp_Run("w:120 t:5 w:120 t:5 w:120 t:5 w:120 t:5 w:120 t:20000");
    const auto steps = std::count(records.begin(), records.end(), '\n');
    EXPECT_GE(steps, 90);
    EXPECT_LE(steps, 110);
    std::istringstream lines(records);
    std::string line;
    long last = 0;
    while (std::getline(lines, line))
        last = std::stol(line);
    EXPECT_LE(last, 1300);
}
