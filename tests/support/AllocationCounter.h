#pragma once
// Counts heap allocations made by this test program: operator new (replaced in
// AllocationCounter.cpp) and the core library's own heap.

#include <cstdint>

namespace NQuillonTest
{
std::uint64_t gf_CountAllocations();
}
