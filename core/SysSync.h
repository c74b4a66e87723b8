#pragma once
// Kernel synchronisation objects of the OS layer: semaphores, events and waits. The handles
// are opaque pointers; each backend decides what they point to. Every failed system call
// throws CExceptionSystemImplementation in the Windows-error form.

#include <cstdint>

namespace NTev::NSys
{
class CSemaphoreObject;
class CEventObject;

// Wait time-out meaning "no time-out".
inline constexpr std::uint32_t gc_WaitInfinite = 0xFFFFFFFF;

CSemaphoreObject* gf_Semaphore_Create(std::uint32_t initialCount, std::uint32_t maximumCount);
// Adds one to the count. False when the count already is at its maximum (nothing changes).
bool gf_Semaphore_Release(CSemaphoreObject* semaphore);
// Takes one from the count, waiting at most milliseconds for it; false on time-out.
bool gf_Semaphore_Wait(CSemaphoreObject* semaphore, std::uint32_t milliseconds);
void gf_Semaphore_Close(CSemaphoreObject* semaphore) noexcept;

// A manual-reset event stays signalled until reset; an auto-reset event lets one wait through.
CEventObject* gf_Event_Create(bool manualReset, bool initiallySet);
void gf_Event_Set(CEventObject* event);
void gf_Event_Reset(CEventObject* event);
// False on time-out.
bool gf_Event_Wait(CEventObject* event, std::uint32_t milliseconds);
void gf_Event_Close(CEventObject* event) noexcept;

// Calls into the backend's semaphore functions since start-up, so tests and benchmarks can
// show which paths reach the kernel.
struct CSemaphoreCallCounts
{
    std::uint64_t m_Creates = 0;
    std::uint64_t m_Waits = 0;
    std::uint64_t m_Releases = 0;
};
CSemaphoreCallCounts gf_Semaphore_GetCallCounts() noexcept;
} // namespace NTev::NSys
