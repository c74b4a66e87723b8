#pragma once
// Why a running service can no longer do its work. A service that finds one stops and reports
// it as its service-specific exit code, so that the service control manager's recovery (the
// restarts configured with the service) applies, rather than report running without remapping.

#include <cstdint>

namespace NQuillon
{
// The service-specific exit codes; 0 is a clean stop.
enum class EServiceFault : std::uint32_t
{
    None = 0,
    // The engine thread's own run ended by an exception.
    EngineRunFailed = 1,
    // A thread of the engine (channel, repeat, desktop) ended by an exception and stopped it.
    EngineThreadFailed = 2,
    // The session agent's thread ended by an exception.
    AgentFailed = 3,
    // The stop did not end within its bound; the process was ended.
    StopTimedOut = 4,
};

// What the service sees of its threads.
struct CServiceThreadStates
{
    bool m_bEngineRunFailed = false;
    bool m_bEngineThreadFailed = false;
    bool m_bAgentFailed = false;
};

// The fault to stop with, None while everything runs; the engine's own failure names it first.
EServiceFault gf_FindServiceFault(const CServiceThreadStates& states) noexcept;
// A short text for the trace.
const char* gf_DescribeServiceFault(EServiceFault fault) noexcept;
} // namespace NQuillon
