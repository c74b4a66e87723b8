#include "core/FullPath.h"

#include "core/Exception.h"

#include <windows.h>

namespace NTev::NSys::NFile
{
NStr::CStr gf_GetFullPath(const char* path, const char* function)
{
    // First call for the length (terminator included), second for the text; the current
    // directory may change in between, so a text that no longer fits is asked for again.
    DWORD needed = GetFullPathNameA(path, 0, nullptr, nullptr);
    NStr::CStr full;
    for (;;)
    {
        if (needed == 0)
            TEV_THROW_SYSTEM_FILE(function, "GetFullPathName");
        char* buffer = full.f_SetCapacity(needed);
        DWORD length = GetFullPathNameA(path, needed, buffer, nullptr);
        if (length == 0)
            TEV_THROW_SYSTEM_FILE(function, "GetFullPathName");
        if (length < needed)
        {
            full.f_SetLen(length);
            return full;
        }
        needed = length;
    }
}
} // namespace NTev::NSys::NFile
