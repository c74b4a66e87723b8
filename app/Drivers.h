#pragma once
// The driver work of the engine thread. None of these throws: failures end the step they
// happen in, with a trace line.

#include "core/Str.h"

namespace NQuillon::NDrivers
{
// programDirectory: the program's directory (the shipped driver files); stateDirectory: the
// service's state folder (the markers); both with "/" separators and no trailing slash.
// When "/UninstallDrivers" exists: removes both drivers, writes "/Rebootneeded" and
// "/UninstallDriversDone" and returns true (the engine thread then ends at once).
bool gf_RemoveDriversIfRequested(const NTev::CStr& programDirectory, const NTev::CStr& stateDirectory);
// Capture mode only: installs or updates the class filter and, when that needs no reboot,
// registers it with the keyboard and mouse classes; "/Rebootneeded" when needed.
void gf_InstallClassFilter(const NTev::CStr& programDirectory, const NTev::CStr& stateDirectory);
// Every mode: the laptop keyboard's HID filter; the driver work only when ownsInput.
void gf_InstallHidFilter(const NTev::CStr& programDirectory, const NTev::CStr& stateDirectory,
                         bool ownsInput);
void gf_SetRebootMarker(const NTev::CStr& stateDirectory);
// Whether the reboot marker exists (errors count as no). Only the service deletes it, at its
// first start after the restart (engine/RebootMarker.h).
bool gf_IsRebootMarkerSet(const NTev::CStr& stateDirectory);
} // namespace NQuillon::NDrivers
