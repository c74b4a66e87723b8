#pragma once
// What the driver installation needs of the system: the registry below
// HKLM "SYSTEM\CurrentControlSet", the service control manager, deletion at the next boot and
// the restart of devices. Files go through the core library. Failures throw
// NTev::NException::CException unless a function says otherwise.

#include "app/FilterList.h"
#include "core/Str.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace NQuillon::NDrivers
{
class ICServiceManager
{
public:
    virtual ~ICServiceManager() = default;

    enum class EDelete
    {
        Deleted,
        Missing,
        Failed,
    };

    virtual bool f_ServiceExists(const char* name) = 0;
    // Marks the service for deletion; the system removes it once nothing holds it.
    virtual EDelete f_DeleteService(const char* name) = 0;
    // A demand-start kernel driver service of the image path ("\" separators); false when it
    // could not be created.
    virtual bool f_CreateKernelService(const char* name, const char* displayName, const char* imagePath) = 0;
    // Starts the driver's service and waits a bounded time for it to run: the proof that the
    // system loads the driver (signature, blocklist, a file that is no driver). True when it
    // runs, also when it already did.
    virtual bool f_StartService(const char* name) = 0;
};

class ICDriverSystem
{
public:
    virtual bool f_KeyExists(const char* key) = 0;
    // The names of the key's subkeys.
    virtual std::vector<NTev::CStr> f_GetSubkeys(const char* key) = 0;
    // False when the value is missing; a missing key throws.
    virtual bool f_ReadMultiString(const char* key, const char* value, CFilterList& list) = 0;
    virtual void f_WriteMultiString(const char* key, const char* value, const CFilterList& list) = 0;
    virtual bool f_ReadString(const char* key, const char* value, NTev::CStr& text) = 0;
    virtual void f_WriteString(const char* key, const char* value, const char* text) = 0;
    // False when the key or the value is missing.
    virtual bool f_ReadNumber(const char* key, const char* value, std::uint32_t& number) = 0;

    // %SystemRoot% with "/" separators.
    virtual NTev::CStr f_GetSystemRoot() = 0;
    virtual unsigned f_GetNativeArchitecture() = 0;
    // Null when the service control manager cannot be opened.
    virtual std::unique_ptr<ICServiceManager> f_OpenServiceManager() = 0;
    // Schedules the file's deletion at the next boot.
    virtual void f_DeleteAtReboot(const char* path) = 0;
    virtual void f_Sleep(unsigned milliseconds) = 0;
    // Restarts the present devices of the enumerator whose identifier starts with one of the
    // prefixes; true when one of them asks for a restart of the machine.
    virtual bool f_RestartDevices(const char* enumerator, const std::vector<const char*>& idPrefixes) = 0;

protected:
    ~ICDriverSystem() = default;
};

// The running system (on POSIX builds one without registry, services or devices).
ICDriverSystem& gf_GetDriverSystem();
} // namespace NQuillon::NDrivers
