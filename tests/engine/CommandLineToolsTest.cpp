// The command-line tools as a user meets them: what they refuse, and the exit code 2 that
// says so, with nothing written.

#include "tests/core/FileTestSupport.h"
#include "tests/support/Process.h"

#include <gtest/gtest.h>

namespace
{
int fg_Run(const char* program, const std::vector<std::string>& arguments)
{
    NQuillonTest::CProcess* process = NQuillonTest::gf_StartProcess(program, arguments);
    return process ? NQuillonTest::gf_WaitProcess(process) : -1;
}
} // namespace

TEST(CommandLineTools, SimulatorRefusesBadInput)
{
    NQuillonTest::CTempDirectory directory;
    EXPECT_EQ(fg_Run(QUILLON_SIM, {"-e", "d:A t:5 u:A"}), 0);
    EXPECT_EQ(fg_Run(QUILLON_SIM, {"-e", "d:A x:1"}), 2);
    EXPECT_EQ(fg_Run(QUILLON_SIM, {"-e", "d:NoSuchKey"}), 2);
    EXPECT_EQ(fg_Run(QUILLON_SIM, {"-e", "t:-5"}), 2);
    EXPECT_EQ(fg_Run(QUILLON_SIM, {"--settings", directory.f_Path("missing.dat"), "-e", "d:A"}), 2);
    NQuillonTest::gf_WriteFileBytes(directory.f_Path("bad.dat"), "not a settings file");
    EXPECT_EQ(fg_Run(QUILLON_SIM, {"--settings", directory.f_Path("bad.dat"), "-e", "d:A"}), 2);
    EXPECT_EQ(fg_Run(QUILLON_SIM, {"--table", "Nope", "-e", "d:A"}), 2);
    EXPECT_EQ(fg_Run(QUILLON_SIM, {"--bogus"}), 2);
}

TEST(CommandLineTools, ConfigToolRoundTripsAndRefusesBadInput)
{
    NQuillonTest::CTempDirectory directory;
    const std::string json = directory.f_Path("settings.json");
    const std::string file = directory.f_Path("Settings.dat");
    NQuillonTest::gf_WriteFileBytes(json, R"json({"defaultTable": "T", "tables": [{"name": "T", "groups": [
        {"name": "G", "priority": 1, "actions": [{"kind": "Kill", "trigger": "CapsLock(1)"}]}]}]})json");
    EXPECT_EQ(fg_Run(QUILLON_CONFIG, {"build", json, "-o", file}), 0);
    EXPECT_EQ(fg_Run(QUILLON_CONFIG, {"dump", file}), 0);
    const std::string built = NQuillonTest::gf_ReadFileBytes(file);

    NQuillonTest::gf_WriteFileBytes(json, "{ not json");
    EXPECT_EQ(fg_Run(QUILLON_CONFIG, {"build", json, "-o", file}), 2);
    NQuillonTest::gf_WriteFileBytes(json, R"json({"tables": [{"name": "T", "groups": [
        {"name": "G", "priority": 1, "actions": [{"kind": "Kill", "trigger": "NoSuchKey(1)"}]}]}]})json");
    EXPECT_EQ(fg_Run(QUILLON_CONFIG, {"build", json, "-o", file}), 2);
    // A refused build leaves the existing file as it was.
    EXPECT_EQ(NQuillonTest::gf_ReadFileBytes(file), built);
    EXPECT_EQ(fg_Run(QUILLON_CONFIG, {"dump", directory.f_Path("missing.dat")}), 2);
    EXPECT_EQ(fg_Run(QUILLON_CONFIG, {"dump", json}), 2);
    EXPECT_EQ(fg_Run(QUILLON_CONFIG, {"frobnicate"}), 2);
}

// Both tools know every plug-in action class: a file holding them builds, dumps and loads.
TEST(CommandLineTools, ToolsReadPluginActions)
{
    NQuillonTest::CTempDirectory directory;
    const std::string json = directory.f_Path("settings.json");
    const std::string file = directory.f_Path("Settings.dat");
    NQuillonTest::gf_WriteFileBytes(json, R"json({"defaultTable": "T", "tables": [{"name": "T", "groups": [
        {"name": "G", "priority": 1, "actions": [
          {"kind": "Plugin", "class": "CAccelerator_WindowManipulation", "trigger": "F1", "operation": 6},
          {"kind": "Plugin", "class": "CAccelerator_CDManipulation", "trigger": "F2", "operation": 1},
          {"kind": "Plugin", "class": "CAccelerator_MacBookProManipulation", "trigger": "F3", "operation": 9},
          {"kind": "Plugin", "class": "CAccelerator_KeyboardLocksManipulation", "trigger": "F4", "lock": 5},
          {"kind": "Plugin", "class": "CAccelerator_CtrlAltDelete", "trigger": "F5"}]}]}]})json");
    ASSERT_EQ(fg_Run(QUILLON_CONFIG, {"build", json, "-o", file}), 0);
    EXPECT_EQ(fg_Run(QUILLON_CONFIG, {"dump", file}), 0);
    EXPECT_EQ(fg_Run(QUILLON_SIM, {"--settings", file, "-e", "d:F1 u:F1 d:F2 u:F2 d:F4 u:F4"}), 0);
}

TEST(CommandLineTools, DirectoriesGivenForFilesAreRefused)
{
    NQuillonTest::CTempDirectory directory;
    const std::string folder = directory.f_Path("");
    const std::string json = directory.f_Path("settings.json");
    NQuillonTest::gf_WriteFileBytes(json, R"json({"tables": []})json");
    EXPECT_EQ(fg_Run(QUILLON_CONFIG, {"dump", folder}), 2);
    EXPECT_EQ(fg_Run(QUILLON_CONFIG, {"build", folder, "-o", directory.f_Path("out.dat")}), 2);
    EXPECT_EQ(fg_Run(QUILLON_CONFIG, {"build", json, "-o", folder}), 2);
    EXPECT_EQ(fg_Run(QUILLON_SIM, {"--settings", folder, "-e", "d:A"}), 2);
    EXPECT_EQ(fg_Run(QUILLON_SIM, {folder}), 2);
}
