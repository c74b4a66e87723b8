// Every seed of the fuzz corpus and every input the fuzzers found, replayed against the fuzz
// targets' bodies: what once broke an oracle (or crashed) stays mended.

#include "tools/fuzz/FuzzTargets.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <stdexcept>

namespace
{
struct CReplay
{
    std::string m_Target;
    std::filesystem::path m_Input;
};

void (*fg_Body(const std::string& target))(const std::uint8_t*, std::size_t)
{
    if (target == "settings_file")
        return NQuillonFuzz::gf_FuzzSettingsFile;
    if (target == "config_json")
        return NQuillonFuzz::gf_FuzzConfigJson;
    if (target == "simulator_script")
        return NQuillonFuzz::gf_FuzzSimulatorScript;
    return NQuillonFuzz::gf_FuzzEngine;
}

std::vector<CReplay> fg_Replays()
{
    std::vector<CReplay> replays;
    for (const char* root : {QUILLON_FUZZ_CORPUS, QUILLON_FUZZ_FOUND})
        for (const char* target : {"settings_file", "config_json", "simulator_script", "engine"})
        {
            const std::filesystem::path folder = std::filesystem::path(root) / target;
            if (!std::filesystem::is_directory(folder))
                continue;
            for (const auto& entry : std::filesystem::directory_iterator(folder))
                if (entry.is_regular_file())
                    replays.push_back({target, entry.path()});
        }
    std::sort(replays.begin(), replays.end(),
              [](const CReplay& a, const CReplay& b) { return a.m_Input < b.m_Input; });
    return replays;
}

void fg_Throw(const std::string& message)
{
    throw std::runtime_error(message);
}
} // namespace

TEST(FuzzReplay, EverySeedAndFoundInputKeepsTheOracles)
{
    const std::vector<CReplay> replays = fg_Replays();
    EXPECT_GE(replays.size(), 40u);
    NQuillonFuzz::FFailureHandler previous = NQuillonFuzz::gf_SetFailureHandler(fg_Throw);
    for (const CReplay& replay : replays)
    {
        std::ifstream file(replay.m_Input, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        try
        {
            fg_Body(replay.m_Target)(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        }
        catch (const std::exception& exception)
        {
            ADD_FAILURE() << replay.m_Input.string() << ": " << exception.what();
        }
    }
    NQuillonFuzz::gf_SetFailureHandler(previous);
}
