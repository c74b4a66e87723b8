#include "app/ServiceCommands.h"

#include "tests/core/FileTestSupport.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

using namespace NQuillon;
using NQuillonTest::CTempDirectory;
using NQuillonTest::gf_PathExists;
using NQuillonTest::gf_ReadFileBytes;
using NQuillonTest::gf_WriteFileBytes;

namespace
{
const char* fg_OperationName(EServiceOperation operation)
{
    switch (operation)
    {
        case EServiceOperation::Start:
            return "start";
        case EServiceOperation::Stop:
            return "stop";
        case EServiceOperation::Add:
            return "add";
        case EServiceOperation::Remove:
            return "remove";
        case EServiceOperation::AddIfNotAdded:
            return "add-if-not-added";
    }
    return "?";
}

// Records every call in order; answers operations and questions from scripts (missing
// answers: operations succeed, questions are answered No).
class CFakeHost : public ICCommandHost
{
public:
    bool f_ServiceOperation(EServiceOperation operation) override
    {
        m_Calls.push_back(fg_OperationName(operation));
        if (m_OnOperation)
            m_OnOperation(operation);
        return fp_Next(m_OperationResults, true);
    }
    bool f_AskRetry(const char* text) override
    {
        m_Calls.push_back(std::string("ask:") + text);
        return fp_Next(m_Answers, false);
    }
    void f_ShowError(const char* text) override { m_Calls.push_back(std::string("error:") + text); }
    void f_ShowWarning(const char* text) override { m_Calls.push_back(std::string("warning:") + text); }
    void f_Sleep(std::uint32_t milliseconds) override
    {
        m_Calls.push_back("sleep:" + std::to_string(milliseconds));
        if (m_OnSleep)
            m_OnSleep();
    }

    NTev::CStr f_GetServiceCommand() override { return NTev::CStr(m_ServiceCommand.c_str()); }
    EProgramFolder f_CheckProgramFolder() override
    {
        m_Calls.push_back("check-folder");
        return m_bFolderProtectedBySetting && m_bProtectionSet ? EProgramFolder::Protected : m_Folder;
    }
    bool f_ProtectProgramFolder() override
    {
        m_Calls.push_back("protect-folder");
        m_bProtectionSet = m_bProtectionSucceeds;
        return m_bProtectionSucceeds;
    }

    std::vector<std::string> m_Calls;
    // Empty: no service installed, or it cannot be read.
    std::string m_ServiceCommand;
    std::deque<bool> m_OperationResults;
    std::deque<bool> m_Answers;
    std::function<void(EServiceOperation)> m_OnOperation;
    std::function<void()> m_OnSleep;
    EProgramFolder m_Folder = EProgramFolder::Protected;
    bool m_bProtectionSucceeds = true;
    // Whether the rules the protection sets are read back as protected.
    bool m_bFolderProtectedBySetting = true;
    bool m_bProtectionSet = false;

private:
    static bool fp_Next(std::deque<bool>& script, bool otherwise)
    {
        if (script.empty())
            return otherwise;
        bool value = script.front();
        script.pop_front();
        return value;
    }
};

using CCalls = std::vector<std::string>;
const std::string gc_AskAdd = std::string("ask:") + gc_AddServiceFailed;
const std::string gc_AskRemove = std::string("ask:") + gc_RemoveServiceFailed;
const std::string gc_StartError = std::string("error:") + gc_StartServiceFailed;
const std::string gc_StopError = std::string("error:") + gc_StopServiceFailed;
const std::string gc_RebootWarning = std::string("warning:") + gc_RebootToFinishUninstall;
} // namespace

TEST(ServiceCommands, MessagesAreTheProgramsOwn)
{
    EXPECT_STREQ(gc_AddServiceFailed,
                 "Failed to add service. Make sure that the service is not running and that "
                 "no service manager is open.\nWould you like to try again?");
    EXPECT_STREQ(gc_RemoveServiceFailed,
                 "Failed to delete service. Make sure that the service is not running and "
                 "that no service manager is open.\nWould you like to try again?");
}

TEST(ServiceCommands, AddRetriesWhileTheUserSaysYes)
{
    CFakeHost host;
    host.m_OperationResults = {false, false, true};
    host.m_Answers = {true, true};
    EXPECT_TRUE(gf_RunAddService(host, false));
    EXPECT_EQ(host.m_Calls, (CCalls{"check-folder", "add", gc_AskAdd, "add", gc_AskAdd, "add"}));
}

TEST(ServiceCommands, AddGivesUpOnNo)
{
    CFakeHost host;
    host.m_OperationResults = {false, false};
    host.m_Answers = {true, false};
    EXPECT_FALSE(gf_RunAddService(host, true));
    EXPECT_EQ(host.m_Calls,
              (CCalls{"check-folder", "add-if-not-added", gc_AskAdd, "add-if-not-added", gc_AskAdd}));
}

TEST(ServiceCommands, AddThatSucceedsAsksNothing)
{
    CFakeHost host;
    EXPECT_TRUE(gf_RunAddService(host, true));
    EXPECT_EQ(host.m_Calls, (CCalls{"check-folder", "add-if-not-added"}));
}

struct CFolderRefusal
{
    const char* m_pName;
    EProgramFolder m_Folder;
    bool m_bOnlyIfNotAdded;
    const char* m_pMessage;
};

const CFolderRefusal gc_FolderRefusals[] = {
    {"WritableAdd", EProgramFolder::Writable, false, gc_ProgramFolderWritable},
    {"WritableAddIfNotAdded", EProgramFolder::Writable, true, gc_ProgramFolderWritable},
    {"UnreadableAdd", EProgramFolder::Unreadable, false, gc_ProgramFolderUnreadable},
    {"UnreadableAddIfNotAdded", EProgramFolder::Unreadable, true, gc_ProgramFolderUnreadable},
};

class ServiceCommandsFolder : public testing::TestWithParam<CFolderRefusal>
{
};

TEST_P(ServiceCommandsFolder, AddRefusesAnUnprotectedProgramFolderWithoutTouchingTheService)
{
    CFakeHost host;
    host.m_Folder = GetParam().m_Folder;
    EXPECT_FALSE(gf_RunAddService(host, GetParam().m_bOnlyIfNotAdded));
    EXPECT_EQ(host.m_Calls, (CCalls{"check-folder", std::string("error:") + GetParam().m_pMessage}));
}

INSTANTIATE_TEST_SUITE_P(ServiceCommands, ServiceCommandsFolder, testing::ValuesIn(gc_FolderRefusals),
                         [](const testing::TestParamInfo<CFolderRefusal>& info)
                         { return info.param.m_pName; });

TEST(ServiceCommands, FolderMessagesSayWhatHappenedAndWhatToDo)
{
    for (const char* text : {gc_ProgramFolderWritable, gc_ProgramFolderUnreadable,
                             gc_ProtectProgramFolderFailed, gc_ProgramFolderNotProtected})
    {
        const std::string message(text);
        const std::size_t advice = message.find('\n');
        ASSERT_NE(advice, std::string::npos) << message;
        EXPECT_GT(message.size(), advice + 20) << message;
    }
    EXPECT_NE(std::string(gc_ProgramFolderWritable).find("-ProtectProgramFolder"), std::string::npos);
}

TEST(ServiceCommands, ProtectProgramFolderSetsThenChecks)
{
    CFakeHost host;
    host.m_Folder = EProgramFolder::Writable;
    EXPECT_TRUE(gf_RunProtectProgramFolder(host));
    EXPECT_EQ(host.m_Calls, (CCalls{"protect-folder", "check-folder"}));
}

TEST(ServiceCommands, ProtectProgramFolderReportsARefusal)
{
    CFakeHost host;
    host.m_bProtectionSucceeds = false;
    EXPECT_FALSE(gf_RunProtectProgramFolder(host));
    EXPECT_EQ(host.m_Calls,
              (CCalls{"protect-folder", std::string("error:") + gc_ProtectProgramFolderFailed}));
}

TEST(ServiceCommands, ProtectProgramFolderReportsRulesThatDoNotHold)
{
    CFakeHost host;
    host.m_Folder = EProgramFolder::Writable;
    host.m_bFolderProtectedBySetting = false;
    EXPECT_FALSE(gf_RunProtectProgramFolder(host));
    EXPECT_EQ(host.m_Calls, (CCalls{"protect-folder", "check-folder",
                                    std::string("error:") + gc_ProgramFolderNotProtected}));
}

TEST(ServiceCommands, RemoveStopsThenRemovesUntilBothSucceed)
{
    CFakeHost host;
    // Stop fails (remove is not tried), then stop succeeds and remove fails, then both.
    host.m_OperationResults = {false, true, false, true, true};
    host.m_Answers = {true, true};
    EXPECT_TRUE(gf_RunRemoveService(host));
    EXPECT_EQ(host.m_Calls, (CCalls{"stop", gc_AskRemove, "stop", "remove", gc_AskRemove, "stop", "remove"}));
}

TEST(ServiceCommands, RemoveGivesUpOnNo)
{
    CFakeHost host;
    host.m_OperationResults = {false};
    EXPECT_FALSE(gf_RunRemoveService(host));
    EXPECT_EQ(host.m_Calls, (CCalls{"stop", gc_AskRemove}));
}

TEST(ServiceCommands, StartAndStopReportFailures)
{
    CFakeHost host;
    host.m_OperationResults = {true, false, true, false};
    EXPECT_TRUE(gf_RunStartService(host));
    EXPECT_FALSE(gf_RunStartService(host));
    EXPECT_TRUE(gf_RunStopService(host));
    EXPECT_FALSE(gf_RunStopService(host));
    EXPECT_EQ(host.m_Calls, (CCalls{"start", "start", gc_StartError, "stop", "stop", gc_StopError}));
}

TEST(ServiceCommands, UninstallDriversThroughTheService)
{
    CTempDirectory directory;
    CFakeHost host;
    std::string requestAtStart;
    int polls = 0;
    host.m_OnOperation = [&](EServiceOperation operation)
    {
        if (operation == EServiceOperation::Start && gf_PathExists(directory.f_Path("UninstallDrivers")))
            requestAtStart = gf_ReadFileBytes(directory.f_Path("UninstallDrivers"));
    };
    // The service answers after the third poll, and asks for a reboot.
    host.m_OnSleep = [&]
    {
        if (!requestAtStart.empty() && ++polls == 3)
        {
            gf_WriteFileBytes(directory.f_Path("UninstallDriversDone"), "x");
            gf_WriteFileBytes(directory.f_Path("Rebootneeded"), "x");
        }
    };
    EXPECT_TRUE(gf_RunUninstallDrivers(host, directory.f_GetPath().c_str()));
    EXPECT_EQ(requestAtStart, std::string(1, '\x01'));
    EXPECT_EQ(host.m_Calls, (CCalls{"stop", "sleep:1500", "start", "sleep:250", "sleep:250", "sleep:250",
                                    "stop", gc_RebootWarning}));
    EXPECT_FALSE(gf_PathExists(directory.f_Path("UninstallDriversDone")));
    // Only the service deletes the reboot marker, after the restart.
    EXPECT_TRUE(gf_PathExists(directory.f_Path("Rebootneeded")));
}

TEST(ServiceCommands, UninstallDriversWithoutAnInstalledService)
{
    CTempDirectory directory;
    gf_WriteFileBytes(directory.f_Path("Rebootneeded"), "");
    CFakeHost host;
    host.m_OperationResults = {false, false};
    EXPECT_FALSE(gf_RunUninstallDrivers(host, directory.f_GetPath().c_str()));
    // No wait for an answer that cannot come; the reboot marker is still looked at.
    EXPECT_EQ(host.m_Calls,
              (CCalls{"stop", gc_StopError, "sleep:1500", "start", gc_StartError, gc_RebootWarning}));
    EXPECT_TRUE(gf_PathExists(directory.f_Path("Rebootneeded")));
    EXPECT_TRUE(gf_PathExists(directory.f_Path("UninstallDrivers")));
}

TEST(ServiceCommands, UninstallDriversGoesOnWhenTheFirstStopFails)
{
    CTempDirectory directory;
    CFakeHost host;
    host.m_OperationResults = {false, true, false};
    host.m_OnOperation = [&](EServiceOperation operation)
    {
        if (operation == EServiceOperation::Start)
            gf_WriteFileBytes(directory.f_Path("UninstallDriversDone"), "");
    };
    EXPECT_FALSE(gf_RunUninstallDrivers(host, directory.f_GetPath().c_str()));
    // The answer was there at once: no poll; no reboot marker, no warning.
    EXPECT_EQ(host.m_Calls, (CCalls{"stop", gc_StopError, "sleep:1500", "start", "stop", gc_StopError}));
    EXPECT_FALSE(gf_PathExists(directory.f_Path("UninstallDriversDone")));
}

TEST(ServiceCommands, UninstallDriversIgnoresAMarkerThatCannotBeWritten)
{
    CTempDirectory directory;
    CFakeHost host;
    host.m_OperationResults = {true, false};
    // A directory that does not exist: the request cannot be written.
    const std::string missing = directory.f_Path("missing");
    EXPECT_FALSE(gf_RunUninstallDrivers(host, missing.c_str()));
    EXPECT_EQ(host.m_Calls, (CCalls{"stop", "sleep:1500", "start", gc_StartError}));
}

TEST(ServiceCommands, UninstallDriversWithoutAStateFolderWritesNothing)
{
    CFakeHost host;
    host.m_OperationResults = {true, false};
    EXPECT_FALSE(gf_RunUninstallDrivers(host, ""));
    EXPECT_EQ(host.m_Calls, (CCalls{"stop", "sleep:1500", "start", gc_StartError}));
}

TEST(ServiceCommands, UninstallDriversGivesUpWhenTheServiceDoesNotAnswer)
{
    CTempDirectory directory;
    CFakeHost host;
    EXPECT_FALSE(gf_RunUninstallDrivers(host, directory.f_GetPath().c_str()));
    CCalls expected{"stop", "sleep:1500", "start"};
    for (std::uint32_t waited = 0; waited < gc_UninstallAnswerMilliseconds; waited += 250)
        expected.push_back("sleep:250");
    expected.push_back(std::string("error:") + gc_UninstallDriversNoAnswer);
    expected.push_back("stop");
    EXPECT_EQ(host.m_Calls, expected);
    // A later start of the service does not act on the request given up.
    EXPECT_FALSE(gf_PathExists(directory.f_Path("UninstallDrivers")));
}

TEST(ServiceCommands, UninstallDriversReportsDriversTheServiceKept)
{
    CTempDirectory directory;
    CFakeHost host;
    host.m_OnOperation = [&](EServiceOperation operation)
    {
        if (operation == EServiceOperation::Start)
            gf_WriteFileBytes(directory.f_Path("UninstallDriversFailed"), "x");
    };
    EXPECT_FALSE(gf_RunUninstallDrivers(host, directory.f_GetPath().c_str()));
    EXPECT_EQ(host.m_Calls, (CCalls{"stop", "sleep:1500", "start",
                                    std::string("error:") + gc_UninstallDriversFailed, "stop"}));
    EXPECT_FALSE(gf_PathExists(directory.f_Path("UninstallDriversFailed")));
}

TEST(ServiceCommands, TheServiceProgramDirectoryComesFromItsCommand)
{
    struct CCase
    {
        const char* m_Command;
        const char* m_Directory;
    };
    const CCase cases[] = {
        {"\"C:\\Program Files\\Quillon\\Quillon.x64.exe\" -Service Quillon", "C:/Program Files/Quillon"},
        {"C:\\Quillon\\Quillon.x64.exe -Service Quillon", "C:/Quillon"},
        {"\"C:\\Program Files\\Quillon\\Quillon.x64.exe\"", "C:/Program Files/Quillon"},
        {"\"/opt/q/Quillon.x64.exe\" -Service A B", "/opt/q"},
        {"", ""},
        {"Quillon.x64.exe -Service Quillon", ""},
        {"\"C:\\Quillon\\Quillon.x64.exe -Service Quillon", ""},
    };
    for (const CCase& c : cases)
        EXPECT_STREQ(gf_GetServiceProgramDirectory(c.m_Command).f_GetStr(), c.m_Directory) << c.m_Command;
}
