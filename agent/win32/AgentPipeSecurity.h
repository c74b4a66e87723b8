#pragma once
// The security of the agent pipe: a protected DACL that admits SYSTEM with full access and the
// session's user with read and write, and nobody else.

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

private:
    // DWORDs keep the ACL aligned.
    std::vector<DWORD> m_Acl;
    SECURITY_DESCRIPTOR m_Descriptor{};
    SECURITY_ATTRIBUTES m_Attributes{};
};
} // namespace NQuillon
