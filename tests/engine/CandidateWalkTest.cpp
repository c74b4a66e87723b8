// The incremental candidate walk against the rule as written: for every i a fresh copy of the
// pressed keys, the first i orders set to 0, sorted by order, kind and code, reduced by the
// ignore rule. Random presses and ignore rules, every i.

#include "engine/CandidateWalk.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

using CKey = NQuillon::CMessageHookBase::CKey;
using CKeys = NQuillon::CMessageHookBase::CKeys;

namespace
{
std::vector<CKey> fg_RuleCandidate(const std::vector<CKey>& pressed, std::size_t i, const CKeys& ignoreKeys,
                                   bool ignoresAll)
{
    std::vector<CKey> sorted = pressed;
    for (std::size_t j = 0; j < i; ++j)
        sorted[j].m_Order = 0;
    std::sort(sorted.begin(), sorted.end(),
              [](const CKey& a, const CKey& b)
              {
                  return std::make_tuple(a.m_Order, std::uint32_t(a.m_Device), std::uint32_t(a.m_Code)) <
                         std::make_tuple(b.m_Order, std::uint32_t(b.m_Device), std::uint32_t(b.m_Code));
              });
    if (ignoresAll)
        return {sorted.back()};
    if (ignoreKeys.f_IsEmpty())
        return sorted;
    std::vector<CKey> candidate;
    for (std::size_t j = 0; j + 1 < sorted.size(); ++j)
        if (std::any_of(ignoreKeys.begin(), ignoreKeys.end(),
                        [&](const CKey& k)
                        { return k.m_Device == sorted[j].m_Device && k.m_Code == sorted[j].m_Code; }))
            candidate.push_back(sorted[j]);
    candidate.push_back(sorted.back());
    return candidate;
}

bool fg_SameKeys(const CKey* keys, std::size_t size, const std::vector<CKey>& expected)
{
    if (size != expected.size())
        return false;
    for (std::size_t j = 0; j < size; ++j)
        if (keys[j].m_Device != expected[j].m_Device || keys[j].m_Code != expected[j].m_Code ||
            keys[j].m_Order != expected[j].m_Order)
            return false;
    return true;
}
} // namespace

TEST(CandidateWalk, EqualsSortingACopyForEveryI)
{
    std::mt19937 random(20261208);
    std::vector<CKey> sortedScratch;
    std::vector<CKey> candidateScratch;
    for (int round = 0; round < 20000; ++round)
    {
        // Distinct keys of both kinds from a small range, so that ignore lists hit them.
        std::vector<CKey> pool;
        for (std::int32_t code = 1; code <= 6; ++code)
            pool.push_back(CKey{0, code, 0}), pool.push_back(CKey{1, code, 0});
        std::shuffle(pool.begin(), pool.end(), random);
        const std::size_t count = 1 + random() % 6;
        std::vector<CKey> pressed(pool.begin(), pool.begin() + static_cast<std::ptrdiff_t>(count));
        for (std::size_t j = 0; j < count; ++j)
            pressed[j].m_Order = static_cast<std::uint32_t>(j + 1);
        CKeys ignoreKeys;
        const int rule = random() % 3;
        if (rule == 1)
            for (std::size_t j = 0, n = random() % 4; j < n; ++j)
                ignoreKeys.f_Add(pool[random() % pool.size()]);
        const bool ignoresAll = rule == 2;

        NQuillon::CCandidateWalk walk(pressed.data(), count, sortedScratch, candidateScratch);
        for (std::size_t i = 0; i < count; ++i)
        {
            std::size_t size = 0;
            const CKey* candidate = walk.f_Next(ignoreKeys, ignoresAll, size);
            ASSERT_TRUE(fg_SameKeys(candidate, size, fg_RuleCandidate(pressed, i, ignoreKeys, ignoresAll)))
                << "round " << round << ", i " << i;
        }
    }
}
