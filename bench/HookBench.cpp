// The hook path without Windows: hook event in, verdict and injections out, through
// CHookChannel with an injector that only counts. Reports ns and allocations per event for a
// remapped key, a key that passes and the bounce of our own injection, and the worst wait of
// an event while another thread reloads a large configuration and a third runs the repeat
// tick (what decides whether a hook ever nears Windows' time-out).

#include "BenchConfigurations.h"

#include "engine/HookChannel.h"
#include "tests/support/AllocationCounter.h"
#include "tools/config/ConfigJson.h"

#include "core/SysThread.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

namespace
{
class CCountingInjector final : public NQuillon::ICInputInjector
{
public:
    void f_Inject(const NQuillon::CInjection*, std::size_t count) override { m_Injections += count; }
    void f_RequestDrain() noexcept override {}
    std::uint64_t m_Injections = 0;
};

const char* const gc_Small = R"json({"defaultTable": "Main", "tables": [{"name": "Main", "groups": [
  {"name": "G", "priority": 1, "actions": [{"kind": "Input", "trigger": "A(1)", "sequences": ["B"]}]}]}]})json";

NQuillon::CHookKeyEvent fg_Key(std::uint32_t virtualKey, std::uint32_t scanCode, bool down, bool own = false)
{
    return {virtualKey, scanCode,
            (down ? 0u : NQuillon::gc_HookKeyUp) | (own ? NQuillon::gc_HookKeyInjected : 0u),
            own ? NQuillon::gc_InjectionTag : 0};
}

// An engine that owns input and writes through a hook channel into a counting injector.
struct CHookedEngine
{
    CHookedEngine()
    {
        m_Channel.f_SetInjectingThread(NTev::NSys::gf_Thread_GetCurrentId());
        m_Engine.f_SetChannel(&m_Channel);
        m_Engine.m_bOwnsInput = true;
    }
    NQuillon::CMessageHook m_Engine;
    CCountingInjector m_Injector;
    NQuillon::CHookChannel m_Channel{m_Engine, m_Injector};
};

void fg_Run(benchmark::State& state, std::vector<NQuillon::CHookKeyEvent> events)
{
    CHookedEngine hooked;
    NQuillon::CMessageHook& engine = hooked.m_Engine;
    CCountingInjector& injector = hooked.m_Injector;
    NQuillon::CHookChannel& channel = hooked.m_Channel;
    engine.m_bSavingSuppressed = true;
    NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(gc_Small), engine);
    std::uint64_t swallowed = 0;
    const auto round = [&]
    {
        for (const auto& event : events)
            swallowed += channel.f_OnKeyEvent(event);
    };
    round();
    const std::uint64_t allocationsBefore = NQuillonTest::gf_CountAllocations();
    std::uint64_t count = 0;
    for (auto _ : state)
    {
        round();
        count += events.size();
    }
    const std::uint64_t allocations = NQuillonTest::gf_CountAllocations() - allocationsBefore;
    state.counters["ns_per_event"] = benchmark::Counter(
        static_cast<double>(count), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["allocs_per_event"] = count ? static_cast<double>(allocations) / count : 0;
    benchmark::DoNotOptimize(swallowed);
    benchmark::DoNotOptimize(injector.m_Injections);
}
} // namespace

static void HookRemappedKey(benchmark::State& state)
{
    fg_Run(state, {fg_Key('A', 0x1E, true), fg_Key('A', 0x1E, false)});
}

static void HookKeyThatPasses(benchmark::State& state)
{
    fg_Run(state, {fg_Key('X', 0x2D, true), fg_Key('X', 0x2D, false)});
}

static void HookOwnInjection(benchmark::State& state)
{
    fg_Run(state, {fg_Key('B', 0x30, true, true), fg_Key('B', 0x30, false, true)});
}

// Events while another thread keeps replacing a configuration of 10 tables x 10 groups x 50
// bindings from its file and the repeat thread ticks: the longest time one event took, its
// 99th percentile, and how many passed unevaluated because the engine stayed busy.
static void HookWorstWaitDuringReloads(benchmark::State& state)
{
    CHookedEngine hooked;
    NQuillon::CMessageHook& engine = hooked.m_Engine;
    NQuillon::CHookChannel& channel = hooked.m_Channel;
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() /
        ("quillon-hookbench-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(directory);
    engine.f_SetSettingsDirectory(directory.string().c_str());
    NQuillonBench::gf_FillConfiguration(engine, 10, 10, 50);
    engine.f_SaveSettings();
    engine.m_bSavingSuppressed = true;

    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> reloads{0};
    std::thread reloader(
        [&]
        {
            while (!stop)
                if (engine.f_ReplaceConfigurationFromFile("Settings.dat"))
                    ++reloads;
        });
    std::thread repeater(
        [&]
        {
            while (!stop)
            {
                engine.f_RepeatTick();
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    std::vector<double> microseconds;
    microseconds.reserve(1 << 16);
    const NQuillon::CHookKeyEvent events[] = {fg_Key(0xA2, 0x1D, true), fg_Key('Q', 0x10, true),
                                              fg_Key('Q', 0x10, false), fg_Key(0xA2, 0x1D, false)};
    for (auto _ : state)
        for (const auto& event : events)
        {
            const auto start = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(channel.f_OnKeyEvent(event));
            microseconds.push_back(
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        }
    stop = true;
    reloader.join();
    repeater.join();
    std::filesystem::remove_all(directory);
    std::sort(microseconds.begin(), microseconds.end());
    state.counters["events"] = static_cast<double>(microseconds.size());
    state.counters["reloads"] = static_cast<double>(reloads.load());
    state.counters["median_us"] = microseconds[microseconds.size() / 2];
    state.counters["p99_us"] = microseconds[microseconds.size() * 99 / 100];
    state.counters["max_us"] = microseconds.back();
    state.counters["busy_passes"] = static_cast<double>(channel.f_GetBusyPassCount());
}

BENCHMARK(HookRemappedKey);
BENCHMARK(HookKeyThatPasses);
BENCHMARK(HookOwnInjection);
BENCHMARK(HookWorstWaitDuringReloads)->MinTime(3.0);
