#pragma once
// Which settings the service's engine applies: those of the user at the console, found and
// read as that user; with nobody at the console (the logon screen, before any logon), the
// program folder's, which only administrators can change on an installed system. So one
// user's bindings never act on another user's typing or on the logon screen. A change of the
// console's user hands the engine the new source, which empties the configuration (every key
// released, as a reload does) and loads the new file.

#include "agent/AgentSupervisor.h"
#include "config/SettingsSource.h"

#include "core/Str.h"

#include <cstdint>
#include <memory>

namespace NQuillon
{
class CMessageHookBase;

class ICConsoleSettingsSystem
{
public:
    // As ICAgentSessions: the console session (or mc_NoSession) and the string SID of its user
    // (empty when nobody is logged on).
    virtual std::uint32_t f_GetConsoleSession() = 0;
    virtual NTev::CStr f_GetSessionUser(std::uint32_t session) = 0;
    // The settings of the session's user by the location rules, used as that user; null when
    // the user's token or folders cannot be had.
    virtual std::shared_ptr<ICSettingsSource> f_OpenUserSettings(std::uint32_t session) = 0;
    // The program folder's settings, used by the service itself.
    virtual std::shared_ptr<ICSettingsSource> f_OpenMachineSettings() = 0;

protected:
    ~ICConsoleSettingsSystem() = default;
};

class CConsoleSettings
{
public:
    CConsoleSettings(ICConsoleSettingsSystem& system, CMessageHookBase& engine) noexcept
        : m_System(system), m_Engine(engine)
    {
    }

    // The service started: the engine takes the console's settings before its first load.
    void f_Start();
    // The same session changes the agent supervisor hears of.
    void f_OnSessionChange(ESessionChange change, std::uint32_t session);
    // About once a second: a user whose settings could not be opened is tried again.
    void f_Tick();

    std::uint32_t f_GetSession() const noexcept { return m_Session; }
    const NTev::CStr& f_GetUser() const noexcept { return m_User; }

private:
    // Hands the engine the console's settings when the console's session or user changed, or
    // always when forced (a new logon has a new token even for the same user).
    void fp_Follow(bool force);

    ICConsoleSettingsSystem& m_System;
    CMessageHookBase& m_Engine;
    std::uint32_t m_Session = ICAgentSessions::mc_NoSession;
    NTev::CStr m_User;
    bool m_bFollowing = false;
    // The user's settings could not be opened: the machine's apply meanwhile.
    bool m_bRetryUser = false;
};
} // namespace NQuillon
