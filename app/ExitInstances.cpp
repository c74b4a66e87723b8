#include "app/ExitInstances.h"

#include "app/CommandLineRole.h"
#include "app/ServiceCommands.h"
#include "core/Format.h"

#include <algorithm>
#include <string>

namespace NQuillon
{
namespace
{
bool fg_Contains(const std::vector<std::uint32_t>& ids, std::uint32_t id)
{
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// The directory part of a program path ("\" or "/" separated); empty without one.
std::string fg_DirectoryOf(const char* path)
{
    const std::string text(path);
    const std::size_t slash = text.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : text.substr(0, slash);
}

const CProcessEntry* fg_Find(const std::vector<CProcessEntry>& processes, std::uint32_t id)
{
    for (const CProcessEntry& process : processes)
        if (process.m_ProcessId == id)
            return &process;
    return nullptr;
}
} // namespace

std::vector<std::uint32_t> gf_SelectInstances(const std::vector<CProcessEntry>& processes,
                                              const char* programDirectory, std::uint32_t selfId,
                                              const std::vector<std::uint32_t>& excluded)
{
    // The chain of parents, while they are programs of this folder: a parent id of a process
    // that ended may already name an unrelated one.
    std::vector<std::uint32_t> skipped(excluded);
    skipped.push_back(selfId);
    for (const CProcessEntry* process = fg_Find(processes, selfId); process;)
    {
        const CProcessEntry* parent = fg_Find(processes, process->m_ParentId);
        if (!parent || fg_Contains(skipped, parent->m_ProcessId) ||
            !gf_IsSameDirectory(fg_DirectoryOf(parent->m_ProgramPath.f_GetStr()).c_str(), programDirectory))
            break;
        skipped.push_back(parent->m_ProcessId);
        process = parent;
    }
    std::vector<std::uint32_t> selected;
    for (const CProcessEntry& process : processes)
    {
        if (process.m_ProgramPath.f_IsEmpty() || fg_Contains(skipped, process.m_ProcessId))
            continue;
        if (gf_IsSameDirectory(fg_DirectoryOf(process.m_ProgramPath.f_GetStr()).c_str(), programDirectory))
            selected.push_back(process.m_ProcessId);
    }
    return selected;
}

int gf_RunExitInstances(ICInstanceSystem& system, const char* programDirectory, std::uint32_t selfId,
                        const std::vector<std::uint32_t>& excluded)
{
    const std::vector<std::uint32_t> selected =
        gf_SelectInstances(system.f_ListProcesses(), programDirectory, selfId, excluded);
    for (std::uint32_t id : selected)
    {
        const bool asked = system.f_AskToExit(id);
        NTev::gf_DebugOutput("ExitInstances: process {} {}\n", id,
                             asked ? "asked to exit" : "cannot be asked");
    }
    if (selected.empty())
        return gc_ExitSucceeded;
    std::vector<std::uint32_t> running = system.f_WaitForExit(selected, gc_ExitInstancesMilliseconds);
    if (running.empty())
        return gc_ExitSucceeded;
    for (std::uint32_t id : running)
    {
        const bool ended = system.f_Terminate(id);
        NTev::gf_DebugOutput("ExitInstances: process {} did not exit in time; {}\n", id,
                             ended ? "ended" : "it cannot be ended");
    }
    running = system.f_WaitForExit(running, gc_TerminatedMilliseconds);
    for (std::uint32_t id : running)
        NTev::gf_DebugOutput("ExitInstances: process {} still runs\n", id);
    return running.empty() ? gc_ExitSucceeded : gc_ExitInstancesRemain;
}
} // namespace NQuillon
