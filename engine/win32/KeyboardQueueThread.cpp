#include "engine/win32/KeyboardQueueThread.h"

#include "config/Settings.h"
#include "core/Clock.h"
#include "core/Exception.h"
#include "core/Format.h"

#include <cstring>

namespace NQuillon
{
namespace
{
using CGuard = NTev::TCMutualLock<NTev::CMutual>;

constexpr DWORD gc_RecordBytes = sizeof(CDriverRecord);
// STATUS_PENDING in an OVERLAPPED's Internal field.
constexpr ULONG_PTR gc_StatusPending = 0x103;
// How long a stopping channel lets the driver finish its writes (the breaks of released keys)
// before it cancels them.
constexpr int gc_DrainMilliseconds = 2000;
} // namespace

CMessageHook::CKeyboardQueueThread::CKeyboardQueueThread(CMessageHook& engine)
    // Auto-reset: completions wake the channel thread alone.
    : m_Engine(engine), m_hIoEvent(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      m_pReadRequest(std::make_unique<CReadRequest>()), m_ReadBuffer(m_pReadRequest->m_Buffer),
      m_ReadOverlapped(m_pReadRequest->m_Overlapped), m_pSlots(std::make_unique<CWriteSlot[]>(mc_WriteSlots))
{
    if (!m_hIoEvent)
        TEV_THROW_SYSTEM_IMPLEMENTATION("CMessageHook::CKeyboardQueueThread::CKeyboardQueueThread",
                                        "CreateEventA");
    for (std::size_t i = mc_WriteSlots; i-- > 0;)
    {
        m_pSlots[i].m_pNext = m_pFreeSlots;
        m_pFreeSlots = &m_pSlots[i];
    }
}

CMessageHook::CKeyboardQueueThread::~CKeyboardQueueThread()
{
    f_StopAndWait();
    fp_CloseDevice();
    // Abandoned requests may still complete and signal the event.
    if (!m_bAbandoned)
        CloseHandle(m_hIoEvent);
}

bool CMessageHook::CKeyboardQueueThread::fs_IsDropError(DWORD error) noexcept
{
    switch (error)
    {
        case ERROR_BROKEN_PIPE:
        case ERROR_PIPE_NOT_CONNECTED:
        case ERROR_NO_DATA:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_FILE_NOT_FOUND:
            return true;
        default:
            return false;
    }
}

bool CMessageHook::CKeyboardQueueThread::fp_IsDroppedBySize()
{
    return m_DropRule.f_OnSize(GetFileSize(m_hDevice, nullptr));
}

bool CMessageHook::CKeyboardQueueThread::f_IsDeviceOpen()
{
    CGuard lock(m_WriteLock);
    return m_hDevice != INVALID_HANDLE_VALUE;
}

bool CMessageHook::CKeyboardQueueThread::f_OpenDevice()
{
    // The read lock first: the channel thread holds it across a pump and takes the write lock
    // inside it for every record it writes.
    CGuard readLock(m_ReadLock);
    CGuard writeLock(m_WriteLock);
    if (m_hDevice != INVALID_HANDLE_VALUE)
    {
        if (!m_DropRule.f_IsDroppedByWrite() && !fp_IsDroppedBySize())
            return true;
        fp_CloseDeviceLocked();
    }
    // The abandoned requests' buffers are the driver's now.
    if (m_bAbandoned)
        return false;
    // The driver tells a capture-only client from the remapping engine by the attribute.
    const DWORD flags = FILE_FLAG_OVERLAPPED | (m_Engine.m_bOwnsInput ? 0 : FILE_ATTRIBUTE_SYSTEM);
    m_hDevice = CreateFileA(mc_DevicePath, mc_DeviceAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, flags, nullptr);
    m_DropRule.f_OnOpened();
    if (m_hDevice != INVALID_HANDLE_VALUE)
        fp_IsDroppedBySize();
    return m_hDevice != INVALID_HANDLE_VALUE;
}

void CMessageHook::CKeyboardQueueThread::fp_FreePendingSlotsLocked() noexcept
{
    while (m_pPendingFirst)
    {
        CWriteSlot* slot = m_pPendingFirst;
        m_pPendingFirst = slot->m_pNext;
        slot->m_pNext = m_pFreeSlots;
        m_pFreeSlots = slot;
    }
    m_pPendingLast = nullptr;
    m_PendingCount = 0;
}

void CMessageHook::CKeyboardQueueThread::fp_CloseDevice()
{
    CGuard readLock(m_ReadLock);
    CGuard writeLock(m_WriteLock);
    fp_CloseDeviceLocked();
}

void CMessageHook::CKeyboardQueueThread::fp_CloseDeviceLocked()
{
    if (m_hDevice == INVALID_HANDLE_VALUE)
        return;
    // Outstanding requests are cancelled and seen to end before their slots and the read
    // buffer are used again; a driver that never completes them is waited for only so long.
    CancelIoEx(m_hDevice, nullptr);
    const ULONGLONG begun = GetTickCount64();
    while (fp_IsAnyRequestPendingLocked())
    {
        if (GetTickCount64() - begun >= mc_CancelBoundMilliseconds)
        {
            fp_AbandonRequestsLocked();
            break;
        }
        Sleep(1);
    }
    CloseHandle(m_hDevice);
    m_hDevice = INVALID_HANDLE_VALUE;
    m_bReadPending = false;
    fp_FreePendingSlotsLocked();
}

void CMessageHook::CKeyboardQueueThread::fp_AbandonRequestsLocked() noexcept
{
    NTev::gf_DebugOutput("The filter driver did not complete cancelled requests in {} ms: the channel leaves "
                         "them and the device\n",
                         static_cast<std::uint64_t>(mc_CancelBoundMilliseconds));
    m_bAbandoned = true;
    // Deliberately never freed: the driver may still complete into them.
    static_cast<void>(m_pReadRequest.release());
    static_cast<void>(m_pSlots.release());
    // Outside a stop, the engine has lost its device for good: it stops as after a failed
    // thread, so that the service's recovery can start it afresh.
    if (!f_IsStopRequested())
        m_Engine.f_OnEngineThreadFailed();
}

bool CMessageHook::CKeyboardQueueThread::fp_IsAnyRequestPendingLocked() const noexcept
{
    if (m_bReadPending && m_ReadOverlapped.Internal == gc_StatusPending)
        return true;
    for (const CWriteSlot* slot = m_pPendingFirst; slot; slot = slot->m_pNext)
        if (slot->m_Overlapped.Internal == gc_StatusPending)
            return true;
    return false;
}

bool CMessageHook::CKeyboardQueueThread::fp_IsReadPending()
{
    CGuard readLock(m_ReadLock);
    return m_bReadPending;
}

bool CMessageHook::CKeyboardQueueThread::f_PumpReads()
{
    CGuard readLock(m_ReadLock);
    if (m_hDevice == INVALID_HANDLE_VALUE)
        return true;
    for (;;)
    {
        if (m_bReadPending)
        {
            if (m_ReadOverlapped.Internal == gc_StatusPending)
                return true;
            DWORD transferred = 0;
            const bool ok = GetOverlappedResult(m_hDevice, &m_ReadOverlapped, &transferred, FALSE);
            m_bReadPending = false;
            if (!ok)
            {
                if (m_DropRule.f_OnReadFailed(fs_IsDropError(GetLastError())))
                    return false;
                continue;
            }
            m_DropRule.f_OnReadSucceeded();
            m_Engine.f_ProcessDriverRecords(m_ReadBuffer, transferred / gc_RecordBytes);
            continue;
        }
        std::memset(&m_ReadOverlapped, 0, sizeof m_ReadOverlapped);
        m_ReadOverlapped.hEvent = m_hIoEvent;
        DWORD transferred = 0;
        if (ReadFile(m_hDevice, m_ReadBuffer, sizeof m_ReadBuffer, &transferred, &m_ReadOverlapped))
        {
            m_DropRule.f_OnReadSucceeded();
            m_Engine.f_ProcessDriverRecords(m_ReadBuffer, transferred / gc_RecordBytes);
            continue;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_IO_PENDING)
        {
            m_bReadPending = true;
            continue;
        }
        // Any other failure ends this pump; the next turn of the thread tries again.
        return !m_DropRule.f_OnReadFailed(fs_IsDropError(error));
    }
}

void CMessageHook::CKeyboardQueueThread::f_ReapWrites()
{
    CGuard writeLock(m_WriteLock);
    while (m_pPendingFirst && m_pPendingFirst->m_Overlapped.Internal != gc_StatusPending)
    {
        CWriteSlot* slot = m_pPendingFirst;
        DWORD transferred = 0;
        GetOverlappedResult(m_hDevice, &slot->m_Overlapped, &transferred, FALSE);
        m_pPendingFirst = slot->m_pNext;
        if (!m_pPendingFirst)
            m_pPendingLast = nullptr;
        --m_PendingCount;
        slot->m_pNext = m_pFreeSlots;
        m_pFreeSlots = slot;
    }
}

std::size_t CMessageHook::CKeyboardQueueThread::f_GetPendingWriteCount()
{
    CGuard writeLock(m_WriteLock);
    return m_PendingCount;
}

void CMessageHook::CKeyboardQueueThread::f_WriteKeyboardRecord(const KEYBOARD_INPUT_DATA& data)
{
    CDriverRecord record{};
    record.m_Kind = EDriverRecordKind_Keyboard;
    record.m_Keyboard = data;
    fp_Write(record);
}

void CMessageHook::CKeyboardQueueThread::f_WriteMouseRecord(const MOUSE_INPUT_DATA& data)
{
    CDriverRecord record{};
    record.m_Kind = EDriverRecordKind_Mouse;
    record.m_Mouse = data;
    fp_Write(record);
}

void CMessageHook::CKeyboardQueueThread::fp_Write(const CDriverRecord& record)
{
    CGuard writeLock(m_WriteLock);
    if (m_hDevice == INVALID_HANDLE_VALUE)
        return;
    CWriteSlot* slot = m_pFreeSlots;
    // Every slot still pending: the record is dropped.
    if (!slot)
        return;
    m_pFreeSlots = slot->m_pNext;
    slot->m_Record = record;
    std::memset(&slot->m_Overlapped, 0, sizeof slot->m_Overlapped);
    slot->m_Overlapped.hEvent = m_hIoEvent;
    const bool done = WriteFile(m_hDevice, &slot->m_Record, gc_RecordBytes, nullptr, &slot->m_Overlapped);
    const DWORD error = done ? NO_ERROR : GetLastError();
    const bool pending = error == ERROR_IO_PENDING;
    // Writers hold the engine lock and may not reopen: the channel thread does.
    if (!done && !pending && !m_DropRule.f_IsDroppedByWrite() &&
        m_DropRule.f_OnWriteFailed(fs_IsDropError(error)))
        f_Wake();
    if (record.m_Kind == EDriverRecordKind_Keyboard &&
        m_Engine.f_GetSettingValues().m_KeyboardRemoteDesktopHack)
        Sleep(3);
    if (!pending)
    {
        slot->m_pNext = m_pFreeSlots;
        m_pFreeSlots = slot;
        return;
    }
    slot->m_pNext = nullptr;
    if (m_pPendingLast)
        m_pPendingLast->m_pNext = slot;
    else
        m_pPendingFirst = slot;
    m_pPendingLast = slot;
    ++m_PendingCount;
}

void CMessageHook::CKeyboardQueueThread::f_Wake() noexcept
{
    SetEvent(m_hIoEvent);
}

void CMessageHook::CKeyboardQueueThread::f_StopAndWait()
{
    f_Stop(false);
    f_Wake();
    f_Stop(true);
}

std::uintptr_t CMessageHook::CKeyboardQueueThread::f_Run()
{
    while (!f_IsStopRequested())
    {
        bool open = f_OpenDevice();
        if (open)
        {
            if (!f_PumpReads())
            {
                fp_CloseDevice();
                open = false;
            }
            f_ReapWrites();
        }
        // Every completion, a stop and a writer's drop set the I/O event, so while a read is
        // pending no quick turn is needed: the idle engine then wakes once a second, to ask the
        // driver whether it still serves this client. Without the device, or after a read
        // that failed, the thread tries again in 0.1 s.
        const double turn = open && fp_IsReadPending() ? mc_IdleTurnSeconds : 0.1;
        WaitForSingleObject(m_hIoEvent, NTev::gf_ClockSecondsToMilliseconds(turn));
    }
    fp_ReleaseKeysAndClose();
    return 0;
}

void CMessageHook::CKeyboardQueueThread::fp_ReleaseKeysAndClose()
{
    if (m_Engine.m_bOwnsInput)
    {
        // Nothing the engine generated may stay held down in the system: the breaks go out
        // while the device is still open, and no record is read after them.
        CLockGuard lock(m_Engine.m_Lock);
        m_Engine.f_ReleaseAllKeys();
    }
    fp_DrainAndClose();
}

void CMessageHook::CKeyboardQueueThread::f_OnRunFailed() noexcept
{
    try
    {
        fp_ReleaseKeysAndClose();
    }
    catch (...)
    {
        // The device must not stay open half-served.
        fp_CloseDevice();
    }
    m_Engine.f_OnEngineThreadFailed();
}

void CMessageHook::CKeyboardQueueThread::fp_DrainAndClose()
{
    CGuard readLock(m_ReadLock);
    CGuard writeLock(m_WriteLock);
    for (int waited = 0; m_pPendingFirst && waited < gc_DrainMilliseconds; ++waited)
    {
        f_ReapWrites();
        if (m_pPendingFirst)
            Sleep(1);
    }
    fp_CloseDeviceLocked();
}
} // namespace NQuillon
