#include "app/Markers.h"

#include "core/Exception.h"
#include "core/File.h"
#include "core/SysFind.h"
#include "core/SysFolderAccess.h"

namespace NQuillon::NDrivers
{
namespace
{
void fg_RequireDirectory(const NTev::CStr& directory, const char* name)
{
    if (directory.f_IsEmpty())
        TEV_THROW(NTev::NFile::CExceptionFile, name, "no protected state folder");
}
} // namespace

NTev::CStr gf_GetStateDirectory()
{
    NTev::CStr directory = NTev::NSys::NFolderAccess::gf_GetSharedDataFolder();
    if (directory.f_IsEmpty())
        return directory;
    directory += "/Quillon";
    return directory;
}

void gf_WriteMarker(const NTev::CStr& directory, const char* name)
{
    fg_RequireDirectory(directory, name);
    NTev::CStr path = directory + name;
    const unsigned char one = 1;
    NTev::NFile::CFile file;
    file.f_Open(path.f_GetStr(), NTev::NFile::OpenWrite);
    file.f_Write(&one, 1);
    file.f_Close();
}

bool gf_MarkerExists(const NTev::CStr& directory, const char* name)
{
    if (directory.f_IsEmpty())
        return false;
    NTev::CStr path = directory + name;
    return NTev::NSys::NFile::gf_Exists(path.f_GetStr(), NTev::NSys::NFile::ExistsNotDirectory);
}

void gf_DeleteMarker(const NTev::CStr& directory, const char* name)
{
    fg_RequireDirectory(directory, name);
    NTev::CStr path = directory + name;
    NTev::NSys::NFile::gf_Delete(path.f_GetStr());
}
} // namespace NQuillon::NDrivers
