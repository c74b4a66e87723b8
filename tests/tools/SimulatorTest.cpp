// The simulator's script: what it refuses, and waits that jump over idle time yet print what
// stepping through every 2 ms tick prints.

#include "tools/sim/Simulator.h"
#include "tools/config/ConfigJson.h"

#include "config/ConfigurationHolder.h"
#include "core/BinaryStreamMemory.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sstream>

namespace
{
// A held Input action (F1 -> LCtrl, repeats as an action too), a held wheel step (F2), wheel
// acceleration with queued steps, a quick repeat.
const char* const mc_Settings = R"json({
  "defaultTable": "Main", "defaultPreset": "P",
  "presets": [{"name": "P", "settings": {"Keyboard Repeat Delay": "100", "Keyboard Repeat Rate": "7",
    "Mouse Wheel Acceleration": "2", "Mouse Wheel Acceleration Delay": "30"}}],
  "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "ignore": [[0, 0, 0]], "actions": [
    {"kind": "Input", "trigger": "F1", "sequences": ["LCtrl"]},
    {"kind": "Input", "trigger": "F2", "sequences": ["Mouse-WheelUp"]}]}]}]
})json";

std::string fg_Run(const std::string& script, bool withSettings = true)
{
    std::ostringstream output;
    NQuillonSim::CSimulator simulator(output);
    if (withSettings)
    {
        NQuillon::CConfigurationHolder holder;
        holder.m_bSavingSuppressed = true;
        NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(mc_Settings), holder);
        NTev::NStream::CBinaryStreamMemory image;
        holder.f_WriteSettings(image);
        simulator.f_LoadSettingsImage(image.f_GetBytes(), "settings");
    }
    simulator.f_RunScript(script);
    return output.str();
}

// The same waits cut into 1 ms pieces: every 2 ms boundary then gets its own tick.
std::string fg_InMillisecondSteps(std::int64_t milliseconds)
{
    std::string script;
    for (std::int64_t i = 0; i < milliseconds; ++i)
        script += "t:1 ";
    return script;
}
} // namespace

TEST(Simulator, RefusesTokensThatDoNotParseCompletely)
{
    for (const char* script : {"d:KB-30junk", "d:MOUSE-1junk", "d:KB-", "d:KB-256", "d:KB--1", "u:Ajunk",
                               "t:5x", "t: 5", "t:+", "w:1junk", "m:1,2x", "m:1 ,2", "t:99999999999999999999",
                               "t:922337203685478", "t:922337203685477 t:1"})
    {
        SCOPED_TRACE(script);
        EXPECT_THROW(fg_Run(script, false), NQuillonSim::CSimError);
    }
}

TEST(Simulator, KeyNumbersMayHaveLeadingZeros)
{
    EXPECT_EQ(fg_Run("d:KB-00 u:KB-00", false), fg_Run("d:KB-0 u:KB-0", false));
    EXPECT_EQ(fg_Run("d:KB-030 u:KB-030", false), "0 kbd A make\n0 kbd A break\n");
}

TEST(Simulator, WaitsJumpIdleTimeAndPrintWhatStepsPrint)
{
    const std::string events[] = {"d:A",  "d:F1", "w:120", "w:120", "w:-360", "u:F1",
                                  "d:F2", "u:F2", "d:B",   "u:A",   "u:B"};
    std::string jumped;
    std::string stepped;
    for (const std::string& event : events)
    {
        jumped += event + " t:997 ";
        stepped += event + " " + fg_InMillisecondSteps(997);
    }
    EXPECT_EQ(fg_Run(jumped), fg_Run(stepped));
}

TEST(Simulator, LongWaitsEndAtOnce)
{
    const auto start = std::chrono::steady_clock::now();
    // Ten days, then the last millisecond the clock can reach.
    EXPECT_EQ(fg_Run("t:864000000 d:A t:2 u:A t:922336339685475", false),
              "864000000 kbd A make\n864000002 kbd A break\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}
