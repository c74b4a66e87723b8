#pragma once
// The channel to the filter driver's control device: overlapped reads of up to 128 records,
// evaluated batch by batch, and writes back through a fixed pool of 128 write slots. No
// allocation per record.
//
// Contract with the driver (the one place it is written down; the stand-in of
// tools/filterstandin keeps it too). Records are the 28-byte CDriverRecord; a read returns whole
// records; every written record is injected. The device is opened with read data and write
// data access, overlapped, with FILE_ATTRIBUTE_SYSTEM only by a client that does not own input.
// The client is dropped, closes its handle and opens the device again, when:
//   - the size query of its handle answers 1, or answers 0xFFFFFFFF after the same handle has
//     answered it with a size before (a driver answers it from the first query on);
//   - a read or write fails because the other end went away (broken pipe, pipe not connected,
//     no data, device not connected, device gone);
//   - CDriverDropRule::mc_ReadFailuresForDrop reads in a row fail with any other error.
// A device whose size query never answered since the open (a named pipe reached through the
// device path, or a device hosted by Wine, where the query never reaches the driver) shows a
// drop only through its failing I/O.
//
// Locks: the read lock (held across a pump, evaluation included), then the engine lock, then
// the write lock; no thread takes the read lock while it holds the write lock or the engine
// lock. The device is opened and closed under the read lock and then the write lock, by the
// channel thread or by a capture start that holds neither the engine lock nor the write lock;
// a writer never opens or closes, it only notes a drop for the channel thread.
//
// The I/O event exists as long as the object and is never replaced, so that no completion
// signals a closed handle. Buffers handed to the driver (the read buffer, the write slots) are
// used again only after their request has completed; a close cancels and then waits for that,
// at most mc_CancelBoundMilliseconds: past it the requests are abandoned (see m_pReadRequest).

#include "engine/DriverDropRule.h"
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
    // The thread's turn while the device is open and nothing wakes it.
    static constexpr double mc_IdleTurnSeconds = 1.0;
    static constexpr const char* mc_DevicePath = "\\\\.\\QuillonKeyboardFilter";
    // How long a close waits for the driver to complete its cancelled requests.
    static constexpr ULONGLONG mc_CancelBoundMilliseconds = 2000;
    // Read data and write data, nothing more.
    static constexpr DWORD mc_DeviceAccess = FILE_READ_DATA | FILE_WRITE_DATA;

    explicit CKeyboardQueueThread(CMessageHook& engine);
    ~CKeyboardQueueThread() override;

    // Makes sure the device is open; false when it cannot be. Never call it holding the engine
    // lock or the write lock.
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
    // Lets go of the keys and the device as a stop would, then stops an engine that owns input.
    void f_OnRunFailed() noexcept override;

private:
    struct CWriteSlot
    {
        CDriverRecord m_Record;
        OVERLAPPED m_Overlapped;
        CWriteSlot* m_pNext;
    };

    void fp_Write(const CDriverRecord& record);
    // Both close under the read lock and then the write lock.
    void fp_CloseDevice();
    void fp_CloseDeviceLocked();
    void fp_FreePendingSlotsLocked() noexcept;
    // Leaves the outstanding requests, their buffers and the I/O event to the driver.
    void fp_AbandonRequestsLocked() noexcept;
    bool fp_IsAnyRequestPendingLocked() const noexcept;
    bool fp_IsReadPending();
    void fp_DrainAndClose();
    void fp_ReleaseKeysAndClose();
    bool fp_IsDroppedBySize();
    static bool fs_IsDropError(DWORD error) noexcept;

    CMessageHook& m_Engine;
    HANDLE m_hIoEvent;
    HANDLE m_hDevice = INVALID_HANDLE_VALUE;
    bool m_bReadPending = false;
    // Under the read lock and the write lock for the size and writes, the read lock for reads.
    CDriverDropRule m_DropRule;
    // The read's buffer and request live apart from the object: a driver that never completes
    // a cancelled read keeps them, and a close that gave up waiting for it leaves them (and the
    // write slots and the I/O event) to the driver for good, so that a late completion never
    // writes into freed memory. The channel then opens the device no more.
    struct CReadRequest
    {
        CDriverRecord m_Buffer[mc_ReadRecords];
        OVERLAPPED m_Overlapped;
    };
    std::unique_ptr<CReadRequest> m_pReadRequest;
    CDriverRecord (&m_ReadBuffer)[mc_ReadRecords];
    OVERLAPPED& m_ReadOverlapped;
    bool m_bAbandoned = false;
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
