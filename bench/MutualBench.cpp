// The recursive lock: an uncontended lock and unlock must cost one atomic operation each way,
// with no system call and no allocation. The counters are totals over the timed loop.

#include "core/Clock.h"
#include "core/Memory.h"
#include "core/Mutual.h"
#include "core/SysSync.h"

#include <benchmark/benchmark.h>

namespace
{
// Adds the allocations and semaphore calls made since construction as counters.
class CCallCounters
{
public:
    CCallCounters()
        : m_Allocations(NTev::NSys::gf_Mem_GetAllocationCount()),
          m_Semaphore(NTev::NSys::gf_Semaphore_GetCallCounts())
    {
    }

    void f_Report(benchmark::State& state) const
    {
        auto semaphore = NTev::NSys::gf_Semaphore_GetCallCounts();
        state.counters["allocations"] =
            static_cast<double>(NTev::NSys::gf_Mem_GetAllocationCount() - m_Allocations);
        state.counters["sem_creates"] = static_cast<double>(semaphore.m_Creates - m_Semaphore.m_Creates);
        state.counters["sem_waits"] = static_cast<double>(semaphore.m_Waits - m_Semaphore.m_Waits);
        state.counters["sem_releases"] = static_cast<double>(semaphore.m_Releases - m_Semaphore.m_Releases);
    }

private:
    std::uint64_t m_Allocations;
    NTev::NSys::CSemaphoreCallCounts m_Semaphore;
};
} // namespace

static void BM_MutualUncontendedLockUnlock(benchmark::State& state)
{
    NTev::CMutual lock;
    CCallCounters counters;
    for (auto _ : state)
    {
        lock.f_Lock();
        benchmark::ClobberMemory();
        lock.f_Unlock();
    }
    counters.f_Report(state);
}
BENCHMARK(BM_MutualUncontendedLockUnlock);

static void BM_MutualRecursiveLockUnlock(benchmark::State& state)
{
    NTev::CMutual lock;
    lock.f_Lock();
    CCallCounters counters;
    for (auto _ : state)
    {
        lock.f_Lock();
        benchmark::ClobberMemory();
        lock.f_Unlock();
    }
    counters.f_Report(state);
    lock.f_Unlock();
}
BENCHMARK(BM_MutualRecursiveLockUnlock);

static void BM_MutualScopeGuard(benchmark::State& state)
{
    NTev::CMutual lock;
    CCallCounters counters;
    for (auto _ : state)
    {
        NTev::TCMutualLock guard(lock);
        benchmark::ClobberMemory();
    }
    counters.f_Report(state);
}
BENCHMARK(BM_MutualScopeGuard);

// For contrast: two threads on one lock hand it over through the semaphore.
static NTev::CMutual g_SharedLock;

static void BM_MutualContendedTwoThreads(benchmark::State& state)
{
    CCallCounters counters;
    for (auto _ : state)
    {
        g_SharedLock.f_Lock();
        benchmark::ClobberMemory();
        g_SharedLock.f_Unlock();
    }
    if (state.thread_index() == 0)
        counters.f_Report(state);
}
BENCHMARK(BM_MutualContendedTwoThreads)->Threads(2);

static void BM_GetTime(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(NTev::gf_GetTime());
}
BENCHMARK(BM_GetTime);
