#include "app/Markers.h"

#include "core/File.h"
#include "core/SysFind.h"

namespace NQuillon::NDrivers
{
void gf_WriteMarker(const NTev::CStr& directory, const char* name)
{
    NTev::CStr path = directory + name;
    const unsigned char one = 1;
    NTev::NFile::CFile file;
    file.f_Open(path.f_GetStr(), NTev::NFile::OpenWrite);
    file.f_Write(&one, 1);
    file.f_Close();
}

bool gf_MarkerExists(const NTev::CStr& directory, const char* name)
{
    NTev::CStr path = directory + name;
    return NTev::NSys::NFile::gf_Exists(path.f_GetStr(), NTev::NSys::NFile::ExistsNotDirectory);
}

void gf_DeleteMarker(const NTev::CStr& directory, const char* name)
{
    NTev::CStr path = directory + name;
    NTev::NSys::NFile::gf_Delete(path.f_GetStr());
}
} // namespace NQuillon::NDrivers
