#pragma once
// A small service framework: installs, removes, starts and stops the service through the
// service control manager, and runs its main function and control handler. One service
// object per process.

#include "app/ServiceCommands.h"
#include "core/Mutual.h"
#include "core/Str.h"

#include <windows.h>

namespace NQuillon
{
class CVoService
{
public:
    // Throws CException when another service object exists in this process.
    CVoService(const char* serviceName, const char* displayName, const char* description);
    virtual ~CVoService();
    CVoService(const CVoService&) = delete;
    CVoService& operator=(const CVoService&) = delete;

    // The service object of this process, or null.
    static CVoService* fs_GetCurrent() noexcept;

    // The name given on the command line (leading blanks are skipped): an empty one keeps
    // the defaults, any other becomes the service name and "<default display name> [name]"
    // the display name.
    void f_SetServiceName(const char* name);
    void f_SetLoadOrderGroup(const char* group) { m_LoadOrderGroup = group; }

    const NTev::CStr& f_GetServiceName() const noexcept { return m_ServiceName; }
    const NTev::CStr& f_GetDisplayName() const noexcept { return m_DisplayName; }
    const NTev::CStr& f_GetDescription() const noexcept { return m_Description; }
    // The command the service control manager starts: this program with "-Service <name>".
    NTev::CStr f_GetServiceCommand() const;

    // The program command of the installed service of this name; empty when it cannot be read.
    NTev::CStr f_QueryInstalledCommand() const;
    // Runs one service control manager operation; true on success.
    bool f_ServiceOperation(EServiceOperation operation);
    // Hands this thread to the service control dispatcher; returns when the service has
    // stopped (true), or at once when the dispatcher could not start (false).
    bool f_RunService();

protected:
    // Non-zero when the service started.
    virtual BOOL OnStart() = 0;
    virtual BOOL OnStop() = 0;
    virtual BOOL OnPause() = 0;
    virtual BOOL OnContinue() = 0;
    // A user logged on or off, or a session was connected to or disconnected from the console
    // (a WTS_* event type). Called on the dispatcher's thread: must not block.
    virtual void OnSessionChange(DWORD eventType, DWORD sessionId)
    {
        (void)eventType;
        (void)sessionId;
    }
    // A control code of the service's own (128 to 255); false when it has no meaning here.
    virtual bool OnUserControl(DWORD control)
    {
        (void)control;
        return false;
    }
    // Asked about once a second while the service runs, on the service's main thread: a
    // service-specific code when the service can no longer do its work. The service then stops
    // and reports that code, so that the recovery configured with the service applies.
    virtual DWORD OnCheckHealth() { return 0; }

private:
    static void WINAPI fs_ServiceMain(DWORD argumentCount, LPSTR* arguments);
    static DWORD WINAPI fs_ControlHandler(DWORD control, DWORD eventType, void* eventData, void* context);
    void fp_ServiceMain();
    void fp_Control(DWORD control);
    // On the service's main thread, after a stop control or a fault: OnStop runs on a thread
    // of its own while this one reports STOP_PENDING with moving checkpoints; a stop that
    // outlives its bound ends the process.
    void fp_RunStop(DWORD fault);
    void fp_AdvanceCheckpoint();
    // Reports the current status; a failure is traced.
    void fp_ReportStatus();
    // Reports the stopped state as the very last use of this object: once the service
    // control manager has it, the dispatcher returns and the object may be gone.
    class CStatusLock;
    void fp_ReportStopped(CStatusLock& lock);

    bool fp_Start(SC_HANDLE manager);
    bool fp_Stop(SC_HANDLE manager);
    bool fp_AddOrRemove(SC_HANDLE manager, bool add, const char* command);
    bool fp_AddIfNotAdded(SC_HANDLE manager, const char* command);

    NTev::CStr m_ServiceName;
    NTev::CStr m_DisplayName;
    NTev::CStr m_DefaultDisplayName;
    NTev::CStr m_Description;
    NTev::CStr m_LoadOrderGroup;
    // Guards the status between the control handler and the service main function.
    NTev::CMutual m_StatusLock;
    SERVICE_STATUS m_Status = {};
    SERVICE_STATUS_HANDLE m_hStatus = nullptr;
    // Manual reset: set by the stop control, waited for by the service's main thread.
    HANDLE m_hStopRequest = nullptr;
};
} // namespace NQuillon
