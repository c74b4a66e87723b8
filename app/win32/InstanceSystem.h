#pragma once
// The processes of the system for "-ExitInstances": found through a snapshot, asked to exit
// through their main thread's message queue, ended with TerminateProcess.

#include "app/ExitInstances.h"

#include <windows.h>

#include <map>

namespace NQuillon
{
class CInstanceSystem final : public ICInstanceSystem
{
public:
    CInstanceSystem() = default;
    ~CInstanceSystem();
    CInstanceSystem(const CInstanceSystem&) = delete;
    CInstanceSystem& operator=(const CInstanceSystem&) = delete;

    std::vector<CProcessEntry> f_ListProcesses() override;
    bool f_AskToExit(std::uint32_t processId) override;
    std::vector<std::uint32_t> f_WaitForExit(const std::vector<std::uint32_t>& processIds,
                                             std::uint32_t milliseconds) override;
    bool f_Terminate(std::uint32_t processId) override;

private:
    // Held from the listing on, so that an id that ends and comes back names no other process.
    std::map<std::uint32_t, HANDLE> m_Processes;
};

// The process of the named service while it runs; 0 when there is none or it cannot be read.
std::uint32_t gf_QueryServiceProcessId(const char* serviceName);
} // namespace NQuillon
