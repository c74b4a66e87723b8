// The service framework inside the test process: one object per process, names, and the
// registration it makes (the command names this test program, which is never started).

#include "app/win32/VoService.h"

#include "tests/app/win32/AppTestSupport.h"
#include "tests/support/ExceptionMatch.h"

#include <gtest/gtest.h>

using namespace NQuillon;
using namespace NQuillonTest;

namespace
{
class CTestService : public CVoService
{
public:
    CTestService() : CVoService("Quillon", "Quillon", "Remaps keyboard and mouse input") {}

protected:
    BOOL OnStart() override { return TRUE; }
    BOOL OnStop() override { return TRUE; }
    BOOL OnPause() override { return TRUE; }
    BOOL OnContinue() override { return TRUE; }
};

std::string fg_Text(const NTev::CStr& text)
{
    return text.f_GetStr();
}

std::string fg_ModuleCommand(const std::string& name)
{
    char path[MAX_PATH * 2];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    return "\"" + std::string(path, length) + "\" -Service " + name;
}
} // namespace

TEST(VoService, OnlyOneServiceObjectPerProcess)
{
    {
        CTestService first;
        EXPECT_EQ(CVoService::fs_GetCurrent(), &first);
        EXPECT_TEV_THROW(CTestService second, "CException",
                         "You cannot have two services running in the same process at once");
        // The failed second one did not take the place of the first.
        EXPECT_EQ(CVoService::fs_GetCurrent(), &first);
    }
    EXPECT_EQ(CVoService::fs_GetCurrent(), nullptr);
    CTestService again;
    EXPECT_EQ(CVoService::fs_GetCurrent(), &again);
}

TEST(VoService, NamesFromTheCommandLine)
{
    CTestService service;
    EXPECT_EQ(fg_Text(service.f_GetServiceName()), "Quillon");
    EXPECT_EQ(fg_Text(service.f_GetDisplayName()), "Quillon");
    EXPECT_EQ(fg_Text(service.f_GetDescription()), "Remaps keyboard and mouse input");
    service.f_SetServiceName("   ");
    EXPECT_EQ(fg_Text(service.f_GetServiceName()), "Quillon");
    EXPECT_EQ(fg_Text(service.f_GetDisplayName()), "Quillon");
    service.f_SetServiceName("  My Svc");
    EXPECT_EQ(fg_Text(service.f_GetServiceName()), "My Svc");
    EXPECT_EQ(fg_Text(service.f_GetDisplayName()), "Quillon [My Svc]");
    // A second name replaces the first; the display name is built from the product again.
    service.f_SetServiceName("Other");
    EXPECT_EQ(fg_Text(service.f_GetDisplayName()), "Quillon [Other]");
    EXPECT_EQ(fg_Text(service.f_GetServiceCommand()), fg_ModuleCommand("Other"));
}

TEST(VoService, AddRegistersTheServiceAndRemoveDeletesIt)
{
    const std::string name = gf_UniqueServiceName("Vo");
    CServiceCleanup cleanup(name);
    CTestService service;
    service.f_SetServiceName(name.c_str());
    service.f_SetLoadOrderGroup("Event Log");
    ASSERT_TRUE(service.f_ServiceOperation(EServiceOperation::Add));
    CServiceConfig config = gf_QueryServiceConfig(name);
    ASSERT_TRUE(config.m_bExists);
    EXPECT_EQ(config.m_Type, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
    EXPECT_EQ(config.m_StartType, static_cast<DWORD>(SERVICE_AUTO_START));
    EXPECT_EQ(config.m_ErrorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
    EXPECT_EQ(config.m_Command, fg_ModuleCommand(name));
    EXPECT_EQ(config.m_LoadOrderGroup, "Event Log");
    EXPECT_EQ(config.m_StartName, "LocalSystem");
    EXPECT_EQ(config.m_DisplayName, "Quillon [" + name + "]");
    EXPECT_EQ(config.m_Description, "Remaps keyboard and mouse input");

    // Add again replaces: a changed display name is back to the program's.
    ASSERT_TRUE(gf_SetServiceDisplayName(name, "Changed"));
    ASSERT_TRUE(service.f_ServiceOperation(EServiceOperation::Add));
    EXPECT_EQ(gf_QueryServiceConfig(name).m_DisplayName, "Quillon [" + name + "]");

    // Installed but not running: stopping succeeds.
    EXPECT_TRUE(service.f_ServiceOperation(EServiceOperation::Stop));
    EXPECT_TRUE(service.f_ServiceOperation(EServiceOperation::Remove));
    EXPECT_FALSE(gf_QueryServiceConfig(name).m_bExists);
    // Removing what is not there succeeds; stopping and starting it fail.
    EXPECT_TRUE(service.f_ServiceOperation(EServiceOperation::Remove));
    EXPECT_FALSE(service.f_ServiceOperation(EServiceOperation::Stop));
    EXPECT_FALSE(service.f_ServiceOperation(EServiceOperation::Start));
}

TEST(VoService, AddIfNotAddedKeepsTheServiceAndMendsItsCommand)
{
    const std::string name = gf_UniqueServiceName("VoKeep");
    CServiceCleanup cleanup(name);
    CTestService service;
    service.f_SetServiceName(name.c_str());
    // Not there: added.
    ASSERT_TRUE(service.f_ServiceOperation(EServiceOperation::AddIfNotAdded));
    ASSERT_EQ(gf_QueryServiceConfig(name).m_Command, fg_ModuleCommand(name));
    // There with the same command: nothing changes.
    ASSERT_TRUE(gf_SetServiceDisplayName(name, "Kept"));
    EXPECT_TRUE(service.f_ServiceOperation(EServiceOperation::AddIfNotAdded));
    EXPECT_EQ(gf_QueryServiceConfig(name).m_DisplayName, "Kept");
    // There with another program: only the command changes.
    ASSERT_TRUE(gf_SetServiceCommand(name, "\"C:\\Elsewhere\\Quillon.x64.exe\" -Service " + name));
    EXPECT_TRUE(service.f_ServiceOperation(EServiceOperation::AddIfNotAdded));
    const CServiceConfig config = gf_QueryServiceConfig(name);
    EXPECT_EQ(config.m_Command, fg_ModuleCommand(name));
    EXPECT_EQ(config.m_DisplayName, "Kept");
    // The comparison is exact: another case is another command.
    std::string otherCase = fg_ModuleCommand(name);
    otherCase.replace(otherCase.find(" -Service "), 10, " -service ");
    ASSERT_TRUE(gf_SetServiceCommand(name, otherCase));
    EXPECT_TRUE(service.f_ServiceOperation(EServiceOperation::AddIfNotAdded));
    EXPECT_EQ(gf_QueryServiceConfig(name).m_Command, fg_ModuleCommand(name));
}

TEST(VoService, AddFailsWhileTheOldServiceIsStillOpen)
{
    const std::string name = gf_UniqueServiceName("VoOpen");
    CServiceCleanup cleanup(name);
    CTestService service;
    service.f_SetServiceName(name.c_str());
    ASSERT_TRUE(service.f_ServiceOperation(EServiceOperation::Add));
    SC_HANDLE held = gf_OpenService(name, SERVICE_QUERY_STATUS);
    ASSERT_NE(held, nullptr);
    // The old service is only marked for deletion while a handle is open: no new one yet.
    EXPECT_FALSE(service.f_ServiceOperation(EServiceOperation::Add));
    EXPECT_FALSE(service.f_ServiceOperation(EServiceOperation::Add));
    CloseServiceHandle(held);
    EXPECT_TRUE(service.f_ServiceOperation(EServiceOperation::Add));
    EXPECT_TRUE(gf_QueryServiceConfig(name).m_bExists);
}

TEST(VoService, AStopWhoseAnswerIsLostStillSucceeds)
{
    // The service reports that it stopped, and its process ends before the answer to the
    // control is written: the control fails (Wine gives the broken pipe), yet the service
    // did stop, and so the stop succeeded.
    const std::string name = gf_UniqueServiceName("VoLost");
    CServiceCleanup cleanup(name);
    char program[MAX_PATH * 2];
    const DWORD length = GetFullPathNameA(QUILLON_LOST_ANSWER_SERVICE, sizeof(program), program, nullptr);
    const std::string command = "\"" + std::string(program, length) + "\" " + name;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
    ASSERT_NE(manager, nullptr);
    SC_HANDLE created = CreateServiceA(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       command.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    CloseServiceHandle(manager);
    ASSERT_NE(created, nullptr);
    CloseServiceHandle(created);

    CTestService service;
    service.f_SetServiceName(name.c_str());
    ASSERT_TRUE(service.f_ServiceOperation(EServiceOperation::Start)) << gf_DescribeService(name);
    EXPECT_TRUE(service.f_ServiceOperation(EServiceOperation::Stop)) << gf_DescribeService(name) << "\n"
                                                                     << gf_LastTraceLines();
    EXPECT_EQ(gf_QueryServiceState(name), static_cast<DWORD>(SERVICE_STOPPED)) << gf_DescribeService(name);
}
