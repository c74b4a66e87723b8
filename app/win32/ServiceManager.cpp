#include "app/win32/ServiceManager.h"

#include "core/ErrorText.h"
#include "core/Exception.h"
#include "core/Format.h"

namespace NQuillon::NDrivers::NWin32
{
namespace
{
// Create services, enumerate, lock and query the lock, change the boot configuration, delete.
constexpr DWORD gc_ManagerAccess = 0x10036;
} // namespace

std::unique_ptr<ICServiceManager> CServiceManager::fs_Open()
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, gc_ManagerAccess);
    if (!manager)
    {
        NTev::gf_DebugOutput("Quillon drivers: OpenSCManager failed: {}", NTev::gf_GetErrorText(0));
        return nullptr;
    }
    return std::unique_ptr<ICServiceManager>(new CServiceManager(manager));
}

CServiceManager::~CServiceManager()
{
    CloseServiceHandle(m_hManager);
}

bool CServiceManager::f_ServiceExists(const char* name)
{
    SC_HANDLE service = OpenServiceA(m_hManager, name, SERVICE_QUERY_STATUS);
    if (service)
    {
        CloseServiceHandle(service);
        return true;
    }
    // A service marked for deletion is as good as gone; deleting it again then reports the
    // pending deletion.
    DWORD error = GetLastError();
    if (error == ERROR_SERVICE_DOES_NOT_EXIST || error == ERROR_SERVICE_MARKED_FOR_DELETE)
        return false;
    SetLastError(error);
    TEV_THROW_SYSTEM_IMPLEMENTATION("NQuillon::NDrivers::NWin32::CServiceManager::f_ServiceExists",
                                    "OpenService");
}

ICServiceManager::EDelete CServiceManager::f_DeleteService(const char* name)
{
    SC_HANDLE service = OpenServiceA(m_hManager, name, DELETE);
    if (!service)
    {
        DWORD error = GetLastError();
        if (error == ERROR_SERVICE_DOES_NOT_EXIST)
            return EDelete::Missing;
        NTev::gf_DebugOutput("Quillon drivers: OpenService {} failed: {}", name,
                             NTev::gf_GetErrorText(error));
        return EDelete::Failed;
    }
    bool bDeleted = DeleteService(service);
    DWORD error = GetLastError();
    // The service only goes once every handle to it is closed, ours too.
    CloseServiceHandle(service);
    if (bDeleted)
        return EDelete::Deleted;
    NTev::gf_DebugOutput("Quillon drivers: DeleteService {} failed: {}", name, NTev::gf_GetErrorText(error));
    return EDelete::Failed;
}

bool CServiceManager::f_CreateKernelService(const char* name, const char* displayName, const char* imagePath)
{
    SC_HANDLE service = CreateServiceA(m_hManager, name, displayName, SERVICE_ALL_ACCESS,
                                       SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                                       imagePath, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!service)
    {
        NTev::gf_DebugOutput("Quillon drivers: CreateService {} failed: {}", name, NTev::gf_GetErrorText(0));
        return false;
    }
    CloseServiceHandle(service);
    return true;
}

bool CServiceManager::f_StartService(const char* name)
{
    SC_HANDLE service = OpenServiceA(m_hManager, name, SERVICE_START | SERVICE_QUERY_STATUS);
    if (!service)
    {
        NTev::gf_DebugOutput("Quillon drivers: OpenService {} to start failed: {}", name,
                             NTev::gf_GetErrorText(0));
        return false;
    }
    bool bRunning = false;
    if (StartServiceA(service, 0, nullptr))
    {
        // A kernel driver's start is reported at once; the wait only covers a pending state.
        SERVICE_STATUS status = {};
        const ULONGLONG begun = GetTickCount64();
        while (QueryServiceStatus(service, &status) && status.dwCurrentState == SERVICE_START_PENDING &&
               GetTickCount64() - begun < 10000)
            Sleep(10);
        bRunning = status.dwCurrentState == SERVICE_RUNNING;
    }
    else if (GetLastError() == ERROR_SERVICE_ALREADY_RUNNING)
        bRunning = true;
    else
        NTev::gf_DebugOutput("Quillon drivers: the driver {} does not start: {}", name,
                             NTev::gf_GetErrorText(0));
    CloseServiceHandle(service);
    return bRunning;
}
} // namespace NQuillon::NDrivers::NWin32
