#pragma once
// The candidate key lists of one press for one group. For i = 0, 1, ... n - 1 the pressed keys
// are taken with the first i of them held in any order: those come first, sorted by device
// kind and code, and the others follow in press order; the group's ignore rule then reduces
// the list. That equals sorting a fresh copy for every i, but is built incrementally: no copy
// at i = 0 (the pressed keys are already in that order), one insertion step for every further i.

#include "config/Keys.h"

#include <cstddef>
#include <vector>

namespace NQuillon
{
class CCandidateWalk
{
public:
    using CKey = CMessageHookBase::CKey;
    using CKeys = CMessageHookBase::CKeys;

    // pressed: the pressed keys in press order, their orders 1 ... count. The scratch vectors
    // are reused between presses so that the walk does not allocate.
    CCandidateWalk(const CKey* pressed, std::size_t count, std::vector<CKey>& sortedScratch,
                   std::vector<CKey>& candidateScratch) noexcept
        : m_pPressed(pressed), m_Count(count), m_Sorted(sortedScratch), m_Candidate(candidateScratch)
    {
    }

    // The candidate for the next i, starting at 0, under the ignore rule: ignoresAll for
    // "Ignore all keys", otherwise the ignore keys ("Ignore no keys" when empty).
    const CKey* f_Next(const CKeys& ignoreKeys, bool ignoresAll, std::size_t& size);

private:
    const CKey* m_pPressed;
    std::size_t m_Count;
    std::size_t m_Next = 0;
    std::vector<CKey>& m_Sorted;
    std::vector<CKey>& m_Candidate;
};
} // namespace NQuillon
