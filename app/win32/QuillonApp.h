#pragma once
// The application object: it owns the input engine and plays the role the command line
// chooses (service, background engine, tray icon, or a one-shot service command).

// The engine's record declarations come before the system headers, which define macros of
// the same names.
#include "engine/MessageHook.h"

#include "app/EngineDriverSetup.h"
#include "app/ServiceCommands.h"
#include "app/win32/AppBase.h"
#include "core/CrashMessage.h"

#include <memory>

namespace NQuillon
{
class CQuillon_Service;
class CQuillonDlg;
class CLaptopSetupWindow;
class CSessionAgentClient;

class CQuillonApp : public CAppBase, private ICCommandHost
{
public:
    // What the crash reporter shows and whom it names; quiet means no message box.
    using CCrashReporterSettings = NTev::NCrash::CCrashSettings;

    CQuillonApp();
    ~CQuillonApp() override;

    CMessageHook& f_GetMessageHook() noexcept { return m_Hook; }
    const CCrashReporterSettings& f_GetCrashReporterSettings() const noexcept { return m_CrashReporter; }

    // The main dialog once created.
    HWND m_hMainDialog = nullptr;
    CQuillonDlg* f_GetMainDialog() noexcept { return m_pMainDialog.get(); }

protected:
    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    bool f_ServiceOperation(EServiceOperation operation) override;
    bool f_AskRetry(const char* text) override;
    void f_ShowError(const char* text) override;
    void f_ShowWarning(const char* text) override;
    void f_Sleep(std::uint32_t milliseconds) override;
    NTev::CStr f_GetServiceCommand() override;
    EProgramFolder f_CheckProgramFolder() override;
    bool f_ProtectProgramFolder() override;

    // Creates the named mutex and keeps it for the life of the process; false when another
    // process made it first.
    bool fp_TakeInstanceMutex(const char* name);
    // The markers' folder for the engine and its driver steps.
    void fp_UseStateDirectory(const NTev::CStr& directory)
    {
        m_Hook.f_SetStateDirectory(directory);
        m_DriverSetup.f_SetStateDirectory(directory);
    }
    // The settings folder of a role the user runs, made and seeded on the user's first start.
    void fp_UseUserSettings();
    // Loads the settings and starts the engine of a role that keeps running.
    BOOL fp_CommonStart();
    // The hidden agent the service starts: the engine's desktop threads and the agent's
    // connection, until the service lets it go.
    bool fp_RunSessionAgent();
    // Saves the choice (administrators only) and has the service start its agent anew.
    bool fp_SetRemapAdministratorWindows(bool on, const char* serviceName);

    CMessageHook m_Hook;
    CEngineDriverSetup m_DriverSetup{m_Hook};
    // The core library's settings, which its crash filter reads.
    CCrashReporterSettings& m_CrashReporter = NTev::NCrash::gf_Crash_GetSettings();
    // The service object of the running initialisation.
    CQuillon_Service* m_pService = nullptr;
    HANDLE m_hInstanceMutex = nullptr;
    // No message box: "-Quiet", or a role nobody watches (the service, the hidden agent).
    bool m_bQuiet = false;
    std::unique_ptr<CLaptopSetupWindow> m_pLaptopSetup;
    std::unique_ptr<CQuillonDlg> m_pMainDialog;
    // The tray's or the hidden agent's connection to the service.
    std::unique_ptr<CSessionAgentClient> m_pAgentClient;
};
} // namespace NQuillon
