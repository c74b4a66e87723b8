// The backlight device: an outside driver, started through the service control manager and
// reached as "\\.\StartupDiskDriver" with two control codes.

#include "actions/plugins/Backlight.h"
#include "core/win32/ServiceHandle.h"

#include <windows.h>

namespace NQuillon
{
namespace
{
using NTev::NSys::CServiceHandle;

constexpr DWORD gc_ControlReadLevel = 0x9C40244C;
constexpr DWORD gc_ControlSetLevel = 0x9C402450;
constexpr DWORD gc_ManagerAccess = 0x10036;

class CWin32BacklightDevice final : public ICBacklightDevice
{
public:
    ~CWin32BacklightDevice() override
    {
        if (m_hDevice != INVALID_HANDLE_VALUE)
            CloseHandle(m_hDevice);
    }
    bool f_Open() override
    {
        if (m_hDevice != INVALID_HANDLE_VALUE)
            return true;
        CServiceHandle manager(OpenSCManagerA(nullptr, nullptr, gc_ManagerAccess));
        if (!manager.f_Get())
            return false;
        CServiceHandle service(
            OpenServiceA(manager.f_Get(), "StartupDiskDriver", SERVICE_QUERY_STATUS | SERVICE_START));
        if (!service.f_Get())
            return false;
        SERVICE_STATUS status{};
        const bool running =
            QueryServiceStatus(service.f_Get(), &status) && status.dwCurrentState == SERVICE_RUNNING;
        if (!running && !StartServiceA(service.f_Get(), 0, nullptr))
            return false;
        m_hDevice = CreateFileA("\\\\.\\StartupDiskDriver", 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
        if (m_hDevice == INVALID_HANDLE_VALUE)
            return false;
        // The driver needs a moment after its device appears.
        Sleep(500);
        return true;
    }
    bool f_ReadLevel(std::uint8_t& level) override
    {
        DWORD returned = 0;
        return DeviceIoControl(m_hDevice, gc_ControlReadLevel, nullptr, 0, &level, 1, &returned, nullptr) &&
               returned == 1;
    }
    void f_SetLevel(std::uint8_t level) override
    {
        DWORD returned = 0;
        DeviceIoControl(m_hDevice, gc_ControlSetLevel, &level, 1, nullptr, 0, &returned, nullptr);
    }
    void f_Wait(std::uint32_t milliseconds) override { Sleep(milliseconds); }

private:
    HANDLE m_hDevice = INVALID_HANDLE_VALUE;
};
} // namespace

std::unique_ptr<ICBacklightDevice> gf_CreatePlatformBacklightDevice()
{
    return std::make_unique<CWin32BacklightDevice>();
}
} // namespace NQuillon
