// What only the POSIX backend has: the emulation of share modes with advisory locks, links,
// and the folding of paths at the root.

#include "core/FullPath.h"
#include "core/SysFile.h"
#include "core/SysFind.h"
#include "tests/core/FileTestSupport.h"
#include "tests/support/ExceptionMatch.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

using namespace NTev::NSys::NFile;
using namespace NTev::NFile;
using namespace NQuillonTest;

TEST(PosixFile, RootFolding)
{
    EXPECT_STREQ(gf_GetFullPath("/..", "test").f_GetStr(), "/");
    EXPECT_STREQ(gf_GetFullPath("/a/../../b", "test").f_GetStr(), "/b");
    EXPECT_STREQ(gf_GetFullPath("//a//b", "test").f_GetStr(), "/a/b");
}

TEST(PosixFile, PartialShareModesShareNothing)
{
    CTempDirectory directory;
    const std::string path = directory.f_Path("partial.dat");
    gf_WriteFileBytes(path, "x");
    // Windows would let these two share reading; the emulation is stricter.
    CHandleGuard first(gf_Open(path.c_str(), OpenRead | OpenShareRead));
    EXPECT_TEV_THROW(gf_Open(path.c_str(), OpenRead | OpenShareRead), "CExceptionFile",
                     gf_SystemErrorMessage("CreateFile", ESystemError::SharingViolation));
}

TEST(PosixFile, LocksOfOtherDescriptorsCount)
{
    CTempDirectory directory;
    const std::string path = directory.f_Path("locked.dat");
    gf_WriteFileBytes(path, "x");
    int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(descriptor, 0);
    ASSERT_EQ(::flock(descriptor, LOCK_SH), 0);
    CHandleGuard shared(gf_Open(path.c_str(), 0x61));
    EXPECT_THROW(gf_Open(path.c_str(), 0x01), CExceptionFile);
    ::close(descriptor);
}

TEST(PosixFile, LinksAreReparsePoints)
{
    CTempDirectory directory;
    gf_WriteFileBytes(directory.f_Path("target"), "t");
    gf_MakeDirectory(directory.f_Path("dir"));
    ASSERT_EQ(::symlink("target", directory.f_Path("file-link").c_str()), 0);
    ASSERT_EQ(::symlink("dir", directory.f_Path("dir-link").c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", directory.f_Path("dangling").c_str()), 0);
    std::uint32_t attributes = 0;

    CFindRecord* record = gf_FindOpen(directory.f_Path("file-link").c_str());
    ASSERT_NE(gf_FindNext(record, &attributes), nullptr);
    EXPECT_EQ(attributes, AttributeReparsePoint);
    gf_FindClose(record);

    record = gf_FindOpen(directory.f_Path("dir-link").c_str());
    ASSERT_NE(gf_FindNext(record, &attributes), nullptr);
    EXPECT_EQ(attributes, AttributeReparsePoint | AttributeDirectory);
    gf_FindClose(record);

    EXPECT_TRUE(gf_Exists(directory.f_Path("dangling").c_str(), AttributeReparsePoint));
    // Deleting a link removes the link only.
    gf_Delete(directory.f_Path("file-link").c_str());
    EXPECT_EQ(gf_ReadFileBytes(directory.f_Path("target")), "t");
}

TEST(PosixFile, PositionsBeyondFourGigabytes)
{
    // A sparse file: the byte at 5 GB takes no room on the disk.
    CTempDirectory directory;
    const std::string path = directory.f_Path("large.dat");
    constexpr std::int64_t c_Position = 5ll << 30;
    CHandleGuard file(gf_Open(path.c_str(), OpenRead | OpenWrite));
    ASSERT_EQ(gf_Write(file.f_Get(), "z", c_Position, 1), 1);
    EXPECT_EQ(gf_GetSize(file.f_Get()), c_Position + 1);
    char byte = 0;
    EXPECT_EQ(gf_Read(file.f_Get(), &byte, c_Position, 1), 1);
    EXPECT_EQ(byte, 'z');
}
