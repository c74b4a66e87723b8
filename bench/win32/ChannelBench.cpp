// Round trips through the real channel under Wine: a record fed to the filter stand-in, read
// and evaluated by the engine, and written back. Prints the latency from feeding to the
// engine's record leaving it (median and p99), then the process's CPU use while idle.
//   bench_channel [ROUND_TRIPS] [IDLE_SECONDS]

#include "tools/config/ConfigJson.h"
#include "tools/filterstandin/FilterStandIn.h"

#include "engine/MessageHook.h"
#include "tests/engine/EngineTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <windows.h>

using NQuillon::CDriverRecord;

namespace
{
double fg_CpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto value = [](const FILETIME& t)
    { return (std::uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return double(value(kernel) + value(user)) / 1e7;
}
} // namespace

int main(int argc, char** argv)
{
    const int roundTrips = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 10;
    char directory[MAX_PATH];
    GetTempPathA(sizeof directory, directory);

    NQuillon::CFilterStandIn standIn;
    standIn.f_Start();
    NQuillon::CMessageHook engine;
    engine.f_SetSettingsDirectory(directory);
    engine.m_bSavingSuppressed = true;
    NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(NQuillonTest::gc_AToB), engine);
    engine.m_bOwnsInput = true;
    engine.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    if (!standIn.f_WaitClients(1, 10000))
    {
        std::fprintf(stderr, "bench_channel: the engine did not open the stand-in device\n");
        return 1;
    }

    std::vector<double> microseconds;
    microseconds.reserve(std::size_t(roundTrips));
    const double ticksPerMicrosecond = double(NQuillon::CFilterStandIn::fs_TicksPerSecond()) / 1e6;
    for (int i = 0; i < roundTrips + 100; ++i)
    {
        CDriverRecord record{};
        record.m_Kind = NQuillon::EDriverRecordKind_Keyboard;
        record.m_Keyboard.MakeCode = 0x1E;
        record.m_Keyboard.Flags = (i & 1) ? NQuillon::KEY_BREAK : 0;
        standIn.f_Feed(&record, 1);
        if (!standIn.f_WaitWritten(1, 5000))
        {
            std::fprintf(stderr, "bench_channel: no record came back for round trip %d\n", i);
            return 1;
        }
        const auto fed = standIn.f_TakeFed();
        const auto written = standIn.f_TakeWritten();
        // The first hundred warm the caches and the pipe.
        if (i >= 100)
            microseconds.push_back(double(written.front().m_Time - fed.front().m_Time) / ticksPerMicrosecond);
    }
    std::sort(microseconds.begin(), microseconds.end());
    const auto at = [&](double q) { return microseconds[std::size_t(q * double(microseconds.size() - 1))]; };
    std::printf("round trips: %d\nlatency median: %.1f us\nlatency p99: %.1f us\nlatency max: %.1f us\n",
                roundTrips, at(0.5), at(0.99), microseconds.back());

    const double before = fg_CpuSeconds();
    Sleep(DWORD(idleSeconds) * 1000);
    const double used = fg_CpuSeconds() - before;
    std::printf("idle for %d s: %.3f s of CPU (%.2f%% of one core)\n", idleSeconds, used,
                100.0 * used / idleSeconds);
    engine.f_Stop(true);
    standIn.f_Stop();
    return 0;
}
