// The MD5 digest (RFC 1321) of texts and of files.

#include "core/MD5.h"
#include "core/FileMD5.h"
#include "tests/core/FileTestSupport.h"
#include "tests/support/ExceptionMatch.h"

#include <cstring>
#include <gtest/gtest.h>

using NTev::CMD5;
using namespace NQuillonTest;

namespace
{
std::string fg_Hex(const std::string& text)
{
    return CMD5::fs_Digest(text.data(), text.size()).f_GetHex().f_GetStr();
}

// Bytes without a period of 64 or 32768, so a piece handled twice or skipped shows.
std::string fg_Pattern(std::size_t size)
{
    std::string bytes(size, 0);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 256) % 251);
    return bytes;
}
} // namespace

TEST(MD5, TestSuiteOfTheRfc)
{
    EXPECT_EQ(fg_Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(fg_Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(fg_Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(fg_Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(fg_Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(fg_Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(fg_Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(MD5, PaddingBoundaries)
{
    // 55, 56 and 64 bytes: the length fits in the last block, needs one more, fills one exactly.
    for (std::size_t size : {55u, 56u, 63u, 64u, 65u, 119u, 120u})
    {
        std::string text = fg_Pattern(size);
        CMD5 pieces;
        for (char c : text)
            pieces.f_Update(&c, 1);
        EXPECT_EQ(pieces.f_Finish(), CMD5::fs_Digest(text.data(), text.size())) << size;
    }
    EXPECT_EQ(fg_Hex(std::string(1000000, 'a')), "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(MD5, ResetStartsAnew)
{
    CMD5 md5;
    md5.f_Update("abc", 3);
    md5.f_Finish();
    md5.f_Reset();
    md5.f_Update("a", 1);
    EXPECT_EQ(md5.f_Finish().f_GetHex(), "0cc175b9c0f1b6a831c399e269772661");
}

TEST(MD5, Files)
{
    CTempDirectory directory;
    const std::string path = directory.f_Path("driver.sys");
    // More than two pieces of 32768 bytes, the last one partial.
    gf_WriteFileBytes(path, fg_Pattern(70001));
    EXPECT_EQ(NTev::NSys::NFile::gf_GetFileMD5(path.c_str()).f_GetHex(), "37c7afb19ee45dbe8efb5b44d9765934");
    gf_WriteFileBytes(path, fg_Pattern(32768));
    EXPECT_EQ(NTev::NSys::NFile::gf_GetFileMD5(path.c_str()).f_GetHex(), "ac3864b74350efd1e8e407e5083bd8aa");
    gf_WriteFileBytes(path, fg_Pattern(32769));
    EXPECT_EQ(NTev::NSys::NFile::gf_GetFileMD5(path.c_str()).f_GetHex(), "06a2442c38bbdd910670ad32465d6b48");
    gf_WriteFileBytes(path, "");
    EXPECT_EQ(NTev::NSys::NFile::gf_GetFileMD5(path.c_str()).f_GetHex(), "d41d8cd98f00b204e9800998ecf8427e");
}

TEST(MD5, FilesSharedWithReadersAndWriters)
{
    CTempDirectory directory;
    const std::string path = directory.f_Path("shared.sys");
    gf_WriteFileBytes(path, "abc");
    {
        // Opened for reading while others may read and write: a writer sharing both is no obstacle.
        CHandleGuard writer(NTev::NSys::NFile::gf_Open(path.c_str(), 0x62 | NTev::NFile::OpenKeepContents));
        EXPECT_EQ(NTev::NSys::NFile::gf_GetFileMD5(path.c_str()).f_GetHex(),
                  "900150983cd24fb0d6963f7d28e17f72");
    }
    {
        // A handle without sharing keeps it out.
        CHandleGuard exclusive(NTev::NSys::NFile::gf_Open(path.c_str(), 0x01));
        EXPECT_TEV_THROW(NTev::NSys::NFile::gf_GetFileMD5(path.c_str()), "CExceptionFile",
                         gf_SystemErrorMessage("CreateFile", ESystemError::SharingViolation));
    }
    EXPECT_TEV_THROW(NTev::NSys::NFile::gf_GetFileMD5(directory.f_Path("missing.sys").c_str()),
                     "CExceptionFile", gf_SystemErrorMessage("CreateFile", ESystemError::FileNotFound));
}
