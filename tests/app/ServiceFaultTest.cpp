// Which thread's failure a running service stops for, and with which code.

#include "app/ServiceFault.h"

#include <gtest/gtest.h>

using namespace NQuillon;

TEST(ServiceFault, EachFailedThreadGivesItsCode)
{
    struct CCase
    {
        bool m_bRun;
        bool m_bThread;
        bool m_bAgent;
        EServiceFault m_Expected;
    };
    const CCase cases[] = {
        {false, false, false, EServiceFault::None},
        {true, false, false, EServiceFault::EngineRunFailed},
        {false, true, false, EServiceFault::EngineThreadFailed},
        {false, false, true, EServiceFault::AgentFailed},
        {true, true, true, EServiceFault::EngineRunFailed},
        {false, true, true, EServiceFault::EngineThreadFailed},
    };
    for (const CCase& c : cases)
    {
        CServiceThreadStates states;
        states.m_bEngineRunFailed = c.m_bRun;
        states.m_bEngineThreadFailed = c.m_bThread;
        states.m_bAgentFailed = c.m_bAgent;
        EXPECT_EQ(gf_FindServiceFault(states), c.m_Expected) << c.m_bRun << c.m_bThread << c.m_bAgent;
    }
}

TEST(ServiceFault, CodesAreStableAndNonZero)
{
    // The codes are what the service control manager records: they never change meaning.
    EXPECT_EQ(static_cast<std::uint32_t>(EServiceFault::None), 0u);
    EXPECT_EQ(static_cast<std::uint32_t>(EServiceFault::EngineRunFailed), 1u);
    EXPECT_EQ(static_cast<std::uint32_t>(EServiceFault::EngineThreadFailed), 2u);
    EXPECT_EQ(static_cast<std::uint32_t>(EServiceFault::AgentFailed), 3u);
    EXPECT_EQ(static_cast<std::uint32_t>(EServiceFault::StopTimedOut), 4u);
    EXPECT_STRNE(gf_DescribeServiceFault(EServiceFault::AgentFailed), "unknown");
}
