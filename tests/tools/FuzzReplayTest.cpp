// Every seed of the fuzz corpus and every input the fuzzers found, replayed against the fuzz
// targets' bodies: what once broke an oracle (or crashed) stays mended.

#include "tools/fuzz/FuzzTargets.h"

#include "agent/AgentMessage.h"

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
    if (target == "agent_message_from_agent")
        return NQuillonFuzz::gf_FuzzAgentMessageFromAgent;
    if (target == "agent_message_from_service")
        return NQuillonFuzz::gf_FuzzAgentMessageFromService;
    return NQuillonFuzz::gf_FuzzEngine;
}

const char* const gc_Targets[] = {"settings_file",
                                  "config_json",
                                  "simulator_script",
                                  "engine",
                                  "agent_message_from_agent",
                                  "agent_message_from_service"};

std::string fg_Read(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::vector<CReplay> fg_Replays()
{
    std::vector<CReplay> replays;
    for (const char* root : {QUILLON_FUZZ_CORPUS, QUILLON_FUZZ_FOUND})
        for (const char* target : gc_Targets)
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
        const std::string bytes = fg_Read(replay.m_Input);
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

// The agent message seeds are what their names say: a near miss is refused, every other seed
// is a message its sender may send, so that the oracle has messages to work on from the start.
TEST(FuzzReplay, TheAgentMessageSeedsDecodeUnlessNamedNearMisses)
{
    const std::pair<const char*, NQuillon::EAgentSender> targets[] = {
        {"agent_message_from_agent", NQuillon::EAgentSender::Agent},
        {"agent_message_from_service", NQuillon::EAgentSender::Service},
    };
    for (const auto& [target, sender] : targets)
    {
        int valid = 0;
        int nearMisses = 0;
        for (const auto& entry :
             std::filesystem::directory_iterator(std::filesystem::path(QUILLON_FUZZ_CORPUS) / target))
        {
            const std::string bytes = fg_Read(entry.path());
            const bool nearMiss = entry.path().filename().string().rfind("near-", 0) == 0;
            (nearMiss ? nearMisses : valid)++;
            EXPECT_EQ(NQuillon::gf_DecodeAgentMessage(bytes.data(), bytes.size(), sender).has_value(),
                      !nearMiss)
                << entry.path().string();
        }
        EXPECT_GE(valid, 5) << target;
        EXPECT_GE(nearMisses, 5) << target;
    }
}
