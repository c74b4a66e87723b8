#pragma once
// Keeps one session agent serving the session that owns the console. A tray process of that
// session connects by itself; when none has connected within mc_TrayGraceSeconds of serving
// the session, or the agent went away, the service starts a hidden agent there as the
// session's user (none while nobody is logged on), and starts it
// again when it goes, with a growing pause while launches fail or agents keep ending at once.
// The supervisor runs on one thread of the service; the system comes in through
// ICAgentSessions, time as an argument.

#include "core/Str.h"

#include <cstdint>

namespace NQuillon
{
class ICAgentSessions
{
public:
    static constexpr std::uint32_t mc_NoSession = 0xFFFFFFFF;

    // The session attached to the console, or mc_NoSession.
    virtual std::uint32_t f_GetConsoleSession() = 0;
    // The string SID of the user logged on in the session; empty when nobody is.
    virtual NTev::CStr f_GetSessionUser(std::uint32_t session) = 0;
    // Serves the agent pipe of the session, open to the user (empty: SYSTEM only), instead of
    // what was served before, whose agent is let go; false, and nothing served, when it could
    // not.
    virtual bool f_Serve(std::uint32_t session, const char* user) = 0;
    virtual void f_StopServing() = 0;
    // Starts a hidden agent in the session, as its user; false when it could not.
    virtual bool f_LaunchAgent(std::uint32_t session) = 0;
    virtual bool f_IsLaunchedAgentRunning() = 0;
    // Ends the launched agent, when one runs.
    virtual void f_EndLaunchedAgent() = 0;

protected:
    ~ICAgentSessions() = default;
};

// The session changes the service hears of.
enum class ESessionChange
{
    ConsoleConnect,
    ConsoleDisconnect,
    Logon,
    Logoff,
    // Nothing changed, but the agent is to be started anew (the service's "restart agent"
    // control).
    Restart,
    // Lock, unlock, remote connections and the rest: the console session keeps its agent.
    Other,
};

class CAgentSupervisor
{
public:
    static constexpr double mc_TrayGraceSeconds = 3.0;
    static constexpr double mc_FirstPauseSeconds = 1.0;
    static constexpr double mc_LastPauseSeconds = 60.0;
    // An agent that connects and stays this long resets the pause; one that runs this long
    // without connecting is ended and started again.
    static constexpr double mc_SettleSeconds = 10.0;

    explicit CAgentSupervisor(ICAgentSessions& sessions) noexcept : m_Sessions(sessions) {}

    // The service started: serves the console session.
    void f_Start(double now);
    void f_OnSessionChange(double now, ESessionChange change, std::uint32_t session);
    // About once a second, with whether an agent is connected now.
    void f_Tick(double now, bool agentConnected);
    // The service stops: the launched agent ends and nothing is served.
    void f_Stop();

    std::uint32_t f_GetServedSession() const noexcept { return m_Session; }

private:
    // Serves the console session and its user anew when they changed, or always when forced.
    void fp_Follow(double now, bool force);
    void fp_Launch(double now);

    ICAgentSessions& m_Sessions;
    std::uint32_t m_Session = ICAgentSessions::mc_NoSession;
    NTev::CStr m_User;
    bool m_bServing = false;
    bool m_bConnected = false;
    double m_ConnectedSince = 0;
    double m_NextLaunch = 0;
    double m_LaunchedAt = 0;
    bool m_bLaunched = false;
    double m_Pause = mc_FirstPauseSeconds;
};
} // namespace NQuillon
