// Folder protection on the real system. Wine keeps no rules of files (it reads them back from
// the Unix mode), so the descriptors are checked as the system builds and parses them, and the
// path functions for what Wine does keep.

#include "core/SysFolderAccess.h"
#include "core/win32/FolderSecurity.h"
#include "tests/core/FileTestSupport.h"

#include <gtest/gtest.h>
#include <sddl.h>
#include <windows.h>

namespace
{
using namespace NTev::NFolderAccess;
namespace NSys = NTev::NSys::NFolderAccess;
using NQuillonTest::CTempDirectory;

struct CSddlCase
{
    const char* m_pName;
    const wchar_t* m_pSddl;
    bool m_bOthersWrite;
    bool m_bOthersRead;
};

const CSddlCase gc_SddlCases[] = {
    {"ProgramFiles",
     L"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"
     L"D:PAI(A;OICIIO;GA;;;CO)(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"
     L"(A;OICI;0x1200a9;;;AC)",
     false, true},
    {"RootFolderOfAUser",
     L"O:S-1-5-21-1-2-3-1001D:AI(A;OICIID;FA;;;BA)(A;OICIID;FA;;;SY)(A;OICIID;0x1301bf;;;AU)", true, true},
    {"AuthenticatedUsersMayAddFolders", L"O:BAD:(A;OICI;FA;;;BA)(A;;0x4;;;AU)", true, false},
    {"StateFolder", L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", false, false},
    {"EveryoneReads", L"O:SYD:P(A;OICI;FA;;;SY)(A;OICI;FR;;;WD)", false, true},
    {"OwnerRightsOfAUserOwner", L"O:S-1-5-21-1-2-3-1001D:P(A;;FA;;;SY)(A;;RC;;;OW)", true, true},
};

class FolderAccessSddl : public testing::TestWithParam<CSddlCase>
{
};

TEST_P(FolderAccessSddl, DescriptorIsDescribed)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(GetParam().m_pSddl, SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
    CFolderAccess access;
    const bool described = NSys::gf_DescribeSecurity(descriptor, access);
    LocalFree(descriptor);
    ASSERT_TRUE(described);
    EXPECT_EQ(gf_CanOthersWrite(access), GetParam().m_bOthersWrite);
    EXPECT_EQ(gf_CanOthersRead(access), GetParam().m_bOthersRead);
}

INSTANTIATE_TEST_SUITE_P(FolderAccessWine, FolderAccessSddl, testing::ValuesIn(gc_SddlCases),
                         [](const testing::TestParamInfo<CSddlCase>& info) { return info.param.m_pName; });

TEST(FolderAccessWine, ProgramDescriptorDescribesAsTheProtection)
{
    for (EProtection protection : {EProtection::ProgramFolder, EProtection::StateFolder})
    {
        std::vector<unsigned char> descriptor = NSys::gf_BuildProtectedDescriptor(protection);
        ASSERT_FALSE(descriptor.empty());
        CFolderAccess access;
        ASSERT_TRUE(NSys::gf_DescribeSecurity(descriptor.data(), access));
        const CFolderAccess wanted = gf_ProtectedAccess(protection);
        EXPECT_TRUE(access.m_bProtected);
        EXPECT_EQ(access.m_Owner, ETrustee::Administrators);
        EXPECT_EQ(access.m_Entries, wanted.m_Entries);
        EXPECT_FALSE(gf_CanOthersWrite(access));
        EXPECT_EQ(gf_CanOthersRead(access), protection == EProtection::ProgramFolder);
    }
}

TEST(FolderAccessWine, NullListGrantsEveryone)
{
    SECURITY_DESCRIPTOR descriptor;
    ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE));
    CFolderAccess access;
    ASSERT_TRUE(NSys::gf_DescribeSecurity(&descriptor, access));
    EXPECT_FALSE(access.m_bHasList);
    EXPECT_TRUE(gf_CanOthersWrite(access));
}

TEST(FolderAccessWine, WineKeepsNoRules)
{
    EXPECT_FALSE(NSys::gf_SystemKeepsFolderRules());
}

TEST(FolderAccessWine, ProtectionIsSetAndRulesRead)
{
    CTempDirectory directory;
    EXPECT_TRUE(NSys::gf_SetFolderProtection(directory.f_GetPath().c_str(), EProtection::ProgramFolder));
    CFolderAccess access;
    EXPECT_TRUE(NSys::gf_ReadFolderAccess(directory.f_GetPath().c_str(), access));
}

TEST(FolderAccessWine, MissingFolderHasNoRules)
{
    CTempDirectory directory;
    CFolderAccess access;
    EXPECT_FALSE(NSys::gf_ReadFolderAccess(directory.f_Path("Missing").c_str(), access));
    EXPECT_FALSE(
        NSys::gf_SetFolderProtection(directory.f_Path("Missing").c_str(), EProtection::ProgramFolder));
}

TEST(FolderAccessWine, StateFolderIsMadeAndKept)
{
    CTempDirectory directory;
    const std::string state = directory.f_Path("State");
    ASSERT_TRUE(NSys::gf_PrepareProtectedFolder(state.c_str(), EProtection::StateFolder));
    NQuillonTest::gf_WriteFileBytes(state + "/Kept", "1");
    ASSERT_TRUE(NSys::gf_PrepareProtectedFolder(state.c_str(), EProtection::StateFolder));
    EXPECT_TRUE(NQuillonTest::gf_PathExists(state + "/Kept"));
}

TEST(FolderAccessWine, AFileInPlaceOfTheFolderIsMovedAside)
{
    CTempDirectory directory;
    const std::string state = directory.f_Path("State");
    NQuillonTest::gf_WriteFileBytes(state, "planted");
    ASSERT_TRUE(NSys::gf_PrepareProtectedFolder(state.c_str(), EProtection::StateFolder));
    EXPECT_EQ(GetFileAttributesA(state.c_str()) & FILE_ATTRIBUTE_DIRECTORY, DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(NQuillonTest::gf_ReadFileBytes(state + ".untrusted.1"), "planted");
}

TEST(FolderAccessWine, UserDataFoldersAreKnown)
{
    EXPECT_FALSE(NSys::gf_GetSharedDataFolder().f_IsEmpty());
    EXPECT_FALSE(NSys::gf_GetUserLocalDataFolder().f_IsEmpty());
}
} // namespace
