// Which settings the service's engine applies for each state of the console: the console
// user's, the program folder's with nobody at the console or while the user's cannot be
// opened, and never a previous user's. The engine is the configuration holder; each user's
// folder is a temporary folder.

#include "agent/ConsoleSettings.h"
#include "tests/config/TestEngine.h"
#include "tests/core/FileTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace NQuillon;
using NQuillonTest::CTempDirectory;
using NQuillonTest::CTestEngine;

namespace
{
class CFolderSource final : public ICSettingsSource
{
public:
    CFolderSource(const std::string& directory, std::string user)
        : m_Directory(directory.c_str()), m_User(user)
    {
    }
    const NTev::CStr& f_GetDirectory() const noexcept override { return m_Directory; }
    bool f_Enter() override { return true; }
    void f_Leave() noexcept override {}

    NTev::CStr m_Directory;
    std::string m_User;
};

class CFakeConsole final : public ICConsoleSettingsSystem
{
public:
    std::uint32_t f_GetConsoleSession() override { return m_Console; }
    NTev::CStr f_GetSessionUser(std::uint32_t session) override { return m_Users[session].c_str(); }
    std::shared_ptr<ICSettingsSource> f_OpenUserSettings(std::uint32_t session) override
    {
        const std::string user = m_Users[session];
        m_Log += "open " + user + "\n";
        if (!m_bUserOpens)
            return nullptr;
        return std::make_shared<CFolderSource>(m_Folders[user], user);
    }
    std::shared_ptr<ICSettingsSource> f_OpenMachineSettings() override
    {
        m_Log += "open machine\n";
        return std::make_shared<CFolderSource>(m_Machine, "machine");
    }
    std::string f_Take()
    {
        std::string log;
        log.swap(m_Log);
        return log;
    }

    std::uint32_t m_Console = 1;
    std::map<std::uint32_t, std::string> m_Users{{1, "S-1-5-21-1"}, {2, "S-1-5-21-2"}};
    std::map<std::string, std::string> m_Folders;
    std::string m_Machine;
    bool m_bUserOpens = true;
    std::string m_Log;
};

class ConsoleSettings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fp_Write(m_Machine.f_GetPath(), "Machine");
        fp_Write(m_First.f_GetPath(), "First");
        fp_Write(m_Second.f_GetPath(), "Second");
        m_Console.m_Machine = m_Machine.f_GetPath();
        m_Console.m_Folders = {{"S-1-5-21-1", m_First.f_GetPath()}, {"S-1-5-21-2", m_Second.f_GetPath()}};
    }
    static void fp_Write(const std::string& directory, const char* table)
    {
        CTestEngine writer;
        writer.f_SetSettingsDirectory(directory.c_str());
        ASSERT_TRUE(writer.f_CreateTable(table));
    }
    // The tables in force once the engine's next check loaded its source's file.
    std::string fp_Applied()
    {
        if (!m_Engine.f_LoadSettings("Settings.dat"))
            return "(load failed)";
        std::string names;
        for (const NTev::CStr& name : m_Engine.f_ListTableNames())
            names += name.f_GetStr();
        return names;
    }

    CTempDirectory m_Machine;
    CTempDirectory m_First;
    CTempDirectory m_Second;
    CFakeConsole m_Console;
    CTestEngine m_Engine;
    CConsoleSettings m_Settings{m_Console, m_Engine};
};
} // namespace

TEST_F(ConsoleSettings, EachConsoleStateAppliesItsFile)
{
    struct CStep
    {
        const char* m_What;
        std::uint32_t m_Console;
        std::uint32_t m_UserSession;
        const char* m_User;
        ESessionChange m_Change;
        const char* m_Applied;
    };
    const CStep steps[] = {
        {"switch to the second user", 2, 2, "S-1-5-21-2", ESessionChange::ConsoleConnect, "Second"},
        {"back to the first", 1, 1, "S-1-5-21-1", ESessionChange::ConsoleConnect, "First"},
        {"the first logs off: the logon screen", 1, 1, "", ESessionChange::Logoff, "Machine"},
        {"the second logs on in that session", 1, 1, "S-1-5-21-2", ESessionChange::Logon, "Second"},
        {"no session at the console", ICAgentSessions::mc_NoSession, 1, "S-1-5-21-2",
         ESessionChange::ConsoleDisconnect, "Machine"},
    };
    m_Settings.f_Start();
    EXPECT_EQ(fp_Applied(), "First");
    for (const CStep& step : steps)
    {
        m_Console.m_Console = step.m_Console;
        m_Console.m_Users[step.m_UserSession] = step.m_User;
        m_Settings.f_OnSessionChange(step.m_Change, step.m_UserSession);
        // Nothing of what applied before stays in force until the new file loads.
        EXPECT_TRUE(m_Engine.f_ListTableNames().empty()) << step.m_What;
        EXPECT_EQ(fp_Applied(), step.m_Applied) << step.m_What;
    }
}

TEST_F(ConsoleSettings, ChangesThatKeepTheConsolesUserReloadNothing)
{
    m_Settings.f_Start();
    EXPECT_EQ(fp_Applied(), "First");
    m_Console.f_Take();
    m_Settings.f_OnSessionChange(ESessionChange::Other, 1);
    m_Settings.f_OnSessionChange(ESessionChange::Restart, 1);
    m_Settings.f_OnSessionChange(ESessionChange::ConsoleConnect, 1);
    // A logon in another session (remote desktop) leaves the console's user in force.
    m_Settings.f_OnSessionChange(ESessionChange::Logon, 3);
    m_Settings.f_Tick();
    EXPECT_EQ(m_Console.f_Take(), "");
    EXPECT_EQ(fp_Applied(), "First");
}

TEST_F(ConsoleSettings, ANewLogonOfTheConsolesSessionOpensTheUsersSettingsAgain)
{
    m_Settings.f_Start();
    m_Console.f_Take();
    m_Settings.f_OnSessionChange(ESessionChange::Logon, 1);
    EXPECT_EQ(m_Console.f_Take(), "open S-1-5-21-1\n");
    EXPECT_EQ(fp_Applied(), "First");
}

TEST_F(ConsoleSettings, AUserWhoseSettingsCannotBeOpenedGetsTheMachinesUntilTheyCan)
{
    m_Settings.f_Start();
    EXPECT_EQ(fp_Applied(), "First");
    m_Console.m_bUserOpens = false;
    m_Console.m_Console = 2;
    m_Settings.f_OnSessionChange(ESessionChange::ConsoleConnect, 2);
    EXPECT_EQ(m_Console.f_Take(), "open S-1-5-21-1\nopen S-1-5-21-2\nopen machine\n");
    EXPECT_EQ(fp_Applied(), "Machine");
    // Tried again each turn; a failing retry reloads nothing.
    m_Engine.f_TakeSettingsSourceChange();
    m_Settings.f_Tick();
    EXPECT_EQ(m_Console.f_Take(), "open S-1-5-21-2\n");
    EXPECT_FALSE(m_Engine.f_TakeSettingsSourceChange());
    m_Console.m_bUserOpens = true;
    m_Settings.f_Tick();
    EXPECT_EQ(m_Console.f_Take(), "open S-1-5-21-2\n");
    EXPECT_EQ(fp_Applied(), "Second");
    m_Settings.f_Tick();
    EXPECT_EQ(m_Console.f_Take(), "");
}
