#include "actions/EngineActions.h"
#include "config/Operations.h"
#include "config/Settings.h"
#include "core/Format.h"
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
    // The values are 32-bit signed: longer numbers wrap as 32-bit arithmetic does.
    EXPECT_EQ(gf_ParseSettingInteger("4294967297", 30), 1);
    EXPECT_EQ(gf_ParseSettingInteger("2147483648", 30), INT32_MIN);
    EXPECT_EQ(gf_ParseSettingInteger("-2147483648", 30), INT32_MIN);
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

// Values stay as parsed; what the consumers use is always a value that works.
TEST(Settings, ConsumersGetUsableValues)
{
    using CValues = CMessageHookBase::CSettingValues;
    struct CCase
    {
        const char* m_pSetting;
        const char* m_pText;
        double (CValues::*m_pGet)() const noexcept;
        double m_Expected;
    };
    const CCase cases[] = {
        {"Keyboard Repeat Rate", "45", &CValues::f_RepeatRate, 45},
        {"Keyboard Repeat Rate", "-5", &CValues::f_RepeatRate, 0},
        {"Keyboard Repeat Delay", "-100", &CValues::f_RepeatDelay, 0},
        {"Keyboard Repeat Delay", "500", &CValues::f_RepeatDelay, 0.5},
        {"Mouse Wheel Sensitivity", "0", &CValues::f_WheelSensitivity, 100},
        {"Mouse Wheel Sensitivity", "-3", &CValues::f_WheelSensitivity, 100},
        {"Mouse Wheel Sensitivity", "1e400", &CValues::f_WheelSensitivity, 100},
        {"Mouse Wheel Sensitivity", "7.5", &CValues::f_WheelSensitivity, 7.5},
        {"Mouse Wheel Acceleration", "1e400", &CValues::f_WheelAcceleration, 1},
        {"Mouse Wheel Acceleration", "-0.5", &CValues::f_WheelAcceleration, -0.5},
        {"Mouse Wheel Acceleration Delay", "-1", &CValues::f_WheelAccelerationDelay, 0},
        {"Mouse Wheel Acceleration Delay", "1e400", &CValues::f_WheelAccelerationDelay, 1000},
        {"Mouse Wheel Acceleration Delay", "20", &CValues::f_WheelAccelerationDelay, 20},
        {"Mouse Acceleration", "0", &CValues::f_MouseAcceleration, 1},
        {"Mouse Acceleration", "-2.5", &CValues::f_MouseAcceleration, 1},
        {"Mouse Acceleration", "1e400", &CValues::f_MouseAcceleration, 1},
        {"Mouse Acceleration", "0.5", &CValues::f_MouseAcceleration, 0.5},
    };
    CTestEngine engine;
    engine.m_bSavingSuppressed = true;
    ASSERT_TRUE(engine.f_CreatePreset("P"));
    for (const CCase& test : cases)
    {
        ASSERT_TRUE(engine.f_SetPresetSettingValue("P", test.m_pSetting, test.m_pText));
        EXPECT_DOUBLE_EQ((engine.f_GetSettingValues().*test.m_pGet)(), test.m_Expected)
            << test.m_pSetting << " = " << test.m_pText;
        ASSERT_TRUE(engine.f_SetPresetSettingToDefault("P", test.m_pSetting));
    }
}

TEST(Settings, TheListTellsAPresetsOwnEntryFromTheDefault)
{
    CTestEngine engine;
    engine.m_bSavingSuppressed = true;
    ASSERT_TRUE(engine.f_CreatePreset("P"));
    ASSERT_TRUE(engine.f_SetPresetSettingValue("P", "Keyboard Repeat Delay", "300"));
    const auto settings = engine.f_ListSettings("P");
    ASSERT_EQ(settings.size(), 7u);
    EXPECT_STREQ(settings[0].m_Name.f_GetStr(), "Keyboard Repeat Rate");
    EXPECT_STREQ(settings[0].m_Value.f_GetStr(), "30");
    EXPECT_FALSE(settings[0].m_bOwnEntry);
    EXPECT_STREQ(settings[1].m_Value.f_GetStr(), "300");
    EXPECT_TRUE(settings[1].m_bOwnEntry);
    EXPECT_TRUE(engine.f_ListSettings("Q").empty());
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

TEST(Groups, OperationsTakeTheDialogsLabel)
{
    CTestEngine engine;
    engine.m_bSavingSuppressed = true;
    ASSERT_TRUE(engine.f_CreateTable("T"));
    ASSERT_TRUE(engine.f_CreateGroup("T", "Main", 3));
    ASSERT_TRUE(engine.f_CreateGroup("T", "1: Odd", 7));
    // The labels exactly as the dialog builds them from the group list.
    for (const auto& group : engine.f_ListGroups("T"))
    {
        NTev::CStr label;
        NTev::gf_Format(label, "{}: {} | {}", group.m_Priority, group.m_Name, group.m_IgnoreLabel);
        EXPECT_TRUE(engine.f_SetGroupRunOnActivate("T", label.f_GetStr(), true)) << label.f_GetStr();
        bool runOnActivate = false;
        EXPECT_TRUE(engine.f_GetGroupRunOnActivate("T", group.m_Name.f_GetStr(), runOnActivate));
        EXPECT_TRUE(runOnActivate);
    }
    bool flag = false;
    EXPECT_TRUE(engine.f_GetGroupRunOnActivate("T", "3: Main | Ignore no keys", flag));
    EXPECT_TRUE(engine.f_GetGroupRunOnActivate("T", "Main | Ignore no keys", flag));
    EXPECT_TRUE(engine.f_GetGroupRunOnActivate("T", "1: Odd", flag));
    EXPECT_FALSE(engine.f_GetGroupRunOnActivate("T", "4: Main | Ignore no keys", flag));
    EXPECT_FALSE(engine.f_GetGroupRunOnActivate("T", "3: main | Ignore no keys", flag));
    EXPECT_TRUE(engine.f_CreateAction("T", "3: Main | Ignore no keys", CKeys{fg_Kb(0x2E, 1)},
                                      NQuillon::EActionKind_Kill));
    EXPECT_EQ(engine.f_ListBindings("T", "3: Main | Ignore no keys").size(), 1u);
}

TEST(Groups, ALabelNamesTheGroupOfItsPriorityAndABareNameTheGroupOfThatName)
{
    CTestEngine engine;
    engine.m_bSavingSuppressed = true;
    ASSERT_TRUE(engine.f_CreateTable("T"));
    ASSERT_TRUE(engine.f_CreateGroup("T", "Main", 3));
    ASSERT_TRUE(engine.f_CreateGroup("T", "3: Main", 0));
    // A name the dialog refuses, as a file made by hand may hold it.
    ASSERT_TRUE(engine.f_CreateGroup("T", "A | B", 5));
    struct CCase
    {
        const char* m_Label;
        const char* m_Group; // null: none
    } const cases[] = {
        {"3: Main | Ignore no keys", "Main"},
        {"0: 3: Main | Ignore no keys", "3: Main"},
        {"3: Main", "3: Main"},
        {"Main", "Main"},
        {"Main | Ignore no keys", "Main"},
        {"5: A | B | Ignore no keys", "A | B"},
        {"5: A | Ignore no keys", nullptr},
        {"0: Main | Ignore no keys", nullptr},
        {"4: Main | Ignore no keys", nullptr},
        {"3: Mai | Ignore no keys", nullptr},
    };
    for (const CCase& c : cases)
    {
        CMessageHookBase::CRemapGroup* group =
            NQuillon::gf_FindGroupByLabel(engine.f_GetConfiguration(), "T", c.m_Label);
        EXPECT_STREQ(group ? group->m_Name.f_GetStr() : nullptr, c.m_Group) << c.m_Label;
    }
}

TEST(Actions, AnAbsurdNumberOfSequencesIsRefused)
{
    CTestEngine engine;
    engine.m_bSavingSuppressed = true;
    ASSERT_TRUE(engine.f_CreateTable("T"));
    ASSERT_TRUE(engine.f_CreateGroup("T", "G", 1));
    const CKeys trigger{fg_Kb(0x2E, 1)};
    ASSERT_TRUE(engine.f_CreateAction("T", "G", trigger, NQuillon::EActionKind_Input));
    EXPECT_TRUE(
        engine.f_SetGenerateSequenceCount("T", "G", trigger, CMessageHookBase::mc_MaxGenerateSequences));
    for (std::uint32_t count : {CMessageHookBase::mc_MaxGenerateSequences + 1, 4000000000u})
        EXPECT_FALSE(engine.f_SetGenerateSequenceCount("T", "G", trigger, count));
    std::uint32_t count = 0;
    ASSERT_TRUE(engine.f_GetGenerateSequenceCount("T", "G", trigger, count));
    EXPECT_EQ(count, CMessageHookBase::mc_MaxGenerateSequences);
}

TEST(Tables, ActivationRunsEachTableOnceAndIsBounded)
{
    CTestEngine engine;
    engine.m_bSavingSuppressed = true;
    engine.m_bOwnsInput = true;
    // Ten actions that switch to their own table, and one that types A: without a bound each
    // switch would rerun all eleven, ten to the eighth times.
    ASSERT_TRUE(engine.f_CreateTable("Self"));
    ASSERT_TRUE(engine.f_CreateGroup("Self", "G", 1));
    ASSERT_TRUE(engine.f_SetGroupRunOnActivate("Self", "G", true));
    for (std::int32_t code = 0x3B; code < 0x3B + 10; ++code)
    {
        ASSERT_TRUE(
            engine.f_CreateAction("Self", "G", CKeys{fg_Kb(code, 1)}, NQuillon::EActionKind_RemapTable));
        ASSERT_TRUE(engine.f_SetActionRemapTable("Self", "G", CKeys{fg_Kb(code)}, "Self"));
    }
    ASSERT_TRUE(engine.f_CreateAction("Self", "G", CKeys{fg_Kb(0x10, 1)}, NQuillon::EActionKind_Input));
    ASSERT_TRUE(engine.f_SetGenerateSequenceCount("Self", "G", CKeys{fg_Kb(0x10)}, 1));
    ASSERT_TRUE(engine.f_SetGenerateSequence("Self", "G", CKeys{fg_Kb(0x10)}, 0, CKeys{fg_Kb(0x1E)}));
    engine.f_ActivateTable("Self");
    EXPECT_EQ(engine.m_Log, (std::vector<std::string>{"+A", "-A"}));

    // A table reached twice without a loop runs twice, as each switch asks.
    engine.m_Log.clear();
    ASSERT_TRUE(engine.f_CreateTable("Two"));
    ASSERT_TRUE(engine.f_CreateGroup("Two", "G", 1));
    ASSERT_TRUE(engine.f_SetGroupRunOnActivate("Two", "G", true));
    for (std::int32_t code : {0x3B, 0x3C})
    {
        ASSERT_TRUE(
            engine.f_CreateAction("Two", "G", CKeys{fg_Kb(code, 1)}, NQuillon::EActionKind_RemapTable));
        ASSERT_TRUE(engine.f_SetActionRemapTable("Two", "G", CKeys{fg_Kb(code)}, "Leaf"));
    }
    ASSERT_TRUE(engine.f_CreateTable("Leaf"));
    ASSERT_TRUE(engine.f_CreateGroup("Leaf", "G", 1));
    ASSERT_TRUE(engine.f_SetGroupRunOnActivate("Leaf", "G", true));
    ASSERT_TRUE(engine.f_CreateAction("Leaf", "G", CKeys{fg_Kb(0x10, 1)}, NQuillon::EActionKind_Input));
    ASSERT_TRUE(engine.f_SetGenerateSequenceCount("Leaf", "G", CKeys{fg_Kb(0x10)}, 1));
    ASSERT_TRUE(engine.f_SetGenerateSequence("Leaf", "G", CKeys{fg_Kb(0x10)}, 0, CKeys{fg_Kb(0x30)}));
    engine.f_ActivateTable("Two");
    EXPECT_EQ(engine.m_Log, (std::vector<std::string>{"+B", "-B", "+B", "-B"}));
    EXPECT_STREQ(engine.f_GetCurrentTableName().f_GetStr(), "Leaf");
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
