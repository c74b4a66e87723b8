// An engine's settings source: every read and write of the folder happens inside the source's
// use of it (the service acts as the console's user there), a source that refuses leaves the
// file alone, and a change of source empties the configuration before the new file loads.

#include "config/SettingsSource.h"
#include "tests/config/TestEngine.h"
#include "tests/core/FileTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using NQuillon::CSettingsSourceScope;
using NQuillon::ICSettingsSource;
using NQuillonTest::CTempDirectory;
using NQuillonTest::CTestEngine;

namespace
{
class CRecordingSource final : public ICSettingsSource
{
public:
    explicit CRecordingSource(const std::string& directory) : m_Directory(directory.c_str()) {}
    const NTev::CStr& f_GetDirectory() const noexcept override { return m_Directory; }
    bool f_Enter() override
    {
        ++m_Entered;
        m_bInside = m_bAllowed;
        return m_bAllowed;
    }
    void f_Leave() noexcept override
    {
        ++m_Left;
        m_bInside = false;
    }

    NTev::CStr m_Directory;
    bool m_bAllowed = true;
    bool m_bInside = false;
    int m_Entered = 0;
    int m_Left = 0;
};

// Writes a settings file holding the tables named.
void fg_WriteSettings(const std::string& directory, const std::vector<const char*>& tables)
{
    CTestEngine writer;
    writer.f_SetSettingsDirectory(directory.c_str());
    for (const char* table : tables)
        ASSERT_TRUE(writer.f_CreateTable(table));
}

std::vector<std::string> fg_Tables(CTestEngine& engine)
{
    std::vector<std::string> names;
    for (const NTev::CStr& name : engine.f_ListTableNames())
        names.emplace_back(name.f_GetStr());
    return names;
}
} // namespace

TEST(SettingsSourceScope, EntersOnceAndLeavesAtTheEnd)
{
    CRecordingSource source("x");
    {
        CSettingsSourceScope outer(&source);
        EXPECT_TRUE(outer.f_IsOpen());
        CSettingsSourceScope inner(&source);
        EXPECT_TRUE(inner.f_IsOpen());
        EXPECT_EQ(source.m_Entered, 1);
    }
    EXPECT_EQ(source.m_Left, 1);
    CSettingsSourceScope none(nullptr);
    EXPECT_TRUE(none.f_IsOpen());
}

TEST(SettingsSourceScope, ASourceThatRefusesIsNotLeft)
{
    CRecordingSource source("x");
    source.m_bAllowed = false;
    {
        CSettingsSourceScope scope(&source);
        EXPECT_FALSE(scope.f_IsOpen());
    }
    EXPECT_EQ(source.m_Left, 0);
}

TEST(SettingsSource, LoadsAndSavesHappenInsideTheSource)
{
    CTempDirectory directory;
    fg_WriteSettings(directory.f_GetPath(), {"Main"});
    auto source = std::make_shared<CRecordingSource>(directory.f_GetPath());
    CTestEngine engine;
    engine.f_SetSettingsSource(source);
    EXPECT_STREQ(engine.f_GetSettingsDirectory().f_GetStr(), directory.f_GetPath().c_str());
    ASSERT_TRUE(engine.f_LoadSettings("Settings.dat"));
    EXPECT_EQ(fg_Tables(engine), std::vector<std::string>{"Main"});
    EXPECT_EQ(source->m_Entered, 1);
    EXPECT_EQ(source->m_Left, 1);
    ASSERT_TRUE(engine.f_CreateTable("Second"));
    EXPECT_EQ(source->m_Entered, 2);
    EXPECT_FALSE(source->m_bInside);
}

TEST(SettingsSource, WhatALoadRunsRunsOutsideTheSource)
{
    // The configuration a load installs runs its activation as this process, not as the user
    // whose folder was read.
    class CProbeEngine final : public NQuillon::CMessageHookBase
    {
    public:
        void f_GeneratePress(const CKey&) override {}
        void f_GenerateRelease(const CKey&) override {}
        void f_ReleaseAllKeys() override {}
        void f_OnConfigurationChanging() override { m_Inside.push_back(m_pSource->m_bInside); }

        CRecordingSource* m_pSource = nullptr;
        std::vector<bool> m_Inside;
    };
    CTempDirectory directory;
    fg_WriteSettings(directory.f_GetPath(), {"Main"});
    auto source = std::make_shared<CRecordingSource>(directory.f_GetPath());
    CProbeEngine engine;
    engine.m_pSource = source.get();
    engine.f_SetSettingsSource(source);
    ASSERT_TRUE(engine.f_LoadSettings("Settings.dat"));
    EXPECT_EQ(engine.m_Inside, (std::vector<bool>{false, false}));
    EXPECT_EQ(source->m_Entered, 1);
}

TEST(SettingsSource, ASourceThatRefusesIsNeitherReadNorWritten)
{
    CTempDirectory directory;
    fg_WriteSettings(directory.f_GetPath(), {"Main"});
    const std::string before = NQuillonTest::gf_ReadFileBytes(directory.f_Path("Settings.dat"));
    auto source = std::make_shared<CRecordingSource>(directory.f_GetPath());
    source->m_bAllowed = false;
    CTestEngine engine;
    engine.f_SetSettingsSource(source);
    EXPECT_FALSE(engine.f_LoadSettings("Settings.dat"));
    EXPECT_TRUE(fg_Tables(engine).empty());
    EXPECT_FALSE(engine.f_SaveSettings());
    EXPECT_EQ(NQuillonTest::gf_ReadFileBytes(directory.f_Path("Settings.dat")), before);
    // Once it lets the engine in, the file loads.
    source->m_bAllowed = true;
    EXPECT_TRUE(engine.f_LoadSettings("Settings.dat"));
    EXPECT_EQ(fg_Tables(engine), std::vector<std::string>{"Main"});
}

TEST(SettingsSource, AChangeOfSourceEmptiesTheConfigurationAtOnce)
{
    CTempDirectory first;
    CTempDirectory second;
    fg_WriteSettings(first.f_GetPath(), {"First"});
    fg_WriteSettings(second.f_GetPath(), {"Second"});
    CTestEngine engine;
    engine.f_SetSettingsSource(std::make_shared<CRecordingSource>(first.f_GetPath()));
    EXPECT_TRUE(engine.f_TakeSettingsSourceChange());
    EXPECT_FALSE(engine.f_TakeSettingsSourceChange());
    ASSERT_TRUE(engine.f_LoadSettings("Settings.dat"));
    EXPECT_EQ(fg_Tables(engine), std::vector<std::string>{"First"});

    engine.f_SetSettingsSource(std::make_shared<CRecordingSource>(second.f_GetPath()));
    // Nothing of the first user's stays in force, even before the second's file is read.
    EXPECT_TRUE(fg_Tables(engine).empty());
    EXPECT_TRUE(engine.f_TakeSettingsSourceChange());
    ASSERT_TRUE(engine.f_LoadSettings("Settings.dat"));
    EXPECT_EQ(fg_Tables(engine), std::vector<std::string>{"Second"});

    // A source whose folder holds no file leaves the configuration empty.
    CTempDirectory empty;
    engine.f_SetSettingsSource(std::make_shared<CRecordingSource>(empty.f_GetPath()));
    EXPECT_TRUE(engine.f_LoadSettings("Settings.dat"));
    EXPECT_TRUE(fg_Tables(engine).empty());
}

TEST(SettingsSource, ShippedFilesComeFromTheProgramFolder)
{
    CTempDirectory program;
    CTempDirectory user;
    fg_WriteSettings(program.f_GetPath(), {"Shipped"});
    std::rename(program.f_Path("Settings.dat").c_str(), program.f_Path("MacBookPro.dat").c_str());
    CTestEngine engine;
    engine.f_SetSettingsDirectory(user.f_GetPath().c_str());
    EXPECT_STREQ(engine.f_GetProgramDirectory().f_GetStr(), user.f_GetPath().c_str());
    engine.f_SetProgramDirectory(program.f_GetPath().c_str());
    ASSERT_TRUE(engine.f_ReplaceConfigurationFromFile("MacBookPro.dat"));
    EXPECT_EQ(fg_Tables(engine), std::vector<std::string>{"Shipped"});
}
