#include "app/win32/InstanceSystem.h"

#include "app/CommandLineRole.h"
#include "core/win32/ServiceHandle.h"

#include <tlhelp32.h>

namespace NQuillon
{
namespace
{
constexpr DWORD gc_PollMilliseconds = 50;

class CSnapshot
{
public:
    explicit CSnapshot(DWORD kinds) : m_Handle(CreateToolhelp32Snapshot(kinds, 0)) {}
    ~CSnapshot()
    {
        if (m_Handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_Handle);
    }
    CSnapshot(const CSnapshot&) = delete;
    CSnapshot& operator=(const CSnapshot&) = delete;
    HANDLE f_Get() const noexcept { return m_Handle; }
    bool f_IsValid() const noexcept { return m_Handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_Handle;
};

// The thread that was created first: the one that runs the program's message loop.
DWORD fg_FindMainThread(DWORD processId)
{
    CSnapshot snapshot(TH32CS_SNAPTHREAD);
    if (!snapshot.f_IsValid())
        return 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    DWORD mainThread = 0;
    ULONGLONG earliest = ~0ull;
    for (BOOL more = Thread32First(snapshot.f_Get(), &entry); more;
         more = Thread32Next(snapshot.f_Get(), &entry))
    {
        if (entry.th32OwnerProcessID != processId)
            continue;
        HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID);
        FILETIME created{}, exited{}, kernel{}, user{};
        ULONGLONG time = ~0ull - 1;
        if (thread)
        {
            if (GetThreadTimes(thread, &created, &exited, &kernel, &user))
                time = (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
            CloseHandle(thread);
        }
        // Equal times keep the snapshot's order, which lists a process's threads as created.
        if (time < earliest)
        {
            earliest = time;
            mainThread = entry.th32ThreadID;
        }
    }
    return mainThread;
}
} // namespace

CInstanceSystem::~CInstanceSystem()
{
    for (auto& process : m_Processes)
        CloseHandle(process.second);
}

std::vector<CProcessEntry> CInstanceSystem::f_ListProcesses()
{
    std::vector<CProcessEntry> result;
    CSnapshot snapshot(TH32CS_SNAPPROCESS);
    if (!snapshot.f_IsValid())
        return result;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot.f_Get(), &entry); more;
         more = Process32Next(snapshot.f_Get(), &entry))
    {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE | PROCESS_TERMINATE,
                                     FALSE, entry.th32ProcessID);
        if (!process)
            continue;
        char path[MAX_PATH * 2];
        DWORD length = sizeof(path);
        if (!QueryFullProcessImageNameA(process, 0, path, &length))
        {
            CloseHandle(process);
            continue;
        }
        auto& held = m_Processes[entry.th32ProcessID];
        if (held)
            CloseHandle(held);
        held = process;
        result.push_back({entry.th32ProcessID, entry.th32ParentProcessID, NTev::CStr(path, length)});
    }
    return result;
}

bool CInstanceSystem::f_AskToExit(std::uint32_t processId)
{
    const DWORD thread = fg_FindMainThread(processId);
    return thread && PostThreadMessageA(thread, WM_QUIT, 0, 0);
}

std::vector<std::uint32_t> CInstanceSystem::f_WaitForExit(const std::vector<std::uint32_t>& processIds,
                                                          std::uint32_t milliseconds)
{
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;)
    {
        std::vector<std::uint32_t> running;
        for (std::uint32_t id : processIds)
        {
            auto found = m_Processes.find(id);
            if (found != m_Processes.end() && WaitForSingleObject(found->second, 0) == WAIT_TIMEOUT)
                running.push_back(id);
        }
        if (running.empty() || GetTickCount64() >= deadline)
            return running;
        Sleep(gc_PollMilliseconds);
    }
}

bool CInstanceSystem::f_Terminate(std::uint32_t processId)
{
    auto found = m_Processes.find(processId);
    return found != m_Processes.end() && TerminateProcess(found->second, gc_ExitFailed);
}

std::uint32_t gf_QueryServiceProcessId(const char* serviceName)
{
    NTev::NSys::CServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    NTev::NSys::CServiceHandle service(
        manager ? OpenServiceA(manager.f_Get(), serviceName, SERVICE_QUERY_STATUS) : nullptr);
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!service || !QueryServiceStatusEx(service.f_Get(), SC_STATUS_PROCESS_INFO,
                                          reinterpret_cast<BYTE*>(&status), sizeof(status), &needed))
        return 0;
    return status.dwProcessId;
}
} // namespace NQuillon
