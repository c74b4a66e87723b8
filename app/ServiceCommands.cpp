#include "app/ServiceCommands.h"

#include "app/CommandLineRole.h"
#include "app/Drivers.h"
#include "app/Markers.h"
#include "core/Exception.h"
#include "core/Format.h"
#include "core/SysFile.h"
#include "core/SysFind.h"

#include <cctype>
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
const char* const gc_SettingsNotMoved =
    "The service now runs from this folder, but the settings of its former folder could not be "
    "copied here. Copy Settings.dat from the former folder into this one.";
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

bool gf_IsSameDirectory(const char* first, const char* second)
{
    auto normal = [](const char* path)
    {
        std::string text(path ? path : "");
        for (char& c : text)
            c = c == '\\' ? '/' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        while (text.size() > 1 && text.back() == '/')
            text.pop_back();
        return text;
    };
    return normal(first) == normal(second);
}

namespace
{
constexpr const char* gc_SettingsFile = "/Settings.dat";

// The configuration of the directory the service ran from, for a directory without one.
void fg_MoveSettings(ICCommandHost& host, const NTev::CStr& from, const char* to)
{
    if (from.f_IsEmpty() || gf_IsSameDirectory(from.f_GetStr(), to))
        return;
    using namespace NTev::NSys::NFile;
    const NTev::CStr source = from + gc_SettingsFile;
    const NTev::CStr target = NTev::CStr(to) + gc_SettingsFile;
    try
    {
        if (!gf_Exists(source.f_GetStr(), ExistsNotDirectory) ||
            gf_Exists(target.f_GetStr(), AttributeDirectory | ExistsNotDirectory))
            return;
        gf_Copy(source.f_GetStr(), target.f_GetStr());
        NTev::gf_DebugOutput("Settings.dat copied from the service's former folder {}\n", from);
    }
    catch (const NTev::NException::CException&)
    {
        host.f_ShowWarning(gc_SettingsNotMoved);
    }
}
} // namespace

int gf_RunAddService(ICCommandHost& host, bool onlyIfNotAdded, const char* programDirectory)
{
    switch (host.f_CheckProgramFolder())
    {
        case EProgramFolder::Protected:
            break;
        case EProgramFolder::Writable:
            host.f_ShowError(gc_ProgramFolderWritable);
            return gc_ExitProgramFolderNotProtected;
        case EProgramFolder::Unreadable:
            host.f_ShowError(gc_ProgramFolderUnreadable);
            return gc_ExitProgramFolderNotProtected;
    }
    const EServiceOperation operation =
        onlyIfNotAdded ? EServiceOperation::AddIfNotAdded : EServiceOperation::Add;
    // Read before the add changes it.
    const NTev::CStr formerDirectory = gf_GetServiceProgramDirectory(host.f_GetServiceCommand().f_GetStr());
    for (;;)
    {
        if (host.f_ServiceOperation(operation))
        {
            fg_MoveSettings(host, formerDirectory, programDirectory);
            return gc_ExitSucceeded;
        }
        if (!host.f_AskRetry(gc_AddServiceFailed))
            return gc_ExitAddServiceFailed;
    }
}

int gf_RunProtectProgramFolder(ICCommandHost& host)
{
    if (!host.f_ProtectProgramFolder())
    {
        host.f_ShowError(gc_ProtectProgramFolderFailed);
        return gc_ExitProgramFolderNotProtected;
    }
    if (host.f_CheckProgramFolder() != EProgramFolder::Protected)
    {
        host.f_ShowError(gc_ProgramFolderNotProtected);
        return gc_ExitProgramFolderNotProtected;
    }
    return gc_ExitSucceeded;
}

int gf_RunRemoveService(ICCommandHost& host)
{
    for (;;)
    {
        if (host.f_ServiceOperation(EServiceOperation::Stop) &&
            host.f_ServiceOperation(EServiceOperation::Remove))
            return gc_ExitSucceeded;
        if (!host.f_AskRetry(gc_RemoveServiceFailed))
            return gc_ExitRemoveServiceFailed;
    }
}

int gf_RunStartService(ICCommandHost& host)
{
    if (host.f_ServiceOperation(EServiceOperation::Start))
        return gc_ExitSucceeded;
    host.f_ShowError(gc_StartServiceFailed);
    return gc_ExitStartServiceFailed;
}

int gf_RunStopService(ICCommandHost& host)
{
    if (host.f_ServiceOperation(EServiceOperation::Stop))
        return gc_ExitSucceeded;
    host.f_ShowError(gc_StopServiceFailed);
    return gc_ExitStopServiceFailed;
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

int gf_RunUninstallDrivers(ICCommandHost& host, const char* stateDirectory)
{
    const NTev::CStr directory(stateDirectory);
    int result = gc_ExitSucceeded;
    auto note = [&](int code)
    {
        if (result == gc_ExitSucceeded)
            result = code;
    };
    note(gf_RunStopService(host));
    host.f_Sleep(gc_StopSettleMilliseconds);
    fg_IgnoreFileErrors([&] { NDrivers::gf_WriteMarker(directory, NDrivers::gc_UninstallMarker); });
    const int started = gf_RunStartService(host);
    note(started);
    if (started == gc_ExitSucceeded)
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
            note(gc_ExitDriversNoAnswer);
        }
        else if (failed && !done)
        {
            host.f_ShowError(gc_UninstallDriversFailed);
            note(gc_ExitDriversKept);
        }
        note(gf_RunStopService(host));
    }
    // The marker stays: the service deletes it after the restart.
    if (NDrivers::gf_IsRebootMarkerSet(directory))
    {
        host.f_ShowWarning(gc_RebootToFinishUninstall);
        note(gc_ExitRebootNeeded);
    }
    return result;
}
} // namespace NQuillon
