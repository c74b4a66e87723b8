#pragma once
// The reboot marker's notice. The filter driver's installation leaves "/Rebootneeded" in the
// service's state folder, which only administrators and SYSTEM may read. The engine that owns
// input tells the user once per marker (the service through its session agent, which cannot
// read the folder); "/RebootneededTold", written when the notice went out, records that the
// marker of that time was told. Only the service deletes the marker, at its first start after a
// restart of the machine that followed it.

#include "core/Str.h"
#include "core/Time.h"

namespace NQuillon::NRebootMarker
{
inline constexpr const char* gc_Marker = "/Rebootneeded";
inline constexpr const char* gc_Told = "/RebootneededTold";

// The service's start: a marker written before the machine's last start is done with; it is
// deleted with its record. True when a marker was deleted. Errors are traced, not thrown.
bool gf_ClearAfterRestart(const NTev::CStr& directory, const NTev::CTime& bootTime) noexcept;
// Whether the marker exists and was not told yet (no record as new as the marker).
bool gf_IsNoticeDue(const NTev::CStr& directory) noexcept;
// Records that the marker as it is now was told.
void gf_RecordNoticeTold(const NTev::CStr& directory) noexcept;
} // namespace NQuillon::NRebootMarker
