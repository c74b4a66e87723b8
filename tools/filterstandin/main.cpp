// quillon-filter: the filter driver's stand-in as a program, for scripts and demonstrations.
//   quillon-filter [--wait-client MS] [--settle MS] [--write-buffer BYTES] (SCRIPT-FILE | -)
//   quillon-filter [--wait-client MS] [--write-buffer BYTES] --bench N
// Feeds the script's records as hardware input and prints each beside what the connected
// client wrote back.

#include "tools/filterstandin/FilterScript.h"
#include "tools/filterstandin/FilterStandIn.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

namespace
{
constexpr const char* mc_Usage =
    "usage: quillon-filter [--wait-client MS] [--settle MS] [--write-buffer BYTES] (SCRIPT-FILE | -)\n"
    "       quillon-filter [--wait-client MS] [--write-buffer BYTES] --bench N\n";
constexpr std::uint32_t mc_MaxSettleMs = 5000;
constexpr std::uint32_t mc_BenchTimeoutMs = 2000;

struct CUsageError
{
    std::string m_Message;
};

int fg_Fail(const std::string& message)
{
    std::cerr << "quillon-filter: " << message << "\n";
    return 2;
}

std::uint32_t fg_ParseCount(const char* option, const char* text, const char* what)
{
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (!*text || *end || value > 3600000 || text[0] == '-')
        throw CUsageError{std::string(option) + " needs a number of " + what + ", not \"" + text + "\""};
    return static_cast<std::uint32_t>(value);
}

void fg_PrintPairs(const std::vector<NQuillon::CDriverRecord>& in,
                   const std::vector<NQuillon::CTimedRecord>& out)
{
    const std::size_t lines = std::max<std::size_t>(std::max(in.size(), out.size()), 1);
    for (std::size_t i = 0; i < lines; ++i)
    {
        std::string left = i < in.size() ? "in  " + NQuillon::gf_DescribeDriverRecord(in[i]) : "";
        std::string right;
        if (i < out.size())
            right = "-> out " + NQuillon::gf_DescribeDriverRecord(out[i].m_Record);
        else if (i == 0)
            right = "-> (nothing)";
        if (!right.empty())
        {
            left.resize(std::max<std::size_t>(left.size(), 32), ' ');
            left += " " + right;
        }
        std::cout << left << "\n";
    }
    std::cout.flush();
}

int fg_RunScript(NQuillon::CFilterStandIn& standIn, const std::vector<NQuillon::CFilterScriptStep>& steps,
                 std::uint32_t settleMs)
{
    for (const NQuillon::CFilterScriptStep& step : steps)
    {
        if (step.m_Kind == NQuillon::CFilterScriptStep::EKind::Wait)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(step.m_WaitMs));
            const auto late = standIn.f_TakeWritten();
            if (!late.empty())
                fg_PrintPairs({}, late);
            continue;
        }
        standIn.f_Feed(step.m_Records.data(), step.m_Records.size());
        standIn.f_WaitQuiet(settleMs, mc_MaxSettleMs);
        fg_PrintPairs(step.m_Records, standIn.f_TakeWritten());
    }
    return 0;
}

int fg_RunBench(NQuillon::CFilterStandIn& standIn, std::uint32_t pairs)
{
    std::vector<double> latencies;
    latencies.reserve(2 * std::size_t(pairs));
    const double microsecondsPerTick =
        1e6 / static_cast<double>(NQuillon::CFilterStandIn::fs_TicksPerSecond());
    standIn.f_TakeWritten();
    for (std::uint32_t i = 0; i < 2 * pairs; ++i)
    {
        const NQuillon::CDriverRecord record =
            NQuillon::gf_MakeKeyRecord(0x1E, (i & 1) ? NQuillon::KEY_BREAK : std::uint16_t(0));
        const std::int64_t fed = NQuillon::CFilterStandIn::fs_Now();
        standIn.f_Feed(&record, 1);
        if (!standIn.f_WaitWritten(1, mc_BenchTimeoutMs))
        {
            std::cerr << "quillon-filter: no record written back within " << mc_BenchTimeoutMs
                      << " ms of feeding " << NQuillon::gf_DescribeDriverRecord(record) << "\n";
            return 1;
        }
        const auto written = standIn.f_TakeWritten();
        latencies.push_back(static_cast<double>(written.front().m_Time - fed) * microsecondsPerTick);
    }
    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double fraction) {
        return latencies[std::min(latencies.size() - 1,
                                  static_cast<std::size_t>(fraction * latencies.size()))];
    };
    char line[160];
    std::snprintf(line, sizeof(line), "records %zu  median %.1f us  p99 %.1f us  max %.1f us\n",
                  latencies.size(), at(0.5), at(0.99), latencies.back());
    std::cout << line;
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    std::uint32_t waitClientMs = 0;
    std::uint32_t settleMs = 30;
    std::uint32_t benchPairs = 0;
    std::uint32_t writeBuffer = 0;
    bool bench = false;
    std::string scriptPath;
    try
    {
        for (int i = 1; i < argc; ++i)
        {
            const std::string argument = argv[i];
            auto value = [&](const char* option) -> const char*
            {
                if (i + 1 >= argc)
                    throw CUsageError{std::string(option) + " needs a value"};
                return argv[++i];
            };
            if (argument == "--wait-client")
                waitClientMs = fg_ParseCount("--wait-client", value("--wait-client"), "milliseconds");
            else if (argument == "--settle")
                settleMs = fg_ParseCount("--settle", value("--settle"), "milliseconds");
            else if (argument == "--write-buffer")
                writeBuffer = fg_ParseCount("--write-buffer", value("--write-buffer"), "bytes");
            else if (argument == "--bench")
            {
                benchPairs = fg_ParseCount("--bench", value("--bench"), "key presses");
                if (benchPairs == 0)
                    throw CUsageError{"--bench needs a count above 0"};
                bench = true;
            }
            else if (argument == "-h" || argument == "--help")
            {
                std::cout << mc_Usage;
                return 0;
            }
            else if (argument.size() > 1 && argument[0] == '-')
                throw CUsageError{"unknown option \"" + argument + "\""};
            else if (!scriptPath.empty())
                throw CUsageError{"more than one script"};
            else
                scriptPath = argument;
        }
        if (bench == !scriptPath.empty())
            throw CUsageError{bench ? "--bench takes no script"
                                    : "no script (give a file, or - for standard input)"};
    }
    catch (const CUsageError& error)
    {
        std::cerr << mc_Usage;
        return fg_Fail(error.m_Message);
    }

    std::vector<NQuillon::CFilterScriptStep> steps;
    if (!bench)
    {
        std::string text;
        if (scriptPath == "-")
            text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        else
        {
            std::ifstream file(scriptPath, std::ios::binary);
            if (!file)
                return fg_Fail("cannot read \"" + scriptPath + "\"");
            text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        }
        try
        {
            steps = NQuillon::gf_ParseFilterScript(text);
        }
        catch (const NQuillon::CFilterScriptError& error)
        {
            return fg_Fail(scriptPath + ": " + error.m_Message);
        }
    }

    NQuillon::CFilterStandIn standIn(writeBuffer);
    try
    {
        standIn.f_Start();
    }
    catch (const NQuillon::CFilterStandInError& error)
    {
        std::cerr << error.what() << "\n";
        return 1;
    }
    if (waitClientMs && !standIn.f_WaitClients(1, waitClientMs))
    {
        std::cerr << "quillon-filter: no client opened the device within " << waitClientMs << " ms\n";
        return 1;
    }
    if (!bench && standIn.f_GetClientCount() == 0)
        std::cout << "# no client connected: records are kept for the first client\n";
    const int result = bench ? fg_RunBench(standIn, benchPairs) : fg_RunScript(standIn, steps, settleMs);
    standIn.f_Stop();
    return result;
}
