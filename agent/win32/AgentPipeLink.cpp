#include "agent/win32/AgentPipeLink.h"

#include "core/Exception.h"
#include "core/Format.h"

#include <cstring>

namespace NQuillon
{
namespace
{
using CGuard = NTev::TCMutualLock<NTev::CMutual>;

HANDLE fg_CreateEvent(BOOL manualReset)
{
    HANDLE event = CreateEventA(nullptr, manualReset, FALSE, nullptr);
    if (!event)
        TEV_THROW_SYSTEM_IMPLEMENTATION("CAgentPipeLink::CAgentPipeLink", "CreateEventA");
    return event;
}

const char* fg_PeerName(EAgentSender peer) noexcept
{
    return peer == EAgentSender::Agent ? "agent" : "service";
}
} // namespace

CAgentPipeLink::CAgentPipeLink(ICAgentReceiver& receiver, EAgentSender peer, bool refuseInvalid)
    : m_Receiver(receiver), m_Peer(peer), m_bRefuseInvalid(refuseInvalid), m_hWake(fg_CreateEvent(FALSE)),
      m_hReadEvent(fg_CreateEvent(TRUE)), m_hWriteEvent(fg_CreateEvent(TRUE))
{
}

CAgentPipeLink::~CAgentPipeLink()
{
    f_Close();
    CloseHandle(m_hWriteEvent);
    CloseHandle(m_hReadEvent);
    CloseHandle(m_hWake);
}

void CAgentPipeLink::f_Open(HANDLE pipe)
{
    m_hPipe = pipe;
    m_bReadPending = false;
    m_bWritePending = false;
    m_bSkipRest = false;
    CGuard lock(m_Lock);
    m_bOpen = true;
    m_QueueCount = 0;
}

void CAgentPipeLink::f_Close() noexcept
{
    {
        CGuard lock(m_Lock);
        m_bOpen = false;
        m_QueueCount = 0;
    }
    if (m_hPipe == INVALID_HANDLE_VALUE)
        return;
    // The buffers belong to the requests until they have ended.
    if (m_bReadPending || m_bWritePending)
        CancelIoEx(m_hPipe, nullptr);
    DWORD bytes = 0;
    if (m_bReadPending)
        GetOverlappedResult(m_hPipe, &m_ReadOverlapped, &bytes, TRUE);
    if (m_bWritePending)
        GetOverlappedResult(m_hPipe, &m_WriteOverlapped, &bytes, TRUE);
    m_bReadPending = false;
    m_bWritePending = false;
    m_hPipe = INVALID_HANDLE_VALUE;
}

bool CAgentPipeLink::f_IsOpen() const
{
    CGuard lock(m_Lock);
    return m_bOpen;
}

bool CAgentPipeLink::f_Send(const CAgentMessage& message)
{
    {
        CGuard lock(m_Lock);
        if (!m_bOpen || m_QueueCount == mc_QueueMessages)
            return false;
        m_Queue[(m_QueueFirst + m_QueueCount) % mc_QueueMessages] = gf_EncodeAgentMessage(message);
        ++m_QueueCount;
    }
    f_Wake();
    return true;
}

std::size_t CAgentPipeLink::f_GetWaitHandles(HANDLE* handles) const noexcept
{
    std::size_t count = 0;
    if (m_bReadPending)
        handles[count++] = m_hReadEvent;
    if (m_bWritePending)
        handles[count++] = m_hWriteEvent;
    return count;
}

CAgentPipeLink::EPump CAgentPipeLink::f_Pump()
{
    const EPump reads = fp_PumpReads();
    return reads == EPump::Open ? fp_PumpWrites() : reads;
}

CAgentPipeLink::EPump CAgentPipeLink::fp_PumpReads()
{
    for (std::size_t reads = 0; reads < mc_ReadsPerPump; ++reads)
    {
        // A request that completes at once fills its OVERLAPPED too, so both ways end below.
        if (!m_bReadPending)
        {
            std::memset(&m_ReadOverlapped, 0, sizeof m_ReadOverlapped);
            m_ReadOverlapped.hEvent = m_hReadEvent;
            if (!ReadFile(m_hPipe, m_ReadBuffer.data(), static_cast<DWORD>(m_ReadBuffer.size()), nullptr,
                          &m_ReadOverlapped))
            {
                const DWORD error = GetLastError();
                if (error != ERROR_IO_PENDING && error != ERROR_MORE_DATA)
                    return fp_OnRead(false, 0, error);
            }
            m_bReadPending = true;
        }
        if (!HasOverlappedIoCompleted(&m_ReadOverlapped))
            return EPump::Open;
        m_bReadPending = false;
        DWORD bytes = 0;
        const bool completed = GetOverlappedResult(m_hPipe, &m_ReadOverlapped, &bytes, FALSE);
        const EPump result = fp_OnRead(completed, bytes, completed ? NO_ERROR : GetLastError());
        if (result != EPump::Open)
            return result;
    }
    // More may be waiting: the owner comes back at once, after a look at its stop request.
    f_Wake();
    return EPump::Open;
}

CAgentPipeLink::EPump CAgentPipeLink::fp_OnRead(bool completed, DWORD bytes, DWORD error)
{
    if (!completed && error != ERROR_MORE_DATA)
        return EPump::Lost;
    if (!completed)
    {
        // Still the rest of a long message already reported.
        if (m_bSkipRest)
            return EPump::Open;
        // Its rest arrives with the next reads, ended by one that completes.
        if (!m_bRefuseInvalid)
            m_bSkipRest = true;
        return fp_OnInvalid("longer than 16 bytes", bytes);
    }
    if (m_bSkipRest)
    {
        m_bSkipRest = false;
        return EPump::Open;
    }
    const auto message = gf_DecodeAgentMessage(m_ReadBuffer.data(), bytes, m_Peer);
    if (!message)
        return fp_OnInvalid(bytes == m_ReadBuffer.size() ? "malformed" : "too short", bytes);
    m_Receiver.f_OnAgentMessage(*message);
    return EPump::Open;
}

CAgentPipeLink::EPump CAgentPipeLink::fp_OnInvalid(const char* what, DWORD bytes)
{
    NTev::gf_DebugOutput("Quillon agent pipe: a message from the {} was {} ({} bytes read); {}\n",
                         fg_PeerName(m_Peer), what, bytes, m_bRefuseInvalid ? "disconnected" : "dropped");
    return m_bRefuseInvalid ? EPump::Refused : EPump::Open;
}

CAgentPipeLink::EPump CAgentPipeLink::fp_PumpWrites()
{
    for (;;)
    {
        if (m_bWritePending)
        {
            if (!HasOverlappedIoCompleted(&m_WriteOverlapped))
                return EPump::Open;
            m_bWritePending = false;
            DWORD bytes = 0;
            if (!GetOverlappedResult(m_hPipe, &m_WriteOverlapped, &bytes, FALSE))
                return EPump::Lost;
        }
        {
            CGuard lock(m_Lock);
            if (!m_QueueCount)
                return EPump::Open;
            m_WriteBuffer = m_Queue[m_QueueFirst];
            m_QueueFirst = (m_QueueFirst + 1) % mc_QueueMessages;
            --m_QueueCount;
        }
        std::memset(&m_WriteOverlapped, 0, sizeof m_WriteOverlapped);
        m_WriteOverlapped.hEvent = m_hWriteEvent;
        if (!WriteFile(m_hPipe, m_WriteBuffer.data(), static_cast<DWORD>(m_WriteBuffer.size()), nullptr,
                       &m_WriteOverlapped) &&
            GetLastError() != ERROR_IO_PENDING)
            return EPump::Lost;
        m_bWritePending = true;
    }
}
} // namespace NQuillon
