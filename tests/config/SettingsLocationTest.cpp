// The settings location rules against a temporary folder that stands for the program folder
// and the user's application data: which layout, the per-user folder made and seeded with the
// program folder's file on the first start only, and what happens when a step fails.

#include "config/SettingsLocation.h"

#include "tests/core/FileTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

using namespace NQuillon;
using NQuillonTest::gf_PathExists;
using NQuillonTest::gf_ReadFileBytes;
using NQuillonTest::gf_WriteFileBytes;

namespace
{
namespace fs = std::filesystem;

class CFolderPlaces final : public ICSettingsPlaces
{
public:
    explicit CFolderPlaces(const std::string& root)
        : m_Program(root + "/Program Files/Quillon"), m_UserData(root + "/Users/Jos\xC3\xA9/AppData/Roaming")
    {
        fs::create_directories(m_Program);
        fs::create_directories(m_UserData);
    }

    NTev::CStr f_GetProgramDirectory() override { return m_Program.c_str(); }
    bool f_CanWriteProgramDirectory() override { return m_bProgramWritable; }
    NTev::CStr f_GetUserDataDirectory() override { return m_bUserDataKnown ? m_UserData.c_str() : ""; }
    bool f_IsFile(const char* path) override { return fs::is_regular_file(path); }
    bool f_IsDirectory(const char* path) override { return fs::is_directory(path); }
    bool f_CreateDirectory(const char* path) override
    {
        m_Log += "mkdir " + fp_Name(path) + "\n";
        std::error_code error;
        return !m_Refused.count(fp_Name(path)) && fs::create_directory(path, error);
    }
    bool f_RenameDirectory(const char* from, const char* to) override
    {
        m_Log += "rename " + fp_Name(from) + " " + fp_Name(to) + "\n";
        // Another role of the user publishes its folder first.
        if (m_bOtherRoleWins)
        {
            fs::create_directory(to);
            gf_WriteFileBytes(std::string(to) + "/Settings.dat", "theirs");
        }
        if (fs::exists(to))
            return false;
        std::error_code error;
        fs::rename(from, to, error);
        return !error;
    }
    void f_RemoveDirectory(const char* path) override
    {
        std::error_code error;
        fs::remove(path, error);
    }
    void f_RemoveFile(const char* path) override
    {
        std::error_code error;
        fs::remove(path, error);
    }
    bool f_CopyFile(const char* from, const char* to) override
    {
        m_Log += "copy " + fp_Name(from) + " " + fp_Name(to) + "\n";
        std::error_code error;
        return !m_bCopyFails && fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
    }
    NTev::CStr f_GetUniqueName() override { return "unique"; }
    void f_Trace(const char* text) override { m_Trace += text; }

    // The part of a path below the root, for the log.
    std::string fp_Name(const std::string& path) const
    {
        const std::string program = m_Program + "/";
        const std::string user = m_UserData + "/";
        if (path.rfind(program, 0) == 0)
            return "P/" + path.substr(program.size());
        if (path.rfind(user, 0) == 0)
            return "U/" + path.substr(user.size());
        return path;
    }
    std::string fp_UserFolder() const { return m_UserData + "/Quillon"; }

    std::string m_Program;
    std::string m_UserData;
    bool m_bProgramWritable = false;
    bool m_bUserDataKnown = true;
    bool m_bCopyFails = false;
    bool m_bOtherRoleWins = false;
    std::set<std::string> m_Refused;
    std::string m_Log;
    std::string m_Trace;
};

class SettingsLocation : public ::testing::Test
{
protected:
    std::string fp_ProgramFile() const { return m_Places.m_Program + "/Settings.dat"; }
    std::string fp_UserFile() const { return m_Places.fp_UserFolder() + "/Settings.dat"; }
    // Whatever is left beside the user's folder besides itself.
    std::set<std::string> fp_UserDataEntries() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_Places.m_UserData))
            names.insert(entry.path().filename().string());
        return names;
    }

    NQuillonTest::CTempDirectory m_Root;
    CFolderPlaces m_Places{m_Root.f_GetPath()};
};
} // namespace

TEST_F(SettingsLocation, BesideTheProgramOnlyWhenNotInstalledAndWritable)
{
    struct CCase
    {
        bool m_bUninstaller;
        bool m_bWritable;
        ESettingsLayout m_Layout;
    };
    const CCase cases[] = {
        {false, true, ESettingsLayout::BesideProgram},
        {false, false, ESettingsLayout::PerUser},
        {true, true, ESettingsLayout::PerUser},
        {true, false, ESettingsLayout::PerUser},
    };
    for (const CCase& test : cases)
    {
        const std::string uninstaller = m_Places.m_Program + "/Uninstall.exe";
        if (test.m_bUninstaller)
            gf_WriteFileBytes(uninstaller, "MZ");
        else
            fs::remove(uninstaller);
        m_Places.m_bProgramWritable = test.m_bWritable;
        EXPECT_EQ(gf_ChooseSettingsLayout(m_Places), test.m_Layout)
            << "uninstaller " << test.m_bUninstaller << ", writable " << test.m_bWritable;
    }
}

TEST_F(SettingsLocation, ThePortableLayoutUsesTheProgramFolderAndMakesNothing)
{
    m_Places.m_bProgramWritable = true;
    EXPECT_STREQ(gf_PrepareSettingsDirectory(m_Places).f_GetStr(), m_Places.m_Program.c_str());
    EXPECT_TRUE(fp_UserDataEntries().empty());
    EXPECT_EQ(m_Places.m_Log, "");
}

TEST_F(SettingsLocation, TheFirstStartCopiesTheProgramFoldersFileIntoAFolderThatAppearsWithIt)
{
    gf_WriteFileBytes(fp_ProgramFile(), "old version's settings");
    EXPECT_STREQ(gf_PrepareSettingsDirectory(m_Places).f_GetStr(), m_Places.fp_UserFolder().c_str());
    EXPECT_EQ(gf_ReadFileBytes(fp_UserFile()), "old version's settings");
    // Made under a name of its own, filled, then renamed into place.
    EXPECT_EQ(m_Places.m_Log, "mkdir U/Quillon.unique\n"
                              "copy P/Settings.dat U/Quillon.unique/Settings.dat\n"
                              "rename U/Quillon.unique U/Quillon\n");
    EXPECT_EQ(fp_UserDataEntries(), std::set<std::string>{"Quillon"});
    EXPECT_EQ(gf_ReadFileBytes(fp_ProgramFile()), "old version's settings");
}

TEST_F(SettingsLocation, NothingIsCopiedOnceTheUsersFolderExists)
{
    gf_WriteFileBytes(fp_ProgramFile(), "first");
    gf_PrepareSettingsDirectory(m_Places);
    gf_WriteFileBytes(fp_ProgramFile(), "upgraded");
    gf_WriteFileBytes(fp_UserFile(), "edited by the user");
    m_Places.m_Log.clear();
    EXPECT_STREQ(gf_PrepareSettingsDirectory(m_Places).f_GetStr(), m_Places.fp_UserFolder().c_str());
    EXPECT_EQ(gf_ReadFileBytes(fp_UserFile()), "edited by the user");
    // A user who deleted their file keeps an empty configuration: the folder is the record.
    fs::remove(fp_UserFile());
    gf_PrepareSettingsDirectory(m_Places);
    EXPECT_FALSE(gf_PathExists(fp_UserFile()));
    EXPECT_EQ(m_Places.m_Log, "");
}

TEST_F(SettingsLocation, WithoutAProgramFoldersFileTheUsersFolderIsMadeEmpty)
{
    EXPECT_STREQ(gf_PrepareSettingsDirectory(m_Places).f_GetStr(), m_Places.fp_UserFolder().c_str());
    EXPECT_TRUE(fs::is_directory(m_Places.fp_UserFolder()));
    EXPECT_FALSE(gf_PathExists(fp_UserFile()));
    EXPECT_EQ(m_Places.m_Log, "mkdir U/Quillon\n");
}

TEST_F(SettingsLocation, AnInstalledProgramThatTheUserCanWriteStillUsesTheUsersFolder)
{
    gf_WriteFileBytes(m_Places.m_Program + "/Uninstall.exe", "MZ");
    gf_WriteFileBytes(fp_ProgramFile(), "seed");
    m_Places.m_bProgramWritable = true;
    EXPECT_STREQ(gf_PrepareSettingsDirectory(m_Places).f_GetStr(), m_Places.fp_UserFolder().c_str());
    EXPECT_EQ(gf_ReadFileBytes(fp_UserFile()), "seed");
}

TEST_F(SettingsLocation, AnotherRoleThatPublishesFirstKeepsItsFolder)
{
    gf_WriteFileBytes(fp_ProgramFile(), "seed");
    m_Places.m_bOtherRoleWins = true;
    EXPECT_STREQ(gf_PrepareSettingsDirectory(m_Places).f_GetStr(), m_Places.fp_UserFolder().c_str());
    EXPECT_EQ(gf_ReadFileBytes(fp_UserFile()), "theirs");
    EXPECT_EQ(fp_UserDataEntries(), std::set<std::string>{"Quillon"});
    EXPECT_EQ(m_Places.m_Trace, "");
}

TEST_F(SettingsLocation, ACopyThatFailsIsTracedAndLeavesAnEmptyFolder)
{
    gf_WriteFileBytes(fp_ProgramFile(), "seed");
    m_Places.m_bCopyFails = true;
    EXPECT_STREQ(gf_PrepareSettingsDirectory(m_Places).f_GetStr(), m_Places.fp_UserFolder().c_str());
    EXPECT_FALSE(gf_PathExists(fp_UserFile()));
    EXPECT_EQ(fp_UserDataEntries(), std::set<std::string>{"Quillon"});
    EXPECT_NE(m_Places.m_Trace.find("could not be copied"), std::string::npos) << m_Places.m_Trace;
}

TEST_F(SettingsLocation, AFolderThatCannotBeMadeIsTracedAndNamedAnyway)
{
    gf_WriteFileBytes(fp_ProgramFile(), "seed");
    m_Places.m_Refused = {"U/Quillon", "U/Quillon.unique"};
    // Saves there then fail and say so, rather than go to a folder other users share.
    EXPECT_STREQ(gf_PrepareSettingsDirectory(m_Places).f_GetStr(), m_Places.fp_UserFolder().c_str());
    EXPECT_TRUE(fp_UserDataEntries().empty());
    EXPECT_NE(m_Places.m_Trace.find("could not be made"), std::string::npos) << m_Places.m_Trace;
}

TEST_F(SettingsLocation, AnUnknownUserDataFolderKeepsTheProgramFolderAndSaysSo)
{
    m_Places.m_bUserDataKnown = false;
    EXPECT_STREQ(gf_PrepareSettingsDirectory(m_Places).f_GetStr(), m_Places.m_Program.c_str());
    EXPECT_TRUE(gf_FindSettingsDirectory(m_Places).f_IsEmpty());
    EXPECT_NE(m_Places.m_Trace.find("unknown"), std::string::npos);
}

TEST_F(SettingsLocation, FindingTheFolderTouchesNothing)
{
    gf_WriteFileBytes(fp_ProgramFile(), "seed");
    EXPECT_STREQ(gf_FindSettingsDirectory(m_Places).f_GetStr(), m_Places.fp_UserFolder().c_str());
    EXPECT_TRUE(fp_UserDataEntries().empty());
    EXPECT_EQ(m_Places.m_Log, "");
}
