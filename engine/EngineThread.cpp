// The parts of the engine thread that both backends share: the periodic tick, the settings
// check, and starting and stopping the threads of an engine that owns input.

#include "engine/InputState.h"
#include "engine/RebootMarker.h"
#include "engine/RepeatThread.h"

#include "core/Exception.h"
#include "core/Format.h"
#include "core/SysFile.h"
#include "core/SysFind.h"

namespace NQuillon
{
namespace
{
// How often the settings file and the desktops are looked at, in engine seconds.
constexpr double gc_SettingsCheckPeriod = 0.1;
} // namespace

std::uintptr_t CMessageHook::f_Stop(bool wait)
{
    const std::uintptr_t result = ICThread::f_Stop(false);
    fp_WakeEngineThread();
    return wait ? ICThread::f_Stop(true) : result;
}

void CMessageHook::f_OnEngineThreadFailed() noexcept
{
    m_bThreadFailed = true;
    if (!m_bOwnsInput)
        return;
    NTev::gf_DebugOutput("A thread of the engine failed: the engine stops\n");
    try
    {
        ICThread::f_Stop(false);
    }
    catch (const NTev::NException::CException&)
    {
    }
    fp_WakeEngineThread();
}

void CMessageHook::f_OnRunFailed() noexcept
{
    try
    {
        fp_EndEngineRun();
    }
    catch (...)
    {
        NTev::gf_DebugOutput("The engine's teardown after a failure failed too\n");
    }
}

void CMessageHook::f_RequestRefresh()
{
    CLockGuard lock(m_Lock);
    m_bRefreshPending = true;
}

void CMessageHook::f_PeriodicTick()
{
    bool checkRebootMarker = false;
    {
        CLockGuard lock(m_Lock);
        if (m_bRefreshPending)
        {
            f_RegisterRawInput();
            // Without a service ("-RunAsProgram") the engine that owns input tells the user
            // itself; the service tells its agents (agent/ServiceAgentLink).
            checkRebootMarker = m_bOwnsInput && !m_bRunsAsService;
            m_bRefreshPending = false;
        }
    }
    if (checkRebootMarker && f_IsRebootNoticeDue())
    {
        f_RecordRebootNoticeTold();
        fp_ShowRebootNotice();
    }
    if (m_bRebootNoticeWanted.exchange(false))
        fp_ShowRebootNotice();
    if (f_GetEngineTime() >= m_NextSettingsCheck)
    {
        // The configuring process reloads too: with a copy older than the file, its next save
        // would throw away what another process saved.
        const bool sourceChanged = f_TakeSettingsSourceChange();
        fp_CheckSettings(fp_ConsumeDirectoryChange() || sourceChanged);
        if (m_bOwnsInput || m_bHostsSessionAgent)
            f_EnumerateDesktops();
        // From its own previous value: after a long pause the check runs on every turn
        // until it has caught up.
        m_NextSettingsCheck += gc_SettingsCheckPeriod;
    }
    if (m_bOwnsInput || m_bHostsSessionAgent)
        f_FollowInputDesktop();
}

void CMessageHook::f_SetStateDirectory(const NTev::CStr& directory)
{
    CLockGuard lock(m_Lock);
    m_StateDirectory = directory;
}

bool CMessageHook::f_IsRebootNoticeDue()
{
    NTev::CStr directory;
    {
        CLockGuard lock(m_Lock);
        directory = m_StateDirectory;
    }
    return NRebootMarker::gf_IsNoticeDue(directory);
}

void CMessageHook::f_RecordRebootNoticeTold()
{
    NTev::CStr directory;
    {
        CLockGuard lock(m_Lock);
        directory = m_StateDirectory;
    }
    NRebootMarker::gf_RecordNoticeTold(directory);
}

void CMessageHook::f_RequestRebootNotice()
{
    m_bRebootNoticeWanted = true;
    f_RequestRefresh();
}

void CMessageHook::fp_CheckSettings(bool changeSeen)
{
    // A file that another program held during the change is read again later, although the
    // watch sees no further change.
    if (!changeSeen && !f_IsLoadRetryDue())
        return;
    // Reads the file only when its write time changed, and without the engine lock: input is
    // evaluated while another process holds the file. Only the swap takes the lock.
    f_LoadSettings("Settings.dat");
    CLockGuard lock(m_Lock);
    m_bRefreshPending = true;
}

void CMessageHook::fp_StartInputThreads()
{
    fp_StartChannelThread();
    m_pRepeatThread->f_Start(NTev::NThread::gc_PriorityNormal, 0);
}

void CMessageHook::fp_StopInputThreads()
{
    // The channel lets go of every generated key before it closes the device, so that a stop
    // never leaves a key held down in the system.
    fp_StopChannelThread();
    m_pRepeatThread->f_Stop(true);
}
} // namespace NQuillon
