#include "engine/InputState.h"

#include "actions/Accelerator.h"

namespace NQuillon
{
namespace
{
constexpr std::size_t mc_PoolChunk = 64;
// The most keys a user can hold: every keyboard key number and every mouse code.
constexpr std::size_t mc_MaxPressedKeys = 256 + 23;
} // namespace

CMessageHook::CInputState::CInputState()
{
    m_PressedKeys.f_Reserve(mc_MaxPressedKeys + 1);
    m_Candidate.reserve(mc_MaxPressedKeys + 1);
    m_Sorted.reserve(mc_MaxPressedKeys + 1);
    fp_Grow();
}

CMessageHook::CInputState::~CInputState() = default;

void CMessageHook::CInputState::fp_Grow()
{
    auto chunk = std::make_unique<CHeldInput[]>(mc_PoolChunk);
    for (std::size_t i = 0; i < mc_PoolChunk; ++i)
    {
        chunk[i].m_pNext = m_pFree;
        m_pFree = &chunk[i];
    }
    m_Chunks.push_back(std::move(chunk));
}

CMessageHook::CHeldInput& CMessageHook::CInputState::f_PushFront(CHeldInput::EKind kind, CAccelerator* action,
                                                                 std::int32_t code)
{
    if (!m_pFree)
        fp_Grow();
    CHeldInput* entry = m_pFree;
    m_pFree = entry->m_pNext;
    entry->m_Kind = kind;
    entry->m_pAction = action;
    entry->m_Code = code;
    entry->m_pPrevious = nullptr;
    entry->m_pNext = m_pFront;
    if (m_pFront)
        m_pFront->m_pPrevious = entry;
    m_pFront = entry;
    if (action)
        ++action->m_HeldInputCount;
    return *entry;
}

void CMessageHook::CInputState::f_Remove(CHeldInput& entry) noexcept
{
    if (entry.m_pPrevious)
        entry.m_pPrevious->m_pNext = entry.m_pNext;
    else
        m_pFront = entry.m_pNext;
    if (entry.m_pNext)
        entry.m_pNext->m_pPrevious = entry.m_pPrevious;
    if (entry.m_pAction)
        --entry.m_pAction->m_HeldInputCount;
    entry.m_pAction = nullptr;
    entry.m_pPrevious = nullptr;
    entry.m_pNext = m_pFree;
    m_pFree = &entry;
}

void CMessageHook::CInputState::f_RemoveAll() noexcept
{
    while (m_pFront)
        f_Remove(*m_pFront);
    ++m_Generation;
}

bool CMessageHook::CInputState::f_HoldsAnything() const noexcept
{
    if (m_pFront || !m_PressedKeys.f_IsEmpty() || m_RepeatCandidateKey || m_RepeatCandidateMouseCode)
        return true;
    for (std::int32_t count : m_GeneratedKeys)
        if (count)
            return true;
    for (std::int32_t count : m_GeneratedMouse)
        if (count)
            return true;
    return false;
}
} // namespace NQuillon
