// Windows backend of directory listing.

#include "core/SysFind.h"

#include "core/FullPath.h"
#include "core/MemoryObject.h"

#include <windows.h>

namespace NTev::NSys::NFile
{
struct CFindRecord
{
    NStr::CStr m_Directory;
    NStr::CStr m_Path;
    WIN32_FIND_DATAA m_FindData = {};
    HANDLE m_Handle = INVALID_HANDLE_VALUE;
    // 0 = first entry not yet returned, 1 = iterating, 2 = exhausted.
    int m_State = 0;
};

namespace
{
std::uint32_t fg_Attributes(DWORD windows) noexcept
{
    std::uint32_t attributes = 0;
    if (windows & FILE_ATTRIBUTE_DIRECTORY)
        attributes |= AttributeDirectory;
    if (windows & FILE_ATTRIBUTE_REPARSE_POINT)
        attributes |= AttributeReparsePoint;
    if (windows & FILE_ATTRIBUTE_HIDDEN)
        attributes |= AttributeHidden;
    if (windows & FILE_ATTRIBUTE_READONLY)
        attributes |= AttributeReadOnly;
    if (windows & FILE_ATTRIBUTE_SYSTEM)
        attributes |= AttributeSystem;
    return attributes;
}
} // namespace

CFindRecord* gf_FindOpen(const char* pattern)
{
    NStr::CStr fullPattern;
    NStr::CStr directory = gf_GetFindDirectory(pattern, fullPattern);
    CFindRecord* record = gf_Mem_New<CFindRecord>();
    try
    {
        record->m_Directory = directory;
    }
    catch (...)
    {
        gf_Mem_Delete(record);
        throw;
    }
    // An invalid handle means that nothing matched; gf_FindNext then returns nothing.
    record->m_Handle = FindFirstFileA(fullPattern.f_GetStr(), &record->m_FindData);
    return record;
}

const NStr::CStr* gf_FindNext(CFindRecord* record, std::uint32_t* attributes)
{
    for (;;)
    {
        if (record->m_State == 2 || record->m_Handle == INVALID_HANDLE_VALUE)
            return nullptr;
        if (record->m_State == 0)
            record->m_State = 1;
        else if (!FindNextFileA(record->m_Handle, &record->m_FindData))
        {
            record->m_State = 2;
            return nullptr;
        }

        const char* name = record->m_FindData.cFileName;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        record->m_Path = record->m_Directory + gf_WithSlashes(name).f_GetStr();
        if (attributes)
            *attributes = fg_Attributes(record->m_FindData.dwFileAttributes);
        return &record->m_Path;
    }
}

void gf_FindClose(CFindRecord* record) noexcept
{
    if (!record)
        return;
    if (record->m_Handle != INVALID_HANDLE_VALUE)
        FindClose(record->m_Handle);
    gf_Mem_Delete(record);
}
} // namespace NTev::NSys::NFile
