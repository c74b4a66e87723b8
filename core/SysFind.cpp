#include "core/SysFind.h"

#include "core/Exception.h"
#include "core/FullPath.h"

namespace NTev::NSys::NFile
{
using ::NTev::NFile::CExceptionFile;

NStr::CStr gf_GetFindDirectory(const char* pattern, NStr::CStr& fullPattern)
{
    static constexpr const char* c_Function = "NTev::NSys::NFile::gf_FindOpen";
    fullPattern = gf_WithSlashes(gf_GetFullPath(pattern, c_Function).f_GetStr());
    const char* text = fullPattern.f_GetStr();
    const char* slash = std::strrchr(text, '/');
    if (!slash)
        TEV_THROW(CExceptionFile, c_Function, "Could not find the end of the path");
    return NStr::CStr(text, static_cast<std::size_t>(slash - text) + 1);
}

bool gf_Exists(const char* path, std::uint32_t mask)
{
    CFindRecord* record = nullptr;
    try
    {
        record = gf_FindOpen(path);
        std::uint32_t attributes = 0;
        bool bFound = gf_FindNext(record, &attributes) != nullptr;
        gf_FindClose(record);
        if (!bFound)
            return false;
        return (attributes & mask) != 0 ||
               ((mask & ExistsNotDirectory) && !(attributes & AttributeDirectory));
    }
    catch (const CExceptionFile&)
    {
        gf_FindClose(record);
        return false;
    }
}
} // namespace NTev::NSys::NFile
