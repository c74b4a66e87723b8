// The formatter on the patterns the system uses most: trace lines and fixed-width numbers.

#include "core/Format.h"

#include <benchmark/benchmark.h>

static void BM_FormatFixedTraceLine(benchmark::State& state)
{
    NTev::CFStr256 out;
    for (auto _ : state)
    {
        NTev::gf_Format(out, "{}({}): {} in {}: {}\n", "core/File.cpp", 123, "CExceptionFile",
                        "NTev::NSys::NFile::gf_Open", "File not open");
        benchmark::DoNotOptimize(out.f_GetStr());
    }
}
BENCHMARK(BM_FormatFixedTraceLine);

static void BM_FormatFixedHex(benchmark::State& state)
{
    NTev::CFStr256 out;
    std::uint64_t value = 0x1234ABCD;
    for (auto _ : state)
    {
        NTev::gf_Format(out, "{nfh,sf0,sj*}", value++, 16);
        benchmark::DoNotOptimize(out.f_GetStr());
    }
}
BENCHMARK(BM_FormatFixedHex);

static void BM_FormatCStr(benchmark::State& state)
{
    for (auto _ : state)
    {
        NTev::CStr out;
        NTev::gf_Format(out, "KB-{}", 84);
        benchmark::DoNotOptimize(out.f_GetStr());
    }
}
BENCHMARK(BM_FormatCStr);
