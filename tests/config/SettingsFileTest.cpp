#include "actions/EngineActions.h"
#include "config/Settings.h"
#include "tests/config/TestEngine.h"
#include "tests/support/ExceptionMatch.h"

#include <gtest/gtest.h>

using NQuillon::CMessageHookBase;
using NQuillonTest::CBytes;
using NQuillonTest::CTestEngine;
using CKeys = CMessageHookBase::CKeys;
using CKey = CMessageHookBase::CKey;

namespace
{
constexpr std::uint32_t mc_Magic = 0x4C57514B;

// One table "Main" with a group "G" (priority 5, ignores [A]) holding an Input action
// (trigger [LCtrl(1), old code 183(2)], generates [old NumLock 197, C], releases [LShift])
// and a RemapTable action (trigger [F1]) to "Other"; a second, empty table "Other"; presets
// when the version has them.
CBytes fg_File(std::uint32_t headerVersion, std::uint32_t blockVersion, bool withMagic = true)
{
    CBytes b;
    if (withMagic)
    {
        b.u32(mc_Magic).u32(headerVersion);
        if (headerVersion >= 264)
            b.u32(1); // configuration flags
    }
    const std::uint32_t v = blockVersion;
    b.u32(v).u32(2);
    b.str("Main").u32(1);
    b.str("G").i32(5).keys(v, {{{0, 0x1E, 0}}});
    if (v >= 261)
        b.u32(1); // run on activate
    b.u32(2);
    // Input action.
    b.u32(0);
    if (v >= 260)
        b.u32(1); // continue processing
    b.keys(v, {{{0, 0x1D, 1}}, {{0, 183, 2}}});
    if (v >= 256)
        b.u32(1).keys(v, {{{0, 197, 0}}, {{0, 0x2E, 0}}});
    else
        b.keys(v, {{{0, 197, 0}}, {{0, 0x2E, 0}}});
    b.keys(v, {{{0, 0x2A, 0}}});
    if (v >= 263 && v <= 271)
        b.str("discarded");
    // RemapTable action.
    b.u32(1);
    if (v >= 260)
        b.u32(0);
    b.keys(v, {{{0, 0x3B, 1}}});
    b.str("Other");
    b.str("Other").u32(0);
    if (v >= 257)
    {
        b.u32(1)
            .str("Fast")
            .u32(2)
            .str("Keyboard Force NumLock On")
            .str("1")
            .str("Keyboard Repeat Rate")
            .str("45");
        b.str("Other").str("Fast");
    }
    if (v >= 273)
        b.u32(0);
    return b;
}

class CSettingsFile : public ::testing::Test
{
protected:
    void SetUp() override { m_Engine.m_bSavingSuppressed = true; }

    CMessageHookBase::CConfiguration& fp_Config() { return m_Engine.f_GetConfiguration(); }
    CMessageHookBase::CRemapGroup& fp_Group() { return *fp_Config().f_FindTable("Main")->f_FindGroup("G"); }

    CTestEngine m_Engine;
};
} // namespace

TEST_F(CSettingsFile, EmptyConfigurationIs36Bytes)
{
    CBytes expected;
    expected.u32(mc_Magic).u32(274).u32(0).u32(274).u32(0).u32(0).u32(0).u32(0).u32(0);
    EXPECT_EQ(NQuillonTest::gf_SaveImage(m_Engine), expected.f_Get());
    EXPECT_EQ(expected.f_Get().size(), 36u);
}

TEST_F(CSettingsFile, CurrentVersionReadsEveryField)
{
    NQuillonTest::gf_LoadImage(m_Engine, fg_File(274, 274).f_Get());
    EXPECT_EQ(m_Engine.m_ConfigurationFlags, 1u);
    EXPECT_EQ(fp_Group().m_Priority, 5);
    EXPECT_EQ(fp_Group().m_Flags, 1u);
    EXPECT_EQ(fp_Group().m_IgnoreKeys, (CKeys{CKey{0, 0x1E, 0}}));
    ASSERT_EQ(fp_Group().m_Actions.size(), 2u);
    // Ordered by trigger keys: [F1] before [LCtrl, Menu].
    EXPECT_EQ(fp_Group().m_Actions[0]->m_Kind, NQuillon::EActionKind_RemapTable);
    auto& remap = static_cast<CMessageHookBase::CAccelerator_RemapTable&>(*fp_Group().m_Actions[0]);
    EXPECT_STREQ(remap.m_TableName.f_GetStr(), "Other");
    auto& input = static_cast<CMessageHookBase::CAccelerator_Input&>(*fp_Group().m_Actions[1]);
    EXPECT_EQ(input.m_Flags, 1u);
    // 274 stores codes as they are: 183 stays, 197 stays.
    EXPECT_EQ(input.m_TriggerKeys, (CKeys{CKey{0, 0x1D, 1}, CKey{0, 183, 2}}));
    EXPECT_EQ(input.m_Sequences, (std::vector<CKeys>{CKeys{CKey{0, 197, 0}, CKey{0, 0x2E, 0}}}));
    EXPECT_EQ(input.m_ReleaseKeys, (CKeys{CKey{0, 0x2A, 0}}));
    // Defaults by name; the obsolete entry is gone, the rest applied.
    EXPECT_STREQ(m_Engine.f_GetDefaultTableName().f_GetStr(), "Other");
    EXPECT_STREQ(m_Engine.f_GetCurrentTableName().f_GetStr(), "Other");
    auto* preset = fp_Config().f_FindPreset("Fast");
    ASSERT_NE(preset, nullptr);
    EXPECT_EQ(preset->m_Settings.size(), 1u);
    EXPECT_EQ(m_Engine.f_GetSettingValues().m_KeyboardRepeatRate, 45);
}

TEST_F(CSettingsFile, EveryVersionLoadsAndIsWrittenBackAs274)
{
    for (std::uint32_t version :
         {0u, 255u, 256u, 257u, 258u, 259u, 260u, 261u, 262u, 263u, 264u, 265u, 271u, 272u, 273u, 274u})
    {
        SCOPED_TRACE(version);
        CTestEngine engine;
        engine.m_bSavingSuppressed = true;
        const bool headerless = version == 0;
        CBytes file = headerless ? fg_File(0, 256, false) : fg_File(version, version);
        EXPECT_EQ(NQuillonTest::gf_LoadImage(engine, file.f_Get()), version);

        auto& config = engine.f_GetConfiguration();
        auto& group = *config.f_FindTable("Main")->f_FindGroup("G");
        const std::uint32_t block = headerless ? 256 : version;
        EXPECT_EQ(group.m_Flags, block >= 261 ? 1u : 0u);
        auto* input = static_cast<CMessageHookBase::CAccelerator_Input*>(group.m_Actions.back().get());
        EXPECT_EQ(input->m_Flags, block >= 260 ? 1u : 0u);
        // 183 -> 221 in trigger keys up to 264; 197 -> 69 everywhere up to header 273.
        EXPECT_EQ(input->m_TriggerKeys[1].m_Code, block <= 264 ? 221 : 183);
        EXPECT_EQ(input->m_Sequences.at(0)[0].m_Code, version <= 273 ? 69 : 197);
        EXPECT_EQ(engine.m_ConfigurationFlags, version >= 264 ? 1u : 0u);
        EXPECT_EQ(config.m_Presets.size(), block >= 257 ? 1u : 0u);
        // Without default names the first table by name becomes default and current.
        EXPECT_STREQ(engine.f_GetCurrentTableName().f_GetStr(), block >= 257 ? "Other" : "Main");

        // Written back in the current version, and read again to the same image.
        std::vector<unsigned char> saved = NQuillonTest::gf_SaveImage(engine);
        EXPECT_EQ(saved[4], 274 & 0xFF);
        CTestEngine again;
        again.m_bSavingSuppressed = true;
        EXPECT_EQ(NQuillonTest::gf_LoadImage(again, saved), 274u);
        EXPECT_EQ(NQuillonTest::gf_SaveImage(again), saved);
    }
}

TEST_F(CSettingsFile, UnknownActionsRejectTheFile)
{
    CBytes kind;
    kind.u32(mc_Magic)
        .u32(274)
        .u32(0)
        .u32(274)
        .u32(1)
        .str("T")
        .u32(1)
        .str("G")
        .i32(0)
        .u32(0)
        .u32(0)
        .u32(1)
        .u32(5);
    kind.u32(0).u32(0);
    NTev::NStream::CBinaryStreamMemory stream(kind.f_Get());
    std::uint32_t flags, version;
    EXPECT_TEV_THROW(m_Engine.f_ReadSettings(stream, flags, version), "CExceptionFile",
                     "Unknown action kind 5");

    CBytes plugin;
    plugin.u32(mc_Magic).u32(274).u32(0).u32(274).u32(1).str("T").u32(1).str("G").i32(0).u32(0).u32(0).u32(1);
    plugin.u32(4).str("CAccelerator_Missing").u32(0).u32(0);
    NTev::NStream::CBinaryStreamMemory pluginStream(plugin.f_Get());
    EXPECT_TEV_THROW(m_Engine.f_ReadSettings(pluginStream, flags, version), "CExceptionFile",
                     "Unknown action class CAccelerator_Missing");
}

TEST_F(CSettingsFile, DuplicateGroupsRejectTheFile)
{
    CBytes b;
    b.u32(mc_Magic).u32(274).u32(0).u32(274).u32(1).str("T").u32(2);
    b.str("G").i32(1).u32(0).u32(0).u32(0);
    b.str("H").i32(1).u32(0).u32(0).u32(0);
    NTev::NStream::CBinaryStreamMemory stream(b.f_Get());
    std::uint32_t flags, version;
    EXPECT_TEV_THROW(m_Engine.f_ReadSettings(stream, flags, version), "CExceptionFile",
                     "Two groups of a table share a name or a priority");
}

TEST_F(CSettingsFile, TruncationAtEveryOffsetFailsCleanly)
{
    const std::vector<unsigned char> full = fg_File(274, 274).f_Get();
    for (std::size_t cut = 0; cut < full.size(); ++cut)
    {
        NTev::NStream::CBinaryStreamMemory stream(
            std::vector<unsigned char>(full.begin(), full.begin() + cut));
        std::uint32_t flags, version;
        SCOPED_TRACE(cut);
        EXPECT_TEV_THROW(m_Engine.f_ReadSettings(stream, flags, version), "CExceptionFile",
                         "Read call would have read past end of file");
    }
}

TEST_F(CSettingsFile, CorruptCountsFailWithoutAllocating)
{
    CBytes b;
    b.u32(mc_Magic).u32(274).u32(0).u32(274).u32(0xFFFFFFF0u);
    NTev::NStream::CBinaryStreamMemory stream(b.f_Get());
    std::uint32_t flags, version;
    EXPECT_TEV_THROW(m_Engine.f_ReadSettings(stream, flags, version), "CExceptionFile",
                     "Read call would have read past end of file");
}

TEST_F(CSettingsFile, TriggerKeysAndActionsAreBroughtIntoOrder)
{
    // Stored as [C(1), LCtrl(0)] and [B] after [A + B]: the dialog never writes either, yet a
    // file may hold them; loaded, they mean what their dump and rebuild would mean.
    CBytes b;
    b.u32(mc_Magic).u32(274).u32(0).u32(274).u32(1).str("T").u32(1);
    b.str("G").i32(1).u32(0).u32(0).u32(2);
    b.u32(2).u32(0).keys(274, {{{0, 0x2E, 1}}, {{0, 0x1D, 0}}});
    b.u32(2).u32(0).keys(274, {{{0, 0x30, 1}}});
    b.u32(0).str("").str("").u32(0);
    NQuillonTest::gf_LoadImage(m_Engine, b.f_Get());
    auto& actions = fp_Config().f_FindTable("T")->f_FindGroup("G")->m_Actions;
    ASSERT_EQ(actions.size(), 2u);
    EXPECT_EQ(actions[0]->m_TriggerKeys, (CKeys{CKey{0, 0x30, 1}}));
    EXPECT_EQ(actions[1]->m_TriggerKeys, (CKeys{CKey{0, 0x1D, 0}, CKey{0, 0x2E, 1}}));
    const CKeys candidate{CKey{0, 0x1D, 0}, CKey{0, 0x2E, 2}};
    EXPECT_EQ(fp_Config().f_FindTable("T")->f_FindGroup("G")->f_FindAction(candidate), actions[1].get());
}

// Actions stored in any order load in trigger-key order. (How the load time grows with the
// count is measured by bench_settings, BM_ReadDescendingActions.)
TEST_F(CSettingsFile, ActionsStoredInDescendingOrderLoadSorted)
{
    constexpr std::int32_t mc_Count = 20000;
    CBytes b;
    b.u32(mc_Magic).u32(274).u32(0).u32(274).u32(1).str("T").u32(1);
    b.str("G").i32(1).u32(0).u32(0).u32(mc_Count);
    for (std::int32_t code = mc_Count; code > 0; --code)
        b.u32(2).u32(0).keys(274, {{{0, code, 1}}});
    b.u32(0).str("").str("").u32(0);
    NQuillonTest::gf_LoadImage(m_Engine, b.f_Get());
    auto& actions = fp_Config().f_FindTable("T")->f_FindGroup("G")->m_Actions;
    ASSERT_EQ(actions.size(), std::size_t(mc_Count));
    for (std::size_t i = 0; i < actions.size(); ++i)
        ASSERT_EQ(actions[i]->m_TriggerKeys[0].m_Code, std::int32_t(i + 1));
}
