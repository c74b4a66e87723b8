// CFile: positions, bounds and transfers.

#include "core/File.h"
#include "tests/core/FileTestSupport.h"
#include "tests/support/ExceptionMatch.h"
#include "tests/support/TraceCapture.h"

#include <gtest/gtest.h>

using namespace NTev::NFile;
using namespace NQuillonTest;

namespace
{
class File : public ::testing::Test
{
protected:
    void SetUp() override { gf_WriteFileBytes(m_Path, "0123456789"); }

    CTempDirectory m_Directory;
    const std::string m_Path = m_Directory.f_Path("file.dat");
};
} // namespace

TEST_F(File, ClosedFileRefusesEverything)
{
    CFile file;
    char buffer[1];
    EXPECT_FALSE(file.f_IsOpen());
    EXPECT_TEV_THROW(file.f_Read(buffer, 1), "CExceptionFile", "File not open");
    EXPECT_TEV_THROW(file.f_Write(buffer, 1), "CExceptionFile", "File not open");
    EXPECT_TEV_THROW(file.f_SetPosition(0), "CExceptionFile", "File not open");
    EXPECT_TEV_THROW(file.f_SetPositionFromEnd(0), "CExceptionFile", "File not open");
    EXPECT_TEV_THROW(file.f_AddPosition(0), "CExceptionFile", "File not open");
    EXPECT_TEV_THROW(file.f_GetPosition(), "CExceptionFile", "File not open");
    EXPECT_TEV_THROW(file.f_GetSize(), "CExceptionFile", "File not open");
    EXPECT_TEV_THROW(file.f_IsEndOfFile(), "CExceptionFile", "File not open");
    EXPECT_TEV_THROW(file.f_GetWriteTime(), "CExceptionFile", "File not open");

    CTraceCapture trace;
    EXPECT_THROW(file.f_GetSize(), CExceptionFile);
    EXPECT_NE(trace.f_GetText().find(" CExceptionFile in NTev::NFile::CFile::fp_CheckOpen: File not open\n"),
              std::string::npos)
        << trace.f_GetText();
}

TEST_F(File, ReadsAdvanceAndNeverComeShort)
{
    CFile file;
    file.f_Open(m_Path.c_str(), OpenRead);
    EXPECT_EQ(file.f_GetSize(), 10);
    char buffer[8] = {};
    EXPECT_EQ(file.f_Read(buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "012");
    EXPECT_EQ(file.f_GetPosition(), 3);

    file.f_SetPosition(8);
    EXPECT_TEV_THROW(file.f_Read(buffer, 4), "CExceptionFile", "Read call would have read past end of file");
    EXPECT_EQ(file.f_GetPosition(), 8);
    EXPECT_EQ(file.f_Read(buffer, 2), 2);
    EXPECT_EQ(std::string(buffer, 2), "89");
    EXPECT_TRUE(file.f_IsEndOfFile());
    EXPECT_EQ(file.f_Read(buffer, 0), 0);
}

TEST_F(File, ReadOnlyFileStaysWithinItsEnd)
{
    CFile file;
    file.f_Open(m_Path.c_str(), 0x61);
    file.f_SetPosition(10);
    EXPECT_TRUE(file.f_IsEndOfFile());
    EXPECT_TEV_THROW(file.f_SetPosition(11), "CExceptionFile", "Position is past end of file");
    EXPECT_TEV_THROW(file.f_SetPosition(-1), "CExceptionFile", "Position is negative");
    EXPECT_EQ(file.f_GetPosition(), 10);

    EXPECT_EQ(file.f_SetPositionFromEnd(0), 10);
    EXPECT_EQ(file.f_SetPositionFromEnd(4), 6);
    EXPECT_EQ(file.f_GetPosition(), 6);
    EXPECT_EQ(file.f_SetPositionFromEnd(10), 0);
    EXPECT_TEV_THROW(file.f_SetPositionFromEnd(11), "CExceptionFile", "Position is negative");
    EXPECT_TEV_THROW(file.f_SetPositionFromEnd(-1), "CExceptionFile", "Position is past end of file");
    EXPECT_TEV_THROW(file.f_SetPositionFromEnd(INT64_MIN), "CExceptionFile", "Position is past end of file");
    EXPECT_TEV_THROW(file.f_SetPositionFromEnd(INT64_MAX), "CExceptionFile", "Position is negative");
    EXPECT_EQ(file.f_GetPosition(), 0);
}

TEST_F(File, WritableFileMayGoBeyondItsEnd)
{
    CFile file;
    file.f_Open(m_Path.c_str(), OpenRead | OpenWrite | OpenKeepContents);
    file.f_SetPosition(10);
    file.f_SetPosition(11);
    EXPECT_EQ(file.f_GetPosition(), 11);
    EXPECT_TRUE(file.f_IsEndOfFile());
    EXPECT_EQ(file.f_SetPositionFromEnd(-2), 12);
    EXPECT_TEV_THROW(file.f_SetPositionFromEnd(11), "CExceptionFile", "Position is negative");

    // Writing there extends the file with zeros up to the position.
    EXPECT_EQ(file.f_Write("x", 1), 1);
    EXPECT_EQ(file.f_GetPosition(), 13);
    EXPECT_EQ(file.f_GetSize(), 13);
    file.f_Close();
    EXPECT_EQ(gf_ReadFileBytes(m_Path), std::string("0123456789\0\0x", 13));
}

TEST_F(File, AddPositionStaysWithinTheFile)
{
    for (std::uint32_t flags : {0x01u, 0x0Bu})
    {
        CFile file;
        file.f_Open(m_Path.c_str(), flags);
        file.f_AddPosition(4);
        file.f_AddPosition(-1);
        EXPECT_EQ(file.f_GetPosition(), 3);
        EXPECT_TEV_THROW(file.f_AddPosition(-4), "CExceptionFile", "New position would negative");
        // Also for a writable file.
        EXPECT_TEV_THROW(file.f_AddPosition(8), "CExceptionFile", "New position would past end of file");
        EXPECT_TEV_THROW(file.f_AddPosition(INT64_MAX), "CExceptionFile",
                         "New position would past end of file");
        EXPECT_EQ(file.f_GetPosition(), 3);
        file.f_AddPosition(7);
        EXPECT_TRUE(file.f_IsEndOfFile());
    }
}

TEST_F(File, WritesGoToThePosition)
{
    CFile file;
    file.f_Open(m_Path.c_str(), OpenWrite | OpenKeepContents);
    file.f_SetPosition(2);
    EXPECT_EQ(file.f_Write("ab", 2), 2);
    EXPECT_EQ(file.f_GetPosition(), 4);
    EXPECT_EQ(file.f_Write("", 0), 0);
    file.f_Close();
    EXPECT_FALSE(file.f_IsOpen());
    EXPECT_EQ(gf_ReadFileBytes(m_Path), "01ab456789");
}

TEST_F(File, TwoFilesOnOneFileKeepTheirOwnPositions)
{
    CFile reader;
    CFile writer;
    reader.f_Open(m_Path.c_str(), 0x61);
    writer.f_Open(m_Path.c_str(), 0x62 | OpenKeepContents);
    reader.f_SetPosition(5);
    writer.f_SetPosition(1);
    writer.f_Write("W", 1);
    char c = 0;
    reader.f_Read(&c, 1);
    EXPECT_EQ(c, '5');
    writer.f_Write("X", 1);
    reader.f_SetPosition(1);
    char two[2];
    reader.f_Read(two, 2);
    EXPECT_EQ(std::string(two, 2), "WX");
}

TEST_F(File, OpenAgainAndClose)
{
    CFile file;
    file.f_Open(m_Path.c_str(), OpenRead);
    file.f_SetPosition(5);
    EXPECT_EQ(file.f_GetOpenFlags(), OpenRead);
    // Opening again closes the first handle (else this exclusive open would conflict with it).
    file.f_Open(m_Path.c_str(), OpenRead | OpenWrite | OpenKeepContents);
    EXPECT_EQ(file.f_GetPosition(), 0);
    EXPECT_EQ(file.f_GetOpenFlags(), 0x0Bu);
    file.f_Close();
    file.f_Close();
    EXPECT_FALSE(file.f_IsOpen());
    {
        CFile scoped;
        scoped.f_Open(m_Path.c_str(), OpenRead);
    }
    // The destructor closed it.
    CFile again;
    again.f_Open(m_Path.c_str(), OpenRead);
}

TEST_F(File, TryOpenLeavesAFailedFileClosed)
{
    CFile file;
    EXPECT_FALSE(file.f_TryOpen(m_Directory.f_Path("missing.dat").c_str(), OpenRead));
    EXPECT_FALSE(file.f_IsOpen());
    EXPECT_TEV_THROW(file.f_GetSize(), "CExceptionFile", "File not open");
    EXPECT_TRUE(file.f_TryOpen(m_Path.c_str(), OpenRead));
    CFile second;
    EXPECT_FALSE(second.f_TryOpen(m_Path.c_str(), OpenRead));
}

TEST_F(File, WriteTimeOfTheOpenFile)
{
    gf_SetWriteTime(m_Path, 130000000000000000ull);
    CFile file;
    file.f_Open(m_Path.c_str(), OpenRead);
    EXPECT_EQ(file.f_GetWriteTime(), NTev::CTime::fs_FromFileTime(130000000000000000ull));
}
