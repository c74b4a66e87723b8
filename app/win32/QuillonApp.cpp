#include "app/win32/QuillonApp.h"

#include "agent/win32/AgentOptions.h"
#include "agent/win32/SessionAgentClient.h"
#include "app/CommandLineRole.h"
#include "app/win32/EngineGuard.h"
#include "app/win32/QuillonService.h"
#include "config/win32/SettingsPlaces.h"
#include "core/CommandLine.h"
#include "core/Exception.h"
#include "core/Format.h"
#include "core/Thread.h"
#include "core/win32/ServiceHandle.h"
#include "ui/win32/LaptopSetupWindow.h"
#include "ui/win32/QuillonDlg.h"

namespace NQuillon
{
namespace
{
constexpr const char* gc_ProductName = "Quillon";
constexpr const char* gc_SupportContact = "support@quillon.example";
constexpr const char* gc_StartupMutex = "Global\\QuillonStartup";
constexpr const char* gc_TrayIconMutex = "Local\\QuillonTrayIconStartup";
constexpr const char* gc_SessionAgentMutex = "Local\\QuillonSessionAgent";
// A hidden agent that finds no service to serve in this time ends.
constexpr DWORD gc_AgentConnectMilliseconds = 15000;
constexpr const char* gc_RegistryKey = "Velmora\\Quillon";
constexpr const char* gc_ServiceLoadOrderGroup = "Event Log";
// The service's control that starts its session agent anew.
constexpr DWORD gc_RestartAgentControl = 128;
} // namespace

CQuillonApp::CQuillonApp()
{
    m_Hook.f_SetDriverSetup(&m_DriverSetup);
}

CQuillonApp::~CQuillonApp()
{
    m_pAgentClient.reset();
    m_pMainDialog.reset();
    m_Hook.f_Stop(true);
    if (m_hInstanceMutex)
        CloseHandle(m_hInstanceMutex);
}

BOOL CQuillonApp::InitInstance()
{
    CAppBase::InitInstance();

    CQuillon_Service service(m_Hook);
    service.f_SetLoadOrderGroup(gc_ServiceLoadOrderGroup);
    m_pService = &service;
    struct CClearService
    {
        CQuillon_Service*& m_pService;
        ~CClearService() { m_pService = nullptr; }
    } clearService{m_pService};

    m_CrashReporter.m_DisplayName = gc_ProductName;
    m_CrashReporter.m_Contact = gc_SupportContact;
    m_CrashReporter.m_bQuiet = false;

    const CCommandLineRole role = gf_ParseRole(f_GetArgumentText().f_GetStr());
    if (gf_RoleTakesServiceName(role.m_Role))
        service.f_SetServiceName(role.m_ServiceName.f_GetStr());

    bool succeeded = true;
    switch (role.m_Role)
    {
        case ERole::AddServiceIfNotAdded:
            succeeded = gf_RunAddService(*this, true);
            break;
        case ERole::AddService:
            succeeded = gf_RunAddService(*this, false);
            break;
        case ERole::RemoveService:
            succeeded = gf_RunRemoveService(*this);
            break;
        case ERole::UninstallDrivers:
            m_Hook.m_bOwnsInput = false;
            succeeded = gf_RunUninstallDrivers(*this, NTev::NSys::NFile::gf_GetProgramDirectory().f_GetStr());
            break;
        case ERole::StartService:
            succeeded = gf_RunStartService(*this);
            break;
        case ERole::StopService:
            succeeded = gf_RunStopService(*this);
            break;
        case ERole::RunAsProgram:
            if (!fp_TakeInstanceMutex(gc_StartupMutex))
                return FALSE;
            m_Hook.m_bOwnsInput = true;
            fp_UseUserSettings();
            return fp_CommonStart();
        case ERole::TrayIcon:
            if (!fp_TakeInstanceMutex(gc_TrayIconMutex))
                return FALSE;
            m_Hook.m_bOwnsInput = false;
            m_Hook.m_bHostsSessionAgent = true;
            fp_UseUserSettings();
            if (!fp_CommonStart())
                return FALSE;
            // With the choice to remap in administrator windows, the elevated hidden agent
            // serves the session: this unelevated process would not see those windows' keys.
            if (!gf_ReadRemapAdministratorWindows())
            {
                m_pAgentClient = std::make_unique<CSessionAgentClient>(m_Hook);
                m_pAgentClient->f_Start(false);
            }
            return TRUE;
        case ERole::SessionAgent:
            if (!fp_TakeInstanceMutex(gc_SessionAgentMutex))
                return FALSE;
            m_Hook.m_bOwnsInput = false;
            m_Hook.m_bHostsSessionAgent = true;
            // Hidden: like the service, it has no window to explain a crash from.
            m_CrashReporter.m_bQuiet = true;
            fp_UseUserSettings();
            succeeded = fp_RunSessionAgent();
            break;
        case ERole::Service:
            // Only held against "-RunAsProgram": the service starts whoever made the name first.
            m_hInstanceMutex = gf_CreateServiceEngineGuard(gc_StartupMutex);
            m_Hook.m_bOwnsInput = true;
            m_Hook.m_bRunsAsService = true;
            m_CrashReporter.m_bQuiet = true;
            // The settings follow the console's user (the service's agent sets them).
            m_Hook.f_SetProgramDirectory(NTev::NSys::NFile::gf_GetProgramDirectory().f_GetStr());
            succeeded = service.f_RunService();
            break;
        case ERole::RemapAdministratorWindows:
        case ERole::RemapAdministratorWindowsOff:
            succeeded = fp_SetRemapAdministratorWindows(role.m_Role == ERole::RemapAdministratorWindows,
                                                        service.f_GetServiceName().f_GetStr());
            break;
        case ERole::Help:
        {
            const NTev::CStr text = gf_FormatHelpText(NTev::NSys::NFile::gfs_GetCommandLine().f_GetStr());
            MessageBoxA(nullptr, text.f_GetStr(), "Command Line Options", MB_OK);
            break;
        }
    }
    m_ExitCode = succeeded ? gc_ExitSucceeded : gc_ExitFailed;
    return FALSE;
}

int CQuillonApp::ExitInstance()
{
    // Destroying the dialog removes the tray icon.
    m_pMainDialog.reset();
    m_hMainDialog = nullptr;
    m_hMainWnd = nullptr;
    // The agent and the engine stop here, not in the application's static destructor: by then
    // other files' globals (the plug-in actions' shared state among them) may be gone.
    m_pAgentClient.reset();
    m_Hook.f_Stop(true);
    return CAppBase::ExitInstance();
}

bool CQuillonApp::fp_TakeInstanceMutex(const char* name)
{
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    const DWORD error = GetLastError();
    // Access denied: the mutex exists, made by a process of another account.
    if (!mutex || error == ERROR_ALREADY_EXISTS)
    {
        if (mutex)
            CloseHandle(mutex);
        if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED)
        {
            m_ExitCode = gc_ExitAlreadyRunning;
            return false;
        }
        // The guard could not be made at all: run without it rather than not at all.
        return true;
    }
    m_hInstanceMutex = mutex;
    return true;
}

void CQuillonApp::fp_UseUserSettings()
{
    CSettingsPlaces places;
    const NTev::CStr directory = gf_PrepareSettingsDirectory(places);
    m_Hook.f_SetProgramDirectory(places.f_GetProgramDirectory().f_GetStr());
    m_Hook.f_SetSettingsDirectory(directory.f_GetStr());
    NTev::gf_DebugOutput("Settings: {}/{}\n", directory, gc_SettingsFileName);
}

BOOL CQuillonApp::fp_CommonStart()
{
    // The configuring process writes the file again at once, so that it is in the current
    // version; never after a load that gave up.
    if (m_Hook.f_LoadSettings("Settings.dat") && !m_Hook.m_bOwnsInput)
        m_Hook.f_SaveSettings();
    f_SetRegistryKey(gc_RegistryKey);
    m_pLaptopSetup = std::make_unique<CLaptopSetupWindow>(m_Hook);
    m_pMainDialog = std::make_unique<CQuillonDlg>(m_Hook, m_pLaptopSetup.get());
    if (!m_pMainDialog->f_Create())
    {
        m_pMainDialog.reset();
        m_ExitCode = gc_ExitFailed;
        return FALSE;
    }
    m_hMainDialog = m_pMainDialog->f_GetWindow();
    m_hMainWnd = m_hMainDialog;
    try
    {
        m_Hook.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    }
    catch (const NTev::NException::CException&)
    {
        m_ExitCode = gc_ExitFailed;
        return FALSE;
    }
    return TRUE;
}

bool CQuillonApp::fp_RunSessionAgent()
{
    try
    {
        m_Hook.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    }
    catch (const NTev::NException::CException&)
    {
        return false;
    }
    m_pAgentClient = std::make_unique<CSessionAgentClient>(m_Hook);
    m_pAgentClient->f_Start(true);
    // Until the service lets the agent go, a WM_QUIT comes, or no service answers in time.
    const ULONGLONG started = GetTickCount64();
    bool connected = false;
    for (;;)
    {
        if (m_pAgentClient->f_WaitEnded(500))
            break;
        connected = connected || m_pAgentClient->f_IsConnected();
        if (!connected && GetTickCount64() - started > gc_AgentConnectMilliseconds)
            break;
        MSG message;
        if (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
            break;
    }
    m_pAgentClient.reset();
    m_Hook.f_Stop(true);
    return true;
}

bool CQuillonApp::fp_SetRemapAdministratorWindows(bool on, const char* serviceName)
{
    const LONG result = gf_WriteRemapAdministratorWindows(on);
    if (result != ERROR_SUCCESS)
    {
        NTev::gf_DebugOutput("The choice of remapping in administrator windows was not saved: error {}\n",
                             static_cast<std::uint32_t>(result));
        f_ShowError(
            result == ERROR_ACCESS_DENIED
                ? "Only an administrator can change \"Remap in administrator windows too\". Nothing "
                  "was changed."
                : "\"Remap in administrator windows too\" could not be saved in the registry. Nothing "
                  "was changed.");
        return false;
    }
    // The session agent starts anew, with the token the choice gives it; without the service
    // the choice applies at its next start.
    NTev::NSys::CServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    NTev::NSys::CServiceHandle quillon(
        manager ? OpenServiceA(manager.f_Get(), serviceName, SERVICE_USER_DEFINED_CONTROL) : nullptr);
    SERVICE_STATUS status{};
    if (quillon)
        ControlService(quillon.f_Get(), gc_RestartAgentControl, &status);
    return true;
}

bool CQuillonApp::f_ServiceOperation(EServiceOperation operation)
{
    return m_pService && m_pService->f_ServiceOperation(operation);
}

bool CQuillonApp::f_AskRetry(const char* text)
{
    return MessageBoxA(nullptr, text, "Error", MB_ICONERROR | MB_YESNO) == IDYES;
}

void CQuillonApp::f_ShowError(const char* text)
{
    MessageBoxA(nullptr, text, "Error", MB_ICONERROR | MB_OK);
}

void CQuillonApp::f_ShowWarning(const char* text)
{
    MessageBoxA(nullptr, text, "Warning", MB_ICONWARNING | MB_OK);
}

void CQuillonApp::f_Sleep(std::uint32_t milliseconds)
{
    Sleep(milliseconds);
}

NTev::CStr CQuillonApp::f_GetServiceCommand()
{
    return m_pService ? m_pService->f_QueryInstalledCommand() : NTev::CStr();
}
} // namespace NQuillon
