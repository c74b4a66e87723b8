#pragma once
// The channel to the filter driver's control device: overlapped reads of up to 128 records,
// evaluated batch by batch, and writes back through a fixed pool of 128 write slots. No
// allocation per record.
//
// Contract with the driver. Records are the 28-byte CDriverRecord; a read returns whole
// records; every written record is injected. The driver tells a client that it was dropped by
// answering the size query of its handle with 1 or 0xFFFFFFFF; the client then closes the
// handle and opens the device again. Two refinements keep that rule for the real driver and
// let the engine run against stand-ins (a named pipe reached through the device path, or a
// device hosted by Wine, where the size query never reaches the driver):
//   - a size query that fails with ERROR_INVALID_FUNCTION was not answered by any driver and
//     says nothing about the client;
//   - a read or write that fails because the other end went away (broken pipe, pipe not
//     connected, no data, device not connected, device gone) drops the client too.
//
// Locks: the read lock (held across a pump, evaluation included), then the engine lock, then
// the write lock. The device is opened and closed only by the channel thread and by the
// capture start, never by a writer: a writer holds the engine lock, and opening takes the
// read lock, which the channel thread may hold while it waits for the engine lock.

#include "engine/MessageHook.h"

#include "core/Mutual.h"

#include <cstddef>
#include <cstdint>
#include <memory>

#include <windows.h>

namespace NQuillon
{
class CMessageHook::CKeyboardQueueThread final : public NTev::NThread::ICThread, public ICRecordChannel
{
public:
    static constexpr std::size_t mc_ReadRecords = 128;
    static constexpr std::size_t mc_WriteSlots = 128;
    static constexpr const char* mc_DevicePath = "\\\\.\\QuillonKeyboardFilter";

    explicit CKeyboardQueueThread(CMessageHook& engine);
    ~CKeyboardQueueThread() override;

    // Makes sure the device is open; false when it cannot be.
    bool f_OpenDevice();
    bool f_IsDeviceOpen();
    // Channel thread: reads and evaluates until a read pends; false when the driver dropped
    // this client.
    bool f_PumpReads();
    void f_ReapWrites();
    void f_WriteKeyboardRecord(const KEYBOARD_INPUT_DATA& data) override;
    void f_WriteMouseRecord(const MOUSE_INPUT_DATA& data) override;
    // Wakes the thread's wait (a stop request then takes effect at once).
    void f_Wake() noexcept;
    // Requests the stop, wakes the thread and waits for it.
    void f_StopAndWait();
    std::size_t f_GetPendingWriteCount();

protected:
    std::uintptr_t f_Run() override;

private:
    struct CWriteSlot
    {
        CDriverRecord m_Record;
        OVERLAPPED m_Overlapped;
        CWriteSlot* m_pNext;
    };

    void fp_Write(const CDriverRecord& record);
    void fp_CloseDevice();
    void fp_FreePendingSlotsLocked() noexcept;
    bool fp_IsAnyRequestPendingLocked() const noexcept;
    void fp_DrainAndClose();
    bool fp_IsDroppedBySize();
    static bool fs_IsDropError(DWORD error) noexcept;

    CMessageHook& m_Engine;
    HANDLE m_hIoEvent;
    HANDLE m_hDevice = INVALID_HANDLE_VALUE;
    bool m_bReadPending = false;
    CDriverRecord m_ReadBuffer[mc_ReadRecords];
    OVERLAPPED m_ReadOverlapped{};
    std::unique_ptr<CWriteSlot[]> m_pSlots;
    CWriteSlot* m_pFreeSlots = nullptr;
    // Oldest first.
    CWriteSlot* m_pPendingFirst = nullptr;
    CWriteSlot* m_pPendingLast = nullptr;
    std::size_t m_PendingCount = 0;
    NTev::CMutual m_WriteLock;
    NTev::CMutual m_ReadLock;
};
} // namespace NQuillon
