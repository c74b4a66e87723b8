#pragma once
// The security of the agent pipe: a protected DACL that admits SYSTEM with full access and the
// session's user with read and write, and nobody else; and a mandatory label that keeps
// processes below medium integrity (a sandboxed program of the user's) from reading or
// writing it.

#include <cstdint>
#include <vector>

#include <windows.h>

namespace NQuillon
{
class CAgentPipeSecurity
{
public:
    static constexpr DWORD mc_SystemAccess = FILE_ALL_ACCESS;
    // Read and write without FILE_CREATE_PIPE_INSTANCE (part of FILE_GENERIC_WRITE): the user
    // may not add an instance of his own under the service's pipe name. A client opens with
    // exactly these rights; FILE_WRITE_ATTRIBUTES lets it set the message read mode.
    static constexpr DWORD mc_UserAccess = FILE_GENERIC_READ | FILE_WRITE_DATA | FILE_WRITE_ATTRIBUTES;

    // userSid: a string SID ("S-1-5-21-..."); null or empty admits SYSTEM alone. False when
    // userSid is no such SID (SDDL aliases such as "WD" included).
    bool f_Build(const char* userSid);
    SECURITY_ATTRIBUTES* f_GetAttributes() noexcept { return &m_Attributes; }

    // The client's check of its server: the pipe is the service's when its server runs in
    // session 0 and SYSTEM owns it. A user can neither own an object as SYSTEM nor start a
    // process in session 0, so another session's user who made the name first is refused.
    // Under Wine, where every process shares one session and one account, the server is
    // taken when it runs in this session and this account owns the pipe.
    static bool fs_IsServiceServer(HANDLE pipe);
    PSECURITY_DESCRIPTOR f_GetDescriptor() noexcept { return &m_Descriptor; }

private:
    bool fp_BuildLabel();

    // DWORDs keep the ACL aligned.
    std::vector<DWORD> m_Acl;
    std::vector<DWORD> m_Label;
    SECURITY_DESCRIPTOR m_Descriptor{};
    SECURITY_ATTRIBUTES m_Attributes{};
};
} // namespace NQuillon
