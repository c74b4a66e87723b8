#pragma once
// The one-shot commands of the command line: the service operations with their messages and
// retry loops, and the driver uninstall through the service and marker files. The platform
// (service control manager, message boxes, sleeping) is reached through ICCommandHost.

#include "core/Str.h"

#include <cstdint>

namespace NQuillon
{
// The service control manager operations, by their codes.
enum class EServiceOperation : int
{
    Start = 0,
    Stop = 1,
    Add = 2,
    Remove = 3,
    AddIfNotAdded = 4,
};

class ICCommandHost
{
public:
    // True when the operation succeeded.
    virtual bool f_ServiceOperation(EServiceOperation operation) = 0;
    // An error message with Yes and No; true for Yes.
    virtual bool f_AskRetry(const char* text) = 0;
    virtual void f_ShowError(const char* text) = 0;
    virtual void f_ShowWarning(const char* text) = 0;
    virtual void f_Sleep(std::uint32_t milliseconds) = 0;

protected:
    ~ICCommandHost() = default;
};

extern const char* const gc_AddServiceFailed;
extern const char* const gc_RemoveServiceFailed;
extern const char* const gc_StartServiceFailed;
extern const char* const gc_StopServiceFailed;
extern const char* const gc_RebootToFinishUninstall;

// Each returns true when the operation finally succeeded.
// Adds (or adds if not added) until it succeeds or the user gives up.
bool gf_RunAddService(ICCommandHost& host, bool onlyIfNotAdded);
// Stops and removes until both succeed or the user gives up.
bool gf_RunRemoveService(ICCommandHost& host);
bool gf_RunStartService(ICCommandHost& host);
bool gf_RunStopService(ICCommandHost& host);
// Has the service uninstall the drivers: stop it, leave the request marker in the program
// directory, start it, wait for the done marker, stop it again; then reports a pending reboot.
// True when every service operation succeeded.
bool gf_RunUninstallDrivers(ICCommandHost& host, const char* programDirectory);
} // namespace NQuillon
