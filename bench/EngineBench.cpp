// The engine, record in to records out, through f_ProcessDriverRecords with a counting
// channel. Each case runs one record per call (as the filter driver usually hands a key press
// over) and in batches of eight. Reports ns per event and heap allocations per event.
//
// Instructions per event: valgrind --tool=callgrind --toggle-collect='*f_ProcessDriverRecords*'
//   build/native/bench/bench_engine --benchmark_filter=OneKeyRemap/1 --benchmark_min_time=0.1
// then divide the inclusive count of f_ProcessDriverRecords by its calls.

#include "BenchConfigurations.h"

#include "engine/MessageHook.h"
#include "tests/support/AllocationCounter.h"
#include "tools/config/ConfigJson.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace
{
class CCountingChannel final : public NQuillon::ICRecordChannel
{
public:
    void f_WriteKeyboardRecord(const NQuillon::KEYBOARD_INPUT_DATA&) override { ++m_Records; }
    void f_WriteMouseRecord(const NQuillon::MOUSE_INPUT_DATA&) override { ++m_Records; }
    std::uint64_t m_Records = 0;
};

NQuillon::CDriverRecord fg_Key(std::uint16_t makeCode, bool down)
{
    NQuillon::CDriverRecord record{};
    record.m_Kind = NQuillon::EDriverRecordKind_Keyboard;
    record.m_Keyboard.MakeCode = makeCode;
    record.m_Keyboard.Flags = down ? 0 : NQuillon::KEY_BREAK;
    return record;
}

constexpr std::uint16_t mc_LCtrl = 0x1D;

// A is bound to B; LCtrl + C to LCtrl + V.
const char* const gc_Small = R"json({"defaultTable": "Main", "tables": [{"name": "Main", "groups": [
  {"name": "G", "priority": 1, "actions": [
    {"kind": "Input", "trigger": "A(1)", "sequences": ["B"]},
    {"kind": "Input", "trigger": "LCtrl(A) + C(1)", "sequences": ["LCtrl(A) + V(A)"]}]}]}]})json";

enum EConfiguration
{
    EConfiguration_Small,
    EConfiguration_Large,
};

void fg_Run(benchmark::State& state, EConfiguration configuration,
            std::vector<NQuillon::CDriverRecord> stream)
{
    CCountingChannel channel;
    NQuillon::CMessageHook engine(&channel);
    engine.m_bOwnsInput = true;
    engine.m_bSavingSuppressed = true;
    if (configuration == EConfiguration_Small)
        NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(gc_Small), engine);
    else
        NQuillonBench::gf_FillConfiguration(engine, 10, 10, 50);

    // Eight events a round, fed one per call or all at once.
    std::vector<NQuillon::CDriverRecord> records;
    while (records.size() < 8)
        records.insert(records.end(), stream.begin(), stream.end());
    records.resize(8);
    const std::size_t perCall = static_cast<std::size_t>(state.range(0));

    const auto round = [&]
    {
        for (std::size_t i = 0; i < records.size(); i += perCall)
            engine.f_ProcessDriverRecords(records.data() + i, perCall);
    };
    round(); // warm up
    const std::uint64_t allocationsBefore = NQuillonTest::gf_CountAllocations();
    std::uint64_t events = 0;
    for (auto _ : state)
    {
        round();
        events += records.size();
    }
    const std::uint64_t allocations = NQuillonTest::gf_CountAllocations() - allocationsBefore;
    state.SetItemsProcessed(static_cast<std::int64_t>(events));
    state.counters["ns_per_event"] = benchmark::Counter(
        static_cast<double>(events), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["allocs_per_event"] = events ? static_cast<double>(allocations) / events : 0;
    benchmark::DoNotOptimize(channel.m_Records);
}

NQuillon::CDriverRecord fg_Move(int i)
{
    NQuillon::CDriverRecord record{};
    record.m_Kind = NQuillon::EDriverRecordKind_Mouse;
    record.m_Mouse.LastX = i - 3;
    record.m_Mouse.LastY = 2;
    return record;
}
} // namespace

static void OneKeyRemap(benchmark::State& state)
{
    fg_Run(state, EConfiguration_Small, {fg_Key(0x1E, true), fg_Key(0x1E, false)});
}

static void KeyThatPasses(benchmark::State& state)
{
    fg_Run(state, EConfiguration_Small, {fg_Key(0x2D, true), fg_Key(0x2D, false)});
}

// LCtrl held, C remapped to V.
static void Chord(benchmark::State& state)
{
    fg_Run(state, EConfiguration_Small,
           {fg_Key(mc_LCtrl, true), fg_Key(0x2E, true), fg_Key(0x2E, false), fg_Key(mc_LCtrl, false)});
}

// 10 tables of 10 groups x 50 bindings [LCtrl (any order), key]; F12 is bound in none.
static void Miss10Tables500Bindings(benchmark::State& state)
{
    fg_Run(state, EConfiguration_Large, {fg_Key(0x58, true), fg_Key(0x58, false)});
}

static void Hit10Tables500Bindings(benchmark::State& state)
{
    fg_Run(state, EConfiguration_Large,
           {fg_Key(mc_LCtrl, true), fg_Key(0x10, true), fg_Key(0x10, false), fg_Key(mc_LCtrl, false)});
}

static void RelativeMovement(benchmark::State& state)
{
    std::vector<NQuillon::CDriverRecord> moves;
    for (int i = 0; i < 8; ++i)
        moves.push_back(fg_Move(i));
    fg_Run(state, EConfiguration_Large, moves);
}

BENCHMARK(OneKeyRemap)->Arg(1)->Arg(8);
BENCHMARK(KeyThatPasses)->Arg(1)->Arg(8);
BENCHMARK(Chord)->Arg(1)->Arg(8);
BENCHMARK(Miss10Tables500Bindings)->Arg(1)->Arg(8);
BENCHMARK(Hit10Tables500Bindings)->Arg(1)->Arg(8);
BENCHMARK(RelativeMovement)->Arg(1)->Arg(8);
