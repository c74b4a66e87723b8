#include "app/ServiceCommands.h"

#include "app/Drivers.h"
#include "app/Markers.h"
#include "core/Exception.h"

#include <string>

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
const char* const gc_UninstallDriversFailed =
    "The drivers could not be removed. They were left installed, so that the keyboard and mouse keep "
    "working.";
const char* const gc_UninstallDriversNoAnswer =
    "The service did not answer the request to remove the drivers.";
const char* const gc_ProgramFolderWritable =
    "The service was not added: users who are not administrators may change files in this program's "
    "folder, and the service would run them with full rights.\nInstall Quillon into a protected folder "
    "such as Program Files, or run \"Quillon.exe -ProtectProgramFolder\" as an administrator, then add the "
    "service again.";
const char* const gc_ProgramFolderUnreadable =
    "The service was not added: the access rules of this program's folder could not be read.\nRun the "
    "command as an administrator, or install Quillon into Program Files.";
const char* const gc_ProtectProgramFolderFailed =
    "The program's folder could not be protected: Windows refused to change its access rules.\nRun the "
    "command as an administrator.";
const char* const gc_ProgramFolderNotProtected =
    "The program's folder was given its access rules, but users who are not administrators may still "
    "change it.\nCheck the folder's owner and security settings, or install Quillon into Program Files.";

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
    switch (host.f_CheckProgramFolder())
    {
        case EProgramFolder::Protected:
            break;
        case EProgramFolder::Writable:
            host.f_ShowError(gc_ProgramFolderWritable);
            return false;
        case EProgramFolder::Unreadable:
            host.f_ShowError(gc_ProgramFolderUnreadable);
            return false;
    }
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

bool gf_RunProtectProgramFolder(ICCommandHost& host)
{
    if (!host.f_ProtectProgramFolder())
    {
        host.f_ShowError(gc_ProtectProgramFolderFailed);
        return false;
    }
    if (host.f_CheckProgramFolder() != EProgramFolder::Protected)
    {
        host.f_ShowError(gc_ProgramFolderNotProtected);
        return false;
    }
    return true;
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

NTev::CStr gf_GetServiceProgramDirectory(const char* command)
{
    std::string text(command ? command : "");
    std::string path;
    if (!text.empty() && text[0] == '"')
    {
        const std::size_t end = text.find('"', 1);
        if (end == std::string::npos)
            return NTev::CStr();
        path = text.substr(1, end - 1);
    }
    else
        path = text.substr(0, text.find(' '));
    for (char& c : path)
        if (c == '\\')
            c = '/';
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return NTev::CStr();
    return NTev::CStr(path.substr(0, slash).c_str());
}

bool gf_RunUninstallDrivers(ICCommandHost& host, const char* stateDirectory)
{
    const NTev::CStr directory(stateDirectory);
    bool succeeded = gf_RunStopService(host);
    host.f_Sleep(gc_StopSettleMilliseconds);
    fg_IgnoreFileErrors([&] { NDrivers::gf_WriteMarker(directory, NDrivers::gc_UninstallMarker); });
    if (gf_RunStartService(host))
    {
        // The starting service sees the request, removes the drivers (or keeps them) and answers.
        std::uint32_t waited = 0;
        bool done = false;
        bool failed = false;
        for (;;)
        {
            done = fg_MarkerExists(directory, NDrivers::gc_UninstallDoneMarker);
            failed = fg_MarkerExists(directory, NDrivers::gc_UninstallFailedMarker);
            if (done || failed || waited >= gc_UninstallAnswerMilliseconds)
                break;
            host.f_Sleep(gc_DonePollMilliseconds);
            waited += gc_DonePollMilliseconds;
        }
        if (done)
            fg_IgnoreFileErrors([&]
                                { NDrivers::gf_DeleteMarker(directory, NDrivers::gc_UninstallDoneMarker); });
        if (failed)
            fg_IgnoreFileErrors(
                [&] { NDrivers::gf_DeleteMarker(directory, NDrivers::gc_UninstallFailedMarker); });
        if (!done && !failed)
        {
            // No later start of the service may act on a request this command gave up.
            if (fg_MarkerExists(directory, NDrivers::gc_UninstallMarker))
                fg_IgnoreFileErrors([&]
                                    { NDrivers::gf_DeleteMarker(directory, NDrivers::gc_UninstallMarker); });
            host.f_ShowError(gc_UninstallDriversNoAnswer);
            succeeded = false;
        }
        else if (failed && !done)
        {
            host.f_ShowError(gc_UninstallDriversFailed);
            succeeded = false;
        }
        if (!gf_RunStopService(host))
            succeeded = false;
    }
    else
        succeeded = false;
    // The marker stays: the service deletes it after the restart.
    if (NDrivers::gf_IsRebootMarkerSet(directory))
        host.f_ShowWarning(gc_RebootToFinishUninstall);
    return succeeded;
}
} // namespace NQuillon
