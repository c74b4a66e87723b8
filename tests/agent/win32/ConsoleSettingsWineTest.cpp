// The service's engine follows the console's user under Wine: the console's sessions and users
// come through the session seam, each user's settings through a real source that acts as the
// user (this process's own token, Wine having one user), and the engine thread loads and
// watches whichever folder applies. Also the Windows side of the location rules: paths the
// ANSI code page cannot spell, the writability probe, and the rename the first-start copy
// relies on.

// The engine's record declarations come before the system headers, which define macros of the
// same names.
#include "engine/MessageHook.h"

#include "agent/ConsoleSettings.h"
#include "agent/win32/ConsoleSettingsSystem.h"
#include "config/win32/SettingsPlaces.h"
#include "tests/config/TestEngine.h"
#include "tests/core/FileTestSupport.h"
#include "tests/engine/EngineTestSupport.h"

#include "core/CommandLine.h"
#include "core/SysFind.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>

using namespace NQuillon;
using NQuillonTest::CTempDirectory;
using NQuillonTest::CTestEngine;

namespace
{
// Counts the uses of a user's folder, and those made while the thread acted as someone.
class CCheckedSource final : public ICSettingsSource
{
public:
    explicit CCheckedSource(std::shared_ptr<ICSettingsSource> inner) : m_pInner(std::move(inner)) {}
    const NTev::CStr& f_GetDirectory() const noexcept override { return m_pInner->f_GetDirectory(); }
    bool f_Enter() override
    {
        if (!m_pInner->f_Enter())
            return false;
        HANDLE token = nullptr;
        if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token))
        {
            ++m_Impersonated;
            CloseHandle(token);
        }
        ++m_Entered;
        return true;
    }
    void f_Leave() noexcept override { m_pInner->f_Leave(); }

    std::shared_ptr<ICSettingsSource> m_pInner;
    std::atomic<int> m_Entered{0};
    std::atomic<int> m_Impersonated{0};
};

class CFakeConsole final : public ICConsoleSettingsSystem
{
public:
    std::uint32_t f_GetConsoleSession() override { return m_Console; }
    NTev::CStr f_GetSessionUser(std::uint32_t session) override { return m_Users[session].c_str(); }
    std::shared_ptr<ICSettingsSource> f_OpenUserSettings(std::uint32_t session) override
    {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &token))
            return nullptr;
        auto source = gf_MakeUserSettingsSource(token, m_Folders[m_Users[session]].c_str());
        CloseHandle(token);
        if (!source)
            return nullptr;
        m_pLastUserSource = std::make_shared<CCheckedSource>(source);
        return m_pLastUserSource;
    }
    std::shared_ptr<ICSettingsSource> f_OpenMachineSettings() override
    {
        return gf_MakeMachineSettingsSource(m_Machine.c_str());
    }

    std::uint32_t m_Console = 1;
    std::map<std::uint32_t, std::string> m_Users{{1, "S-1-5-21-1"}, {2, "S-1-5-21-2"}};
    std::map<std::string, std::string> m_Folders;
    std::string m_Machine;
    std::shared_ptr<CCheckedSource> m_pLastUserSource;
};

void fg_WriteTables(const std::string& directory, std::initializer_list<const char*> tables)
{
    CTestEngine writer;
    writer.f_SetSettingsDirectory(directory.c_str());
    for (const char* table : tables)
        ASSERT_TRUE(writer.f_CreateTable(table));
}

class ConsoleSettingsWine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fg_WriteTables(m_Machine.f_GetPath(), {"Machine"});
        fg_WriteTables(m_First.f_GetPath(), {"First"});
        fg_WriteTables(m_Second.f_GetPath(), {"Second"});
        m_Console.m_Machine = m_Machine.f_GetPath();
        m_Console.m_Folders = {{"S-1-5-21-1", m_First.f_GetPath()}, {"S-1-5-21-2", m_Second.f_GetPath()}};
    }
    void TearDown() override { m_Engine.f_Stop(true); }

    std::string fp_Tables()
    {
        std::string names;
        for (const NTev::CStr& name : m_Engine.f_ListTableNames())
            names += std::string(names.empty() ? "" : " ") + name.f_GetStr();
        return names;
    }
    // Waits until the engine thread applied exactly these tables.
    bool fp_Applies(const std::string& tables)
    {
        return NQuillonTest::gf_WaitFor([&] { return fp_Tables() == tables; });
    }

    CTempDirectory m_Machine;
    CTempDirectory m_First;
    CTempDirectory m_Second;
    CFakeConsole m_Console;
    CMessageHook m_Engine;
    CConsoleSettings m_Settings{m_Console, m_Engine};
};
} // namespace

TEST_F(ConsoleSettingsWine, TheEngineFollowsTheConsolesUserAndWatchesTheirFolder)
{
    m_Settings.f_Start();
    m_Engine.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    ASSERT_TRUE(fp_Applies("First")) << fp_Tables();
    // The user's file is read as the user.
    std::shared_ptr<CCheckedSource> first = m_Console.m_pLastUserSource;
    EXPECT_GT(first->m_Entered.load(), 0);
    EXPECT_EQ(first->m_Impersonated.load(), first->m_Entered.load());
    EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, nullptr));

    // The tray of the first user saves: the engine takes it.
    fg_WriteTables(m_First.f_GetPath(), {"First", "Edited"});
    ASSERT_TRUE(fp_Applies("Edited First")) << fp_Tables();

    // The console switches to the second user.
    m_Console.m_Console = 2;
    m_Settings.f_OnSessionChange(ESessionChange::ConsoleConnect, 2);
    ASSERT_TRUE(fp_Applies("Second")) << fp_Tables();
    // The watch moved with the user: the second user's save applies, the first user's no longer.
    fg_WriteTables(m_Second.f_GetPath(), {"Second", "Edited"});
    ASSERT_TRUE(fp_Applies("Edited Second")) << fp_Tables();
    fg_WriteTables(m_First.f_GetPath(), {"First", "Late"});
    fg_WriteTables(m_Second.f_GetPath(), {"Second", "Again"});
    ASSERT_TRUE(fp_Applies("Again Second")) << fp_Tables();

    // The second user logs off: the logon screen gets the program folder's settings.
    m_Console.m_Users[2] = "";
    m_Settings.f_OnSessionChange(ESessionChange::Logoff, 2);
    ASSERT_TRUE(fp_Applies("Machine")) << fp_Tables();
    fg_WriteTables(m_Machine.f_GetPath(), {"Machine", "Edited"});
    ASSERT_TRUE(fp_Applies("Edited Machine")) << fp_Tables();
}

TEST_F(ConsoleSettingsWine, AUserWithoutAFolderYetGetsAnEmptyConfigurationUntilItAppears)
{
    m_Console.m_Folders["S-1-5-21-2"] = m_Second.f_Path("Quillon");
    m_Console.m_Console = 2;
    m_Settings.f_Start();
    m_Engine.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    std::shared_ptr<CCheckedSource> second = m_Console.m_pLastUserSource;
    ASSERT_TRUE(NQuillonTest::gf_WaitFor([&] { return second->m_Entered.load() > 1; }));
    EXPECT_EQ(fp_Tables(), "");
    // The user's tray starts and makes the folder with its file.
    NQuillonTest::gf_MakeDirectory(m_Second.f_Path("Quillon"));
    fg_WriteTables(m_Second.f_Path("Quillon"), {"Seeded"});
    ASSERT_TRUE(fp_Applies("Seeded")) << fp_Tables();
}

TEST(SettingsPlacesWine, APathTheCodePageCannotSpellIsNamedByItsShortForm)
{
    CTempDirectory root;
    const std::wstring wideRoot = gf_WidenPath(root.f_GetPath().c_str());
    const std::wstring user = wideRoot + L"\\\u65E5\u672C\u8A9E";
    ASSERT_TRUE(CreateDirectoryW(user.c_str(), nullptr));
    const NTev::CStr narrow = gf_NarrowPath(user);
    ASSERT_FALSE(narrow.f_IsEmpty());
    EXPECT_EQ(std::string(narrow.f_GetStr()).find('?'), std::string::npos) << narrow.f_GetStr();
    // The narrow file calls of the program reach the same folder.
    NQuillonTest::gf_WriteFileBytes(std::string(narrow.f_GetStr()) + "/Settings.dat", "x");
    EXPECT_NE(GetFileAttributesW((user + L"\\Settings.dat").c_str()), INVALID_FILE_ATTRIBUTES);
    // A name the code page spells stays as it is.
    const std::wstring latin = wideRoot + L"\\Jos\u00E9";
    ASSERT_TRUE(CreateDirectoryW(latin.c_str(), nullptr));
    EXPECT_EQ(gf_WidenPath(gf_NarrowPath(latin).f_GetStr()), latin);
}

TEST(SettingsPlacesWine, TheProbeAndTheRenameBehaveAsTheRulesNeed)
{
    CSettingsPlaces places;
    const NTev::CStr program = places.f_GetProgramDirectory();
    // Wine enforces no rights: the program folder is writable, and the probe leaves nothing.
    EXPECT_TRUE(places.f_CanWriteProgramDirectory());
    EXPECT_FALSE(NTev::NSys::NFile::gf_Exists((std::string(program.f_GetStr()) + "/*.probe").c_str(), 0xFF));
    CTempDirectory root;
    const std::string staging = root.f_Path("Quillon.staging");
    const std::string published = root.f_Path("Quillon");
    ASSERT_TRUE(places.f_CreateDirectory(staging.c_str()));
    ASSERT_TRUE(places.f_CreateDirectory(published.c_str()));
    EXPECT_FALSE(places.f_RenameDirectory(staging.c_str(), published.c_str()));
    places.f_RemoveDirectory(published.c_str());
    EXPECT_TRUE(places.f_RenameDirectory(staging.c_str(), published.c_str()));
    EXPECT_TRUE(places.f_IsDirectory(published.c_str()));
    EXPECT_FALSE(places.f_IsFile(published.c_str()));
    EXPECT_FALSE(places.f_GetUserDataDirectory().f_IsEmpty());
}

TEST(SettingsPlacesWine, AUsersSettingsAreFoundAsTheUser)
{
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &token));
    std::shared_ptr<ICSettingsSource> source = gf_OpenSettingsOfUser(token);
    // The user's application data folder is found from the user's token.
    CSettingsPlaces places(token);
    EXPECT_FALSE(places.f_GetUserDataDirectory().f_IsEmpty());
    CloseHandle(token);
    ASSERT_TRUE(source);
    // Not installed and writable here: beside the program.
    EXPECT_STREQ(source->f_GetDirectory().f_GetStr(), NTev::NSys::NFile::gf_GetProgramDirectory().f_GetStr());
    EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, nullptr));
}
