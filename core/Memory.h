#pragma once
// The core library's heap: plain process allocation that throws CExceptionMemory on failure.
// Every block the library allocates (string blocks included) passes through here, so a test
// can count them.

#include <cstddef>
#include <cstdint>

namespace NTev::NSys
{
// Allocates size bytes; throws NTev::NException::CExceptionMemory when the heap has none.
void* gf_Mem_Alloc(std::size_t size);
// Resizes a block from gf_Mem_Alloc (null allocates); throws CExceptionMemory on failure,
// leaving the old block intact.
void* gf_Mem_Realloc(void* block, std::size_t size);
void gf_Mem_Free(void* block) noexcept;
// Number of successful allocations and reallocations since start-up.
std::uint64_t gf_Mem_GetAllocationCount() noexcept;
} // namespace NTev::NSys
