#include "core/FolderAccess.h"

#include <gtest/gtest.h>

namespace
{
using namespace NTev::NFolderAccess;

constexpr std::uint32_t gc_Both = InheritObjects | InheritContainers;

CFolderAccess fg_Access(ETrustee owner, std::vector<CEntry> entries)
{
    CFolderAccess access;
    access.m_Owner = owner;
    access.m_Entries = std::move(entries);
    return access;
}

struct CCase
{
    const char* m_pName;
    CFolderAccess m_Access;
    bool m_bOthersWrite;
    bool m_bOthersRead;
};

const CFolderAccess gc_Installed =
    fg_Access(ETrustee::TrustedInstaller, {{ETrustee::System, true, gc_FullControl, gc_Both},
                                           {ETrustee::Administrators, true, gc_FullControl, gc_Both},
                                           {ETrustee::Users, true, gc_ReadAndExecute, gc_Both}});

CFolderAccess fg_NullList()
{
    CFolderAccess access = fg_Access(ETrustee::Administrators, {});
    access.m_bHasList = false;
    return access;
}

const CCase gc_Cases[] = {
    {"ProgramFolderProtection", gf_ProtectedAccess(EProtection::ProgramFolder), false, true},
    {"StateFolderProtection", gf_ProtectedAccess(EProtection::StateFolder), false, false},
    {"InstalledByTrustedInstaller", gc_Installed, false, true},
    {"EmptyListAdminOwner", fg_Access(ETrustee::Administrators, {}), false, false},
    {"NullListGrantsEveryone", fg_NullList(), true, true},
    {"OwnerIsAUser", fg_Access(ETrustee::Other, {{ETrustee::System, true, gc_FullControl, gc_Both}}), true,
     true},
    {"OwnerIsUsers", fg_Access(ETrustee::Users, {}), true, true},
    // A folder made under C:\ by an administrator: authenticated users may create folders.
    {"RootFolderLetsUsersAddFolders",
     fg_Access(ETrustee::Administrators, {{ETrustee::Administrators, true, gc_FullControl, gc_Both},
                                          {ETrustee::Other, true, AccessAddFolder, 0}}),
     true, false},
    {"UsersModifyInheritedByFilesOnly",
     fg_Access(ETrustee::Administrators, {{ETrustee::Users, true, 0x1301BF, InheritObjects | InheritOnly}}),
     true, true},
    {"UsersGenericWrite", fg_Access(ETrustee::System, {{ETrustee::Users, true, AccessGenericWrite, gc_Both}}),
     true, false},
    {"UsersGenericAll", fg_Access(ETrustee::System, {{ETrustee::Users, true, AccessGenericAll, 0}}), true,
     true},
    {"UsersGenericRead", fg_Access(ETrustee::System, {{ETrustee::Users, true, AccessGenericRead, 0}}), false,
     true},
    {"OtherMayChangeRules", fg_Access(ETrustee::System, {{ETrustee::Other, true, AccessWriteDac, 0}}), true,
     false},
    {"OtherMayTakeOwnership", fg_Access(ETrustee::System, {{ETrustee::Other, true, AccessWriteOwner, 0}}),
     true, false},
    {"OtherMayDelete", fg_Access(ETrustee::System, {{ETrustee::Other, true, AccessDelete, 0}}), true, false},
    {"OtherMayDeleteChildren", fg_Access(ETrustee::System, {{ETrustee::Other, true, AccessDeleteChild, 0}}),
     true, false},
    {"OtherMayWriteAttributes",
     fg_Access(ETrustee::System, {{ETrustee::Other, true, AccessWriteAttributes, 0}}), true, false},
    {"OtherMayOnlyReadAttributes",
     fg_Access(ETrustee::System,
               {{ETrustee::Other, true, AccessReadAttributes | AccessReadControl | AccessSynchronize, 0}}),
     false, false},
    {"CreatorOwnerFullControlOnly",
     fg_Access(ETrustee::Administrators,
               {{ETrustee::CreatorOwner, true, gc_FullControl, gc_Both | InheritOnly}}),
     false, false},
    {"OwnerRightsOfAnAdministrativeOwner",
     fg_Access(ETrustee::Administrators, {{ETrustee::OwnerRights, true, gc_FullControl, 0}}), false, false},
    // A deny names one group; the user may be allowed through another.
    {"DenyDoesNotOutweighAllow",
     fg_Access(ETrustee::Administrators,
               {{ETrustee::Users, false, gc_FullControl, 0}, {ETrustee::Other, true, AccessAddFile, 0}}),
     true, false},
    {"DenyAloneGrantsNothing",
     fg_Access(ETrustee::Administrators, {{ETrustee::Users, false, gc_FullControl, 0}}), false, false},
    {"AdministratorsAndSystemFull",
     fg_Access(ETrustee::System, {{ETrustee::System, true, gc_FullControl, 0},
                                  {ETrustee::Administrators, true, gc_FullControl, 0},
                                  {ETrustee::TrustedInstaller, true, gc_FullControl, 0}}),
     false, false},
};

class FolderAccessCase : public testing::TestWithParam<CCase>
{
};

TEST_P(FolderAccessCase, AnswersWhetherOthersWriteAndRead)
{
    EXPECT_EQ(gf_CanOthersWrite(GetParam().m_Access), GetParam().m_bOthersWrite);
    EXPECT_EQ(gf_CanOthersRead(GetParam().m_Access), GetParam().m_bOthersRead);
}

INSTANTIATE_TEST_SUITE_P(FolderAccess, FolderAccessCase, testing::ValuesIn(gc_Cases),
                         [](const testing::TestParamInfo<CCase>& info) { return info.param.m_pName; });

TEST(FolderAccess, ProtectionIsProtectedOwnedByAdministratorsAndInherited)
{
    for (EProtection protection : {EProtection::ProgramFolder, EProtection::StateFolder})
    {
        const CFolderAccess access = gf_ProtectedAccess(protection);
        EXPECT_TRUE(access.m_bProtected);
        EXPECT_EQ(access.m_Owner, ETrustee::Administrators);
        for (const CEntry& entry : access.m_Entries)
        {
            EXPECT_TRUE(entry.m_bAllow);
            EXPECT_EQ(entry.m_Inherit, gc_Both);
        }
    }
    EXPECT_EQ(gf_ProtectedAccess(EProtection::ProgramFolder).m_Entries.size(), 3u);
    EXPECT_EQ(gf_ProtectedAccess(EProtection::StateFolder).m_Entries.size(), 2u);
}
} // namespace
