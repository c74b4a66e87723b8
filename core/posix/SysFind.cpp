// POSIX backend of directory listing, in the manner of FindFirstFile / FindNextFile:
// "*" and "?" wildcards in the last component ("*.*" matches every name), matched
// case-sensitively. Attributes: a name starting with "." is hidden, an entry without write
// permission for its owner is read-only, a symbolic link is a reparse point; nothing is a
// system file.

#include "core/SysFind.h"

#include "core/MemoryObject.h"

#include <dirent.h>
#include <sys/stat.h>

namespace NTev::NSys::NFile
{
struct CFindRecord
{
    NStr::CStr m_Directory;
    NStr::CStr m_Path;
    // The name part of the pattern, and the entry found last (the find data).
    NStr::CStr m_NamePattern;
    NStr::CStr m_FoundName;
    // The open directory of a wildcard search; null for a literal name.
    DIR* m_pDirectory = nullptr;
    bool m_bMatched = false;
    // 0 = first entry not yet returned, 1 = iterating, 2 = exhausted.
    int m_State = 0;
};

namespace
{
bool fg_Matches(const char* pattern, const char* name) noexcept
{
    // Iterative wildcard match with backtracking to the last "*".
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name)
    {
        if (*pattern == '*')
        {
            star = pattern++;
            resume = name;
        }
        else if (*pattern == '?' || *pattern == *name)
        {
            ++pattern;
            ++name;
        }
        else if (star)
        {
            pattern = star + 1;
            name = ++resume;
        }
        else
            return false;
    }
    while (*pattern == '*')
        ++pattern;
    return !*pattern;
}

bool fg_HasWildcard(const char* name) noexcept
{
    return std::strpbrk(name, "*?") != nullptr;
}

// Reads directory entries up to the next one matching the pattern into m_FoundName.
bool fg_ReadMatch(CFindRecord& record)
{
    const char* pattern = record.m_NamePattern == "*.*" ? "*" : record.m_NamePattern.f_GetStr();
    while (dirent* entry = ::readdir(record.m_pDirectory))
    {
        if (fg_Matches(pattern, entry->d_name))
        {
            record.m_FoundName = entry->d_name;
            return true;
        }
    }
    return false;
}

std::uint32_t fg_Attributes(const char* path, const char* name, bool& bExists) noexcept
{
    struct stat status;
    bExists = ::lstat(path, &status) == 0;
    if (!bExists)
        return 0;
    std::uint32_t attributes = 0;
    if (S_ISLNK(status.st_mode))
    {
        attributes |= AttributeReparsePoint;
        struct stat target;
        if (::stat(path, &target) == 0)
            status = target;
    }
    if (S_ISDIR(status.st_mode))
        attributes |= AttributeDirectory;
    if (name[0] == '.')
        attributes |= AttributeHidden;
    if (!(status.st_mode & S_IWUSR))
        attributes |= AttributeReadOnly;
    return attributes;
}
// The part of FindFirstFile: finds the first entry matching name in directory.
void fg_FindFirst(CFindRecord& record, const NStr::CStr& directory, const char* name)
{
    record.m_Directory = directory;
    record.m_NamePattern = name;
    if (!*name)
        return;
    if (!fg_HasWildcard(name))
    {
        struct stat status;
        NStr::CStr path = directory + name;
        record.m_bMatched = ::lstat(path.f_GetStr(), &status) == 0;
        record.m_FoundName = name;
        return;
    }
    record.m_pDirectory = ::opendir(directory.f_GetStr());
    record.m_bMatched = record.m_pDirectory && fg_ReadMatch(record);
}
} // namespace

CFindRecord* gf_FindOpen(const char* pattern)
{
    NStr::CStr fullPattern;
    NStr::CStr directory = gf_GetFindDirectory(pattern, fullPattern);
    CFindRecord* record = gf_Mem_New<CFindRecord>();
    try
    {
        fg_FindFirst(*record, directory, fullPattern.f_GetStr() + directory.f_GetLen());
    }
    catch (...)
    {
        gf_FindClose(record);
        throw;
    }
    return record;
}

const NStr::CStr* gf_FindNext(CFindRecord* record, std::uint32_t* attributes)
{
    for (;;)
    {
        if (record->m_State == 2)
            return nullptr;
        if (record->m_State == 0)
        {
            record->m_State = record->m_bMatched ? 1 : 2;
            if (record->m_State == 2)
                return nullptr;
        }
        else if (!record->m_pDirectory || !fg_ReadMatch(*record))
        {
            record->m_State = 2;
            return nullptr;
        }

        const char* name = record->m_FoundName.f_GetStr();
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        record->m_Path = record->m_Directory + name;
        bool bExists = false;
        std::uint32_t found = fg_Attributes(record->m_Path.f_GetStr(), name, bExists);
        // An entry removed since it was listed is passed over.
        if (!bExists)
            continue;
        if (attributes)
            *attributes = found;
        return &record->m_Path;
    }
}

void gf_FindClose(CFindRecord* record) noexcept
{
    if (!record)
        return;
    if (record->m_pDirectory)
        ::closedir(record->m_pDirectory);
    gf_Mem_Delete(record);
}
} // namespace NTev::NSys::NFile
