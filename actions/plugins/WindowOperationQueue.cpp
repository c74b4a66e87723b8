#include "actions/plugins/WindowOperationQueue.h"

#include "core/Format.h"

namespace NQuillon
{
namespace
{
using CGuard = NTev::TCMutualLock<NTev::CMutual>;
} // namespace

std::optional<std::uint64_t> CWindowOperationQueue::f_Push(std::int32_t code)
{
    {
        CGuard lock(m_Lock);
        if (m_Codes.size() < mc_MaxQueued)
        {
            m_bDropping = false;
            const std::uint64_t ticket = m_NextTicket++;
            m_Codes.emplace_back(ticket, code);
            return ticket;
        }
        if (m_bDropping)
            return std::nullopt;
        m_bDropping = true;
    }
    NTev::gf_DebugOutput("{} window operations wait for the input desktop's thread: later presses are "
                         "dropped\n",
                         mc_MaxQueued);
    return std::nullopt;
}

void CWindowOperationQueue::f_TakeBack(std::uint64_t ticket)
{
    CGuard lock(m_Lock);
    for (auto it = m_Codes.begin(); it != m_Codes.end(); ++it)
        if (it->first == ticket)
        {
            m_Codes.erase(it);
            return;
        }
}

std::optional<std::int32_t> CWindowOperationQueue::f_Pop()
{
    CGuard lock(m_Lock);
    if (m_Codes.empty())
        return std::nullopt;
    const std::int32_t code = m_Codes.front().second;
    m_Codes.pop_front();
    return code;
}

std::size_t CWindowOperationQueue::f_GetCount()
{
    CGuard lock(m_Lock);
    return m_Codes.size();
}
} // namespace NQuillon
