#include "tools/fuzz/SessionModel.h"

#include "tools/config/ConfigJson.h"
#include "tools/sim/Simulator.h"

#include "config/ConfigurationHolder.h"
#include "config/Keys.h"
#include "core/BinaryStreamMemory.h"
#include "engine/RecordChannel.h"

#include <array>
#include <ostream>
#include <streambuf>
#include <vector>

namespace NQuillonFuzz
{
namespace
{
using json = nlohmann::json;

// What the user presses: keys (one with the E0 prefix) and mouse buttons.
constexpr const char* mc_PhysicalKeys[] = {"A",   "S",  "D",          "LCtrl",       "LShift", "F1",
                                           "F12", "Up", "Mouse-Left", "Mouse-Right", "Mouse-4"};
constexpr std::uint32_t mc_PhysicalCount = sizeof(mc_PhysicalKeys) / sizeof(mc_PhysicalKeys[0]);
// What bindings trigger on: the physical keys and the wheel steps.
constexpr const char* mc_TriggerKeys[] = {
    "A",          "S",           "D",       "LCtrl",         "LShift",         "F1", "F12", "Up",
    "Mouse-Left", "Mouse-Right", "Mouse-4", "Mouse-WheelUp", "Mouse-WheelDown"};
// What Input actions generate and release.
constexpr const char* mc_OutputKeys[] = {
    "B",          "N",           "LCtrl",   "LShift",        "RAlt",           "A",
    "Mouse-Left", "Mouse-Right", "Mouse-4", "Mouse-WheelUp", "Mouse-WheelDown"};

template <std::size_t N>
json fg_Key(ICChoices& choices, const char* const (&pool)[N], std::uint32_t order)
{
    NQuillon::CMessageHookBase::CKey key;
    NQuillon::gf_ParseKeyNameExactly(pool[choices.f_Below(N)], key);
    return json::array({key.m_Device, key.m_Code, order});
}

template <std::size_t N>
json fg_Keys(ICChoices& choices, const char* const (&pool)[N], std::uint32_t count, bool ordered)
{
    json keys = json::array();
    for (std::uint32_t i = 0; i < count; ++i)
        keys.push_back(fg_Key(choices, pool, ordered && choices.f_Chance(60) ? i + 1 : 0));
    return keys;
}

json fg_Action(ICChoices& choices, std::uint32_t tableCount, bool missingTables)
{
    json action;
    action["trigger"] = fg_Keys(choices, mc_TriggerKeys, 1 + choices.f_Below(3), true);
    action["flags"] = choices.f_Chance(20) ? 1 : 0;
    const std::uint32_t kind = choices.f_Below(10);
    if (kind < 5)
    {
        action["kind"] = "Input";
        json sequences = json::array();
        const std::uint32_t count = choices.f_Chance(60) ? 1 : choices.f_Below(4);
        for (std::uint32_t i = 0; i < count; ++i)
            sequences.push_back(fg_Keys(choices, mc_OutputKeys, 1 + choices.f_Below(3), false));
        action["sequences"] = sequences;
        action["release"] = fg_Keys(choices, mc_PhysicalKeys, choices.f_Chance(25) ? 1 : 0, false);
    }
    else if (kind < 7)
    {
        action["kind"] = "RemapTable";
        const std::uint32_t table = choices.f_Below(tableCount + (missingTables ? 1 : 0));
        action["table"] = table < tableCount ? "T" + std::to_string(table) : std::string("Missing");
    }
    else if (kind < 9)
        action["kind"] = "Kill";
    else
        action["kind"] = "ReleaseAllKeys";
    return action;
}

// Counts what the output holds down.
class COutputState final : public NQuillon::ICRecordChannel
{
public:
    void f_WriteKeyboardRecord(const NQuillon::KEYBOARD_INPUT_DATA& data) override
    {
        const int key = (data.MakeCode & 0x7F) + ((data.Flags & NQuillon::KEY_E0) ? 128 : 0);
        m_Keys[static_cast<std::size_t>(key)] = !(data.Flags & NQuillon::KEY_BREAK);
        ++m_Records;
    }
    void f_WriteMouseRecord(const NQuillon::MOUSE_INPUT_DATA& data) override
    {
        for (int code = 1; code <= 5; ++code)
        {
            if (data.ButtonFlags & NQuillon::gf_MouseDownFlag(code))
                m_Buttons[static_cast<std::size_t>(code)] = true;
            if (data.ButtonFlags & NQuillon::gf_MouseUpFlag(code))
                m_Buttons[static_cast<std::size_t>(code)] = false;
        }
        ++m_Records;
    }
    // The first key or button still down, empty when none.
    std::string f_Held() const
    {
        for (int key = 0; key < 256; ++key)
            if (m_Keys[static_cast<std::size_t>(key)])
                return NQuillon::CMessageHookBase::f_GetKeyName(NQuillon::EKeyDevice_Keyboard, key)
                    .f_GetStr();
        for (int code = 1; code <= 5; ++code)
            if (m_Buttons[static_cast<std::size_t>(code)])
                return NQuillon::CMessageHookBase::f_GetKeyName(NQuillon::EKeyDevice_Mouse, code).f_GetStr();
        return {};
    }

    std::array<bool, 256> m_Keys{};
    std::array<bool, 6> m_Buttons{};
    std::size_t m_Records = 0;
};

// Swallows the simulator's printed transcript.
class CNullBuffer final : public std::streambuf
{
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};
} // namespace

json gf_RandomConfiguration(ICChoices& choices, bool missingTables)
{
    const std::uint32_t tableCount = 1 + choices.f_Below(3);
    json tables = json::array();
    for (std::uint32_t t = 0; t < tableCount; ++t)
    {
        json groups = json::array();
        const std::uint32_t groupCount = 1 + choices.f_Below(3);
        for (std::uint32_t g = 0; g < groupCount; ++g)
        {
            json group;
            group["name"] = "G" + std::to_string(g);
            group["priority"] = g;
            const std::uint32_t ignore = choices.f_Below(3);
            group["ignore"] = ignore == 0   ? json::array()
                              : ignore == 1 ? json::array({json::array({0, 0, 0})})
                                            : fg_Keys(choices, mc_TriggerKeys, 1 + choices.f_Below(2), false);
            const bool onActivate = choices.f_Chance(10);
            group["flags"] = onActivate ? 1 : 0;
            json actions = json::array();
            const std::uint32_t actionCount = 1 + choices.f_Below(6);
            for (std::uint32_t a = 0; a < actionCount; ++a)
                actions.push_back(fg_Action(choices, tableCount, missingTables));
            group["actions"] = actions;
            groups.push_back(group);
        }
        tables.push_back({{"name", "T" + std::to_string(t)}, {"groups", groups}});
    }
    json settings = {
        {"Keyboard Repeat Delay", std::to_string(20 + choices.f_Below(300))},
        {"Keyboard Repeat Rate", std::to_string(choices.f_Chance(10) ? 0 : 5 + choices.f_Below(40))}};
    return {{"defaultTable", "T0"},
            {"defaultPreset", "P"},
            {"presets", json::array({{{"name", "P"}, {"settings", settings}}})},
            {"tables", tables}};
}

class CSession::CImpl
{
public:
    CImpl() : m_Null(&m_NullBuffer), m_Simulator(m_Null) { m_Simulator.f_SetObserver(&m_Output); }

    CNullBuffer m_NullBuffer;
    std::ostream m_Null;
    NQuillonSim::CSimulator m_Simulator;
    COutputState m_Output;
};

CSession::CSession(const json& configuration) : m_pImpl(new CImpl)
{
    NQuillon::CConfigurationHolder holder;
    holder.m_bSavingSuppressed = true;
    NQuillonConfigTool::gf_BuildConfiguration(configuration, holder);
    NTev::NStream::CBinaryStreamMemory image;
    holder.f_WriteSettings(image);
    m_pImpl->m_Simulator.f_LoadSettingsImage(image.f_GetBytes(), "random");
}

CSession::~CSession()
{
    delete m_pImpl;
}

std::string CSession::f_Run(ICChoices& choices, std::size_t maxSteps)
{
    NQuillonSim::CSimulator& simulator = m_pImpl->m_Simulator;
    COutputState& output = m_pImpl->m_Output;
    std::array<bool, mc_PhysicalCount> held{};
    std::size_t heldCount = 0;
    std::size_t step = 0;
    auto play = [&](const std::string& token)
    {
        m_Script += token + "\n";
        simulator.f_RunScript(token);
        ++step;
    };
    auto check = [&]() -> std::string
    {
        if (heldCount)
            return {};
        const std::string still = output.f_Held();
        return still.empty()
                   ? std::string()
                   : "step " + std::to_string(step) + ": nothing is held, yet the output holds " + still;
    };

    // Releases a held key, chosen at random.
    auto releaseOne = [&]
    {
        std::uint32_t k = choices.f_Below(mc_PhysicalCount);
        while (!held[k])
            k = (k + 1) % mc_PhysicalCount;
        held[k] = false;
        --heldCount;
        play(std::string("u:") + mc_PhysicalKeys[k]);
    };

    const std::size_t steps = 1 + choices.f_Below(static_cast<std::uint32_t>(maxSteps));
    for (std::size_t i = 0; i < steps; ++i)
    {
        const std::uint32_t what = choices.f_Below(100);
        if (what < 40)
        {
            const std::uint32_t k = choices.f_Below(mc_PhysicalCount);
            // Mouse buttons have no hardware repeat.
            if (held[k] && std::string(mc_PhysicalKeys[k]).rfind("Mouse-", 0) == 0)
                continue;
            heldCount += held[k] ? 0 : 1;
            held[k] = true;
            play(std::string("d:") + mc_PhysicalKeys[k]);
        }
        else if (what < 70 && heldCount)
            releaseOne();
        else if (what < 78)
            play(choices.f_Chance(50) ? "w:120" : "w:-120");
        else
            play("t:" +
                 std::to_string(choices.f_Chance(20) ? 300 + choices.f_Below(1500) : choices.f_Below(300)));
        if (std::string failure = check(); !failure.empty())
            return failure;
    }
    while (heldCount)
        releaseOne();
    if (std::string failure = check(); !failure.empty())
        return failure;
    const std::size_t records = output.m_Records;
    play("t:3000");
    if (output.m_Records != records)
        return "step " + std::to_string(step) + ": output while nothing is held (a repeat runs)";
    return check();
}
void CSession::f_FeedRawRecords(ICChoices& choices, std::size_t count)
{
    NQuillon::CMessageHook& engine = m_pImpl->m_Simulator.f_GetEngine();
    for (std::size_t i = 0; i < count; ++i)
    {
        if (choices.f_Chance(10))
        {
            m_pImpl->m_Simulator.f_RunScript("t:" + std::to_string(choices.f_Below(100)));
            continue;
        }
        NQuillon::CDriverRecord records[4]{};
        const std::uint32_t batch = 1 + choices.f_Below(4);
        for (std::uint32_t r = 0; r < batch; ++r)
        {
            NQuillon::CDriverRecord& record = records[r];
            record.m_Kind = choices.f_Below(3);
            if (record.m_Kind == NQuillon::EDriverRecordKind_Keyboard)
            {
                record.m_Keyboard.MakeCode = static_cast<std::uint16_t>(choices.f_Below(0x10000));
                record.m_Keyboard.Flags = static_cast<std::uint16_t>(choices.f_Below(8));
            }
            else
            {
                record.m_Mouse.Flags = static_cast<std::uint16_t>(choices.f_Below(2));
                record.m_Mouse.ButtonFlags = static_cast<std::uint16_t>(choices.f_Below(0x10000));
                record.m_Mouse.ButtonData = static_cast<std::uint16_t>(choices.f_Below(0x10000));
                record.m_Mouse.LastX = static_cast<std::int32_t>(choices.f_Below(0x10000)) - 0x8000;
                record.m_Mouse.LastY =
                    choices.f_Chance(50) ? 0 : static_cast<std::int32_t>(choices.f_Below(400)) - 200;
            }
        }
        engine.f_ProcessDriverRecords(records, batch);
    }
    engine.f_ReleaseAllKeys();
}
} // namespace NQuillonFuzz
