// POSIX backend of semaphores and events, built on a mutex and a condition variable. The
// messages name the Windows calls, like the Windows backend's.

#include "core/SysSync.h"

#include "core/Exception.h"
#include "core/Memory.h"
#include "core/SysSyncCounters.h"
#include "core/posix/Waitable.h"

#include <cerrno>
#include <new>

namespace NTev::NSys
{
class CSemaphoreObject
{
public:
    NPosix::CWaitable m_Waitable;
    std::uint32_t m_Count = 0;
    std::uint32_t m_Maximum = 0;
};

class CEventObject
{
public:
    NPosix::CWaitable m_Waitable;
    bool m_bManualReset = false;
    bool m_bSet = false;
};

namespace
{
// Allocates t_CObject and initialises its waitable; on failure throws the Windows-error form
// for call with errno set to the pthread error.
template <typename t_CObject>
t_CObject* fg_Create(const char* function, const char* call)
{
    void* memory = gf_Mem_Alloc(sizeof(t_CObject));
    auto* object = new (memory) t_CObject();
    if (int error = object->m_Waitable.f_Init())
    {
        object->~t_CObject();
        gf_Mem_Free(memory);
        errno = error;
        TEV_THROW_SYSTEM_IMPLEMENTATION(function, call);
    }
    return object;
}

template <typename t_CObject>
void fg_Destroy(t_CObject* object) noexcept
{
    if (!object)
        return;
    object->m_Waitable.f_Destroy();
    object->~t_CObject();
    gf_Mem_Free(object);
}
} // namespace

CSemaphoreObject* gf_Semaphore_Create(std::uint32_t initialCount, std::uint32_t maximumCount)
{
    NPrivate::gf_CountSemaphoreCreate();
    if (maximumCount == 0 || initialCount > maximumCount)
    {
        errno = EINVAL;
        TEV_THROW_SYSTEM_IMPLEMENTATION("NTev::NSys::gf_Semaphore_Create", "CreateSemaphore");
    }
    auto* semaphore = fg_Create<CSemaphoreObject>("NTev::NSys::gf_Semaphore_Create", "CreateSemaphore");
    semaphore->m_Count = initialCount;
    semaphore->m_Maximum = maximumCount;
    return semaphore;
}

bool gf_Semaphore_Release(CSemaphoreObject* semaphore)
{
    NPrivate::gf_CountSemaphoreRelease();
    semaphore->m_Waitable.f_Lock();
    bool released = semaphore->m_Count < semaphore->m_Maximum;
    if (released)
    {
        ++semaphore->m_Count;
        semaphore->m_Waitable.f_WakeAll();
    }
    semaphore->m_Waitable.f_Unlock();
    return released;
}

bool gf_Semaphore_Wait(CSemaphoreObject* semaphore, std::uint32_t milliseconds)
{
    NPrivate::gf_CountSemaphoreWait();
    semaphore->m_Waitable.f_Lock();
    bool taken = semaphore->m_Waitable.f_WaitUntil([&] { return semaphore->m_Count > 0; }, milliseconds);
    if (taken)
        --semaphore->m_Count;
    semaphore->m_Waitable.f_Unlock();
    return taken;
}

void gf_Semaphore_Close(CSemaphoreObject* semaphore) noexcept
{
    fg_Destroy(semaphore);
}

CEventObject* gf_Event_Create(bool manualReset, bool initiallySet)
{
    auto* event = fg_Create<CEventObject>("NTev::NSys::gf_Event_Create", "CreateEvent");
    event->m_bManualReset = manualReset;
    event->m_bSet = initiallySet;
    return event;
}

void gf_Event_Set(CEventObject* event)
{
    event->m_Waitable.f_Lock();
    event->m_bSet = true;
    event->m_Waitable.f_WakeAll();
    event->m_Waitable.f_Unlock();
}

void gf_Event_Reset(CEventObject* event)
{
    event->m_Waitable.f_Lock();
    event->m_bSet = false;
    event->m_Waitable.f_Unlock();
}

bool gf_Event_Wait(CEventObject* event, std::uint32_t milliseconds)
{
    event->m_Waitable.f_Lock();
    bool set = event->m_Waitable.f_WaitUntil([&] { return event->m_bSet; }, milliseconds);
    if (set && !event->m_bManualReset)
        event->m_bSet = false;
    event->m_Waitable.f_Unlock();
    return set;
}

void gf_Event_Close(CEventObject* event) noexcept
{
    fg_Destroy(event);
}
} // namespace NTev::NSys
