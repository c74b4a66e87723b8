// The lower file layer, the same on every backend: open flags and creation modes, sharing
// between two handles, transfers, sizes, write times, copy, rename and delete.

#include "core/SysFile.h"
#include "core/FullPath.h"
#include "tests/core/FileTestSupport.h"
#include "tests/support/ExceptionMatch.h"

#include <gtest/gtest.h>

using namespace NTev::NSys::NFile;
using namespace NTev::NFile;
using namespace NQuillonTest;

namespace
{
class SysFile : public ::testing::Test
{
protected:
    CTempDirectory m_Directory;
};

const char* const gc_NotFound = "gone.dat";
} // namespace

TEST_F(SysFile, FlagErrorsComeBeforeTheDisk)
{
    // A path whose directory is missing: any disk access would fail differently.
    const std::string path = m_Directory.f_Path("missing/file.dat");
    EXPECT_TEV_THROW(gf_Open(path.c_str(), 0x00), "CExceptionFile",
                     "Open flags contain neither read or write flags, one of them must be specified");
    EXPECT_TEV_THROW(gf_Open(path.c_str(), OpenDontCreate | OpenDontOpenExisting | OpenWrite),
                     "CExceptionFile", "Conflicting open flags (both don't open existing and don't create)");
    EXPECT_TEV_THROW(gf_Open(path.c_str(), 0x11), "CExceptionFile",
                     "You are trying to open a file that does not exist for read access only, this makes no "
                     "sence)");
    // The checks run in order: neither flag wins over the conflict.
    EXPECT_TEV_THROW(gf_Open(path.c_str(), 0x14), "CExceptionFile",
                     "Open flags contain neither read or write flags, one of them must be specified");
    EXPECT_TEV_THROW(gf_Open(path.c_str(), 0x15), "CExceptionFile",
                     "Conflicting open flags (both don't open existing and don't create)");

    // Refused flags leave an existing file alone.
    const std::string existing = m_Directory.f_Path("kept.dat");
    gf_WriteFileBytes(existing, "contents");
    EXPECT_TEV_THROW(gf_Open(existing.c_str(), 0x16), "CExceptionFile",
                     "Conflicting open flags (both don't open existing and don't create)");
    EXPECT_TEV_THROW(gf_Open(existing.c_str(), 0x11), "CExceptionFile",
                     "You are trying to open a file that does not exist for read access only, this makes no "
                     "sence)");
    EXPECT_EQ(gf_ReadFileBytes(existing), "contents");
}

TEST_F(SysFile, MissingFileFailsInCreateFile)
{
    const std::string path = m_Directory.f_Path(gc_NotFound);
    for (std::uint32_t flags : {0x01u, 0x61u, 0x06u, 0x0Eu})
        EXPECT_TEV_THROW(gf_Open(path.c_str(), flags), "CExceptionFile",
                         gf_SystemErrorMessage("CreateFile", ESystemError::FileNotFound));
    EXPECT_FALSE(gf_PathExists(path));
}

TEST_F(SysFile, CreationModes)
{
    const std::string path = m_Directory.f_Path("modes.dat");

    // 0x02 creates a missing file and empties an existing one; 0x0A keeps the contents.
    CHandleGuard(gf_Open(path.c_str(), OpenWrite));
    EXPECT_EQ(gf_ReadFileBytes(path), "");
    gf_WriteFileBytes(path, "abc");
    CHandleGuard(gf_Open(path.c_str(), OpenWrite | OpenKeepContents));
    EXPECT_EQ(gf_ReadFileBytes(path), "abc");
    CHandleGuard(gf_Open(path.c_str(), 0x62));
    EXPECT_EQ(gf_ReadFileBytes(path), "");

    // Must exist: 0x06 empties, 0x0E keeps.
    gf_WriteFileBytes(path, "abc");
    CHandleGuard(gf_Open(path.c_str(), OpenWrite | OpenDontCreate | OpenKeepContents));
    EXPECT_EQ(gf_ReadFileBytes(path), "abc");
    CHandleGuard(gf_Open(path.c_str(), OpenWrite | OpenDontCreate));
    EXPECT_EQ(gf_ReadFileBytes(path), "");

    // Must not exist: 0x12 creates, and fails on an existing file without touching it.
    const std::string fresh = m_Directory.f_Path("fresh.dat");
    CHandleGuard(gf_Open(fresh.c_str(), OpenWrite | OpenDontOpenExisting));
    EXPECT_TRUE(gf_PathExists(fresh));
    gf_WriteFileBytes(fresh, "abc");
    EXPECT_TEV_THROW(gf_Open(fresh.c_str(), OpenWrite | OpenDontOpenExisting | OpenRead), "CExceptionFile",
                     gf_SystemErrorMessage("CreateFile", ESystemError::FileExists));
    EXPECT_EQ(gf_ReadFileBytes(fresh), "abc");

    // Emptying needs write access: 0x05 is refused and keeps the contents.
    EXPECT_TEV_THROW(gf_Open(fresh.c_str(), OpenRead | OpenDontCreate), "CExceptionFile",
                     gf_SystemErrorMessage("CreateFile", ESystemError::TruncateWithoutWrite));
    EXPECT_EQ(gf_ReadFileBytes(fresh), "abc");

    // Reading keeps the contents.
    CHandleGuard(gf_Open(fresh.c_str(), OpenRead));
    CHandleGuard(gf_Open(fresh.c_str(), 0x61));
    EXPECT_EQ(gf_ReadFileBytes(fresh), "abc");
}

TEST_F(SysFile, OpenKeepsTheFullPath)
{
    const std::string path = m_Directory.f_Path("sub/../full.dat");
    gf_MakeDirectory(m_Directory.f_Path("sub"));
    CHandleGuard file(gf_Open(path.c_str(), OpenWrite));
    EXPECT_STREQ(gf_WithSlashes(gf_GetPath(file.f_Get()).f_GetStr()).f_GetStr(),
                 m_Directory.f_Path("full.dat").c_str());
}

TEST_F(SysFile, DirectoryIsNoFile)
{
    EXPECT_TEV_THROW(gf_Open(m_Directory.f_GetPath().c_str(), OpenRead), "CExceptionFile",
                     gf_SystemErrorMessage("CreateFile", ESystemError::OpenDirectory));
}

namespace
{
struct CShareCase
{
    std::uint32_t m_First;
    std::uint32_t m_Second;
    bool m_bCompatible;
};

// The combinations the system uses; a handle without share flags excludes every other one.
constexpr CShareCase gc_ShareCases[] = {
    {0x01, 0x01, false}, {0x01, 0x61, false}, {0x01, 0x0A, false}, {0x0A, 0x01, false},
    {0x0A, 0x0A, false}, {0x0A, 0x62, false}, {0x61, 0x01, false}, {0x61, 0x0A, false},
    {0x62, 0x01, false}, {0x62, 0x0A, false}, {0x61, 0x61, true},  {0x61, 0x62, true},
    {0x62, 0x61, true},  {0x62, 0x62, true},  {0x62, 0x6A, true},  {0x63, 0x61, true},
};
} // namespace

TEST_F(SysFile, SharingBetweenTwoHandles)
{
    const std::string path = m_Directory.f_Path("shared.dat");
    for (const CShareCase& test : gc_ShareCases)
    {
        SCOPED_TRACE(testing::Message()
                     << std::hex << "first 0x" << test.m_First << ", second 0x" << test.m_Second);
        gf_WriteFileBytes(path, "shared contents");
        CHandleGuard first(gf_Open(path.c_str(), test.m_First | OpenKeepContents));
        if (test.m_bCompatible)
        {
            CHandleGuard second(gf_Open(path.c_str(), test.m_Second));
            EXPECT_NE(second.f_Get(), nullptr);
            continue;
        }
        EXPECT_TEV_THROW(gf_Open(path.c_str(), test.m_Second), "CExceptionFile",
                         gf_SystemErrorMessage("CreateFile", ESystemError::SharingViolation));
        // A refused open that would have emptied the file leaves it alone (readable here only
        // once the first handle, which may share nothing, is closed).
        first.f_Close();
        EXPECT_EQ(gf_ReadFileBytes(path), "shared contents");
        // Now the second open succeeds.
        CHandleGuard(gf_Open(path.c_str(), test.m_Second));
    }
}

TEST_F(SysFile, ReadAndWriteAtPositions)
{
    const std::string path = m_Directory.f_Path("rw.dat");
    CHandleGuard file(gf_Open(path.c_str(), OpenRead | OpenWrite));
    EXPECT_EQ(gf_Write(file.f_Get(), "0123456789", 0, 10), 10);
    EXPECT_EQ(gf_Write(file.f_Get(), "ab", 4, 2), 2);
    EXPECT_EQ(gf_GetSize(file.f_Get()), 10);

    char buffer[16] = {};
    EXPECT_EQ(gf_Read(file.f_Get(), buffer, 3, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "3ab6");
    // The position comes from the caller, not from the handle's pointer.
    EXPECT_EQ(gf_Read(file.f_Get(), buffer, 0, 2), 2);
    EXPECT_EQ(std::string(buffer, 2), "01");
    // At the end the count is short, not an error.
    EXPECT_EQ(gf_Read(file.f_Get(), buffer, 8, 5), 2);
    EXPECT_EQ(gf_Read(file.f_Get(), buffer, 20, 5), 0);

    // Writing past the end fills the gap with zeros.
    EXPECT_EQ(gf_Write(file.f_Get(), "z", 12, 1), 1);
    EXPECT_EQ(gf_GetSize(file.f_Get()), 13);
    EXPECT_EQ(gf_Read(file.f_Get(), buffer, 10, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), std::string("\0\0z", 3));
}

TEST_F(SysFile, TransferFailures)
{
    const std::string path = m_Directory.f_Path("fail.dat");
    gf_WriteFileBytes(path, "data");
    CHandleGuard file(gf_Open(path.c_str(), OpenRead));
    char buffer[4];
    EXPECT_TEV_THROW(gf_Read(file.f_Get(), buffer, -1, 1), "CExceptionFile",
                     gf_SystemErrorMessage("SetFilePointerEx", ESystemError::NegativeSeek));
    EXPECT_TEV_THROW(gf_Write(file.f_Get(), "x", -1, 1), "CExceptionFile",
                     gf_SystemErrorMessage("SetFilePointerEx", ESystemError::NegativeSeek));
    EXPECT_TEV_THROW(gf_Write(file.f_Get(), "x", 0, 1), "CExceptionFile",
                     gf_SystemErrorMessage("WriteFile", ESystemError::WriteOnReadOnly));
    file.f_Close();
    EXPECT_EQ(gf_ReadFileBytes(path), "data");
}

TEST_F(SysFile, WriteThroughWrites)
{
    const std::string path = m_Directory.f_Path("through.dat");
    CHandleGuard file(gf_Open(path.c_str(), OpenWrite | OpenWriteThrough));
    EXPECT_EQ(gf_Write(file.f_Get(), "abc", 0, 3), 3);
    file.f_Close();
    EXPECT_EQ(gf_ReadFileBytes(path), "abc");
}

TEST_F(SysFile, WriteTime)
{
    const std::string path = m_Directory.f_Path("time.dat");
    gf_WriteFileBytes(path, "x");
    // 2019-04-19, with a fraction of a second down to the 100 ns tick.
    const std::uint64_t ticks = 132000000001234567ull;
    gf_SetWriteTime(path, ticks);
    CHandleGuard file(gf_Open(path.c_str(), 0x61));
    EXPECT_EQ(gf_GetWriteTime(file.f_Get()), NTev::CTime::fs_FromFileTime(ticks));
    EXPECT_EQ(gf_GetWriteTime(file.f_Get()).m_Seconds, 13200000000 + NTev::CTime::mc_FileTimeSecondsOffset);

    // Writing moves it on.
    CHandleGuard writer(gf_Open(path.c_str(), 0x62 | OpenKeepContents));
    gf_Write(writer.f_Get(), "y", 0, 1);
    writer.f_Close();
    EXPECT_GT(gf_GetWriteTime(file.f_Get()), NTev::CTime::fs_FromFileTime(ticks));
}

TEST_F(SysFile, WriteTimesBeyond2038)
{
    // 2040-01-01, past the end of a 32-bit count of seconds since 1970.
    const std::uint64_t ticks = 138534624000000000ull;
    const std::string from = m_Directory.f_Path("late.dat");
    const std::string to = m_Directory.f_Path("late copy.dat");
    gf_WriteFileBytes(from, "x");
    gf_SetWriteTime(from, ticks);
    gf_Copy(from.c_str(), to.c_str());
    for (const std::string& path : {from, to})
    {
        CHandleGuard file(gf_Open(path.c_str(), OpenRead));
        EXPECT_EQ(gf_GetWriteTime(file.f_Get()), NTev::CTime::fs_FromFileTime(ticks)) << path;
    }
}

TEST_F(SysFile, CopyOverwritesAndKeepsTheWriteTime)
{
    const std::string from = m_Directory.f_Path("from.dat");
    const std::string to = m_Directory.f_Path("to.dat");
    gf_WriteFileBytes(from, "source contents");
    gf_SetWriteTime(from, 132000000000000000ull);
    gf_WriteFileBytes(to, "a longer target that must go away entirely");
    gf_Copy(from.c_str(), to.c_str());
    EXPECT_EQ(gf_ReadFileBytes(to), "source contents");
    EXPECT_EQ(gf_ReadFileBytes(from), "source contents");
    CHandleGuard copy(gf_Open(to.c_str(), OpenRead));
    EXPECT_EQ(gf_GetWriteTime(copy.f_Get()), NTev::CTime::fs_FromFileTime(132000000000000000ull));
}

TEST_F(SysFile, CopyFailures)
{
    const std::string from = m_Directory.f_Path("from.dat");
    const std::string to = m_Directory.f_Path("to.dat");
    EXPECT_TEV_THROW(gf_Copy(m_Directory.f_Path(gc_NotFound).c_str(), to.c_str()), "CExceptionFile",
                     gf_SystemErrorMessage("CopyFile", ESystemError::FileNotFound));
    EXPECT_FALSE(gf_PathExists(to));

    // A copy onto itself must not lose the file.
    gf_WriteFileBytes(from, "only copy");
    try
    {
        gf_Copy(from.c_str(), from.c_str());
        ADD_FAILURE() << "copying a file onto itself succeeded";
    }
    catch (const CExceptionFile& exception)
    {
        EXPECT_EQ(std::string(exception.f_GetMessage()).rfind("Windows returned an error from CopyFile: ", 0),
                  0u);
    }
    EXPECT_EQ(gf_ReadFileBytes(from), "only copy");

    // A target held open without sharing is not overwritten.
    gf_WriteFileBytes(to, "held");
    {
        CHandleGuard held(gf_Open(to.c_str(), OpenRead));
        EXPECT_THROW(gf_Copy(from.c_str(), to.c_str()), CExceptionFile);
    }
    EXPECT_EQ(gf_ReadFileBytes(to), "held");
}

TEST_F(SysFile, RenameNeverReplaces)
{
    const std::string from = m_Directory.f_Path("from.dat");
    const std::string to = m_Directory.f_Path("to.dat");
    gf_WriteFileBytes(from, "moved");
    gf_Rename(from.c_str(), to.c_str());
    EXPECT_FALSE(gf_PathExists(from));
    EXPECT_EQ(gf_ReadFileBytes(to), "moved");

    gf_WriteFileBytes(from, "second");
    EXPECT_TEV_THROW(gf_Rename(from.c_str(), to.c_str()), "CExceptionFile",
                     gf_SystemErrorMessage("MoveFile", ESystemError::TargetExists));
    EXPECT_EQ(gf_ReadFileBytes(from), "second");
    EXPECT_EQ(gf_ReadFileBytes(to), "moved");

    EXPECT_TEV_THROW(gf_Rename(m_Directory.f_Path(gc_NotFound).c_str(), m_Directory.f_Path("x.dat").c_str()),
                     "CExceptionFile", gf_SystemErrorMessage("MoveFile", ESystemError::FileNotFound));

    // Directories move too.
    gf_MakeDirectory(m_Directory.f_Path("dir"));
    gf_Rename(m_Directory.f_Path("dir").c_str(), m_Directory.f_Path("moved dir").c_str());
    EXPECT_TRUE(gf_PathExists(m_Directory.f_Path("moved dir")));
}

TEST_F(SysFile, RenameOfAnOpenFileFails)
{
    const std::string from = m_Directory.f_Path("open.dat");
    gf_WriteFileBytes(from, "open");
    CHandleGuard file(gf_Open(from.c_str(), 0x61));
    EXPECT_TEV_THROW(gf_Rename(from.c_str(), m_Directory.f_Path("to.dat").c_str()), "CExceptionFile",
                     gf_SystemErrorMessage("MoveFile", ESystemError::SharingViolation));
    EXPECT_EQ(gf_ReadFileBytes(from), "open");
}

TEST_F(SysFile, Delete)
{
    const std::string path = m_Directory.f_Path("delete.dat");
    gf_WriteFileBytes(path, "x");
    {
        CHandleGuard file(gf_Open(path.c_str(), 0x62 | OpenKeepContents));
        EXPECT_TEV_THROW(gf_Delete(path.c_str()), "CExceptionFile",
                         gf_SystemErrorMessage("DeleteFile", ESystemError::SharingViolation));
        EXPECT_TRUE(gf_PathExists(path));
    }
    gf_Delete(path.c_str());
    EXPECT_FALSE(gf_PathExists(path));
    EXPECT_TEV_THROW(gf_Delete(path.c_str()), "CExceptionFile",
                     gf_SystemErrorMessage("DeleteFile", ESystemError::FileNotFound));
    EXPECT_TEV_THROW(gf_Delete(m_Directory.f_GetPath().c_str()), "CExceptionFile",
                     gf_SystemErrorMessage("DeleteFile", ESystemError::DeleteDirectory));
    EXPECT_TRUE(gf_PathExists(m_Directory.f_GetPath()));
}

TEST_F(SysFile, CloseNullIsNothing)
{
    gf_Close(nullptr);
}
