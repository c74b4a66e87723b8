// The context menus of the tree and what their commands do, through scripted dialogs, against
// the file on disk; the tray menu and the dialog's timer.

#include "ui/TrayMenu.h"

#include "tests/ui/ConfigUiTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

using namespace NQuillon;
using namespace NQuillonTest;

namespace
{
const std::vector<NTev::CStr> gc_Group = {"Remappings", "Main", "3: Main | Ignore no keys"};

std::vector<NTev::CStr> fg_Below(std::vector<NTev::CStr> path, std::initializer_list<const char*> more)
{
    for (const char* label : more)
        path.push_back(label);
    return path;
}

std::string fg_MenuText(const std::vector<CMenuEntry>& menu)
{
    std::string text;
    for (const CMenuEntry& entry : menu)
        text += std::string(entry.m_bChecked ? "[x] " : "") + entry.m_Text.f_GetStr() + "\n";
    return text;
}

// Types texts into the dialog's text fields and presses OK.
std::function<bool(CInputDialog&)> fg_Enter(std::vector<std::string> texts)
{
    return [texts](CInputDialog& dialog)
    {
        for (std::size_t i = 0; i < texts.size(); ++i)
            dialog.f_GetField(i).m_Text = texts[i].c_str();
        return true;
    };
}

std::function<bool(CInputDialog&)> fg_Choose(std::size_t field, const char* text)
{
    return [field, text](CInputDialog& dialog)
    {
        CInputField& choice = dialog.f_GetField(field);
        for (std::size_t i = 0; i < choice.m_Entries.size(); ++i)
            if (choice.m_Entries[i].m_Text == text)
                choice.m_Selected = static_cast<std::int32_t>(i);
        return true;
    };
}

class CCommands : public ::testing::Test
{
protected:
    // Runs the entry with that text of the node's menu; false when the menu has none.
    bool f_Run(const std::vector<NTev::CStr>& path, const char* text)
    {
        CNodeRef node;
        if (!gf_IdentifyNode(path, node))
            return false;
        for (const CMenuEntry& entry : gf_BuildContextMenu(m_Engine.m_Engine, node))
            if (entry.m_Text == text)
            {
                m_Commands.f_Run(node, entry);
                return true;
            }
        return false;
    }
    std::string f_Menu(const std::vector<NTev::CStr>& path)
    {
        CNodeRef node;
        EXPECT_TRUE(gf_IdentifyNode(path, node));
        return fg_MenuText(gf_BuildContextMenu(m_Engine.m_Engine, node));
    }
    std::string f_Tree() { return gf_TreeText(gf_BuildConfigTree(m_Engine.m_Engine)); }
    bool f_TreeHas(const std::string& line) { return f_Tree().find(line + "\n") != std::string::npos; }

    CDialogEngine m_Engine;
    CScriptedDialogs m_Dialogs;
    CScriptedRecorder m_Recorder;
    CScriptedMessages m_Messages;
    CConfigCommands m_Commands{m_Engine.m_Engine, m_Dialogs, m_Recorder, m_Recorder, m_Messages};
};
} // namespace

TEST_F(CCommands, EveryKindOfNodeOffersItsCommands)
{
    m_Engine.m_Engine.f_ActivateTable("Main");
    const std::vector<NTev::CStr> input = fg_Below(gc_Group, {"LCtrl(1) + C(2)", "x"});
    const std::vector<NTev::CStr> remap = fg_Below(gc_Group, {"F12(1)", "x"});
    const std::pair<std::vector<NTev::CStr>, const char*> cases[] = {
        {{"Presets"}, "Create new preset\n"},
        {{"Presets", "Default"}, "[x] Default preset\n[x] Current preset\nDelete preset\n"},
        {{"Presets", "Quiet"}, "Default preset\nCurrent preset\nDelete preset\n"},
        {{"Presets", "Quiet", "Mouse Acceleration | 1.0"}, "Set value\nSet to default value\n"},
        {{"Remappings"}, "Create new remapping table\n"},
        {{"Remappings", "Main"},
         "Create new group\n[x] Default table\n[x] Current table\nDelete remapping table\n"},
        {{"Remappings", "Games"}, "Create new group\nDefault table\nCurrent table\nDelete remapping table\n"},
        {gc_Group,
         "Create new key binding\nDelete group\nSet group don't ignore keys\nSet group ignore all keys\n"
         "Set group ignore no keys\nRun Actions In This Group When the Table is Activated\n"},
        {fg_Below(gc_Group, {"LCtrl(1) + C(2)"}), ""},
        {input,
         "Delete action\nContinue Processing Keys\nSet temporary release keys\nSet num generate sequences\n"
         "Record key sequence 0\nEdit key sequence 0\n"},
        {remap, "Delete action\nContinue Processing Keys\nSet remap table\n"},
        // An action that another process removed meanwhile offers nothing.
        {fg_Below(gc_Group, {"F1(1)", "x"}), ""},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(f_Menu(path), expected) << path.back().f_GetStr();
}

TEST_F(CCommands, InputActionsOfferOneRecordAndOneEditEntryPerSequence)
{
    const std::vector<NTev::CStr> action = fg_Below(gc_Group, {"LCtrl(1) + C(2)", "x"});
    m_Dialogs.m_Steps.push_back(fg_Enter({"3"}));
    ASSERT_TRUE(f_Run(action, "Set num generate sequences"));
    EXPECT_EQ(m_Dialogs.m_Shown.back(), "Set number of generate actions|Num sequences=1");
    const std::string menu = f_Menu(action);
    EXPECT_NE(menu.find("Record key sequence 0\nRecord key sequence 1\nRecord key sequence 2\n"
                        "Edit key sequence 0\nEdit key sequence 1\nEdit key sequence 2\n"),
              std::string::npos)
        << menu;

    m_Dialogs.m_Steps.push_back(fg_Enter({"-1"}));
    ASSERT_TRUE(f_Run(action, "Set num generate sequences"));
    EXPECT_EQ(m_Messages.m_Shown.back(), std::string("Error: ") + gc_BadSequenceCountMessage);
    EXPECT_EQ(m_Engine.f_ReadBack()["tables"][1]["groups"][0]["actions"][1]["sequences"].size(), 3u);
}

namespace
{
// The input action of the dialog configuration with that many generate sequences, each "A".
std::string fg_WithSequences(std::size_t count)
{
    nlohmann::json json = nlohmann::json::parse(gc_DialogConfiguration);
    nlohmann::json& sequences = json["tables"][1]["groups"][0]["actions"][0]["sequences"];
    sequences = nlohmann::json::array();
    while (sequences.size() < count)
        sequences.push_back("A");
    return json.dump();
}
} // namespace

TEST(ConfigMenu, EachSequenceEntryHasItsOwnIdentifierAndActsOnItsSequence)
{
    CDialogEngine engine(fg_WithSequences(301).c_str());
    CNodeRef node;
    ASSERT_TRUE(gf_IdentifyNode(fg_Below(gc_Group, {"LCtrl(1) + C(2)", "x"}), node));
    const std::vector<CMenuEntry> menu = gf_BuildContextMenu(engine.m_Engine, node);
    std::set<int> ids;
    for (const CMenuEntry& entry : menu)
    {
        // Within the 16 bits a window message carries.
        const int id = gf_MenuCommandId(entry);
        EXPECT_TRUE(id > 0 && id <= 0xFFFF && ids.insert(id).second) << entry.m_Text.f_GetStr();
        EXPECT_EQ(gf_FindMenuEntry(menu, id), &entry) << entry.m_Text.f_GetStr();
    }

    CScriptedDialogs dialogs;
    CScriptedRecorder recorder;
    CScriptedMessages messages;
    CConfigCommands commands(engine.m_Engine, dialogs, recorder, recorder, messages);
    const auto record =
        std::find_if(menu.begin(), menu.end(),
                     [](const CMenuEntry& entry) { return entry.m_Text == "Record key sequence 300"; });
    ASSERT_NE(record, menu.end());
    const CMenuEntry* chosen = gf_FindMenuEntry(menu, gf_MenuCommandId(*record));
    ASSERT_NE(chosen, nullptr);
    recorder.m_Recordings.push_back("Z");
    commands.f_Run(node, *chosen);
    // Stored in trigger order: F12 comes first.
    const auto sequences = engine.f_ReadBack()["tables"][1]["groups"][0]["actions"][1]["sequences"];
    EXPECT_EQ(sequences[300], nlohmann::json::parse("[[0,44,0]]"));
    EXPECT_EQ(sequences[44], nlohmann::json::parse("[[0,30,0]]"));
}

TEST(ConfigMenu, SequencesBeyondWhatIdentifiersCanNameAreNotOffered)
{
    CDialogEngine engine(fg_WithSequences(gc_MaxMenuSequences + 2).c_str());
    CNodeRef node;
    ASSERT_TRUE(gf_IdentifyNode(fg_Below(gc_Group, {"LCtrl(1) + C(2)", "x"}), node));
    const std::vector<CMenuEntry> menu = gf_BuildContextMenu(engine.m_Engine, node);
    for (ECommand command : {ECommand::RecordSequence, ECommand::EditSequence})
    {
        EXPECT_EQ(std::count_if(menu.begin(), menu.end(),
                                [&](const CMenuEntry& entry) { return entry.m_Command == command; }),
                  static_cast<std::ptrdiff_t>(gc_MaxMenuSequences));
        CMenuEntry beyond;
        beyond.m_Command = command;
        beyond.m_Index = gc_MaxMenuSequences;
        EXPECT_EQ(gf_MenuCommandId(beyond), 0);
        EXPECT_EQ(gf_FindMenuEntry(menu, 0), nullptr);
    }
}

TEST_F(CCommands, CreateTableAndPresetCheckTheName)
{
    struct CCase
    {
        const char* m_Root;
        const char* m_Entry;
        const char* m_Name;
        const char* m_Message; // "" when it is created
    };
    const CCase cases[] = {
        {"Remappings", "Create new remapping table", "", "Error: You must provide a name"},
        {"Remappings", "Create new remapping table", "Main", "Error: The name already exists"},
        {"Remappings", "Create new remapping table", "Editing", ""},
        {"Presets", "Create new preset", "", "Error: You must provide a name"},
        {"Presets", "Create new preset", "Quiet", "Error: The name already exists"},
        {"Presets", "Create new preset", "Loud", ""},
    };
    for (const CCase& c : cases)
    {
        m_Messages.m_Shown.clear();
        m_Dialogs.m_Steps.push_back(fg_Enter({c.m_Name}));
        ASSERT_TRUE(f_Run({c.m_Root}, c.m_Entry));
        EXPECT_EQ(m_Messages.m_Shown.empty() ? "" : m_Messages.m_Shown.back(), c.m_Message) << c.m_Name;
        // An error ends the command: the dialog is not shown again.
        EXPECT_TRUE(m_Dialogs.m_Steps.empty());
    }
    EXPECT_EQ(m_Dialogs.m_Shown.front(), "Create New Remapping Table|Name=");
    EXPECT_EQ(m_Dialogs.m_Shown.back(), "Create New Preset|Name=");
    const auto file = m_Engine.f_ReadBack();
    EXPECT_EQ(file["tables"][0]["name"], "Editing");
    EXPECT_EQ(file["presets"][1]["name"], "Loud");
}

TEST_F(CCommands, CreateGroupAsksAgainWithWhatWasEnteredAfterAnError)
{
    m_Dialogs.m_Steps.push_back(fg_Enter({"", "5"}));
    m_Dialogs.m_Steps.push_back(fg_Enter({"Editing", "3"}));
    m_Dialogs.m_Steps.push_back(fg_Enter({"Editing", "x4"}));
    ASSERT_TRUE(f_Run({"Remappings", "Main"}, "Create new group"));
    EXPECT_EQ(m_Dialogs.m_Shown,
              (std::vector<std::string>{"Create New Remapping Group|Name=|Priority=0",
                                        "Create New Remapping Group|Name=|Priority=5",
                                        "Create New Remapping Group|Name=Editing|Priority=3"}));
    EXPECT_EQ(m_Messages.m_Shown, (std::vector<std::string>{"Error: You must provide a name",
                                                            "Error: The name or priority already exists"}));
    EXPECT_TRUE(f_TreeHas("    4: Editing | Ignore no keys"));
    EXPECT_EQ(m_Engine.f_ReadBack()["tables"][1]["groups"][1]["priority"], 4);
}

TEST_F(CCommands, CreateGroupRefusesANameItsLabelWouldNotGiveBack)
{
    const struct
    {
        const char* m_Name;
        const char* m_Priority;
        bool m_bRefused;
    } cases[] = {
        {"A | B", "10", true}, {"A |", "11", true},      {"| A", "12", false},
        {"A|B", "13", false},  {"3: Main", "14", false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.m_Name);
        m_Messages.m_Shown.clear();
        m_Dialogs.m_Shown.clear();
        m_Dialogs.m_Steps.push_back(fg_Enter({c.m_Name, c.m_Priority}));
        ASSERT_TRUE(f_Run({"Remappings", "Main"}, "Create new group"));
        const std::string label = std::string("    ") + c.m_Priority + ": " + c.m_Name + " | Ignore no keys";
        EXPECT_EQ(f_TreeHas(label), !c.m_bRefused) << f_Tree();
        if (c.m_bRefused)
        {
            EXPECT_EQ(m_Messages.m_Shown,
                      (std::vector<std::string>{std::string("Error: ") + gc_BadGroupNameMessage}));
            // Asked again with what was entered.
            ASSERT_EQ(m_Dialogs.m_Shown.size(), 2u);
            EXPECT_EQ(m_Dialogs.m_Shown[1], std::string("Create New Remapping Group|Name=") + c.m_Name +
                                                "|Priority=" + c.m_Priority);
        }
        else
            EXPECT_TRUE(m_Messages.m_Shown.empty());
    }
}

TEST_F(CCommands, AGroupNamedLikeTheLabelOfAnotherIsNeverTakenForIt)
{
    m_Dialogs.m_Steps.push_back(fg_Enter({"3: Main", "0"}));
    ASSERT_TRUE(f_Run({"Remappings", "Main"}, "Create new group"));
    const struct
    {
        const char* m_Label;
        std::size_t m_Changed; // in priority order: 0 "3: Main", 1 "Main"
    } cases[] = {
        {"3: Main | Ignore no keys", 1},
        {"0: 3: Main | Ignore no keys", 0},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.m_Label);
        ASSERT_TRUE(f_Run({"Remappings", "Main", c.m_Label}, "Set group ignore all keys"));
        const auto groups = m_Engine.f_ReadBack()["tables"][1]["groups"];
        EXPECT_EQ(groups[c.m_Changed]["ignore"], nlohmann::json::parse("[[0,0,0]]"));
        EXPECT_EQ(groups[1 - c.m_Changed]["ignore"], nlohmann::json::array()) << groups.dump();
        ASSERT_TRUE(f_Run({"Remappings", "Main", c.m_Label}, "Set group ignore no keys"));
    }
}

TEST(ConfigCommands, CommandsOnEachActionOfOneBindingActOnThatAction)
{
    const std::vector<NTev::CStr> path = fg_Below(gc_Group, {"LCtrl(1) + C(2)", "x"});
    const struct
    {
        std::uint32_t m_Index;
        bool m_bOffersRemapTable;
    } cases[] = {{0, false}, {1, true}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.m_Index);
        CDialogEngine engine(gc_TwoActionsConfiguration);
        CScriptedDialogs dialogs;
        CScriptedRecorder recorder;
        CScriptedMessages messages;
        CConfigCommands commands(engine.m_Engine, dialogs, recorder, recorder, messages);
        CNodeRef node;
        ASSERT_TRUE(gf_IdentifyNode(path, node, c.m_Index));
        const auto run = [&](const char* text)
        {
            for (const CMenuEntry& entry : gf_BuildContextMenu(engine.m_Engine, node))
                if (entry.m_Text == text)
                {
                    commands.f_Run(node, entry);
                    return true;
                }
            return false;
        };
        EXPECT_EQ(fg_MenuText(gf_BuildContextMenu(engine.m_Engine, node)).find("Set remap table") !=
                      std::string::npos,
                  c.m_bOffersRemapTable);
        ASSERT_TRUE(run("Continue Processing Keys"));
        auto actions = engine.f_ReadBack()["tables"][1]["groups"][0]["actions"];
        EXPECT_EQ(actions[c.m_Index]["flags"], 1);
        EXPECT_EQ(actions[1 - c.m_Index]["flags"], 0);
        ASSERT_TRUE(run("Delete action"));
        actions = engine.f_ReadBack()["tables"][1]["groups"][0]["actions"];
        ASSERT_EQ(actions.size(), 1u);
        EXPECT_EQ(actions[0]["kind"], c.m_Index == 0 ? "RemapTable" : "Input");
    }
}

TEST_F(CCommands, CreateKeyBindingRecordsOrdersAndFollowsUpTableSwitching)
{
    // LCtrl then C with the default orders: LCtrl before C.
    m_Recorder.m_Recordings.push_back("LAlt + X");
    m_Dialogs.m_Steps.push_back(fg_Choose(0, "Keboard / Mouse Generate"));
    ASSERT_TRUE(f_Run(gc_Group, "Create new key binding"));
    EXPECT_EQ(m_Recorder.m_Prompts.back(), CInputKeyMapperDlg::mc_PromptTrigger);
    EXPECT_EQ(m_Dialogs.m_Shown.back(),
              "Create New Action|Remap to Type=Keboard / Mouse Generate|Ordering rule for "
              "LAlt=Any|Ordering rule for X=1");
    EXPECT_TRUE(f_TreeHas("      LAlt(1) + X(2)"));
    EXPECT_TRUE(f_TreeHas("        Mouse/Keyboard Generate (  )")) << f_Tree();

    // A table-switching action goes on to ask for its table.
    m_Recorder.m_Recordings.push_back("F11");
    m_Dialogs.m_Steps.push_back(fg_Choose(0, "Change Remapping Table"));
    m_Dialogs.m_Steps.push_back(fg_Choose(0, "Games"));
    ASSERT_TRUE(f_Run(gc_Group, "Create new key binding"));
    EXPECT_EQ(m_Dialogs.m_Shown[1],
              "Create New Action|Remap to Type=Keboard / Mouse Generate|Ordering rule for F11=Any");
    EXPECT_EQ(m_Dialogs.m_Shown[2], "Set action remap table|Remap table=");
    EXPECT_NE(f_Tree().find("      F11(1)\n        ChangeTable ( Games )\n"), std::string::npos) << f_Tree();

    // The same keys again: the binding exists.
    m_Recorder.m_Recordings.push_back("LAlt + X");
    m_Dialogs.m_Steps.push_back(fg_Choose(0, "Kill Key"));
    ASSERT_TRUE(f_Run(gc_Group, "Create new key binding"));
    EXPECT_EQ(m_Messages.m_Shown, (std::vector<std::string>{"Error: Action already exists"}));

    // A cancelled recording changes nothing and shows no dialog.
    const std::size_t shown = m_Dialogs.m_Shown.size();
    ASSERT_TRUE(f_Run(gc_Group, "Create new key binding"));
    EXPECT_EQ(m_Dialogs.m_Shown.size(), shown);
    const auto actions = m_Engine.f_ReadBack()["tables"][1]["groups"][0]["actions"];
    EXPECT_EQ(actions.size(), 4u);
}

TEST_F(CCommands, ActionCommandsChangeTheFile)
{
    const std::vector<NTev::CStr> action = fg_Below(gc_Group, {"LCtrl(1) + C(2)", "x"});
    auto readAction = [&] { return m_Engine.f_ReadBack()["tables"][1]["groups"][0]["actions"][1]; };

    m_Recorder.m_Recordings.push_back("LShift + Z");
    ASSERT_TRUE(f_Run(action, "Record key sequence 0"));
    EXPECT_EQ(m_Recorder.m_Prompts.back(), CInputKeyMapperDlg::mc_PromptGenerate);
    EXPECT_EQ(readAction()["sequences"][0], nlohmann::json::parse("[[0,42,0],[0,44,0]]"));

    m_Recorder.m_Recordings.push_back("RShift");
    ASSERT_TRUE(f_Run(action, "Set temporary release keys"));
    EXPECT_EQ(readAction()["release"], nlohmann::json::parse("[[0,182,0]]"));

    ASSERT_TRUE(f_Run(action, "Continue Processing Keys"));
    EXPECT_EQ(readAction()["flags"], 1);
    EXPECT_NE(f_Menu(action).find("[x] Continue Processing Keys"), std::string::npos);
    ASSERT_TRUE(f_Run(action, "Continue Processing Keys"));
    EXPECT_EQ(readAction()["flags"], 0);

    m_Messages.m_bYes = false;
    ASSERT_TRUE(f_Run(action, "Delete action"));
    EXPECT_EQ(m_Messages.m_Shown.back(), "Waring: Are you sure you want to delete the action?");
    EXPECT_TRUE(f_TreeHas("      LCtrl(1) + C(2)"));
    m_Messages.m_bYes = true;
    ASSERT_TRUE(f_Run(action, "Delete action"));
    EXPECT_FALSE(f_TreeHas("      LCtrl(1) + C(2)"));
    EXPECT_EQ(m_Engine.f_ReadBack()["tables"][1]["groups"][0]["actions"].size(), 1u);
}

TEST_F(CCommands, GroupAndSettingCommands)
{
    m_Recorder.m_Recordings.push_back("LCtrl + LAlt");
    ASSERT_TRUE(f_Run(gc_Group, "Set group don't ignore keys"));
    EXPECT_EQ(m_Recorder.m_Prompts.back(), CInputKeyMapperDlg::mc_PromptIgnore);
    EXPECT_TRUE(f_TreeHas("    3: Main | Dont ignore these keys ( LCtrl + LAlt )")) << f_Tree();
    ASSERT_TRUE(f_Run({"Remappings", "Main", "3: Main | Dont ignore these keys ( LCtrl + LAlt )"},
                      "Set group ignore all keys"));
    EXPECT_TRUE(f_TreeHas("    3: Main | Ignore all keys"));
    ASSERT_TRUE(f_Run({"Remappings", "Main", "3: Main | Ignore all keys"},
                      "Run Actions In This Group When the Table is Activated"));
    EXPECT_EQ(m_Engine.f_ReadBack()["tables"][1]["groups"][0]["flags"], 1);

    const std::vector<NTev::CStr> setting = {"Presets", "Quiet", "Keyboard Repeat Delay | 250"};
    m_Dialogs.m_Steps.push_back(fg_Enter({"300"}));
    ASSERT_TRUE(f_Run(setting, "Set value"));
    EXPECT_EQ(m_Dialogs.m_Shown.back(), "Set setting value|Keyboard Repeat Delay=250");
    EXPECT_TRUE(f_TreeHas("    Keyboard Repeat Delay | * 300"));
    ASSERT_TRUE(f_Run({"Presets", "Quiet", "Keyboard Repeat Delay | * 300"}, "Set to default value"));
    EXPECT_TRUE(f_TreeHas("    Keyboard Repeat Delay | 250"));
}

TEST_F(CCommands, ACommandOnAConfigurationThatCouldNotBeReadSaysSoAndChangesNothing)
{
    // Another process left a file that cannot be read: saving now would overwrite it.
    m_Engine.m_Engine.f_MarkLoadFailed();
    m_Dialogs.m_Steps.push_back(fg_Enter({"Editing"}));
    ASSERT_TRUE(f_Run({"Remappings"}, "Create new remapping table"));
    EXPECT_EQ(m_Messages.m_Shown, (std::vector<std::string>{std::string("Error: ") + gc_NotEditableMessage}));
    EXPECT_TRUE(m_Dialogs.m_Shown.empty());
}

TEST(TrayMenu, OffersTheLaptopEntryOnlyWithALaptopKeyboardAndChecksRemapping)
{
    struct CCase
    {
        bool m_bLaptop;
        bool m_bDisabled;
        bool m_bAdministratorWindows;
        const char* m_Menu;
    };
    const CCase cases[] = {
        {false, false, false, "*Configure|-|[x] Enable Remapping|Remap in administrator windows too|-|Quit|"},
        {false, true, true, "*Configure|-|Enable Remapping|[x] Remap in administrator windows too|-|Quit|"},
        {true, false, false,
         "*Configure|-|Run MacBook Config (Will erase any customization)|[x] Enable Remapping|Remap in "
         "administrator windows too|-|Quit|"},
    };
    for (const CCase& c : cases)
    {
        std::string text;
        for (const CTrayMenuEntry& entry :
             gf_BuildTrayMenu(c.m_bLaptop, c.m_bDisabled, c.m_bAdministratorWindows))
            text += std::string(entry.m_bDefault ? "*" : "") + (entry.m_bChecked ? "[x] " : "") +
                    (entry.m_Command == ETrayCommand::Separator ? "-" : entry.m_Text.f_GetStr()) + "|";
        EXPECT_EQ(text, c.m_Menu);
    }
}

TEST(DialogTicker, RebuildsOnceAfterAChangeAndOffersTheLaptopKeyboardOnceFound)
{
    CDialogEngine engine;
    CDialogTicker ticker(engine.m_Engine);
    EXPECT_FALSE(ticker.f_OnTick().m_bRebuild);
    engine.m_Engine.f_CreateTable("Editing");
    EXPECT_TRUE(ticker.f_OnTick().m_bRebuild);
    EXPECT_FALSE(ticker.f_OnTick().m_bRebuild);
    engine.m_Engine.f_CreateTable("Other");
    ticker.f_NoteRebuilt();
    EXPECT_FALSE(ticker.f_OnTick().m_bRebuild) << "a rebuild after a command shows the change already";

    EXPECT_FALSE(ticker.f_IsLaptopKeyboardFound());
    engine.m_Engine.f_NoteLaptopKeyboardPresent();
    EXPECT_TRUE(ticker.f_OnTick().m_bRunLaptopSetup);
    EXPECT_FALSE(ticker.f_OnTick().m_bRunLaptopSetup);
    EXPECT_TRUE(ticker.f_IsLaptopKeyboardFound());
}

TEST_F(CCommands, AnEditThatCannotBeSavedIsUndoneWithAMessageSayingWhereAndWhy)
{
    const unsigned long denied = gf_SystemErrorCode(ESystemError::AccessDenied);
    const struct
    {
        const char* m_pName;
        std::vector<NTev::CStr> m_Path;
        const char* m_pCommand;
        std::vector<std::string> m_Typed;
    } cases[] = {
        // Not "The name already exists": the name was free, the file could not be written.
        {"create table", {"Remappings"}, "Create new remapping table", {"Fresh"}},
        {"create group", {"Remappings", "Main"}, "Create new group", {"Fresh", "9"}},
        {"delete table", {"Remappings", "Games"}, "Delete remapping table", {}},
        {"default preset", {"Presets", "Quiet"}, "Default preset", {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.m_pName);
        const std::string tree = f_Tree();
        const nlohmann::ordered_json file = m_Engine.f_ReadBack();
        m_Messages.m_Shown.clear();
        if (!c.m_Typed.empty())
            m_Dialogs.m_Steps.push_back(fg_Enter(c.m_Typed));
        m_Engine.m_Engine.m_WriteErrors = {denied};
        ASSERT_TRUE(f_Run(c.m_Path, c.m_pCommand));
        ASSERT_FALSE(m_Messages.m_Shown.empty());
        const std::string shown = m_Messages.m_Shown.back();
        EXPECT_EQ(shown.rfind("Error: Quillon could not save your settings to ", 0), 0u) << shown;
        EXPECT_NE(shown.find("Settings.dat: "), std::string::npos) << shown;
        EXPECT_NE(shown.find(". The change was undone. Make sure"), std::string::npos) << shown;
        EXPECT_EQ(std::count_if(m_Messages.m_Shown.begin(), m_Messages.m_Shown.end(),
                                [](const std::string& text) { return text.rfind("Error: ", 0) == 0; }),
                  1)
            << "one message, the save's";
        EXPECT_EQ(f_Tree(), tree) << "the tree shows what the file holds";
        EXPECT_EQ(m_Engine.f_ReadBack(), file);
    }
}

TEST(SaveFailedMessage, NamesTheFileTheReasonAndWhatToDo)
{
    CMessageHookBase::CSaveFailure failure;
    failure.m_Path = "C:\\Program Files\\Quillon\\Settings.dat";
    failure.m_Error = "Access is denied";
    EXPECT_EQ(std::string(gf_FormatSaveFailedMessage(failure).f_GetStr()),
              "Quillon could not save your settings to C:\\Program Files\\Quillon\\Settings.dat: Access is "
              "denied. The change was undone. Make sure that you can write to that folder and that no "
              "other program keeps the file open, then try again.");
}
