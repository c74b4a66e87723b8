#pragma once
// The two drivers, where their files and registry entries live, and the names derived from
// them.

#include "core/Str.h"
#include "core/Time.h"

namespace NQuillon::NDrivers
{
struct CDriver
{
    const char* m_pServiceName;
    const char* m_pDisplayName;
    // Shipped beside the program as <base>.x64.sys and <base>.x86.sys.
    const char* m_pShippedBase;
    // The installed file's name in System32/Drivers; null: the shipped file's name.
    const char* m_pInstalledName;
};

// The keyboard and mouse class upper filter.
extern const CDriver gc_ClassFilter;
// The lower filter of the laptop keyboard.
extern const CDriver gc_HidFilter;

// Registry keys below "SYSTEM\CurrentControlSet".
inline constexpr const char* gc_KeyboardClassKey = "Control\\Class\\{4D36E96B-E325-11CE-BFC1-08002BE10318}";
inline constexpr const char* gc_MouseClassKey = "Control\\Class\\{4D36E96F-E325-11CE-BFC1-08002BE10318}";
inline constexpr const char* gc_LaptopKeyboardKeys[] = {"Enum\\HID\\Vid_05ac&Pid_0218&MI_00",
                                                        "Enum\\HID\\Vid_05ac&Pid_0217&MI_00"};
// Device identifiers of the laptop keyboard, as the device manager reports them.
inline constexpr const char* gc_LaptopKeyboardIds[] = {"HID\\VID_05AC&PID_0218&MI_00",
                                                       "HID\\VID_05AC&PID_0217&MI_00"};
inline constexpr const char* gc_LaptopKeyboardDescription = "MacBook Pro Keyboard";
inline constexpr const char* gc_UpperFilters = "UpperFilters";
inline constexpr const char* gc_LowerFilters = "LowerFilters";
inline constexpr const char* gc_DeviceDesc = "DeviceDesc";
inline constexpr const char* gc_DeleteFlag = "DeleteFlag";

// The native processor architecture number of 64-bit x86 Windows.
inline constexpr unsigned gc_ArchitectureAmd64 = 9;

// "<base>.x64.sys" on a 64-bit processor architecture, else "<base>.x86.sys".
NTev::CStr gf_GetShippedFileName(const CDriver& driver, unsigned nativeArchitecture);
// systemRoot + "/System32/Drivers/" + the installed file's name.
NTev::CStr gf_GetInstalledPath(const CDriver& driver, const char* systemRoot, const NTev::CStr& shippedName);
// "Services\" + the service name: where the service's "DeleteFlag" lives.
NTev::CStr gf_GetServiceKey(const CDriver& driver);
// The name an installed file is moved to before it is replaced or removed: path + ".old.{}.{}"
// with the seconds and the fraction of the time, so that each replacement gets a new name.
NTev::CStr gf_GetOldFilePath(const char* path, const NTev::CTime& time);
// The path with "\" separators, as service image paths need it.
NTev::CStr gf_WithBackslashes(const char* path);
} // namespace NQuillon::NDrivers
