#include "app/DriverSystem.h"

#include "app/DriverFiles.h"
#include "app/win32/DeviceRestart.h"
#include "app/win32/Registry.h"
#include "app/win32/ServiceManager.h"
#include "core/Exception.h"
#include "core/FullPath.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace NQuillon::NDrivers
{
namespace
{
class CWindowsDriverSystem final : public ICDriverSystem
{
public:
    bool f_KeyExists(const char* key) override
    {
        return NWin32::CRegistryKey(key, KEY_READ, true).f_IsOpen();
    }

    std::vector<NTev::CStr> f_GetSubkeys(const char* key) override
    {
        return NWin32::CRegistryKey(key, KEY_READ).f_GetSubkeys();
    }

    bool f_ReadMultiString(const char* key, const char* value, CFilterList& list) override
    {
        DWORD type = 0;
        std::vector<char> data;
        list.clear();
        if (!NWin32::CRegistryKey(key, KEY_QUERY_VALUE).f_Read(value, type, data))
            return false;
        // A plain string counts as a list of one; other types as no list.
        if (type == REG_MULTI_SZ || type == REG_SZ || type == REG_EXPAND_SZ)
            list = gf_ParseMultiString(data.data(), data.size());
        return true;
    }

    void f_WriteMultiString(const char* key, const char* value, const CFilterList& list) override
    {
        std::string bytes = gf_BuildMultiString(list);
        NWin32::CRegistryKey(key, KEY_SET_VALUE).f_Write(value, REG_MULTI_SZ, bytes.data(), bytes.size());
    }

    bool f_ReadString(const char* key, const char* value, NTev::CStr& text) override
    {
        DWORD type = 0;
        std::vector<char> data;
        if (!NWin32::CRegistryKey(key, KEY_QUERY_VALUE).f_Read(value, type, data))
            return false;
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            return false;
        std::size_t length = 0;
        while (length < data.size() && data[length])
            ++length;
        text = NTev::CStr(data.data(), length);
        return true;
    }

    void f_WriteString(const char* key, const char* value, const char* text) override
    {
        NWin32::CRegistryKey(key, KEY_SET_VALUE).f_Write(value, REG_SZ, text, std::strlen(text) + 1);
    }

    bool f_ReadNumber(const char* key, const char* value, std::uint32_t& number) override
    {
        NWin32::CRegistryKey registryKey(key, KEY_QUERY_VALUE, true);
        DWORD type = 0;
        std::vector<char> data;
        if (!registryKey.f_IsOpen() || !registryKey.f_Read(value, type, data))
            return false;
        number = 0;
        std::memcpy(&number, data.data(), std::min(data.size(), sizeof(number)));
        return true;
    }

    NTev::CStr f_GetSystemRoot() override
    {
        char buffer[1025];
        DWORD length = GetEnvironmentVariableA("SystemRoot", buffer, sizeof(buffer));
        if (length == 0)
            TEV_THROW_SYSTEM_IMPLEMENTATION("NQuillon::NDrivers::CWindowsDriverSystem::f_GetSystemRoot",
                                            "GetEnvironmentVariable");
        if (length >= sizeof(buffer))
            TEV_THROW(NTev::NException::CExceptionSystemImplementation,
                      "NQuillon::NDrivers::CWindowsDriverSystem::f_GetSystemRoot", "SystemRoot is too long");
        return NTev::NSys::NFile::gf_WithSlashes(buffer);
    }

    unsigned f_GetNativeArchitecture() override
    {
        SYSTEM_INFO info = {};
        GetNativeSystemInfo(&info);
        return info.wProcessorArchitecture;
    }

    std::unique_ptr<ICServiceManager> f_OpenServiceManager() override
    {
        return NWin32::CServiceManager::fs_Open();
    }

    void f_DeleteAtReboot(const char* path) override
    {
        NTev::CStr windowsPath = gf_WithBackslashes(path);
        if (!MoveFileExA(windowsPath.f_GetStr(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
            TEV_THROW_SYSTEM_FILE("NQuillon::NDrivers::CWindowsDriverSystem::f_DeleteAtReboot", "MoveFileEx");
    }

    void f_Sleep(unsigned milliseconds) override { Sleep(milliseconds); }

    bool f_RestartDevices(const char* enumerator, const std::vector<const char*>& idPrefixes) override
    {
        return NWin32::gf_RestartDevices(enumerator, idPrefixes);
    }
};
} // namespace

ICDriverSystem& gf_GetDriverSystem()
{
    static CWindowsDriverSystem s_System;
    return s_System;
}
} // namespace NQuillon::NDrivers
