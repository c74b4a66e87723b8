#pragma once
// One connected end of the agent pipe. Its owner's thread does all the I/O: it reads messages
// of exactly 16 bytes and hands the valid ones to the receiver, and writes what f_Send queued.
// f_Send may be called from any thread and never waits for the peer: the queue is bounded and
// a full queue drops the message, so a peer that does not read costs the sender nothing.
// Windows cancels the I/O a thread started when that thread ends, so no caller's thread
// starts any.

#include "agent/AgentTransport.h"

#include "core/Mutual.h"

#include <array>
#include <cstddef>

#include <windows.h>

namespace NQuillon
{
class CAgentPipeLink
{
public:
    // Messages waiting for the pipe, beyond what the pipe's own buffer holds.
    static constexpr std::size_t mc_QueueMessages = 64;
    // Messages one pump delivers before the owner looks at its stop request again.
    static constexpr std::size_t mc_ReadsPerPump = 64;
    // Handles f_GetWaitHandles may add.
    static constexpr std::size_t mc_MaxWaitHandles = 2;

    enum class EPump
    {
        Open,
        // The peer went away or the pipe failed.
        Lost,
        // The peer sent what it may not (only when invalid messages are refused).
        Refused,
    };

    // peer: who sends what is read. refuseInvalid: a message that is not valid from the peer
    // ends the connection; otherwise it is traced and dropped.
    CAgentPipeLink(ICAgentReceiver& receiver, EAgentSender peer, bool refuseInvalid);
    ~CAgentPipeLink();
    CAgentPipeLink(const CAgentPipeLink&) = delete;
    CAgentPipeLink& operator=(const CAgentPipeLink&) = delete;

    // Owner's thread: serves a connected pipe (which the owner keeps owning).
    void f_Open(HANDLE pipe);
    // Cancels and waits for the outstanding I/O and drops what is queued. On the owner's thread,
    // or on any while that thread does not run.
    void f_Close() noexcept;
    bool f_IsOpen() const;
    // Owner's thread, after every wake: completes I/O, delivers messages, starts the next read
    // and write.
    EPump f_Pump();
    // Appends the events of the I/O in flight, for the owner's wait; returns how many.
    std::size_t f_GetWaitHandles(HANDLE* handles) const noexcept;
    bool f_Send(const CAgentMessage& message);
    // Auto-reset; set by f_Send and f_Wake. The owner waits on it too.
    HANDLE f_GetWakeEvent() const noexcept { return m_hWake; }
    void f_Wake() noexcept { SetEvent(m_hWake); }

private:
    EPump fp_PumpReads();
    EPump fp_PumpWrites();
    EPump fp_OnRead(bool completed, DWORD bytes, DWORD error);
    EPump fp_OnInvalid(const char* what, DWORD bytes);

    ICAgentReceiver& m_Receiver;
    const EAgentSender m_Peer;
    const bool m_bRefuseInvalid;
    HANDLE m_hWake;
    HANDLE m_hReadEvent;
    HANDLE m_hWriteEvent;
    HANDLE m_hPipe = INVALID_HANDLE_VALUE;
    OVERLAPPED m_ReadOverlapped{};
    OVERLAPPED m_WriteOverlapped{};
    bool m_bReadPending = false;
    bool m_bWritePending = false;
    // The rest of a message longer than 16 bytes is still to come and is dropped.
    bool m_bSkipRest = false;
    CAgentMessageBytes m_ReadBuffer{};
    CAgentMessageBytes m_WriteBuffer{};

    // Guards the open state and the queue.
    mutable NTev::CMutual m_Lock;
    bool m_bOpen = false;
    std::array<CAgentMessageBytes, mc_QueueMessages> m_Queue{};
    std::size_t m_QueueFirst = 0;
    std::size_t m_QueueCount = 0;
};
} // namespace NQuillon
