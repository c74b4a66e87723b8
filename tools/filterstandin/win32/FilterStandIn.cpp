// The stand-in device: pipe instances served by one thread with overlapped I/O.

#include "tools/filterstandin/FilterStandIn.h"

#include <windows.h>
#include <winternl.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace NQuillon
{
namespace
{
constexpr const char* mc_PipeName = "\\\\.\\pipe\\QuillonKeyboardFilter";
constexpr const wchar_t* mc_LinkName = L"\\??\\QuillonKeyboardFilter";
constexpr const wchar_t* mc_LinkTarget = L"\\Device\\NamedPipe\\QuillonKeyboardFilter";
constexpr std::size_t mc_RecordSize = sizeof(CDriverRecord);
constexpr std::size_t mc_ReadSize = 128 * mc_RecordSize;
// Two events per instance and the wake event must fit one WaitForMultipleObjects.
constexpr std::size_t mc_MaxInstances = 16;
// Instances listening at any time: a client that opens while none listens gets ERROR_PIPE_BUSY,
// and clients may open one right after another, faster than a new instance is made.
constexpr std::size_t mc_Listeners = 3;
constexpr ACCESS_MASK mc_SymbolicLinkAllAccess = 0xF0001;

using TNtCreateSymbolicLinkObject = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PUNICODE_STRING);

std::string fg_Failure(const char* call, DWORD error)
{
    return std::string("filter stand-in: ") + call + " failed with error " + std::to_string(error);
}

void fg_InitUnicode(UNICODE_STRING& string, const wchar_t* text)
{
    string.Buffer = const_cast<PWSTR>(text);
    string.Length = static_cast<USHORT>(std::wcslen(text) * sizeof(wchar_t));
    string.MaximumLength = static_cast<USHORT>(string.Length + sizeof(wchar_t));
}

// \??\QuillonKeyboardFilter -> the pipe; the link lives as long as the returned handle.
HANDLE fg_CreateLink()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    auto create = ntdll ? reinterpret_cast<TNtCreateSymbolicLinkObject>(
                              reinterpret_cast<void*>(GetProcAddress(ntdll, "NtCreateSymbolicLinkObject")))
                        : nullptr;
    if (!create)
        throw CFilterStandInError("filter stand-in: ntdll has no NtCreateSymbolicLinkObject");
    UNICODE_STRING name;
    UNICODE_STRING target;
    fg_InitUnicode(name, mc_LinkName);
    fg_InitUnicode(target, mc_LinkTarget);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
    HANDLE link = nullptr;
    const LONG status = create(&link, mc_SymbolicLinkAllAccess, &attributes, &target);
    if (status < 0)
        throw CFilterStandInError(
            std::string("filter stand-in: NtCreateSymbolicLinkObject failed with status ") +
            std::to_string(static_cast<unsigned long>(status)) + " (another stand-in running?)");
    return link;
}

std::int64_t fg_Ticks()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}
} // namespace

// The records of one f_Feed call, numbered from 1.
struct CBatch
{
    std::uint32_t m_Number = 0;
    std::vector<CDriverRecord> m_Records;
};

// One pipe instance: listening for a client, then serving it until it goes away.
struct CPipeInstance
{
    HANDLE m_hPipe = INVALID_HANDLE_VALUE;
    HANDLE m_hReadEvent = nullptr; // connect and reads
    HANDLE m_hWriteEvent = nullptr;
    OVERLAPPED m_ReadOverlapped{};
    OVERLAPPED m_WriteOverlapped{};
    bool m_Fresh = false; // made, not yet listening
    bool m_Listening = false;
    bool m_Connected = false;
    bool m_ReadPending = false;
    bool m_WritePending = false;
    bool m_Dead = false;
    bool m_WriteFailed = false; // the batch in m_Writing did not reach the client
    std::uint32_t m_Client = 0;
    std::size_t m_ReadFill = 0; // bytes of an incomplete record at the buffer's start
    unsigned char m_ReadBuffer[mc_ReadSize];
    std::uint32_t m_ConnectBatch = 0; // the last batch fed before this client connected
    std::deque<CBatch> m_Outbox;
    CBatch m_Writing; // the batch of the last write

    ~CPipeInstance()
    {
        if (m_hPipe != INVALID_HANDLE_VALUE)
            CloseHandle(m_hPipe);
        if (m_hReadEvent)
            CloseHandle(m_hReadEvent);
        if (m_hWriteEvent)
            CloseHandle(m_hWriteEvent);
    }
};

class CFilterStandIn::CImpl
{
public:
    explicit CImpl(std::uint32_t writeBufferBytes) : m_WriteBufferBytes(writeBufferBytes) {}
    ~CImpl() { f_Stop(); }

    void f_Start()
    {
        std::unique_lock lock(m_Lock);
        if (m_Running)
            return;
        m_Stop = false;
        m_PauseApplied = false;
        m_Instances.clear();
        // The instances are made here: a failure reaches the caller, and clients may open the
        // device as soon as this returns (the service thread then finds them connected).
        for (std::size_t i = 0; i < mc_Listeners; ++i)
        {
            std::unique_ptr<CPipeInstance> instance = fp_CreateInstance(i == 0);
            if (!instance)
            {
                m_Instances.clear();
                throw CFilterStandInError(fg_Failure("CreateNamedPipeA", m_LastCreateError) +
                                          (i == 0 ? " (another stand-in running?)" : ""));
            }
            m_Instances.push_back(std::move(instance));
        }
        try
        {
            m_hLink = fg_CreateLink();
        }
        catch (...)
        {
            m_Instances.clear();
            throw;
        }
        m_hWake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        m_Running = true;
        m_Thread = std::thread([this] { fp_Run(); });
    }

    void f_Stop()
    {
        {
            std::unique_lock lock(m_Lock);
            if (!m_Running || m_Stop)
                return;
            // No new client can find the device while the instances close.
            CloseHandle(m_hLink);
            m_hLink = nullptr;
            m_Stop = true;
            SetEvent(m_hWake);
        }
        m_Thread.join();
        std::unique_lock lock(m_Lock);
        CloseHandle(m_hWake);
        m_hWake = nullptr;
        m_Backlog.clear();
        m_Running = false;
        m_Changed.notify_all();
    }

    bool f_IsRunning() const
    {
        std::unique_lock lock(m_Lock);
        return m_Running;
    }

    void f_Feed(const CDriverRecord* records, std::size_t count)
    {
        if (count == 0)
            return;
        CBatch batch;
        batch.m_Records.assign(records, records + count);
        std::unique_lock lock(m_Lock);
        const std::int64_t now = fg_Ticks();
        batch.m_Number = ++m_Batches;
        for (const CDriverRecord& record : batch.m_Records)
            m_Fed.push_back(CTimedRecord{record, now, 0, m_Batches});
        if (!m_Running)
            return;
        bool delivered = false;
        for (auto& instance : m_Instances)
        {
            if (instance->m_Connected && !instance->m_Dead)
            {
                instance->m_Outbox.push_back(batch);
                delivered = true;
            }
        }
        if (!delivered)
            m_Backlog.push_back(std::move(batch));
        SetEvent(m_hWake);
    }

    std::size_t f_GetClientCount() const
    {
        std::unique_lock lock(m_Lock);
        return m_Clients;
    }

    bool f_WaitClients(std::size_t count, std::uint32_t timeoutMs) const
    {
        std::unique_lock lock(m_Lock);
        return m_Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return m_Clients >= count; });
    }

    bool f_WaitWritten(std::size_t count, std::uint32_t timeoutMs) const
    {
        std::unique_lock lock(m_Lock);
        return m_Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return m_Written.size() >= count; });
    }

    bool f_WaitQuiet(std::uint32_t quietMs, std::uint32_t maxMs) const
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
        std::unique_lock lock(m_Lock);
        for (;;)
        {
            const std::uint64_t seen = m_WrittenTotal;
            if (!m_Changed.wait_for(lock, std::chrono::milliseconds(quietMs),
                                    [&] { return m_WrittenTotal != seen; }))
                return true;
            if (std::chrono::steady_clock::now() >= deadline)
                return false;
        }
    }

    std::vector<CTimedRecord> f_GetWritten() const
    {
        std::unique_lock lock(m_Lock);
        return m_Written;
    }

    std::vector<CTimedRecord> f_TakeWritten()
    {
        std::unique_lock lock(m_Lock);
        return std::exchange(m_Written, {});
    }

    std::vector<CTimedRecord> f_GetFed() const
    {
        std::unique_lock lock(m_Lock);
        return m_Fed;
    }

    std::vector<CTimedRecord> f_TakeFed()
    {
        std::unique_lock lock(m_Lock);
        return std::exchange(m_Fed, {});
    }

    void f_SetBackPressure(bool on)
    {
        std::unique_lock lock(m_Lock);
        m_Paused = on;
        m_PauseApplied = false;
        if (!m_Running)
            return;
        SetEvent(m_hWake);
        if (!on)
            return;
        // The service thread cancels the reads in flight; a read left pending would take the
        // next client write.
        m_Changed.wait(lock, [&] { return m_PauseApplied || !m_Running; });
    }

private:
    std::unique_ptr<CPipeInstance> fp_CreateInstance(bool first)
    {
        auto instance = std::make_unique<CPipeInstance>();
        // No buffer for what is fed: a batch written here completes when the client reads it,
        // and only then does the next batch start.
        instance->m_hPipe = CreateNamedPipeA(mc_PipeName,
                                             PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED |
                                                 (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
                                             PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT,
                                             PIPE_UNLIMITED_INSTANCES, 0, m_WriteBufferBytes, 0, nullptr);
        if (instance->m_hPipe == INVALID_HANDLE_VALUE)
        {
            m_LastCreateError = GetLastError();
            return nullptr;
        }
        instance->m_hReadEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        instance->m_hWriteEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        instance->m_ReadOverlapped.hEvent = instance->m_hReadEvent;
        instance->m_WriteOverlapped.hEvent = instance->m_hWriteEvent;
        instance->m_Fresh = true;
        return instance;
    }

    // Waits for a client on a fresh instance. Only the service thread starts I/O: Windows and
    // Wine cancel what a thread started when it ends. A client may have opened the instance
    // before (a fresh instance already accepts one).
    void fp_Listen(CPipeInstance& instance)
    {
        instance.m_Fresh = false;
        if (ConnectNamedPipe(instance.m_hPipe, &instance.m_ReadOverlapped))
        {
            fp_OnConnected(instance);
            return;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_IO_PENDING)
            instance.m_Listening = true;
        else if (error == ERROR_PIPE_CONNECTED)
            fp_OnConnected(instance);
        else
            instance.m_Dead = true; // ERROR_NO_DATA: the client came and went
    }

    void fp_OnConnected(CPipeInstance& instance)
    {
        instance.m_Listening = false;
        instance.m_Connected = true;
        instance.m_Client = ++m_ClientNumbers;
        instance.m_ConnectBatch = m_Batches;
        ++m_Clients;
        while (!m_Backlog.empty())
        {
            instance.m_Outbox.push_back(std::move(m_Backlog.front()));
            m_Backlog.pop_front();
        }
        m_Changed.notify_all();
    }

    void fp_TakeBytes(CPipeInstance& instance, DWORD bytes)
    {
        instance.m_ReadFill += bytes;
        const std::size_t records = instance.m_ReadFill / mc_RecordSize;
        if (records == 0)
            return;
        const std::int64_t now = fg_Ticks();
        for (std::size_t i = 0; i < records; ++i)
        {
            CTimedRecord timed;
            std::memcpy(&timed.m_Record, instance.m_ReadBuffer + i * mc_RecordSize, mc_RecordSize);
            timed.m_Time = now;
            timed.m_Client = instance.m_Client;
            m_Written.push_back(timed);
        }
        m_WrittenTotal += records;
        const std::size_t used = records * mc_RecordSize;
        std::memmove(instance.m_ReadBuffer, instance.m_ReadBuffer + used, instance.m_ReadFill - used);
        instance.m_ReadFill -= used;
        m_Changed.notify_all();
    }

    static bool fs_Completed(const OVERLAPPED& overlapped) { return HasOverlappedIoCompleted(&overlapped); }

    void fp_ServiceReads(CPipeInstance& instance)
    {
        for (;;)
        {
            DWORD bytes = 0;
            if (instance.m_ReadPending)
            {
                if (m_Paused)
                {
                    // Let the cancel finish before the buffer is used again; a read that
                    // completed first keeps its data.
                    CancelIoEx(instance.m_hPipe, &instance.m_ReadOverlapped);
                    const BOOL ok =
                        GetOverlappedResult(instance.m_hPipe, &instance.m_ReadOverlapped, &bytes, TRUE);
                    instance.m_ReadPending = false;
                    if (ok)
                        fp_TakeBytes(instance, bytes);
                    else if (GetLastError() != ERROR_OPERATION_ABORTED)
                        instance.m_Dead = true;
                    return;
                }
                if (!fs_Completed(instance.m_ReadOverlapped))
                    return;
                const BOOL ok =
                    GetOverlappedResult(instance.m_hPipe, &instance.m_ReadOverlapped, &bytes, FALSE);
                instance.m_ReadPending = false;
                if (!ok)
                {
                    instance.m_Dead = true;
                    return;
                }
                fp_TakeBytes(instance, bytes);
            }
            if (m_Paused)
                return;
            if (ReadFile(instance.m_hPipe, instance.m_ReadBuffer + instance.m_ReadFill,
                         static_cast<DWORD>(mc_ReadSize - instance.m_ReadFill), &bytes,
                         &instance.m_ReadOverlapped))
                fp_TakeBytes(instance, bytes);
            else if (GetLastError() == ERROR_IO_PENDING)
                instance.m_ReadPending = true;
            else
            {
                instance.m_Dead = true;
                return;
            }
        }
    }

    void fp_ServiceWrites(CPipeInstance& instance)
    {
        for (;;)
        {
            DWORD bytes = 0;
            if (instance.m_WritePending)
            {
                if (!fs_Completed(instance.m_WriteOverlapped))
                    return;
                instance.m_WritePending = false;
                if (!GetOverlappedResult(instance.m_hPipe, &instance.m_WriteOverlapped, &bytes, FALSE))
                {
                    instance.m_WriteFailed = true;
                    instance.m_Dead = true;
                    return;
                }
            }
            if (instance.m_Outbox.empty())
                return;
            instance.m_Writing = std::move(instance.m_Outbox.front());
            instance.m_Outbox.pop_front();
            if (WriteFile(instance.m_hPipe, instance.m_Writing.m_Records.data(),
                          static_cast<DWORD>(instance.m_Writing.m_Records.size() * mc_RecordSize), &bytes,
                          &instance.m_WriteOverlapped))
                continue;
            if (GetLastError() != ERROR_IO_PENDING)
            {
                instance.m_WriteFailed = true;
                instance.m_Dead = true;
                return;
            }
            instance.m_WritePending = true;
        }
    }

    void fp_Service(CPipeInstance& instance)
    {
        if (instance.m_Fresh)
            fp_Listen(instance);
        if (instance.m_Listening)
        {
            if (!fs_Completed(instance.m_ReadOverlapped))
                return;
            DWORD bytes = 0;
            if (GetOverlappedResult(instance.m_hPipe, &instance.m_ReadOverlapped, &bytes, FALSE) ||
                GetLastError() == ERROR_PIPE_CONNECTED)
                fp_OnConnected(instance);
            else
            {
                instance.m_Listening = false;
                instance.m_Dead = true;
                return;
            }
        }
        if (!instance.m_Connected)
            return;
        fp_ServiceReads(instance);
        if (!instance.m_Dead)
            fp_ServiceWrites(instance);
    }

    // Ends the instance's I/O and closes it; its client sees the pipe broken. What it did not
    // deliver goes back to the backlog when no other client is there to take it, so records fed
    // while a client was closing its handle reach the client that opens next.
    void fp_Close(CPipeInstance& instance)
    {
        bool delivered = true;
        if (instance.m_Listening || instance.m_ReadPending || instance.m_WritePending)
        {
            // The listening instances of f_Start were made on another thread: CancelIo would miss them.
            CancelIoEx(instance.m_hPipe, nullptr);
            DWORD bytes = 0;
            if (instance.m_Listening || instance.m_ReadPending)
                GetOverlappedResult(instance.m_hPipe, &instance.m_ReadOverlapped, &bytes, TRUE);
            if (instance.m_WritePending)
                delivered = GetOverlappedResult(instance.m_hPipe, &instance.m_WriteOverlapped, &bytes, TRUE);
        }
        if (instance.m_WriteFailed)
            delivered = false;
        instance.m_Listening = instance.m_ReadPending = instance.m_WritePending = false;
        if (instance.m_Connected)
        {
            instance.m_Connected = false;
            --m_Clients;
            m_Changed.notify_all();
            if (!m_Stop)
            {
                if (!delivered && !instance.m_Writing.m_Records.empty())
                    instance.m_Outbox.push_front(std::move(instance.m_Writing));
                fp_PassOn(instance);
            }
        }
    }

    // The batches a closing instance did not deliver go to the clients that connected after
    // they were fed (the others have them), or back to the backlog when no client is there.
    void fp_PassOn(CPipeInstance& closing)
    {
        if (m_Clients == 0)
        {
            m_Backlog.insert(m_Backlog.begin(), std::make_move_iterator(closing.m_Outbox.begin()),
                             std::make_move_iterator(closing.m_Outbox.end()));
            closing.m_Outbox.clear();
            return;
        }
        for (auto& instance : m_Instances)
        {
            if (instance.get() == &closing || !instance->m_Connected || instance->m_Dead)
                continue;
            std::size_t at = 0;
            for (const CBatch& batch : closing.m_Outbox)
            {
                if (batch.m_Number > instance->m_ConnectBatch)
                    break;
                instance->m_Outbox.insert(instance->m_Outbox.begin() + static_cast<std::ptrdiff_t>(at++),
                                          batch);
            }
        }
        closing.m_Outbox.clear();
    }

    void fp_Run()
    {
        std::unique_lock lock(m_Lock);
        std::vector<HANDLE> handles;
        while (!m_Stop)
        {
            for (auto& instance : m_Instances)
                fp_Service(*instance);
            for (auto it = m_Instances.begin(); it != m_Instances.end();)
            {
                if ((*it)->m_Dead)
                {
                    fp_Close(**it);
                    it = m_Instances.erase(it);
                }
                else
                    ++it;
            }
            if (m_Paused && !m_PauseApplied)
            {
                m_PauseApplied = true;
                m_Changed.notify_all();
            }
            // Fresh instances always listen, so that other clients can connect.
            std::size_t listening = 0;
            for (auto& instance : m_Instances)
                listening += instance->m_Listening || instance->m_Fresh ? 1 : 0;
            if (listening < mc_Listeners && m_Instances.size() < mc_MaxInstances)
            {
                if (auto instance = fp_CreateInstance(false))
                {
                    m_Instances.push_back(std::move(instance));
                    continue; // it listens in the next pass
                }
            }

            handles.assign(1, m_hWake);
            for (auto& instance : m_Instances)
            {
                if (instance->m_Listening || instance->m_ReadPending)
                    handles.push_back(instance->m_hReadEvent);
                if (instance->m_WritePending)
                    handles.push_back(instance->m_hWriteEvent);
            }
            lock.unlock();
            WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, INFINITE);
            lock.lock();
        }
        for (auto& instance : m_Instances)
            fp_Close(*instance);
        m_Instances.clear();
    }

    const std::uint32_t m_WriteBufferBytes;
    mutable std::mutex m_Lock;
    mutable std::condition_variable m_Changed;
    std::thread m_Thread;
    HANDLE m_hLink = nullptr;
    HANDLE m_hWake = nullptr;
    bool m_Running = false;
    bool m_Stop = false;
    bool m_Paused = false;
    bool m_PauseApplied = false;
    DWORD m_LastCreateError = 0;
    std::vector<std::unique_ptr<CPipeInstance>> m_Instances;
    std::deque<CBatch> m_Backlog;
    std::size_t m_Clients = 0;
    std::uint32_t m_ClientNumbers = 0;
    std::uint32_t m_Batches = 0;
    std::vector<CTimedRecord> m_Fed;
    std::vector<CTimedRecord> m_Written;
    std::uint64_t m_WrittenTotal = 0;
};

CFilterStandIn::CFilterStandIn(std::uint32_t writeBufferBytes)
    : m_pImpl(std::make_unique<CImpl>(writeBufferBytes))
{
}
CFilterStandIn::~CFilterStandIn() = default;

void CFilterStandIn::f_Start()
{
    m_pImpl->f_Start();
}
void CFilterStandIn::f_Stop()
{
    m_pImpl->f_Stop();
}
bool CFilterStandIn::f_IsRunning() const
{
    return m_pImpl->f_IsRunning();
}
void CFilterStandIn::f_Feed(const CDriverRecord* records, std::size_t count)
{
    m_pImpl->f_Feed(records, count);
}
std::size_t CFilterStandIn::f_GetClientCount() const
{
    return m_pImpl->f_GetClientCount();
}
bool CFilterStandIn::f_WaitClients(std::size_t count, std::uint32_t timeoutMs) const
{
    return m_pImpl->f_WaitClients(count, timeoutMs);
}
bool CFilterStandIn::f_WaitWritten(std::size_t count, std::uint32_t timeoutMs) const
{
    return m_pImpl->f_WaitWritten(count, timeoutMs);
}
bool CFilterStandIn::f_WaitQuiet(std::uint32_t quietMs, std::uint32_t maxMs) const
{
    return m_pImpl->f_WaitQuiet(quietMs, maxMs);
}
std::vector<CTimedRecord> CFilterStandIn::f_GetWritten() const
{
    return m_pImpl->f_GetWritten();
}
std::vector<CTimedRecord> CFilterStandIn::f_TakeWritten()
{
    return m_pImpl->f_TakeWritten();
}
std::vector<CTimedRecord> CFilterStandIn::f_GetFed() const
{
    return m_pImpl->f_GetFed();
}
std::vector<CTimedRecord> CFilterStandIn::f_TakeFed()
{
    return m_pImpl->f_TakeFed();
}
void CFilterStandIn::f_SetBackPressure(bool on)
{
    m_pImpl->f_SetBackPressure(on);
}

std::int64_t CFilterStandIn::fs_Now()
{
    return fg_Ticks();
}
std::int64_t CFilterStandIn::fs_TicksPerSecond()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}
} // namespace NQuillon
