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

// What the rules of the program's folder allow.
enum class EProgramFolder
{
    // Only administrators (and SYSTEM) may change it, or the system keeps no rules at all.
    Protected,
    // A user who is not an administrator may change files the service loads and copies.
    Writable,
    // The rules could not be read.
    Unreadable,
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
    // The program command of the installed service as the service control manager holds it;
    // empty when it cannot be read (no such service).
    virtual NTev::CStr f_GetServiceCommand() = 0;
    virtual EProgramFolder f_CheckProgramFolder() = 0;
    // Sets the protection of the program's folder; false when the system refused.
    virtual bool f_ProtectProgramFolder() = 0;

protected:
    ~ICCommandHost() = default;
};

extern const char* const gc_AddServiceFailed;
extern const char* const gc_RemoveServiceFailed;
extern const char* const gc_StartServiceFailed;
extern const char* const gc_StopServiceFailed;
extern const char* const gc_RebootToFinishUninstall;
extern const char* const gc_UninstallDriversFailed;
extern const char* const gc_UninstallDriversNoAnswer;
extern const char* const gc_ProgramFolderWritable;
extern const char* const gc_ProgramFolderUnreadable;
extern const char* const gc_ProtectProgramFolderFailed;
extern const char* const gc_ProgramFolderNotProtected;

// How long the driver uninstall waits for the service's answer, in polls of 250 ms (60 s).
inline constexpr std::uint32_t gc_UninstallAnswerMilliseconds = 60000;

// The directory of the program that a service command starts ("\"<path>\" -Service <name>", or
// an unquoted path ending at the first blank), with "/" separators and no trailing one; empty
// when the command names no program in a directory.
NTev::CStr gf_GetServiceProgramDirectory(const char* command);

extern const char* const gc_SettingsNotMoved;

// Whether two directories are the same one: Windows' paths compare without regard to case and
// to the kind of separator.
bool gf_IsSameDirectory(const char* first, const char* second);

// Each returns the process's exit code (CommandLineRole.h): gc_ExitSucceeded, or the code of
// the failure it met.
// Adds (or adds if not added) until it succeeds or the user gives up; refuses at once (with a
// message) a program folder that is not protected, since the service runs as SYSTEM. A service that ran a
// program of another directory now runs this one (programDirectory): that directory gets the
// other's Settings.dat when it has none, so that the configuration moves with the service.
int gf_RunAddService(ICCommandHost& host, bool onlyIfNotAdded, const char* programDirectory);
// Stops and removes until both succeed or the user gives up.
int gf_RunRemoveService(ICCommandHost& host);
int gf_RunStartService(ICCommandHost& host);
int gf_RunStopService(ICCommandHost& host);
// Protects the program's folder and checks the rules read back.
int gf_RunProtectProgramFolder(ICCommandHost& host);
// Has the service uninstall the drivers: stop it, leave the request marker in the service's
// state folder, start it, wait for its answer at most gc_UninstallAnswerMilliseconds, stop it again; then
// reports a pending reboot. The answer is the done marker, or the failure marker when the service kept the
// drivers (reported to the user). The first failure decides the code; without one, a pending reboot gives
// gc_ExitRebootNeeded.
int gf_RunUninstallDrivers(ICCommandHost& host, const char* stateDirectory);
} // namespace NQuillon
