#include "tools/filterstandin/FilterScript.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace NQuillon;

namespace
{
std::vector<CFilterScriptStep> fg_Parse(const std::string& text)
{
    return gf_ParseFilterScript(text);
}

// The message of the error the script raises, or "" when it parses.
std::string fg_Error(const std::string& text)
{
    try
    {
        gf_ParseFilterScript(text);
    }
    catch (const CFilterScriptError& error)
    {
        return error.m_Message;
    }
    return "";
}

bool fg_Same(const CDriverRecord& left, const CDriverRecord& right)
{
    return std::memcmp(&left, &right, sizeof(CDriverRecord)) == 0;
}
} // namespace

TEST(FilterScript, KeyCodesInHexDecimalAndByName)
{
    const auto steps = fg_Parse("key 0x1E down\nkey 30 up\nKEY a Down\n");
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_TRUE(fg_Same(steps[0].m_Records.at(0), gf_MakeKeyRecord(0x1E, 0)));
    EXPECT_TRUE(fg_Same(steps[1].m_Records.at(0), gf_MakeKeyRecord(0x1E, KEY_BREAK)));
    EXPECT_TRUE(fg_Same(steps[2].m_Records.at(0), gf_MakeKeyRecord(0x1E, 0)));
    EXPECT_EQ(steps[2].m_Line, 3);
    EXPECT_EQ(steps[0].m_Kind, CFilterScriptStep::EKind::Feed);
}

TEST(FilterScript, PrefixesAndExtendedKeyNames)
{
    const auto steps = fg_Parse("key 0x1D e0 up\nkey 0x1D e1 down\nkey RCtrl up\n");
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_TRUE(fg_Same(steps[0].m_Records[0], gf_MakeKeyRecord(0x1D, KEY_E0 | KEY_BREAK)));
    EXPECT_TRUE(fg_Same(steps[1].m_Records[0], gf_MakeKeyRecord(0x1D, KEY_E1)));
    // A name of an extended key carries its prefix.
    EXPECT_TRUE(fg_Same(steps[2].m_Records[0], gf_MakeKeyRecord(0x1D, KEY_E0 | KEY_BREAK)));
}

TEST(FilterScript, MouseRecords)
{
    const auto steps = fg_Parse("mouse move 5 -3\nmouse move 100 200 abs\nmouse wheel -120\n"
                                "mouse left down\nmouse x2 up\nmouse 3 down\n");
    ASSERT_EQ(steps.size(), 6u);
    EXPECT_TRUE(fg_Same(steps[0].m_Records[0], gf_MakeMouseRecord(0, 0, 0, 5, -3)));
    EXPECT_TRUE(fg_Same(steps[1].m_Records[0], gf_MakeMouseRecord(MOUSE_MOVE_ABSOLUTE, 0, 0, 100, 200)));
    EXPECT_TRUE(fg_Same(steps[2].m_Records[0], gf_MakeMouseRecord(0, MOUSE_WHEEL, -120, 0, 0)));
    EXPECT_TRUE(fg_Same(steps[3].m_Records[0], gf_MakeMouseRecord(0, 0x0001, 0, 0, 0)));
    EXPECT_TRUE(fg_Same(steps[4].m_Records[0], gf_MakeMouseRecord(0, 0x0200, 0, 0, 0)));
    EXPECT_TRUE(fg_Same(steps[5].m_Records[0], gf_MakeMouseRecord(0, 0x0010, 0, 0, 0)));
    EXPECT_EQ(steps[2].m_Records[0].m_Mouse.ButtonData, 0xFF88);
}

TEST(FilterScript, BatchesWaitsAndComments)
{
    const auto steps = fg_Parse("# a comment\n\n  batch  \nkey 0x2A down # shift\n"
                                "key 0x1E down\nend\nwait 50\nmouse wheel 120\n");
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].m_Kind, CFilterScriptStep::EKind::Feed);
    EXPECT_EQ(steps[0].m_Line, 3);
    ASSERT_EQ(steps[0].m_Records.size(), 2u);
    EXPECT_EQ(steps[0].m_Records[0].m_Keyboard.MakeCode, 0x2A);
    EXPECT_EQ(steps[0].m_Records[1].m_Keyboard.MakeCode, 0x1E);
    EXPECT_EQ(steps[1].m_Kind, CFilterScriptStep::EKind::Wait);
    EXPECT_EQ(steps[1].m_WaitMs, 50u);
    EXPECT_EQ(steps[2].m_Records.size(), 1u);
    EXPECT_TRUE(fg_Parse("").empty());
    EXPECT_TRUE(fg_Parse("# only\n\r\n").empty());
}

TEST(FilterScript, ErrorsNameTheLine)
{
    EXPECT_EQ(fg_Error("key 0x1E down\npress 1\n"),
              "line 2: unknown command \"press\" (key, mouse, batch, end, wait)");
    EXPECT_EQ(fg_Error("key Nokey down"),
              "line 1: unknown key \"Nokey\" (give a scan code such as 0x1E or a key name)");
    EXPECT_EQ(fg_Error("key 0x1E"), "line 1: expected \"key CODE [e0|e1] down|up\"");
    EXPECT_EQ(fg_Error("key 0x1E sideways"), "line 1: expected down or up, not \"sideways\"");
    EXPECT_EQ(fg_Error("key 0x1E e2 up"), "line 1: expected e0 or e1, not \"e2\"");
    EXPECT_EQ(fg_Error("key 0x10000 up"),
              "line 1: unknown key \"0x10000\" (give a scan code such as 0x1E or a key name)");
    EXPECT_EQ(fg_Error("mouse wheel 40000"),
              "line 1: wheel delta \"40000\" is not a number from -32768 to 32767");
    EXPECT_EQ(fg_Error("mouse move 1"), "line 1: expected \"mouse move DX DY [abs]\"");
    EXPECT_EQ(fg_Error("mouse move 1 2 rel"), "line 1: expected abs, not \"rel\"");
    EXPECT_EQ(fg_Error("mouse move 1x 2"),
              "line 1: DX \"1x\" is not a number from -2147483648 to 2147483647");
    EXPECT_EQ(fg_Error("mouse thumb down"),
              "line 1: unknown mouse event \"thumb\" (move, wheel, left, right, middle, x1, x2)");
    EXPECT_EQ(fg_Error("mouse"),
              "line 1: expected \"mouse move DX DY [abs]\", \"mouse wheel N\" or \"mouse BUTTON down|up\"");
    EXPECT_EQ(fg_Error("wait"), "line 1: expected \"wait MS\"");
    EXPECT_EQ(fg_Error("wait -5"), "line 1: MS \"-5\" is not a number from 0 to 3600000");
}

TEST(FilterScript, BatchErrors)
{
    EXPECT_EQ(fg_Error("batch\nbatch\n"), "line 2: batch inside a batch (the one of line 1 has no end)");
    EXPECT_EQ(fg_Error("end\n"), "line 1: end without batch");
    EXPECT_EQ(fg_Error("batch\nend\n"), "line 2: empty batch");
    EXPECT_EQ(fg_Error("\nbatch\nkey 1 down\n"), "line 2: batch without end");
    EXPECT_EQ(fg_Error("batch\nwait 5\nend\n"), "line 2: wait inside a batch");
    EXPECT_EQ(fg_Error("batch now\n"), "line 1: expected \"batch\"");
}

TEST(FilterScript, DescribesKeyboardRecords)
{
    EXPECT_EQ(gf_DescribeDriverRecord(gf_MakeKeyRecord(0x1E, 0)), "key 0x1E (A) down");
    EXPECT_EQ(gf_DescribeDriverRecord(gf_MakeKeyRecord(0x1D, KEY_E0 | KEY_BREAK)), "key 0x1D e0 (RCtrl) up");
    EXPECT_EQ(gf_DescribeDriverRecord(gf_MakeKeyRecord(0x1D, KEY_E1)), "key 0x1D e1 (LCtrl) down");
    EXPECT_EQ(gf_DescribeDriverRecord(gf_MakeKeyRecord(0x1FF, 0x10)), "key 0x1FF down flags 0x0010");
}

TEST(FilterScript, DescribesMouseRecords)
{
    EXPECT_EQ(gf_DescribeDriverRecord(gf_MakeMouseRecord(0, 0, 0, 5, -3)), "mouse move 5 -3");
    EXPECT_EQ(gf_DescribeDriverRecord(gf_MakeMouseRecord(MOUSE_MOVE_ABSOLUTE, 0, 0, 0, 0)),
              "mouse move 0 0 abs");
    EXPECT_EQ(gf_DescribeDriverRecord(gf_MakeMouseRecord(0, MOUSE_WHEEL, -120, 0, 0)), "mouse wheel -120");
    EXPECT_EQ(gf_DescribeDriverRecord(gf_MakeMouseRecord(0, 0x0001 | 0x0008 | MOUSE_WHEEL, 120, 1, 2)),
              "mouse move 1 2 wheel 120 left down right up");
    EXPECT_EQ(gf_DescribeDriverRecord(gf_MakeMouseRecord(0, 0x0800, 0, 0, 0)), "mouse buttons 0x0800");
    EXPECT_EQ(gf_DescribeDriverRecord(gf_MakeMouseRecord(0, 0, 0, 0, 0)), "mouse (nothing)");
    CDriverRecord odd = gf_MakeKeyRecord(1, 0);
    odd.m_Kind = 7;
    EXPECT_EQ(gf_DescribeDriverRecord(odd), "kind 7");
}
