// The supervisor in virtual time against a log of what it asks of the system: a tray gets its
// grace, a hidden agent comes when none connects, comes back when it goes with a growing pause,
// and follows the console from session to session.

#include "agent/AgentSupervisor.h"
#include "agent/AgentToken.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace NQuillon;

namespace
{
class CFakeSessions final : public ICAgentSessions
{
public:
    std::uint32_t f_GetConsoleSession() override { return m_Console; }
    NTev::CStr f_GetSessionUser(std::uint32_t session) override { return m_Users[session].c_str(); }
    bool f_Serve(std::uint32_t session, const char* user) override
    {
        m_Log += "serve " + std::to_string(session) + " " + user + "\n";
        return m_bServeWorks;
    }
    void f_StopServing() override { m_Log += "stop\n"; }
    bool f_LaunchAgent(std::uint32_t session) override
    {
        m_Log += "launch " + std::to_string(session) + "\n";
        m_bRunning = m_bLaunchWorks;
        return m_bLaunchWorks;
    }
    bool f_IsLaunchedAgentRunning() override { return m_bRunning; }
    void f_EndLaunchedAgent() override
    {
        if (m_bRunning)
            m_Log += "end\n";
        m_bRunning = false;
    }
    std::string f_Take()
    {
        std::string log;
        log.swap(m_Log);
        return log;
    }

    std::uint32_t m_Console = 1;
    std::map<std::uint32_t, std::string> m_Users{{1, "S-1-5-21-1"}, {2, "S-1-5-21-2"}};
    bool m_bServeWorks = true;
    bool m_bLaunchWorks = true;
    bool m_bRunning = false;
    std::string m_Log;
};

class AgentSupervisor : public ::testing::Test
{
protected:
    // Ticks once a second from the current time up to `until`.
    void fp_TickUntil(double until, bool connected)
    {
        for (; m_Now <= until; m_Now += 1)
            m_Supervisor.f_Tick(m_Now, connected);
    }

    CFakeSessions m_Sessions;
    CAgentSupervisor m_Supervisor{m_Sessions};
    double m_Now = 0;
};
} // namespace

TEST_F(AgentSupervisor, ATrayThatConnectsInItsGraceNeedsNoHiddenAgent)
{
    m_Supervisor.f_Start(0);
    EXPECT_EQ(m_Sessions.f_Take(), "serve 1 S-1-5-21-1\n");
    fp_TickUntil(2, false);
    fp_TickUntil(100, true);
    EXPECT_EQ(m_Sessions.f_Take(), "");
}

TEST_F(AgentSupervisor, AHiddenAgentComesAfterTheGraceAndAgainWhenItGoes)
{
    m_Supervisor.f_Start(0);
    m_Sessions.f_Take();
    fp_TickUntil(CAgentSupervisor::mc_TrayGraceSeconds, false);
    EXPECT_EQ(m_Sessions.f_Take(), "launch 1\n");
    fp_TickUntil(30, true);
    // Settled for longer than the settle time: it comes back after the first pause.
    m_Sessions.m_bRunning = false;
    m_Supervisor.f_Tick(m_Now, false);
    EXPECT_EQ(m_Sessions.f_Take(), "");
    m_Now += CAgentSupervisor::mc_FirstPauseSeconds;
    m_Supervisor.f_Tick(m_Now, false);
    EXPECT_EQ(m_Sessions.f_Take(), "launch 1\n");
}

TEST_F(AgentSupervisor, AgentsThatKeepFailingComeBackEverMoreSlowly)
{
    m_Sessions.m_bLaunchWorks = false;
    m_Supervisor.f_Start(0);
    m_Sessions.f_Take();
    std::string launches;
    for (m_Now = 0; m_Now <= 200; m_Now += 0.5)
    {
        m_Supervisor.f_Tick(m_Now, false);
        if (!m_Sessions.f_Take().empty())
            launches += std::to_string(int(m_Now)) + " ";
    }
    EXPECT_EQ(launches, "3 4 6 10 18 34 66 126 186 ");
}

TEST_F(AgentSupervisor, AnAgentThatNeverConnectsIsEndedAndStartedAgain)
{
    m_Supervisor.f_Start(0);
    fp_TickUntil(CAgentSupervisor::mc_TrayGraceSeconds, false);
    m_Sessions.f_Take();
    fp_TickUntil(CAgentSupervisor::mc_TrayGraceSeconds + CAgentSupervisor::mc_SettleSeconds, false);
    EXPECT_EQ(m_Sessions.f_Take(), "end\nlaunch 1\n");
}

TEST_F(AgentSupervisor, TheAgentFollowsTheConsoleAndItsUser)
{
    m_Supervisor.f_Start(0);
    fp_TickUntil(5, false);
    m_Sessions.f_Take();
    struct
    {
        ESessionChange m_Change;
        std::uint32_t m_Session;
        std::uint32_t m_Console;
        const char* m_Log;
    } const steps[] = {
        // Locking, remote connections and logons elsewhere leave the agent alone.
        {ESessionChange::Other, 1, 1, ""},
        {ESessionChange::Logon, 3, 1, ""},
        {ESessionChange::ConsoleConnect, 1, 1, ""},
        // Fast user switching: the console goes to session 2, the agent with it.
        {ESessionChange::ConsoleConnect, 2, 2, "serve 2 S-1-5-21-2\nend\n"},
        // A new logon in the served session replaces the agent even with the same user; the
        // pipe stays, only a console without a session closes it.
        {ESessionChange::Logon, 2, 2, "serve 2 S-1-5-21-2\n"},
        // Nobody at the console: nothing served.
        {ESessionChange::ConsoleDisconnect, 2, ICAgentSessions::mc_NoSession, "stop\n"},
        {ESessionChange::ConsoleConnect, 1, 1, "serve 1 S-1-5-21-1\n"},
        {ESessionChange::Restart, 0, 1, "serve 1 S-1-5-21-1\n"},
    };
    for (const auto& step : steps)
    {
        m_Sessions.m_Console = step.m_Console;
        m_Sessions.m_bRunning = true;
        m_Supervisor.f_OnSessionChange(m_Now, step.m_Change, step.m_Session);
        std::string log = m_Sessions.f_Take();
        if (std::string(step.m_Log).find("end") == std::string::npos)
            for (std::size_t at; (at = log.find("end\n")) != std::string::npos;)
                log.erase(at, 4);
        EXPECT_EQ(log, step.m_Log) << static_cast<int>(step.m_Change) << " " << step.m_Session;
    }
    // Nothing is served while nobody is at the console, and nothing launched.
    m_Sessions.m_Console = ICAgentSessions::mc_NoSession;
    m_Supervisor.f_OnSessionChange(m_Now, ESessionChange::ConsoleDisconnect, 1);
    m_Sessions.f_Take();
    fp_TickUntil(m_Now + 100, false);
    EXPECT_EQ(m_Sessions.f_Take(), "");
}

TEST_F(AgentSupervisor, NoAgentIsLaunchedBeforeSomebodyLogsOn)
{
    m_Sessions.m_Users[1] = "";
    m_Supervisor.f_Start(0);
    fp_TickUntil(100, false);
    EXPECT_EQ(m_Sessions.f_Take(), "serve 1 \n");
    m_Sessions.m_Users[1] = "S-1-5-21-1";
    m_Supervisor.f_OnSessionChange(m_Now, ESessionChange::Logon, 1);
    fp_TickUntil(m_Now + CAgentSupervisor::mc_TrayGraceSeconds, false);
    EXPECT_EQ(m_Sessions.f_Take(), "serve 1 S-1-5-21-1\nlaunch 1\n");
}

TEST_F(AgentSupervisor, APipeNameHeldByAnotherProcessIsTriedAgain)
{
    m_Sessions.m_bServeWorks = false;
    m_Supervisor.f_Start(0);
    fp_TickUntil(5, false);
    std::string expected;
    for (int i = 0; i < 6; ++i)
        expected += "serve 1 S-1-5-21-1\n";
    EXPECT_EQ(m_Sessions.f_Take(), expected);
    m_Sessions.m_bServeWorks = true;
    fp_TickUntil(6, false);
    fp_TickUntil(6 + CAgentSupervisor::mc_TrayGraceSeconds, false);
    EXPECT_EQ(m_Sessions.f_Take(), "serve 1 S-1-5-21-1\nlaunch 1\n");
}

TEST(AgentToken, OnlyTheChoiceAndALimitedTokenTakeTheElevatedTwin)
{
    using NQuillon::ETokenElevationType;
    struct
    {
        bool m_bChosen;
        ETokenElevationType m_Elevation;
        bool m_bLinked;
    } const cases[] = {
        {false, ETokenElevationType::Limited, false}, {false, ETokenElevationType::Default, false},
        {false, ETokenElevationType::Full, false},    {true, ETokenElevationType::Limited, true},
        {true, ETokenElevationType::Default, false},  {true, ETokenElevationType::Full, false},
    };
    for (const auto& test : cases)
        EXPECT_EQ(NQuillon::gf_AgentTakesLinkedToken(test.m_bChosen, test.m_Elevation), test.m_bLinked)
            << test.m_bChosen << " " << static_cast<int>(test.m_Elevation);
}
