#include "app/win32/EngineGuard.h"

#include "core/Format.h"

#include <sddl.h>

namespace NQuillon
{
namespace
{
// SYSTEM and administrators: all rights; everyone else: wait only. An open that asks for more
// (CreateMutex asks for all rights) is refused, which "-RunAsProgram" reads as "an engine runs".
constexpr const char* gc_GuardSecurity = "D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x00100000;;;WD)";
} // namespace

HANDLE gf_CreateServiceEngineGuard(const char* name) noexcept
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(gc_GuardSecurity, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
    {
        NTev::gf_DebugOutput(
            "The engine guard's security could not be built ({}); the service runs without it\n",
            GetLastError());
        return nullptr;
    }
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = descriptor;
    HANDLE guard = CreateMutexA(&attributes, FALSE, name);
    const DWORD error = GetLastError();
    LocalFree(descriptor);
    if (guard && error != ERROR_ALREADY_EXISTS)
        return guard;
    if (guard)
        CloseHandle(guard);
    // Someone made the name first: its maker only loses the guard against a second engine.
    NTev::gf_DebugOutput("The engine guard {} exists already ({}); the service runs all the same\n", name,
                         error);
    return nullptr;
}
} // namespace NQuillon
