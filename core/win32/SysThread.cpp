// Windows backend of threads and thread storage.

#include "core/SysThread.h"

#include "core/Exception.h"
#include "core/Memory.h"
#include "core/SysCrash.h"

#include <windows.h>

namespace NTev::NSys
{
namespace
{
// The portable entry has the C calling convention; CreateThread wants WINAPI.
struct CStartRecord
{
    FThreadEntry m_pEntry;
    void* m_pObject;
    // Set when the priority could not be applied: the thread ends without running the entry.
    bool m_bCancelled;
};

DWORD WINAPI fg_ThreadStart(LPVOID parameter)
{
    CStartRecord record = *static_cast<CStartRecord*>(parameter);
    gf_Mem_Free(parameter);
    gf_Crash_PrepareThread();
    if (!record.m_bCancelled)
        record.m_pEntry(record.m_pObject);
    return 0;
}

HANDLE fg_Handle(CThreadObject* thread)
{
    return static_cast<HANDLE>(thread);
}
} // namespace

CThreadObject* gf_Thread_Create(FThreadEntry entry, void* object, std::uint32_t priority,
                                std::size_t stackSize)
{
    auto* record = static_cast<CStartRecord*>(gf_Mem_Alloc(sizeof(CStartRecord)));
    *record = CStartRecord{entry, object, false};
    // Created suspended so that a failing priority cannot leave a thread running behind the
    // exception; it is resumed at once otherwise.
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, stackSize, &fg_ThreadStart, record, CREATE_SUSPENDED, &threadId);
    if (!thread)
    {
        DWORD error = GetLastError();
        gf_Mem_Free(record);
        SetLastError(error);
        TEV_THROW_SYSTEM_IMPLEMENTATION("NTev::NSys::gf_Thread_Create", "CreateThread");
    }
    try
    {
        gf_Thread_SetPriority(static_cast<CThreadObject*>(thread), priority);
    }
    catch (...)
    {
        record->m_bCancelled = true;
        ResumeThread(thread);
        CloseHandle(thread);
        throw;
    }
    if (ResumeThread(thread) == static_cast<DWORD>(-1))
    {
        DWORD error = GetLastError();
        TerminateThread(thread, 0);
        CloseHandle(thread);
        gf_Mem_Free(record);
        SetLastError(error);
        TEV_THROW_SYSTEM_IMPLEMENTATION("NTev::NSys::gf_Thread_Create", "ResumeThread");
    }
    return static_cast<CThreadObject*>(thread);
}

void gf_Thread_SetPriority(CThreadObject* thread, std::uint32_t priority)
{
    if (!SetThreadPriority(fg_Handle(thread), gf_Thread_MapPriority(priority)))
        TEV_THROW_SYSTEM_IMPLEMENTATION("NTev::NSys::gf_Thread_SetPriority", "SetThreadPriority");
}

int gf_Thread_GetPriority(CThreadObject* thread)
{
    int priority = GetThreadPriority(fg_Handle(thread));
    if (priority == THREAD_PRIORITY_ERROR_RETURN)
        TEV_THROW_SYSTEM_IMPLEMENTATION("NTev::NSys::gf_Thread_GetPriority", "GetThreadPriority");
    return priority;
}

CThreadObject* gf_Thread_BeginDestroy(CThreadObject* thread)
{
    HANDLE duplicate = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), fg_Handle(thread), GetCurrentProcess(), &duplicate, SYNCHRONIZE,
                         FALSE, 0))
        TEV_THROW_SYSTEM_IMPLEMENTATION("NTev::NSys::gf_Thread_BeginDestroy", "DuplicateHandle");
    return static_cast<CThreadObject*>(duplicate);
}

bool gf_Thread_Wait(CThreadObject* thread, std::uint32_t milliseconds)
{
    switch (WaitForSingleObject(fg_Handle(thread), milliseconds))
    {
        case WAIT_OBJECT_0:
            return true;
        case WAIT_TIMEOUT:
            return false;
        default:
            TEV_THROW_SYSTEM_IMPLEMENTATION("NTev::NSys::gf_Thread_Wait", "WaitForSingleObject");
    }
}

void gf_Thread_Close(CThreadObject* thread) noexcept
{
    if (thread)
        CloseHandle(fg_Handle(thread));
}

std::uint32_t gf_Thread_GetCurrentId() noexcept
{
    return GetCurrentThreadId();
}

void gf_Sleep(std::uint32_t milliseconds) noexcept
{
    Sleep(milliseconds);
}

std::uint32_t gf_Thread_AllocStorage()
{
    DWORD index = TlsAlloc();
    if (index == TLS_OUT_OF_INDEXES)
        TEV_THROW(NException::CExceptionSystemImplementation, "NTev::NSys::gf_Thread_AllocStorage",
                  "Thread_AllocStorage: Out of indices");
    return index;
}

void gf_Thread_FreeStorage(std::uint32_t index) noexcept
{
    TlsFree(index);
}

void gf_Thread_SetStorage(std::uint32_t index, void* value)
{
    if (!TlsSetValue(index, value))
        TEV_THROW(NException::CExceptionSystemImplementation, "NTev::NSys::gf_Thread_SetStorage",
                  "Thread_FreeStorage: Failed to set Thread Storage Value");
}

void* gf_Thread_GetStorage(std::uint32_t index) noexcept
{
    return TlsGetValue(index);
}
} // namespace NTev::NSys
