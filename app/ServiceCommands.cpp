#include "app/ServiceCommands.h"

#include "app/Drivers.h"
#include "app/Markers.h"
#include "core/Exception.h"

namespace NQuillon
{
const char* const gc_AddServiceFailed =
    "Failed to add service. Make sure that the service is not running and "
    "that no service manager is open.\nWould you like to try again?";
const char* const gc_RemoveServiceFailed =
    "Failed to delete service. Make sure that the service is not running "
    "and that no service manager is open.\nWould you like to try again?";
const char* const gc_StartServiceFailed = "Failed to start service.";
const char* const gc_StopServiceFailed = "Failed to stop service.";
const char* const gc_RebootToFinishUninstall = "You need to reboot to finish uninstallation.";

namespace
{
constexpr std::uint32_t gc_StopSettleMilliseconds = 1500;
constexpr std::uint32_t gc_DonePollMilliseconds = 250;

// Marker files are best effort: a failure leaves the sequence to go on.
template <typename t_CAction>
void fg_IgnoreFileErrors(t_CAction action)
{
    try
    {
        action();
    }
    catch (const NTev::NException::CException&)
    {
    }
}

bool fg_MarkerExists(const NTev::CStr& directory, const char* name)
{
    bool exists = false;
    fg_IgnoreFileErrors([&] { exists = NDrivers::gf_MarkerExists(directory, name); });
    return exists;
}
} // namespace

bool gf_RunAddService(ICCommandHost& host, bool onlyIfNotAdded)
{
    const EServiceOperation operation =
        onlyIfNotAdded ? EServiceOperation::AddIfNotAdded : EServiceOperation::Add;
    for (;;)
    {
        if (host.f_ServiceOperation(operation))
            return true;
        if (!host.f_AskRetry(gc_AddServiceFailed))
            return false;
    }
}

bool gf_RunRemoveService(ICCommandHost& host)
{
    for (;;)
    {
        if (host.f_ServiceOperation(EServiceOperation::Stop) &&
            host.f_ServiceOperation(EServiceOperation::Remove))
            return true;
        if (!host.f_AskRetry(gc_RemoveServiceFailed))
            return false;
    }
}

bool gf_RunStartService(ICCommandHost& host)
{
    if (host.f_ServiceOperation(EServiceOperation::Start))
        return true;
    host.f_ShowError(gc_StartServiceFailed);
    return false;
}

bool gf_RunStopService(ICCommandHost& host)
{
    if (host.f_ServiceOperation(EServiceOperation::Stop))
        return true;
    host.f_ShowError(gc_StopServiceFailed);
    return false;
}

bool gf_RunUninstallDrivers(ICCommandHost& host, const char* programDirectory)
{
    const NTev::CStr directory(programDirectory);
    bool succeeded = gf_RunStopService(host);
    host.f_Sleep(gc_StopSettleMilliseconds);
    fg_IgnoreFileErrors([&] { NDrivers::gf_WriteMarker(directory, NDrivers::gc_UninstallMarker); });
    if (gf_RunStartService(host))
    {
        // The starting service sees the request, removes the drivers and answers.
        while (!fg_MarkerExists(directory, NDrivers::gc_UninstallDoneMarker))
            host.f_Sleep(gc_DonePollMilliseconds);
        fg_IgnoreFileErrors([&] { NDrivers::gf_DeleteMarker(directory, NDrivers::gc_UninstallDoneMarker); });
        if (!gf_RunStopService(host))
            succeeded = false;
    }
    else
        succeeded = false;
    if (NDrivers::gf_TakeRebootMarker(directory))
        host.f_ShowWarning(gc_RebootToFinishUninstall);
    return succeeded;
}
} // namespace NQuillon
