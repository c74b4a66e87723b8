#include "core/FolderAccess.h"

namespace NTev::NFolderAccess
{
namespace
{
bool fg_IsAdministrative(ETrustee trustee)
{
    return trustee == ETrustee::System || trustee == ETrustee::Administrators ||
           trustee == ETrustee::TrustedInstaller;
}

// Whether an allowing entry gives a non-administrator any of the rights. Entries for the folder
// itself and entries inherited by files and subfolders count alike: a file below that users may
// change is as bad as the folder. CREATOR OWNER only reaches what a user could create anyway.
// Denying entries are not counted on: each names one group, and a user may hold the right
// through another.
bool fg_OthersHold(const CFolderAccess& access, std::uint32_t rights)
{
    if (!access.m_bHasList)
        return true;
    for (const CEntry& entry : access.m_Entries)
    {
        if (!entry.m_bAllow || !(entry.m_Mask & rights))
            continue;
        if (entry.m_Trustee == ETrustee::CreatorOwner || fg_IsAdministrative(entry.m_Trustee))
            continue;
        if (entry.m_Trustee == ETrustee::OwnerRights && fg_IsAdministrative(access.m_Owner))
            continue;
        return true;
    }
    return false;
}
} // namespace

bool gf_CanOthersWrite(const CFolderAccess& access)
{
    // An owner may rewrite the rules whatever they say.
    return !fg_IsAdministrative(access.m_Owner) || fg_OthersHold(access, gc_WriteRights);
}

bool gf_CanOthersRead(const CFolderAccess& access)
{
    return !fg_IsAdministrative(access.m_Owner) || fg_OthersHold(access, gc_ReadRights);
}

CFolderAccess gf_ProtectedAccess(EProtection protection)
{
    constexpr std::uint32_t inherit = InheritObjects | InheritContainers;
    CFolderAccess access;
    access.m_Owner = ETrustee::Administrators;
    access.m_bProtected = true;
    access.m_Entries.push_back({ETrustee::System, true, gc_FullControl, inherit});
    access.m_Entries.push_back({ETrustee::Administrators, true, gc_FullControl, inherit});
    if (protection == EProtection::ProgramFolder)
        access.m_Entries.push_back({ETrustee::Users, true, gc_ReadAndExecute, inherit});
    return access;
}
} // namespace NTev::NFolderAccess
