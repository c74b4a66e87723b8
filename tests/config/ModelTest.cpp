#include "actions/EngineActions.h"
#include "config/Settings.h"
#include "tests/config/TestEngine.h"

#include <gtest/gtest.h>

using NQuillon::CMessageHookBase;
using NQuillonTest::CTestEngine;
using CKeys = CMessageHookBase::CKeys;
using CKey = CMessageHookBase::CKey;

namespace
{
CKey fg_Kb(std::int32_t code, std::uint32_t order = 0)
{
    return CKey{NQuillon::EKeyDevice_Keyboard, code, order};
}

std::unique_ptr<CMessageHookBase::CAccelerator> fg_Kill(CKeys keys)
{
    auto action = std::make_unique<CMessageHookBase::CAccelerator_Kill>();
    action->m_TriggerKeys = keys;
    return action;
}
} // namespace

TEST(SettingParsing, Integers)
{
    using NQuillon::gf_ParseSettingInteger;
    EXPECT_EQ(gf_ParseSettingInteger("abc", 30), 30);
    EXPECT_EQ(gf_ParseSettingInteger("45", 30), 45);
    EXPECT_EQ(gf_ParseSettingInteger("0x20", 30), 32);
    EXPECT_EQ(gf_ParseSettingInteger("ms45", 30), 45);
    EXPECT_EQ(gf_ParseSettingInteger("-12", 30), -12);
    EXPECT_EQ(gf_ParseSettingInteger("-+7", 30), 7);
    EXPECT_EQ(gf_ParseSettingInteger("0b101", 30), 5);
    EXPECT_EQ(gf_ParseSettingInteger("0O17", 30), 15);
    EXPECT_EQ(gf_ParseSettingInteger("12ab", 30), 12);
    EXPECT_EQ(gf_ParseSettingInteger("", 30), 30);
}

TEST(SettingParsing, Reals)
{
    using NQuillon::gf_ParseSettingReal;
    EXPECT_DOUBLE_EQ(gf_ParseSettingReal("1.5", 1.0), 1.5);
    EXPECT_DOUBLE_EQ(gf_ParseSettingReal("-2", 1.0), -2.0);
    EXPECT_DOUBLE_EQ(gf_ParseSettingReal("+.5", 1.0), 0.5);
    EXPECT_DOUBLE_EQ(gf_ParseSettingReal("3.", 1.0), 3.0);
    EXPECT_DOUBLE_EQ(gf_ParseSettingReal("1e2", 1.0), 100.0);
    EXPECT_DOUBLE_EQ(gf_ParseSettingReal("2.5E-1", 1.0), 0.25);
    EXPECT_DOUBLE_EQ(gf_ParseSettingReal("abc", 1.0), 1.0);
    EXPECT_DOUBLE_EQ(gf_ParseSettingReal("1.5x", 1.0), 1.0);
    EXPECT_DOUBLE_EQ(gf_ParseSettingReal(" 1.5", 1.0), 1.0);
    EXPECT_DOUBLE_EQ(gf_ParseSettingReal("1e", 1.0), 1.0);
    EXPECT_DOUBLE_EQ(gf_ParseSettingReal(".", 1.0), 1.0);
}

TEST(Settings, PresetWithoutEntriesYieldsDefaults)
{
    CTestEngine engine;
    engine.m_bSavingSuppressed = true;
    ASSERT_TRUE(engine.f_CreatePreset("Empty"));
    const auto& values = engine.f_GetSettingValues();
    EXPECT_EQ(values.m_KeyboardRepeatRate, 30);
    EXPECT_EQ(values.m_KeyboardRepeatDelay, 250);
    EXPECT_EQ(values.m_KeyboardRemoteDesktopHack, 0);
    EXPECT_DOUBLE_EQ(values.m_MouseWheelAcceleration, 1.0);
    EXPECT_DOUBLE_EQ(values.m_MouseWheelSensitivity, 100.0);
    EXPECT_DOUBLE_EQ(values.m_MouseWheelAccelerationDelay, 0.0);
    EXPECT_DOUBLE_EQ(values.m_MouseAcceleration, 1.0);

    NTev::CStr value;
    EXPECT_TRUE(engine.f_GetSettingValue("Mouse Wheel Sensitivity", value));
    EXPECT_STREQ(value.f_GetStr(), "100.0");
    EXPECT_FALSE(engine.f_GetSettingValue("Keyboard Force NumLock On", value));
}

TEST(Settings, ChangedValuesReachTheWorkingValues)
{
    CTestEngine engine;
    engine.m_bSavingSuppressed = true;
    ASSERT_TRUE(engine.f_CreatePreset("P"));
    ASSERT_TRUE(engine.f_SetPresetSettingValue("P", "Keyboard Repeat Rate", "0x20"));
    ASSERT_TRUE(engine.f_SetPresetSettingValue("P", "Mouse Acceleration", "-2.5"));
    EXPECT_EQ(engine.f_GetSettingValues().m_KeyboardRepeatRate, 32);
    EXPECT_DOUBLE_EQ(engine.f_GetSettingValues().m_MouseAcceleration, -2.5);
    EXPECT_FALSE(engine.f_SetPresetSettingValue("P", "Not A Setting", "1"));
    ASSERT_TRUE(engine.f_SetPresetSettingToDefault("P", "Keyboard Repeat Rate"));
    EXPECT_EQ(engine.f_GetSettingValues().m_KeyboardRepeatRate, 30);
    EXPECT_EQ(engine.f_GetConfiguration().f_FindPreset("P")->m_Settings.size(), 1u);
}

TEST(Groups, IgnoreLabels)
{
    CMessageHookBase::CRemapGroup group("G", 1);
    EXPECT_STREQ(group.f_GetIgnoreLabel().f_GetStr(), "Ignore no keys");
    group.m_IgnoreKeys = CKeys{fg_Kb(0)};
    EXPECT_STREQ(group.f_GetIgnoreLabel().f_GetStr(), "Ignore all keys");
    group.m_IgnoreKeys = CKeys{fg_Kb(0), fg_Kb(0x1E)};
    EXPECT_STREQ(group.f_GetIgnoreLabel().f_GetStr(), "Dont ignore these keys ( All Keys + A )");
}

TEST(Groups, ActionsAreOrderedByTriggerKeysAndStable)
{
    CMessageHookBase::CRemapGroup group("G", 1);
    group.f_InsertAction(fg_Kill(CKeys{fg_Kb(0x1E), fg_Kb(0x30), fg_Kb(0x2E)}));
    group.f_InsertAction(fg_Kill(CKeys{fg_Kb(0x1D), fg_Kb(0x2E)}));
    auto& first = group.f_InsertAction(fg_Kill(CKeys{fg_Kb(0x2E)}));
    auto& second = group.f_InsertAction(fg_Kill(CKeys{fg_Kb(0x2E, 1)}));
    ASSERT_EQ(group.m_Actions.size(), 4u);
    EXPECT_EQ(group.m_Actions[0].get(), &first);
    EXPECT_EQ(group.m_Actions[1].get(), &second);
    EXPECT_EQ(group.m_Actions[2]->m_TriggerKeys.f_GetCount(), 2u);
    EXPECT_EQ(group.m_Actions[3]->m_TriggerKeys.f_GetCount(), 3u);
    EXPECT_EQ(group.f_FindAction(CKeys{fg_Kb(0x1D, 1), fg_Kb(0x2E, 2)}), group.m_Actions[2].get());
    EXPECT_EQ(group.f_FindAction(CKeys{fg_Kb(0x1D)}), nullptr);
}

TEST(Tables, GroupsAreUniqueByNameAndPriorityWithinATable)
{
    CMessageHookBase::CRemapTable table("T");
    EXPECT_NE(table.f_AddGroup(std::make_unique<CMessageHookBase::CRemapGroup>("A", 1)), nullptr);
    EXPECT_EQ(table.f_AddGroup(std::make_unique<CMessageHookBase::CRemapGroup>("B", 1)), nullptr);
    EXPECT_EQ(table.f_AddGroup(std::make_unique<CMessageHookBase::CRemapGroup>("A", 2)), nullptr);
    CMessageHookBase::CRemapTable other("U");
    EXPECT_NE(other.f_AddGroup(std::make_unique<CMessageHookBase::CRemapGroup>("A", 1)), nullptr);
}

TEST(Tables, ActivationRunsMarkedGroupsOnlyWhenOwningInput)
{
    CTestEngine engine;
    engine.m_bSavingSuppressed = true;
    ASSERT_TRUE(engine.f_CreateTable("T"));
    ASSERT_TRUE(engine.f_CreateGroup("T", "Marked", 2));
    ASSERT_TRUE(engine.f_CreateGroup("T", "Plain", 1));
    ASSERT_TRUE(engine.f_SetGroupRunOnActivate("T", "Marked", true));
    ASSERT_TRUE(engine.f_CreateAction("T", "Marked", CKeys{fg_Kb(0x3B, 1)}, NQuillon::EActionKind_Input));
    ASSERT_TRUE(engine.f_SetGenerateSequenceCount("T", "Marked", CKeys{fg_Kb(0x3B)}, 1));
    ASSERT_TRUE(engine.f_SetGenerateSequence("T", "Marked", CKeys{fg_Kb(0x3B)}, 0, CKeys{fg_Kb(0x1E)}));
    ASSERT_TRUE(
        engine.f_CreateAction("T", "Plain", CKeys{fg_Kb(0x3C, 1)}, NQuillon::EActionKind_ReleaseAllKeys));

    engine.f_ActivateTable("T");
    EXPECT_TRUE(engine.m_Log.empty());
    engine.m_bOwnsInput = true;
    engine.f_ActivateTable("T");
    EXPECT_EQ(engine.m_Log, (std::vector<std::string>{"+A", "-A"}));
    engine.f_ActivateTable("t");
    EXPECT_TRUE(engine.f_GetCurrentTableName().f_IsEmpty());
}

TEST(Tables, TablesSwitchingToEachOtherOnActivationDoNotRecurseForever)
{
    CTestEngine engine;
    engine.m_bSavingSuppressed = true;
    engine.m_bOwnsInput = true;
    for (const char* name : {"A", "B"})
    {
        ASSERT_TRUE(engine.f_CreateTable(name));
        ASSERT_TRUE(engine.f_CreateGroup(name, "G", 1));
        ASSERT_TRUE(engine.f_SetGroupRunOnActivate(name, "G", true));
        ASSERT_TRUE(
            engine.f_CreateAction(name, "G", CKeys{fg_Kb(0x3B, 1)}, NQuillon::EActionKind_RemapTable));
        ASSERT_TRUE(engine.f_SetActionRemapTable(name, "G", CKeys{fg_Kb(0x3B)}, name[0] == 'A' ? "B" : "A"));
    }
    engine.f_ActivateTable("A");
    EXPECT_FALSE(engine.f_GetCurrentTableName().f_IsEmpty());
}
