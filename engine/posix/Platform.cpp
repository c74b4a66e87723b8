// The engine thread without Windows: no window station, desktops, raw input or filter
// driver. It still watches the settings file and runs the repeat thread, so that the
// simulator and the tests run the same engine loop.

#include "engine/DesktopThreadJob.h"
#include "engine/InputState.h"
#include "engine/RepeatThread.h"

#include "core/Format.h"
#include "core/SysThread.h"

#include <sys/stat.h>

namespace NQuillon
{
// Stands in for the directory watch: what the settings file looked like at the last check.
struct CMessageHook::CPlatform
{
    bool m_bChecked = false;
    bool m_bExisted = false;
    struct timespec m_WriteTime = {};
    off_t m_Size = 0;
};

CMessageHook::CPlatform* CMessageHook::fs_CreatePlatform(CMessageHook&)
{
    return new CPlatform;
}

void CMessageHook::fs_DestroyPlatform(CPlatform* platform) noexcept
{
    delete platform;
}

ICRecordChannel* CMessageHook::fp_GetPlatformChannel() noexcept
{
    return nullptr;
}

std::uintptr_t CMessageHook::f_Run()
{
    // Only an engine that owns input answers the uninstall request: a tray process started at
    // the wrong moment would consume it and report it done without removing anything.
    if (m_bOwnsInput && m_pDriverSetup && m_pDriverSetup->f_RemoveDriversIfRequested())
        return 0;
    if (m_bOwnsInput && m_pDriverSetup)
        m_pDriverSetup->f_InstallClassFilter();
    m_EngineThreadId = NTev::NSys::gf_Thread_GetCurrentId();
    if (m_pDriverSetup)
        m_pDriverSetup->f_InstallHidFilter(m_bOwnsInput);
    f_EnumerateDesktops();
    if (m_bOwnsInput)
        fp_StartInputThreads();
    // The Windows loop wakes at least every 150 ms for its timer; so does this one.
    while (!f_IsStopRequested())
    {
        f_PeriodicTick();
        f_GetStopEvent().f_WaitClockSeconds(0.15);
    }
    fp_EndEngineRun();
    return 0;
}

void CMessageHook::fp_EndEngineRun()
{
    if (m_bOwnsInput)
        fp_StopInputThreads();
    m_EngineThreadId = 0;
}

void CMessageHook::fp_WakeEngineThread() noexcept {}

void CMessageHook::fp_StartChannelThread() {}

void CMessageHook::fp_StopChannelThread()
{
    CLockGuard lock(m_Lock);
    f_ReleaseAllKeys();
}

bool CMessageHook::fp_StartCaptureChannel()
{
    return true;
}

void CMessageHook::fp_StopCaptureChannel() {}

// A change of the settings file's existence, size or write time since the last check counts
// as a change of the directory.
bool CMessageHook::fp_ConsumeDirectoryChange()
{
    NTev::CStr path = f_GetSettingsDirectory();
    path += "/Settings.dat";
    struct stat status = {};
    const bool exists = stat(path.f_GetStr(), &status) == 0;
    CPlatform& seen = *m_pPlatform;
    const bool changed =
        !seen.m_bChecked || exists != seen.m_bExisted ||
        (exists && (status.st_size != seen.m_Size || status.st_mtim.tv_sec != seen.m_WriteTime.tv_sec ||
                    status.st_mtim.tv_nsec != seen.m_WriteTime.tv_nsec));
    seen.m_bChecked = true;
    seen.m_bExisted = exists;
    seen.m_Size = exists ? status.st_size : 0;
    seen.m_WriteTime = exists ? status.st_mtim : timespec{};
    return changed;
}

void CMessageHook::fp_ShowRebootNotice()
{
    NTev::gf_DebugOutput("You need to reboot to finish the installation of the keyboard or filter driver.\n");
}

// Without desktops the job runs on the caller's thread.
bool CMessageHook::f_PostToInputDesktop(CDesktopThreadJob* job)
{
    job->f_Run();
    return true;
}

bool CMessageHook::f_PostToWinlogonDesktop()
{
    return false;
}

std::size_t CMessageHook::f_GetDesktopThreadNames(std::vector<NTev::CStr>& names)
{
    names.clear();
    return 0;
}

void CMessageHook::f_NoteDesktop(const char*) {}
void CMessageHook::f_FollowInputDesktop() {}
void CMessageHook::f_EnumerateDesktops() {}
void CMessageHook::f_RegisterRawInput() {}
} // namespace NQuillon

namespace NQuillon
{
// No hooks and no filter driver here: the simulator and the tests give the engine its records.
bool CMessageHook::f_SetHookCapture(bool on)
{
    return !on;
}

bool CMessageHook::f_IsHookCapturing()
{
    return false;
}

bool CMessageHook::f_IsFilterDeviceOpen()
{
    return false;
}
} // namespace NQuillon
