#pragma once
// A time source that moves only when told to. Installed with CTimeSourceScope, it drives the
// library's clock and every wait in clock seconds: a timed wait returns on a signal, or once
// the clock has been advanced to its deadline. A test steps a thread's timing by waiting
// until the thread waits (f_WaitForWaiters) and advancing, without sleeping.

#include "core/Clock.h"
#include "core/EventAggregate.h"
#include "core/Mutual.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace NTev
{
class CVirtualClock final : public ICTimeSource
{
public:
    explicit CVirtualClock(std::uint64_t frequency = 10000000);
    // No thread may still wait on the clock.
    ~CVirtualClock() = default;
    CVirtualClock(const CVirtualClock&) = delete;
    CVirtualClock& operator=(const CVirtualClock&) = delete;

    std::uint64_t f_GetCounter() noexcept override { return m_Counter.load(std::memory_order_acquire); }
    std::uint64_t f_GetFrequency() const noexcept override { return m_Frequency; }
    bool f_WaitEvent(CEventAutoResetAggregate& event, double seconds) override;

    // Moves the counter on and ends every wait whose deadline it reaches.
    void f_Advance(std::uint64_t ticks);
    void f_AdvanceSeconds(double seconds);
    // Advances to the earliest deadline of a waiting thread; false when no thread waits.
    bool f_AdvanceToNextDeadline();

    // Threads in a timed wait on this clock.
    std::size_t f_GetWaiterCount();
    // Blocks until at least count threads are in a timed wait on this clock.
    void f_WaitForWaiters(std::size_t count);

private:
    struct CWaiter;
    void fp_ExpireLocked();
    void fp_RemoveLocked(CWaiter* waiter) noexcept;

    const std::uint64_t m_Frequency;
    std::atomic<std::uint64_t> m_Counter{0};
    CMutual m_Lock;
    // Guarded by m_Lock.
    CWaiter* m_pWaiters = nullptr;
    std::size_t m_WaiterCount = 0;
    // Signalled whenever a waiter comes or goes.
    CEventAutoResetAggregate m_WaitersChanged;
};
} // namespace NTev
