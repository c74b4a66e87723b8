#pragma once
// A second start with "-Settings" while a tray runs in the session: it finds the tray's
// dialog by a window property and asks it, with a registered message, to show itself in front.

#include <cstdint>

namespace NQuillon
{
// The property that marks the tray's configuration dialog, and the message that shows it.
constexpr const char* gc_SettingsTrayProperty = "Quillon.SettingsTray";
constexpr const char* gc_ShowSettingsMessageName = "Quillon.ShowSettings";

// Looks for another process's tray dialog on this desktop for up to waitMilliseconds (a tray
// that just started may not have made it yet), lets it take the foreground and asks it to
// show itself; false when none was found or the message could not be posted.
bool gf_AskRunningTrayToShowSettings(std::uint32_t waitMilliseconds);
} // namespace NQuillon
