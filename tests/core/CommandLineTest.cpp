// Splitting the command line, the program's arguments and the program path.

#include "core/CommandLine.h"
#include "core/SysFind.h"
#include "tests/core/FileTestSupport.h"
#include "tests/support/ExceptionMatch.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace NTev::NSys::NFile;

namespace
{
std::vector<std::string> fg_Split(const char* commandLine)
{
    std::vector<std::string> arguments;
    for (const NTev::CStr& argument : gf_SplitCommandLine(commandLine))
        arguments.emplace_back(argument.f_GetStr());
    return arguments;
}

using CArgs = std::vector<std::string>;
} // namespace

TEST(CommandLine, SkipsTheProgramName)
{
    EXPECT_EQ(fg_Split("prog.exe -Service"), CArgs{"-Service"});
    EXPECT_EQ(fg_Split("\"C:\\Program Files\\Quillon.exe\" -TrayIcon"), CArgs{"-TrayIcon"});
    // A quote in the middle of the name quotes on until the next one.
    EXPECT_EQ(fg_Split("C:\\a\" b\"\\prog.exe x"), CArgs{"x"});
    // Blanks and control characters 8 to 10 and 13 after the name are all skipped.
    EXPECT_EQ(fg_Split("prog\t \r\n\b -a"), CArgs{"-a"});
    EXPECT_EQ(fg_Split("prog"), CArgs{});
    EXPECT_EQ(fg_Split("prog   "), CArgs{});
    EXPECT_EQ(fg_Split(""), CArgs{});
    EXPECT_EQ(fg_Split(nullptr), CArgs{});
}

TEST(CommandLine, SeparatorsOutsideQuotes)
{
    EXPECT_EQ(fg_Split("p a  b\tc\nd\re\bf"), (CArgs{"a", "b", "c", "d", "e", "f"}));
    // Other control characters belong to the argument.
    EXPECT_EQ(fg_Split("p a\x0B"
                       "b\x0C"
                       "c\x01"),
              CArgs{"a\x0B"
                    "b\x0C"
                    "c\x01"});
    // Empty arguments are not stored.
    EXPECT_EQ(fg_Split("p \"\" a \"\""), CArgs{"a"});
}

TEST(CommandLine, QuotesGroupAndVanish)
{
    EXPECT_EQ(fg_Split("p \"a b\" c"), (CArgs{"a b", "c"}));
    EXPECT_EQ(fg_Split("p x\"y z\"w"), CArgs{"xy zw"});
    EXPECT_EQ(fg_Split("p \"tab\there\nline\rcr\bbs\""), CArgs{"tab\there\nline\rcr\bbs"});
    // An unclosed quote runs to the end.
    EXPECT_EQ(fg_Split("p \"open to the end"), CArgs{"open to the end"});
}

TEST(CommandLine, BackslashEscapes)
{
    EXPECT_EQ(fg_Split("p a\\\\b"), CArgs{"a\\b"});
    EXPECT_EQ(fg_Split("p say\\\"hi\\\""), CArgs{"say\"hi\""});
    EXPECT_EQ(fg_Split("p one\\ntwo"), CArgs{"one\ntwo"});
    // Before anything else a backslash stays, and the next character is read normally.
    EXPECT_EQ(fg_Split("p C:\\dir\\file"), CArgs{"C:\\dir\\file"});
    EXPECT_EQ(fg_Split("p a\\ b"), (CArgs{"a\\", "b"}));
    EXPECT_EQ(fg_Split("p \"a\\\" b\""), CArgs{"a\" b"});
    EXPECT_EQ(fg_Split("p end\\"), CArgs{"end\\"});
    // "\\" then "n": an escaped backslash followed by a plain n.
    EXPECT_EQ(fg_Split("p \\\\n"), CArgs{"\\n"});
    // An escaped quote does not toggle quoting.
    EXPECT_EQ(fg_Split("p \\\"a b"), (CArgs{"\"a", "b"}));
}

TEST(CommandLine, JoinSplitsBackIntoTheArguments)
{
    std::vector<NTev::CStr> arguments = {"plain",       "with blank", "quote\"d",  "back\\slash", "trail\\",
                                         "\\n literal", "line\nfeed", "tab\tcr\r", "\"",          "\\\""};
    NTev::CStr line = gf_JoinCommandLine("C:\\Program \"Files\"\\prog.exe", arguments);
    std::vector<NTev::CStr> split = gf_SplitCommandLine(line.f_GetStr());
    ASSERT_EQ(split.size(), arguments.size()) << line.f_GetStr();
    for (std::size_t i = 0; i < split.size(); ++i)
        EXPECT_STREQ(split[i].f_GetStr(), arguments[i].f_GetStr());
}

TEST(CommandLine, ArgumentsOfThisProcess)
{
    // The test program's own arguments, as the runner handed them over (usually none).
    const std::vector<std::string>& argv = ::testing::internal::GetArgvs();
    std::vector<std::string> expected;
    for (std::size_t i = 1; i < argv.size(); ++i)
        if (!argv[i].empty())
            expected.push_back(argv[i]);
    std::vector<std::string> actual;
    for (const NTev::CStr& argument : gf_GetArguments())
        actual.emplace_back(argument.f_GetStr());
    EXPECT_EQ(actual, expected);
    // Split once: the same list every time.
    EXPECT_EQ(&gf_GetArguments(), &gf_GetArguments());
    if (expected.empty())
        EXPECT_TEV_THROW(gf_GetFirstArgument(), "CExceptionListBoundCheck",
                         "Tried to access element outside list");
    else
        EXPECT_STREQ(gf_GetFirstArgument().f_GetStr(), expected[0].c_str());
}

TEST(CommandLine, ProgramPathAndDirectory)
{
    NTev::CStr path = gfs_GetProgramPath();
    const std::string text = path.f_GetStr();
    EXPECT_EQ(text.find('\\'), std::string::npos) << text;
    const std::string name = std::string("/") + NQuillonTest::gf_TestProgramFileName();
    ASSERT_GT(text.size(), name.size());
    EXPECT_EQ(text.substr(text.size() - name.size()), name);
    EXPECT_TRUE(gf_Exists(path.f_GetStr(), ExistsNotDirectory)) << text;

    NTev::CStr directory = gf_GetProgramDirectory();
    EXPECT_EQ(std::string(directory.f_GetStr()), text.substr(0, text.size() - name.size()));
    EXPECT_TRUE(gf_Exists(directory.f_GetStr(), AttributeDirectory)) << directory.f_GetStr();
}
