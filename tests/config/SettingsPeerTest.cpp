// Two real processes on one settings file: one saves change after change, the other loads all
// the while. No load may give up or see a torn file, and every saved change arrives.

#include "config/Configuration.h"
#include "tests/config/TestEngine.h"
#include "tests/core/FileTestSupport.h"
#include "tests/support/Process.h"

#include <gtest/gtest.h>

TEST(SettingsPeers, AWriterAndAReaderNeverLoseOrTearAChange)
{
    NQuillonTest::CTempDirectory directory;
    const std::string count = "25";
    NQuillonTest::CProcess* writer =
        NQuillonTest::gf_StartProcess(QUILLON_SETTINGS_PEER, {"write", directory.f_GetPath(), count});
    NQuillonTest::CProcess* reader =
        NQuillonTest::gf_StartProcess(QUILLON_SETTINGS_PEER, {"read", directory.f_GetPath(), count});
    ASSERT_NE(writer, nullptr);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(NQuillonTest::gf_WaitProcess(writer), 0);
    EXPECT_EQ(NQuillonTest::gf_WaitProcess(reader), 0);

    NQuillonTest::CTestEngine engine;
    engine.f_SetSettingsDirectory(directory.f_GetPath().c_str());
    ASSERT_TRUE(engine.f_LoadSettings("Settings.dat"));
    EXPECT_EQ(engine.f_ListPresetNames().size(), 25u);
}
