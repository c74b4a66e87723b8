// Loading and saving Settings.dat on disk, and the edit operations that save: a failed load
// keeps the configuration and the file, a failed operation leaves the file byte-identical, a
// save replaces the file in one step.

#include "config/LoadRetry.h"
#include "config/Settings.h"
#include "core/File.h"
#include "core/OpenFlags.h"
#include "core/VirtualClock.h"
#include "tests/config/TestEngine.h"
#include "tests/core/FileTestSupport.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using NQuillon::CMessageHookBase;
using NQuillonTest::CTestEngine;
using CKeys = CMessageHookBase::CKeys;
using CKey = CMessageHookBase::CKey;

namespace
{
class CSettingsIO : public ::testing::Test
{
protected:
    void SetUp() override { m_Engine.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str()); }

    std::string fp_SettingsPath() const { return m_Directory.f_Path("Settings.dat"); }
    std::string fp_File() const { return NQuillonTest::gf_ReadFileBytes(fp_SettingsPath()); }

    NQuillonTest::CTempDirectory m_Directory;
    CTestEngine m_Engine;
};
} // namespace

TEST_F(CSettingsIO, SavedConfigurationLoadsInAnotherEngine)
{
    ASSERT_TRUE(m_Engine.f_CreateTable("Main"));
    ASSERT_TRUE(m_Engine.f_CreateGroup("Main", "G", 3));
    ASSERT_TRUE(m_Engine.f_CreateAction("Main", "G", CKeys{CKey{0, 0x2E, 2}, CKey{0, 0x1D, 1}},
                                        NQuillon::EActionKind_Kill));
    EXPECT_FALSE(NQuillonTest::gf_PathExists(fp_SettingsPath() + ".new"));

    CTestEngine other;
    other.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str());
    ASSERT_TRUE(other.f_LoadSettings("Settings.dat"));
    auto bindings = other.f_ListBindings("Main", "G | Ignore no keys");
    ASSERT_EQ(bindings.size(), 1u);
    // Stored sorted by order: [LCtrl, C].
    EXPECT_STREQ(bindings[0].m_Label.f_GetStr(), "LCtrl(1) + C(2)");
    EXPECT_STREQ(other.f_GetCurrentTableName().f_GetStr(), "Main");
}

TEST_F(CSettingsIO, AMissingFileIsNotAnError)
{
    EXPECT_TRUE(m_Engine.f_LoadSettings("Settings.dat"));
    EXPECT_TRUE(m_Engine.f_ListTableNames().empty());
    EXPECT_EQ(m_Engine.f_GetSettingValues().m_KeyboardRepeatRate, 30);
}

TEST_F(CSettingsIO, AnUnchangedFileIsNotReadAgain)
{
    ASSERT_TRUE(m_Engine.f_CreateTable("A"));
    ASSERT_TRUE(m_Engine.f_CreateTable("B"));
    CTestEngine engine;
    engine.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str());
    ASSERT_TRUE(engine.f_LoadSettings("Settings.dat"));
    engine.f_ActivateTable("B");
    ASSERT_TRUE(engine.f_LoadSettings("Settings.dat"));
    EXPECT_STREQ(engine.f_GetCurrentTableName().f_GetStr(), "B");
}

TEST_F(CSettingsIO, AFileThisEngineSavedIsNotReadBack)
{
    // Reading back its own save would throw away what the file does not keep.
    ASSERT_TRUE(m_Engine.f_CreateTable("A"));
    ASSERT_TRUE(m_Engine.f_CreateTable("B"));
    m_Engine.f_ActivateTable("B");
    ASSERT_TRUE(m_Engine.f_CreateTable("C"));
    ASSERT_TRUE(m_Engine.f_LoadSettings("Settings.dat"));
    EXPECT_STREQ(m_Engine.f_GetCurrentTableName().f_GetStr(), "B");
}

TEST_F(CSettingsIO, ObsoleteSettingsAreRemovedAndTheFileRewritten)
{
    NQuillonTest::CBytes file;
    file.u32(0x4C57514B).u32(274).u32(0).u32(274).u32(0);
    file.u32(1)
        .str("P")
        .u32(2)
        .str("Keyboard Force NumLock On")
        .str("1")
        .str("Keyboard Repeat Rate")
        .str("45");
    file.str("").str("P").u32(0);
    NQuillonTest::gf_WriteFileBytes(fp_SettingsPath(), std::string(file.m_Bytes.begin(), file.m_Bytes.end()));
    ASSERT_TRUE(m_Engine.f_LoadSettings("Settings.dat"));
    EXPECT_EQ(m_Engine.f_GetSettingValues().m_KeyboardRepeatRate, 45);
    auto settings = m_Engine.f_GetConfiguration().f_FindPreset("P")->m_Settings;
    EXPECT_EQ(settings.size(), 1u);
    EXPECT_EQ(fp_File().find("Keyboard Force NumLock On"), std::string::npos);
}

TEST_F(CSettingsIO, AFailedLoadKeepsTheConfigurationAndTheFile)
{
    ASSERT_TRUE(m_Engine.f_CreateTable("Kept"));
    const std::string good = fp_File();
    // A truncated file, as a crash of an older writer would have left it.
    const std::string truncated = good.substr(0, good.size() - 3);
    NQuillonTest::gf_WriteFileBytes(fp_SettingsPath(), truncated);
    NQuillonTest::gf_SetWriteTime(fp_SettingsPath(), 132000000000000000ull);
    EXPECT_FALSE(m_Engine.f_LoadSettings("Settings.dat"));
    EXPECT_EQ(m_Engine.f_ListTableNames().size(), 1u);
    // Edits are refused, so the file is not overwritten with what this process holds.
    EXPECT_FALSE(m_Engine.f_CreateTable("Other"));
    EXPECT_EQ(fp_File(), truncated);

    // Once the file is good again, a load succeeds and edits work.
    NQuillonTest::gf_WriteFileBytes(fp_SettingsPath(), good);
    NQuillonTest::gf_SetWriteTime(fp_SettingsPath(), 132000000010000000ull);
    EXPECT_TRUE(m_Engine.f_LoadSettings("Settings.dat"));
    EXPECT_TRUE(m_Engine.f_CreateTable("Other"));
}

TEST_F(CSettingsIO, FailedOperationsLeaveTheFileByteIdentical)
{
    ASSERT_TRUE(m_Engine.f_CreateTable("T"));
    ASSERT_TRUE(m_Engine.f_CreateGroup("T", "G", 1));
    ASSERT_TRUE(m_Engine.f_CreateAction("T", "G", CKeys{CKey{0, 0x1D, 0}, CKey{0, 0x2E, 1}},
                                        NQuillon::EActionKind_Input));
    ASSERT_TRUE(m_Engine.f_CreatePreset("P"));
    const std::string before = fp_File();
    const CKeys ctrlC{CKey{0, 0x1D, 0}, CKey{0, 0x2E, 1}};
    const CKeys missing{CKey{0, 0x1E, 1}};

    EXPECT_FALSE(m_Engine.f_CreateTable("T"));
    EXPECT_FALSE(m_Engine.f_DeleteTable("t"));
    EXPECT_FALSE(m_Engine.f_CreateGroup("T", "G", 2));
    EXPECT_FALSE(m_Engine.f_CreateGroup("T", "H", 1));
    EXPECT_FALSE(m_Engine.f_CreateGroup("Nope", "H", 2));
    EXPECT_FALSE(m_Engine.f_DeleteGroup("T", "Nope"));
    EXPECT_FALSE(m_Engine.f_SetGroupIgnoreKeys("T", "Nope", CKeys{}));
    EXPECT_FALSE(m_Engine.f_SetGroupRunOnActivate("Nope", "G", true));
    // The same trigger keys in another order and with other order numbers are the same binding.
    EXPECT_FALSE(m_Engine.f_CreateAction("T", "G", CKeys{CKey{0, 0x2E, 2}, CKey{0, 0x1D, 1}},
                                         NQuillon::EActionKind_Kill));
    EXPECT_FALSE(m_Engine.f_CreateAction("T", "G", missing, NQuillon::EActionKind_ByClassName, "CMissing"));
    EXPECT_FALSE(m_Engine.f_DeleteAction("T", "G", missing));
    EXPECT_FALSE(m_Engine.f_SetActionFlags("T", "G", missing, 1));
    EXPECT_FALSE(m_Engine.f_SetActionRemapTable("T", "G", ctrlC, "X"));        // not a table action
    EXPECT_FALSE(m_Engine.f_SetGenerateSequence("T", "G", ctrlC, 0, CKeys{})); // no sequence 0 yet
    EXPECT_FALSE(m_Engine.f_SetReleaseKeys("T", "G", missing, CKeys{}));
    EXPECT_FALSE(m_Engine.f_CreatePreset("P"));
    EXPECT_FALSE(m_Engine.f_DeletePreset("Nope"));
    EXPECT_FALSE(m_Engine.f_SetPresetSettingValue("P", "Not A Setting", "1"));
    EXPECT_FALSE(m_Engine.f_SetPresetSettingValue("Nope", "Keyboard Repeat Rate", "1"));
    EXPECT_FALSE(m_Engine.f_SetPresetSettingToDefault("Nope", "Keyboard Repeat Rate"));
    EXPECT_EQ(fp_File(), before);

    // A binding with one more key is a new one.
    EXPECT_TRUE(m_Engine.f_CreateAction("T", "G", CKeys{CKey{0, 0x1D, 0}, CKey{0, 0x2E, 1}, CKey{0, 0x20, 2}},
                                        NQuillon::EActionKind_Kill));
    EXPECT_NE(fp_File(), before);
}

TEST_F(CSettingsIO, TablesAndPresetsKeepADefault)
{
    ASSERT_TRUE(m_Engine.f_CreateTable("B"));
    EXPECT_STREQ(m_Engine.f_GetDefaultTableName().f_GetStr(), "B");
    ASSERT_TRUE(m_Engine.f_CreateTable("A"));
    m_Engine.f_ActivateTable("B");
    ASSERT_TRUE(m_Engine.f_DeleteTable("B"));
    EXPECT_STREQ(m_Engine.f_GetDefaultTableName().f_GetStr(), "A");
    EXPECT_STREQ(m_Engine.f_GetCurrentTableName().f_GetStr(), "A");
    m_Engine.f_SetDefaultTable("nope");
    EXPECT_TRUE(m_Engine.f_GetDefaultTableName().f_IsEmpty());

    ASSERT_TRUE(m_Engine.f_CreatePreset("Q"));
    auto& configuration = m_Engine.f_GetConfiguration();
    EXPECT_EQ(configuration.m_pDefaultPreset, configuration.f_FindPreset("Q"));
    EXPECT_EQ(configuration.m_pCurrentPreset, configuration.f_FindPreset("Q"));
    ASSERT_TRUE(m_Engine.f_SetPresetSettingValue("Q", "Keyboard Repeat Delay", "500"));
    EXPECT_EQ(m_Engine.f_GetSettingValues().m_KeyboardRepeatDelay, 500);
    ASSERT_TRUE(m_Engine.f_DeletePreset("Q"));
    EXPECT_EQ(configuration.m_pCurrentPreset, nullptr);
    EXPECT_EQ(m_Engine.f_GetSettingValues().m_KeyboardRepeatDelay, 250);
}

TEST_F(CSettingsIO, SaveWaitsForTheOtherProcessToLetGo)
{
    ASSERT_TRUE(m_Engine.f_CreateTable("T"));
    // The other process reads the file without sharing while we save.
    NTev::NFile::CFile reader;
    reader.f_Open(fp_SettingsPath().c_str(), NTev::NFile::OpenRead);
    std::thread release(
        [&reader]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            reader.f_Close();
        });
    const bool saved = m_Engine.f_CreateTable("U");
    release.join();
    EXPECT_TRUE(saved);
    CTestEngine other;
    other.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str());
    ASSERT_TRUE(other.f_LoadSettings("Settings.dat"));
    EXPECT_EQ(other.f_ListTableNames().size(), 2u);
}

// Input is evaluated under the engine lock: a load that waits for another process to let go of
// the file leaves the lock free while it waits.
TEST_F(CSettingsIO, ALoadWaitingForTheFileLeavesTheEngineLockFree)
{
    ASSERT_TRUE(m_Engine.f_CreateTable("T"));
    CTestEngine other;
    other.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str());
    NTev::NFile::CFile holder;
    holder.f_Open(fp_SettingsPath().c_str(), NTev::NFile::OpenRead);
    std::atomic<bool> loaded{false};
    std::thread load(
        [&]
        {
            EXPECT_TRUE(other.f_LoadSettings("Settings.dat"));
            loaded = true;
        });
    // Let the load reach its retries.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    bool loadedWhenLocked;
    {
        CMessageHookBase::CLockGuard lock(other.f_GetLock());
        loadedWhenLocked = loaded;
    }
    holder.f_Close();
    load.join();
    EXPECT_FALSE(loadedWhenLocked);
    EXPECT_EQ(other.f_ListTableNames().size(), 1u);
}

// A load that gave up does not read the same file on every check (each try pauses and
// retries), but it never gives the file up: once its pause has passed it is read again, and a
// change of its write time is read at once.
TEST_F(CSettingsIO, AFileThatDefeatedTheLoadIsReadAgainLaterOrWhenItChanges)
{
    NTev::CVirtualClock clock;
    NTev::CTimeSourceScope scope(clock);
    ASSERT_TRUE(m_Engine.f_CreateTable("Kept"));
    const std::string good = fp_File();
    NQuillonTest::gf_WriteFileBytes(fp_SettingsPath(), good.substr(0, good.size() - 3));
    NQuillonTest::gf_SetWriteTime(fp_SettingsPath(), 132000000000000000ull);
    EXPECT_FALSE(m_Engine.f_LoadSettings("Settings.dat"));
    EXPECT_FALSE(m_Engine.f_IsLoadRetryDue());

    // Same write time, before the pause has passed: not read, although it would now load.
    NQuillonTest::gf_WriteFileBytes(fp_SettingsPath(), good);
    NQuillonTest::gf_SetWriteTime(fp_SettingsPath(), 132000000000000000ull);
    EXPECT_FALSE(m_Engine.f_LoadSettings("Settings.dat"));
    EXPECT_FALSE(m_Engine.f_CreateTable("Other"));

    clock.f_AdvanceSeconds(NQuillon::CLoadRetry::mc_FirstPauseSeconds);
    EXPECT_TRUE(m_Engine.f_IsLoadRetryDue());
    EXPECT_TRUE(m_Engine.f_LoadSettings("Settings.dat"));
    EXPECT_FALSE(m_Engine.f_IsLoadRetryDue());
    EXPECT_TRUE(m_Engine.f_CreateTable("Other"));
}

TEST_F(CSettingsIO, AChangedFileIsReadAtOnceAfterAFailedLoad)
{
    NTev::CVirtualClock clock;
    NTev::CTimeSourceScope scope(clock);
    ASSERT_TRUE(m_Engine.f_CreateTable("Kept"));
    const std::string good = fp_File();
    NQuillonTest::gf_WriteFileBytes(fp_SettingsPath(), good.substr(0, good.size() - 3));
    NQuillonTest::gf_SetWriteTime(fp_SettingsPath(), 132000000000000000ull);
    EXPECT_FALSE(m_Engine.f_LoadSettings("Settings.dat"));
    NQuillonTest::gf_WriteFileBytes(fp_SettingsPath(), good);
    NQuillonTest::gf_SetWriteTime(fp_SettingsPath(), 132000000010000000ull);
    EXPECT_TRUE(m_Engine.f_LoadSettings("Settings.dat"));
    EXPECT_TRUE(m_Engine.f_CreateTable("Other"));
}

// Another program that reads the file with sharing does not keep the engine from reading it.
TEST_F(CSettingsIO, AReaderThatSharesDoesNotHoldTheLoadUp)
{
    ASSERT_TRUE(m_Engine.f_CreateTable("T"));
    CTestEngine other;
    other.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str());
    NTev::NFile::CFile holder;
    holder.f_Open(fp_SettingsPath().c_str(),
                  NTev::NFile::OpenRead | NTev::NFile::OpenShareRead | NTev::NFile::OpenShareWrite);
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_TRUE(other.f_LoadSettings("Settings.dat"));
    // No retry pause was needed.
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::milliseconds(500));
    EXPECT_EQ(other.f_ListTableNames().size(), 1u);
}
