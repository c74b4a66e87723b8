#pragma once
// Threads of the OS layer: creation, priority, waiting, thread storage, the current thread's
// id and sleeping. Thread handles are opaque; each backend decides what they point to.

#include <cstddef>
#include <cstdint>

namespace NTev::NSys
{
class CThreadObject;

using FThreadEntry = void (*)(void* object);

// The library's priority scale (0 to 65535 and above, 0x8000 normal) as a Windows thread
// priority: -15 idle, -2 lowest, -1 below normal, 0 normal, 1 above normal, 2 highest,
// 15 time critical.
int gf_Thread_MapPriority(std::uint32_t priority) noexcept;

// Starts entry(object) on a new thread with the priority (library scale) and stack size
// (0: the system default). The thread runs at once; the handle must be closed.
CThreadObject* gf_Thread_Create(FThreadEntry entry, void* object, std::uint32_t priority,
                                std::size_t stackSize);
void gf_Thread_SetPriority(CThreadObject* thread, std::uint32_t priority);
// The thread's priority as a Windows thread priority. The POSIX backend records priorities
// instead of applying them (raising one needs privileges, and lowering one cannot be undone).
int gf_Thread_GetPriority(CThreadObject* thread);
// A second handle to the thread, good for waiting only; close both.
CThreadObject* gf_Thread_BeginDestroy(CThreadObject* thread);
// Waits at most milliseconds for the thread to end; false on time-out.
bool gf_Thread_Wait(CThreadObject* thread, std::uint32_t milliseconds);
void gf_Thread_Close(CThreadObject* thread) noexcept;

std::uint32_t gf_Thread_GetCurrentId() noexcept;
void gf_Sleep(std::uint32_t milliseconds) noexcept;

// Thread-storage indices: one pointer per thread, null until set.
std::uint32_t gf_Thread_AllocStorage();
void gf_Thread_FreeStorage(std::uint32_t index) noexcept;
void gf_Thread_SetStorage(std::uint32_t index, void* value);
void* gf_Thread_GetStorage(std::uint32_t index) noexcept;
} // namespace NTev::NSys
