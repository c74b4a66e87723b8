#include "core/EventAggregate.h"

#include "core/Clock.h"
#include "core/Exception.h"
#include "core/Memory.h"
#include "core/System.h"
#include "core/TimeBase.h"

namespace NTev
{
CEventAutoResetAggregate::CEventAutoResetAggregate() : m_pSemaphore(NSys::gf_Semaphore_Create(0, 1)) {}

CEventAutoResetAggregate::~CEventAutoResetAggregate()
{
    {
        TCMutualLock global(CSystem::fs_Get().f_GetEventLock());
        while (m_pSources)
            m_pSources->m_pEvent->fp_UnlinkLocked(*this);
        while (m_pAggregates)
            fp_UnlinkLocked(*m_pAggregates->m_pEvent);
    }
    NSys::gf_Semaphore_Close(m_pSemaphore);
}

void CEventAutoResetAggregate::f_Signal()
{
    // Held while the aggregates are signalled, so that no link of this event goes away
    // under the walk; locks are taken in link direction, which has no cycles.
    TCMutualLock lock(m_Lock);
    NSys::gf_Semaphore_Release(m_pSemaphore);
    for (CLink* link = m_pAggregates; link; link = link->m_pNext)
        link->m_pEvent->f_Signal();
}

void CEventAutoResetAggregate::f_Wait()
{
    NSys::gf_Semaphore_Wait(m_pSemaphore, NSys::gc_WaitInfinite);
}

bool CEventAutoResetAggregate::f_WaitMilliseconds(std::uint32_t milliseconds)
{
    return NSys::gf_Semaphore_Wait(m_pSemaphore, milliseconds);
}

bool CEventAutoResetAggregate::f_WaitClockSeconds(double seconds)
{
    return CSystem::fs_Get().f_GetTimeBase().f_WaitEvent(*this, seconds);
}

void CEventAutoResetAggregate::f_Link(CEventAutoResetAggregate& aggregate)
{
    TCMutualLock global(CSystem::fs_Get().f_GetEventLock());
    if (f_IsLinkedTo(aggregate))
        return;
    if (aggregate.fp_Reaches(*this))
        TEV_THROW(NException::CException, "NTev::CEventAutoResetAggregate::f_Link",
                  "Linking these events would make a cycle");
    auto* forward = static_cast<CLink*>(NSys::gf_Mem_Alloc(sizeof(CLink)));
    CLink* backward;
    try
    {
        backward = static_cast<CLink*>(NSys::gf_Mem_Alloc(sizeof(CLink)));
    }
    catch (...)
    {
        NSys::gf_Mem_Free(forward);
        throw;
    }
    TCMutualLock sourceLock(m_Lock);
    TCMutualLock aggregateLock(aggregate.m_Lock);
    *forward = CLink{&aggregate, m_pAggregates};
    m_pAggregates = forward;
    *backward = CLink{this, aggregate.m_pSources};
    aggregate.m_pSources = backward;
}

void CEventAutoResetAggregate::f_Unlink(CEventAutoResetAggregate& aggregate) noexcept
{
    TCMutualLock global(CSystem::fs_Get().f_GetEventLock());
    fp_UnlinkLocked(aggregate);
}

bool CEventAutoResetAggregate::f_IsLinkedTo(const CEventAutoResetAggregate& aggregate) const noexcept
{
    TCMutualLock global(CSystem::fs_Get().f_GetEventLock());
    for (CLink* link = m_pAggregates; link; link = link->m_pNext)
    {
        if (link->m_pEvent == &aggregate)
            return true;
    }
    return false;
}

bool CEventAutoResetAggregate::fp_Reaches(const CEventAutoResetAggregate& target) const noexcept
{
    if (this == &target)
        return true;
    for (CLink* link = m_pAggregates; link; link = link->m_pNext)
    {
        if (link->m_pEvent->fp_Reaches(target))
            return true;
    }
    return false;
}

void CEventAutoResetAggregate::fp_UnlinkLocked(CEventAutoResetAggregate& aggregate) noexcept
{
    TCMutualLock sourceLock(m_Lock);
    TCMutualLock aggregateLock(aggregate.m_Lock);
    fs_Remove(m_pAggregates, &aggregate);
    fs_Remove(aggregate.m_pSources, this);
}

void CEventAutoResetAggregate::fs_Remove(CLink*& list, const CEventAutoResetAggregate* event) noexcept
{
    for (CLink** link = &list; *link; link = &(*link)->m_pNext)
    {
        if ((*link)->m_pEvent == event)
        {
            CLink* removed = *link;
            *link = removed->m_pNext;
            NSys::gf_Mem_Free(removed);
            return;
        }
    }
}
} // namespace NTev
