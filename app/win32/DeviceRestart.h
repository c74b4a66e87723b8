#pragma once
// Restarting devices so that changed filter lists take effect.

#include <vector>

namespace NQuillon::NDrivers::NWin32
{
// Sends a property change to every present device of the enumerator whose identifier starts
// with one of the prefixes (ASCII case ignored); true when one of them then needs a restart
// of the machine. Throws when the devices cannot be listed.
bool gf_RestartDevices(const char* enumerator, const std::vector<const char*>& idPrefixes);
} // namespace NQuillon::NDrivers::NWin32
