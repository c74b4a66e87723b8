#pragma once
// The service control manager, opened with the rights the driver installation needs.

#include "app/DriverSystem.h"

#include <windows.h>

namespace NQuillon::NDrivers::NWin32
{
class CServiceManager final : public ICServiceManager
{
public:
    // Null when the manager cannot be opened.
    static std::unique_ptr<ICServiceManager> fs_Open();
    ~CServiceManager() override;

    bool f_ServiceExists(const char* name) override;
    EDelete f_DeleteService(const char* name) override;
    bool f_CreateKernelService(const char* name, const char* displayName, const char* imagePath) override;
    bool f_StartService(const char* name) override;

private:
    explicit CServiceManager(SC_HANDLE manager) noexcept : m_hManager(manager) {}

    SC_HANDLE m_hManager;
};
} // namespace NQuillon::NDrivers::NWin32
