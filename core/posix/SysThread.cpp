// POSIX backend of threads and thread storage. A thread handle is a reference-counted record
// that the thread itself also holds until it ends, so that a handle can be waited on any
// number of times and closed in any order; the last reference detaches an unjoined thread.

#include "core/SysThread.h"

#include "core/Exception.h"
#include "core/Memory.h"
#include "core/posix/Waitable.h"

#include <atomic>
#include <cerrno>
#include <ctime>
#include <limits.h>
#include <new>
#include <unistd.h>

namespace NTev::NSys
{
class CThreadObject
{
public:
    pthread_t m_Thread{};
    NPosix::CWaitable m_Waitable;
    std::atomic<int> m_References{2};
    // Guarded by m_Waitable.
    bool m_bEnded = false;
    bool m_bJoined = false;
    // The Windows priority last set; recorded only.
    std::atomic<int> m_Priority{0};
    FThreadEntry m_pEntry = nullptr;
    void* m_pObject = nullptr;
};

namespace
{
void fg_Release(CThreadObject* thread) noexcept
{
    if (thread->m_References.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return;
    thread->m_Waitable.f_Lock();
    bool joined = thread->m_bJoined;
    thread->m_Waitable.f_Unlock();
    if (!joined)
        pthread_detach(thread->m_Thread);
    thread->m_Waitable.f_Destroy();
    thread->~CThreadObject();
    gf_Mem_Free(thread);
}

void* fg_ThreadStart(void* parameter)
{
    auto* thread = static_cast<CThreadObject*>(parameter);
    thread->m_pEntry(thread->m_pObject);
    thread->m_Waitable.f_Lock();
    thread->m_bEnded = true;
    thread->m_Waitable.f_WakeAll();
    thread->m_Waitable.f_Unlock();
    fg_Release(thread);
    return nullptr;
}
} // namespace

CThreadObject* gf_Thread_Create(FThreadEntry entry, void* object, std::uint32_t priority,
                                std::size_t stackSize)
{
    void* memory = gf_Mem_Alloc(sizeof(CThreadObject));
    auto* thread = new (memory) CThreadObject();
    thread->m_pEntry = entry;
    thread->m_pObject = object;
    thread->m_Priority.store(gf_Thread_MapPriority(priority), std::memory_order_relaxed);

    int error = thread->m_Waitable.f_Init();
    bool waitableReady = error == 0;
    pthread_attr_t attributes;
    if (!error)
        error = pthread_attr_init(&attributes);
    if (!error)
    {
        const std::size_t minimum = static_cast<std::size_t>(PTHREAD_STACK_MIN);
        if (stackSize)
            error = pthread_attr_setstacksize(&attributes, stackSize < minimum ? minimum : stackSize);
        if (!error)
            error = pthread_create(&thread->m_Thread, &attributes, &fg_ThreadStart, thread);
        pthread_attr_destroy(&attributes);
    }
    if (error)
    {
        if (waitableReady)
            thread->m_Waitable.f_Destroy();
        thread->~CThreadObject();
        gf_Mem_Free(memory);
        errno = error;
        TEV_THROW_SYSTEM_IMPLEMENTATION("NTev::NSys::gf_Thread_Create", "CreateThread");
    }
    return thread;
}

void gf_Thread_SetPriority(CThreadObject* thread, std::uint32_t priority)
{
    thread->m_Priority.store(gf_Thread_MapPriority(priority), std::memory_order_relaxed);
}

int gf_Thread_GetPriority(CThreadObject* thread)
{
    return thread->m_Priority.load(std::memory_order_relaxed);
}

CThreadObject* gf_Thread_BeginDestroy(CThreadObject* thread)
{
    thread->m_References.fetch_add(1, std::memory_order_relaxed);
    return thread;
}

bool gf_Thread_Wait(CThreadObject* thread, std::uint32_t milliseconds)
{
    thread->m_Waitable.f_Lock();
    bool ended = thread->m_Waitable.f_WaitUntil([&] { return thread->m_bEnded; }, milliseconds);
    bool join = ended && !thread->m_bJoined;
    if (join)
        thread->m_bJoined = true;
    thread->m_Waitable.f_Unlock();
    // The thread has left its entry; joining only waits for it to leave the start routine.
    if (join)
        pthread_join(thread->m_Thread, nullptr);
    return ended;
}

void gf_Thread_Close(CThreadObject* thread) noexcept
{
    if (thread)
        fg_Release(thread);
}

std::uint32_t gf_Thread_GetCurrentId() noexcept
{
    // Cached: the lock's fast path asks for it and must make no system call.
    static thread_local std::uint32_t t_Id = 0;
    if (!t_Id)
        t_Id = static_cast<std::uint32_t>(gettid());
    return t_Id;
}

void gf_Sleep(std::uint32_t milliseconds) noexcept
{
    timespec remaining;
    remaining.tv_sec = milliseconds / 1000;
    remaining.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000;
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR)
    {
    }
}

std::uint32_t gf_Thread_AllocStorage()
{
    static_assert(sizeof(pthread_key_t) <= sizeof(std::uint32_t));
    pthread_key_t key;
    if (pthread_key_create(&key, nullptr) != 0)
        TEV_THROW(NException::CExceptionSystemImplementation, "NTev::NSys::gf_Thread_AllocStorage",
                  "Thread_AllocStorage: Out of indices");
    return static_cast<std::uint32_t>(key);
}

void gf_Thread_FreeStorage(std::uint32_t index) noexcept
{
    pthread_key_delete(static_cast<pthread_key_t>(index));
}

void gf_Thread_SetStorage(std::uint32_t index, void* value)
{
    if (pthread_setspecific(static_cast<pthread_key_t>(index), value) != 0)
        TEV_THROW(NException::CExceptionSystemImplementation, "NTev::NSys::gf_Thread_SetStorage",
                  "Thread_FreeStorage: Failed to set Thread Storage Value");
}

void* gf_Thread_GetStorage(std::uint32_t index) noexcept
{
    return pthread_getspecific(static_cast<pthread_key_t>(index));
}
} // namespace NTev::NSys
