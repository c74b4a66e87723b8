// When the channel counts its client as dropped: the decision of the driver contract, on the
// answers a real driver and the stand-ins give.

#include "engine/DriverDropRule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using NQuillon::CDriverDropRule;

namespace
{
// One answer of the handle: 's' a size query with m_Size, 'r' a failed read, 'R' a read that
// failed because the other end went away, 'k' a read that succeeded, 'w' / 'W' the same for
// writes, 'o' a new open.
struct CStep
{
    char m_Kind;
    std::uint32_t m_Size = 0;
};

bool fg_Apply(CDriverDropRule& rule, const CStep& step)
{
    switch (step.m_Kind)
    {
        case 's':
            return rule.f_OnSize(step.m_Size);
        case 'r':
            return rule.f_OnReadFailed(false);
        case 'R':
            return rule.f_OnReadFailed(true);
        case 'k':
            rule.f_OnReadSucceeded();
            return false;
        case 'w':
            return rule.f_OnWriteFailed(false);
        case 'W':
            return rule.f_OnWriteFailed(true);
        default:
            rule.f_OnOpened();
            return false;
    }
}
} // namespace

TEST(CDriverDropRuleTest, EachAnswerDropsOrKeepsTheClient)
{
    constexpr std::uint32_t invalid = CDriverDropRule::mc_SizeInvalid;
    struct CCase
    {
        const char* m_What;
        std::vector<CStep> m_Steps;
        // Whether each step said dropped.
        std::string m_Dropped;
    };
    const CCase cases[] = {
        {"a driver's size answers", {{'s', 0}, {'s', 28}, {'s', 1}}, "--D"},
        // The real driver answered before: its 0xFFFFFFFF (ERROR_INVALID_FUNCTION included) is a drop.
        {"a driver answering 0xFFFFFFFF later", {{'s', 0}, {'s', invalid}}, "-D"},
        // A stand-in never answers the query: it says nothing, the I/O tells.
        {"a stand-in's size query", {{'s', invalid}, {'s', invalid}, {'R'}}, "--D"},
        {"a new open forgets the answers", {{'s', 0}, {'o'}, {'s', invalid}}, "---"},
        {"reads failing in a row", {{'r'}, {'r'}, {'r'}}, "--D"},
        {"a good read in between", {{'r'}, {'r'}, {'k'}, {'r'}, {'r'}}, "-----"},
        {"a write to a vanished device", {{'w'}, {'W'}}, "-D"},
    };
    for (const CCase& test : cases)
    {
        CDriverDropRule rule;
        rule.f_OnOpened();
        std::string dropped;
        for (const CStep& step : test.m_Steps)
            dropped += fg_Apply(rule, step) ? 'D' : '-';
        EXPECT_EQ(dropped, test.m_Dropped) << test.m_What;
    }
}

TEST(CDriverDropRuleTest, AWriteDropLastsUntilTheNextOpen)
{
    CDriverDropRule rule;
    rule.f_OnOpened();
    EXPECT_FALSE(rule.f_IsDroppedByWrite());
    rule.f_OnWriteFailed(true);
    EXPECT_TRUE(rule.f_IsDroppedByWrite());
    rule.f_OnOpened();
    EXPECT_FALSE(rule.f_IsDroppedByWrite());
}
