#pragma once
// Capture without the filter driver: the thread that owns the low-level keyboard and mouse
// hooks of this session and injects the engine's output with SendInput. One thread hooks and
// injects, so that output keeps its order (an injection from another thread could be overtaken
// by a key passed later).
//
// Its hidden window
// - hears raw keyboard input in the background: a watchdog installs the hooks again when keys
//   keep arriving that the hooks no longer see (Windows removes a hook whose procedure once
//   overran its time-out, and says nothing);
// - hears session locks and unlocks and the machine's sleep and resume: input then goes where
//   the hooks do not see it, so the engine lets go of everything, and keys whose release was
//   lost are released when input comes back.
// The thread's thread messages carry no data: a message nobody asked for drains an empty queue.

#include "engine/HookChannel.h"
#include "engine/HookWatchdog.h"
#include "engine/MessageHook.h"

#include <atomic>
#include <vector>

#include <windows.h>

namespace NQuillon
{
class CMessageHook::CHookThread final : public NTev::NThread::ICThread, public ICInputInjector
{
public:
    // The longest a start waits for the hooks to be in place.
    static constexpr DWORD mc_StartMilliseconds = 5000;

    explicit CHookThread(CMessageHook& engine);
    ~CHookThread() override;

    ICRecordChannel& f_GetChannel() noexcept { return m_Channel; }
    // Starts the thread and waits until its hooks are in place: false when they could not be
    // installed (the thread has then ended).
    bool f_StartHooks();
    // Stops the thread and waits: what the engine wrote before is injected first.
    void f_StopHooks();
    bool f_IsHooking() const noexcept { return m_bHooking.load(); }
    // Times the hooks were installed again by the watchdog.
    std::uint32_t f_GetReinstallCount() const noexcept { return m_Reinstalls.load(); }
    // Tests: remove the hooks as Windows does to a hook that overran its time-out.
    void f_DropHooksForTest();
    // From the desktop-switch event: the thread looks at the input desktop.
    void f_NoteDesktopSwitch() noexcept;

    void f_Inject(const CInjection* injections, std::size_t count) override;
    void f_RequestDrain() noexcept override;

protected:
    std::uintptr_t f_Run() override;

private:
    static constexpr UINT mc_MessageDrain = WM_APP + 1;
    static constexpr UINT mc_MessageDropHooks = WM_APP + 2;
    static constexpr UINT mc_MessageDesktopSwitch = WM_APP + 3;

    static LRESULT CALLBACK fs_KeyboardProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK fs_MouseProc(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK fs_WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool fp_InstallHooks();
    void fp_RemoveHooks();
    void fp_OnRawInput(HRAWINPUT input);
    void fp_OnInputSuspended();
    void fp_OnInputResumed();

    CMessageHook& m_Engine;
    CHookChannel m_Channel;
    CHookWatchdog m_Watchdog;
    HHOOK m_hKeyboardHook = nullptr;
    HHOOK m_hMouseHook = nullptr;
    HWND m_hWindow = nullptr;
    HANDLE m_hReady;
    std::atomic<DWORD> m_ThreadId{0};
    std::atomic<bool> m_bHooking{false};
    std::atomic<std::uint32_t> m_Reinstalls{0};
    bool m_bSuspended = false;
    std::vector<INPUT> m_Inputs;
};
} // namespace NQuillon
