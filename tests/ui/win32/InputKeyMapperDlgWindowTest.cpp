// The key recorder under Wine, in a process whose engine does not own input, fed by the
// filter driver's stand-in as hardware: the capture rules as the window shows and returns
// them, and the device closed whenever the window goes.

#include "ui/win32/InputKeyMapperDlgWindow.h"
#include "tests/ui/win32/DialogDriver.h"
#include "tools/filterstandin/FilterStandIn.h"
#include "ui/win32/Resource.h"

#include <gtest/gtest.h>

using NQuillon::CDriverRecord;
using NQuillon::CInputKeyMapperDlg;
using NQuillon::CMessageHook;

namespace
{
constexpr std::uint16_t gc_LCtrl = 0x1D, gc_A = 0x1E, gc_B = 0x30, gc_C = 0x2E;

CDriverRecord fg_Key(std::uint16_t makeCode, bool down)
{
    CDriverRecord record{};
    record.m_Kind = NQuillon::EDriverRecordKind_Keyboard;
    record.m_Keyboard.MakeCode = makeCode;
    record.m_Keyboard.Flags = down ? 0 : NQuillon::KEY_BREAK;
    return record;
}

CDriverRecord fg_Mouse(std::uint16_t buttonFlags, std::int16_t wheel = 0)
{
    CDriverRecord record{};
    record.m_Kind = NQuillon::EDriverRecordKind_Mouse;
    record.m_Mouse.ButtonFlags = buttonFlags;
    record.m_Mouse.ButtonData = static_cast<std::uint16_t>(wheel);
    return record;
}
constexpr std::uint16_t gc_LeftDown = 0x0001, gc_Wheel = 0x0400;

class CRecorderWindowTest : public ::testing::Test
{
protected:
    void SetUp() override { m_StandIn.f_Start(); }
    void TearDown() override
    {
        // A test that failed half-way leaves its recorder open: close it, or the dialog's
        // thread would keep the test waiting.
        if (m_Result.valid() && m_Result.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        {
            if (HWND window = FindWindowA(MAKEINTATOM(32770), m_pDialog->m_Prompt.f_GetStr()))
                NQuillonTest::gf_Close(window);
            m_Result.wait();
        }
        m_StandIn.f_Stop();
    }

    // Opens the recorder and waits until it shows and has opened the device.
    HWND fp_Open(const char* prompt, std::int32_t mode)
    {
        m_pDialog = std::make_unique<CInputKeyMapperDlg>(m_Capture, prompt, mode);
        m_Result = NQuillonTest::gf_RunDialog(
            [this] { return NQuillon::CInputKeyMapperDlgWindow(nullptr).f_RecordKeys(*m_pDialog); });
        HWND window = NQuillonTest::gf_WaitForDialog(prompt);
        EXPECT_TRUE(m_StandIn.f_WaitClients(1, 5000));
        return window;
    }
    void fp_Feed(std::initializer_list<CDriverRecord> records)
    {
        m_StandIn.f_Feed(records.begin(), records.size());
    }
    std::string fp_WaitText(HWND window, const std::string& expected)
    {
        return NQuillonTest::gf_WaitForText(window, IDC_CAPTURED_KEYS, expected);
    }
    bool fp_DeviceClosed()
    {
        for (int i = 0; i < 500 && m_StandIn.f_GetClientCount() != 0; ++i)
            Sleep(10);
        return m_StandIn.f_GetClientCount() == 0;
    }

    NQuillon::CFilterStandIn m_StandIn;
    CMessageHook m_Engine;
    NQuillon::CEngineKeyCapture m_Capture{m_Engine};
    std::unique_ptr<CInputKeyMapperDlg> m_pDialog;
    std::future<CInputKeyMapperDlg::EResult> m_Result;
};
} // namespace

TEST_F(CRecorderWindowTest, ModeOneEndsAtTheFirstReleaseWithTheKeysPressed)
{
    HWND window = fp_Open(CInputKeyMapperDlg::mc_PromptTrigger, 1);
    ASSERT_NE(window, nullptr);
    fp_Feed({fg_Key(gc_LCtrl, true)});
    fp_Feed({fg_Key(gc_C, true)});
    EXPECT_EQ(fp_WaitText(window, "K:LCtrl + K:C"), "K:LCtrl + K:C");
    fp_Feed({fg_Key(gc_C, false)});
    ASSERT_TRUE(NQuillonTest::gf_Ends(m_Result));
    EXPECT_EQ(m_Result.get(), CInputKeyMapperDlg::EResult_Done);
    EXPECT_EQ(m_pDialog->m_Keys, (CMessageHook::CKeys{{0, gc_LCtrl, 0}, {0, gc_C, 0}}));
    EXPECT_TRUE(fp_DeviceClosed());
    // Keys pressed while capturing are swallowed: nothing went back to the system.
    EXPECT_TRUE(m_StandIn.f_GetWritten().empty());
}

TEST_F(CRecorderWindowTest, ModeTwoEndsWhenACapturedKeyComesAgainAndIgnoresRepeats)
{
    HWND window = fp_Open(CInputKeyMapperDlg::mc_PromptIgnore, 2);
    ASSERT_NE(window, nullptr);
    // A, held: its hardware repeat adds nothing and ends nothing.
    fp_Feed({fg_Key(gc_A, true)});
    fp_Feed({fg_Key(gc_A, true)});
    fp_Feed({fg_Key(gc_A, true)});
    fp_Feed({fg_Key(gc_A, false), fg_Key(gc_B, true), fg_Key(gc_B, false)});
    EXPECT_EQ(fp_WaitText(window, "K:A + K:B"), "K:A + K:B");
    EXPECT_EQ(m_Result.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    fp_Feed({fg_Key(gc_A, true)});
    ASSERT_TRUE(NQuillonTest::gf_Ends(m_Result));
    EXPECT_EQ(m_Result.get(), CInputKeyMapperDlg::EResult_Done);
    EXPECT_EQ(m_pDialog->m_Keys, (CMessageHook::CKeys{{0, gc_A, 0}, {0, gc_B, 0}}));
}

TEST_F(CRecorderWindowTest, OneWheelStepDownEndsModeOne)
{
    HWND window = fp_Open(CInputKeyMapperDlg::mc_PromptTrigger, 1);
    ASSERT_NE(window, nullptr);
    fp_Feed({fg_Mouse(gc_Wheel, -120)});
    ASSERT_TRUE(NQuillonTest::gf_Ends(m_Result));
    EXPECT_EQ(m_Result.get(), CInputKeyMapperDlg::EResult_Done);
    EXPECT_EQ(m_pDialog->m_Keys, (CMessageHook::CKeys{{1, CMessageHook::mc_WheelBackward, 0}}));
}

TEST_F(CRecorderWindowTest, ShowsKeyboardAndMouseKeysAndClosingCancelsAndClosesTheDevice)
{
    HWND window = fp_Open(CInputKeyMapperDlg::mc_PromptGenerate, 2);
    ASSERT_NE(window, nullptr);
    fp_Feed({fg_Key(gc_LCtrl, true)});
    fp_Feed({fg_Mouse(gc_LeftDown)});
    EXPECT_EQ(fp_WaitText(window, "K:LCtrl + M:Mouse-Left"), "K:LCtrl + M:Mouse-Left");
    NQuillonTest::gf_Close(window);
    ASSERT_TRUE(NQuillonTest::gf_Ends(m_Result));
    EXPECT_EQ(m_Result.get(), CInputKeyMapperDlg::EResult_Closed);
    EXPECT_TRUE(fp_DeviceClosed());
    EXPECT_EQ(m_Engine.m_CaptureMode, 0);
}

TEST_F(CRecorderWindowTest, EnterAndEscapeAreRecordedNotAnswered)
{
    HWND window = fp_Open(CInputKeyMapperDlg::mc_PromptRelease, 2);
    ASSERT_NE(window, nullptr);
    NQuillonTest::gf_PressKey(window, VK_ESCAPE);
    NQuillonTest::gf_PressKey(window, VK_RETURN);
    EXPECT_EQ(m_Result.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    NQuillonTest::gf_Close(window);
    ASSERT_TRUE(NQuillonTest::gf_Ends(m_Result));
    EXPECT_EQ(m_Result.get(), CInputKeyMapperDlg::EResult_Closed);
}

// Injected input of another program counts as the keyboard's (an on-screen keyboard).
void fg_Inject(WORD scanCode, bool down)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = scanCode;
    input.ki.wVk = static_cast<WORD>(MapVirtualKeyA(scanCode, MAPVK_VSC_TO_VK));
    input.ki.dwFlags = KEYEVENTF_SCANCODE | (down ? 0 : KEYEVENTF_KEYUP);
    SendInput(1, &input, sizeof input);
}

TEST_F(CRecorderWindowTest, WithoutTheDeviceItRecordsThroughLowLevelHooks)
{
    m_StandIn.f_Stop();
    CInputKeyMapperDlg dialog(m_Capture, CInputKeyMapperDlg::mc_PromptTrigger, 1);
    auto result = NQuillonTest::gf_RunDialog(
        [&] { return NQuillon::CInputKeyMapperDlgWindow(nullptr).f_RecordKeys(dialog); });
    HWND window = NQuillonTest::gf_WaitForDialog(CInputKeyMapperDlg::mc_PromptTrigger);
    ASSERT_NE(window, nullptr);
    ASSERT_NE(FindWindowW(L"QuillonHookWindow", nullptr), nullptr) << "no hooks record the keys";
    fg_Inject(gc_LCtrl, true);
    fg_Inject(gc_C, true);
    EXPECT_EQ(fp_WaitText(window, "K:LCtrl + K:C"), "K:LCtrl + K:C");
    fg_Inject(gc_C, false);
    fg_Inject(gc_LCtrl, false);
    ASSERT_TRUE(NQuillonTest::gf_Ends(result));
    EXPECT_EQ(result.get(), CInputKeyMapperDlg::EResult_Done);
    EXPECT_EQ(dialog.m_Keys, (CMessageHook::CKeys{{0, gc_LCtrl, 0}, {0, gc_C, 0}}));
    EXPECT_EQ(m_Engine.m_CaptureMode, 0);
    // The recording's hooks went with it.
    for (int i = 0; i < 500 && FindWindowW(L"QuillonHookWindow", nullptr); ++i)
        Sleep(10);
    EXPECT_EQ(FindWindowW(L"QuillonHookWindow", nullptr), nullptr);
}
