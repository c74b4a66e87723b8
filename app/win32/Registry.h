#pragma once
// Keys below HKLM "SYSTEM\CurrentControlSet", opened for one use and closed by their owner.
// Failures throw the Windows-error form.

#include "app/FilterList.h"
#include "core/Str.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace NQuillon::NDrivers::NWin32
{
class CRegistryKey
{
public:
    // Throws when the key cannot be opened; bMayBeMissing: a missing key leaves it closed.
    CRegistryKey(const char* key, REGSAM access, bool bMayBeMissing = false);
    ~CRegistryKey();
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    bool f_IsOpen() const noexcept { return m_hKey != nullptr; }
    std::vector<NTev::CStr> f_GetSubkeys();
    // The value's type and bytes; false when it is missing.
    bool f_Read(const char* value, DWORD& type, std::vector<char>& data);
    void f_Write(const char* value, DWORD type, const void* data, std::size_t size);

private:
    HKEY m_hKey = nullptr;
};

// Throws "Windows returned an error from <call>: ..." for a registry result code.
[[noreturn]] void gf_ThrowRegistryError(LONG code, const char* call);
} // namespace NQuillon::NDrivers::NWin32
