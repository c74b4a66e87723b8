#pragma once
// The console user's settings on Windows: the user's token from the session, the user's
// folder found by the location rules while acting as the user, and sources that act as the
// user around every use of that folder (ImpersonateLoggedOnUser, RevertToSelf after).

#include "agent/ConsoleSettings.h"

#include <windows.h>

namespace NQuillon
{
class CConsoleSettingsSystem final : public ICConsoleSettingsSystem
{
public:
    // The console session and its user come from the agent's sessions.
    explicit CConsoleSettingsSystem(ICAgentSessions& sessions) noexcept : m_Sessions(sessions) {}

    std::uint32_t f_GetConsoleSession() override;
    NTev::CStr f_GetSessionUser(std::uint32_t session) override;
    std::shared_ptr<ICSettingsSource> f_OpenUserSettings(std::uint32_t session) override;
    std::shared_ptr<ICSettingsSource> f_OpenMachineSettings() override;

private:
    ICAgentSessions& m_Sessions;
};

// A source that acts as the user of the token (any token of the user; a copy is kept) around
// every use of directory; null when the token cannot be copied.
std::shared_ptr<ICSettingsSource> gf_MakeUserSettingsSource(HANDLE token, const NTev::CStr& directory);
// The settings of the user of the token: the folder by the location rules, found while acting
// as the user; null when the token cannot be used or the folder cannot be found.
std::shared_ptr<ICSettingsSource> gf_OpenSettingsOfUser(HANDLE token);
// The program folder's settings, used as the process itself.
std::shared_ptr<ICSettingsSource> gf_MakeMachineSettingsSource(const NTev::CStr& directory);
} // namespace NQuillon
