#include "app/win32/QuillonApp.h"

#include "agent/win32/AgentOptions.h"
#include "agent/win32/SessionAgentClient.h"
#include "app/CommandLineRole.h"
#include "app/Markers.h"
#include "app/win32/DesktopShell.h"
#include "app/win32/EngineGuard.h"
#include "app/win32/InstanceSystem.h"
#include "app/win32/QuillonService.h"
#include "config/win32/SettingsPlaces.h"
#include "core/CommandLine.h"
#include "core/Exception.h"
#include "core/Format.h"
#include "core/SysClock.h"
#include "core/SysFolderAccess.h"
#include "core/Thread.h"
#include "core/win32/ServiceHandle.h"
#include "engine/RebootMarker.h"
#include "ui/win32/LaptopSetupWindow.h"
#include "ui/win32/QuillonDlg.h"
#include "ui/win32/SettingsRequest.h"

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
// How long "-Settings" looks for the dialog of a tray that holds the mutex: one that is still
// starting makes its dialog within this time.
constexpr std::uint32_t gc_RunningTrayMilliseconds = 5000;

// The service's state folder, made or checked protected; empty when none could be had (the
// markers and the service's crash files then go nowhere).
NTev::CStr fg_PrepareStateDirectory()
{
    const NTev::CStr directory = NDrivers::gf_GetStateDirectory();
    if (directory.f_IsEmpty() || !NTev::NSys::NFolderAccess::gf_PrepareProtectedFolder(
                                     directory.f_GetStr(), NTev::NFolderAccess::EProtection::StateFolder))
    {
        NTev::gf_DebugOutput(
            "No protected state folder: markers and the service's crash files are left out\n");
        return NTev::CStr();
    }
    return directory;
}

// When the machine started.
NTev::CTime fg_BootTime()
{
    return NTev::NSys::gf_Clock_GetWallTime() - NTev::CTime::fs_FromTicks(GetTickCount64(), 1000);
}

// Where a user role's crash files go: the user's local application data, never a folder other
// users share.
NTev::CStr fg_UserCrashDirectory()
{
    NTev::CStr directory = NTev::NSys::NFolderAccess::gf_GetUserLocalDataFolder();
    if (directory.f_IsEmpty())
        return directory;
    directory += "/Quillon";
    return directory;
}
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
    m_CrashReporter.m_Directory = fg_UserCrashDirectory();
    m_CrashReporter.m_bNoFiles = m_CrashReporter.m_Directory.f_IsEmpty();

    const CCommandLineRole role = gf_ParseRole(f_GetArgumentText().f_GetStr());
    if (gf_RoleTakesServiceName(role.m_Role))
        service.f_SetServiceName(role.m_ServiceName.f_GetStr());
    // The service and the hidden agent have nobody to answer a box, with or without -Quiet.
    m_bQuiet = role.m_bQuiet || role.m_Role == ERole::Service || role.m_Role == ERole::SessionAgent;

    const NTev::CStr programDirectory = NTev::NSys::NFile::gf_GetProgramDirectory();
    int exitCode = gc_ExitSucceeded;
    switch (role.m_Role)
    {
        case ERole::AddServiceIfNotAdded:
            exitCode = gf_RunAddService(*this, true, programDirectory.f_GetStr());
            break;
        case ERole::AddService:
            exitCode = gf_RunAddService(*this, false, programDirectory.f_GetStr());
            break;
        case ERole::RemoveService:
            exitCode = gf_RunRemoveService(*this);
            break;
        case ERole::UninstallDrivers:
            m_Hook.m_bOwnsInput = false;
            exitCode = gf_RunUninstallDrivers(*this, fg_PrepareStateDirectory().f_GetStr());
            break;
        case ERole::StartService:
            exitCode = gf_RunStartService(*this);
            break;
        case ERole::StopService:
            exitCode = gf_RunStopService(*this);
            break;
        case ERole::ExitInstances:
        {
            // The service is stopped, not ended: its stop lets go of every key it holds.
            std::vector<std::uint32_t> excluded;
            if (const std::uint32_t serviceProcess =
                    gf_QueryServiceProcessId(service.f_GetServiceName().f_GetStr()))
                excluded.push_back(serviceProcess);
            CInstanceSystem system;
            const NTev::CStr& folder = role.m_Argument.f_IsEmpty() ? programDirectory : role.m_Argument;
            exitCode = gf_RunExitInstances(system, folder.f_GetStr(), GetCurrentProcessId(), excluded);
            break;
        }
        case ERole::StartAsDesktopUser:
        {
            std::string directory = programDirectory.f_GetStr();
            for (char& c : directory)
                if (c == '/')
                    c = '\\';
            std::string failure;
            if (gf_StartAsDesktopUser(directory + "\\Quillon.exe", role.m_Argument.f_GetStr(), directory,
                                      failure))
                break;
            NTev::gf_DebugOutput("The desktop shell did not start Quillon.exe {}: {}\n", role.m_Argument,
                                 failure.c_str());
            exitCode = gc_ExitNoDesktopShell;
            break;
        }
        case ERole::ProtectProgramFolder:
            exitCode = gf_RunProtectProgramFolder(*this);
            break;
        case ERole::RunAsProgram:
            if (!fp_TakeInstanceMutex(gc_StartupMutex))
                return FALSE;
            m_Hook.m_bOwnsInput = true;
            m_CrashReporter.m_bFullDump = false;
            fp_UseStateDirectory(fg_PrepareStateDirectory());
            fp_UseUserSettings();
            return fp_CommonStart();
        case ERole::TrayIcon:
        case ERole::Settings:
            if (!fp_TakeInstanceMutex(gc_TrayIconMutex))
            {
                // A tray runs in this session: "-Settings" has it show its dialog; a second
                // "-TrayIcon" (the Run key) ends silently.
                if (role.m_Role == ERole::Settings)
                {
                    if (gf_AskRunningTrayToShowSettings(gc_RunningTrayMilliseconds))
                        m_ExitCode = gc_ExitSucceeded;
                    else
                        NTev::gf_DebugOutput("-Settings found no tray dialog to show\n");
                }
                return FALSE;
            }
            m_Hook.m_bOwnsInput = false;
            m_Hook.m_bHostsSessionAgent = true;
            fp_UseUserSettings();
            if (!fp_CommonStart())
                return FALSE;
            m_pMainDialog->f_MarkAsSessionTray();
            if (role.m_Role == ERole::Settings)
                m_pMainDialog->f_ShowInFront();
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
            exitCode = fp_RunSessionAgent() ? gc_ExitSucceeded : gc_ExitFailed;
            break;
        case ERole::Service:
            // Only held against "-RunAsProgram": the service starts whoever made the name first.
            m_hInstanceMutex = gf_CreateServiceEngineGuard(gc_StartupMutex);
            m_Hook.m_bOwnsInput = true;
            m_Hook.m_bRunsAsService = true;
            m_CrashReporter.m_bQuiet = true;
            m_CrashReporter.m_bFullDump = false;
            {
                // Its crash files hold recent key records: only administrators may read them.
                const NTev::CStr state = fg_PrepareStateDirectory();
                m_CrashReporter.m_Directory = state;
                m_CrashReporter.m_bNoFiles = state.f_IsEmpty();
                NRebootMarker::gf_ClearAfterRestart(state, fg_BootTime());
                fp_UseStateDirectory(state);
            }
            // The settings follow the console's user (the service's agent sets them).
            m_Hook.f_SetProgramDirectory(NTev::NSys::NFile::gf_GetProgramDirectory().f_GetStr());
            exitCode = service.f_RunService() ? gc_ExitSucceeded : gc_ExitFailed;
            break;
        case ERole::RemapAdministratorWindows:
        case ERole::RemapAdministratorWindowsOff:
            exitCode = fp_SetRemapAdministratorWindows(role.m_Role == ERole::RemapAdministratorWindows,
                                                       service.f_GetServiceName().f_GetStr())
                           ? gc_ExitSucceeded
                           : gc_ExitChoiceNotSaved;
            break;
        case ERole::Help:
        {
            const NTev::CStr commandLine = NTev::NSys::NFile::gfs_GetCommandLine();
            if (m_bQuiet)
            {
                // An installer that names a command this program does not know fails.
                NTev::gf_DebugOutput("Quiet: no command in the command line {}\n", commandLine);
                exitCode = gc_ExitNoCommand;
                break;
            }
            const NTev::CStr text = gf_FormatHelpText(commandLine.f_GetStr());
            MessageBoxA(nullptr, text.f_GetStr(), "Command Line Options", MB_OK);
            break;
        }
    }
    if (exitCode != gc_ExitSucceeded)
        NTev::gf_DebugOutput("{} ends with exit code {}\n", gf_GetRoleOption(role.m_Role), exitCode);
    m_ExitCode = exitCode;
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
    // version; never after a load that gave up. A folder it cannot write costs no wait here
    // and shows nothing at logon (the save traces it); the first edit tells the user.
    if (m_Hook.f_LoadSettings("Settings.dat") && !m_Hook.m_bOwnsInput && !m_Hook.f_SaveSettings())
    {
        CMessageHookBase::CSaveFailure failure;
        m_Hook.f_TakeSaveFailure(failure);
    }
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
    if (m_bQuiet)
    {
        NTev::gf_DebugOutput("Quiet, answered No: {}\n", text);
        return false;
    }
    return MessageBoxA(nullptr, text, "Error", MB_ICONERROR | MB_YESNO) == IDYES;
}

void CQuillonApp::f_ShowError(const char* text)
{
    if (m_bQuiet)
    {
        NTev::gf_DebugOutput("Quiet, error: {}\n", text);
        return;
    }
    MessageBoxA(nullptr, text, "Error", MB_ICONERROR | MB_OK);
}

void CQuillonApp::f_ShowWarning(const char* text)
{
    if (m_bQuiet)
    {
        NTev::gf_DebugOutput("Quiet, warning: {}\n", text);
        return;
    }
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

EProgramFolder CQuillonApp::f_CheckProgramFolder()
{
    const NTev::CStr directory = NTev::NSys::NFile::gf_GetProgramDirectory();
    if (!NTev::NSys::NFolderAccess::gf_SystemKeepsFolderRules())
    {
        NTev::gf_DebugOutput("This system keeps no folder rules: {} counts as protected\n", directory);
        return EProgramFolder::Protected;
    }
    NTev::NFolderAccess::CFolderAccess access;
    if (!NTev::NSys::NFolderAccess::gf_ReadFolderAccess(directory.f_GetStr(), access))
        return EProgramFolder::Unreadable;
    return NTev::NFolderAccess::gf_CanOthersWrite(access) ? EProgramFolder::Writable
                                                          : EProgramFolder::Protected;
}

bool CQuillonApp::f_ProtectProgramFolder()
{
    return NTev::NSys::NFolderAccess::gf_SetFolderProtection(
        NTev::NSys::NFile::gf_GetProgramDirectory().f_GetStr(),
        NTev::NFolderAccess::EProtection::ProgramFolder);
}
} // namespace NQuillon
