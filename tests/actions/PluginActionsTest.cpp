// The plug-in actions as the dialog and the settings file see them: registration, texts,
// options, stored fields and persistence.

#include "actions/Accelerator.h"
#include "actions/ActionFields.h"
#include "actions/plugins/KeyboardLocks.h"
#include "config/Configuration.h"
#include "core/BinaryStreamMemory.h"
#include "tests/config/TestEngine.h"
#include "tools/config/ConfigJson.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
using NQuillon::CActionOptionGroup;
using NQuillon::CMessageHookBase;
using CAccelerator = CMessageHookBase::CAccelerator;

std::unique_ptr<CAccelerator> fg_Create(const char* className)
{
    return CAccelerator::fs_Create(NQuillon::EActionKind_ByClassName, className);
}

std::string fg_Options(const CAccelerator& action)
{
    std::vector<CActionOptionGroup> options;
    action.f_GetOptions(options);
    std::string text;
    for (const auto& group : options)
    {
        text += std::string(group.m_Caption.f_GetStr()) + ":";
        for (const auto& entry : group.m_Entries)
            text += std::string(" ") + entry.f_GetStr() + ",";
        text += " [" + std::to_string(group.m_Selected) + "]\n";
    }
    return text;
}

TEST(PluginActions, EveryClassIsOfferedAfterTheBuiltInRows)
{
    const auto types = CAccelerator::fs_GetActionTypes();
    std::vector<std::string> plugins;
    for (std::size_t i = 4; i < types.size(); ++i)
    {
        EXPECT_EQ(types[i].m_Kind, NQuillon::EActionKind_ByClassName);
        plugins.push_back(std::string(types[i].m_ClassName.f_GetStr()) + "=" + types[i].m_Text.f_GetStr());
    }
    std::sort(plugins.begin(), plugins.end());
    EXPECT_EQ(plugins, (std::vector<std::string>{
                           "CAccelerator_CDManipulation=CD Manipulation",
                           "CAccelerator_CtrlAltDelete=Emulate Ctrl+Alt+Delete",
                           "CAccelerator_KeyboardLocksManipulation=Keyboard Locks Manipulation",
                           "CAccelerator_MacBookProManipulation=MacBook Pro Manipulation",
                           "CAccelerator_WindowManipulation=Window Manipulation",
                       }));
}

struct CLabelCase
{
    const char* m_pClass;
    std::vector<std::int32_t> m_Fields;
    const char* m_pLabel;
};

TEST(PluginActions, LabelsFollowTheStoredFields)
{
    const CLabelCase cases[] = {
        {"CAccelerator_WindowManipulation", {0}, "Change Monitor"},
        {"CAccelerator_WindowManipulation", {3}, "Toggle Maxmized"},
        {"CAccelerator_WindowManipulation", {9}, "Move Right"},
        {"CAccelerator_WindowManipulation", {10}, "Error"},
        {"CAccelerator_WindowManipulation", {-1}, "Error"},
        {"CAccelerator_CDManipulation", {0}, "CD: Eject"},
        {"CAccelerator_CDManipulation", {1}, "Error"},
        {"CAccelerator_MacBookProManipulation", {1}, "MackBook Pro: Decrease Backlight"},
        {"CAccelerator_MacBookProManipulation", {3}, "MackBook Pro: Max Backlight"},
        {"CAccelerator_MacBookProManipulation", {4}, "Error"},
        {"CAccelerator_KeyboardLocksManipulation", {0, 1}, "Keyboard Lock: Set Caps Lock To On"},
        {"CAccelerator_KeyboardLocksManipulation", {1, 0}, "Keyboard Lock: Set Num Lock To Off"},
        {"CAccelerator_KeyboardLocksManipulation", {2, 1}, "Keyboard Lock: Set Scroll Lock To On"},
        {"CAccelerator_KeyboardLocksManipulation", {3, 1}, "Error"},
        {"CAccelerator_CtrlAltDelete", {}, "Emulate Ctrl+Alt+Delete"},
    };
    for (const CLabelCase& c : cases)
    {
        auto action = fg_Create(c.m_pClass);
        ASSERT_NE(action, nullptr) << c.m_pClass;
        if (auto* fields = dynamic_cast<NQuillon::ICActionFields*>(action.get()))
        {
            const auto names = fields->f_GetFields();
            ASSERT_EQ(names.size(), c.m_Fields.size());
            for (std::size_t i = 0; i < names.size(); ++i)
                ASSERT_TRUE(fields->f_SetField(names[i].m_pName, c.m_Fields[i]));
        }
        EXPECT_STREQ(action->f_GetDescription().f_GetStr(), c.m_pLabel) << c.m_pClass;
    }
}

TEST(PluginActions, OptionsShowTheCurrentValue)
{
    auto window = fg_Create("CAccelerator_WindowManipulation");
    window->f_SetOptions({{"Action", {}, 5}});
    EXPECT_EQ(fg_Options(*window),
              "Action: Window: Change Monitor, Window: Zoom, Window: Center, Window: Toggle Maxmized, "
              "Window: Toggle Minimized, Window: Toggle On Top, Window: Move Up, Window: Move Down, "
              "Window: Move Left, Window: Move Right, [5]\n");
    EXPECT_EQ(fg_Options(*fg_Create("CAccelerator_CDManipulation")), "Action: Eject CD, [0]\n");
    auto backlight = fg_Create("CAccelerator_MacBookProManipulation");
    backlight->f_SetOptions({{"Action", {}, 2}});
    EXPECT_EQ(fg_Options(*backlight),
              "Action: Increase Backlight, Declease Backlight, Min Backlight, Max Backlight, [2]\n");
    auto locks = fg_Create("CAccelerator_KeyboardLocksManipulation");
    EXPECT_EQ(fg_Options(*locks), "Lock State To Set: Caps Lock, Num Lock, Scroll Lock, [0]\n"
                                  "State To Set To: On, Off, [0]\n");
    locks->f_SetOptions({{"", {}, 2}, {"", {}, 1}});
    EXPECT_STREQ(locks->f_GetDescription().f_GetStr(), "Keyboard Lock: Set Scroll Lock To Off");
    EXPECT_EQ(fg_Options(*fg_Create("CAccelerator_CtrlAltDelete")), "");
}

// A stored code no entry has selects none; handed back unchosen, it stays.
TEST(PluginActions, AStoredCodeNoEntryHasSelectsNoneAndStays)
{
    auto window = fg_Create("CAccelerator_WindowManipulation");
    dynamic_cast<NQuillon::ICActionFields&>(*window).f_SetField("operation", 12);
    std::vector<CActionOptionGroup> options;
    window->f_GetOptions(options);
    EXPECT_EQ(options.at(0).m_Selected, -1);
    window->f_SetOptions(options);
    EXPECT_STREQ(window->f_GetDescription().f_GetStr(), "Error");
    EXPECT_EQ(dynamic_cast<NQuillon::ICActionFields&>(*window).f_GetFields().at(0).m_Value, 12);
    auto locks = fg_Create("CAccelerator_KeyboardLocksManipulation");
    dynamic_cast<NQuillon::ICActionFields&>(*locks).f_SetField("lock", 7);
    options.clear();
    locks->f_GetOptions(options);
    options[1].m_Selected = 1;
    locks->f_SetOptions(options);
    EXPECT_STREQ(locks->f_GetDescription().f_GetStr(), "Error");
    EXPECT_EQ(dynamic_cast<NQuillon::ICActionFields&>(*locks).f_GetFields().at(1).m_Value, 0);
}

std::vector<unsigned char> fg_Write(const CAccelerator& action)
{
    NTev::NStream::CBinaryStreamMemory stream;
    action.f_WriteRecord(stream);
    return stream.f_GetBytes();
}

TEST(PluginActions, RecordsHoldTheOwnFieldsBeforeTheCommonPart)
{
    using NQuillonTest::CBytes;
    const std::uint32_t version = CMessageHookBase::mc_FileVersion;
    auto window = fg_Create("CAccelerator_WindowManipulation");
    dynamic_cast<NQuillon::ICActionFields&>(*window).f_SetField("operation", 7);
    window->m_Flags = 1;
    window->m_TriggerKeys.f_Add({0, 59, 1});
    EXPECT_EQ(fg_Write(*window), CBytes()
                                     .u32(4)
                                     .str("CAccelerator_WindowManipulation")
                                     .i32(7)
                                     .u32(1)
                                     .keys(version, {{0, 59, 1}})
                                     .f_Get());
    auto locks = fg_Create("CAccelerator_KeyboardLocksManipulation");
    locks->f_SetOptions({{"", {}, 1}, {"", {}, 1}});
    EXPECT_EQ(fg_Write(*locks), CBytes()
                                    .u32(4)
                                    .str("CAccelerator_KeyboardLocksManipulation")
                                    .i32(1)
                                    .i32(0)
                                    .u32(0)
                                    .keys(version, {})
                                    .f_Get());
    EXPECT_EQ(fg_Write(*fg_Create("CAccelerator_CtrlAltDelete")),
              CBytes().u32(4).str("CAccelerator_CtrlAltDelete").u32(0).keys(version, {}).f_Get());
}

TEST(PluginActions, ALockActionOfAVersion261FileIsOn)
{
    using NQuillonTest::CBytes;
    struct CCase
    {
        std::uint32_t m_Version;
        CBytes m_Payload;
        std::int32_t m_State;
    };
    const CCase cases[] = {
        {261, CBytes().i32(1).u32(0).keys(261, {{0, 59, 0}}), 1},
        {262, CBytes().i32(1).i32(0).u32(0).keys(262, {{0, 59, 0}}), 0},
    };
    for (const CCase& c : cases)
    {
        CBytes record = CBytes().u32(4).str("CAccelerator_KeyboardLocksManipulation");
        record.m_Bytes.insert(record.m_Bytes.end(), c.m_Payload.m_Bytes.begin(), c.m_Payload.m_Bytes.end());
        NTev::NStream::CBinaryStreamMemory stream(record.f_Get());
        auto action = CAccelerator::fs_ReadRecord(stream, c.m_Version);
        const auto fields = dynamic_cast<NQuillon::ICActionFields&>(*action).f_GetFields();
        EXPECT_EQ(fields[0].m_Value, 1);
        EXPECT_EQ(fields[1].m_Value, c.m_State) << c.m_Version;
        EXPECT_EQ(action->m_TriggerKeys.f_GetCount(), 1u);
    }
}

// Every plug-in class with odd field values: the file, its dump and its rebuild are the same
// bytes.
TEST(PluginActions, ConfigurationsRoundTripThroughJson)
{
    const char* description = R"json({
      "defaultTable": "Main",
      "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "actions": [
        {"kind": "Plugin", "class": "CAccelerator_WindowManipulation", "trigger": "F1", "operation": 12},
        {"kind": "Plugin", "class": "CAccelerator_CDManipulation", "trigger": "F2", "operation": 0, "flags": 1},
        {"kind": "Plugin", "class": "CAccelerator_MacBookProManipulation", "trigger": "F3", "operation": -3},
        {"kind": "Plugin", "class": "CAccelerator_KeyboardLocksManipulation", "trigger": "F4", "lock": 2, "state": 7},
        {"kind": "Plugin", "class": "CAccelerator_CtrlAltDelete", "trigger": "F5"}]}]}]
    })json";
    NQuillonTest::CTestEngine engine;
    NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(description), engine);
    const auto image = NQuillonTest::gf_SaveImage(engine);
    const auto dump = NQuillonConfigTool::gf_DumpConfiguration(engine, CMessageHookBase::mc_FileVersion);
    const auto& actions = dump["tables"][0]["groups"][0]["actions"];
    EXPECT_EQ(actions[0]["operation"], 12);
    EXPECT_EQ(actions[0]["description"], "Error");
    EXPECT_EQ(actions[3]["lock"], 2);
    EXPECT_EQ(actions[3]["state"], 7);
    EXPECT_EQ(actions[4]["class"], "CAccelerator_CtrlAltDelete");

    NQuillonTest::CTestEngine rebuilt;
    NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(dump.dump()), rebuilt);
    EXPECT_EQ(NQuillonTest::gf_SaveImage(rebuilt), image);
    NQuillonTest::CTestEngine loaded;
    NQuillonTest::gf_LoadImage(loaded, image);
    EXPECT_EQ(NQuillonConfigTool::gf_DumpConfiguration(loaded, CMessageHookBase::mc_FileVersion), dump);
}

TEST(PluginActions, AFieldOutsideThirtyTwoBitsIsRefused)
{
    NQuillonTest::CTestEngine engine;
    const auto description =
        nlohmann::json::parse(R"json({"tables": [{"name": "Main", "groups": [{"name": "G",
      "priority": 1, "actions": [{"kind": "Plugin", "class": "CAccelerator_CDManipulation", "trigger": "F1",
      "operation": 2147483648}]}]}]})json");
    try
    {
        NQuillonConfigTool::gf_BuildConfiguration(description, engine);
        FAIL() << "accepted";
    }
    catch (const NQuillonConfigTool::CJsonError& error)
    {
        EXPECT_NE(error.m_Message.find(".operation"), std::string::npos) << error.m_Message;
    }
}
} // namespace
