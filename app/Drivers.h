#pragma once
// The driver work of the engine thread. None of these throws: failures end the step they
// happen in, with a trace line.

#include "core/Str.h"

namespace NQuillon::NDrivers
{
// programDirectory: the program's directory with "/" separators and no trailing slash.
// When "/UninstallDrivers" exists: removes both drivers, writes "/Rebootneeded" and
// "/UninstallDriversDone" and returns true (the engine thread then ends at once).
bool gf_RemoveDriversIfRequested(const NTev::CStr& programDirectory);
// Capture mode only: installs or updates the class filter and, when that needs no reboot,
// registers it with the keyboard and mouse classes; "/Rebootneeded" when needed.
void gf_InstallClassFilter(const NTev::CStr& programDirectory);
// Every mode: the laptop keyboard's HID filter; the driver work only when ownsInput.
void gf_InstallHidFilter(const NTev::CStr& programDirectory, bool ownsInput);
void gf_SetRebootMarker(const NTev::CStr& programDirectory);
// True when the reboot marker existed; it is deleted (errors ignored).
bool gf_TakeRebootMarker(const NTev::CStr& programDirectory);
} // namespace NQuillon::NDrivers
