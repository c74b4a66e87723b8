#pragma once
// A window system of rectangles: monitors with work areas, windows with a rectangle, show
// state, topmost flag and title, and a log of the calls that change something. Like Windows'
// asynchronous calls, it can hold the changes back until f_CarryOutChanges, so that reads in
// between still see the state before them.

#include "actions/plugins/WindowOperations.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace NQuillonTest
{
class CFakeWindowSystem final : public NQuillon::ICWindowSystem
{
public:
    struct CWindowState
    {
        NQuillon::CWindowRect m_Rect;
        EShow m_Show = EShow::Normal;
        bool m_bTopmost = false;
        std::u16string m_Title;
        CWindow m_Popup = 0;
        // Where a restore puts a maximized window back.
        NQuillon::CWindowRect m_Restored;

        bool operator==(const CWindowState&) const = default;
    };

    // Monitor handles are 1-based indexes into m_WorkAreas.
    std::vector<NQuillon::CWindowRect> m_WorkAreas;
    std::map<CWindow, CWindowState> m_Windows;
    CWindow m_Foreground = 0;
    std::vector<std::string> m_Log;
    // Changes wait in m_Pending until f_CarryOutChanges.
    bool m_bDeferChanges = false;
    std::vector<std::function<void()>> m_Pending;

    void f_CarryOutChanges()
    {
        std::vector<std::function<void()>> pending;
        pending.swap(m_Pending);
        for (const auto& change : pending)
            change();
    }

    CWindow f_GetForegroundWindow() override { return m_Foreground; }
    CWindow f_GetLastActivePopup(CWindow window) override
    {
        const CWindow popup = m_Windows.at(window).m_Popup;
        return popup ? popup : window;
    }
    bool f_GetWindowRect(CWindow window, NQuillon::CWindowRect& rect) override
    {
        rect = m_Windows.at(window).m_Rect;
        return true;
    }
    bool f_GetRestoredRect(CWindow window, NQuillon::CWindowRect& rect) override
    {
        const CWindowState& state = m_Windows.at(window);
        rect = state.m_Show == EShow::Maximized ? state.m_Restored : state.m_Rect;
        return true;
    }
    // The monitor holding the window's center; the first when none does.
    CMonitor f_GetMonitor(CWindow window) override
    {
        const auto& r = m_Windows.at(window).m_Rect;
        const std::int32_t x = (r.m_Left + r.m_Right) / 2;
        const std::int32_t y = (r.m_Top + r.m_Bottom) / 2;
        for (std::size_t i = 0; i < m_WorkAreas.size(); ++i)
        {
            const auto& a = m_WorkAreas[i];
            if (x >= a.m_Left && x < a.m_Right && y >= a.m_Top && y < a.m_Bottom)
                return i + 1;
        }
        return 1;
    }
    bool f_GetWorkArea(CMonitor monitor, NQuillon::CWindowRect& area) override
    {
        if (monitor < 1 || monitor > m_WorkAreas.size())
            return false;
        area = m_WorkAreas[monitor - 1];
        return true;
    }
    std::vector<CMonitor> f_EnumerateMonitors() override
    {
        std::vector<CMonitor> monitors;
        for (std::size_t i = 0; i < m_WorkAreas.size() && i < mc_MaxMonitors; ++i)
            monitors.push_back(i + 1);
        return monitors;
    }
    EShow f_GetShowState(CWindow window) override { return m_Windows.at(window).m_Show; }
    void f_Show(CWindow window, EShowCommand command) override
    {
        static const char* const names[] = {"restore", "maximize", "show maximized", "minimize"};
        m_Log.push_back(names[static_cast<int>(command)]);
        fp_Change(
            [=, this]
            {
                CWindowState& state = m_Windows.at(window);
                switch (command)
                {
                    case EShowCommand::Restore:
                        if (state.m_Show == EShow::Maximized)
                            state.m_Rect = state.m_Restored;
                        state.m_Show = EShow::Normal;
                        break;
                    case EShowCommand::Maximize:
                    case EShowCommand::ShowMaximized:
                        state.m_Restored = state.m_Rect;
                        state.m_Rect = m_WorkAreas[f_GetMonitor(window) - 1];
                        state.m_Show = EShow::Maximized;
                        break;
                    case EShowCommand::Minimize:
                        state.m_Show = EShow::Minimized;
                        break;
                }
            });
    }
    void f_MoveTo(CWindow window, std::int32_t x, std::int32_t y) override
    {
        m_Log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
        fp_Change(
            [=, this]
            {
                auto& r = m_Windows.at(window).m_Rect;
                r = {x, y, x + r.f_Width(), y + r.f_Height()};
            });
    }
    void f_SetRect(CWindow window, const NQuillon::CWindowRect& rect) override
    {
        m_Log.push_back("rect " + std::to_string(rect.m_Left) + "," + std::to_string(rect.m_Top) + "," +
                        std::to_string(rect.m_Right) + "," + std::to_string(rect.m_Bottom));
        fp_Change([=, this] { m_Windows.at(window).m_Rect = rect; });
    }
    bool f_IsTopmost(CWindow window) override { return m_Windows.at(window).m_bTopmost; }
    void f_SetTopmost(CWindow window, bool topmost) override
    {
        m_Log.push_back(topmost ? "topmost" : "not topmost");
        fp_Change([=, this] { m_Windows.at(window).m_bTopmost = topmost; });
    }
    std::u16string f_GetTitle(CWindow window) override { return m_Windows.at(window).m_Title; }
    void f_SetTitle(CWindow window, const std::u16string& title) override
    {
        fp_Change([=, this] { m_Windows.at(window).m_Title = title; });
    }

private:
    void fp_Change(std::function<void()> change)
    {
        if (m_bDeferChanges)
            m_Pending.push_back(std::move(change));
        else
            change();
    }
};
} // namespace NQuillonTest
