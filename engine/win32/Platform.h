#pragma once
// What the Windows engine thread owns: the window station, the directory watch, the desktop
// threads, the report window class and the filter-driver channel.

#include "engine/win32/DesktopThread.h"
#include "engine/win32/HookThread.h"
#include "engine/win32/KeyboardQueueThread.h"

#include "core/Str.h"

#include <memory>
#include <vector>

#include <windows.h>

namespace NQuillon
{
struct CMessageHook::CPlatform
{
    explicit CPlatform(CMessageHook& engine) : m_Channel(engine) {}

    CKeyboardQueueThread m_Channel;
    HWINSTA m_hWindowStation = nullptr;
    // The process's window station before the engine set its own; not ours to close.
    HWINSTA m_hPreviousWindowStation = nullptr;
    // The watch of the settings folder, and the folder it watches.
    HANDLE m_hChangeNotification = INVALID_HANDLE_VALUE;
    NTev::CStr m_WatchedDirectory;
    // A change of the settings folder not yet looked at by the settings check.
    bool m_bChangeSeen = false;
    // Under the engine lock.
    std::vector<std::unique_ptr<CDesktopThread>> m_DesktopThreads;
    CDesktopThread* m_pInputDesktopThread = nullptr;
    HANDLE m_hLaptopKeyDevice = nullptr;
    // The last raw-input registration failed (under the engine lock).
    bool m_bRawInputFailing = false;
    NTev::CStr m_ReportClassName;
    NTev::CStr m_ReportWindowName;
    bool m_bClassRegistered = false;

    // Capture without the filter driver, under m_HookLock (never taken inside the engine lock).
    NTev::CMutual m_HookLock;
    std::unique_ptr<CHookThread> m_pHookThread;
    // The engine owns input through the hooks.
    bool m_bHookCapture = false;
    // Held while this engine captures: the session's one capturing engine.
    HANDLE m_hCaptureGuard = nullptr;
    // The hooks run for a key recording of an engine that does not own input.
    bool m_bHooksForRecording = false;
    // The repeat thread was started for the hook capture.
    bool m_bRepeatForHooks = false;
    ICRecordChannel* m_pChannelBeforeHooks = nullptr;
    bool m_bOwnedInputBeforeHooks = false;
};

// The report windows' procedure (engine/win32/RawInput.cpp).
LRESULT CALLBACK gf_ReportWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
} // namespace NQuillon
