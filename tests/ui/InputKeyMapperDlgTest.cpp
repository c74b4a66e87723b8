// The key recorder's logic against a scripted capture: what it shows, when it ends, and that
// the capture always ends with the window.

#include "ui/InputKeyMapperDlg.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

using NQuillon::CInputKeyMapperDlg;
using NQuillon::CMessageHook;

namespace
{
class CScriptedCapture final : public NQuillon::ICKeyCapture
{
public:
    struct CPoll
    {
        CMessageHook::CKeys m_Keys;
        bool m_bFinished = false;
    };

    bool f_SetCaptureMode(std::int32_t mode) override
    {
        m_Modes.push_back(mode);
        return m_bDevice;
    }
    bool f_GetCapturedKeys(CMessageHook::CKeys& keys) override
    {
        if (m_Polls.empty())
            return false;
        keys = m_Polls.front().m_Keys;
        const bool finished = m_Polls.front().m_bFinished;
        m_Polls.pop_front();
        return finished;
    }
    void f_EndCapture() override { ++m_Ends; }

    bool m_bDevice = true;
    std::deque<CPoll> m_Polls;
    std::vector<std::int32_t> m_Modes;
    int m_Ends = 0;
};

constexpr CMessageHook::CKey gc_LCtrl{0, 0x1D, 0}, gc_C{0, 0x2E, 0}, gc_MouseLeft{1, 1, 0};
} // namespace

struct CRecorderTextCase
{
    CMessageHook::CKeys m_Keys;
    const char* m_Text;
};

class CRecorderTextTest : public ::testing::TestWithParam<CRecorderTextCase>
{
};

TEST_P(CRecorderTextTest, WritesEveryKeyKindWithItsDevicePrefix)
{
    EXPECT_STREQ(CInputKeyMapperDlg::fs_FormatKeys(GetParam().m_Keys).f_GetStr(), GetParam().m_Text);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, CRecorderTextTest,
    ::testing::Values(CRecorderTextCase{{}, ""},
                      CRecorderTextCase{{gc_LCtrl, gc_MouseLeft}, "K:LCtrl + M:Mouse-Left"},
                      CRecorderTextCase{{{0, 0x80 + 0x1D, 0}}, "K:RCtrl"}, // extended key
                      CRecorderTextCase{{{0, 90, 0}}, "K:KB-90"},          // unnamed code
                      CRecorderTextCase{{{1, 22, 0}, {1, 21, 0}}, "M:Mouse-WheelDown + M:Mouse-WheelUp"},
                      CRecorderTextCase{{{1, 5, 0}, {0, 0x1E, 0}, {1, 3, 0}},
                                        "M:Mouse-5 + K:A + M:Mouse-Middle"}));

TEST(CInputKeyMapperDlgTest, ShowsTheKeysWhileRecordingAndEndsDoneWithThem)
{
    CScriptedCapture capture;
    capture.m_Polls = {{{gc_LCtrl}, false}, {{gc_LCtrl, gc_C}, false}, {{gc_LCtrl, gc_C}, true}};
    CInputKeyMapperDlg dialog(capture, CInputKeyMapperDlg::mc_PromptIgnore, 2);
    ASSERT_TRUE(dialog.f_OnOpen());
    EXPECT_EQ(capture.m_Modes, std::vector<std::int32_t>{2});
    EXPECT_FALSE(dialog.f_OnTick());
    EXPECT_STREQ(dialog.f_GetText().f_GetStr(), "K:LCtrl");
    EXPECT_FALSE(dialog.f_OnTick());
    EXPECT_TRUE(dialog.f_OnTick());
    EXPECT_EQ(dialog.m_Keys, (CMessageHook::CKeys{gc_LCtrl, gc_C}));
    EXPECT_STREQ(dialog.f_GetText().f_GetStr(), "K:LCtrl + K:C");
    EXPECT_EQ(capture.m_Ends, 0);
    dialog.f_OnClose();
    EXPECT_EQ(capture.m_Ends, 1);
}

TEST(CInputKeyMapperDlgTest, WithoutADeviceItClosesAtOnceAndEndsNothing)
{
    CScriptedCapture capture;
    capture.m_bDevice = false;
    {
        CInputKeyMapperDlg dialog(capture, CInputKeyMapperDlg::mc_PromptTrigger);
        EXPECT_FALSE(dialog.f_OnOpen());
        EXPECT_FALSE(dialog.f_OnTick());
        EXPECT_TRUE(dialog.m_Keys.f_IsEmpty());
        dialog.f_OnClose();
    }
    EXPECT_EQ(capture.m_Modes, std::vector<std::int32_t>{1});
    EXPECT_EQ(capture.m_Ends, 0);
}

TEST(CInputKeyMapperDlgTest, TheCaptureEndsOnceHoweverTheWindowGoes)
{
    CScriptedCapture capture;
    {
        CInputKeyMapperDlg dialog(capture, CInputKeyMapperDlg::mc_PromptTrigger);
        ASSERT_TRUE(dialog.f_OnOpen());
        dialog.f_OnClose();
        dialog.f_OnClose();
    }
    EXPECT_EQ(capture.m_Ends, 1);
    {
        // Destroyed without a close event: still ended.
        CInputKeyMapperDlg dialog(capture, CInputKeyMapperDlg::mc_PromptTrigger);
        ASSERT_TRUE(dialog.f_OnOpen());
    }
    EXPECT_EQ(capture.m_Ends, 2);
}

TEST(CInputKeyMapperDlgTest, AReleaseBeforeAnyCapturedKeyStartsTheCaptureOver)
{
    CScriptedCapture capture;
    // The Enter that chose the command comes up first and ends the mode-1 capture empty.
    capture.m_Polls = {{{}, true}, {{gc_C}, false}, {{gc_C}, true}};
    CInputKeyMapperDlg dialog(capture, CInputKeyMapperDlg::mc_PromptTrigger, 1);
    ASSERT_TRUE(dialog.f_OnOpen());
    EXPECT_FALSE(dialog.f_OnTick());
    EXPECT_EQ(capture.m_Modes, (std::vector<std::int32_t>{1, 1}));
    EXPECT_FALSE(dialog.f_OnTick());
    EXPECT_TRUE(dialog.f_OnTick());
    EXPECT_EQ(dialog.m_Keys, CMessageHook::CKeys{gc_C});
}
