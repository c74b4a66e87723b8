#pragma once
// One thread per desktop of the window station: it owns the desktop's hidden report window
// (raw input of the laptop's key collection, device changes) and runs jobs posted to it.

#include "engine/MessageHook.h"

#include "core/Str.h"

#include <atomic>

#include <windows.h>

namespace NQuillon
{
class CMessageHook::CDesktopThread final : public NTev::NThread::ICThread
{
public:
    // Thread messages: broadcast the Ctrl+Alt+Delete hot key; run the job in the first
    // parameter.
    static constexpr UINT mc_MessageSecureAttention = WM_USER + 6;
    static constexpr UINT mc_MessageRunJob = WM_USER + 7;

    CDesktopThread(CMessageHook& engine, const char* name);
    // Posts WM_QUIT, stops the thread and waits.
    ~CDesktopThread() override;

    // Also wakes the thread's wait for messages.
    std::uintptr_t f_Stop(bool wait) override;
    bool f_Post(UINT message, WPARAM parameter);

    const NTev::CStr& f_GetName() const noexcept { return m_Name; }
    // Under the engine lock.
    HWND f_GetReportWindow() const noexcept { return m_hReportWindow; }
    bool m_bSeen = false;

protected:
    std::uintptr_t f_Run() override;

private:
    CMessageHook& m_Engine;
    NTev::CStr m_Name;
    std::atomic<DWORD> m_ThreadId{0};
    HDESK m_hDesktop = nullptr;
    HWND m_hReportWindow = nullptr;
};
} // namespace NQuillon
