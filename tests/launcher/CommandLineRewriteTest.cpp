// The launcher's command line rewriting: every form of program path, arguments kept unit for
// unit, and the buffer limit.

#include "launcher/CommandLineRewrite.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace NQuillon::NLauncher;

namespace
{
struct CRewriteCase
{
    const char* m_Name;
    std::u16string m_Line;
    EBuild m_Build;
    ERewrite m_Result;
    std::u16string m_Child; // empty when refused
};

const std::vector<CRewriteCase> gc_RewriteCases = {
    {"QuotedWithArgument", u"\"C:\\Q\\Quillon.exe\" -TrayIcon", EBuild::X64, ERewrite::Built,
     u"\"C:\\Q\\Quillon.x64.exe\" -TrayIcon"},
    {"QuotedWithoutArguments", u"\"C:\\Q\\Quillon.exe\"", EBuild::X86, ERewrite::Built,
     u"\"C:\\Q\\Quillon.x86.exe\""},
    {"QuotedDirectoryHoldsExe", u"\"C:\\a.exe.d\\Quillon.exe\" x", EBuild::X64, ERewrite::Built,
     u"\"C:\\a.exe.d\\Quillon.x64.exe\" x"},
    {"QuotedWithoutExe", u"\"C:\\Q\\Quillon\" -TrayIcon", EBuild::X64, ERewrite::Built,
     u"\"C:\\Q\\Quillon.x64.exe\" -TrayIcon"},
    {"QuotedWithoutClosingQuote", u"\"C:\\Q\\Quillon", EBuild::X86, ERewrite::Built,
     u"\"C:\\Q\\Quillon.x86.exe"},
    {"QuotedExeOnlyInAnArgument", u"\"C:\\Q\\Quillon\" \"D:\\x.exe\"", EBuild::X64, ERewrite::Built,
     u"\"C:\\Q\\Quillon.x64.exe\" \"D:\\x.exe\""},
    {"QuotedExeNotEndingThePath", u"\"C:\\a.exe.d\\Quillon\" -x", EBuild::X64, ERewrite::NoProgramExe, u""},
    {"QuotedExeWithoutClosingQuote", u"\"C:\\Q\\Quillon.exe", EBuild::X64, ERewrite::NoProgramExe, u""},
    {"UnquotedWithoutArguments", u"C:\\a.exe.d\\Quillon.exe", EBuild::X64, ERewrite::Built,
     u"C:\\a.exe.d\\Quillon.x64.exe"},
    {"UnquotedArgumentsKeptExactly", u"Quillon.exe  -AddService \"a  b\" \u263A ", EBuild::X86,
     ERewrite::Built, u"Quillon.x86.exe  -AddService \"a  b\" \u263A "},
    {"UnquotedPathWithBlank", u"C:\\Program Files\\Q\\Quillon.exe -x", EBuild::X64, ERewrite::Built,
     u"C:\\Program Files\\Q\\Quillon.x64.exe -x"},
    {"UnquotedTabEndsThePath", u"Quillon.exe\t-x", EBuild::X64, ERewrite::Built, u"Quillon.x64.exe\t-x"},
    {"UnquotedWithoutExe", u"C:\\Q\\Quillon -StartService", EBuild::X86, ERewrite::Built,
     u"C:\\Q\\Quillon.x86.exe -StartService"},
    {"UnquotedExeNotFollowedByBlank", u"C:\\a.exed\\Quillon", EBuild::X64, ERewrite::NoProgramExe, u""},
};

class CRewrite : public testing::TestWithParam<CRewriteCase>
{
};

TEST_P(CRewrite, BuildsTheChildCommandLine)
{
    const CRewriteCase& test = GetParam();
    char16_t out[gc_CommandLineCapacity];
    ASSERT_EQ(gf_RewriteCommandLine(test.m_Line.c_str(), test.m_Build, out, gc_CommandLineCapacity),
              test.m_Result);
    EXPECT_EQ(std::u16string(out), test.m_Child);
}

INSTANTIATE_TEST_SUITE_P(Launcher, CRewrite, testing::ValuesIn(gc_RewriteCases),
                         [](const testing::TestParamInfo<CRewriteCase>& info) { return info.param.m_Name; });

// A line whose child line needs exactly `needed` units with the terminator, written into a
// buffer of the launcher's capacity followed by guard units that must stay untouched.
void fg_CheckLimit(bool addsExe, std::size_t needed, ERewrite expected)
{
    SCOPED_TRACE(testing::Message() << "adds .exe " << addsExe << ", needs " << needed);
    const std::size_t added = 4 + (addsExe ? 4 : 0) + 1;
    std::u16string line = addsExe ? u"Quillon" : u"Quillon.exe";
    line += u' ';
    line.append(needed - added - line.size(), u'a');
    std::vector<char16_t> out(gc_CommandLineCapacity + 16, u'#');
    EXPECT_EQ(gf_RewriteCommandLine(line.c_str(), EBuild::X64, out.data(), gc_CommandLineCapacity), expected);
    for (std::size_t i = gc_CommandLineCapacity; i < out.size(); ++i)
        ASSERT_EQ(out[i], u'#') << "written past the buffer at " << i;
    if (expected == ERewrite::Built)
        EXPECT_EQ(out[needed - 1], u'\0');
    else
        EXPECT_EQ(out[0], u'\0');
}

TEST(Launcher, ChildLineFillingTheBufferExactlyIsBuilt)
{
    fg_CheckLimit(false, gc_CommandLineCapacity, ERewrite::Built);
    fg_CheckLimit(true, gc_CommandLineCapacity, ERewrite::Built);
}

TEST(Launcher, ChildLineOneUnitTooLongIsRefusedWithoutWritingPastTheBuffer)
{
    fg_CheckLimit(false, gc_CommandLineCapacity + 1, ERewrite::TooLong);
    fg_CheckLimit(true, gc_CommandLineCapacity + 1, ERewrite::TooLong);
}

TEST(Launcher, BuildFollowsTheProcessAndWow64)
{
    struct CCase
    {
        bool m_b64Bit, m_bCanAsk, m_bWow64;
        EBuild m_Build;
    };
    const CCase cases[] = {
        {false, false, false, EBuild::X86}, // older 32-bit Windows without IsWow64Process
        {false, true, false, EBuild::X86},  {false, true, true, EBuild::X64},
        {false, false, true, EBuild::X86},  {true, false, false, EBuild::X64},
    };
    for (const CCase& c : cases)
        EXPECT_EQ(gf_ChooseBuild(c.m_b64Bit, c.m_bCanAsk, c.m_bWow64), c.m_Build)
            << c.m_b64Bit << c.m_bCanAsk << c.m_bWow64;
}
} // namespace
