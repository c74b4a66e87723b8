#pragma once
// "-ExitInstances": before an installer replaces the programs, every other process of this
// program folder (trays, session agents, background engines, their launchers), in every
// session, is asked to exit; what does not exit within a bound is ended. The processes are
// found by the folder of their program file, never by a name another user could take first.

#include "core/Str.h"

#include <cstdint>
#include <vector>

namespace NQuillon
{
struct CProcessEntry
{
    std::uint32_t m_ProcessId = 0;
    std::uint32_t m_ParentId = 0;
    // The full path of its program file; empty when it could not be read.
    NTev::CStr m_ProgramPath;
};

// The operating system's processes, as the command needs them.
class ICInstanceSystem
{
public:
    // Every process whose program path could be read.
    virtual std::vector<CProcessEntry> f_ListProcesses() = 0;
    // Asks the process to end its message loop (the clean exit of every role); false when the
    // request could not be delivered (another session, no message queue).
    virtual bool f_AskToExit(std::uint32_t processId) = 0;
    // Waits until every process has ended or the time is up; returns those still running.
    virtual std::vector<std::uint32_t> f_WaitForExit(const std::vector<std::uint32_t>& processIds,
                                                     std::uint32_t milliseconds) = 0;
    // The last resort; false when it could not be ended.
    virtual bool f_Terminate(std::uint32_t processId) = 0;

protected:
    ~ICInstanceSystem() = default;
};

// How long the processes asked have to exit, and how long the ended ones have to go.
inline constexpr std::uint32_t gc_ExitInstancesMilliseconds = 10000;
inline constexpr std::uint32_t gc_TerminatedMilliseconds = 5000;

// The processes whose program lies directly in programDirectory, except the ones in excluded
// and this process's own chain of parents (its launcher waits for it).
std::vector<std::uint32_t> gf_SelectInstances(const std::vector<CProcessEntry>& processes,
                                              const char* programDirectory, std::uint32_t selfId,
                                              const std::vector<std::uint32_t>& excluded);

// Asks the selected processes to exit, waits at most gc_ExitInstancesMilliseconds, ends the
// rest; every step is traced. gc_ExitSucceeded, or gc_ExitInstancesRemain when a process
// still runs.
int gf_RunExitInstances(ICInstanceSystem& system, const char* programDirectory, std::uint32_t selfId,
                        const std::vector<std::uint32_t>& excluded);
} // namespace NQuillon
