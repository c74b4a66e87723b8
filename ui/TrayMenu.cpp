#include "ui/TrayMenu.h"

#include "config/Configuration.h"

namespace NQuillon
{
std::vector<CTrayMenuEntry> gf_BuildTrayMenu(bool laptopKeyboardFound, bool remappingDisabled,
                                             bool administratorWindows)
{
    std::vector<CTrayMenuEntry> menu;
    menu.push_back({ETrayCommand::Configure, "Configure", false, true});
    menu.push_back({});
    if (laptopKeyboardFound)
        menu.push_back(
            {ETrayCommand::LaptopConfiguration, "Run MacBook Config (Will erase any customization)"});
    menu.push_back({ETrayCommand::EnableRemapping, "Enable Remapping", !remappingDisabled});
    menu.push_back(
        {ETrayCommand::RemapAdministratorWindows, gc_RemapAdministratorWindowsText, administratorWindows});
    menu.push_back({});
    menu.push_back({ETrayCommand::Quit, "Quit"});
    return menu;
}

std::vector<CTrayMenuEntry> gf_BuildTrayMenu(CMessageHookBase& engine, bool laptopKeyboardFound,
                                             bool administratorWindows)
{
    bool disabled;
    {
        CMessageHookBase::CLockGuard lock(engine.f_GetLock());
        disabled = engine.f_GetConfiguration().m_bRemappingDisabled != 0;
    }
    return gf_BuildTrayMenu(laptopKeyboardFound, disabled, administratorWindows);
}

CDialogTicker::CTick CDialogTicker::f_OnTick()
{
    CTick tick;
    const std::uint64_t changes = m_Engine.f_GetChangeCount();
    if (changes != m_SeenChanges)
    {
        m_SeenChanges = changes;
        tick.m_bRebuild = true;
    }
    if (m_Engine.f_TakeLaptopKeyboardPresent())
    {
        m_bLaptopKeyboardFound = true;
        tick.m_bRunLaptopSetup = true;
    }
    return tick;
}
} // namespace NQuillon
