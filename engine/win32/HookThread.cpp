// The low-level hooks' thread: hook procedures, SendInput, the watchdog and the notices of
// locks, desktop switches and sleep.

#include "engine/win32/HookThread.h"

#include "core/Clock.h"
#include "core/Exception.h"
#include "core/Format.h"

#include <wtsapi32.h>

namespace NQuillon
{
static_assert(gc_HookKeyExtended == LLKHF_EXTENDED && gc_HookKeyInjected == LLKHF_INJECTED &&
              gc_HookKeyUp == LLKHF_UP && gc_HookMouseInjected == LLMHF_INJECTED);
static_assert(gc_MessageLeftDown == WM_LBUTTONDOWN && gc_MessageMiddleUp == WM_MBUTTONUP &&
              gc_MessageWheel == WM_MOUSEWHEEL && gc_MessageXUp == WM_XBUTTONUP &&
              gc_MessageHorizontalWheel == WM_MOUSEHWHEEL);
static_assert(gc_InjectKeyExtended == KEYEVENTF_EXTENDEDKEY && gc_InjectKeyUp == KEYEVENTF_KEYUP &&
              gc_InjectKeyScanCode == KEYEVENTF_SCANCODE);
static_assert(gc_InjectMouseLeftDown == MOUSEEVENTF_LEFTDOWN && gc_InjectMouseXUp == MOUSEEVENTF_XUP &&
              gc_InjectMouseWheel == MOUSEEVENTF_WHEEL && gc_InjectMouseAbsolute == MOUSEEVENTF_ABSOLUTE);

namespace
{
// The process's one hooking thread, for the hook procedures, which get no context.
std::atomic<CMessageHook::CHookThread*> g_pHookThread{nullptr};
constexpr const wchar_t* gc_WindowClass = L"QuillonHookWindow";
// EVENT_SYSTEM_DESKTOPSWITCH, Windows 8 and later.
constexpr DWORD gc_EventDesktopSwitch = 0x0020;

double fg_Now()
{
    return static_cast<double>(NTev::gf_GetCounter()) / static_cast<double>(NTev::gf_GetCounterFrequency());
}

// Whether the desktop that receives input is this thread's: not while the secure desktop (a
// lock screen, Ctrl+Alt+Delete, UAC's consent) has it, which this process may not even open.
bool fg_InputDesktopIsOurs()
{
    HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS);
    if (!input)
        return false;
    wchar_t inputName[256] = {};
    wchar_t ourName[256] = {};
    const bool named = GetUserObjectInformationW(input, UOI_NAME, inputName, sizeof inputName - 2, nullptr) &&
                       GetUserObjectInformationW(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, ourName,
                                                 sizeof ourName - 2, nullptr);
    CloseDesktop(input);
    return named && lstrcmpiW(inputName, ourName) == 0;
}

void CALLBACK fg_OnDesktopSwitch(HWINEVENTHOOK, DWORD event, HWND, LONG, LONG, DWORD, DWORD)
{
    if (event != gc_EventDesktopSwitch)
        return;
    if (CMessageHook::CHookThread* thread = g_pHookThread.load())
        thread->f_NoteDesktopSwitch();
}
} // namespace

CMessageHook::CHookThread::CHookThread(CMessageHook& engine)
    : m_Engine(engine), m_Channel(engine, *this), m_hReady(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
    if (!m_hReady)
        TEV_THROW_SYSTEM_IMPLEMENTATION("CMessageHook::CHookThread::CHookThread", "CreateEventW");
}

CMessageHook::CHookThread::~CHookThread()
{
    f_StopHooks();
    CloseHandle(m_hReady);
}

bool CMessageHook::CHookThread::f_StartHooks()
{
    if (m_bHooking)
        return true;
    ResetEvent(m_hReady);
    f_Start(NTev::NThread::gc_PriorityNormal, 0);
    if (WaitForSingleObject(m_hReady, mc_StartMilliseconds) != WAIT_OBJECT_0 || !m_bHooking)
    {
        f_StopHooks();
        return false;
    }
    return true;
}

void CMessageHook::CHookThread::f_StopHooks()
{
    if (f_GetState() != mc_StateRunning)
    {
        f_Stop(true);
        return;
    }
    f_Stop(false);
    // The loop ends on WM_QUIT; until its queue exists the run looks at the stop request.
    if (const DWORD id = m_ThreadId.load())
        PostThreadMessageW(id, WM_QUIT, 0, 0);
    f_Stop(true);
}

void CMessageHook::CHookThread::f_DropHooksForTest()
{
    if (const DWORD id = m_ThreadId.load())
        PostThreadMessageW(id, mc_MessageDropHooks, 0, 0);
}

void CMessageHook::CHookThread::f_NoteDesktopSwitch() noexcept
{
    if (const DWORD id = m_ThreadId.load())
        PostThreadMessageW(id, mc_MessageDesktopSwitch, 0, 0);
}

void CMessageHook::CHookThread::f_RequestDrain() noexcept
{
    if (const DWORD id = m_ThreadId.load())
        PostThreadMessageW(id, mc_MessageDrain, 0, 0);
}

void CMessageHook::CHookThread::f_Inject(const CInjection* injections, std::size_t count)
{
    m_Inputs.resize(count);
    for (std::size_t i = 0; i < count; ++i)
    {
        const CInjection& injection = injections[i];
        INPUT& input = m_Inputs[i];
        input = {};
        if (injection.m_bMouse)
        {
            input.type = INPUT_MOUSE;
            input.mi.dx = injection.m_Dx;
            input.mi.dy = injection.m_Dy;
            input.mi.mouseData = injection.m_MouseData;
            input.mi.dwFlags = injection.m_Flags;
            input.mi.dwExtraInfo = gc_InjectionTag;
        }
        else
        {
            input.type = INPUT_KEYBOARD;
            input.ki.wVk = injection.m_VirtualKey;
            input.ki.wScan = injection.m_ScanCode;
            input.ki.dwFlags = injection.m_Flags;
            input.ki.dwExtraInfo = gc_InjectionTag;
        }
    }
    if (count && SendInput(static_cast<UINT>(count), m_Inputs.data(), sizeof(INPUT)) != count)
        NTev::gf_DebugOutput("SendInput injected less than asked (error {})\n",
                             static_cast<std::uint32_t>(GetLastError()));
}

bool CMessageHook::CHookThread::fp_InstallHooks()
{
    HINSTANCE module = GetModuleHandleW(nullptr);
    m_hKeyboardHook = SetWindowsHookExW(WH_KEYBOARD_LL, fs_KeyboardProc, module, 0);
    m_hMouseHook = SetWindowsHookExW(WH_MOUSE_LL, fs_MouseProc, module, 0);
    if (m_hKeyboardHook && m_hMouseHook)
        return true;
    NTev::gf_DebugOutput("SetWindowsHookExW failed with error {}\n",
                         static_cast<std::uint32_t>(GetLastError()));
    fp_RemoveHooks();
    return false;
}

void CMessageHook::CHookThread::fp_RemoveHooks()
{
    if (m_hKeyboardHook)
        UnhookWindowsHookEx(m_hKeyboardHook);
    if (m_hMouseHook)
        UnhookWindowsHookEx(m_hMouseHook);
    m_hKeyboardHook = nullptr;
    m_hMouseHook = nullptr;
}

std::uintptr_t CMessageHook::CHookThread::f_Run()
{
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    m_ThreadId = GetCurrentThreadId();
    m_Channel.f_SetInjectingThread(m_ThreadId);
    struct CEnd
    {
        CHookThread& m_Thread;
        ~CEnd()
        {
            m_Thread.m_bHooking = false;
            CHookThread* self = &m_Thread;
            g_pHookThread.compare_exchange_strong(self, nullptr);
            m_Thread.m_ThreadId = 0;
            SetEvent(m_Thread.m_hReady);
        }
    } end{*this};

    HINSTANCE module = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = fs_WindowProc;
    windowClass.hInstance = module;
    windowClass.lpszClassName = gc_WindowClass;
    RegisterClassW(&windowClass);
    // A hidden top-level window: broadcasts (sleep and resume) reach no message-only window.
    // Creating it also pays the display connection's first cost before the first event.
    m_hWindow = CreateWindowExW(WS_EX_TOOLWINDOW, gc_WindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                module, nullptr);
    if (!m_hWindow)
        return 1;
    SetWindowLongPtrW(m_hWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    g_pHookThread = this;
    if (!fp_InstallHooks())
    {
        DestroyWindow(m_hWindow);
        m_hWindow = nullptr;
        return 1;
    }
    RAWINPUTDEVICE keyboard{1, 6, RIDEV_INPUTSINK, m_hWindow};
    if (!RegisterRawInputDevices(&keyboard, 1, sizeof keyboard))
        NTev::gf_DebugOutput("The hook watchdog hears no raw input (error {})\n",
                             static_cast<std::uint32_t>(GetLastError()));
    WTSRegisterSessionNotification(m_hWindow, NOTIFY_FOR_THIS_SESSION);
    HWINEVENTHOOK desktopSwitch = SetWinEventHook(gc_EventDesktopSwitch, gc_EventDesktopSwitch, nullptr,
                                                  fg_OnDesktopSwitch, 0, 0, WINEVENT_OUTOFCONTEXT);
    m_bHooking = true;
    SetEvent(m_hReady);
    NTev::gf_DebugOutput("Capturing input with the low-level hooks\n");

    while (!f_IsStopRequested() && GetMessageW(&message, nullptr, 0, 0) > 0)
    {
        if (message.hwnd)
        {
            DispatchMessageW(&message);
            continue;
        }
        if (message.message == mc_MessageDrain)
            m_Channel.f_Drain();
        else if (message.message == mc_MessageDesktopSwitch)
        {
            if (!fg_InputDesktopIsOurs())
                fp_OnInputSuspended();
            else
                fp_OnInputResumed();
        }
        else if (message.message == mc_MessageDropHooks)
            fp_RemoveHooks();
    }

    // What the engine wrote before the stop still goes out.
    m_Channel.f_Drain();
    if (desktopSwitch)
        UnhookWinEvent(desktopSwitch);
    WTSUnRegisterSessionNotification(m_hWindow);
    keyboard.dwFlags = RIDEV_REMOVE;
    keyboard.hwndTarget = nullptr;
    RegisterRawInputDevices(&keyboard, 1, sizeof keyboard);
    fp_RemoveHooks();
    DestroyWindow(m_hWindow);
    m_hWindow = nullptr;
    return 0;
}

LRESULT CALLBACK CMessageHook::CHookThread::fs_KeyboardProc(int code, WPARAM wParam, LPARAM lParam)
{
    CHookThread* self = g_pHookThread.load();
    if (code == HC_ACTION && self)
    {
        const KBDLLHOOKSTRUCT& data = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        if (!(data.flags & LLKHF_INJECTED))
            self->m_Watchdog.f_OnHookKey(fg_Now());
        if (self->m_Channel.f_OnKeyEvent({data.vkCode, data.scanCode, data.flags, data.dwExtraInfo}))
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK CMessageHook::CHookThread::fs_MouseProc(int code, WPARAM wParam, LPARAM lParam)
{
    CHookThread* self = g_pHookThread.load();
    // Movement passes without a look: it is most of the mouse's events.
    if (code == HC_ACTION && self && wParam != WM_MOUSEMOVE)
    {
        const MSLLHOOKSTRUCT& data = *reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam);
        if (self->m_Channel.f_OnMouseEvent(
                {static_cast<std::uint32_t>(wParam), data.mouseData, data.flags, data.dwExtraInfo}))
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CMessageHook::CHookThread::fp_OnRawInput(HRAWINPUT input)
{
    RAWINPUT raw{};
    UINT size = sizeof raw;
    if (GetRawInputData(input, RID_INPUT, &raw, &size, sizeof(RAWINPUTHEADER)) == UINT(-1))
        return;
    // Presses from a device; injected input has no device.
    if (raw.header.dwType != RIM_TYPEKEYBOARD || !raw.header.hDevice ||
        (raw.data.keyboard.Flags & RI_KEY_BREAK))
        return;
    if (!m_bSuspended && m_Watchdog.f_OnRawKey(fg_Now()))
    {
        NTev::gf_DebugOutput(
            "The low-level hooks saw no keys for a second while raw input did: installed again\n");
        fp_RemoveHooks();
        fp_InstallHooks();
        ++m_Reinstalls;
    }
}

void CMessageHook::CHookThread::fp_OnInputSuspended()
{
    if (m_bSuspended)
        return;
    m_bSuspended = true;
    NTev::gf_DebugOutput("Input left this desktop: every key the engine holds is let go\n");
    m_Channel.f_OnInputSuspended();
}

void CMessageHook::CHookThread::fp_OnInputResumed()
{
    if (!m_bSuspended)
        return;
    m_bSuspended = false;
    m_Channel.f_OnInputResumed(
        [](std::int32_t key)
        {
            const std::uint16_t virtualKey = gf_VirtualKeyOfKeyNumber(key);
            return virtualKey && (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
        });
}

LRESULT CALLBACK CMessageHook::CHookThread::fs_WindowProc(HWND window, UINT message, WPARAM wParam,
                                                          LPARAM lParam)
{
    auto* self = reinterpret_cast<CHookThread*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self)
        switch (message)
        {
            case WM_INPUT:
                self->fp_OnRawInput(reinterpret_cast<HRAWINPUT>(lParam));
                break;
            case WM_WTSSESSION_CHANGE:
                if (wParam == WTS_SESSION_LOCK || wParam == WTS_CONSOLE_DISCONNECT ||
                    wParam == WTS_REMOTE_DISCONNECT)
                    self->fp_OnInputSuspended();
                else if (wParam == WTS_SESSION_UNLOCK || wParam == WTS_CONSOLE_CONNECT ||
                         wParam == WTS_REMOTE_CONNECT)
                    self->fp_OnInputResumed();
                return 0;
            case WM_POWERBROADCAST:
                if (wParam == PBT_APMSUSPEND)
                    self->fp_OnInputSuspended();
                else if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND)
                    self->fp_OnInputResumed();
                return TRUE;
            default:
                break;
        }
    return DefWindowProcW(window, message, wParam, lParam);
}
} // namespace NQuillon
