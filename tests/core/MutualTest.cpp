#include "core/Mutual.h"
#include "core/Exception.h"

#include "tests/support/AllocationCounter.h"
#include "tests/support/TraceCapture.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using NTev::CMutual;
using NTev::TCMutualLock;
using NTev::NSys::gf_Semaphore_GetCallCounts;

namespace
{
// Waits for another thread to reach a state, yielding instead of sleeping.
template <typename t_FCondition>
void fg_SpinUntil(t_FCondition condition)
{
    while (!condition())
        std::this_thread::yield();
}

// Starts a thread that takes the held lock, notes it got it and lets go; returns once the
// lock has made its semaphore for the waiting thread.
template <typename t_CLock>
std::thread fg_StartContender(t_CLock& lock, std::atomic<bool>& acquired)
{
    std::thread other(
        [&]
        {
            lock.f_Lock();
            acquired = true;
            lock.f_Unlock();
        });
    fg_SpinUntil([&] { return lock.f_HasSemaphore(); });
    return other;
}

// Semaphore creation fails while g_CreateFailures is above 0.
std::atomic<int> g_CreateFailures{0};
std::atomic<int> g_CreateAttempts{0};

class CFlakyMutualSystem
{
public:
    using CSemaphore = NTev::CMutualSystem::CSemaphore;

    static std::uint32_t fs_GetThreadId() noexcept { return NTev::CMutualSystem::fs_GetThreadId(); }
    static CSemaphore fs_CreateSemaphore()
    {
        g_CreateAttempts.fetch_add(1);
        if (g_CreateFailures.fetch_sub(1) > 0)
            TEV_THROW(NTev::NException::CExceptionSystemImplementation,
                      "CFlakyMutualSystem::fs_CreateSemaphore", "no semaphore this time");
        return NTev::CMutualSystem::fs_CreateSemaphore();
    }
    static void fs_Wait(CSemaphore semaphore) noexcept { NTev::CMutualSystem::fs_Wait(semaphore); }
    static void fs_Release(CSemaphore semaphore) noexcept { NTev::CMutualSystem::fs_Release(semaphore); }
    static void fs_Close(CSemaphore semaphore) noexcept { NTev::CMutualSystem::fs_Close(semaphore); }
    static void fs_Sleep() noexcept { std::this_thread::yield(); }
};
} // namespace

TEST(Mutual, FreeLockMakesNoSystemCallAndNoAllocation)
{
    CMutual lock;
    auto callsBefore = gf_Semaphore_GetCallCounts();
    std::uint64_t allocationsBefore = NQuillonTest::gf_CountAllocations();
    for (int i = 0; i < 1000; ++i)
    {
        lock.f_Lock();
        lock.f_Lock();
        lock.f_Unlock();
        lock.f_Unlock();
    }
    auto callsAfter = gf_Semaphore_GetCallCounts();
    EXPECT_EQ(NQuillonTest::gf_CountAllocations(), allocationsBefore);
    EXPECT_EQ(callsAfter.m_Creates, callsBefore.m_Creates);
    EXPECT_EQ(callsAfter.m_Waits, callsBefore.m_Waits);
    EXPECT_EQ(callsAfter.m_Releases, callsBefore.m_Releases);
    EXPECT_FALSE(lock.f_HasSemaphore());
    EXPECT_EQ(lock.f_GetContenderCount(), 0u);
    EXPECT_FALSE(lock.f_IsHeldByCurrentThread());
}

TEST(Mutual, ContentionOnFreshLockCreatesOneSemaphoreAndHandsOver)
{
    CMutual lock;
    lock.f_Lock();
    auto before = gf_Semaphore_GetCallCounts();
    std::atomic<bool> acquired{false};
    std::thread other = fg_StartContender(lock, acquired);
    EXPECT_FALSE(acquired);
    EXPECT_EQ(lock.f_GetContenderCount(), 2u);
    lock.f_Unlock();
    other.join();
    auto after = gf_Semaphore_GetCallCounts();
    EXPECT_TRUE(acquired);
    EXPECT_EQ(after.m_Creates - before.m_Creates, 1u);
    EXPECT_EQ(after.m_Waits - before.m_Waits, 1u);
    EXPECT_EQ(after.m_Releases - before.m_Releases, 1u);
    EXPECT_EQ(lock.f_GetContenderCount(), 0u);
}

TEST(Mutual, ManyContendersOnFreshLocksCreateAtMostOneSemaphoreEach)
{
    constexpr int rounds = 20;
    constexpr int threadCount = 4;
    int locksWithSemaphore = 0;
    auto before = gf_Semaphore_GetCallCounts();
    for (int round = 0; round < rounds; ++round)
    {
        CMutual lock;
        std::atomic<int> ready{0};
        int counter = 0;
        std::vector<std::thread> threads;
        for (int t = 0; t < threadCount; ++t)
            threads.emplace_back(
                [&]
                {
                    ready.fetch_add(1);
                    fg_SpinUntil([&] { return ready.load() == threadCount; });
                    for (int i = 0; i < 50; ++i)
                    {
                        TCMutualLock guard(lock);
                        ++counter;
                    }
                });
        for (auto& thread : threads)
            thread.join();
        EXPECT_EQ(counter, threadCount * 50);
        if (lock.f_HasSemaphore())
            ++locksWithSemaphore;
    }
    auto after = gf_Semaphore_GetCallCounts();
    EXPECT_EQ(after.m_Creates - before.m_Creates, static_cast<std::uint64_t>(locksWithSemaphore));
}

TEST(Mutual, RecursionThreeDeepNeedsThreeUnlocks)
{
    CMutual lock;
    lock.f_Lock();
    lock.f_Lock();
    lock.f_Lock();
    std::atomic<bool> acquired{false};
    std::thread other(
        [&]
        {
            lock.f_Lock();
            acquired = true;
            lock.f_Unlock();
        });
    fg_SpinUntil([&] { return lock.f_GetContenderCount() == 2; });
    auto before = gf_Semaphore_GetCallCounts();

    lock.f_Unlock();
    lock.f_Unlock();
    // Two unlocks only unwound the recursion: nothing was handed over.
    EXPECT_TRUE(lock.f_IsHeldByCurrentThread());
    EXPECT_EQ(gf_Semaphore_GetCallCounts().m_Releases, before.m_Releases);
    EXPECT_EQ(lock.f_GetContenderCount(), 2u);
    EXPECT_FALSE(acquired);

    lock.f_Unlock();
    EXPECT_FALSE(lock.f_IsHeldByCurrentThread());
    other.join();
    EXPECT_TRUE(acquired);
    EXPECT_EQ(gf_Semaphore_GetCallCounts().m_Releases - before.m_Releases, 1u);
}

TEST(Mutual, ThreadsHammeringOneLockKeepAPlainCounterExact)
{
    constexpr int threadCount = 4;
    constexpr int iterations = 20000;
    CMutual lock;
    long counter = 0;
    long nestedCounter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back(
            [&]
            {
                for (int i = 0; i < iterations; ++i)
                {
                    TCMutualLock guard(lock);
                    ++counter;
                    if (i % 7 == 0)
                    {
                        TCMutualLock nested(lock);
                        ++nestedCounter;
                    }
                }
            });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(counter, long(threadCount) * iterations);
    EXPECT_EQ(nestedCounter, long(threadCount) * ((iterations + 6) / 7));
    EXPECT_EQ(lock.f_GetContenderCount(), 0u);
}

TEST(Mutual, FailedSemaphoreCreationIsRetriedUntilItWorks)
{
    NQuillonTest::CTraceCapture trace;
    NTev::TMutual<CFlakyMutualSystem> lock;
    g_CreateFailures = 2;
    g_CreateAttempts = 0;
    lock.f_Lock();
    std::atomic<bool> acquired{false};
    std::thread other = fg_StartContender(lock, acquired);
    lock.f_Unlock();
    other.join();
    EXPECT_TRUE(acquired);
    EXPECT_EQ(g_CreateAttempts.load(), 3);
    EXPECT_NE(trace.f_GetText().find("no semaphore this time"), std::string::npos);
}

TEST(Mutual, ScopeGuardUnlocksWhenLeftByException)
{
    CMutual lock;
    try
    {
        TCMutualLock guard(lock);
        EXPECT_TRUE(lock.f_IsHeldByCurrentThread());
        throw 1;
    }
    catch (int)
    {
    }
    EXPECT_FALSE(lock.f_IsHeldByCurrentThread());
    EXPECT_EQ(lock.f_GetContenderCount(), 0u);
}

TEST(Mutual, TryLockTakesAFreeOrOwnLockAndNeverWaitsForAnother)
{
    CMutual lock;
    ASSERT_TRUE(lock.f_TryLock());
    ASSERT_TRUE(lock.f_TryLock()); // recursion
    std::atomic<int> otherTook{-1};
    std::thread([&] { otherTook = lock.f_TryLock() ? 1 : 0; }).join();
    EXPECT_EQ(otherTook, 0);
    EXPECT_EQ(lock.f_GetContenderCount(), 1u);
    lock.f_Unlock();
    lock.f_Unlock();
    // Free again: another thread takes it at once, and a plain lock after a try hands over.
    std::thread(
        [&]
        {
            otherTook = lock.f_TryLock() ? 1 : 0;
            lock.f_Unlock();
        })
        .join();
    EXPECT_EQ(otherTook, 1);
    EXPECT_EQ(lock.f_GetContenderCount(), 0u);
}
