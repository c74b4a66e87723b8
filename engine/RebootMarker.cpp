#include "engine/RebootMarker.h"

#include "core/Exception.h"
#include "core/File.h"
#include "core/Format.h"
#include "core/SysFile.h"

namespace NQuillon::NRebootMarker
{
namespace
{
bool fg_WriteTime(const NTev::CStr& directory, const char* name, NTev::CTime& time) noexcept
{
    if (directory.f_IsEmpty())
        return false;
    const NTev::CStr path = directory + name;
    return NTev::NSys::NFile::gf_GetWriteTime(path.f_GetStr(), time);
}

void fg_Delete(const NTev::CStr& directory, const char* name) noexcept
{
    try
    {
        const NTev::CStr path = directory + name;
        NTev::NSys::NFile::gf_Delete(path.f_GetStr());
    }
    catch (const NTev::NException::CException&)
    {
        NTev::gf_DebugOutput("Reboot marker: cannot delete {}{}\n", directory, name);
    }
}
} // namespace

bool gf_ClearAfterRestart(const NTev::CStr& directory, const NTev::CTime& bootTime) noexcept
{
    NTev::CTime marker;
    NTev::CTime told;
    const bool hasMarker = fg_WriteTime(directory, gc_Marker, marker);
    const bool hasTold = fg_WriteTime(directory, gc_Told, told);
    const bool stale = hasMarker && marker < bootTime;
    if (stale)
        fg_Delete(directory, gc_Marker);
    // A record without its marker would hide the next marker written in the same tick.
    if (hasTold && (stale || !hasMarker))
        fg_Delete(directory, gc_Told);
    return stale;
}

bool gf_IsNoticeDue(const NTev::CStr& directory) noexcept
{
    NTev::CTime marker;
    NTev::CTime told;
    if (!fg_WriteTime(directory, gc_Marker, marker))
        return false;
    return !fg_WriteTime(directory, gc_Told, told) || told < marker;
}

void gf_RecordNoticeTold(const NTev::CStr& directory) noexcept
{
    if (directory.f_IsEmpty())
        return;
    try
    {
        const NTev::CStr path = directory + gc_Told;
        const unsigned char one = 1;
        NTev::NFile::CFile file;
        file.f_Open(path.f_GetStr(), NTev::NFile::OpenWrite);
        file.f_Write(&one, 1);
        file.f_Close();
    }
    catch (const NTev::NException::CException&)
    {
        NTev::gf_DebugOutput("Reboot marker: cannot record the notice in {}\n", directory);
    }
}
} // namespace NQuillon::NRebootMarker
