#pragma once
// The operation codes of window presses that wait for the input desktop's thread. It is
// bounded: should that thread ever be held up, presses must not pile up behind it without end
// (a held key repeats), so a press beyond the bound is dropped and traced.

#include "core/Mutual.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <utility>

namespace NQuillon
{
class CWindowOperationQueue
{
public:
    static constexpr std::size_t mc_MaxQueued = 8;

    // The ticket of the queued code; nothing when mc_MaxQueued codes wait and it was dropped.
    std::optional<std::uint64_t> f_Push(std::int32_t code);
    // Takes the code queued under the ticket out again, if it still waits.
    void f_TakeBack(std::uint64_t ticket);
    // The oldest code, taken out; nothing when none waits.
    std::optional<std::int32_t> f_Pop();
    std::size_t f_GetCount();

private:
    NTev::CMutual m_Lock;
    // Each code with the ticket of its press, so that a press whose post failed takes back
    // exactly its own code.
    std::deque<std::pair<std::uint64_t, std::int32_t>> m_Codes;
    std::uint64_t m_NextTicket = 0;
    // A run of drops is traced once, not once per repeat of a held key.
    bool m_bDropping = false;
};
} // namespace NQuillon
