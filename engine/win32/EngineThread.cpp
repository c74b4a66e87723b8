// The engine thread on Windows: driver set-up, the window station and its desktops, the
// channel and repeat threads, the message loop with its turn of at most 150 ms, and the
// teardown.

#include "engine/DesktopThreadJob.h"
#include "engine/InputState.h"
#include "engine/RepeatThread.h"
#include "engine/win32/Platform.h"

#include "core/Clock.h"
#include "core/Format.h"

#include <cstring>

namespace NQuillon
{
namespace
{
// The longest the engine thread waits between two turns of its periodic tick.
constexpr DWORD gc_TurnMilliseconds = 150;

// Waits for a message, a change in the program directory or the next turn. The wait takes
// the directory watch's signal itself and arms the watch again at once, so that a turn of an
// idle engine costs no extra call to look at it; the change is kept for the next settings check.
// Returns whether messages may be waiting: not after a turn that came by the time-out.
bool fg_WaitForTurn(HANDLE watch, bool& changeSeen)
{
    const DWORD count = watch == INVALID_HANDLE_VALUE ? 0 : 1;
    const DWORD woken =
        MsgWaitForMultipleObjectsEx(count, &watch, gc_TurnMilliseconds, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (count && woken == WAIT_OBJECT_0)
    {
        changeSeen = true;
        FindNextChangeNotification(watch);
    }
    return woken != WAIT_TIMEOUT;
}

// Watches the engine's settings folder (as its source says), in place of the one watched
// before. A folder that does not exist yet leaves no watch: the check then looks every turn.
void fg_WatchSettingsDirectory(CMessageHook& engine, CMessageHook::CPlatform& platform)
{
    if (platform.m_hChangeNotification != INVALID_HANDLE_VALUE)
        FindCloseChangeNotification(platform.m_hChangeNotification);
    platform.m_hChangeNotification = INVALID_HANDLE_VALUE;
    const std::shared_ptr<ICSettingsSource> source = engine.f_GetSettingsSource();
    platform.m_WatchedDirectory = engine.f_GetSettingsDirectory();
    CSettingsSourceScope scope(source.get());
    if (scope.f_IsOpen())
        platform.m_hChangeNotification =
            FindFirstChangeNotificationA(platform.m_WatchedDirectory.f_GetStr(), TRUE,
                                         FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                             FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
    // A save between the load and the watch's creation left no trace in the watch: the next
    // check looks at the file anyway.
    platform.m_bChangeSeen = true;
}
} // namespace

CMessageHook::CPlatform* CMessageHook::fs_CreatePlatform(CMessageHook& engine)
{
    return new CPlatform(engine);
}

void CMessageHook::fs_DestroyPlatform(CPlatform* platform) noexcept
{
    delete platform;
}

ICRecordChannel* CMessageHook::fp_GetPlatformChannel() noexcept
{
    return &m_pPlatform->m_Channel;
}

void CMessageHook::fp_WakeEngineThread() noexcept
{
    if (const DWORD id = m_EngineThreadId.load())
        PostThreadMessageA(id, WM_QUIT, 0, 0);
}

std::uintptr_t CMessageHook::f_Run()
{
    CPlatform& platform = *m_pPlatform;
    // Only an engine that owns input answers the uninstall request: a tray process started at
    // the wrong moment would consume it and report it done without removing anything.
    if (m_bOwnsInput && m_pDriverSetup && m_pDriverSetup->f_RemoveDriversIfRequested())
        return 0;

    const std::uint32_t processId = GetCurrentProcessId();
    NTev::gf_Format(platform.m_ReportClassName, "QuillonReportClass{}", processId);
    NTev::gf_Format(platform.m_ReportWindowName, "QuillonReportWindow{}", processId);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = gf_ReportWindowProc;
    windowClass.lpszClassName = platform.m_ReportClassName.f_GetStr();
    platform.m_bClassRegistered = RegisterClassA(&windowClass) != 0;

    if (m_bOwnsInput && m_pDriverSetup)
        m_pDriverSetup->f_InstallClassFilter();

    fg_WatchSettingsDirectory(*this, platform);

    // The queue exists before the id is known, so that a stop's wake-up is never lost.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    m_EngineThreadId = GetCurrentThreadId();

    platform.m_hWindowStation = OpenWindowStationA("Winsta0", FALSE, GENERIC_ALL);
    if (platform.m_hWindowStation)
    {
        // Kept to be set again before the close: Windows refuses to close the window station
        // of the calling process.
        platform.m_hPreviousWindowStation = GetProcessWindowStation();
        SetProcessWindowStation(platform.m_hWindowStation);
        if (m_pDriverSetup)
            m_pDriverSetup->f_InstallHidFilter(m_bOwnsInput);
        f_EnumerateDesktops();
        if (m_bOwnsInput)
        {
            SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
            SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
            fp_StartInputThreads();
            fp_CaptureWithoutDevice();
        }
        bool messagesMayWait = true;
        while (!f_IsStopRequested())
        {
            while (messagesMayWait && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE) &&
                   message.message != WM_QUIT)
            {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            f_PeriodicTick();
            if (f_IsStopRequested())
                break;
            messagesMayWait = fg_WaitForTurn(platform.m_hChangeNotification, platform.m_bChangeSeen);
        }
    }
    fp_EndEngineRun();
    return 0;
}

void CMessageHook::fp_EndEngineRun()
{
    CPlatform& platform = *m_pPlatform;
    if (platform.m_hWindowStation)
    {
        {
            CLockGuard lock(m_Lock);
            platform.m_pInputDesktopThread = nullptr;
        }
        // The hooks let go of what the engine holds before the threads stop.
        const bool ownsInput = m_bOwnsInput;
        f_SetHookCapture(false);
        if (ownsInput)
            fp_StopInputThreads();
        // Desktop threads take the engine lock to destroy their windows: they are stopped
        // outside it.
        std::vector<std::unique_ptr<CDesktopThread>> desktopThreads;
        {
            CLockGuard lock(m_Lock);
            desktopThreads.swap(platform.m_DesktopThreads);
        }
        desktopThreads.clear();
        if (platform.m_hPreviousWindowStation)
            SetProcessWindowStation(platform.m_hPreviousWindowStation);
        platform.m_hPreviousWindowStation = nullptr;
        CloseWindowStation(platform.m_hWindowStation);
        platform.m_hWindowStation = nullptr;
    }
    if (platform.m_hChangeNotification != INVALID_HANDLE_VALUE)
        FindCloseChangeNotification(platform.m_hChangeNotification);
    platform.m_hChangeNotification = INVALID_HANDLE_VALUE;
    if (platform.m_bClassRegistered)
        UnregisterClassA(platform.m_ReportClassName.f_GetStr(), nullptr);
    platform.m_bClassRegistered = false;
    m_EngineThreadId = 0;
}

void CMessageHook::fp_CaptureWithoutDevice()
{
    // The service keeps waiting for the filter driver: its session agent captures meanwhile.
    // A program that owns input captures itself when there is no device to open.
    CKeyboardQueueThread& channel = m_pPlatform->m_Channel;
    if (m_bRunsAsService || m_pChannel != &channel || channel.f_OpenDevice())
        return;
    NTev::gf_DebugOutput("No filter driver: this process captures its session's input itself\n");
    channel.f_StopAndWait();
    if (!f_SetHookCapture(true))
        NTev::gf_DebugOutput("The low-level hooks could not be installed: nothing is remapped\n");
}

void CMessageHook::fp_StartChannelThread()
{
    m_pPlatform->m_Channel.f_Start(NTev::NThread::gc_PriorityNormal, 0);
}

void CMessageHook::fp_StopChannelThread()
{
    m_pPlatform->m_Channel.f_StopAndWait();
}

bool CMessageHook::fp_ConsumeDirectoryChange()
{
    CPlatform& platform = *m_pPlatform;
    // The folder changed with the settings source, or had no watch yet: watched anew.
    if (platform.m_hChangeNotification == INVALID_HANDLE_VALUE ||
        platform.m_WatchedDirectory.f_Compare(f_GetSettingsDirectory().f_GetStr()) != 0)
        fg_WatchSettingsDirectory(*this, platform);
    const bool changed = platform.m_bChangeSeen;
    platform.m_bChangeSeen = false;
    return changed;
}

namespace
{
DWORD WINAPI fg_RebootNoticeThread(void*)
{
    MessageBoxA(nullptr, "You need to reboot to finish the installation of the keyboard or filter driver.",
                "Warning", MB_ICONWARNING);
    return 0;
}
} // namespace

void CMessageHook::fp_ShowRebootNotice()
{
    // The engine thread of an engine that owns input does not wait for the user's answer.
    if (m_bOwnsInput)
    {
        if (HANDLE thread = CreateThread(nullptr, 0, &fg_RebootNoticeThread, nullptr, 0, nullptr))
        {
            CloseHandle(thread);
            return;
        }
    }
    fg_RebootNoticeThread(nullptr);
}

void CMessageHook::f_FollowInputDesktop()
{
    if (m_pSessionAgent.load())
        return;
    HDESK desktop = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (!desktop)
        return;
    char name[1024] = {};
    if (GetUserObjectInformationA(desktop, UOI_NAME, name, sizeof name - 1, nullptr))
    {
        CLockGuard lock(m_Lock);
        CPlatform& platform = *m_pPlatform;
        if (!platform.m_pInputDesktopThread ||
            platform.m_pInputDesktopThread->f_GetName().f_Compare(name) != 0)
            for (auto& thread : platform.m_DesktopThreads)
                if (thread->f_GetName().f_Compare(name) == 0)
                {
                    platform.m_pInputDesktopThread = thread.get();
                    f_RegisterRawInput();
                    break;
                }
    }
    CloseDesktop(desktop);
}

namespace
{
BOOL CALLBACK gf_OnDesktop(LPSTR name, LPARAM engine)
{
    reinterpret_cast<CMessageHook*>(engine)->f_NoteDesktop(name);
    return TRUE;
}
} // namespace

void CMessageHook::f_NoteDesktop(const char* name)
{
    CLockGuard lock(m_Lock);
    auto& threads = m_pPlatform->m_DesktopThreads;
    CDesktopThread* found = nullptr;
    for (auto& thread : threads)
        if (thread->f_GetName().f_Compare(name) == 0)
            found = thread.get();
    if (!found)
    {
        threads.push_back(std::make_unique<CDesktopThread>(*this, name));
        found = threads.back().get();
        found->f_Start(NTev::NThread::gc_PriorityNormal, 0);
    }
    found->m_bSeen = true;
}

void CMessageHook::f_EnumerateDesktops()
{
    CPlatform& platform = *m_pPlatform;
    // A service's desktops are not the user's: its session agent has the desktop threads.
    if (!platform.m_hWindowStation || m_pSessionAgent.load())
        return;
    {
        CLockGuard lock(m_Lock);
        for (auto& thread : platform.m_DesktopThreads)
            thread->m_bSeen = false;
    }
    EnumDesktopsA(platform.m_hWindowStation, gf_OnDesktop, reinterpret_cast<LPARAM>(this));
    // Threads of desktops that went away are stopped outside the engine lock: their run
    // takes it to destroy the report window.
    std::vector<std::unique_ptr<CDesktopThread>> gone;
    {
        CLockGuard lock(m_Lock);
        auto& threads = platform.m_DesktopThreads;
        for (auto it = threads.begin(); it != threads.end();)
            if ((*it)->m_bSeen)
                ++it;
            else
            {
                if (platform.m_pInputDesktopThread == it->get())
                    platform.m_pInputDesktopThread = nullptr;
                gone.push_back(std::move(*it));
                it = threads.erase(it);
            }
    }
}

bool CMessageHook::f_PostToInputDesktop(CDesktopThreadJob* job)
{
    CLockGuard lock(m_Lock);
    CDesktopThread* thread = m_pPlatform->m_pInputDesktopThread;
    return thread && thread->f_PostJob(job);
}

bool CMessageHook::f_PostToWinlogonDesktop()
{
    CLockGuard lock(m_Lock);
    for (auto& thread : m_pPlatform->m_DesktopThreads)
        if (thread->f_GetName().f_Compare("Winlogon") == 0)
            return thread->f_PostSecureAttention();
    return false;
}

std::size_t CMessageHook::f_GetDesktopThreadNames(std::vector<NTev::CStr>& names)
{
    CLockGuard lock(m_Lock);
    names.clear();
    for (auto& thread : m_pPlatform->m_DesktopThreads)
        names.push_back(thread->f_GetName());
    return names.size();
}
} // namespace NQuillon
