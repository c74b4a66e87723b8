#include "app/ServiceFault.h"

namespace NQuillon
{
EServiceFault gf_FindServiceFault(const CServiceThreadStates& states) noexcept
{
    if (states.m_bEngineRunFailed)
        return EServiceFault::EngineRunFailed;
    if (states.m_bEngineThreadFailed)
        return EServiceFault::EngineThreadFailed;
    if (states.m_bAgentFailed)
        return EServiceFault::AgentFailed;
    return EServiceFault::None;
}

const char* gf_DescribeServiceFault(EServiceFault fault) noexcept
{
    switch (fault)
    {
        case EServiceFault::None:
            return "none";
        case EServiceFault::EngineRunFailed:
            return "the engine thread failed";
        case EServiceFault::EngineThreadFailed:
            return "a thread of the engine failed";
        case EServiceFault::AgentFailed:
            return "the session agent's thread failed";
        case EServiceFault::StopTimedOut:
            return "the stop did not end in time";
    }
    return "unknown";
}
} // namespace NQuillon
