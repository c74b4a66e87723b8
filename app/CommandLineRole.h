#pragma once
// The role a process plays, chosen by its command line, and the texts derived from it: the
// argument text, the service's display name and program command, the help text.

#include "core/Str.h"

namespace NQuillon
{
enum class ERole
{
    AddServiceIfNotAdded,
    AddService,
    RemoveService,
    UninstallDrivers,
    StartService,
    StopService,
    // Asks every other process of a program folder (this program's, or the folder named after
    // the option), in every session, to exit: installers, before they replace the programs;
    // administrators only.
    ExitInstances,
    // Has the desktop shell start this folder's Quillon.exe with the options after it, as the
    // user of the desktop, unelevated: an elevated installer starts the tray with it.
    StartAsDesktopUser,
    // Sets the protection of the program's folder (the installer runs it after copying).
    ProtectProgramFolder,
    RunAsProgram,
    TrayIcon,
    // The tray with its dialog shown in front; with a tray running in the session, that tray
    // shows its dialog instead.
    Settings,
    // The hidden agent the service starts in the user's session; not in the help text, since
    // only the service starts it.
    SessionAgent,
    // An administrator's choice that the hidden agent runs elevated (with a UAC consent, from
    // the tray menu); not in the help text either.
    RemapAdministratorWindows,
    RemapAdministratorWindowsOff,
    Service,
    Help,
};

// Exit codes of the process: a one-shot command that succeeded and every role that ran; a role
// that could not run; a second instance that ended at once. Each failure of a one-shot command
// has a code of its own, so that an unattended installer (-Quiet) can tell them apart; the
// README's table lists them.
inline constexpr int gc_ExitSucceeded = 0;
inline constexpr int gc_ExitFailed = 1;
inline constexpr int gc_ExitAlreadyRunning = 2;
inline constexpr int gc_ExitAddServiceFailed = 10;
inline constexpr int gc_ExitRemoveServiceFailed = 11;
inline constexpr int gc_ExitStartServiceFailed = 12;
inline constexpr int gc_ExitStopServiceFailed = 13;
// The service kept the drivers (a device class's filter list could not be edited).
inline constexpr int gc_ExitDriversKept = 14;
// The service did not answer the driver removal request in time.
inline constexpr int gc_ExitDriversNoAnswer = 15;
inline constexpr int gc_ExitProgramFolderNotProtected = 16;
// "-RemapAdministratorWindows[Off]": the choice could not be saved.
inline constexpr int gc_ExitChoiceNotSaved = 17;
// "-ExitInstances": a process of the program folder still runs after the last resort.
inline constexpr int gc_ExitInstancesRemain = 18;
// "-Quiet" without a command: the help it would show.
inline constexpr int gc_ExitNoCommand = 19;
// "-StartAsDesktopUser": no desktop shell to start the program in, or it refused.
inline constexpr int gc_ExitNoDesktopShell = 20;
// Not a failure: the command succeeded and a reboot finishes it (Windows'
// ERROR_SUCCESS_REBOOT_REQUIRED, which installers know).
inline constexpr int gc_ExitRebootNeeded = 3010;

// The switch that turns message boxes into trace lines and answers questions No.
inline constexpr const char* gc_QuietOption = "-Quiet";

struct CCommandLineRole
{
    ERole m_Role = ERole::Help;
    // "-Quiet" was given (as a word of its own, anywhere): nobody is there to answer a box.
    bool m_bQuiet = false;
    // The text after the option with leading blanks removed, for the roles that take a service
    // name; empty keeps the default names.
    NTev::CStr m_ServiceName;
    // For "-ExitInstances" the folder named after it, without surrounding quotes (empty: this
    // program's folder); for "-StartAsDesktopUser" the options to pass on.
    NTev::CStr m_Argument;
};

// The option that selects the role ("-AddService"); empty for the help.
const char* gf_GetRoleOption(ERole role) noexcept;
// Whether the role reads a service name after its option.
bool gf_RoleTakesServiceName(ERole role) noexcept;

// Options are found anywhere in the argument text, tried in a fixed order in which every
// option comes before the options it contains ("-AddServiceIfNotAdded" before "-AddService",
// the options ending in "Service" before "-Service"); the first found decides. "-Quiet" is taken
// out of the text first, so that it is never part of a service name.
CCommandLineRole gf_ParseRole(const char* argumentText);

// The command line after the program name (quoted or not) and the blanks that follow it.
NTev::CStr gf_GetArgumentText(const char* commandLine);
// The text with its leading blanks removed.
const char* gf_SkipBlanks(const char* text) noexcept;

// "<product> [<service name>]".
NTev::CStr gf_FormatServiceDisplayName(const char* product, const char* serviceName);
// The program path in double quotes (unless it begins with one), " -Service " and the name:
// the command the service control manager starts.
NTev::CStr gf_FormatServiceCommand(const char* programPath, const char* serviceName);
// The reboot message of the service's failure actions.
NTev::CStr gf_FormatRebootMessage(const char* displayName);
// The help text with the process's whole command line in it.
NTev::CStr gf_FormatHelpText(const char* commandLine);
} // namespace NQuillon
