#include "agent/win32/AgentPipeSecurity.h"

#include <cstring>
#include <memory>

#include <sddl.h>

namespace NQuillon
{
namespace
{
struct CLocalFree
{
    void operator()(void* memory) const noexcept { LocalFree(memory); }
};
using CLocalSid = std::unique_ptr<void, CLocalFree>;

// Only the "S-1-..." form: ConvertStringSidToSidA also takes aliases such as "WD" (everyone).
CLocalSid fg_ParseUserSid(const char* text)
{
    if (std::strncmp(text, "S-1-", 4) != 0)
        return nullptr;
    PSID sid = nullptr;
    if (!ConvertStringSidToSidA(text, &sid))
        return nullptr;
    CLocalSid owned(sid);
    if (!IsValidSid(sid))
        return nullptr;
    return owned;
}

DWORD fg_AceSize(PSID sid) noexcept
{
    return sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(sid);
}
} // namespace

bool CAgentPipeSecurity::f_Build(const char* userSid)
{
    alignas(DWORD) BYTE systemSid[SECURITY_MAX_SID_SIZE];
    DWORD systemSize = sizeof systemSid;
    if (!CreateWellKnownSid(WinLocalSystemSid, nullptr, systemSid, &systemSize))
        return false;
    CLocalSid user;
    if (userSid && *userSid)
    {
        user = fg_ParseUserSid(userSid);
        if (!user)
            return false;
    }
    DWORD aclSize = sizeof(ACL) + fg_AceSize(systemSid) + (user ? fg_AceSize(user.get()) : 0);
    m_Acl.assign((aclSize + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
    auto* acl = reinterpret_cast<ACL*>(m_Acl.data());
    if (!InitializeAcl(acl, aclSize, ACL_REVISION) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, mc_SystemAccess, systemSid) ||
        (user && !AddAccessAllowedAce(acl, ACL_REVISION, mc_UserAccess, user.get())))
        return false;
    // Protected: nothing is inherited into the DACL.
    if (!InitializeSecurityDescriptor(&m_Descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&m_Descriptor, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&m_Descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return false;
    m_Attributes.nLength = sizeof m_Attributes;
    m_Attributes.lpSecurityDescriptor = &m_Descriptor;
    m_Attributes.bInheritHandle = FALSE;
    return true;
}
} // namespace NQuillon
