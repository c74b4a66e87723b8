// The simulator's script parser and the engine itself under random input.

#include "tools/fuzz/FuzzTargets.h"

#include "tools/config/ConfigJson.h"
#include "tools/fuzz/SessionModel.h"
#include "tools/sim/Simulator.h"

#include "config/ConfigurationHolder.h"
#include "core/BinaryStreamMemory.h"

#include <cstdlib>
#include <sstream>

namespace NQuillonFuzz
{
namespace
{
// Repeats, an action that repeats, held wheel steps, queued wheel steps, a table switch.
const char* const mc_Lively = R"json({
  "defaultTable": "Main", "defaultPreset": "P",
  "presets": [{"name": "P", "settings": {"Keyboard Repeat Delay": "40", "Keyboard Repeat Rate": "25",
    "Mouse Wheel Acceleration": "2", "Mouse Wheel Acceleration Delay": "20", "Mouse Acceleration": "1.5"}}],
  "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "ignore": [[0, 0, 0]], "actions": [
      {"kind": "Input", "trigger": "F1", "sequences": ["LCtrl + Mouse-Left"]},
      {"kind": "Input", "trigger": "F2", "sequences": ["Mouse-WheelUp"], "release": "LShift"},
      {"kind": "RemapTable", "trigger": "F3", "table": "Other"},
      {"kind": "ReleaseAllKeys", "trigger": "F4"}]}]},
    {"name": "Other", "groups": [{"name": "G", "priority": 1, "actions": [
      {"kind": "RemapTable", "trigger": "F3", "table": "Main"}]}]}]
})json";
// The same without anything that repeats: long waits cost nothing.
const char* const mc_Quiet = R"json({
  "defaultTable": "Main", "defaultPreset": "P",
  "presets": [{"name": "P", "settings": {"Keyboard Repeat Rate": "0"}}],
  "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "actions": [
      {"kind": "Input", "trigger": "F1", "sequences": ["LCtrl"]}]}]}]
})json";

const std::vector<unsigned char>& fg_Image(const char* description)
{
    static std::vector<unsigned char> images[2];
    std::vector<unsigned char>& image = images[description == mc_Lively ? 0 : 1];
    if (image.empty())
    {
        NQuillon::CConfigurationHolder holder;
        holder.m_bSavingSuppressed = true;
        NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(description), holder);
        NTev::NStream::CBinaryStreamMemory stream;
        holder.f_WriteSettings(stream);
        image = stream.f_GetBytes();
    }
    return image;
}

// Runs the script; false when the simulator refused it.
bool fg_Play(const char* description, const std::string& script, std::string& output)
{
    std::ostringstream stream;
    NQuillonSim::CSimulator simulator(stream);
    simulator.f_LoadSettingsImage(fg_Image(description), "fuzz");
    try
    {
        simulator.f_RunScript(script);
    }
    catch (const NQuillonSim::CSimError&)
    {
        return false;
    }
    output = stream.str();
    return true;
}

// The sum of the script's waits as far as they read as numbers (saturating), so that a
// script holding a key for years does not print for years.
std::uint64_t fg_RoughWaits(const std::string& script)
{
    std::uint64_t total = 0;
    for (std::size_t at = script.find("t:"); at != std::string::npos; at = script.find("t:", at + 2))
    {
        std::uint64_t value = 0;
        for (std::size_t i = at + 2; i < script.size() && script[i] >= '0' && script[i] <= '9'; ++i)
            value = value > UINT64_MAX / 20 ? UINT64_MAX / 2 : value * 10 + std::uint64_t(script[i] - '0');
        total = total + value < total ? UINT64_MAX : total + value;
    }
    return total;
}

// The script with every wait cut into 1 ms waits (short scripts only).
std::string fg_InMillisecondSteps(const std::string& script)
{
    std::istringstream lines(script);
    std::string line;
    std::string out;
    while (std::getline(lines, line))
    {
        std::istringstream tokens(line.substr(0, line.find('#')));
        std::string token;
        while (tokens >> token)
        {
            std::int64_t wait = 0;
            if (token.rfind("t:", 0) == 0 && (wait = std::atoll(token.c_str() + 2)) > 0 &&
                token.find_first_not_of("0123456789", 2) == std::string::npos)
                for (std::int64_t i = 0; i < wait; ++i)
                    out += "t:1 ";
            else
                out += token + " ";
        }
        out += "\n";
    }
    return out;
}
} // namespace

void gf_FuzzSimulatorScript(const std::uint8_t* data, std::size_t size)
{
    const std::string script(reinterpret_cast<const char*>(data), size);
    const std::uint64_t waits = fg_RoughWaits(script);
    std::string output;
    if (waits > 60000)
    {
        fg_Play(mc_Quiet, script, output);
        return;
    }
    if (!fg_Play(mc_Lively, script, output) || waits > 2000)
        return;
    std::string stepped;
    if (!fg_Play(mc_Lively, fg_InMillisecondSteps(script), stepped))
        gf_Fail("the script cut into 1 ms waits is refused");
    if (stepped != output)
        gf_Fail("jumping over idle time changed the output:\n" + output + "-- stepped:\n" + stepped);
}

void gf_FuzzEngine(const std::uint8_t* data, std::size_t size)
{
    CByteChoices choices(data, size);
    CSession session(gf_RandomConfiguration(choices, choices.f_Chance(50)));
    const std::string failure = session.f_Run(choices, 60);
    if (!failure.empty())
        gf_Fail(failure + "\nscript:\n" + session.f_GetScript());
    session.f_FeedRawRecords(choices);
}
} // namespace NQuillonFuzz
