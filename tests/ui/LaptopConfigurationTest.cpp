// The laptop keyboard configuration with its two dialogs answered by the test: the layout
// prompt, the options and their presets, and the configuration it builds from a shipped file,
// read back as quillon-config's JSON.

#include "ui/LaptopConfiguration.h"

#include "config/Settings.h"
#include "tests/config/TestEngine.h"
#include "tests/core/FileTestSupport.h"
#include "tools/config/ConfigJson.h"
#include "tools/sim/Simulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

using namespace NQuillon;
using NQuillonTest::CTestEngine;
using CKey = CMessageHookBase::CKey;

namespace
{
// The shipped file's shape: both tables with both groups, each with one fn binding and one
// binding that generates the Menu key's code, which is fn's code too.
const char* const gc_Shipped = R"json({
  "defaultPreset": "Default",
  "presets": [{"name": "Default", "settings": {}}],
  "tables": [
    {"name": "MacBook Pro", "groups": [
      {"name": "Normal", "priority": 1, "actions": [
        {"kind": "Input", "trigger": [[0, 70, 0]], "sequences": [[[0, 221, 0]]]}]},
      {"name": "Function Key", "priority": 2, "actions": [
        {"kind": "Input", "trigger": [[0, 221, 0], [0, 14, 1]], "sequences": [[[0, 211, 0]]]}]}]},
    {"name": "MacBook Pro Num Lock", "groups": [
      {"name": "Normal", "priority": 1, "actions": [
        {"kind": "Input", "trigger": [[0, 70, 0]], "sequences": [[[0, 221, 0]]]}]},
      {"name": "Function Key", "priority": 2, "actions": [
        {"kind": "Input", "trigger": [[0, 221, 0], [0, 14, 1]], "sequences": [[[0, 211, 0]]]}]}]}]
})json";

class CAnswers final : public ICLaptopPrompts
{
public:
    EKeyAnswer f_AskKey(const char* prompt, CKey& key) override
    {
        m_Prompts.push_back(prompt);
        if (m_Keys.empty())
            return EKeyAnswer::CannotRecord;
        const int code = m_Keys.front();
        m_Keys.pop_front();
        if (code < 0)
            return EKeyAnswer::NoKey;
        key = CKey{EKeyDevice_Keyboard, code, 1};
        return EKeyAnswer::Key;
    }
    bool f_AskOptions(CInputDialog& dialog) override
    {
        m_Shown = dialog;
        for (const auto& [field, selected] : m_Choices)
            dialog.f_GetField(field).m_Selected = selected;
        for (std::size_t check = 0; check < m_Checks.size(); ++check)
            dialog.f_GetField(6).m_Checks.at(check).m_bChecked = m_Checks[check];
        return m_bOk;
    }
    void f_ShowError(const char* text) override { m_Errors.push_back(text); }

    std::deque<int> m_Keys{44}; // -1: the window closed without a key
    std::map<std::size_t, std::int32_t> m_Choices;
    std::vector<bool> m_Checks{false, false, false};
    bool m_bOk = true;
    std::vector<std::string> m_Prompts;
    std::vector<std::string> m_Errors;
    CInputDialog m_Shown{"", ""};
};

class LaptopConfiguration : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CTestEngine shipped;
        shipped.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str());
        NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(gc_Shipped), shipped);
        shipped.f_SaveSettings();
        std::rename(m_Directory.f_Path("Settings.dat").c_str(), m_Directory.f_Path("MacBookPro.dat").c_str());

        m_Engine.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str());
        m_Engine.f_CreateTable("Mine");
        m_Engine.f_SaveSettings();
    }

    ELaptopRun f_Run(bool forced = false) { return gf_RunLaptopConfiguration(m_Engine, m_Answers, forced); }

    // Every binding as "table/group: trigger codes > generated codes".
    std::set<std::string> f_Bindings()
    {
        std::set<std::string> bindings;
        const auto json = NQuillonConfigTool::gf_DumpConfiguration(m_Engine, 0);
        for (const auto& table : json["tables"])
            for (const auto& group : table["groups"])
                for (const auto& action : group["actions"])
                {
                    std::string text =
                        table["name"].get<std::string>() + "/" + group["name"].get<std::string>() + ":";
                    for (const auto& key : action["trigger"])
                        text += " " + std::string(key[0] == 1 ? "m" : "") + std::to_string(key[1].get<int>());
                    text += " >";
                    if (action["kind"] != "Input")
                        text += " " + action.value("class", action["kind"].get<std::string>());
                    else
                        for (const auto& key : action["sequences"].at(0))
                            text +=
                                " " + std::string(key[0] == 1 ? "m" : "") + std::to_string(key[1].get<int>());
                    bindings.insert(text);
                }
        return bindings;
    }
    // The bindings of one group in both tables; each must stand in both.
    std::set<std::string> f_GroupBindings(const std::string& group)
    {
        std::set<std::string> first, second;
        for (const std::string& binding : f_Bindings())
        {
            if (binding.rfind("MacBook Pro/" + group + ":", 0) == 0)
                first.insert(binding.substr(binding.find(':') + 1));
            else if (binding.rfind("MacBook Pro Num Lock/" + group + ":", 0) == 0)
                second.insert(binding.substr(binding.find(':') + 1));
        }
        EXPECT_EQ(first, second) << group;
        return first;
    }

    NQuillonTest::CTempDirectory m_Directory;
    CTestEngine m_Engine;
    CAnswers m_Answers;
};
} // namespace

TEST_F(LaptopConfiguration, LayoutKeyPresetsTheOptions)
{
    struct CCase
    {
        int m_Key;
        std::int32_t m_RightApple; // the preselected entry
        bool m_bSwap;
    };
    for (const CCase& c : {CCase{44, 1, false}, CCase{41, 0, true}, CCase{86, 0, false}})
    {
        SCOPED_TRACE(c.m_Key);
        m_Answers = CAnswers();
        m_Answers.m_Keys = {c.m_Key};
        m_Answers.m_bOk = false;
        EXPECT_EQ(f_Run(true), ELaptopRun::Cancelled);
        const CInputDialog& shown = m_Answers.m_Shown;
        EXPECT_EQ(std::string(shown.f_GetTitle().f_GetStr()), "MacBook Pro Keyboard Detected");
        ASSERT_EQ(shown.f_GetFieldCount(), 7u);
        EXPECT_EQ(shown.f_GetSelected(4), c.m_RightApple);
        EXPECT_EQ(std::string(shown.f_GetField(4).m_Entries.at(1).m_Text.f_GetStr()), "Ctrl");
        EXPECT_EQ(shown.f_GetField(5).m_Entries.size(), 24u);
        EXPECT_EQ(shown.f_GetField(6).m_Checks.at(2).m_bChecked, c.m_bSwap);
        EXPECT_FALSE(shown.f_GetField(6).m_Checks.at(0).m_bChecked);
    }
}

TEST_F(LaptopConfiguration, PromptAsksAgainUntilAKeyOfTheTableAndGivesUpWithoutRecording)
{
    m_Answers.m_Keys = {30, -1, 41};
    m_Answers.m_bOk = false;
    EXPECT_EQ(f_Run(), ELaptopRun::Cancelled);
    ASSERT_EQ(m_Answers.m_Prompts.size(), 3u);
    EXPECT_EQ(m_Answers.m_Prompts[0], "Please press the key to the right of your left Shift key.");
    EXPECT_EQ(m_Answers.m_Prompts[1],
              "Ivalid key pressed. Please press the key to the right of your left Shift key.");
    EXPECT_EQ(m_Answers.m_Prompts[2], m_Answers.m_Prompts[1]);
    // Cancelled: offered once per configuration, and nothing changed.
    EXPECT_EQ(m_Engine.m_ConfigurationFlags & 1, 1u);
    EXPECT_EQ(f_Run(), ELaptopRun::NotOffered);
    EXPECT_EQ(m_Engine.f_ListTableNames().size(), 1u);

    // Recording cannot start: a later automatic run offers it again.
    m_Answers.m_Keys.clear();
    EXPECT_EQ(f_Run(true), ELaptopRun::Abandoned);
    EXPECT_EQ(m_Engine.m_ConfigurationFlags & 1, 0u);
}

TEST_F(LaptopConfiguration, MissingShippedFileChangesNothing)
{
    std::remove(m_Directory.f_Path("MacBookPro.dat").c_str());
    const std::string before = NQuillonTest::gf_ReadFileBytes(m_Directory.f_Path("Settings.dat"));
    EXPECT_EQ(f_Run(true), ELaptopRun::Failed);
    EXPECT_EQ(m_Answers.m_Errors.size(), 1u);
    EXPECT_EQ(NQuillonTest::gf_ReadFileBytes(m_Directory.f_Path("Settings.dat")), before);
    EXPECT_EQ(m_Engine.f_ListTableNames().size(), 1u);
    EXPECT_FALSE(m_Engine.m_bSavingSuppressed);
}

TEST_F(LaptopConfiguration, ChoicesBecomeBindingsInBothTablesAndTheRunSavesTheResult)
{
    // Middle Click, AltGr, Delete, Print Screen, Middle Click; every option checked.
    m_Answers.m_Choices = {{0, 1}, {1, 3}, {2, 1}, {3, 0}, {4, 4}};
    m_Answers.m_Checks = {true, true, true};
    EXPECT_EQ(f_Run(), ELaptopRun::Configured);
    const std::set<std::string> normal{" 70 > 221", " 156 > 184", " 100 > 211", " 220 > m3", " 41 > 86",
                                       " 86 > 41",  " 29 > 29",   " 56 > 56",   " 219 > 219"};
    EXPECT_EQ(f_GroupBindings("Normal"), normal);
    const std::set<std::string> function{" 221 m1 > m3", " 221 14 > 211", " 221 100 > 183"};
    EXPECT_EQ(f_GroupBindings("Function Key"), function);
    // The user's table is gone, the settings are the chosen ones, and the file holds it all.
    EXPECT_EQ(m_Engine.f_ListTableNames().size(), 2u);
    NTev::CStr value;
    std::vector<NTev::CStr> offered;
    ASSERT_TRUE(m_Engine.f_GetPresetSettingValue("Default", "Mouse Wheel Acceleration", value, offered));
    EXPECT_EQ(std::string(value.f_GetStr()), "3.5");
    ASSERT_TRUE(
        m_Engine.f_GetPresetSettingValue("Default", "Keyboard Enable Remote Desktop Hack", value, offered));
    EXPECT_EQ(std::string(value.f_GetStr()), "1");
    CTestEngine reader;
    reader.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str());
    ASSERT_TRUE(reader.f_LoadSettings("Settings.dat"));
    EXPECT_EQ(reader.m_ConfigurationFlags & 1, 1u);
    EXPECT_EQ(NQuillonConfigTool::gf_DumpConfiguration(reader, 0)["tables"],
              NQuillonConfigTool::gf_DumpConfiguration(m_Engine, 0)["tables"]);
    EXPECT_FALSE(m_Engine.m_bSavingSuppressed);
}

TEST_F(LaptopConfiguration, EjectCdsIsTheCdActionSetToEject)
{
    m_Answers.m_Choices = {{0, 2}, {1, 5}, {2, 0}, {3, 1}, {4, 6}};
    ASSERT_EQ(f_Run(), ELaptopRun::Configured);
    EXPECT_EQ(f_GroupBindings("Normal").count(" 100 > CAccelerator_CDManipulation"), 1u);
    EXPECT_EQ(f_GroupBindings("Function Key").count(" 221 100 > CAccelerator_CDManipulation"), 1u);
    std::vector<CActionOptionGroup> options;
    ASSERT_TRUE(m_Engine.f_GetActionOptions("MacBook Pro", "Normal", CMessageHookBase::CKeys{CKey{0, 100, 0}},
                                            options));
    ASSERT_FALSE(options.empty());
    EXPECT_EQ(options[0].m_Selected, 0);
}

TEST_F(LaptopConfiguration, EveryLeftSideOrder)
{
    // Which key the fn bindings answer to, and the Normal bindings of the left side, stated
    // from the dialog's text: a key whose name stands where fn stood takes over fn's bindings;
    // every other key is bound to the key named in its place.
    struct CCase
    {
        const char* m_pOrder;
        int m_FnAnswersTo;
        std::set<std::string> m_Side;
    };
    const CCase cases[] = {
        {"fn, Ctrl, Alt, Win", 221, {" 29 > 29", " 56 > 56", " 219 > 219"}},
        {"fn, Ctrl, Win, Alt", 221, {" 29 > 29", " 56 > 219", " 219 > 56"}},
        {"fn, Alt, Ctrl, Win", 221, {" 29 > 56", " 56 > 29", " 219 > 219"}},
        {"fn, Alt, Win, Ctrl", 221, {" 29 > 56", " 56 > 219", " 219 > 29"}},
        {"fn, Win, Alt, Ctrl", 221, {" 29 > 219", " 56 > 56", " 219 > 29"}},
        {"fn, Win, Ctrl, Alt", 221, {" 29 > 219", " 56 > 29", " 219 > 56"}},
        {"Ctrl, fn, Alt, Win", 29, {" 56 > 56", " 219 > 219", " 221 > 29"}},
        {"Ctrl, fn, Win, Alt", 29, {" 56 > 219", " 219 > 56", " 221 > 29"}},
        {"Ctrl, Alt, fn, Win", 56, {" 29 > 56", " 219 > 219", " 221 > 29"}},
        {"Ctrl, Alt, Win, fn", 219, {" 29 > 56", " 56 > 219", " 221 > 29"}},
        {"Ctrl, Win, Alt, fn", 219, {" 29 > 219", " 56 > 56", " 221 > 29"}},
        {"Ctrl, Win, fn, Alt", 56, {" 29 > 219", " 219 > 56", " 221 > 29"}},
        {"Alt, Ctrl, fn, Win", 56, {" 29 > 29", " 219 > 219", " 221 > 56"}},
        {"Alt, Ctrl, Win, fn", 219, {" 29 > 29", " 56 > 219", " 221 > 56"}},
        {"Alt, fn, Ctrl, Win", 29, {" 56 > 29", " 219 > 219", " 221 > 56"}},
        {"Alt, fn, Win, Ctrl", 29, {" 56 > 219", " 219 > 29", " 221 > 56"}},
        {"Alt, Win, fn, Ctrl", 56, {" 29 > 219", " 219 > 29", " 221 > 56"}},
        {"Alt, Win, Ctrl, fn", 219, {" 29 > 219", " 56 > 29", " 221 > 56"}},
        {"Win, Ctrl, Alt, fn", 219, {" 29 > 29", " 56 > 56", " 221 > 219"}},
        {"Win, Ctrl, fn, Alt", 56, {" 29 > 29", " 219 > 56", " 221 > 219"}},
        {"Win, Alt, Ctrl, fn", 219, {" 29 > 56", " 56 > 29", " 221 > 219"}},
        {"Win, Alt, fn, Ctrl", 56, {" 29 > 56", " 219 > 29", " 221 > 219"}},
        {"Win, fn, Alt, Ctrl", 29, {" 56 > 56", " 219 > 29", " 221 > 219"}},
        {"Win, fn, Ctrl, Alt", 29, {" 56 > 29", " 219 > 56", " 221 > 219"}},
    };
    for (std::int32_t order = 0; order < 24; ++order)
    {
        const CCase& c = cases[order];
        SCOPED_TRACE(c.m_pOrder);
        ASSERT_EQ(std::string(gc_LaptopKeyOrders[order]), c.m_pOrder);
        m_Answers = CAnswers();
        // Nothing else bound, so that the Normal group holds the shipped binding and the side.
        m_Answers.m_Choices = {{0, 2}, {1, 5}, {2, 2}, {3, 2}, {4, 6}, {5, order}};
        ASSERT_EQ(f_Run(true), ELaptopRun::Configured);
        std::set<std::string> side = f_GroupBindings("Normal");
        side.erase(" 70 > 221");
        EXPECT_EQ(side, c.m_Side);
        const std::string fn = std::to_string(c.m_FnAnswersTo);
        EXPECT_EQ(f_GroupBindings("Function Key"), std::set<std::string>{" " + fn + " 14 > 211"});
        // What keys generate is never renumbered: the Menu key stays the Menu key.
        EXPECT_EQ(f_Bindings().count("MacBook Pro Num Lock/Normal: 70 > 221"), 1u);
    }
}

#if defined(QUILLON_MACBOOKPRO_DAT)
// The shipped file itself, set up with fn and Ctrl swapped, then typed on in the simulator.
TEST_F(LaptopConfiguration, ShippedFileWithFnAndCtrlSwapped)
{
    std::ifstream shipped(QUILLON_MACBOOKPRO_DAT, std::ios::binary);
    std::ofstream(m_Directory.f_Path("MacBookPro.dat"), std::ios::binary) << shipped.rdbuf();
    m_Answers.m_Choices = {{5, 6}}; // "Ctrl, fn, Alt, Win"
    ASSERT_EQ(f_Run(), ELaptopRun::Configured);
    std::ostringstream output;
    NQuillonSim::CSimulator simulator(output);
    simulator.f_LoadSettingsFile(m_Directory.f_Path("Settings.dat"));
    simulator.f_RunScript("d:LCtrl d:Backspace u:Backspace u:LCtrl d:Menu d:C u:C u:Menu d:LAlt u:LAlt");
    EXPECT_EQ(output.str(),
              "# 0 table MacBook Pro\n0 kbd Delete make\n0 kbd Delete break\n0 kbd LCtrl make\n"
              "0 kbd C make\n0 kbd C break\n0 kbd LCtrl break\n0 kbd LAlt make\n0 kbd LAlt break\n");
}
#endif
