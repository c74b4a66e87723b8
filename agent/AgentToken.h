#pragma once
// Which token the service gives the console user's hidden agent. An agent with the user's own
// (limited) token does not see keys typed into windows of elevated programs when it captures
// with low-level hooks. The user may choose, as an administrator, to have the agent run with
// the linked elevated token instead; that agent then applies bindings from a settings file the
// user's unelevated programs can write, which is why the choice is off by default.

#include <cstdint>

namespace NQuillon
{
// TOKEN_ELEVATION_TYPE.
enum class ETokenElevationType : std::uint32_t
{
    Default = 1, // no split token: a standard user, or UAC off
    Full = 2,    // already elevated
    Limited = 3, // an administrator under UAC, with a linked elevated token
};

// True when the agent takes the linked elevated token: only by the choice, and only for a
// limited token, the one kind that has an elevated twin.
constexpr bool gf_AgentTakesLinkedToken(bool remapAdministratorWindows,
                                        ETokenElevationType elevation) noexcept
{
    return remapAdministratorWindows && elevation == ETokenElevationType::Limited;
}

// The registry value of the choice, under HKEY_LOCAL_MACHINE (only administrators write there).
inline constexpr const char* gc_AgentOptionsKey = "SOFTWARE\\Velmora\\Quillon";
inline constexpr const char* gc_RemapAdministratorWindowsValue = "RemapAdministratorWindows";
} // namespace NQuillon
