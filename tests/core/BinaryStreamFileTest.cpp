// The binary stream over a file.

#include "core/BinaryStreamFile.h"
#include "tests/core/FileTestSupport.h"
#include "tests/support/ExceptionMatch.h"

#include <gtest/gtest.h>

using namespace NTev::NFile;
using namespace NQuillonTest;

namespace
{
// A file type built on CFile, as the settings file's is.
class CVersionedFile : public CFile
{
public:
    std::uint32_t m_Version = 0;
};

class BinaryStreamFile : public ::testing::Test
{
protected:
    CTempDirectory m_Directory;
    const std::string m_Path = m_Directory.f_Path("stream.dat");
};
} // namespace

TEST_F(BinaryStreamFile, WritesTheSystemEncodingAndReadsItBack)
{
    {
        CBinaryStreamFile<CFile> stream;
        EXPECT_FALSE(stream.f_IsOpen());
        stream.f_Open(m_Path.c_str(), OpenWrite);
        EXPECT_TRUE(stream.f_IsOpen());
        stream.f_WriteInt<std::uint32_t>(0x01020304);
        stream.f_WriteString(NTev::CStr("name"));
        stream.f_WriteInt<std::int16_t>(-2);
        EXPECT_EQ(stream.f_GetPosition(), 14);
    }
    EXPECT_EQ(gf_ReadFileBytes(m_Path), std::string("\x04\x03\x02\x01\x04\0\0\0name\xFE\xFF", 14));

    CBinaryStreamFile<CVersionedFile> stream;
    stream.f_GetFile().m_Version = 274;
    stream.f_Open(m_Path.c_str(), OpenRead);
    EXPECT_EQ(stream.f_GetSize(), 14);
    EXPECT_EQ(stream.f_ReadInt<std::uint32_t>(), 0x01020304u);
    EXPECT_STREQ(stream.f_ReadString().f_GetStr(), "name");
    EXPECT_FALSE(stream.f_IsEndOfFile());
    EXPECT_EQ(stream.f_ReadInt<std::int16_t>(), -2);
    EXPECT_TRUE(stream.f_IsEndOfFile());
    EXPECT_EQ(stream.f_GetFile().m_Version, 274u);
}

TEST_F(BinaryStreamFile, PositionsFollowTheFileRules)
{
    gf_WriteFileBytes(m_Path, "0123456789");
    CBinaryStreamFile<CFile> stream;
    stream.f_Open(m_Path.c_str(), OpenRead);
    NTev::NStream::CBinaryStream& base = stream;
    EXPECT_EQ(base.f_SetPositionFromEnd(3), 7);
    base.f_AddPosition(-2);
    EXPECT_EQ(base.f_GetPosition(), 5);
    EXPECT_EQ(base.f_GetRemaining(), 5);
    EXPECT_TEV_THROW(base.f_SetPosition(11), "CExceptionFile", "Position is past end of file");
    std::uint64_t value;
    EXPECT_TEV_THROW(base.f_Read(&value, 8), "CExceptionFile", "Read call would have read past end of file");
    EXPECT_EQ(base.f_GetPosition(), 5);
    // A count claiming more than is left fails before anything is allocated.
    base.f_SetPosition(0);
    EXPECT_TEV_THROW(base.f_ReadString(), "CExceptionFile", "Read call would have read past end of file");
}

TEST_F(BinaryStreamFile, FixedOperations)
{
    CBinaryStreamFile<CFile> stream;
    NTev::NStream::CBinaryStream& base = stream;
    EXPECT_EQ(base.f_Reserved0(), 0);
    base.f_ReservedNothing();
    EXPECT_EQ(base.f_Reserved4(), 4);
    EXPECT_EQ(base.f_Reserved1(), 1);
    EXPECT_TEV_THROW(base.f_GetSize(), "CExceptionFile", "File not open");
}

TEST_F(BinaryStreamFile, DestructorClosesTheFile)
{
    {
        auto* stream = new CBinaryStreamFile<CFile>;
        stream->f_Open(m_Path.c_str(), OpenWrite);
        NTev::NStream::CBinaryStream* base = stream;
        delete base;
    }
    // An open without sharing succeeds only when no other handle is left.
    CFile file;
    file.f_Open(m_Path.c_str(), OpenRead | OpenWrite | OpenKeepContents);
}
