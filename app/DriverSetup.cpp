#include "app/DriverSetup.h"

#include "app/Markers.h"
#include "core/Clock.h"
#include "core/Exception.h"
#include "core/FileMD5.h"
#include "core/Format.h"
#include "core/SysFile.h"
#include "core/SysFind.h"

#include <exception>

namespace NQuillon::NDrivers
{
namespace
{
bool fg_FileExists(const NTev::CStr& path)
{
    return NTev::NSys::NFile::gf_Exists(path.f_GetStr(), NTev::NSys::NFile::ExistsNotDirectory);
}

// Runs one step; a failure is traced and ends only that step.
template <typename tf_CStep>
bool fg_Step(const char* what, tf_CStep&& step) noexcept
{
    try
    {
        step();
        return true;
    }
    catch (const NTev::NException::CException& exception)
    {
        NTev::gf_DebugOutput("Quillon drivers: {} failed: {}\n", what, exception.f_GetMessage());
    }
    catch (const std::exception& exception)
    {
        NTev::gf_DebugOutput("Quillon drivers: {} failed: {}\n", what, exception.what());
    }
    return false;
}

const char* const gc_ClassKeys[] = {gc_KeyboardClassKey, gc_MouseClassKey};
} // namespace

CDriverSetup::CDriverSetup(ICDriverSystem& system, const NTev::CStr& programDirectory,
                           const NTev::CStr& stateDirectory)
    : m_System(system), m_ProgramDirectory(programDirectory), m_StateDirectory(stateDirectory)
{
}

CInstallResult CDriverSetup::f_InstallDriver(const CDriver& driver, EInstallMode mode, bool& bRebootNeeded)
{
    CInstallResult result;
    // A failure keeps what was done before it (a copied file still counts).
    fg_Step(driver.m_pServiceName, [&] { fp_InstallDriver(driver, mode, bRebootNeeded, result); });
    return result;
}

void CDriverSetup::fp_InstallDriver(const CDriver& driver, EInstallMode mode, bool& bRebootNeeded,
                                    CInstallResult& result)
{
    namespace NFile = NTev::NSys::NFile;
    std::unique_ptr<ICServiceManager> manager = m_System.f_OpenServiceManager();
    if (!manager)
    {
        NTev::gf_DebugOutput("Quillon drivers: the service control manager cannot be opened\n");
        return;
    }
    NTev::CStr shippedName = gf_GetShippedFileName(driver, m_System.f_GetNativeArchitecture());
    NTev::CStr shippedPath = m_ProgramDirectory + "/";
    shippedPath += shippedName;
    if (!fg_FileExists(shippedPath))
        return;
    NTev::CStr systemRoot = m_System.f_GetSystemRoot();
    NTev::CStr installedPath = gf_GetInstalledPath(driver, systemRoot.f_GetStr(), shippedName);

    bool bInstalledExists = fg_FileExists(installedPath);
    bool bReplace = mode == EInstallMode::Remove
                        ? bInstalledExists
                        : !bInstalledExists || !(NFile::gf_GetFileMD5(shippedPath.f_GetStr()) ==
                                                 NFile::gf_GetFileMD5(installedPath.f_GetStr()));
    if (bReplace)
    {
        NTev::CStr oldPath;
        if (bInstalledExists)
        {
            // A loaded driver's file cannot be overwritten but can be renamed; the old file
            // goes away at the next boot.
            bool bRenamed = false;
            fg_Step("moving the installed file aside",
                    [&]
                    {
                        oldPath = gf_GetOldFilePath(installedPath.f_GetStr(), NTev::gf_GetTime());
                        NFile::gf_Rename(installedPath.f_GetStr(), oldPath.f_GetStr());
                        bRenamed = true;
                        m_System.f_DeleteAtReboot(oldPath.f_GetStr());
                    });
            if (!bRenamed)
                oldPath.f_Clear();
        }
        if (mode == EInstallMode::Install)
        {
            result.m_bCopied = true;
            if (!fg_Step("copying the driver file",
                         [&] { NFile::gf_Copy(shippedPath.f_GetStr(), installedPath.f_GetStr()); }))
            {
                // Put the previous driver back rather than leave the service without a file.
                if (!oldPath.f_IsEmpty())
                    fg_Step("restoring the previous driver file",
                            [&] { NFile::gf_Replace(oldPath.f_GetStr(), installedPath.f_GetStr()); });
                return;
            }
        }
    }

    if (mode == EInstallMode::Install && manager->f_ServiceExists(driver.m_pServiceName) &&
        !fp_IsDeleteFlagSet(driver))
    {
        result.m_bReady = fp_IsStarted(*manager, driver);
        return;
    }
    ICServiceManager::EDelete deleted = manager->f_DeleteService(driver.m_pServiceName);
    if (deleted == ICServiceManager::EDelete::Failed)
    {
        bRebootNeeded = true;
        return;
    }
    if (deleted == ICServiceManager::EDelete::Deleted)
        m_System.f_Sleep(250);
    if (fp_IsDeleteFlagSet(driver))
    {
        bRebootNeeded = true;
        return;
    }
    if (mode == EInstallMode::Remove)
        return;
    NTev::CStr imagePath = gf_WithBackslashes(installedPath.f_GetStr());
    if (manager->f_CreateKernelService(driver.m_pServiceName, driver.m_pDisplayName, imagePath.f_GetStr()))
        result.m_bReady = fp_IsStarted(*manager, driver);
    else
        NTev::gf_DebugOutput("Quillon drivers: the service {} cannot be created\n", driver.m_pServiceName);
}

bool CDriverSetup::fp_IsStarted(ICServiceManager& manager, const CDriver& driver)
{
    // A filter whose driver the system refuses to load (signature enforcement, a blocklist, a
    // file that is no driver) would leave its devices without a driver stack: only a driver
    // that runs is registered.
    bool bStarted = false;
    fg_Step("starting the driver", [&] { bStarted = manager.f_StartService(driver.m_pServiceName); });
    if (!bStarted)
        NTev::gf_DebugOutput("Quillon drivers: {} does not start; it is not registered as a filter\n",
                             driver.m_pServiceName);
    return bStarted;
}

bool CDriverSetup::fp_TakeOutOfList(const char* key, const char* value, const char* filter)
{
    bool bClean = false;
    fg_Step(key,
            [&]
            {
                // A class or device that is not there names no filter.
                if (!m_System.f_KeyExists(key))
                {
                    bClean = true;
                    return;
                }
                CFilterList filters;
                if (m_System.f_ReadMultiString(key, value, filters) && gf_RemoveFilter(filters, filter))
                    m_System.f_WriteMultiString(key, value, filters);
                // Only what the registry holds afterwards counts.
                CFilterList check;
                m_System.f_ReadMultiString(key, value, check);
                bClean = !gf_ContainsFilter(check, filter);
            });
    return bClean;
}

bool CDriverSetup::fp_IsDeleteFlagSet(const CDriver& driver)
{
    std::uint32_t flag = 0;
    NTev::CStr key = gf_GetServiceKey(driver);
    return m_System.f_ReadNumber(key.f_GetStr(), gc_DeleteFlag, flag) && flag != 0;
}

void CDriverSetup::f_InstallClassFilter()
{
    bool bRebootNeeded = false;
    CInstallResult result = f_InstallDriver(gc_ClassFilter, EInstallMode::Install, bRebootNeeded);
    if (bRebootNeeded)
        fp_WriteMarker(gc_RebootMarker);
    else if (result.m_bReady)
        f_RegisterClassFilter(result.m_bCopied);
    else if (result.m_bCopied)
        fp_WriteMarker(gc_RebootMarker);
    // Without a driver in place the filter is not registered: a class whose filter cannot
    // load leaves the machine without keyboard or mouse.
}

void CDriverSetup::f_RegisterClassFilter(bool bChanged)
{
    for (const char* key : gc_ClassKeys)
        fg_Step(key,
                [&]
                {
                    CFilterList filters;
                    m_System.f_ReadMultiString(key, gc_UpperFilters, filters);
                    if (!gf_PutFilterFirst(filters, gc_ClassFilter.m_pServiceName))
                        return;
                    m_System.f_WriteMultiString(key, gc_UpperFilters, filters);
                    bChanged = true;
                });
    if (bChanged)
        fp_WriteMarker(gc_RebootMarker);
}

bool CDriverSetup::f_HasLaptopKeyboard()
{
    bool bFound = false;
    fg_Step("looking for the laptop keyboard",
            [&]
            {
                for (const char* key : gc_LaptopKeyboardKeys)
                    if (m_System.f_KeyExists(key))
                        bFound = true;
            });
    return bFound;
}

std::vector<NTev::CStr> CDriverSetup::fp_GetLaptopKeyboardInstances()
{
    std::vector<NTev::CStr> instances;
    for (const char* key : gc_LaptopKeyboardKeys)
        fg_Step(key,
                [&]
                {
                    if (!m_System.f_KeyExists(key))
                        return;
                    for (const NTev::CStr& subkey : m_System.f_GetSubkeys(key))
                    {
                        NTev::CStr instance = NTev::CStr(key) + "\\";
                        instance += subkey;
                        instances.push_back(instance);
                    }
                });
    return instances;
}

void CDriverSetup::f_InstallHidFilter(bool bOwnsInput)
{
    if (!f_HasLaptopKeyboard() || !bOwnsInput)
        return;
    bool bRebootNeeded = false;
    CInstallResult result = f_InstallDriver(gc_HidFilter, EInstallMode::Install, bRebootNeeded);
    if (bRebootNeeded)
    {
        fp_WriteMarker(gc_RebootMarker);
        return;
    }
    bool bChanged = result.m_bCopied;
    for (const NTev::CStr& instance : fp_GetLaptopKeyboardInstances())
    {
        const char* key = instance.f_GetStr();
        // A lower filter whose driver is missing would keep the keyboard from starting.
        if (result.m_bReady)
            fg_Step(key,
                    [&]
                    {
                        CFilterList filters;
                        m_System.f_ReadMultiString(key, gc_LowerFilters, filters);
                        if (!gf_AppendFilterOnce(filters, gc_HidFilter.m_pServiceName))
                            return;
                        m_System.f_WriteMultiString(key, gc_LowerFilters, filters);
                        bChanged = true;
                    });
        fg_Step(key,
                [&]
                {
                    NTev::CStr description;
                    if (!m_System.f_ReadString(key, gc_DeviceDesc, description) ||
                        !(description == gc_LaptopKeyboardDescription))
                        m_System.f_WriteString(key, gc_DeviceDesc, gc_LaptopKeyboardDescription);
                });
    }
    if (!bChanged)
        return;
    bool bRestartNeeded = false;
    fg_Step("restarting the laptop keyboard",
            [&]
            {
                bRestartNeeded = m_System.f_RestartDevices(
                    "HID", std::vector<const char*>(std::begin(gc_LaptopKeyboardIds),
                                                    std::end(gc_LaptopKeyboardIds)));
            });
    if (bRestartNeeded)
        fp_WriteMarker(gc_RebootMarker);
}

bool CDriverSetup::f_RemoveDriversIfRequested()
{
    bool bRequested = false;
    fg_Step("looking for the uninstall request",
            [&] { bRequested = gf_MarkerExists(m_StateDirectory, gc_UninstallMarker); });
    if (!bRequested)
        return false;
    fg_Step(gc_UninstallMarker, [&] { gf_DeleteMarker(m_StateDirectory, gc_UninstallMarker); });
    // A driver is taken away only once no list still names it, read back: a filter listed
    // without its driver leaves every keyboard or mouse of the class without its stack.
    bool bClassListsClean = true;
    for (const char* key : gc_ClassKeys)
        if (!fp_TakeOutOfList(key, gc_UpperFilters, gc_ClassFilter.m_pServiceName))
            bClassListsClean = false;
    bool bHidListsClean = true;
    for (const NTev::CStr& instance : fp_GetLaptopKeyboardInstances())
        if (!fp_TakeOutOfList(instance.f_GetStr(), gc_LowerFilters, gc_HidFilter.m_pServiceName))
            bHidListsClean = false;
    bool bRebootNeeded = true;
    if (bClassListsClean)
        f_InstallDriver(gc_ClassFilter, EInstallMode::Remove, bRebootNeeded);
    if (bHidListsClean)
        f_InstallDriver(gc_HidFilter, EInstallMode::Remove, bRebootNeeded);
    // Lists that did change take effect at the next boot too.
    fp_WriteMarker(gc_RebootMarker);
    // The requesting process waits for one answer or the other.
    if (bClassListsClean && bHidListsClean)
        fp_WriteMarker(gc_UninstallDoneMarker);
    else
    {
        NTev::gf_DebugOutput("Quillon drivers: a filter list kept its entry; the drivers stay installed\n");
        fp_WriteMarker(gc_UninstallFailedMarker);
    }
    return true;
}

void CDriverSetup::fp_WriteMarker(const char* name)
{
    fg_Step(name, [&] { gf_WriteMarker(m_StateDirectory, name); });
}
} // namespace NQuillon::NDrivers
