// Engine behaviour that the simulator's scripts cannot reach: capture, the input-owning
// switch, raw driver record layouts, and the evaluation's allocation-free path.

#include "tools/config/ConfigJson.h"
#include "tools/sim/Simulator.h"

#include "config/Configuration.h"
#include "engine/InputState.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/AllocationCounter.h"

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
