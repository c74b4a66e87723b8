// Full paths on POSIX, resolved like GetFullPathName: textually, without following links.

#include "core/FullPath.h"

#include "core/Exception.h"

#include <cerrno>
#include <climits>
#include <unistd.h>
#include <vector>

namespace NTev::NSys::NFile
{
NStr::CStr gf_GetFullPath(const char* path, const char* function)
{
    if (!path || !*path)
    {
        errno = ENOENT;
        TEV_THROW_SYSTEM_FILE(function, "GetFullPathName");
    }

    NStr::CStr joined;
    if (*path != '/')
    {
        char directory[PATH_MAX];
        if (!::getcwd(directory, sizeof(directory)))
            TEV_THROW_SYSTEM_FILE(function, "GetFullPathName");
        joined = directory;
        joined.f_Append("/", 1);
    }
    joined.f_Append(path);

    // Fold the components; ".." stops at the root.
    const char* text = joined.f_GetStr();
    std::vector<std::pair<const char*, std::size_t>> components;
    for (const char* p = text; *p;)
    {
        while (*p == '/')
            ++p;
        const char* start = p;
        while (*p && *p != '/')
            ++p;
        std::size_t length = static_cast<std::size_t>(p - start);
        if (length == 0 || (length == 1 && start[0] == '.'))
            continue;
        if (length == 2 && start[0] == '.' && start[1] == '.')
        {
            if (!components.empty())
                components.pop_back();
            continue;
        }
        components.emplace_back(start, length);
    }

    NStr::CStr full;
    for (const auto& [start, length] : components)
    {
        full.f_Append("/", 1);
        full.f_Append(start, length);
    }
    // A trailing separator stays, as GetFullPathName keeps it.
    std::size_t pathLength = std::strlen(path);
    bool bTrailing = path[pathLength - 1] == '/';
    if (full.f_IsEmpty() || bTrailing)
        full.f_Append("/", 1);
    return full;
}
} // namespace NTev::NSys::NFile
