#pragma once
// An auto-reset event on a semaphore (maximum 1) that can be linked to aggregate events:
// signalling an event signals every aggregate linked to it, recursively. A thread that must
// wake on any of several sources waits on one aggregate to which all of them are linked.
// Links never form a cycle; linking and unlinking take the library's global event lock and
// both events' own locks, a signal takes the locks along its links.

#include "core/Mutual.h"
#include "core/SysSync.h"

#include <cstdint>

namespace NTev
{
class CEventAutoResetAggregate
{
public:
    CEventAutoResetAggregate();
    // Unlinks the event from every source and aggregate.
    ~CEventAutoResetAggregate();
    CEventAutoResetAggregate(const CEventAutoResetAggregate&) = delete;
    CEventAutoResetAggregate& operator=(const CEventAutoResetAggregate&) = delete;

    // Signalling an event that already is signalled changes nothing for it, but its
    // aggregates are signalled again.
    void f_Signal();

    // Each successful wait resets the event.
    void f_Wait();
    // False on time-out; 0 only tests and resets.
    bool f_WaitMilliseconds(std::uint32_t milliseconds);
    // Waits seconds of the library's clock (core/Clock.h): divided by the time scale in real
    // time, or until a virtual clock passes the deadline. False on time-out.
    bool f_WaitClockSeconds(double seconds);

    // From now on signalling this event signals aggregate too. Linking twice is one link;
    // a link that would close a cycle throws CException.
    void f_Link(CEventAutoResetAggregate& aggregate);
    // Removes the link if there is one.
    void f_Unlink(CEventAutoResetAggregate& aggregate) noexcept;
    bool f_IsLinkedTo(const CEventAutoResetAggregate& aggregate) const noexcept;

private:
    struct CLink
    {
        CEventAutoResetAggregate* m_pEvent;
        CLink* m_pNext;
    };

    // The following run under the global event lock.
    bool fp_Reaches(const CEventAutoResetAggregate& target) const noexcept;
    void fp_UnlinkLocked(CEventAutoResetAggregate& aggregate) noexcept;
    static void fs_Remove(CLink*& list, const CEventAutoResetAggregate* event) noexcept;

    CMutual m_Lock;
    NSys::CSemaphoreObject* m_pSemaphore = nullptr;
    // Events this one signals, and events that signal this one. Changed only under the
    // global event lock and the locks of both events of the link.
    CLink* m_pAggregates = nullptr;
    CLink* m_pSources = nullptr;
};
} // namespace NTev
