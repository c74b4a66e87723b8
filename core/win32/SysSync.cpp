// Windows backend of semaphores, events and waits: the handles are Windows handles.

#include "core/SysSync.h"

#include "core/Exception.h"
#include "core/SysSyncCounters.h"

#include <windows.h>

namespace NTev::NSys
{
namespace
{
HANDLE fg_Handle(const void* object)
{
    return const_cast<HANDLE>(object);
}

// true when signalled, false on time-out.
bool fg_Wait(HANDLE handle, std::uint32_t milliseconds, const char* function)
{
    switch (WaitForSingleObject(handle, milliseconds))
    {
        case WAIT_OBJECT_0:
        case WAIT_ABANDONED:
            return true;
        case WAIT_TIMEOUT:
            return false;
        default:
            TEV_THROW_SYSTEM_IMPLEMENTATION(function, "WaitForSingleObject");
    }
}
} // namespace

CSemaphoreObject* gf_Semaphore_Create(std::uint32_t initialCount, std::uint32_t maximumCount)
{
    NPrivate::gf_CountSemaphoreCreate();
    HANDLE semaphore =
        CreateSemaphoreW(nullptr, static_cast<LONG>(initialCount), static_cast<LONG>(maximumCount), nullptr);
    if (!semaphore)
        TEV_THROW_SYSTEM_IMPLEMENTATION("NTev::NSys::gf_Semaphore_Create", "CreateSemaphore");
    return static_cast<CSemaphoreObject*>(semaphore);
}

bool gf_Semaphore_Release(CSemaphoreObject* semaphore)
{
    NPrivate::gf_CountSemaphoreRelease();
    if (ReleaseSemaphore(fg_Handle(semaphore), 1, nullptr))
        return true;
    if (GetLastError() == ERROR_TOO_MANY_POSTS)
        return false;
    TEV_THROW_SYSTEM_IMPLEMENTATION("NTev::NSys::gf_Semaphore_Release", "ReleaseSemaphore");
}

bool gf_Semaphore_Wait(CSemaphoreObject* semaphore, std::uint32_t milliseconds)
{
    NPrivate::gf_CountSemaphoreWait();
    return fg_Wait(fg_Handle(semaphore), milliseconds, "NTev::NSys::gf_Semaphore_Wait");
}

void gf_Semaphore_Close(CSemaphoreObject* semaphore) noexcept
{
    if (semaphore)
        CloseHandle(fg_Handle(semaphore));
}

CEventObject* gf_Event_Create(bool manualReset, bool initiallySet)
{
    HANDLE event = CreateEventW(nullptr, manualReset, initiallySet, nullptr);
    if (!event)
        TEV_THROW_SYSTEM_IMPLEMENTATION("NTev::NSys::gf_Event_Create", "CreateEvent");
    return static_cast<CEventObject*>(event);
}

void gf_Event_Set(CEventObject* event)
{
    if (!SetEvent(fg_Handle(event)))
        TEV_THROW_SYSTEM_IMPLEMENTATION("NTev::NSys::gf_Event_Set", "SetEvent");
}

void gf_Event_Reset(CEventObject* event)
{
    if (!ResetEvent(fg_Handle(event)))
        TEV_THROW_SYSTEM_IMPLEMENTATION("NTev::NSys::gf_Event_Reset", "ResetEvent");
}

bool gf_Event_Wait(CEventObject* event, std::uint32_t milliseconds)
{
    return fg_Wait(fg_Handle(event), milliseconds, "NTev::NSys::gf_Event_Wait");
}

void gf_Event_Close(CEventObject* event) noexcept
{
    if (event)
        CloseHandle(fg_Handle(event));
}
} // namespace NTev::NSys
