#pragma once
// Marker files in the service's state folder (%ProgramData%\Quillon, readable and writable by
// SYSTEM and Administrators only): one byte of value 1 each, only their existence matters.
// Names start with "/" and are appended to the directory. An empty directory (no protected
// folder could be had) holds no markers: none exists, writing and deleting throw.

#include "core/Str.h"

namespace NQuillon::NDrivers
{
inline constexpr const char* gc_RebootMarker = "/Rebootneeded";
inline constexpr const char* gc_UninstallMarker = "/UninstallDrivers";
inline constexpr const char* gc_UninstallDoneMarker = "/UninstallDriversDone";
// The service's answer instead of the done marker when it could not take the filter out of
// the device classes' lists: it kept the drivers, so that no keyboard or mouse is left without
// its driver stack.
inline constexpr const char* gc_UninstallFailedMarker = "/UninstallDriversFailed";

// The service's state folder, "/" separators; empty when the system names no shared data
// folder. Not made or checked here (SysFolderAccess.h gf_PrepareProtectedFolder).
NTev::CStr gf_GetStateDirectory();

// Writes the marker (replacing a file of that name); throws CExceptionFile on failure.
void gf_WriteMarker(const NTev::CStr& directory, const char* name);
bool gf_MarkerExists(const NTev::CStr& directory, const char* name);
// Throws CExceptionFile when the file cannot be deleted (also when it is missing).
void gf_DeleteMarker(const NTev::CStr& directory, const char* name);
} // namespace NQuillon::NDrivers
