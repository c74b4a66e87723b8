#pragma once
// A stand-in for the filter driver's control device "\\.\QuillonKeyboardFilter", for tests and
// demonstrations under Wine (Windows only; never shipped).
//
// The device is a byte-mode named pipe "\\.\pipe\QuillonKeyboardFilter" reached through the
// NT symbolic link \??\QuillonKeyboardFilter, so a client opens the literal device path with
// CreateFileA as it would open the driver. Several clients may be connected at once (a
// remapping client and a capture client); a fresh pipe instance always listens, so a client
// that closed its handle can open the device again.
//
// Towards a client: every f_Feed call is one pipe write of whole 28-byte records, and the next
// write starts only when the client has read the previous one, so a client whose read has room
// for the batch (3584 bytes = 128 records) gets exactly one batch per read. Records go to every
// connected client; records fed while no client is connected are kept and go to the first
// client that connects, and batches a client left unread when it closed its handle go to the
// client that opens next. Records fed while the stand-in is stopped are dropped (but logged).
// From a client: every record it writes is recorded in order with the performance-counter time
// at which the stand-in read it.
//
// Three instances listen at any time and a new one is made as soon as one is taken; a client
// that opens while none listens gets ERROR_PIPE_BUSY (231). The stand-in cannot tell a
// capture client (FILE_ATTRIBUTE_SYSTEM) from a remapping one: both get every record.
//
// What a client sees under Wine (measured):
// - While running: GetFileSize on the client's handle answers 0xFFFFFFFF with last error
//   ERROR_INVALID_FUNCTION (1); Wine never asks the server, so a size query cannot tell a live
//   device from a dropped client.
// - After f_Stop (every pipe instance closed): a read that was pending completes with
//   ERROR_BROKEN_PIPE (109), as do writes that were pending; a new ReadFile fails at once with
//   ERROR_BROKEN_PIPE (109), a new WriteFile with ERROR_NO_DATA (232); GetFileSize still answers
//   0xFFFFFFFF / 1. Opening the device fails with ERROR_FILE_NOT_FOUND (2) until f_Start.
// - By default the pipe has no buffer: a client's 28-byte write completes only when the
//   stand-in reads it (at once when a read of the stand-in is waiting, else it pends until the
//   next read). While back pressure is on, the stand-in reads nothing, so every client write
//   stays pending (ERROR_IO_PENDING); turning it off drains them in order. With a write buffer
//   of N bytes, writes complete at once until about N bytes wait unread (Wine: 4096 bytes took
//   146 records before the first write pended). Under back pressure a client that closes its
//   handle is noticed only when the stand-in reads or writes again.

#include "engine/DriverRecord.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

namespace NQuillon
{
// A record with the performance-counter time at which it was fed or read back.
struct CTimedRecord
{
    CDriverRecord m_Record;
    std::int64_t m_Time = 0;    // QueryPerformanceCounter ticks
    std::uint32_t m_Client = 0; // written records: the client (1, 2, ... in connection order)
    std::uint32_t m_Batch = 0;  // fed records: the f_Feed call (1, 2, ...)
};

// f_Start failures: the message names the call that failed.
class CFilterStandInError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class CFilterStandIn
{
public:
    // writeBufferBytes: the pipe's buffer for what clients write (see above); what the
    // stand-in feeds is never buffered, so that batches stay apart.
    explicit CFilterStandIn(std::uint32_t writeBufferBytes = 0);
    ~CFilterStandIn(); // stops
    CFilterStandIn(const CFilterStandIn&) = delete;
    CFilterStandIn& operator=(const CFilterStandIn&) = delete;

    // Creates the device and starts the thread that serves it; throws CFilterStandInError when
    // the pipe or the link cannot be made (another stand-in running, for instance).
    void f_Start();
    // Closes every pipe instance and the link; connected clients see their I/O fail (above).
    // Records fed but not yet delivered are dropped. f_Start may follow.
    void f_Stop();
    bool f_IsRunning() const;

    // "Hardware" input: the records of one call are one write to each connected client.
    void f_Feed(const CDriverRecord* records, std::size_t count);

    // Connected clients (those whose open the stand-in has seen, less those that went away).
    std::size_t f_GetClientCount() const;
    bool f_WaitClients(std::size_t count, std::uint32_t timeoutMs) const;

    // Records written back and not yet taken: true once there are at least count of them.
    bool f_WaitWritten(std::size_t count, std::uint32_t timeoutMs) const;
    // True once no record has been written back for quietMs, false when that did not happen
    // within maxMs.
    bool f_WaitQuiet(std::uint32_t quietMs, std::uint32_t maxMs) const;
    std::vector<CTimedRecord> f_GetWritten() const;
    std::vector<CTimedRecord> f_TakeWritten();
    // Every fed record with its feed time and batch number.
    std::vector<CTimedRecord> f_GetFed() const;
    std::vector<CTimedRecord> f_TakeFed();

    // On: read nothing from clients (pending reads are cancelled before this returns), so their
    // writes stay pending. Off: read again.
    void f_SetBackPressure(bool on);

    static std::int64_t fs_Now();
    static std::int64_t fs_TicksPerSecond();

private:
    class CImpl;
    std::unique_ptr<CImpl> m_pImpl;
};
} // namespace NQuillon
