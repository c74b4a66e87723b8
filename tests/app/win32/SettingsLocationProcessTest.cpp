// The tray of an installed program (an uninstaller beside it) keeps its settings in the user's
// folder: the first start makes it with a copy of the program folder's file, a later start
// copies nothing, and the program folder's file is left as it was. The installed service
// applies the file of the user at the console (Wine's one user), not the program folder's.

#include "tools/filterstandin/FilterStandIn.h"

#include "engine/MessageHook.h"
#include "tests/engine/EngineTestSupport.h"
#include "tools/config/ConfigJson.h"

#include "config/win32/SettingsPlaces.h"
#include "tests/app/win32/AppTestSupport.h"
#include "tests/core/FileTestSupport.h"

#include <gtest/gtest.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

using namespace NQuillonTest;

namespace
{
// Polls until the condition holds or the time is up; not a measure of time.
bool fg_Within(std::chrono::seconds limit, const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition())
    {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::wstring fg_UserDataDirectory()
{
    PWSTR path = nullptr;
    if (FAILED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path)))
        return {};
    std::wstring directory(path);
    CoTaskMemFree(path);
    return directory;
}

// The tables of the settings file in the folder, "" when it holds none.
std::string fg_Tables(const std::string& directory)
{
    NQuillon::CMessageHook reader;
    reader.f_SetSettingsDirectory(directory.c_str());
    reader.f_LoadSettings("Settings.dat");
    std::string names;
    for (const NTev::CStr& name : reader.f_ListTableNames())
        names += std::string(names.empty() ? "" : " ") + name.f_GetStr();
    return names;
}

// The user's settings folder of this prefix, removed before and after the test.
class CUserFolder
{
public:
    CUserFolder() : m_Wide(fg_UserDataDirectory() + L"\\Quillon") { fp_Remove(); }
    ~CUserFolder() { fp_Remove(); }
    std::string f_GetPath() const { return NQuillon::gf_NarrowPath(m_Wide).f_GetStr(); }
    bool f_Exists() const { return std::filesystem::exists(m_Wide); }

private:
    void fp_Remove()
    {
        std::error_code error;
        std::filesystem::remove_all(m_Wide, error);
    }
    std::wstring m_Wide;
};

// Starts the tray and waits until its dialog exists: its settings are then in place.
::testing::AssertionResult fg_RunTrayOnce(const std::string& program)
{
    CProgramProcess tray(program, "-TrayIcon");
    const bool started =
        fg_Within(std::chrono::seconds(10),
                  [&]
                  {
                      return gf_FindProcessWindow(tray.f_GetProcessId(),
                                                  [](HWND window)
                                                  {
                                                      char title[64] = {};
                                                      GetWindowTextA(window, title, sizeof title);
                                                      return std::string(title) == "Quillon";
                                                  }) != nullptr;
                  });
    if (!started)
        return ::testing::AssertionFailure() << tray.f_Describe() << "\n" << gf_LastTraceLines();
    tray.f_PostQuit();
    if (tray.f_Wait(10000) != 0)
        return ::testing::AssertionFailure() << "the tray did not end: " << tray.f_Describe();
    return ::testing::AssertionSuccess();
}
} // namespace

TEST(SettingsLocationProcess, AnInstalledTrayCopiesTheProgramFoldersSettingsOnce)
{
    ASSERT_FALSE(fg_UserDataDirectory().empty());
    CUserFolder userFolder;
    CTempDirectory directory;
    const std::string program = directory.f_Path("Quillon.x64.exe");
    ASSERT_TRUE(
        gf_MakeProgramDirectory(directory.f_GetPath(), program, R"({"tables": [{"name": "Shipped"}]})"));
    gf_WriteFileBytes(directory.f_Path("Uninstall.exe"), "MZ");
    const std::string shipped = gf_ReadFileBytes(directory.f_Path("Settings.dat"));

    ASSERT_TRUE(fg_RunTrayOnce(program));
    ASSERT_TRUE(userFolder.f_Exists()) << gf_LastTraceLines();
    EXPECT_EQ(fg_Tables(userFolder.f_GetPath()), "Shipped");
    EXPECT_EQ(gf_ReadFileBytes(directory.f_Path("Settings.dat")), shipped);

    // An upgrade brings another program folder file; the user's own stays theirs.
    ASSERT_TRUE(
        gf_MakeProgramDirectory(directory.f_GetPath(), program, R"({"tables": [{"name": "Upgraded"}]})"));
    ASSERT_TRUE(fg_RunTrayOnce(program));
    EXPECT_EQ(fg_Tables(userFolder.f_GetPath()), "Shipped");
}

TEST(SettingsLocationProcess, APortableTrayKeepsItsSettingsBesideTheProgram)
{
    CUserFolder userFolder;
    CTempDirectory directory;
    const std::string program = directory.f_Path("Quillon.x64.exe");
    ASSERT_TRUE(
        gf_MakeProgramDirectory(directory.f_GetPath(), program, R"({"tables": [{"name": "Portable"}]})"));
    ASSERT_TRUE(fg_RunTrayOnce(program));
    EXPECT_FALSE(userFolder.f_Exists());
    EXPECT_EQ(fg_Tables(directory.f_GetPath()), "Portable");
}

TEST(SettingsLocationProcess, AnInstalledServiceAppliesTheConsoleUsersSettings)
{
    ASSERT_FALSE(gf_EngineIsRunning()) << "another engine runs in this Wine session";
    CUserFolder userFolder;
    CTempDirectory directory;
    const std::string program = directory.f_Path("Quillon.x64.exe");
    // The program folder binds A to B, the user's folder A to C.
    ASSERT_TRUE(gf_MakeProgramDirectory(directory.f_GetPath(), program, gc_AToB));
    gf_WriteFileBytes(directory.f_Path("Uninstall.exe"), "MZ");
    gf_MakeDirectory(userFolder.f_GetPath());
    {
        std::string json = gc_AToB;
        json.replace(json.find("\"B\""), 3, "\"C\"");
        NQuillon::CMessageHook writer;
        writer.f_SetSettingsDirectory(userFolder.f_GetPath().c_str());
        NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(json), writer);
        ASSERT_TRUE(writer.f_SaveSettings());
    }
    NQuillon::CFilterStandIn standIn;
    standIn.f_Start();
    const std::string name = gf_UniqueServiceName("User");
    CServiceCleanup cleanup(name);
    ASSERT_TRUE(gf_RunProgramSucceeds(program, "-AddService " + name, name));
    ASSERT_TRUE(gf_RunProgramSucceeds(program, "-StartService " + name, name));
    ASSERT_TRUE(standIn.f_WaitClients(1, 10000)) << gf_DescribeService(name) << "\n" << gf_LastTraceLines();

    const NQuillon::CDriverRecord tap[] = {gf_Key(0x1E, true), gf_Key(0x1E, false)};
    standIn.f_Feed(tap, 2);
    standIn.f_WaitWritten(2, 10000);
    std::string written;
    for (const auto& record : standIn.f_TakeWritten())
        written += std::to_string(record.m_Record.m_Keyboard.MakeCode) + " ";
    EXPECT_EQ(written, "46 46 ") << gf_LastTraceLines();

    ASSERT_TRUE(gf_RunProgramSucceeds(program, "-StopService " + name, name));
    ASSERT_TRUE(gf_RunProgramSucceeds(program, "-RemoveService " + name, name));
    standIn.f_Stop();
}
