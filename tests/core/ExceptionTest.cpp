#include "core/Exception.h"
#include "core/ErrorText.h"
#include "core/Format.h"
#include "tests/support/ExceptionMatch.h"
#include "tests/support/TraceCapture.h"

#include <gtest/gtest.h>
#include <string>

using namespace NTev::NException;

TEST(Exception, ConstructionWritesOneTraceLine)
{
    NQuillonTest::CTraceCapture capture;
    CException e("CExceptionFile", "src/file.cpp", 42, "NTev::NSys::NFile::gf_Delete", "it failed");
    EXPECT_STREQ(e.f_GetMessage(), "it failed");
    EXPECT_EQ(capture.f_GetText(),
              "src/file.cpp(42): CExceptionFile in NTev::NSys::NFile::gf_Delete: it failed\n");
}

TEST(Exception, NullClassNameTracesAsCException)
{
    NQuillonTest::CTraceCapture capture;
    CException e(nullptr, "f.cpp", 1, "fn", "m");
    EXPECT_EQ(capture.f_GetText(), "f.cpp(1): CException in fn: m\n");
}

TEST(Exception, DerivedClassesTraceTheirOwnName)
{
    NQuillonTest::CTraceCapture capture;
    NTev::NList::CExceptionListBoundCheck e("f.cpp", 7, "fn", "m");
    EXPECT_EQ(capture.f_GetText(), "f.cpp(7): CExceptionListBoundCheck in fn: m\n");
}

TEST(Exception, LongMessagesAreCutButTracedWhole)
{
    NQuillonTest::CTraceCapture capture;
    std::string longMessage(300, 'm');
    CException e(nullptr, "f.cpp", 1, "fn", longMessage.c_str());
    EXPECT_EQ(std::string(e.f_GetMessage()), std::string(255, 'm'));
    EXPECT_NE(capture.f_GetText().find(longMessage), std::string::npos);
}

TEST(Exception, ClassesAreToldApart)
{
    EXPECT_TEV_THROW(NTev::NList::CVectorBoundsCheck::fs_CheckBounds(3, 3), "CExceptionListBoundCheck",
                     "Tried to access element outside list");
    EXPECT_NO_THROW(NTev::NList::CVectorBoundsCheck::fs_CheckBounds(2, 3));
    EXPECT_TEV_THROW(TEV_THROW(NTev::NFile::CExceptionFile, "fn", "file"), "CExceptionFile", "file");
    EXPECT_TEV_THROW(TEV_THROW(CExceptionMemory, "fn", "memory"), "CExceptionMemory", "memory");
    // Caught by base class.
    try
    {
        TEV_THROW(NTev::NList::CExceptionListBoundCheck, "fn", "list");
    }
    catch (const CException& e)
    {
        EXPECT_STREQ(e.f_GetMessage(), "list");
    }
}

TEST(ErrorText, CodesWithoutTextGiveHex)
{
    EXPECT_STREQ(gf_GetErrorText(0x7FFFABCDul).f_GetStr(), "0x7fffabcd");
}

TEST(ErrorText, KnownCodesEndWithALineBreak)
{
    NTev::CFStr256 text = gf_GetErrorText(2); // file not found, on both systems
    std::string s = text.f_GetStr();
    ASSERT_GE(s.size(), 3u);
    EXPECT_EQ(s.substr(s.size() - 2), "\r\n");
    EXPECT_EQ(s.find("0x"), std::string::npos);
}

TEST(ErrorText, SystemErrorFormNamesTheCall)
{
    NQuillonTest::CTraceCapture capture;
    try
    {
        TEV_THROW_SYSTEM_FILE("NTev::NSys::NFile::gf_Delete", "DeleteFile");
        FAIL();
    }
    catch (const NTev::NFile::CExceptionFile& e)
    {
        EXPECT_EQ(std::string(e.f_GetMessage()).rfind("Windows returned an error from DeleteFile: ", 0), 0u);
    }
    EXPECT_NE(capture.f_GetText().find("CExceptionFile in NTev::NSys::NFile::gf_Delete: Windows returned"),
              std::string::npos);
}

TEST(DebugOutput, WritesExactlyTheFormattedText)
{
    NQuillonTest::CTraceCapture capture;
    NTev::gf_DebugOutput("a {} b", 1);
    NTev::gf_DebugOutput("{}\n", "line");
    auto writes = capture.f_GetWrites();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0], "a 1 b");
    EXPECT_EQ(writes[1], "line\n");
}
