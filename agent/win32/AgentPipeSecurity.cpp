#include "agent/win32/AgentPipeSecurity.h"

#include "core/Format.h"

#include <cstring>
#include <memory>

#include <aclapi.h>
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

bool fg_IsWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Whether the SID is this process's user or default owner.
bool fg_IsOwnAccount(PSID sid)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    alignas(DWORD) BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    alignas(DWORD) BYTE owner[sizeof(TOKEN_OWNER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    const bool isOwn = (GetTokenInformation(token, TokenUser, user, sizeof user, &size) &&
                        EqualSid(sid, reinterpret_cast<TOKEN_USER*>(user)->User.Sid)) ||
                       (GetTokenInformation(token, TokenOwner, owner, sizeof owner, &size) &&
                        EqualSid(sid, reinterpret_cast<TOKEN_OWNER*>(owner)->Owner));
    CloseHandle(token);
    return isOwn;
}

DWORD fg_AceSize(PSID sid) noexcept
{
    return sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(sid);
}
} // namespace

bool CAgentPipeSecurity::fs_IsServiceServer(HANDLE pipe)
{
    static const bool isWine = fg_IsWine();
    ULONG serverSession = 0;
    DWORD ownSession = 0;
    if (!GetNamedPipeServerSessionId(pipe, &serverSession) ||
        !ProcessIdToSessionId(GetCurrentProcessId(), &ownSession))
        return false;
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(pipe, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return false;
    std::unique_ptr<void, CLocalFree> ownedDescriptor(descriptor);
    bool isService;
    if (isWine)
        isService = serverSession == ownSession && owner && fg_IsOwnAccount(owner);
    else
        isService = serverSession == 0 && owner && IsWellKnownSid(owner, WinLocalSystemSid);
    if (!isService)
    {
        char* text = nullptr;
        if (owner)
            ConvertSidToStringSidA(owner, &text);
        NTev::gf_DebugOutput("Quillon agent pipe: refused a server of session {} owned by {}\n",
                             serverSession, text ? text : "nobody");
        LocalFree(text);
    }
    return isService;
}

bool CAgentPipeSecurity::fp_BuildLabel()
{
    alignas(DWORD) BYTE mediumSid[SECURITY_MAX_SID_SIZE];
    DWORD mediumSize = sizeof mediumSid;
    if (!CreateWellKnownSid(WinMediumLabelSid, nullptr, mediumSid, &mediumSize))
        return false;
    const DWORD labelSize = sizeof(ACL) + sizeof(SYSTEM_MANDATORY_LABEL_ACE) - sizeof(DWORD) + mediumSize;
    m_Label.assign((labelSize + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
    auto* label = reinterpret_cast<ACL*>(m_Label.data());
    return InitializeAcl(label, labelSize, ACL_REVISION) &&
           AddMandatoryAce(label, ACL_REVISION, 0,
                           SYSTEM_MANDATORY_LABEL_NO_WRITE_UP | SYSTEM_MANDATORY_LABEL_NO_READ_UP,
                           mediumSid) &&
           SetSecurityDescriptorSacl(&m_Descriptor, TRUE, label, FALSE);
}

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
        !SetSecurityDescriptorControl(&m_Descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED) ||
        !fp_BuildLabel())
        return false;
    m_Attributes.nLength = sizeof m_Attributes;
    m_Attributes.lpSecurityDescriptor = &m_Descriptor;
    m_Attributes.bInheritHandle = FALSE;
    return true;
}
} // namespace NQuillon
