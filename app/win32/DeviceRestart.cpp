#include "app/win32/DeviceRestart.h"

#include "core/ErrorText.h"
#include "core/Exception.h"
#include "core/Format.h"

#include <windows.h>

#include <cfgmgr32.h>
#include <setupapi.h>

#include <cstring>

namespace NQuillon::NDrivers::NWin32
{
namespace
{
bool fg_HasPrefix(const char* id, const std::vector<const char*>& prefixes) noexcept
{
    for (const char* prefix : prefixes)
        if (_strnicmp(id, prefix, std::strlen(prefix)) == 0)
            return true;
    return false;
}

// True when the device asks for a restart of the machine.
bool fg_RestartDevice(HDEVINFO devices, SP_DEVINFO_DATA& device)
{
    SP_PROPCHANGE_PARAMS change = {};
    change.ClassInstallHeader.cbSize = sizeof(SP_CLASSINSTALL_HEADER);
    change.ClassInstallHeader.InstallFunction = DIF_PROPERTYCHANGE;
    change.StateChange = DICS_PROPCHANGE;
    change.Scope = DICS_FLAG_CONFIGSPECIFIC;
    change.HwProfile = 0;
    if (!SetupDiSetClassInstallParamsA(devices, &device, &change.ClassInstallHeader, sizeof(change)) ||
        !SetupDiCallClassInstaller(DIF_PROPERTYCHANGE, devices, &device))
    {
        NTev::gf_DebugOutput("Quillon drivers: the device restart failed: {}", NTev::gf_GetErrorText(0));
        return false;
    }
    SP_DEVINSTALL_PARAMS_A parameters = {};
    parameters.cbSize = sizeof(parameters);
    if (!SetupDiGetDeviceInstallParamsA(devices, &device, &parameters))
        return false;
    return (parameters.Flags & (DI_NEEDRESTART | DI_NEEDREBOOT)) != 0;
}
} // namespace

bool gf_RestartDevices(const char* enumerator, const std::vector<const char*>& idPrefixes)
{
    HDEVINFO devices = SetupDiGetClassDevsExA(nullptr, enumerator, nullptr, DIGCF_ALLCLASSES | DIGCF_PRESENT,
                                              nullptr, nullptr, nullptr);
    if (devices == INVALID_HANDLE_VALUE)
        TEV_THROW_SYSTEM_IMPLEMENTATION("NQuillon::NDrivers::NWin32::gf_RestartDevices",
                                        "SetupDiGetClassDevsEx");
    bool bRebootNeeded = false;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index)
    {
        char id[MAX_DEVICE_ID_LEN + 1];
        if (CM_Get_Device_ID_ExA(device.DevInst, id, sizeof(id), 0, nullptr) != CR_SUCCESS)
            std::strcpy(id, "?");
        if (fg_HasPrefix(id, idPrefixes) && fg_RestartDevice(devices, device))
            bRebootNeeded = true;
    }
    SetupDiDestroyDeviceInfoList(devices);
    return bRebootNeeded;
}
} // namespace NQuillon::NDrivers::NWin32
