#pragma once
// Installation, registration and removal of the class filter and the laptop keyboard's HID
// filter over a driver system. Nothing here throws: file and registry failures end the step
// they happen in, with a trace line.

#include "app/DriverFiles.h"
#include "app/DriverSystem.h"
#include "core/Str.h"

namespace NQuillon::NDrivers
{
enum class EInstallMode
{
    Install,
    Remove,
};

struct CInstallResult
{
    // The shipped file was copied over the installed one.
    bool m_bCopied = false;
    // The installed file and a service of the driver are in place and the driver runs, so it
    // may be registered as a filter.
    bool m_bReady = false;
};

class CDriverSetup
{
public:
    // Both with "/" separators, no trailing "/": the program's folder holds the shipped driver
    // files, the service's state folder the markers.
    CDriverSetup(ICDriverSystem& system, const NTev::CStr& programDirectory,
                 const NTev::CStr& stateDirectory);

    // Brings one driver's file and service up to date (Install) or takes them away (Remove).
    // Sets bRebootNeeded when a service stays marked for deletion.
    CInstallResult f_InstallDriver(const CDriver& driver, EInstallMode mode, bool& bRebootNeeded);
    // Installs the class filter and registers it in the keyboard and mouse classes; leaves
    // the reboot marker when anything changed.
    void f_InstallClassFilter();
    // Puts the class filter first in both classes' "UpperFilters"; the reboot marker when
    // bChanged or a list changed.
    void f_RegisterClassFilter(bool bChanged);
    bool f_HasLaptopKeyboard();
    // The laptop keyboard's HID filter: nothing without that keyboard; the driver work only
    // when bOwnsInput.
    void f_InstallHidFilter(bool bOwnsInput);
    // When the uninstall request exists: takes the filters out of the registry and reads the
    // lists back; removes each driver that no list names any more; leaves the reboot marker and
    // the done marker, or the failure marker when a list still names a driver (which then
    // stays installed), and returns true.
    bool f_RemoveDriversIfRequested();

private:
    void fp_InstallDriver(const CDriver& driver, EInstallMode mode, bool& bRebootNeeded,
                          CInstallResult& result);
    bool fp_IsDeleteFlagSet(const CDriver& driver);
    // Starts the driver's service: true when it runs (the driver loads).
    bool fp_IsStarted(ICServiceManager& manager, const CDriver& driver);
    // Removes the filter from the key's list and reads it back; true when the list no longer
    // names it (also when the key does not exist).
    bool fp_TakeOutOfList(const char* key, const char* value, const char* filter);
    // Every instance key of the laptop keyboard's hardware keys.
    std::vector<NTev::CStr> fp_GetLaptopKeyboardInstances();
    void fp_WriteMarker(const char* name);

    ICDriverSystem& m_System;
    NTev::CStr m_ProgramDirectory;
    NTev::CStr m_StateDirectory;
};
} // namespace NQuillon::NDrivers
