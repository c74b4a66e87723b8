// Capture without the filter driver on Windows: switching the engine to the low-level hooks
// and back, and the hooks of a key recording when no device can be opened.

#include "engine/InputState.h"
#include "engine/RepeatThread.h"
#include "engine/win32/Platform.h"

#include "core/CrashMessage.h"
#include "core/Format.h"

namespace NQuillon
{
namespace
{
using CHookGuard = NTev::TCMutualLock<NTev::CMutual>;

// Exactly one engine captures a session's input with hooks: a second one ("-RunAsProgram"
// started beside the service's agent) would evaluate every key again. The name is the
// session's own; only its user's processes can make it.
constexpr const char* gc_CaptureGuardName = "Local\\QuillonHookCapture";

HANDLE fg_TakeCaptureGuard()
{
    HANDLE guard = CreateMutexA(nullptr, FALSE, gc_CaptureGuardName);
    if (guard && GetLastError() != ERROR_ALREADY_EXISTS)
        return guard;
    if (guard)
        CloseHandle(guard);
    NTev::gf_DebugOutput("Another engine captures this session's input: this one does not\n");
    return nullptr;
}
} // namespace

bool CMessageHook::f_IsHookCapturing()
{
    CHookGuard hooks(m_pPlatform->m_HookLock);
    return m_pPlatform->m_bHookCapture;
}

bool CMessageHook::f_IsFilterDeviceOpen()
{
    return m_pPlatform->m_Channel.f_IsDeviceOpen();
}

bool CMessageHook::f_SetHookCapture(bool on)
{
    CPlatform& platform = *m_pPlatform;
    CHookGuard hooks(platform.m_HookLock);
    if (on == platform.m_bHookCapture)
        return true;
    if (on)
    {
        // From here on memory may hold the session's key records.
        NTev::NCrash::gf_Crash_GetSettings().m_bFullDump = false;
        platform.m_hCaptureGuard = fg_TakeCaptureGuard();
        if (!platform.m_hCaptureGuard)
            return false;
        if (!platform.m_pHookThread)
            platform.m_pHookThread = std::make_unique<CHookThread>(*this);
        if (!platform.m_pHookThread->f_StartHooks())
        {
            CloseHandle(platform.m_hCaptureGuard);
            platform.m_hCaptureGuard = nullptr;
            return false;
        }
        {
            CLockGuard lock(m_Lock);
            platform.m_pChannelBeforeHooks = m_pChannel;
            platform.m_bOwnedInputBeforeHooks = m_bOwnsInput;
            m_pChannel = &platform.m_pHookThread->f_GetChannel();
            m_bOwnsInput = true;
            m_bRefreshPending = true;
        }
        platform.m_bRepeatForHooks = m_pRepeatThread->f_GetState() != ICThread::mc_StateRunning;
        if (platform.m_bRepeatForHooks)
            m_pRepeatThread->f_Start(NTev::NThread::gc_PriorityNormal, 0);
        platform.m_bHookCapture = true;
        return true;
    }
    {
        // Let go of everything while the hooks still inject.
        CLockGuard lock(m_Lock);
        f_ReleaseAllKeys();
        m_bOwnsInput = platform.m_bOwnedInputBeforeHooks;
        m_pChannel = platform.m_pChannelBeforeHooks;
        m_bRefreshPending = true;
    }
    platform.m_bHookCapture = false;
    if (platform.m_bRepeatForHooks)
        m_pRepeatThread->f_Stop(true);
    platform.m_bRepeatForHooks = false;
    // The thread injects what was queued before it ends.
    if (!platform.m_bHooksForRecording)
        platform.m_pHookThread->f_StopHooks();
    CloseHandle(platform.m_hCaptureGuard);
    platform.m_hCaptureGuard = nullptr;
    NTev::gf_DebugOutput("Stopped capturing input with the low-level hooks\n");
    return true;
}

bool CMessageHook::fp_StartCaptureChannel()
{
    CPlatform& platform = *m_pPlatform;
    CKeyboardQueueThread& channel = platform.m_Channel;
    // Records written elsewhere (the simulator, tests), or the hooks already capture.
    if (m_pChannel != &channel)
        return true;
    // An engine that owns input runs its channel all the time: it is left alone.
    const bool start = !m_bOwnsInput && channel.f_GetState() != ICThread::mc_StateRunning;
    if (start)
        channel.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    if (channel.f_OpenDevice())
        return true;
    if (start)
        channel.f_StopAndWait();
    // No device: record with hooks of this process's own.
    CHookGuard hooks(platform.m_HookLock);
    if (!platform.m_pHookThread)
        platform.m_pHookThread = std::make_unique<CHookThread>(*this);
    if (!platform.m_pHookThread->f_StartHooks())
        return false;
    platform.m_bHooksForRecording = true;
    return true;
}

void CMessageHook::fp_StopCaptureChannel()
{
    CPlatform& platform = *m_pPlatform;
    {
        CHookGuard hooks(platform.m_HookLock);
        if (platform.m_bHooksForRecording)
        {
            platform.m_bHooksForRecording = false;
            if (!platform.m_bHookCapture)
                platform.m_pHookThread->f_StopHooks();
            return;
        }
    }
    // Only the capture's own channel ends with it; stopping the channel of an engine that
    // owns input would end all remapping.
    if (!m_bOwnsInput && m_pChannel == &platform.m_Channel)
        platform.m_Channel.f_StopAndWait();
}
} // namespace NQuillon
