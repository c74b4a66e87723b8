// Windows backend of the program's path and command line.

#include "core/CommandLine.h"

#include "core/FullPath.h"

#include <windows.h>

#include <shellapi.h>

namespace NTev::NSys::NFile
{
NStr::CStr gfs_GetProgramPath()
{
    // Argument 0 of the wide command line, narrowed to 8 bits by the low byte of each unit.
    NStr::CStr name;
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments && count > 0)
    {
        std::size_t length = wcslen(arguments[0]);
        char* chars = name.f_SetCapacity(length + 1);
        for (std::size_t i = 0; i < length; ++i)
            chars[i] = static_cast<char>(arguments[0][i] & 0xFF);
        name.f_SetLen(length);
    }
    NStr::CStr full;
    try
    {
        full = gf_GetFullPath(name.f_GetStr(), "gfs_GetProgramPath");
    }
    catch (...)
    {
        GlobalFree(arguments);
        throw;
    }
    GlobalFree(arguments);
    return gf_WithSlashes(full.f_GetStr());
}

NStr::CStr gfs_GetCommandLine()
{
    return NStr::CStr(GetCommandLineA());
}
} // namespace NTev::NSys::NFile
