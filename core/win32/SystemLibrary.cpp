#include "core/win32/SystemLibrary.h"

#include <string>

namespace NTev::NSys
{
HMODULE gf_LoadSystemLibrary(const char* name) noexcept
{
    if (HMODULE library = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
        return library;
    // Windows 7 without its loader update refuses the flag: the full path then.
    if (GetLastError() != ERROR_INVALID_PARAMETER)
        return nullptr;
    char directory[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    std::string path(directory, length);
    path += '\\';
    path += name;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
} // namespace NTev::NSys
