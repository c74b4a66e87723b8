#pragma once
// The tray icon: its texts, the menu of the configuration role, and what the configuration
// dialog does on each tick of its timer.

#include "engine/MessageHook.h"

#include <cstdint>
#include <vector>

namespace NQuillon
{
constexpr std::uint32_t gc_TrayIconId = 257;
// WM_USER + 20.
constexpr std::uint32_t gc_TrayCallbackMessage = 0x0400 + 20;
constexpr const char* gc_TrayTipConfiguration = "Quillon Settings";
// The icon of a process whose engine owns input: a double click ends it, there is no menu.
constexpr const char* gc_TrayTipEngine = "Quillon Service";

enum class ETrayCommand
{
    Separator,
    Configure,
    LaptopConfiguration,
    EnableRemapping,
    // Runs "-RemapAdministratorWindows[Off]" elevated: the hidden agent then captures in
    // elevated windows too (without the filter driver a hook of the user's own does not).
    RemapAdministratorWindows,
    Quit,
};

struct CTrayMenuEntry
{
    ETrayCommand m_Command = ETrayCommand::Separator;
    NTev::CStr m_Text;
    bool m_bChecked = false;
    bool m_bDefault = false;
};

// laptopKeyboardFound: a laptop keyboard was seen since the process started;
// administratorWindows: an administrator chose that the agent remaps in elevated windows too.
std::vector<CTrayMenuEntry> gf_BuildTrayMenu(bool laptopKeyboardFound, bool remappingDisabled,
                                             bool administratorWindows = false);
// The menu of this engine's configuration (reads the remapping-disabled field under its lock).
std::vector<CTrayMenuEntry> gf_BuildTrayMenu(CMessageHookBase& engine, bool laptopKeyboardFound,
                                             bool administratorWindows = false);
constexpr const char* gc_RemapAdministratorWindowsText = "Remap in administrator windows too";

// Identifiers of the tray menu's commands.
constexpr int gc_FirstTrayCommandId = 0x0F00;
constexpr int gf_TrayCommandId(ETrayCommand command) noexcept
{
    return gc_FirstTrayCommandId + static_cast<int>(command);
}

// Runs the laptop keyboard configuration; forced: even when it has run before.
class ICLaptopKeyboardSetup
{
public:
    virtual void f_Run(bool forced) = 0;

protected:
    ~ICLaptopKeyboardSetup() = default;
};

// The dialog's timer: rebuild the tree when the configuration changed since the last tick
// (an edit, or a load of what another process saved); run the laptop keyboard configuration
// once the engine found that keyboard.
class CDialogTicker
{
public:
    struct CTick
    {
        bool m_bRebuild = false;
        bool m_bRunLaptopSetup = false;
    };

    explicit CDialogTicker(CMessageHook& engine) : m_Engine(engine), m_SeenChanges(engine.f_GetChangeCount())
    {
    }

    CTick f_OnTick();
    // The tree was rebuilt now: changes up to here are shown.
    void f_NoteRebuilt() noexcept { m_SeenChanges = m_Engine.f_GetChangeCount(); }
    // Whether the menu offers the laptop keyboard configuration.
    bool f_IsLaptopKeyboardFound() const noexcept { return m_bLaptopKeyboardFound; }

private:
    CMessageHook& m_Engine;
    std::uint64_t m_SeenChanges;
    bool m_bLaptopKeyboardFound = false;
};
} // namespace NQuillon
