// Reading and writing a settings file of 10 tables x 20 groups x 50 bindings (10,000
// actions), in memory and through the file on disk.

#include "BenchConfigurations.h"

#include "config/ConfigurationHolder.h"
#include "core/BinaryStreamMemory.h"
#include "tests/config/TestEngine.h"

#include <benchmark/benchmark.h>
#include <filesystem>

namespace
{
NTev::NStream::CBinaryStreamMemory fg_Image()
{
    NQuillon::CConfigurationHolder holder;
    holder.m_bSavingSuppressed = true;
    NQuillonBench::gf_FillConfiguration(holder, 10, 20, 50);
    NTev::NStream::CBinaryStreamMemory image;
    holder.f_WriteSettings(image);
    return image;
}
} // namespace

static void BM_ReadSettingsImage(benchmark::State& state)
{
    const auto bytes = fg_Image().f_GetBytes();
    NQuillon::CConfigurationHolder holder;
    holder.m_bSavingSuppressed = true;
    for (auto _ : state)
    {
        NTev::NStream::CBinaryStreamMemory stream(bytes);
        std::uint32_t flags = 0;
        std::uint32_t version = 0;
        holder.f_InstallConfiguration(holder.f_ReadSettings(stream, flags, version), flags);
    }
    state.counters["bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_ReadSettingsImage)->Unit(benchmark::kMillisecond);

static void BM_WriteSettingsImage(benchmark::State& state)
{
    NQuillon::CConfigurationHolder holder;
    holder.m_bSavingSuppressed = true;
    NQuillonBench::gf_FillConfiguration(holder, 10, 20, 50);
    for (auto _ : state)
    {
        NTev::NStream::CBinaryStreamMemory image;
        holder.f_WriteSettings(image);
        benchmark::DoNotOptimize(image.f_GetBytes().data());
    }
}
BENCHMARK(BM_WriteSettingsImage)->Unit(benchmark::kMillisecond);

static void BM_SaveAndLoadSettingsFile(benchmark::State& state)
{
    const std::filesystem::path directory = std::filesystem::temp_directory_path() / "quillon-bench-settings";
    std::filesystem::create_directories(directory);
    NQuillon::CConfigurationHolder writer;
    NQuillonBench::gf_FillConfiguration(writer, 10, 20, 50);
    writer.f_SetSettingsDirectory(directory.string().c_str());
    for (auto _ : state)
    {
        writer.f_SaveSettings();
        // A fresh reader every round: file times may not change between two quick saves.
        NQuillon::CConfigurationHolder reader;
        reader.m_bSavingSuppressed = true;
        reader.f_SetSettingsDirectory(directory.string().c_str());
        reader.f_LoadSettings("Settings.dat");
    }
    std::filesystem::remove_all(directory);
}
BENCHMARK(BM_SaveAndLoadSettingsFile)->Unit(benchmark::kMillisecond);

// One group whose actions are stored in descending trigger order: the load sorts them, and
// its time should grow as n log n (four times the actions, a little over four times the time).
static void BM_ReadDescendingActions(benchmark::State& state)
{
    const auto count = static_cast<std::int32_t>(state.range(0));
    NQuillonTest::CBytes b;
    b.u32(NQuillon::CMessageHookBase::mc_FileMagic).u32(274).u32(0).u32(274).u32(1).str("T").u32(1);
    b.str("G").i32(1).u32(0).u32(0).u32(static_cast<std::uint32_t>(count));
    for (std::int32_t code = count; code > 0; --code)
        b.u32(2).u32(0).keys(274, {{{0, code, 1}}});
    b.u32(0).str("").str("").u32(0);
    NQuillon::CConfigurationHolder holder;
    holder.m_bSavingSuppressed = true;
    for (auto _ : state)
    {
        NTev::NStream::CBinaryStreamMemory stream(b.f_Get());
        std::uint32_t flags = 0;
        std::uint32_t version = 0;
        holder.f_InstallConfiguration(holder.f_ReadSettings(stream, flags, version), flags);
    }
}
BENCHMARK(BM_ReadDescendingActions)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond);
