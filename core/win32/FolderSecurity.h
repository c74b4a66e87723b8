#pragma once
// The Windows side of folder protection below the path functions of SysFolderAccess.h: a
// security descriptor in the portable description, and the descriptor the program sets.

#include "core/FolderAccess.h"

#include <windows.h>

#include <vector>

namespace NTev::NSys::NFolderAccess
{
// The owner and list of a descriptor holding both; false when its list cannot be walked.
bool gf_DescribeSecurity(PSECURITY_DESCRIPTOR descriptor,
                         NTev::NFolderAccess::CFolderAccess& access) noexcept;
// The protection as a self-relative descriptor (owner Administrators, protected list); empty
// on failure.
std::vector<unsigned char> gf_BuildProtectedDescriptor(NTev::NFolderAccess::EProtection protection);
} // namespace NTev::NSys::NFolderAccess
