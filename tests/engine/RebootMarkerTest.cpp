#include "engine/RebootMarker.h"

#include "tests/core/FileTestSupport.h"

#include <gtest/gtest.h>

namespace
{
using namespace NQuillon::NRebootMarker;
using NQuillonTest::CTempDirectory;
using NQuillonTest::gf_PathExists;

// File times (100 ns ticks since 1601): the machine started at gc_Boot.
constexpr std::uint64_t gc_Second = 10000000ull;
constexpr std::uint64_t gc_Boot = 134000000000000000ull;

struct CFiles
{
    // 0: no file, else its write time.
    std::uint64_t m_Marker;
    std::uint64_t m_Told;
};

class CMarkerFolder
{
public:
    explicit CMarkerFolder(const CFiles& files)
    {
        fp_Write("Rebootneeded", files.m_Marker);
        fp_Write("RebootneededTold", files.m_Told);
    }
    NTev::CStr f_Directory() const { return NTev::CStr(m_Directory.f_GetPath().c_str()); }
    bool f_Has(const char* name) const { return gf_PathExists(m_Directory.f_Path(name)); }

private:
    void fp_Write(const char* name, std::uint64_t time)
    {
        if (!time)
            return;
        NQuillonTest::gf_WriteFileBytes(m_Directory.f_Path(name), "\x01");
        NQuillonTest::gf_SetWriteTime(m_Directory.f_Path(name), time);
    }

    CTempDirectory m_Directory;
};

struct CStartCase
{
    const char* m_pName;
    CFiles m_Files;
    bool m_bCleared;
    bool m_bMarkerLeft;
    bool m_bToldLeft;
};

const CStartCase gc_StartCases[] = {
    {"NothingThere", {0, 0}, false, false, false},
    {"MarkerBeforeTheRestart", {gc_Boot - gc_Second, 0}, true, false, false},
    {"ToldMarkerBeforeTheRestart", {gc_Boot - 2 * gc_Second, gc_Boot - gc_Second}, true, false, false},
    {"MarkerSinceTheRestart", {gc_Boot + gc_Second, 0}, false, true, false},
    {"ToldMarkerSinceTheRestart", {gc_Boot + gc_Second, gc_Boot + 2 * gc_Second}, false, true, true},
    {"RecordWithoutMarker", {0, gc_Boot + gc_Second}, false, false, false},
};

class RebootMarkerStart : public testing::TestWithParam<CStartCase>
{
};

TEST_P(RebootMarkerStart, DeletesOnlyWhatTheRestartFinished)
{
    const CStartCase& test = GetParam();
    CMarkerFolder folder(test.m_Files);
    EXPECT_EQ(gf_ClearAfterRestart(folder.f_Directory(), NTev::CTime::fs_FromFileTime(gc_Boot)),
              test.m_bCleared);
    EXPECT_EQ(folder.f_Has("Rebootneeded"), test.m_bMarkerLeft);
    EXPECT_EQ(folder.f_Has("RebootneededTold"), test.m_bToldLeft);
}

INSTANTIATE_TEST_SUITE_P(RebootMarker, RebootMarkerStart, testing::ValuesIn(gc_StartCases),
                         [](const testing::TestParamInfo<CStartCase>& info) { return info.param.m_pName; });

struct CDueCase
{
    const char* m_pName;
    CFiles m_Files;
    bool m_bDue;
};

const CDueCase gc_DueCases[] = {
    {"NoMarker", {0, 0}, false},
    {"MarkerNotTold", {gc_Boot, 0}, true},
    {"MarkerTold", {gc_Boot, gc_Boot + gc_Second}, false},
    {"ToldInTheSameTick", {gc_Boot, gc_Boot}, false},
    {"MarkerWrittenAgainAfterTheNotice", {gc_Boot + 2 * gc_Second, gc_Boot + gc_Second}, true},
};

class RebootMarkerDue : public testing::TestWithParam<CDueCase>
{
};

TEST_P(RebootMarkerDue, IsDueOncePerMarker)
{
    CMarkerFolder folder(GetParam().m_Files);
    EXPECT_EQ(gf_IsNoticeDue(folder.f_Directory()), GetParam().m_bDue);
}

INSTANTIATE_TEST_SUITE_P(RebootMarker, RebootMarkerDue, testing::ValuesIn(gc_DueCases),
                         [](const testing::TestParamInfo<CDueCase>& info) { return info.param.m_pName; });

TEST(RebootMarker, RecordedNoticeIsNotDueAgainAndKeepsTheMarker)
{
    CMarkerFolder folder({gc_Boot, 0});
    ASSERT_TRUE(gf_IsNoticeDue(folder.f_Directory()));
    gf_RecordNoticeTold(folder.f_Directory());
    EXPECT_FALSE(gf_IsNoticeDue(folder.f_Directory()));
    EXPECT_TRUE(folder.f_Has("Rebootneeded"));
}

TEST(RebootMarker, WithoutAFolderNothingIsDueOrWritten)
{
    EXPECT_FALSE(gf_IsNoticeDue(NTev::CStr()));
    EXPECT_NO_THROW(gf_RecordNoticeTold(NTev::CStr()));
    EXPECT_FALSE(gf_ClearAfterRestart(NTev::CStr(), NTev::CTime::fs_FromFileTime(gc_Boot)));
}

TEST(RebootMarker, UnwritableFolderIsTracedNotThrown)
{
    CTempDirectory directory;
    const NTev::CStr missing((directory.f_Path("Missing")).c_str());
    EXPECT_NO_THROW(gf_RecordNoticeTold(missing));
    EXPECT_FALSE(gf_IsNoticeDue(missing));
}
} // namespace
