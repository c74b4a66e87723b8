#include "app/ExitInstances.h"

#include "app/CommandLineRole.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

using namespace NQuillon;

namespace
{
using CIds = std::vector<std::uint32_t>;

// Processes that end when asked (or not), and a log of what was done to them.
class CFakeSystem : public ICInstanceSystem
{
public:
    std::vector<CProcessEntry> f_ListProcesses() override { return m_Processes; }
    bool f_AskToExit(std::uint32_t processId) override
    {
        m_Log.push_back("ask " + std::to_string(processId));
        if (m_Unreachable.count(processId))
            return false;
        if (!m_Stubborn.count(processId))
            m_Running.erase(processId);
        return true;
    }
    CIds f_WaitForExit(const CIds& processIds, std::uint32_t milliseconds) override
    {
        m_Log.push_back("wait " + std::to_string(milliseconds));
        CIds running;
        for (std::uint32_t id : processIds)
            if (m_Running.count(id))
                running.push_back(id);
        return running;
    }
    bool f_Terminate(std::uint32_t processId) override
    {
        m_Log.push_back("terminate " + std::to_string(processId));
        if (m_Unkillable.count(processId))
            return false;
        m_Running.erase(processId);
        return true;
    }

    std::vector<CProcessEntry> m_Processes;
    std::set<std::uint32_t> m_Running;
    std::set<std::uint32_t> m_Stubborn;
    std::set<std::uint32_t> m_Unreachable;
    std::set<std::uint32_t> m_Unkillable;
    std::vector<std::string> m_Log;
};

constexpr const char* gc_Folder = "C:\\Program Files\\Quillon";

// 10 this process (launched by 9), 11 and 12 a tray and its launcher, 13 an agent, 20 the
// service, 30 a program of another folder, 31 a program in a subfolder, 32 a name that only
// begins like the folder.
std::vector<CProcessEntry> fg_Processes()
{
    return {
        {1, 0, "C:\\Windows\\explorer.exe"},
        {9, 1, "C:\\Program Files\\Quillon\\Quillon.exe"},
        {10, 9, "C:\\Program Files\\Quillon\\Quillon.x64.exe"},
        {11, 1, "c:\\program files\\quillon\\Quillon.exe"},
        {12, 11, "C:\\Program Files\\Quillon\\Quillon.x64.exe"},
        {13, 20, "C:/Program Files/Quillon/Quillon.x64.exe"},
        {20, 2, "C:\\Program Files\\Quillon\\Quillon.x64.exe"},
        {30, 1, "C:\\Other\\Quillon.x64.exe"},
        {31, 1, "C:\\Program Files\\Quillon\\old\\Quillon.x64.exe"},
        {32, 1, "C:\\Program Files\\Quillon2\\Quillon.x64.exe"},
        {33, 1, ""},
    };
}
} // namespace

TEST(ExitInstances, SelectsTheFoldersProgramsButItselfItsLauncherAndTheExcluded)
{
    EXPECT_EQ(gf_SelectInstances(fg_Processes(), gc_Folder, 10, {20}), (CIds{11, 12, 13}));
    // Without exclusions the service's process is one of them.
    EXPECT_EQ(gf_SelectInstances(fg_Processes(), gc_Folder, 10, {}), (CIds{11, 12, 13, 20}));
    // A parent of another folder ends the chain: the explorer is no instance anyway, and the
    // launcher's own parent is not looked at.
    EXPECT_EQ(gf_SelectInstances(fg_Processes(), "C:\\Windows", 10, {}), CIds{1});
}

TEST(ExitInstances, AParentIdThatNamesAnotherProgramEndsTheChain)
{
    // 10's parent ended and its id now names a tray of the folder whose own parent is 10.
    const std::vector<CProcessEntry> processes = {
        {10, 5, "C:\\Program Files\\Quillon\\Quillon.x64.exe"},
        {5, 10, "C:\\Program Files\\Quillon\\Quillon.x64.exe"},
    };
    EXPECT_EQ(gf_SelectInstances(processes, gc_Folder, 10, {}), CIds{});
}

TEST(ExitInstances, AsksWaitsAndEndsOnlyWhatStaysAsTheLastResort)
{
    struct CCase
    {
        const char* m_pName;
        std::set<std::uint32_t> m_Stubborn;
        std::set<std::uint32_t> m_Unreachable;
        std::set<std::uint32_t> m_Unkillable;
        int m_ExitCode;
        std::vector<std::string> m_Log;
    };
    const std::string wait = "wait " + std::to_string(gc_ExitInstancesMilliseconds);
    const std::string waitEnded = "wait " + std::to_string(gc_TerminatedMilliseconds);
    const CCase cases[] = {
        {"all exit", {}, {}, {}, gc_ExitSucceeded, {"ask 11", "ask 12", "ask 13", wait}},
        {"one ignores the request",
         {12},
         {},
         {},
         gc_ExitSucceeded,
         {"ask 11", "ask 12", "ask 13", wait, "terminate 12", waitEnded}},
        {"one in another session",
         {},
         {13},
         {},
         gc_ExitSucceeded,
         {"ask 11", "ask 12", "ask 13", wait, "terminate 13", waitEnded}},
        {"one cannot be ended",
         {12},
         {},
         {12},
         gc_ExitInstancesRemain,
         {"ask 11", "ask 12", "ask 13", wait, "terminate 12", waitEnded}},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.m_pName);
        CFakeSystem system;
        system.m_Processes = fg_Processes();
        for (const CProcessEntry& process : system.m_Processes)
            system.m_Running.insert(process.m_ProcessId);
        system.m_Stubborn = c.m_Stubborn;
        system.m_Unreachable = c.m_Unreachable;
        system.m_Unkillable = c.m_Unkillable;
        EXPECT_EQ(gf_RunExitInstances(system, gc_Folder, 10, {20}), c.m_ExitCode);
        EXPECT_EQ(system.m_Log, c.m_Log);
        // This process, its launcher, the service and other folders' programs are left alone.
        for (std::uint32_t id : {9u, 10u, 20u, 30u, 31u, 32u})
            EXPECT_TRUE(system.m_Running.count(id)) << id;
    }
}

TEST(ExitInstances, NothingToDoWithoutOtherInstances)
{
    CFakeSystem system;
    system.m_Processes = {{10, 1, "C:\\Program Files\\Quillon\\Quillon.x64.exe"}};
    EXPECT_EQ(gf_RunExitInstances(system, gc_Folder, 10, {}), gc_ExitSucceeded);
    EXPECT_TRUE(system.m_Log.empty());
}
