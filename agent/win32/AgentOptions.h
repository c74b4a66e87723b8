#pragma once
// The administrator's choice that the hidden session agent runs elevated, kept under
// HKEY_LOCAL_MACHINE where only administrators write. Read by the service when it starts an
// agent and by the tray for its menu; written by "-RemapAdministratorWindows[Off]", which the
// tray starts with a UAC consent.

#include "agent/AgentToken.h"

#include <windows.h>

namespace NQuillon
{
inline bool gf_ReadRemapAdministratorWindows() noexcept
{
    DWORD value = 0;
    DWORD size = sizeof value;
    return RegGetValueA(HKEY_LOCAL_MACHINE, gc_AgentOptionsKey, gc_RemapAdministratorWindowsValue,
                        RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS &&
           value != 0;
}

// ERROR_SUCCESS, or the Windows error (ERROR_ACCESS_DENIED without administrator rights).
inline LONG gf_WriteRemapAdministratorWindows(bool on) noexcept
{
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(HKEY_LOCAL_MACHINE, gc_AgentOptionsKey, 0, nullptr, 0, KEY_SET_VALUE,
                                  nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS)
        return result;
    const DWORD value = on ? 1 : 0;
    result = RegSetValueExA(key, gc_RemapAdministratorWindowsValue, 0, REG_DWORD,
                            reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
    return result;
}
} // namespace NQuillon
