#pragma once
// The library's recursive lock. A lock word counts the threads that hold or want the lock; a
// thread that finds it free owns the lock after one atomic addition, with no system call and
// no allocation. A wait semaphore (count 0, maximum 1) is created only when a lock first sees
// contention, by exactly one of the contending threads. The lock has no time-out; unlocking a
// lock the calling thread does not own is a programming error that it does not detect.

#include "core/SysSync.h"
#include "core/SysThread.h"

#include <atomic>
#include <cstdint>

namespace NTev
{
// The system services TMutual uses. Another class with the same static members can stand in
// for it (tests use one that fails on demand).
class CMutualSystem
{
public:
    using CSemaphore = NSys::CSemaphoreObject*;

    static std::uint32_t fs_GetThreadId() noexcept { return NSys::gf_Thread_GetCurrentId(); }
    // Count 0, maximum 1; throws on failure.
    static CSemaphore fs_CreateSemaphore() { return NSys::gf_Semaphore_Create(0, 1); }
    // A lock cannot carry on after its semaphore failed: these end the process then.
    static void fs_Wait(CSemaphore semaphore) noexcept;
    static void fs_Release(CSemaphore semaphore) noexcept;
    static void fs_Close(CSemaphore semaphore) noexcept { NSys::gf_Semaphore_Close(semaphore); }
    static void fs_Sleep() noexcept { NSys::gf_Sleep(1); }
};

template <typename t_CSystem = CMutualSystem>
class TMutual
{
public:
    constexpr TMutual() noexcept = default;
    ~TMutual()
    {
        if (auto semaphore = m_Semaphore.load(std::memory_order_acquire))
            t_CSystem::fs_Close(semaphore);
    }
    TMutual(const TMutual&) = delete;
    TMutual& operator=(const TMutual&) = delete;

    void f_Lock() noexcept
    {
        std::uint32_t self = t_CSystem::fs_GetThreadId();
        if (m_Owner.load(std::memory_order_relaxed) == self)
        {
            ++m_Recursion;
            return;
        }
        std::uint64_t previous = m_LockWord.fetch_add(1, std::memory_order_acq_rel);
        if (previous & mc_CountMask)
            fp_WaitForTurn(previous);
        m_Owner.store(self, std::memory_order_relaxed);
        m_Recursion = 1;
    }

    void f_Unlock() noexcept
    {
        if (--m_Recursion > 0)
            return;
        m_Owner.store(0, std::memory_order_relaxed);
        std::uint64_t previous = m_LockWord.fetch_sub(1, std::memory_order_acq_rel);
        if ((previous & mc_CountMask) <= 1)
            return;
        // Someone waits (or is about to): hand the lock over through the semaphore.
        t_CSystem::fs_Release(fp_GetSemaphore());
    }

    // Takes the lock only when that needs no wait: when it is free or already this thread's.
    // A thread that must not block for long (a low-level input hook) tries again later.
    bool f_TryLock() noexcept
    {
        std::uint32_t self = t_CSystem::fs_GetThreadId();
        if (m_Owner.load(std::memory_order_relaxed) == self)
        {
            ++m_Recursion;
            return true;
        }
        std::uint64_t word = m_LockWord.load(std::memory_order_relaxed);
        if ((word & mc_CountMask) != 0 ||
            !m_LockWord.compare_exchange_strong(word, word + 1, std::memory_order_acq_rel,
                                                std::memory_order_relaxed))
            return false;
        m_Owner.store(self, std::memory_order_relaxed);
        m_Recursion = 1;
        return true;
    }

    bool f_IsHeldByCurrentThread() const noexcept
    {
        return m_Owner.load(std::memory_order_relaxed) == t_CSystem::fs_GetThreadId();
    }
    // Whether the wait semaphore exists, i.e. the lock has seen contention.
    bool f_HasSemaphore() const noexcept
    {
        return m_LockWord.load(std::memory_order_acquire) & mc_SemaphoreExists;
    }
    // Threads that hold or want the lock now.
    std::uint64_t f_GetContenderCount() const noexcept
    {
        return m_LockWord.load(std::memory_order_acquire) & mc_CountMask;
    }

private:
    using CSemaphore = typename t_CSystem::CSemaphore;

    static constexpr std::uint64_t mc_CountMask = (std::uint64_t(1) << 62) - 1;
    static constexpr std::uint64_t mc_Creating = std::uint64_t(1) << 62;
    static constexpr std::uint64_t mc_SemaphoreExists = std::uint64_t(1) << 63;

    void fp_WaitForTurn(std::uint64_t previous) noexcept
    {
        if (!(previous & mc_SemaphoreExists))
            fp_MakeSemaphore();
        t_CSystem::fs_Wait(fp_GetSemaphore());
    }

    // The first contender to set the creating bit creates the semaphore; every other thread
    // sleeps until it is visible. A creation that fails clears the bit again so that any
    // waiting thread retries: the lock blocks rather than fails.
    void fp_MakeSemaphore() noexcept
    {
        while (!m_Semaphore.load(std::memory_order_acquire))
        {
            std::uint64_t word = m_LockWord.load(std::memory_order_relaxed);
            if (!(word & mc_Creating) &&
                m_LockWord.compare_exchange_weak(word, word | mc_Creating, std::memory_order_acq_rel,
                                                 std::memory_order_relaxed))
            {
                CSemaphore semaphore{};
                try
                {
                    semaphore = t_CSystem::fs_CreateSemaphore();
                }
                catch (...)
                {
                    m_LockWord.fetch_and(~mc_Creating, std::memory_order_acq_rel);
                    t_CSystem::fs_Sleep();
                    continue;
                }
                m_Semaphore.store(semaphore, std::memory_order_release);
                m_LockWord.fetch_or(mc_SemaphoreExists, std::memory_order_acq_rel);
                return;
            }
            if (word & mc_Creating)
                t_CSystem::fs_Sleep();
        }
    }

    CSemaphore fp_GetSemaphore() noexcept
    {
        CSemaphore semaphore;
        while (!(semaphore = m_Semaphore.load(std::memory_order_acquire)))
            t_CSystem::fs_Sleep();
        return semaphore;
    }

    // Bits 0-61: holders and waiters; bit 62: a thread creates the semaphore; bit 63: it exists.
    std::atomic<std::uint64_t> m_LockWord{0};
    // Thread id of the holder, 0 when free.
    std::atomic<std::uint32_t> m_Owner{0};
    // Written by the holder only.
    std::uint32_t m_Recursion = 0;
    std::atomic<CSemaphore> m_Semaphore{};
};

using CMutual = TMutual<>;

// Holds a lock for its scope, exceptions included.
template <typename t_CMutual>
class TCMutualLock
{
public:
    explicit TCMutualLock(t_CMutual& mutual) noexcept : m_Mutual(mutual) { m_Mutual.f_Lock(); }
    ~TCMutualLock() { m_Mutual.f_Unlock(); }
    TCMutualLock(const TCMutualLock&) = delete;
    TCMutualLock& operator=(const TCMutualLock&) = delete;

private:
    t_CMutual& m_Mutual;
};
} // namespace NTev
