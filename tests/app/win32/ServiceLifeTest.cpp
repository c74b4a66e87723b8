// The service's whole life through the service control manager, with the real program in
// every role: added, started (its engine running in the service process), interrogated,
// stopped (the engine thread ended, so the process ends), removed.

#include "app/CommandLineRole.h"

#include "tests/app/win32/AppTestSupport.h"
#include "tests/support/win32/DebugMonitor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

using namespace NQuillon;
using namespace NQuillonTest;

namespace
{
// Rounds of the stop test: QUILLON_STOP_CYCLES, else 12 (a longer hunt for a rare failure).
int fg_StopCycles()
{
    char text[16] = {};
    const DWORD length = GetEnvironmentVariableA("QUILLON_STOP_CYCLES", text, sizeof(text));
    const int cycles = length && length < sizeof(text) ? std::atoi(text) : 0;
    return cycles > 0 ? cycles : 12;
}

void fg_RunLife(const std::string& name)
{
    ASSERT_FALSE(gf_EngineIsRunning()) << "another engine runs in this Wine session";
    CServiceCleanup cleanup(name);
    ASSERT_TRUE(gf_RunSucceeds("-AddService " + name, name));
    ASSERT_EQ(gf_QueryServiceState(name), static_cast<DWORD>(SERVICE_STOPPED)) << gf_DescribeService(name);

    ASSERT_TRUE(gf_RunSucceeds("-StartService " + name, name));
    DWORD processId = 0;
    ASSERT_EQ(gf_QueryServiceState(name, &processId), static_cast<DWORD>(SERVICE_RUNNING))
        << gf_DescribeService(name);
    ASSERT_NE(processId, 0u);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(WaitForSingleObject(process, 0), static_cast<DWORD>(WAIT_TIMEOUT));

    // The service answers an interrogation with its state.
    SC_HANDLE service = gf_OpenService(name, SERVICE_INTERROGATE);
    ASSERT_NE(service, nullptr);
    SERVICE_STATUS status = {};
    EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_INTERROGATE, &status));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    EXPECT_EQ(status.dwControlsAccepted,
              static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_PAUSE_CONTINUE |
                                 SERVICE_ACCEPT_SESSIONCHANGE));
    CloseServiceHandle(service);

    // A background engine does not start beside the service's.
    {
        CProgramProcess background("-RunAsProgram");
        EXPECT_EQ(background.f_Wait(), gc_ExitAlreadyRunning) << gf_LastTraceLines();
    }

    // Starting it again fails: it runs.
    {
        CProgramProcess again("-StartService " + name);
        CMessageBox box;
        ASSERT_TRUE(gf_WaitForMessageBox(again, box));
        EXPECT_EQ(box.m_Text, "Failed to start service.");
        gf_AnswerMessageBox(box, IDOK);
        EXPECT_EQ(again.f_Wait(), gc_ExitStartServiceFailed);
    }

    // The stop returns once the service's process has ended, which it does only after the
    // engine's thread has.
    ASSERT_TRUE(gf_RunSucceeds("-StopService " + name, name));
    EXPECT_EQ(gf_QueryServiceState(name), static_cast<DWORD>(SERVICE_STOPPED)) << gf_DescribeService(name);
    EXPECT_EQ(WaitForSingleObject(process, 0), static_cast<DWORD>(WAIT_OBJECT_0)) << gf_LastTraceLines();
    DWORD exitCode = 1234;
    GetExitCodeProcess(process, &exitCode);
    EXPECT_EQ(exitCode, static_cast<DWORD>(gc_ExitSucceeded)) << gf_LastTraceLines();
    CloseHandle(process);

    ASSERT_TRUE(gf_RunSucceeds("-RemoveService " + name, name));
    EXPECT_FALSE(gf_QueryServiceConfig(name).m_bExists);
}
} // namespace

TEST(ServiceLife, AddStartInterrogateStopRemove)
{
    fg_RunLife(gf_UniqueServiceName("Life"));
}

TEST(ServiceLife, WithATwoWordName)
{
    fg_RunLife(gf_UniqueServiceName("Life") + " Two");
}

TEST(ServiceLife, PauseAndContinue)
{
    ASSERT_FALSE(gf_EngineIsRunning()) << "another engine runs in this Wine session";
    const std::string name = gf_UniqueServiceName("Pause");
    CServiceCleanup cleanup(name);
    ASSERT_TRUE(gf_RunSucceeds("-AddService " + name, name));
    ASSERT_TRUE(gf_RunSucceeds("-StartService " + name, name));
    SC_HANDLE service = gf_OpenService(name, SERVICE_PAUSE_CONTINUE | SERVICE_INTERROGATE);
    ASSERT_NE(service, nullptr);
    SERVICE_STATUS status = {};
    EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_PAUSE, &status));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_PAUSED));
    EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_CONTINUE, &status));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
    // Stopping a paused service goes through continue first and still ends it.
    EXPECT_TRUE(ControlService(service, SERVICE_CONTROL_PAUSE, &status));
    CloseServiceHandle(service);
    EXPECT_TRUE(gf_RunSucceeds("-StopService " + name, name));
    EXPECT_EQ(gf_QueryServiceState(name), static_cast<DWORD>(SERVICE_STOPPED)) << gf_DescribeService(name);
    EXPECT_TRUE(gf_RunSucceeds("-RemoveService " + name, name));
}

TEST(ServiceLife, EveryStopEndsTheProcessCleanly)
{
    // The stop control comes on another thread than the dispatcher's return: the service
    // object must not be used after the stopped state is reported.
    ASSERT_FALSE(gf_EngineIsRunning()) << "another engine runs in this Wine session";
    const std::string name = gf_UniqueServiceName("Cycle");
    CServiceCleanup cleanup(name);
    ASSERT_TRUE(gf_RunSucceeds("-AddService " + name, name));
    const int cycles = fg_StopCycles();
    for (int round = 0; round < cycles; ++round)
    {
        SCOPED_TRACE(round);
        ASSERT_TRUE(gf_RunSucceeds("-StartService " + name, name));
        DWORD processId = 0;
        ASSERT_EQ(gf_QueryServiceState(name, &processId), static_cast<DWORD>(SERVICE_RUNNING))
            << gf_DescribeService(name);
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
        ASSERT_NE(process, nullptr);
        const std::uint64_t mark = gf_GetDebugMonitor().f_GetMark();
        EXPECT_TRUE(gf_RunSucceeds("-StopService " + name, name));
        // Wine's dispatcher may let the process end before it answers the stop control; the
        // stop command then finds the service stopped all the same.
        for (const std::string& line : gf_GetDebugMonitor().f_GetLinesSince(mark))
            if (line.find("ControlService stop error") != std::string::npos)
                std::printf(
                    "round %d: Wine lost the answer to the stop control, the service had stopped:%s\n", round,
                    line.c_str());
        EXPECT_EQ(WaitForSingleObject(process, 10000), static_cast<DWORD>(WAIT_OBJECT_0))
            << gf_DescribeService(name) << "\n"
            << gf_LastTraceLines();
        DWORD exitCode = 1234;
        GetExitCodeProcess(process, &exitCode);
        EXPECT_EQ(exitCode, static_cast<DWORD>(gc_ExitSucceeded)) << gf_LastTraceLines();
        CloseHandle(process);
    }
}

// Any user can create the engine guard's name before the service starts (a "-RunAsProgram"
// does): the service starts and runs all the same.
TEST(ServiceLife, StartsWhenAnotherProcessMadeTheEngineGuardFirst)
{
    ASSERT_FALSE(gf_EngineIsRunning()) << "another engine runs in this Wine session";
    HANDLE squatter = CreateMutexA(nullptr, FALSE, "Global\\QuillonStartup");
    ASSERT_NE(squatter, nullptr);
    const std::string name = gf_UniqueServiceName("Squat");
    {
        CServiceCleanup cleanup(name);
        ASSERT_TRUE(gf_RunSucceeds("-AddService " + name, name));
        ASSERT_TRUE(gf_RunSucceeds("-StartService " + name, name));
        DWORD processId = 0;
        EXPECT_EQ(gf_QueryServiceState(name, &processId), static_cast<DWORD>(SERVICE_RUNNING))
            << gf_DescribeService(name);
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
        ASSERT_NE(process, nullptr);
        EXPECT_EQ(WaitForSingleObject(process, 0), static_cast<DWORD>(WAIT_TIMEOUT)) << gf_LastTraceLines();
        EXPECT_TRUE(gf_RunSucceeds("-StopService " + name, name));
        EXPECT_EQ(WaitForSingleObject(process, 10000), static_cast<DWORD>(WAIT_OBJECT_0))
            << gf_LastTraceLines();
        DWORD exitCode = 1234;
        GetExitCodeProcess(process, &exitCode);
        EXPECT_EQ(exitCode, static_cast<DWORD>(gc_ExitSucceeded)) << gf_LastTraceLines();
        CloseHandle(process);
    }
    CloseHandle(squatter);
}

// An engine that dies leaves no service reporting RUNNING without remapping: the service stops
// with a service-specific error, which the configured restarts act on. The fault is injected
// through the service's registry key, as only an administrator can.
TEST(ServiceLife, AFailedEngineStopsTheServiceWithAnError)
{
    ASSERT_FALSE(gf_EngineIsRunning()) << "another engine runs in this Wine session";
    const std::string name = gf_UniqueServiceName("Fault");
    CServiceCleanup cleanup(name);
    ASSERT_TRUE(gf_RunSucceeds("-AddService " + name, name));
    const std::string parameters = "SYSTEM\\CurrentControlSet\\Services\\" + name + "\\Parameters";
    const DWORD fault = 1;
    ASSERT_EQ(RegSetKeyValueA(HKEY_LOCAL_MACHINE, parameters.c_str(), "TestEngineFault", REG_DWORD, &fault,
                              sizeof fault),
              ERROR_SUCCESS);
    ASSERT_TRUE(gf_RunSucceeds("-StartService " + name, name));
    SC_HANDLE service = gf_OpenService(name, SERVICE_QUERY_STATUS);
    ASSERT_NE(service, nullptr);
    SERVICE_STATUS_PROCESS status = {};
    const ULONGLONG begun = GetTickCount64();
    for (;;)
    {
        DWORD needed = 0;
        ASSERT_TRUE(QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                                         sizeof status, &needed));
        if (status.dwCurrentState == SERVICE_STOPPED || GetTickCount64() - begun > 15000)
            break;
        Sleep(50);
    }
    CloseServiceHandle(service);
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED)) << gf_DescribeService(name) << "\n"
                                                                          << gf_LastTraceLines();
    EXPECT_EQ(status.dwWin32ExitCode, static_cast<DWORD>(ERROR_SERVICE_SPECIFIC_ERROR));
    EXPECT_EQ(status.dwServiceSpecificExitCode, 1u);
}

#ifdef QUILLON_STUCK_READ_DRIVER
#include "tests/support/win32/StuckReadDriver.h"

// A filter driver that never completes a cancelled read: the stop control is answered at once
// with STOP_PENDING and a wait hint, the checkpoint moves while the engine waits for the
// driver, and the service stops within the channel's bound.
TEST(ServiceLife, AStopHeldUpByTheDriverReportsProgressAndEnds)
{
    ASSERT_FALSE(gf_EngineIsRunning()) << "another engine runs in this Wine session";
    NQuillonTest::CStuckReadDriver driver(QUILLON_STUCK_READ_DRIVER);
    ASSERT_TRUE(driver.f_IsStarted()) << driver.f_GetStartError();

    const std::string name = gf_UniqueServiceName("Stuck");
    {
        CServiceCleanup cleanup(name);
        ASSERT_TRUE(gf_RunSucceeds("-AddService " + name, name));
        ASSERT_TRUE(gf_RunSucceeds("-StartService " + name, name));
        // Until the service's engine has its read pending at the driver.
        auto heldReads = [] { return NQuillonTest::CStuckReadDriver::fs_HeldReads(); };
        for (ULONGLONG waitBegun = GetTickCount64();
             heldReads() <= 0 && GetTickCount64() - waitBegun < 10000;)
            Sleep(20);
        ASSERT_GT(heldReads(), 0) << gf_LastTraceLines();
        SC_HANDLE service = gf_OpenService(name, SERVICE_STOP | SERVICE_QUERY_STATUS);
        ASSERT_NE(service, nullptr);
        const ULONGLONG begun = GetTickCount64();
        SERVICE_STATUS status = {};
        ASSERT_TRUE(ControlService(service, SERVICE_CONTROL_STOP, &status)) << GetLastError();
        EXPECT_LT(GetTickCount64() - begun, 1000u);
        EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOP_PENDING));
        EXPECT_GT(status.dwWaitHint, 0u);
        DWORD highestCheckpoint = status.dwCheckPoint;
        while (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED &&
               GetTickCount64() - begun < 15000)
        {
            highestCheckpoint = std::max(highestCheckpoint, status.dwCheckPoint);
            Sleep(50);
        }
        const ULONGLONG took = GetTickCount64() - begun;
        CloseServiceHandle(service);
        EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED)) << gf_LastTraceLines();
        EXPECT_EQ(status.dwWin32ExitCode, static_cast<DWORD>(NO_ERROR));
        // The channel waited its 2 s for the driver, with the checkpoint moving meanwhile.
        EXPECT_GE(took, 1900u) << gf_LastTraceLines();
        EXPECT_GT(highestCheckpoint, 1u);
        std::printf("the stop held up by the driver took %llu ms\n", static_cast<unsigned long long>(took));
    }
}
#endif

TEST(ServiceLife, ServiceRoleOutsideTheServiceManagerEnds)
{
    ASSERT_FALSE(gf_EngineIsRunning()) << "another engine runs in this Wine session";
    // Not started by the service control manager: the dispatcher cannot start.
    CProgramProcess process("-Service " + gf_UniqueServiceName("Direct"));
    EXPECT_EQ(process.f_Wait(), gc_ExitFailed);
    EXPECT_FALSE(gf_HasMessageBox(process));
}
