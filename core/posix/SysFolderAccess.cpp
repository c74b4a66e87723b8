// POSIX backend of folder protection: nothing to protect; the data folders are the program
// directory, so that the portable logic and its tests run unchanged.

#include "core/SysFolderAccess.h"

#include "core/CommandLine.h"

#include <cerrno>
#include <sys/stat.h>

namespace NTev::NSys::NFolderAccess
{
bool gf_ReadFolderAccess(const char*, NTev::NFolderAccess::CFolderAccess&) noexcept
{
    return false;
}

bool gf_SetFolderProtection(const char*, NTev::NFolderAccess::EProtection) noexcept
{
    return false;
}

bool gf_PrepareProtectedFolder(const char* path, NTev::NFolderAccess::EProtection) noexcept
{
    return gf_MakeFolder(path);
}

bool gf_SystemKeepsFolderRules() noexcept
{
    return false;
}

NStr::CStr gf_GetSharedDataFolder()
{
    return NFile::gf_GetProgramDirectory();
}

NStr::CStr gf_GetUserLocalDataFolder()
{
    return NFile::gf_GetProgramDirectory();
}

bool gf_MakeFolder(const char* path) noexcept
{
    return ::mkdir(path, 0700) == 0 || errno == EEXIST;
}
} // namespace NTev::NSys::NFolderAccess
