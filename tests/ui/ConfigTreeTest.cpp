// The configuration tree: its labels, finding a node's model object again from its labels, and
// the rebuild that keeps what did not change.

#include "ui/TreeSync.h"

#include "tests/ui/ConfigUiTestSupport.h"

#include <gtest/gtest.h>

#include <map>

using namespace NQuillon;
using namespace NQuillonTest;

TEST(ConfigTree, LabelsEveryKindOfNode)
{
    CDialogEngine engine;
    EXPECT_EQ(gf_TreeText(gf_BuildConfigTree(engine.m_Engine)),
              "Presets\n"
              "  Default\n"
              "    Keyboard Repeat Rate | * 40\n"
              "    Keyboard Repeat Delay | 250\n"
              "    Keyboard Enable Remote Desktop Hack | 0\n"
              "    Mouse Wheel Acceleration | 1.0\n"
              "    Mouse Wheel Sensitivity | 100.0\n"
              "    Mouse Wheel Acceleration Delay | 0.0\n"
              "    Mouse Acceleration | 1.0\n"
              "  Quiet\n"
              "    Keyboard Repeat Rate | 30\n"
              "    Keyboard Repeat Delay | 250\n"
              "    Keyboard Enable Remote Desktop Hack | 0\n"
              "    Mouse Wheel Acceleration | 1.0\n"
              "    Mouse Wheel Sensitivity | 100.0\n"
              "    Mouse Wheel Acceleration Delay | 0.0\n"
              "    Mouse Acceleration | 1.0\n"
              "Remappings\n"
              "  Games\n"
              "  Main\n"
              "    3: Main | Ignore no keys\n"
              "      F12(1)\n"
              "        ChangeTable ( Games )\n"
              "      LCtrl(1) + C(2)\n"
              "        Mouse/Keyboard Generate ( LCtrl + V )\n"
              "    7: Mouse | Ignore all keys\n");
}

TEST(ConfigTree, IdentifiesTheModelObjectOfEveryNode)
{
    struct CCase
    {
        std::vector<NTev::CStr> m_Path;
        ENodeKind m_Kind;
        const char* m_Preset;
        const char* m_Setting;
        const char* m_Table;
        const char* m_Group;
        const char* m_Keys;
    };
    const CCase cases[] = {
        {{"Presets"}, ENodeKind::PresetsRoot, "", "", "", "", ""},
        {{"Presets", "Default"}, ENodeKind::Preset, "Default", "", "", "", ""},
        {{"Presets", "Default", "Keyboard Repeat Rate | * 40"},
         ENodeKind::Setting,
         "Default",
         "Keyboard Repeat Rate",
         "",
         "",
         ""},
        {{"Remappings"}, ENodeKind::TablesRoot, "", "", "", "", ""},
        {{"Remappings", "Main"}, ENodeKind::Table, "", "", "Main", "", ""},
        {{"Remappings", "Main", "3: Main | Ignore no keys"},
         ENodeKind::Group,
         "",
         "",
         "Main",
         "3: Main | Ignore no keys",
         ""},
        {{"Remappings", "Main", "3: Main | Ignore no keys", "LCtrl(1) + C(2)"},
         ENodeKind::Binding,
         "",
         "",
         "Main",
         "3: Main | Ignore no keys",
         "LCtrl + C"},
        {{"Remappings", "Main", "3: Main | Ignore no keys", "LCtrl(1) + C(2)",
          "Mouse/Keyboard Generate ( LCtrl + V )"},
         ENodeKind::Action,
         "",
         "",
         "Main",
         "3: Main | Ignore no keys",
         "LCtrl + C"},
    };
    for (const CCase& c : cases)
    {
        CNodeRef node;
        ASSERT_TRUE(gf_IdentifyNode(c.m_Path, node)) << c.m_Path.back().f_GetStr();
        EXPECT_EQ(node.m_Kind, c.m_Kind) << c.m_Path.back().f_GetStr();
        EXPECT_STREQ(node.m_Preset.f_GetStr(), c.m_Preset);
        EXPECT_STREQ(node.m_Setting.f_GetStr(), c.m_Setting);
        EXPECT_STREQ(node.m_Table.f_GetStr(), c.m_Table);
        EXPECT_STREQ(node.m_Group.f_GetStr(), c.m_Group);
        EXPECT_STREQ(CMessageHook::f_FormatKeys(node.m_TriggerKeys, false).f_GetStr(), c.m_Keys);
    }
    CNodeRef node;
    EXPECT_FALSE(gf_IdentifyNode({"Elsewhere"}, node));
    EXPECT_FALSE(gf_IdentifyNode({"Presets", "Default", "Keyboard Repeat Rate | 30", "deeper"}, node));
}

namespace
{
// A tree control in memory; items keep an expanded flag the rebuild must not touch.
class CFakeTree final : public ICTreeControl
{
public:
    struct CItemData
    {
        CItem m_Parent = 0;
        NTev::CStr m_Label;
        bool m_bExpanded = false;
    };

    std::vector<CItem> f_GetChildren(CItem parent) override { return m_Children[parent]; }
    CItem f_GetParent(CItem item) override { return m_Items.at(item).m_Parent; }
    NTev::CStr f_GetLabel(CItem item) override { return m_Items.at(item).m_Label; }
    void f_SetLabel(CItem item, const char* label) override
    {
        m_Items.at(item).m_Label = label;
        ++m_Relabels;
    }
    CItem f_InsertItem(CItem parent, CItem after, const char* label) override
    {
        const CItem item = ++m_Last;
        m_Items[item] = {parent, label};
        std::vector<CItem>& siblings = m_Children[parent];
        auto position = after ? std::find(siblings.begin(), siblings.end(), after) + 1 : siblings.begin();
        siblings.insert(position, item);
        ++m_Inserts;
        return item;
    }
    void f_DeleteItem(CItem item) override
    {
        for (CItem child : std::vector<CItem>(m_Children[item]))
            f_DeleteItem(child);
        std::vector<CItem>& siblings = m_Children[m_Items.at(item).m_Parent];
        siblings.erase(std::find(siblings.begin(), siblings.end(), item));
        m_Items.erase(item);
        m_Children.erase(item);
    }
    // The item with that path of labels, or 0.
    CItem f_Find(const std::vector<std::string>& path)
    {
        CItem item = 0;
        for (const std::string& label : path)
        {
            CItem found = 0;
            for (CItem child : m_Children[item])
                if (m_Items.at(child).m_Label == label.c_str())
                    found = child;
            if (!found)
                return 0;
            item = found;
        }
        return item;
    }
    std::string f_Text(CItem parent = 0, int depth = 0)
    {
        std::string text;
        for (CItem child : m_Children[parent])
            text += std::string(static_cast<std::size_t>(depth) * 2, ' ') +
                    m_Items.at(child).m_Label.f_GetStr() + "\n" + f_Text(child, depth + 1);
        return text;
    }

    std::map<CItem, CItemData> m_Items;
    std::map<CItem, std::vector<CItem>> m_Children;
    CItem m_Last = 0;
    int m_Inserts = 0;
    int m_Relabels = 0;
};
} // namespace

TEST(ConfigTree, RebuildKeepsUnchangedItemsAndPutsNewOnesInModelOrder)
{
    CDialogEngine engine;
    CMessageHook& hook = engine.m_Engine;
    CFakeTree tree;
    gf_SyncTree(tree, 0, gf_BuildConfigTree(hook));
    EXPECT_EQ(tree.f_Text(), gf_TreeText(gf_BuildConfigTree(hook)));
    const auto group = tree.f_Find({"Remappings", "Main", "3: Main | Ignore no keys"});
    const auto binding = tree.f_Find({"Remappings", "Main", "3: Main | Ignore no keys", "LCtrl(1) + C(2)"});
    const auto setting = tree.f_Find({"Presets", "Quiet", "Keyboard Repeat Rate | 30"});
    const auto mouse = tree.f_Find({"Remappings", "Main", "7: Mouse | Ignore all keys"});
    ASSERT_TRUE(group && binding && setting && mouse);
    tree.m_Items[group].m_bExpanded = true;
    const int inserted = tree.m_Inserts;

    ASSERT_TRUE(hook.f_CreateTable("Editing"));
    ASSERT_TRUE(hook.f_SetPresetSettingValue("Quiet", "Keyboard Repeat Rate", "20"));
    ASSERT_TRUE(hook.f_SetGroupIgnoreKeys("Main", "Main", CMessageHook::CKeys{CMessageHook::CKey{}}));
    ASSERT_TRUE(hook.f_DeleteGroup("Main", "Mouse"));
    ASSERT_TRUE(hook.f_SetGenerateSequence("Main", "Main", CMessageHook::f_ParseKeys("LCtrl + C"), 0,
                                           CMessageHook::f_ParseKeys("V")));
    gf_SyncTree(tree, 0, gf_BuildConfigTree(hook));

    EXPECT_EQ(tree.f_Text(), gf_TreeText(gf_BuildConfigTree(hook)));
    EXPECT_EQ(tree.m_Inserts - inserted, 1) << "only the new table is a new item";
    // The group whose ignore rule changed, its binding and the setting whose value changed
    // are the same items as before.
    EXPECT_EQ(tree.f_Find({"Remappings", "Main", "3: Main | Ignore all keys"}), group);
    EXPECT_TRUE(tree.m_Items[group].m_bExpanded);
    EXPECT_EQ(tree.f_Find({"Remappings", "Main", "3: Main | Ignore all keys", "LCtrl(1) + C(2)"}), binding);
    EXPECT_EQ(tree.f_Find({"Presets", "Quiet", "Keyboard Repeat Rate | * 20"}), setting);
    EXPECT_EQ(tree.m_Items.count(mouse), 0u);
    // A command's node is found again by the labels it had when its menu opened.
    EXPECT_EQ(gf_FindItem(tree, {"Remappings", "Main", "3: Main | Ignore no keys", "LCtrl(1) + C(2)"}),
              binding);
    EXPECT_EQ(gf_FindItem(tree, {"Presets", "Quiet", "Keyboard Repeat Rate | 30"}), setting);
    EXPECT_EQ(gf_FindItem(tree, {"Remappings", "Main", "7: Mouse | Ignore all keys"}), 0u);
    EXPECT_EQ(
        gf_GetItemPath(tree, binding),
        (std::vector<NTev::CStr>{"Remappings", "Main", "3: Main | Ignore all keys", "LCtrl(1) + C(2)"}));
}

TEST(ConfigTree, ActionsOnTheSameKeysShareOneBindingNodeAndAreFoundByTheirPlace)
{
    CDialogEngine engine(gc_TwoActionsConfiguration);
    const std::string text = gf_TreeText(gf_BuildConfigTree(engine.m_Engine));
    EXPECT_NE(text.find("    3: Main | Ignore no keys\n"
                        "      LCtrl(1) + C(2)\n"
                        "        Mouse/Keyboard Generate ( LCtrl + V )\n"
                        "        ChangeTable ( Games )\n"),
              std::string::npos)
        << text;
    CFakeTree tree;
    gf_SyncTree(tree, 0, gf_BuildConfigTree(engine.m_Engine));
    const std::vector<NTev::CStr> binding = {"Remappings", "Main", "3: Main | Ignore no keys",
                                             "LCtrl(1) + C(2)"};
    const struct
    {
        std::uint32_t m_Index;
        const char* m_Label; // null: no such item
    } cases[] = {
        {0, "Mouse/Keyboard Generate ( LCtrl + V )"},
        {1, "ChangeTable ( Games )"},
        {2, nullptr},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.m_Index);
        std::vector<NTev::CStr> path = binding;
        path.push_back("any description");
        const ICTreeControl::CItem item = gf_FindItem(tree, path, c.m_Index);
        if (!c.m_Label)
        {
            EXPECT_EQ(item, 0u);
            continue;
        }
        ASSERT_NE(item, 0u);
        EXPECT_STREQ(tree.f_GetLabel(item).f_GetStr(), c.m_Label);
        EXPECT_EQ(gf_GetItemIndex(tree, item), c.m_Index);
        CNodeRef node;
        ASSERT_TRUE(gf_IdentifyNode(gf_GetItemPath(tree, item), node, gf_GetItemIndex(tree, item)));
        EXPECT_EQ(node.m_ActionIndex, c.m_Index);
    }
}
