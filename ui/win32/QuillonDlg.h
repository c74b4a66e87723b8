#pragma once
// The configuration dialog: a modeless window with the tree of the whole configuration and a
// context menu on every node, and the process's tray icon. Closing or minimising only hides
// it; "Quit" in the tray menu (or the icon's double click in a process whose engine owns
// input) destroys it, which ends the message loop.

#include "ui/ConfigCommands.h"
#include "ui/TrayMenu.h"

#include <windows.h>

#include <memory>

namespace NQuillon
{
class CQuillonDlg
{
public:
    // laptopSetup: runs the laptop keyboard configuration; null offers it but does nothing.
    explicit CQuillonDlg(CMessageHook& engine, ICLaptopKeyboardSetup* laptopSetup = nullptr);
    ~CQuillonDlg();
    CQuillonDlg(const CQuillonDlg&) = delete;
    CQuillonDlg& operator=(const CQuillonDlg&) = delete;

    // Creates the window (hidden) from the template IDD_QUILLON_DIALOG and adds the tray
    // icon; false when the window cannot be made.
    bool f_Create();
    HWND f_GetWindow() const noexcept { return m_hWindow; }
    // "Configure": shows the dialog in front.
    void f_ShowInFront();
    // Marks the dialog as the session's tray, which a "-Settings" start asks to show itself.
    void f_MarkAsSessionTray();

private:
    struct CHosts;
    static INT_PTR CALLBACK fs_DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR fp_OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void fp_OnInit();
    void fp_Layout();
    void fp_Rebuild();
    void fp_OnTimer();
    void fp_ShowContextMenu(bool atSelection);
    // Runs a command of the menu of the node with that path (and, for an action, that place
    // among its binding's actions), as the configuration is now.
    void fp_RunContextCommand(const std::vector<NTev::CStr>& path, std::uint32_t index, int commandId);
    void fp_OnTrayMessage(UINT mouseMessage);
    void fp_ShowTrayMenu();
    void fp_RunTrayCommand(ETrayCommand command);
    // Starts this program elevated (Windows asks the user's consent) to save the choice.
    void fp_ChooseAdministratorWindows(bool on);
    void fp_AddTrayIcon();
    void fp_RemoveTrayIcon();
    void fp_ShowAbout();

    CMessageHook& m_Engine;
    ICLaptopKeyboardSetup* m_pLaptopSetup;
    CDialogTicker m_Ticker;
    std::unique_ptr<CHosts> m_pHosts;
    HWND m_hWindow = nullptr;
    HWND m_hTree = nullptr;
    HICON m_hSmallIcon = nullptr;
    HICON m_hLargeIcon = nullptr;
    bool m_bTrayIconAdded = false;
    // While a command or a tray entry runs its dialogs: the timer does not start the laptop
    // keyboard configuration, the tray icon opens no second menu.
    bool m_bBusy = false;
    UINT m_TaskbarCreatedMessage = 0;
    UINT m_ShowSettingsMessage = 0;
};
} // namespace NQuillon
