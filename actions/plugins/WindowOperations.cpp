#include "actions/plugins/WindowOperations.h"

#include <algorithm>

namespace NQuillon
{
namespace
{
using CWindow = ICWindowSystem::CWindow;
using EShow = ICWindowSystem::EShow;
using EShowCommand = ICWindowSystem::EShowCommand;

const std::u16string gc_OnTopSuffix = u" - On Top";
const std::u16string gc_OnTop = u"On Top";

// Moves a window of that rectangle to the center of the area; the rectangle it then has.
CWindowRect fg_CenterOnArea(ICWindowSystem& system, CWindow window, const CWindowRect& rect,
                            const CWindowRect& area)
{
    std::int32_t x;
    std::int32_t y;
    gf_CenterOn(rect, area, x, y);
    system.f_MoveTo(window, x, y);
    return {x, y, x + rect.f_Width(), y + rect.f_Height()};
}

void fg_ChangeMonitor(ICWindowSystem& system, CWindow window)
{
    CWindowRect rect;
    if (!system.f_GetWindowRect(window, rect))
        return;
    const ICWindowSystem::CMonitor current = system.f_GetMonitor(window);
    const std::vector<ICWindowSystem::CMonitor> monitors = system.f_EnumerateMonitors();
    if (monitors.empty())
        return;
    CWindowRect area;
    if (!system.f_GetWorkArea(monitors[gf_NextMonitor(monitors, current)], area))
        return;
    if (system.f_GetShowState(window) == EShow::Maximized)
    {
        // Restored, moved and maximized again: it ends maximized on the target monitor. The
        // restore has not happened when the move is asked for, so the size comes from the
        // restored rectangle, not the maximized one.
        CWindowRect restored;
        if (!system.f_GetRestoredRect(window, restored))
            return;
        system.f_Show(window, EShowCommand::Restore);
        fg_CenterOnArea(system, window, restored, area);
        system.f_Show(window, EShowCommand::ShowMaximized);
        return;
    }
    system.f_SetRect(window, gf_ClipTo(fg_CenterOnArea(system, window, rect, area), area));
}

void fg_ToggleOnTop(ICWindowSystem& system, CWindow window)
{
    const std::u16string title = system.f_GetTitle(window);
    const bool becomesTopmost = !system.f_IsTopmost(window);
    system.f_SetTopmost(window, becomesTopmost);
    system.f_SetTitle(window, gf_OnTopTitle(title, becomesTopmost));
}
} // namespace

void gf_CenterOn(const CWindowRect& window, const CWindowRect& area, std::int32_t& x, std::int32_t& y)
{
    x = area.m_Left + area.f_Width() / 2 - window.f_Width() / 2;
    y = area.m_Top + area.f_Height() / 2 - window.f_Height() / 2;
}

CWindowRect gf_ClipTo(const CWindowRect& window, const CWindowRect& area)
{
    return {std::max(window.m_Left, area.m_Left), std::max(window.m_Top, area.m_Top),
            std::min(window.m_Right, area.m_Right), std::min(window.m_Bottom, area.m_Bottom)};
}

std::size_t gf_NextMonitor(const std::vector<ICWindowSystem::CMonitor>& monitors,
                           ICWindowSystem::CMonitor current)
{
    const auto found = std::find(monitors.begin(), monitors.end(), current);
    if (found == monitors.end() || found + 1 == monitors.end())
        return 0;
    return static_cast<std::size_t>(found - monitors.begin()) + 1;
}

std::u16string gf_OnTopTitle(const std::u16string& title, bool becomesTopmost)
{
    if (becomesTopmost)
        return title.empty() ? gc_OnTop : title + gc_OnTopSuffix;
    if (title == gc_OnTop)
        return {};
    std::u16string result = title;
    for (std::size_t at; (at = result.find(gc_OnTopSuffix)) != std::u16string::npos;)
        result.erase(at, gc_OnTopSuffix.size());
    return result;
}

void gf_RunWindowOperation(ICWindowSystem& system, std::int32_t code)
{
    const CWindow foreground = system.f_GetForegroundWindow();
    if (!foreground)
        return;
    const CWindow window = system.f_GetLastActivePopup(foreground);
    if (!window)
        return;
    switch (code)
    {
        case 0:
            fg_ChangeMonitor(system, window);
            break;
        case 1:
        {
            CWindowRect area;
            if (system.f_GetWorkArea(system.f_GetMonitor(window), area))
                system.f_SetRect(window, area);
            break;
        }
        case 2:
        {
            CWindowRect rect;
            CWindowRect area;
            if (system.f_GetWindowRect(window, rect) &&
                system.f_GetWorkArea(system.f_GetMonitor(window), area))
                fg_CenterOnArea(system, window, rect, area);
            break;
        }
        case 3:
            system.f_Show(window, system.f_GetShowState(window) == EShow::Maximized ? EShowCommand::Restore
                                                                                    : EShowCommand::Maximize);
            break;
        case 4:
            // Not while a popup the window owns is active: minimizing the owner under it would
            // strand the popup.
            if (window == foreground)
                system.f_Show(window, system.f_GetShowState(window) == EShow::Minimized
                                          ? EShowCommand::Restore
                                          : EShowCommand::Minimize);
            break;
        case 5:
            fg_ToggleOnTop(system, window);
            break;
        default:
            // The move operations (6 to 9) are stored and labelled but have no behaviour yet.
            break;
    }
}
} // namespace NQuillon
