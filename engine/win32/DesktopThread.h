#pragma once
// One thread per desktop of the window station: it owns the desktop's hidden report window
// (raw input of the laptop's key collection, device changes) and runs jobs posted to it.
//
// Its thread messages carry no data: any process may post to any thread, so a job runs only
// when the engine queued it here, and the Ctrl+Alt+Delete broadcast only when the engine asked
// for it. A message nobody asked for finds nothing to do.

#include "engine/MessageHook.h"

#include "core/Mutual.h"
#include "core/Str.h"

#include <atomic>
#include <deque>

#include <windows.h>

namespace NQuillon
{
class CMessageHook::CDesktopThread final : public NTev::NThread::ICThread
{
public:
    // Thread messages: broadcast the Ctrl+Alt+Delete hot key; run the queued jobs.
    static constexpr UINT mc_MessageSecureAttention = WM_USER + 6;
    static constexpr UINT mc_MessageRunJob = WM_USER + 7;

    CDesktopThread(CMessageHook& engine, const char* name);
    // Posts WM_QUIT, stops the thread and waits. Jobs still queued are not run.
    ~CDesktopThread() override;

    // Also wakes the thread's wait for messages.
    std::uintptr_t f_Stop(bool wait) override;
    bool f_Post(UINT message, WPARAM parameter);
    // Queues the job and wakes the thread, which runs it; false when the thread has no queue.
    bool f_PostJob(CDesktopThreadJob* job);
    // Has the thread broadcast the Ctrl+Alt+Delete hot key once.
    bool f_PostSecureAttention();

    const NTev::CStr& f_GetName() const noexcept { return m_Name; }
    // Under the engine lock.
    HWND f_GetReportWindow() const noexcept { return m_hReportWindow; }
    bool m_bSeen = false;

protected:
    std::uintptr_t f_Run() override;
    // Lets go of the window and the desktop, then stops an engine that owns input.
    void f_OnRunFailed() noexcept override;

private:
    void fp_RunQueuedJobs();
    void fp_BroadcastIfRequested();
    // Destroys the report window, gives the thread its first desktop back and closes the
    // desktop: Windows refuses to close a desktop a thread of the process still uses.
    void fp_EndRun() noexcept;

    CMessageHook& m_Engine;
    NTev::CStr m_Name;
    std::atomic<DWORD> m_ThreadId{0};
    HDESK m_hDesktop = nullptr;
    // The thread's desktop before it set its own; not ours to close.
    HDESK m_hFirstDesktop = nullptr;
    HWND m_hReportWindow = nullptr;
    NTev::CMutual m_JobsLock;
    std::deque<CDesktopThreadJob*> m_Jobs;
    std::atomic<unsigned> m_SecureAttentionRequests{0};
};
} // namespace NQuillon
