// The key-sequence editor's logic: the keys it offers, what each choice means, and the
// reopen-on-a-changed-count rule, against a host that answers like a user.

#include "ui/EditKeys.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

using NQuillon::CInputDialog;
using NQuillon::CMessageHook;

namespace
{
using CKey = CMessageHook::CKey;

// Answers each dialog with the next step: the step sees the dialog as shown, may change its
// values, and answers OK (true) or Cancel.
class CScriptedHost final : public NQuillon::ICInputDialogHost
{
public:
    bool f_ShowInputDialog(CInputDialog& dialog) override
    {
        m_Shown.push_back(dialog);
        if (m_Steps.empty())
            return false;
        auto step = m_Steps.front();
        m_Steps.erase(m_Steps.begin());
        return step(dialog);
    }
    std::vector<std::function<bool(CInputDialog&)>> m_Steps;
    std::vector<CInputDialog> m_Shown;
};

// Selects the entry with that text.
void fg_Choose(CInputDialog& dialog, std::size_t field, const char* text)
{
    auto& entries = dialog.f_GetField(field).m_Entries;
    auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.m_Text == text; });
    ASSERT_NE(it, entries.end()) << text;
    dialog.f_GetField(field).m_Selected = static_cast<std::int32_t>(it - entries.begin());
}

const char* fg_SelectedText(const CInputDialog& dialog, std::size_t field)
{
    const auto& f = dialog.f_GetField(field);
    return f.m_Selected < 0 ? nullptr : f.m_Entries[static_cast<std::size_t>(f.m_Selected)].m_Text.f_GetStr();
}

const CMessageHook::CKeys gc_Three{{0, 0x1D, 1}, {0, 0x2E, 2}, {1, 1, 0}}; // LCtrl(1) C(2) Mouse-Left(A)
} // namespace

TEST(CEditKeysTest, OffersEveryKeyboardAndMouseCodeSortedByText)
{
    const auto& keys = NQuillon::gf_GetEditableKeys();
    ASSERT_EQ(keys.size(), 255u + 22u);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end(),
                               [](const auto& a, const auto& b) { return a.m_Text < b.m_Text; }));
    auto valueOf = [&](const char* text)
    {
        auto it = std::find_if(keys.begin(), keys.end(), [&](const auto& e) { return e.m_Text == text; });
        return it == keys.end() ? std::int64_t{-1} : it->m_Value;
    };
    EXPECT_EQ(valueOf("LCtrl"), 0x1D);
    EXPECT_EQ(valueOf("RCtrl"), 0x80 + 0x1D);
    EXPECT_EQ(valueOf("KB-90"), 90);
    EXPECT_EQ(valueOf("KB-255"), 255);
    EXPECT_EQ(valueOf("Mouse-Left"), 256 + 1);
    EXPECT_EQ(valueOf("Mouse-WheelDown"), 256 + 22);
    EXPECT_EQ(valueOf("All Keys"), -1);
}

TEST(CEditKeysTest, ShowsTheCountAndOneChoicePerKeyPresetToIt)
{
    const CInputDialog dialog = NQuillon::gf_MakeEditKeysDialog(gc_Three);
    EXPECT_STREQ(dialog.f_GetTitle().f_GetStr(), "Edit Key Sequence");
    EXPECT_STREQ(dialog.f_GetDescription().f_GetStr(), "Edits a key sequence");
    ASSERT_EQ(dialog.f_GetFieldCount(), 4u);
    EXPECT_STREQ(dialog.f_GetField(0).m_Caption.f_GetStr(), "Number of keys");
    EXPECT_EQ(dialog.f_GetField(0).m_Entries.size(), 16u);
    EXPECT_STREQ(dialog.f_GetField(0).m_Entries.back().m_Text.f_GetStr(), "15");
    EXPECT_STREQ(fg_SelectedText(dialog, 0), "3");
    EXPECT_STREQ(dialog.f_GetField(3).m_Caption.f_GetStr(), "Key 2");
    EXPECT_STREQ(fg_SelectedText(dialog, 1), "LCtrl");
    EXPECT_STREQ(fg_SelectedText(dialog, 3), "Mouse-Left");
    // Code 0 has no entry.
    EXPECT_EQ(NQuillon::gf_MakeEditKeysDialog({{0, 0, 0}}).f_GetField(1).m_Selected, -1);
}

TEST(CEditKeysTest, AChosenKeyTakesItsDeviceAndCodeAndKeepsItsOrder)
{
    CScriptedHost host;
    host.m_Steps = {[](CInputDialog& d)
                    {
                        fg_Choose(d, 1, "Mouse-Right");
                        fg_Choose(d, 3, "KB-90");
                        return true;
                    }};
    EXPECT_EQ(NQuillon::EditKeys(host, gc_Three), (CMessageHook::CKeys{{1, 2, 1}, {0, 0x2E, 2}, {0, 90, 0}}));
    EXPECT_EQ(host.m_Shown.size(), 1u);
}

TEST(CEditKeysTest, AGreaterCountReopensWithAddedEmptyKeysThenReturnsThemOnceChosen)
{
    CScriptedHost host;
    host.m_Steps = {[](CInputDialog& d)
                    {
                        fg_Choose(d, 0, "5");
                        return true;
                    },
                    [](CInputDialog& d)
                    {
                        fg_Choose(d, 4, "A");
                        fg_Choose(d, 5, "B");
                        return true;
                    }};
    const CMessageHook::CKeys result = NQuillon::EditKeys(host, gc_Three);
    ASSERT_EQ(host.m_Shown.size(), 2u);
    EXPECT_EQ(host.m_Shown[1].f_GetFieldCount(), 6u);
    EXPECT_STREQ(fg_SelectedText(host.m_Shown[1], 0), "5");
    EXPECT_EQ(host.m_Shown[1].f_GetField(4).m_Selected, -1);
    EXPECT_EQ(host.m_Shown[1].f_GetField(5).m_Selected, -1);
    CMessageHook::CKeys expected = gc_Three;
    expected.f_Add(CKey{0, 0x1E, 0});
    expected.f_Add(CKey{0, 0x30, 0});
    EXPECT_EQ(result, expected);
}

TEST(CEditKeysTest, AddedKeysLeftUnchosenAreAskedForAgainAndNeverReturnedAsAllKeys)
{
    const auto ok = [](CInputDialog&) { return true; };
    const auto cancel = [](CInputDialog&) { return false; };
    const auto choose = [](std::size_t field, const char* text)
    {
        return std::function<bool(CInputDialog&)>(
            [=](CInputDialog& d)
            {
                fg_Choose(d, field, text);
                return true;
            });
    };
    const CMessageHook::CKeys storedEmpty{{0, 0x1D, 1}, {0, 0, 0}};
    const struct
    {
        const char* m_Name;
        CMessageHook::CKeys m_Keys;
        std::vector<std::function<bool(CInputDialog&)>> m_Steps;
        // The description of each dialog shown after the first.
        std::vector<const char*> m_Descriptions;
        CMessageHook::CKeys m_Result;
    } cases[] = {
        {"a stored key without a name stays", storedEmpty, {ok}, {}, storedEmpty},
        {"two added keys unchosen, then cancel",
         gc_Three,
         {choose(0, "5"), ok, cancel},
         {"Edits a key sequence",
          "No key was chosen for Key 3, Key 4. Choose one for each, or lower the Number of keys."},
         gc_Three},
        {"added keys taken away again",
         gc_Three,
         {choose(0, "5"), ok, choose(0, "3"), ok},
         {"Edits a key sequence",
          "No key was chosen for Key 3, Key 4. Choose one for each, or lower the Number of keys.",
          "Edits a key sequence"},
         gc_Three},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.m_Name);
        CScriptedHost host;
        host.m_Steps = c.m_Steps;
        EXPECT_EQ(NQuillon::EditKeys(host, c.m_Keys), c.m_Result);
        ASSERT_EQ(host.m_Shown.size(), c.m_Descriptions.size() + 1);
        for (std::size_t i = 0; i < c.m_Descriptions.size(); ++i)
            EXPECT_STREQ(host.m_Shown[i + 1].f_GetDescription().f_GetStr(), c.m_Descriptions[i]);
    }
}

TEST(CEditKeysTest, ASmallerCountCutsTheListAndKeepsTheChangesMadeBeforeIt)
{
    CScriptedHost host;
    host.m_Steps = {[](CInputDialog& d)
                    {
                        fg_Choose(d, 0, "1");
                        fg_Choose(d, 1, "A");
                        return true;
                    },
                    [](CInputDialog&) { return true; }};
    EXPECT_EQ(NQuillon::EditKeys(host, gc_Three), (CMessageHook::CKeys{{0, 0x1E, 1}}));
    EXPECT_EQ(host.m_Shown[1].f_GetFieldCount(), 2u);
}

TEST(CEditKeysTest, CancelAfterAReopeningReturnsTheListPassedIn)
{
    CScriptedHost host;
    host.m_Steps = {[](CInputDialog& d)
                    {
                        fg_Choose(d, 0, "5");
                        fg_Choose(d, 2, "Z");
                        return true;
                    },
                    [](CInputDialog&) { return false; }};
    EXPECT_EQ(NQuillon::EditKeys(host, gc_Three), gc_Three);
    EXPECT_EQ(host.m_Shown.size(), 2u);
}

TEST(CEditKeysTest, AListLongerThanTheEditorOffersKeepsItsLength)
{
    CMessageHook::CKeys many;
    for (int i = 0; i < 17; ++i)
        many.f_Add(CKey{0, 0x10 + i, 0});
    CScriptedHost host;
    host.m_Steps = {[](CInputDialog& d)
                    {
                        EXPECT_EQ(d.f_GetField(0).m_Selected, -1);
                        return true;
                    }};
    EXPECT_EQ(NQuillon::EditKeys(host, many), many);
    EXPECT_EQ(host.m_Shown.size(), 1u);
}
