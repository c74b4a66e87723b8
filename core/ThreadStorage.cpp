#include "core/ThreadStorage.h"

#include "core/Exception.h"
#include "core/Memory.h"
#include "core/SysThread.h"

#include <new>

namespace NTev
{
CSystem::CThreadStorageContext::CThreadStorageContext() : m_Index(NSys::gf_Thread_AllocStorage()) {}

std::uint32_t CSystem::CThreadStorageContext::f_Alloc()
{
    TCMutualLock lock(m_Lock);
    for (std::uint32_t key = 0; key < mc_KeyCount; ++key)
    {
        if (!(m_UsedKeys & (std::uint64_t(1) << key)))
        {
            m_UsedKeys |= std::uint64_t(1) << key;
            return key;
        }
    }
    TEV_THROW(NException::CException, "NTev::CSystem::CThreadStorageContext::Alloc",
              "Failed to allocate thread storage index");
}

void CSystem::CThreadStorageContext::f_Free(std::uint32_t key) noexcept
{
    if (key >= mc_KeyCount)
        return;
    TCMutualLock lock(m_Lock);
    // A later owner of the key must not see values left by the earlier one.
    for (CRecord* record = m_pRecords; record; record = record->m_pNext)
        record->m_Values[key].store(nullptr, std::memory_order_relaxed);
    m_UsedKeys &= ~(std::uint64_t(1) << key);
}

void* CSystem::CThreadStorageContext::f_Get(std::uint32_t key) noexcept
{
    auto* record = static_cast<CRecord*>(NSys::gf_Thread_GetStorage(m_Index));
    if (!record || key >= mc_KeyCount)
        return nullptr;
    return record->m_Values[key].load(std::memory_order_relaxed);
}

void CSystem::CThreadStorageContext::f_Set(std::uint32_t key, void* value)
{
    if (key >= mc_KeyCount)
        return;
    fp_GetRecord()->m_Values[key].store(value, std::memory_order_relaxed);
}

CSystem::CThreadStorageContext::CRecord* CSystem::CThreadStorageContext::fp_GetRecord()
{
    if (auto* record = static_cast<CRecord*>(NSys::gf_Thread_GetStorage(m_Index)))
        return record;
    auto* record = new (NSys::gf_Mem_Alloc(sizeof(CRecord))) CRecord();
    for (auto& value : record->m_Values)
        value.store(nullptr, std::memory_order_relaxed);
    try
    {
        NSys::gf_Thread_SetStorage(m_Index, record);
    }
    catch (...)
    {
        record->~CRecord();
        NSys::gf_Mem_Free(record);
        throw;
    }
    TCMutualLock lock(m_Lock);
    record->m_pPrevious = nullptr;
    record->m_pNext = m_pRecords;
    if (m_pRecords)
        m_pRecords->m_pPrevious = record;
    m_pRecords = record;
    return record;
}

void CSystem::CThreadStorageContext::f_ReleaseThread() noexcept
{
    auto* record = static_cast<CRecord*>(NSys::gf_Thread_GetStorage(m_Index));
    if (!record)
        return;
    {
        TCMutualLock lock(m_Lock);
        if (record->m_pPrevious)
            record->m_pPrevious->m_pNext = record->m_pNext;
        else
            m_pRecords = record->m_pNext;
        if (record->m_pNext)
            record->m_pNext->m_pPrevious = record->m_pPrevious;
    }
    try
    {
        NSys::gf_Thread_SetStorage(m_Index, nullptr);
    }
    catch (...)
    {
    }
    record->~CRecord();
    NSys::gf_Mem_Free(record);
}
} // namespace NTev
