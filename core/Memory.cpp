#include "core/Memory.h"

#include "core/Exception.h"

#include <atomic>
#include <cstdlib>

namespace NTev::NSys
{
namespace
{
std::atomic<std::uint64_t> g_AllocationCount{0};
}

void* gf_Mem_Alloc(std::size_t size)
{
    void* block = std::malloc(size ? size : 1);
    if (!block)
        TEV_THROW(NException::CExceptionMemory, "NTev::NSys::gf_Mem_Alloc", "Out of memory");
    g_AllocationCount.fetch_add(1, std::memory_order_relaxed);
    return block;
}

void* gf_Mem_Realloc(void* block, std::size_t size)
{
    void* moved = std::realloc(block, size ? size : 1);
    if (!moved)
        TEV_THROW(NException::CExceptionMemory, "NTev::NSys::gf_Mem_Realloc", "Out of memory");
    g_AllocationCount.fetch_add(1, std::memory_order_relaxed);
    return moved;
}

void gf_Mem_Free(void* block) noexcept
{
    std::free(block);
}

std::uint64_t gf_Mem_GetAllocationCount() noexcept
{
    return g_AllocationCount.load(std::memory_order_relaxed);
}
} // namespace NTev::NSys
