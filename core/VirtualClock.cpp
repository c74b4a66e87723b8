#include "core/VirtualClock.h"

#include <cmath>

namespace NTev
{
struct CVirtualClock::CWaiter
{
    std::uint64_t m_Deadline = 0;
    bool m_bExpired = false;
    CWaiter* m_pNext = nullptr;
    // Signalled by the waited event (through a link) and by the clock at the deadline.
    CEventAutoResetAggregate m_Wake;
};

CVirtualClock::CVirtualClock(std::uint64_t frequency) : m_Frequency(frequency ? frequency : 1) {}

bool CVirtualClock::f_WaitEvent(CEventAutoResetAggregate& event, double seconds)
{
    if (event.f_WaitMilliseconds(0))
        return true;
    // Rounded to the nearest tick, so that advancing by the same seconds reaches it.
    double ticks = std::round(seconds * static_cast<double>(m_Frequency));
    if (!(ticks >= 1))
        return false;

    CWaiter waiter;
    event.f_Link(waiter.m_Wake);
    {
        TCMutualLock lock(m_Lock);
        std::uint64_t now = m_Counter.load(std::memory_order_relaxed);
        waiter.m_Deadline = ticks >= 1.8e19 ? UINT64_MAX : now + static_cast<std::uint64_t>(ticks);
        waiter.m_pNext = m_pWaiters;
        m_pWaiters = &waiter;
        ++m_WaiterCount;
    }
    m_WaitersChanged.f_Signal();

    bool signalled = false;
    for (;;)
    {
        waiter.m_Wake.f_Wait();
        // A signal of the event wins over a deadline reached at the same time.
        if (event.f_WaitMilliseconds(0))
        {
            signalled = true;
            break;
        }
        TCMutualLock lock(m_Lock);
        if (waiter.m_bExpired)
            break;
    }
    {
        TCMutualLock lock(m_Lock);
        if (!waiter.m_bExpired)
            fp_RemoveLocked(&waiter);
    }
    event.f_Unlink(waiter.m_Wake);
    m_WaitersChanged.f_Signal();
    return signalled;
}

void CVirtualClock::f_Advance(std::uint64_t ticks)
{
    TCMutualLock lock(m_Lock);
    m_Counter.store(m_Counter.load(std::memory_order_relaxed) + ticks, std::memory_order_release);
    fp_ExpireLocked();
}

void CVirtualClock::f_AdvanceSeconds(double seconds)
{
    double ticks = std::round(seconds * static_cast<double>(m_Frequency));
    f_Advance(ticks > 0 ? static_cast<std::uint64_t>(ticks) : 0);
}

bool CVirtualClock::f_AdvanceToNextDeadline()
{
    TCMutualLock lock(m_Lock);
    if (!m_pWaiters)
        return false;
    std::uint64_t deadline = UINT64_MAX;
    for (CWaiter* waiter = m_pWaiters; waiter; waiter = waiter->m_pNext)
    {
        if (waiter->m_Deadline < deadline)
            deadline = waiter->m_Deadline;
    }
    if (deadline > m_Counter.load(std::memory_order_relaxed))
        m_Counter.store(deadline, std::memory_order_release);
    fp_ExpireLocked();
    return true;
}

std::size_t CVirtualClock::f_GetWaiterCount()
{
    TCMutualLock lock(m_Lock);
    return m_WaiterCount;
}

void CVirtualClock::f_WaitForWaiters(std::size_t count)
{
    for (;;)
    {
        if (f_GetWaiterCount() >= count)
            return;
        m_WaitersChanged.f_Wait();
    }
}

void CVirtualClock::fp_ExpireLocked()
{
    std::uint64_t now = m_Counter.load(std::memory_order_relaxed);
    CWaiter** link = &m_pWaiters;
    while (*link)
    {
        CWaiter* waiter = *link;
        if (waiter->m_Deadline <= now)
        {
            *link = waiter->m_pNext;
            --m_WaiterCount;
            waiter->m_bExpired = true;
            waiter->m_Wake.f_Signal();
        }
        else
            link = &waiter->m_pNext;
    }
}

void CVirtualClock::fp_RemoveLocked(CWaiter* waiter) noexcept
{
    for (CWaiter** link = &m_pWaiters; *link; link = &(*link)->m_pNext)
    {
        if (*link == waiter)
        {
            *link = waiter->m_pNext;
            --m_WaiterCount;
            return;
        }
    }
}
} // namespace NTev
