#pragma once
// A thread of the Wine tests that owns windows, as another program would.

#include "tests/engine/EngineTestSupport.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include <windows.h>

namespace NQuillonTest
{
// A thread with a message loop that owns the windows a test creates (the window operations run
// on the engine's desktop thread, another thread of the process), optionally on a desktop of
// its own. It can be made to stop pumping messages, as a hung program does.
class CWindowThread
{
public:
    explicit CWindowThread(const char* desktop = nullptr) : m_pDesktop(desktop)
    {
        m_Thread = std::thread([this] { fp_Run(); });
        gf_WaitFor([this] { return m_ThreadId.load() != 0; });
    }
    ~CWindowThread()
    {
        PostThreadMessageA(m_ThreadId, WM_QUIT, 0, 0);
        m_Thread.join();
    }
    // Runs the function on the window thread and waits for it.
    template <typename t_F>
    auto f_Call(t_F function)
    {
        using CResult = decltype(function());
        CResult result{};
        std::atomic<bool> done{false};
        std::function<void()> call = [&]
        {
            result = function();
            done = true;
        };
        PostThreadMessageA(m_ThreadId, WM_APP, 0, reinterpret_cast<LPARAM>(&call));
        gf_WaitFor([&] { return done.load(); });
        return result;
    }
    HWND f_Create(const wchar_t* title, int x, int y, int width, int height, HWND owner = nullptr)
    {
        return f_Call(
            [=]
            {
                HWND window = CreateWindowExW(0, L"Static", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y,
                                              width, height, owner, nullptr, nullptr, nullptr);
                SetForegroundWindow(window);
                SetActiveWindow(window);
                return window;
            });
    }
    int f_HotKeys() const { return m_HotKeys.load(); }
    // Blocks the thread, without pumping messages, until the event is set; returns once it is
    // blocked.
    void f_Hang(HANDLE release)
    {
        PostThreadMessageA(m_ThreadId, mc_MessageHang, 0, reinterpret_cast<LPARAM>(release));
        gf_WaitFor([this] { return m_bHung.load(); });
    }

private:
    void fp_Run()
    {
        if (m_pDesktop)
        {
            m_hDesktop = CreateDesktopA(m_pDesktop, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
            SetThreadDesktop(m_hDesktop);
        }
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
        // A listener for broadcasts on this thread's desktop.
        HWND listener = CreateWindowExA(0, "Static", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        m_ThreadId = GetCurrentThreadId();
        while (GetMessageA(&message, nullptr, 0, 0) > 0)
        {
            if (!message.hwnd && message.message == WM_APP)
                (*reinterpret_cast<std::function<void()>*>(message.lParam))();
            else if (!message.hwnd && message.message == mc_MessageHang)
            {
                m_bHung = true;
                WaitForSingleObject(reinterpret_cast<HANDLE>(message.lParam), INFINITE);
                m_bHung = false;
            }
            else if (message.message == WM_HOTKEY && message.wParam == 0 && message.lParam == 0x2E0003)
                ++m_HotKeys;
            DispatchMessageA(&message);
        }
        DestroyWindow(listener);
        if (m_hDesktop)
            CloseDesktop(m_hDesktop);
    }

    static constexpr UINT mc_MessageHang = WM_APP + 1;

    const char* m_pDesktop;
    HDESK m_hDesktop = nullptr;
    std::thread m_Thread;
    std::atomic<DWORD> m_ThreadId{0};
    std::atomic<int> m_HotKeys{0};
    std::atomic<bool> m_bHung{false};
};
inline RECT gf_WindowRect(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

// "left,top,right,bottom"
inline std::string gf_RectText(const RECT& rect)
{
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," + std::to_string(rect.right) +
           "," + std::to_string(rect.bottom);
}
} // namespace NQuillonTest
