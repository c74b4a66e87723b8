#pragma once
// Random configurations and random key sessions on the real engine (through the simulator),
// with the property every session must keep: once the user holds no key and no button, the
// output holds none either, and no repeat runs. Shared by the property test and the engine's
// fuzz target.

#include "tools/fuzz/Choices.h"

#include <nlohmann/json.hpp>
#include <string>

namespace NQuillonFuzz
{
// Tables with layers of groups (ignore rules, run on activation), combinations with press
// orders, Input actions with several sequences, release keys and mouse output, table switches
// (also to a table that does not exist), Kill and Release All, bindings on mouse buttons and
// wheel steps; a preset with a repeat delay and rate. Without missingTables every switch names
// an existing table.
nlohmann::json gf_RandomConfiguration(ICChoices& choices, bool missingTables = true);

class CSession
{
public:
    // Builds the configuration through the settings file format into a fresh simulator.
    explicit CSession(const nlohmann::json& configuration);
    ~CSession();
    CSession(const CSession&) = delete;
    CSession& operator=(const CSession&) = delete;

    // Plays up to maxSteps random steps (presses, hardware repeats, releases, wheel, waits
    // long enough to repeat), then releases everything the user holds and waits. Returns the
    // first broken property, empty when none.
    std::string f_Run(ICChoices& choices, std::size_t maxSteps);
    // Then driver records of any content (any make code and flags, several buttons in one
    // record, wheel data, movement) and ticks, until the choices are used up or after count
    // records: the engine must merely survive them.
    void f_FeedRawRecords(ICChoices& choices, std::size_t count = 200);
    // The session as a quillon-sim script, to replay it.
    const std::string& f_GetScript() const noexcept { return m_Script; }

private:
    class CImpl;
    CImpl* m_pImpl;
    std::string m_Script;
};
} // namespace NQuillonFuzz
