#include "app/win32/Registry.h"

#include "core/Exception.h"

namespace NQuillon::NDrivers::NWin32
{
namespace
{
const char gc_Root[] = "SYSTEM\\CurrentControlSet\\";
}

void gf_ThrowRegistryError(LONG code, const char* call)
{
    SetLastError(static_cast<DWORD>(code));
    TEV_THROW_SYSTEM_IMPLEMENTATION("NQuillon::NDrivers::NWin32::CRegistryKey", call);
}

CRegistryKey::CRegistryKey(const char* key, REGSAM access, bool bMayBeMissing)
{
    NTev::CStr path = NTev::CStr(gc_Root) + key;
    LONG code = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.f_GetStr(), 0, access, &m_hKey);
    if (code == ERROR_SUCCESS)
        return;
    m_hKey = nullptr;
    if (code == ERROR_FILE_NOT_FOUND && bMayBeMissing)
        return;
    gf_ThrowRegistryError(code, "RegOpenKeyEx");
}

CRegistryKey::~CRegistryKey()
{
    if (m_hKey)
        RegCloseKey(m_hKey);
}

std::vector<NTev::CStr> CRegistryKey::f_GetSubkeys()
{
    std::vector<NTev::CStr> subkeys;
    for (DWORD index = 0;; ++index)
    {
        // Key names are at most 255 characters.
        char name[256];
        DWORD length = sizeof(name);
        LONG code = RegEnumKeyExA(m_hKey, index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (code == ERROR_NO_MORE_ITEMS)
            return subkeys;
        if (code != ERROR_SUCCESS)
            gf_ThrowRegistryError(code, "RegEnumKeyEx");
        subkeys.emplace_back(name, length);
    }
}

bool CRegistryKey::f_Read(const char* value, DWORD& type, std::vector<char>& data)
{
    for (;;)
    {
        DWORD size = 0;
        LONG code = RegQueryValueExA(m_hKey, value, nullptr, &type, nullptr, &size);
        if (code == ERROR_FILE_NOT_FOUND)
            return false;
        if (code != ERROR_SUCCESS)
            gf_ThrowRegistryError(code, "RegQueryValueEx");
        data.resize(size);
        code = RegQueryValueExA(m_hKey, value, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        // The value may have grown in between: read again.
        if (code == ERROR_MORE_DATA)
            continue;
        if (code == ERROR_FILE_NOT_FOUND)
            return false;
        if (code != ERROR_SUCCESS)
            gf_ThrowRegistryError(code, "RegQueryValueEx");
        data.resize(size);
        return true;
    }
}

void CRegistryKey::f_Write(const char* value, DWORD type, const void* data, std::size_t size)
{
    LONG code =
        RegSetValueExA(m_hKey, value, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
    if (code != ERROR_SUCCESS)
        gf_ThrowRegistryError(code, "RegSetValueEx");
}
} // namespace NQuillon::NDrivers::NWin32
