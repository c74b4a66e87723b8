#pragma once
// The library's per-thread data: one thread-storage index of the system holds, for each
// thread, a record of slots; keys name the slots. A thread's record is created on first use
// and freed when a library thread ends (threads the library did not start keep theirs).

#include "core/Mutual.h"
#include "core/System.h"

#include <atomic>
#include <cstdint>

namespace NTev
{
class CSystem::CThreadStorageContext
{
public:
    static constexpr std::uint32_t mc_KeyCount = 64;

    CThreadStorageContext();
    CThreadStorageContext(const CThreadStorageContext&) = delete;
    CThreadStorageContext& operator=(const CThreadStorageContext&) = delete;

    // A free key; throws CException when all are taken.
    std::uint32_t f_Alloc();
    // Frees the key and clears its slot in every thread.
    void f_Free(std::uint32_t key) noexcept;

    // The calling thread's value of key, null until set.
    void* f_Get(std::uint32_t key) noexcept;
    void f_Set(std::uint32_t key, void* value);

    // Frees the calling thread's record; called when a library thread ends.
    void f_ReleaseThread() noexcept;

private:
    struct CRecord
    {
        std::atomic<void*> m_Values[mc_KeyCount];
        CRecord* m_pNext;
        CRecord* m_pPrevious;
    };
    CRecord* fp_GetRecord();

    const std::uint32_t m_Index;
    CMutual m_Lock;
    // Guarded by m_Lock.
    std::uint64_t m_UsedKeys = 0;
    CRecord* m_pRecords = nullptr;
};
} // namespace NTev
