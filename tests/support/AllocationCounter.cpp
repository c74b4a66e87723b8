#include "tests/support/AllocationCounter.h"

#include "core/Memory.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
std::atomic<std::uint64_t> g_NewCount{0};
}

void* operator new(std::size_t size)
{
    g_NewCount.fetch_add(1, std::memory_order_relaxed);
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    g_NewCount.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}

void* operator new[](std::size_t size)
{
    return operator new(size);
}

void operator delete[](void* block) noexcept
{
    std::free(block);
}

void operator delete[](void* block, std::size_t) noexcept
{
    std::free(block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept
{
    std::free(block);
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}

namespace NQuillonTest
{
std::uint64_t gf_CountAllocations()
{
    return g_NewCount.load(std::memory_order_relaxed) + NTev::NSys::gf_Mem_GetAllocationCount();
}
} // namespace NQuillonTest
