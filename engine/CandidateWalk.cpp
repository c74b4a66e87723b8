#include "engine/CandidateWalk.h"

#include <utility>

namespace NQuillon
{
namespace
{
bool fg_KindCodeLess(const CCandidateWalk::CKey& a, const CCandidateWalk::CKey& b)
{
    if (a.m_Device != b.m_Device)
        return static_cast<std::uint32_t>(a.m_Device) < static_cast<std::uint32_t>(b.m_Device);
    return static_cast<std::uint32_t>(a.m_Code) < static_cast<std::uint32_t>(b.m_Code);
}

bool fg_SameKey(const CCandidateWalk::CKey& a, const CCandidateWalk::CKey& b)
{
    return a.m_Device == b.m_Device && a.m_Code == b.m_Code;
}
} // namespace

const CCandidateWalk::CKey* CCandidateWalk::f_Next(const CKeys& ignoreKeys, bool ignoresAll,
                                                   std::size_t& size)
{
    const std::size_t i = m_Next++;
    const CKey* sorted = m_pPressed;
    if (i > 0)
    {
        if (i == 1)
            m_Sorted.assign(m_pPressed, m_pPressed + m_Count);
        // Key i - 1 joins the keys held in any order.
        m_Sorted[i - 1].m_Order = 0;
        for (std::size_t j = i - 1; j > 0 && fg_KindCodeLess(m_Sorted[j], m_Sorted[j - 1]); --j)
            std::swap(m_Sorted[j], m_Sorted[j - 1]);
        sorted = m_Sorted.data();
    }
    // The key just pressed has the highest order: it is always last.
    if (ignoresAll)
    {
        size = 1;
        return sorted + m_Count - 1;
    }
    if (ignoreKeys.f_IsEmpty())
    {
        size = m_Count;
        return sorted;
    }
    m_Candidate.clear();
    for (std::size_t j = 0; j + 1 < m_Count; ++j)
        for (const CKey& kept : ignoreKeys)
            if (fg_SameKey(kept, sorted[j]))
            {
                m_Candidate.push_back(sorted[j]);
                break;
            }
    m_Candidate.push_back(sorted[m_Count - 1]);
    size = m_Candidate.size();
    return m_Candidate.data();
}
} // namespace NQuillon
