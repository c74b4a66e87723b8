#include "tests/support/win32/KernelService.h"

namespace NQuillonTest
{
CKernelService::CKernelService(const char* name, std::string image, bool start)
    : m_Name(name), m_hManager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS))
{
    for (char& c : image)
        if (c == '/')
            c = '\\';
    fp_Remove();
    SC_HANDLE service =
        m_hManager ? CreateServiceA(m_hManager, name, name, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                                    SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE, image.c_str(), nullptr,
                                    nullptr, nullptr, nullptr, nullptr)
                   : nullptr;
    m_bInstalled = service != nullptr;
    m_bStarted = service && start && StartServiceA(service, 0, nullptr);
    m_StartError = m_bStarted ? NO_ERROR : GetLastError();
    if (service)
        CloseServiceHandle(service);
}

CKernelService::~CKernelService()
{
    fp_Remove();
    if (m_hManager)
        CloseServiceHandle(m_hManager);
}

void CKernelService::fp_Remove()
{
    SC_HANDLE service = m_hManager ? OpenServiceA(m_hManager, m_Name.c_str(), SERVICE_ALL_ACCESS) : nullptr;
    if (!service)
        return;
    SERVICE_STATUS status{};
    ControlService(service, SERVICE_CONTROL_STOP, &status);
    DeleteService(service);
    CloseServiceHandle(service);
}
} // namespace NQuillonTest
