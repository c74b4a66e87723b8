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
    // Sets the protection of the program's folder (the installer runs it after copying).
    ProtectProgramFolder,
    RunAsProgram,
    TrayIcon,
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

// Exit codes of the process: a one-shot command that succeeded and every role that ran; a
// one-shot command that failed or was given up; a second instance that ended at once.
inline constexpr int gc_ExitSucceeded = 0;
inline constexpr int gc_ExitFailed = 1;
inline constexpr int gc_ExitAlreadyRunning = 2;

struct CCommandLineRole
{
    ERole m_Role = ERole::Help;
    // The text after the option with leading blanks removed, for the roles that take a service
    // name; empty keeps the default names.
    NTev::CStr m_ServiceName;
};

// The option that selects the role ("-AddService"); empty for the help.
const char* gf_GetRoleOption(ERole role) noexcept;
// Whether the role reads a service name after its option.
bool gf_RoleTakesServiceName(ERole role) noexcept;

// Options are found anywhere in the argument text, tried in a fixed order in which every
// option comes before the options it contains ("-AddServiceIfNotAdded" before "-AddService",
// the options ending in "Service" before "-Service"); the first found decides.
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
