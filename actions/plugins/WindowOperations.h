#pragma once
// The window operations of the window manipulation action, written against the few window
// system calls they need, so that every step of the geometry is tested without a display. The
// Windows side (win32/WindowSystem.cpp) only forwards the calls.
//
// The calls that change a window only ask for the change: the window's own thread carries it
// out later, so that a program that stopped answering holds up nobody. An operation therefore
// reads everything it needs before its first change, never reading back what it changed.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace NQuillon
{
struct CWindowRect
{
    std::int32_t m_Left = 0;
    std::int32_t m_Top = 0;
    std::int32_t m_Right = 0;
    std::int32_t m_Bottom = 0;

    std::int32_t f_Width() const noexcept { return m_Right - m_Left; }
    std::int32_t f_Height() const noexcept { return m_Bottom - m_Top; }
    bool operator==(const CWindowRect&) const = default;
};

class ICWindowSystem
{
public:
    using CWindow = std::uintptr_t;
    using CMonitor = std::uintptr_t;
    enum class EShow
    {
        Normal,
        Minimized,
        Maximized,
    };
    enum class EShowCommand
    {
        Restore,
        Maximize,
        ShowMaximized,
        Minimize,
    };
    static constexpr std::size_t mc_MaxMonitors = 32;

    virtual CWindow f_GetForegroundWindow() = 0;
    virtual CWindow f_GetLastActivePopup(CWindow window) = 0;
    virtual bool f_GetWindowRect(CWindow window, CWindowRect& rect) = 0;
    // The rectangle a restore gives the window (its current one while it is neither maximized
    // nor minimized). Only the size is to be relied on: Windows gives it in workspace
    // coordinates.
    virtual bool f_GetRestoredRect(CWindow window, CWindowRect& rect) = 0;
    // The nearest monitor.
    virtual CMonitor f_GetMonitor(CWindow window) = 0;
    virtual bool f_GetWorkArea(CMonitor monitor, CWindowRect& area) = 0;
    // At most mc_MaxMonitors, in enumeration order.
    virtual std::vector<CMonitor> f_EnumerateMonitors() = 0;
    virtual EShow f_GetShowState(CWindow window) = 0;
    // The changes below are carried out later by the window's thread, in the order asked.
    virtual void f_Show(CWindow window, EShowCommand command) = 0;
    // Without changing the z-order.
    virtual void f_MoveTo(CWindow window, std::int32_t x, std::int32_t y) = 0;
    virtual void f_SetRect(CWindow window, const CWindowRect& rect) = 0;
    virtual bool f_IsTopmost(CWindow window) = 0;
    virtual void f_SetTopmost(CWindow window, bool topmost) = 0;
    // Wide text, up to 1023 characters.
    virtual std::u16string f_GetTitle(CWindow window) = 0;
    // Waits a short bounded time for the window to take it; a window that does not answer
    // keeps its title.
    virtual void f_SetTitle(CWindow window, const std::u16string& title) = 0;

protected:
    ~ICWindowSystem() = default;
};

// The top-left corner that centers a window of that size on the area, halves truncated
// toward zero.
void gf_CenterOn(const CWindowRect& window, const CWindowRect& area, std::int32_t& x, std::int32_t& y);
// The window with its edges pulled inside the area.
CWindowRect gf_ClipTo(const CWindowRect& window, const CWindowRect& area);
// The entry after current; the first when current is the last or not listed.
std::size_t gf_NextMonitor(const std::vector<ICWindowSystem::CMonitor>& monitors,
                           ICWindowSystem::CMonitor current);
// The title after Toggle On Top: " - On Top" appended (or "On Top" for an untitled window)
// when the window becomes topmost, taken away again when it stops being topmost.
std::u16string gf_OnTopTitle(const std::u16string& title, bool becomesTopmost);

// Carries out an operation code on the foreground window's last active popup. Codes without
// an operation do nothing.
void gf_RunWindowOperation(ICWindowSystem& system, std::int32_t code);

// The window system of this platform (none without Windows).
ICWindowSystem* gf_GetPlatformWindowSystem();
} // namespace NQuillon
