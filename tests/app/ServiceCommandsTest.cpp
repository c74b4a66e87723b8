#include "app/ServiceCommands.h"

#include "app/CommandLineRole.h"

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
    EXPECT_EQ(gf_RunAddService(host, false, ""), gc_ExitSucceeded);
    EXPECT_EQ(host.m_Calls, (CCalls{"check-folder", "add", gc_AskAdd, "add", gc_AskAdd, "add"}));
}

TEST(ServiceCommands, AddGivesUpOnNo)
{
    CFakeHost host;
    host.m_OperationResults = {false, false};
    host.m_Answers = {true, false};
    EXPECT_EQ(gf_RunAddService(host, true, ""), gc_ExitAddServiceFailed);
    EXPECT_EQ(host.m_Calls,
              (CCalls{"check-folder", "add-if-not-added", gc_AskAdd, "add-if-not-added", gc_AskAdd}));
}

TEST(ServiceCommands, AddThatSucceedsAsksNothing)
{
    CFakeHost host;
    EXPECT_EQ(gf_RunAddService(host, true, ""), gc_ExitSucceeded);
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
    EXPECT_EQ(gf_RunAddService(host, GetParam().m_bOnlyIfNotAdded, ""), gc_ExitProgramFolderNotProtected);
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
    EXPECT_EQ(gf_RunProtectProgramFolder(host), gc_ExitSucceeded);
    EXPECT_EQ(host.m_Calls, (CCalls{"protect-folder", "check-folder"}));
}

TEST(ServiceCommands, ProtectProgramFolderReportsARefusal)
{
    CFakeHost host;
    host.m_bProtectionSucceeds = false;
    EXPECT_EQ(gf_RunProtectProgramFolder(host), gc_ExitProgramFolderNotProtected);
    EXPECT_EQ(host.m_Calls,
              (CCalls{"protect-folder", std::string("error:") + gc_ProtectProgramFolderFailed}));
}

TEST(ServiceCommands, ProtectProgramFolderReportsRulesThatDoNotHold)
{
    CFakeHost host;
    host.m_Folder = EProgramFolder::Writable;
    host.m_bFolderProtectedBySetting = false;
    EXPECT_EQ(gf_RunProtectProgramFolder(host), gc_ExitProgramFolderNotProtected);
    EXPECT_EQ(host.m_Calls, (CCalls{"protect-folder", "check-folder",
                                    std::string("error:") + gc_ProgramFolderNotProtected}));
}

TEST(ServiceCommands, RemoveStopsThenRemovesUntilBothSucceed)
{
    CFakeHost host;
    // Stop fails (remove is not tried), then stop succeeds and remove fails, then both.
    host.m_OperationResults = {false, true, false, true, true};
    host.m_Answers = {true, true};
    EXPECT_EQ(gf_RunRemoveService(host), gc_ExitSucceeded);
    EXPECT_EQ(host.m_Calls, (CCalls{"stop", gc_AskRemove, "stop", "remove", gc_AskRemove, "stop", "remove"}));
}

TEST(ServiceCommands, RemoveGivesUpOnNo)
{
    CFakeHost host;
    host.m_OperationResults = {false};
    EXPECT_EQ(gf_RunRemoveService(host), gc_ExitRemoveServiceFailed);
    EXPECT_EQ(host.m_Calls, (CCalls{"stop", gc_AskRemove}));
}

TEST(ServiceCommands, StartAndStopReportFailures)
{
    CFakeHost host;
    host.m_OperationResults = {true, false, true, false};
    EXPECT_EQ(gf_RunStartService(host), gc_ExitSucceeded);
    EXPECT_EQ(gf_RunStartService(host), gc_ExitStartServiceFailed);
    EXPECT_EQ(gf_RunStopService(host), gc_ExitSucceeded);
    EXPECT_EQ(gf_RunStopService(host), gc_ExitStopServiceFailed);
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
    EXPECT_EQ(gf_RunUninstallDrivers(host, directory.f_GetPath().c_str()), gc_ExitRebootNeeded);
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
    EXPECT_EQ(gf_RunUninstallDrivers(host, directory.f_GetPath().c_str()), gc_ExitStopServiceFailed);
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
    EXPECT_EQ(gf_RunUninstallDrivers(host, directory.f_GetPath().c_str()), gc_ExitStopServiceFailed);
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
    EXPECT_EQ(gf_RunUninstallDrivers(host, missing.c_str()), gc_ExitStartServiceFailed);
    EXPECT_EQ(host.m_Calls, (CCalls{"stop", "sleep:1500", "start", gc_StartError}));
}

TEST(ServiceCommands, UninstallDriversWithoutAStateFolderWritesNothing)
{
    CFakeHost host;
    host.m_OperationResults = {true, false};
    EXPECT_EQ(gf_RunUninstallDrivers(host, ""), gc_ExitStartServiceFailed);
    EXPECT_EQ(host.m_Calls, (CCalls{"stop", "sleep:1500", "start", gc_StartError}));
}

TEST(ServiceCommands, UninstallDriversGivesUpWhenTheServiceDoesNotAnswer)
{
    CTempDirectory directory;
    CFakeHost host;
    EXPECT_EQ(gf_RunUninstallDrivers(host, directory.f_GetPath().c_str()), gc_ExitDriversNoAnswer);
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
    EXPECT_EQ(gf_RunUninstallDrivers(host, directory.f_GetPath().c_str()), gc_ExitDriversKept);
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

TEST(ServiceCommands, EachFailureHasItsOwnExitCode)
{
    // Every command with every operation failing and every question answered No (as -Quiet
    // answers): the code names what failed.
    struct CCase
    {
        const char* m_pCommand;
        std::function<int(ICCommandHost&)> m_Run;
        int m_ExitCode;
    };
    const CCase cases[] = {
        {"add", [](ICCommandHost& host) { return gf_RunAddService(host, false, ""); },
         gc_ExitAddServiceFailed},
        {"add if not added", [](ICCommandHost& host) { return gf_RunAddService(host, true, ""); },
         gc_ExitAddServiceFailed},
        {"remove", [](ICCommandHost& host) { return gf_RunRemoveService(host); }, gc_ExitRemoveServiceFailed},
        {"start", [](ICCommandHost& host) { return gf_RunStartService(host); }, gc_ExitStartServiceFailed},
        {"stop", [](ICCommandHost& host) { return gf_RunStopService(host); }, gc_ExitStopServiceFailed},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.m_pCommand);
        CFakeHost host;
        host.m_OperationResults = {false, false, false};
        EXPECT_EQ(c.m_Run(host), c.m_ExitCode);
    }
    const int codes[] = {gc_ExitFailed,
                         gc_ExitAlreadyRunning,
                         gc_ExitAddServiceFailed,
                         gc_ExitRemoveServiceFailed,
                         gc_ExitStartServiceFailed,
                         gc_ExitStopServiceFailed,
                         gc_ExitDriversKept,
                         gc_ExitDriversNoAnswer,
                         gc_ExitProgramFolderNotProtected,
                         gc_ExitChoiceNotSaved,
                         gc_ExitInstancesRemain,
                         gc_ExitNoCommand,
                         gc_ExitNoDesktopShell,
                         gc_ExitRebootNeeded};
    for (std::size_t i = 0; i < std::size(codes); ++i)
    {
        EXPECT_NE(codes[i], gc_ExitSucceeded);
        for (std::size_t j = i + 1; j < std::size(codes); ++j)
            EXPECT_NE(codes[i], codes[j]) << i << " " << j;
    }
}

TEST(ServiceCommands, UninstallDriversGivesTheFirstFailuresCode)
{
    // The service's answer (written when it starts), the operations' results, a reboot marker.
    struct CCase
    {
        const char* m_pName;
        const char* m_pAnswer;
        std::deque<bool> m_Operations; // stop, start, stop
        bool m_bReboot;
        int m_ExitCode;
    };
    const CCase cases[] = {
        {"done", "UninstallDriversDone", {}, false, gc_ExitSucceeded},
        {"done, reboot", "UninstallDriversDone", {}, true, gc_ExitRebootNeeded},
        {"kept, reboot", "UninstallDriversFailed", {}, true, gc_ExitDriversKept},
        {"no answer", nullptr, {}, false, gc_ExitDriversNoAnswer},
        {"first stop fails", "UninstallDriversDone", {false}, true, gc_ExitStopServiceFailed},
        {"start fails", nullptr, {true, false}, false, gc_ExitStartServiceFailed},
        {"last stop fails", "UninstallDriversDone", {true, true, false}, false, gc_ExitStopServiceFailed},
        {"kept, last stop fails", "UninstallDriversFailed", {true, true, false}, false, gc_ExitDriversKept},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.m_pName);
        CTempDirectory directory;
        CFakeHost host;
        host.m_OperationResults = c.m_Operations;
        host.m_OnOperation = [&](EServiceOperation operation)
        {
            if (operation != EServiceOperation::Start)
                return;
            if (c.m_pAnswer)
                gf_WriteFileBytes(directory.f_Path(c.m_pAnswer), "x");
            if (c.m_bReboot)
                gf_WriteFileBytes(directory.f_Path("Rebootneeded"), "x");
        };
        EXPECT_EQ(gf_RunUninstallDrivers(host, directory.f_GetPath().c_str()), c.m_ExitCode);
    }
}

TEST(ServiceCommands, DirectoriesCompareAsWindowsDoes)
{
    struct CCase
    {
        const char* m_pFirst;
        const char* m_pSecond;
        bool m_bSame;
    };
    const CCase cases[] = {
        {"C:/Program Files/Quillon", "C:\\Program Files\\Quillon", true},
        {"c:/program files/quillon", "C:/Program Files/Quillon/", true},
        {"C:/Quillon", "C:/Quillon2", false},
        {"C:/Quillon", "D:/Quillon", false},
        {"", "C:/Quillon", false},
    };
    for (const CCase& c : cases)
        EXPECT_EQ(gf_IsSameDirectory(c.m_pFirst, c.m_pSecond), c.m_bSame)
            << c.m_pFirst << " | " << c.m_pSecond;
}

TEST(ServiceCommands, AServiceThatMovesFoldersTakesItsSettingsAlong)
{
    // Which Settings.dat files exist before the add, and what the new folder holds after it.
    struct CCase
    {
        const char* m_pName;
        bool m_bServiceInstalled;
        bool m_bSameFolder;
        const char* m_pOldSettings; // null: none
        const char* m_pNewSettings;
        bool m_bAddSucceeds;
        const char* m_pExpectedNew;
    };
    const CCase cases[] = {
        {"moved: copied", true, false, "old", nullptr, true, "old"},
        {"moved, the new folder has its own: kept", true, false, "old", "new", true, "new"},
        {"moved, no old settings", true, false, nullptr, nullptr, true, nullptr},
        {"same folder", true, true, "old", nullptr, true, "old"},
        {"no service before", false, false, "old", nullptr, true, nullptr},
        {"the add failed: nothing copied", true, false, "old", nullptr, false, nullptr},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.m_pName);
        CTempDirectory oldFolder;
        CTempDirectory newFolder;
        const CTempDirectory& serviceFolder = c.m_bSameFolder ? newFolder : oldFolder;
        if (c.m_pOldSettings)
            gf_WriteFileBytes(serviceFolder.f_Path("Settings.dat"), c.m_pOldSettings);
        if (c.m_pNewSettings)
            gf_WriteFileBytes(newFolder.f_Path("Settings.dat"), c.m_pNewSettings);
        CFakeHost host;
        if (c.m_bServiceInstalled)
            host.m_ServiceCommand = "\"" + serviceFolder.f_Path("Quillon.x64.exe") + "\" -Service Quillon";
        host.m_OperationResults = {c.m_bAddSucceeds};
        const int code = gf_RunAddService(host, true, newFolder.f_GetPath().c_str());
        EXPECT_EQ(code, c.m_bAddSucceeds ? gc_ExitSucceeded : gc_ExitAddServiceFailed);
        if (c.m_pExpectedNew)
        {
            EXPECT_EQ(gf_ReadFileBytes(newFolder.f_Path("Settings.dat")), c.m_pExpectedNew);
        }
        else
        {
            EXPECT_FALSE(gf_PathExists(newFolder.f_Path("Settings.dat")));
        }
        if (c.m_pOldSettings && !c.m_bSameFolder)
        {
            EXPECT_EQ(gf_ReadFileBytes(oldFolder.f_Path("Settings.dat")), c.m_pOldSettings);
        }
    }
}

TEST(ServiceCommands, SettingsThatCannotBeCopiedAreReported)
{
    CTempDirectory oldFolder;
    CTempDirectory newFolder;
    gf_WriteFileBytes(oldFolder.f_Path("Settings.dat"), "old");
    CFakeHost host;
    host.m_ServiceCommand = "\"" + oldFolder.f_Path("Quillon.x64.exe") + "\" -Service Quillon";
    // A folder that does not exist cannot take the copy.
    const std::string missing = newFolder.f_Path("missing");
    EXPECT_EQ(gf_RunAddService(host, true, missing.c_str()), gc_ExitSucceeded);
    EXPECT_EQ(host.m_Calls,
              (CCalls{"check-folder", "add-if-not-added", std::string("warning:") + gc_SettingsNotMoved}));
}
