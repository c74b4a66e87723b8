#include "core/SysSyncCounters.h"

#include "core/SysSync.h"

#include <atomic>

namespace NTev::NSys
{
namespace
{
std::atomic<std::uint64_t> g_Creates{0};
std::atomic<std::uint64_t> g_Waits{0};
std::atomic<std::uint64_t> g_Releases{0};
} // namespace

void NPrivate::gf_CountSemaphoreCreate() noexcept
{
    g_Creates.fetch_add(1, std::memory_order_relaxed);
}

void NPrivate::gf_CountSemaphoreWait() noexcept
{
    g_Waits.fetch_add(1, std::memory_order_relaxed);
}

void NPrivate::gf_CountSemaphoreRelease() noexcept
{
    g_Releases.fetch_add(1, std::memory_order_relaxed);
}

CSemaphoreCallCounts gf_Semaphore_GetCallCounts() noexcept
{
    CSemaphoreCallCounts counts;
    counts.m_Creates = g_Creates.load(std::memory_order_relaxed);
    counts.m_Waits = g_Waits.load(std::memory_order_relaxed);
    counts.m_Releases = g_Releases.load(std::memory_order_relaxed);
    return counts;
}
} // namespace NTev::NSys
