// The engine, record in to records out, through f_ProcessDriverRecords with a counting
// channel: key presses and releases that hit and miss bindings, and relative movements, on a
// one-binding configuration and on 10 tables x 20 groups x 50 bindings. Reports ns per record
// and heap allocations per record.

#include "BenchConfigurations.h"

#include "engine/MessageHook.h"
#include "tests/support/AllocationCounter.h"

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

// LCtrl held around presses of a key that fires a binding and one that fires none.
std::vector<NQuillon::CDriverRecord> fg_KeyStream(std::uint16_t hit, std::uint16_t miss)
{
    return {fg_Key(0x1D, true),  fg_Key(hit, true),   fg_Key(hit, false), fg_Key(miss, true),
            fg_Key(miss, false), fg_Key(0x1D, false), fg_Key(hit, true),  fg_Key(hit, false)};
}

void fg_Run(benchmark::State& state, int tables, int groups, int bindings, bool movement)
{
    CCountingChannel channel;
    NQuillon::CMessageHook engine(&channel);
    engine.m_bOwnsInput = true;
    engine.m_bSavingSuppressed = true;
    NQuillonBench::gf_FillConfiguration(engine, tables, groups, bindings);

    std::vector<NQuillon::CDriverRecord> records;
    if (movement)
    {
        for (int i = 0; i < 8; ++i)
        {
            NQuillon::CDriverRecord record{};
            record.m_Kind = NQuillon::EDriverRecordKind_Mouse;
            record.m_Mouse.LastX = i - 3;
            record.m_Mouse.LastY = 2;
            records.push_back(record);
        }
    }
    else
        // 0x10 is bound in every configuration; 0x58 (F12) in none.
        records = fg_KeyStream(0x10, 0x58);

    engine.f_ProcessDriverRecords(records.data(), records.size()); // warm up
    const std::uint64_t allocationsBefore = NQuillonTest::gf_CountAllocations();
    std::uint64_t processed = 0;
    for (auto _ : state)
    {
        engine.f_ProcessDriverRecords(records.data(), records.size());
        processed += records.size();
    }
    const std::uint64_t allocations = NQuillonTest::gf_CountAllocations() - allocationsBefore;
    state.SetItemsProcessed(static_cast<std::int64_t>(processed));
    state.counters["ns_per_record"] = benchmark::Counter(
        static_cast<double>(processed), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["allocs_per_record"] = processed ? static_cast<double>(allocations) / processed : 0;
    benchmark::DoNotOptimize(channel.m_Records);
}
} // namespace

static void BM_KeysOneBinding(benchmark::State& state)
{
    fg_Run(state, 1, 1, 1, false);
}
BENCHMARK(BM_KeysOneBinding);

static void BM_Keys10Tables20Groups50Bindings(benchmark::State& state)
{
    fg_Run(state, 10, 20, 50, false);
}
BENCHMARK(BM_Keys10Tables20Groups50Bindings);

static void BM_RelativeMovement(benchmark::State& state)
{
    fg_Run(state, 10, 20, 50, true);
}
BENCHMARK(BM_RelativeMovement);
