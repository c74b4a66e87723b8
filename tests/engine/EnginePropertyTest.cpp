// Thousands of random configurations, each played by a random session of presses, hardware
// repeats, releases, wheel steps and waits long enough to repeat: once the user lets go of
// everything, the output holds nothing and nothing repeats.
//
// Every session has its own seed; a failure names its index. QUILLON_PROPERTY_SESSION=N runs
// session N alone and prints its configuration and script (quillon-sim replays them).

#include "tools/fuzz/SessionModel.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>

namespace
{
constexpr std::uint64_t mc_Seed = 0x5155494C4C4F4E11ull;
#if defined(__SANITIZE_ADDRESS__)
constexpr int mc_Sessions = 500;
#else
constexpr int mc_Sessions = 5000;
#endif
constexpr std::size_t mc_MaxSteps = 40;

void fg_CheckSessions(bool missingTables)
{
    const char* only = std::getenv("QUILLON_PROPERTY_SESSION");
    const int first = only ? std::atoi(only) : 0;
    const int last = only ? first + 1 : mc_Sessions;
    int failures = 0;
    for (int index = first; index < last && failures < 3; ++index)
    {
        NQuillonFuzz::CSeededChoices choices(mc_Seed + static_cast<std::uint64_t>(index) * 0x100000001B3ull);
        const nlohmann::json configuration = NQuillonFuzz::gf_RandomConfiguration(choices, missingTables);
        NQuillonFuzz::CSession session(configuration);
        const std::string failure = session.f_Run(choices, mc_MaxSteps);
        if (!failure.empty())
        {
            ++failures;
            ADD_FAILURE() << "session " << index << ": " << failure
                          << " (replay: QUILLON_PROPERTY_SESSION=" << index << ")";
        }
        if (only)
            std::cout << "== settings\n"
                      << configuration.dump(2) << "\n== script\n"
                      << session.f_GetScript() << (failure.empty() ? "" : "== broken: " + failure + "\n");
    }
}
} // namespace

TEST(EngineProperty, NothingStaysHeldOnceTheUserLetsGo)
{
    fg_CheckSessions(false);
}

// Also switching to tables that do not exist, which turns remapping off: the engine lets go of
// what it holds at that moment.
TEST(EngineProperty, NothingStaysHeldWhenSwitchingToMissingTables)
{
    fg_CheckSessions(true);
}
