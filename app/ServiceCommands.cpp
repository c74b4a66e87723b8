#include "app/ServiceCommands.h"

#include "core/Exception.h"
#include "core/File.h"
#include "core/SysFile.h"
#include "core/SysFind.h"

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

NTev::CStr fg_MarkerPath(const char* programDirectory, const char* marker)
{
    NTev::CStr path(programDirectory);
    path += marker;
    return path;
}

bool fg_Exists(const NTev::CStr& path)
{
    try
    {
        return NTev::NSys::NFile::gf_Exists(path.f_GetStr(), NTev::NSys::NFile::ExistsNotDirectory);
    }
    catch (const NTev::NException::CException&)
    {
        return false;
    }
}

// Marker files are best effort: a failure leaves the sequence to go on.
void fg_DeleteMarker(const NTev::CStr& path)
{
    try
    {
        NTev::NSys::NFile::gf_Delete(path.f_GetStr());
    }
    catch (const NTev::NException::CException&)
    {
    }
}

void fg_WriteMarker(const NTev::CStr& path)
{
    try
    {
        NTev::NFile::CFile file;
        file.f_Open(path.f_GetStr(), NTev::NFile::OpenWrite);
        const unsigned char one = 1;
        file.f_Write(&one, 1);
        file.f_Close();
    }
    catch (const NTev::NException::CException&)
    {
    }
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
    bool succeeded = gf_RunStopService(host);
    host.f_Sleep(gc_StopSettleMilliseconds);
    fg_WriteMarker(fg_MarkerPath(programDirectory, "/UninstallDrivers"));
    if (gf_RunStartService(host))
    {
        // The starting service sees the request, removes the drivers and answers.
        const NTev::CStr done = fg_MarkerPath(programDirectory, "/UninstallDriversDone");
        while (!fg_Exists(done))
            host.f_Sleep(gc_DonePollMilliseconds);
        fg_DeleteMarker(done);
        if (!gf_RunStopService(host))
            succeeded = false;
    }
    else
        succeeded = false;
    const NTev::CStr reboot = fg_MarkerPath(programDirectory, "/Rebootneeded");
    if (fg_Exists(reboot))
    {
        fg_DeleteMarker(reboot);
        host.f_ShowWarning(gc_RebootToFinishUninstall);
    }
    return succeeded;
}
} // namespace NQuillon
