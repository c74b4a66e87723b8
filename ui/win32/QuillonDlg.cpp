#include "ui/win32/QuillonDlg.h"

#include "agent/win32/AgentOptions.h"
#include "ui/KeyCapture.h"
#include "ui/win32/AboutDlg.h"
#include "ui/win32/InputKeyMapperDlgWindow.h"
#include "ui/win32/Resource.h"
#include "ui/win32/SettingsRequest.h"
#include "ui/win32/TreeViewControl.h"
#include "widgets/win32/DialogSupport.h"
#include "widgets/win32/InputDialogWindow.h"
#include "widgets/win32/MessageBox.h"
#include "widgets/win32/Resource.h"

#include <commctrl.h>
#include <shellapi.h>

namespace NQuillon
{
namespace
{
constexpr UINT_PTR gc_RefreshTimer = 1;
constexpr UINT gc_RefreshMs = 500;
constexpr int gc_TreeMargin = 10;

class CMessageBoxHost final : public ICMessageHost
{
public:
    explicit CMessageBoxHost(HWND owner) : m_Owner(owner) {}
    void f_ShowError(const char* text) override { gf_ShowError(m_Owner, text); }
    bool f_AskYesNo(const char* text, const char* title) override
    {
        return gf_AskYesNo(m_Owner, text, title);
    }

private:
    HWND m_Owner;
};

// Sets a dialog procedure's answer to a notification.
INT_PTR fg_Answer(HWND window, LRESULT result)
{
    SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
    return TRUE;
}
} // namespace

// What the commands run their dialogs through, owned by the window.
struct CQuillonDlg::CHosts
{
    CHosts(CMessageHook& engine, HWND owner)
        : m_Dialogs(owner), m_Recorder(owner), m_Capture(engine), m_Messages(owner),
          m_Commands(engine, m_Dialogs, m_Recorder, m_Capture, m_Messages)
    {
    }

    CInputDialogWindow m_Dialogs;
    CInputKeyMapperDlgWindow m_Recorder;
    CEngineKeyCapture m_Capture;
    CMessageBoxHost m_Messages;
    CConfigCommands m_Commands;
};

CQuillonDlg::CQuillonDlg(CMessageHook& engine, ICLaptopKeyboardSetup* laptopSetup)
    : m_Engine(engine), m_pLaptopSetup(laptopSetup), m_Ticker(engine)
{
}

CQuillonDlg::~CQuillonDlg()
{
    if (m_hWindow)
        DestroyWindow(m_hWindow);
    if (m_hSmallIcon)
        DestroyIcon(m_hSmallIcon);
    if (m_hLargeIcon)
        DestroyIcon(m_hLargeIcon);
}

bool CQuillonDlg::f_Create()
{
    gf_InitCommonControls();
    m_TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
    m_ShowSettingsMessage = RegisterWindowMessageA(gc_ShowSettingsMessageName);
    m_hWindow = CreateDialogParamA(gf_GetResourceModule(), MAKEINTRESOURCEA(IDD_QUILLON_DIALOG), nullptr,
                                   fs_DialogProc, reinterpret_cast<LPARAM>(this));
    return m_hWindow != nullptr;
}

void CQuillonDlg::f_ShowInFront()
{
    ShowWindow(m_hWindow, IsIconic(m_hWindow) ? SW_RESTORE : SW_SHOW);
    // A command's dialog that is open comes forward rather than the window it blocks.
    SetForegroundWindow(GetLastActivePopup(m_hWindow));
}

void CQuillonDlg::f_MarkAsSessionTray()
{
    SetPropA(m_hWindow, gc_SettingsTrayProperty, reinterpret_cast<HANDLE>(1));
    // An elevated tray still hears a "-Settings" start of the user's own rights.
    if (m_ShowSettingsMessage)
        ChangeWindowMessageFilterEx(m_hWindow, m_ShowSettingsMessage, MSGFLT_ALLOW, nullptr);
}

INT_PTR CALLBACK CQuillonDlg::fs_DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
    {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        auto* dialog = reinterpret_cast<CQuillonDlg*>(lParam);
        dialog->m_hWindow = window;
        dialog->fp_OnInit();
        return TRUE;
    }
    auto* dialog = reinterpret_cast<CQuillonDlg*>(GetWindowLongPtrA(window, DWLP_USER));
    if (!dialog)
        return FALSE;
    const INT_PTR result = dialog->fp_OnMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY)
    {
        SetWindowLongPtrA(window, DWLP_USER, 0);
        dialog->m_hWindow = nullptr;
    }
    return result;
}

void CQuillonDlg::fp_OnInit()
{
    m_hTree = GetDlgItem(m_hWindow, IDC_CONFIG_TREE);
    m_pHosts = std::make_unique<CHosts>(m_Engine, m_hWindow);
    m_hSmallIcon =
        static_cast<HICON>(LoadImageA(gf_GetResourceModule(), MAKEINTRESOURCEA(IDI_QUILLON), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    m_hLargeIcon =
        static_cast<HICON>(LoadImageA(gf_GetResourceModule(), MAKEINTRESOURCEA(IDI_QUILLON), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    SendMessageA(m_hWindow, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));
    SendMessageA(m_hWindow, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hLargeIcon));
    if (HMENU system = GetSystemMenu(m_hWindow, FALSE))
    {
        AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(system, MF_STRING, IDM_ABOUTBOX, "&About Quillon...");
    }
    fp_Layout();
    fp_Rebuild();
    // The two roots open, so that the first look shows the presets and tables.
    for (ICTreeControl::CItem root : CTreeViewControl(m_hTree).f_GetChildren(0))
        TreeView_Expand(m_hTree, reinterpret_cast<HTREEITEM>(root), TVE_EXPAND);
    SetTimer(m_hWindow, gc_RefreshTimer, gc_RefreshMs, nullptr);
    fp_AddTrayIcon();
}

void CQuillonDlg::fp_Layout()
{
    RECT client{};
    GetClientRect(m_hWindow, &client);
    MoveWindow(m_hTree, gc_TreeMargin, gc_TreeMargin, std::max<LONG>(0, client.right - 2 * gc_TreeMargin),
               std::max<LONG>(0, client.bottom - 2 * gc_TreeMargin), TRUE);
}

void CQuillonDlg::fp_Rebuild()
{
    CTreeViewControl tree(m_hTree);
    gf_SyncTree(tree, 0, gf_BuildConfigTree(m_Engine));
    m_Ticker.f_NoteRebuilt();
}

void CQuillonDlg::fp_OnTimer()
{
    // At logon the shell may not take icons yet: without its icon the process cannot be reached.
    fp_AddTrayIcon();
    const CDialogTicker::CTick tick = m_Ticker.f_OnTick();
    if (tick.m_bRebuild)
        fp_Rebuild();
    if (tick.m_bRunLaptopSetup && m_pLaptopSetup && !m_bBusy)
    {
        m_bBusy = true;
        m_pLaptopSetup->f_Run(false);
        m_bBusy = false;
        fp_Rebuild();
    }
}

INT_PTR CQuillonDlg::fp_OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == gc_TrayCallbackMessage)
    {
        fp_OnTrayMessage(static_cast<UINT>(lParam));
        return TRUE;
    }
    if (message == m_ShowSettingsMessage && m_ShowSettingsMessage)
    {
        f_ShowInFront();
        return TRUE;
    }
    if (message == m_TaskbarCreatedMessage && m_TaskbarCreatedMessage)
    {
        // The shell started again: its notification area lost the icon.
        m_bTrayIconAdded = false;
        fp_AddTrayIcon();
        return TRUE;
    }
    switch (message)
    {
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED)
                ShowWindow(m_hWindow, SW_HIDE);
            else
                fp_Layout();
            return TRUE;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == IDM_ABOUTBOX)
            {
                fp_ShowAbout();
                return TRUE;
            }
            if ((wParam & 0xFFF0) == SC_CLOSE)
            {
                ShowWindow(m_hWindow, SW_HIDE);
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            ShowWindow(m_hWindow, SW_HIDE);
            return TRUE;
        case WM_TIMER:
            if (wParam == gc_RefreshTimer)
                fp_OnTimer();
            return TRUE;
        case WM_NOTIFY:
        {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == m_hTree && header->code == NM_RCLICK)
            {
                fp_ShowContextMenu(false);
                return fg_Answer(m_hWindow, TRUE);
            }
            return FALSE;
        }
        case WM_CONTEXTMENU:
            // From the keyboard (Shift+F10, the menu key): the menu of the selected node.
            if (reinterpret_cast<HWND>(wParam) == m_hTree && lParam == -1)
            {
                fp_ShowContextMenu(true);
                return TRUE;
            }
            return FALSE;
        case WM_COMMAND:
        {
            const int id = LOWORD(wParam);
            if (id == IDCANCEL)
            {
                // Escape hides the dialog as closing does.
                ShowWindow(m_hWindow, SW_HIDE);
                return TRUE;
            }
            if (id >= gc_FirstMenuCommandId)
            {
                // A command chosen without its menu: on the selected node.
                if (HTREEITEM item = TreeView_GetSelection(m_hTree))
                {
                    CTreeViewControl tree(m_hTree);
                    const auto selected = reinterpret_cast<ICTreeControl::CItem>(item);
                    fp_RunContextCommand(gf_GetItemPath(tree, selected), gf_GetItemIndex(tree, selected), id);
                }
                return TRUE;
            }
            if (id > gf_TrayCommandId(ETrayCommand::Separator) && id <= gf_TrayCommandId(ETrayCommand::Quit))
            {
                fp_RunTrayCommand(static_cast<ETrayCommand>(id - gc_FirstTrayCommandId));
                return TRUE;
            }
            return FALSE;
        }
        case WM_DESTROY:
            RemovePropA(m_hWindow, gc_SettingsTrayProperty);
            KillTimer(m_hWindow, gc_RefreshTimer);
            fp_RemoveTrayIcon();
            PostQuitMessage(0);
            return FALSE;
        default:
            return FALSE;
    }
}

void CQuillonDlg::fp_ShowContextMenu(bool atSelection)
{
    HTREEITEM item = nullptr;
    POINT at{};
    if (atSelection)
    {
        item = TreeView_GetSelection(m_hTree);
        RECT rect{};
        if (!item || !TreeView_GetItemRect(m_hTree, item, &rect, TRUE))
            return;
        at = {rect.left, rect.bottom};
        ClientToScreen(m_hTree, &at);
    }
    else
    {
        GetCursorPos(&at);
        TVHITTESTINFO hit{};
        hit.pt = at;
        ScreenToClient(m_hTree, &hit.pt);
        item = TreeView_HitTest(m_hTree, &hit);
        if (!item)
            return;
        // The commands work on the selected node: a right click selects it first.
        TreeView_SelectItem(m_hTree, item);
    }
    CTreeViewControl tree(m_hTree);
    const std::vector<NTev::CStr> path = gf_GetItemPath(tree, reinterpret_cast<ICTreeControl::CItem>(item));
    const std::uint32_t index = gf_GetItemIndex(tree, reinterpret_cast<ICTreeControl::CItem>(item));
    CNodeRef node;
    if (!gf_IdentifyNode(path, node, index))
        return;
    const std::vector<CMenuEntry> entries = gf_BuildContextMenu(m_Engine, node);
    if (entries.empty())
        return;
    HMENU menu = CreatePopupMenu();
    for (const CMenuEntry& entry : entries)
        AppendMenuA(menu, MF_STRING | (entry.m_bChecked ? MF_CHECKED : MF_UNCHECKED),
                    static_cast<UINT_PTR>(gf_MenuCommandId(entry)), entry.m_Text.f_GetStr());
    // The command runs on the node the menu was opened on, even when a rebuild while the menu
    // was open moved the selection (the node went, another took the selection).
    const int commandId = static_cast<int>(TrackPopupMenu(
        menu, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, m_hWindow, nullptr));
    DestroyMenu(menu);
    if (commandId)
        fp_RunContextCommand(path, index, commandId);
}

void CQuillonDlg::fp_RunContextCommand(const std::vector<NTev::CStr>& path, std::uint32_t index,
                                       int commandId)
{
    if (m_bBusy)
        return;
    // The tree as the configuration is now; a node that went (another process changed the
    // file) takes no command, and the menu is built again, so that an object that went offers
    // nothing either.
    fp_Rebuild();
    CTreeViewControl tree(m_hTree);
    CNodeRef node;
    if (gf_FindItem(tree, path, index) && gf_IdentifyNode(path, node, index))
    {
        const std::vector<CMenuEntry> entries = gf_BuildContextMenu(m_Engine, node);
        if (const CMenuEntry* entry = gf_FindMenuEntry(entries, commandId))
        {
            m_bBusy = true;
            m_pHosts->m_Commands.f_Run(node, *entry);
            m_bBusy = false;
        }
    }
    fp_Rebuild();
}

void CQuillonDlg::fp_OnTrayMessage(UINT mouseMessage)
{
    // The engine process's icon; a tray that captures for the service stays the tray.
    if (m_Engine.m_bOwnsInput && !m_Engine.m_bHostsSessionAgent)
    {
        if (mouseMessage == WM_LBUTTONDBLCLK)
            DestroyWindow(m_hWindow);
        return;
    }
    if (mouseMessage == WM_LBUTTONUP || mouseMessage == WM_RBUTTONUP)
        fp_ShowTrayMenu();
}

void CQuillonDlg::fp_ShowTrayMenu()
{
    if (m_bBusy)
    {
        // A command's dialog is open: bring it forward rather than start another.
        SetForegroundWindow(GetLastActivePopup(m_hWindow));
        return;
    }
    HMENU menu = CreatePopupMenu();
    for (const CTrayMenuEntry& entry :
         gf_BuildTrayMenu(m_Engine, m_Ticker.f_IsLaptopKeyboardFound(), gf_ReadRemapAdministratorWindows()))
    {
        if (entry.m_Command == ETrayCommand::Separator)
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu, MF_STRING | (entry.m_bChecked ? MF_CHECKED : MF_UNCHECKED),
                        static_cast<UINT_PTR>(gf_TrayCommandId(entry.m_Command)), entry.m_Text.f_GetStr());
        if (entry.m_bDefault)
            SetMenuDefaultItem(menu, static_cast<UINT>(gf_TrayCommandId(entry.m_Command)), FALSE);
    }
    POINT at{};
    GetCursorPos(&at);
    // The menu closes when the user clicks elsewhere only if its owner is in front.
    SetForegroundWindow(m_hWindow);
    const int commandId = static_cast<int>(TrackPopupMenu(
        menu, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, m_hWindow, nullptr));
    PostMessageA(m_hWindow, WM_NULL, 0, 0);
    DestroyMenu(menu);
    if (commandId)
        fp_RunTrayCommand(static_cast<ETrayCommand>(commandId - gc_FirstTrayCommandId));
}

void CQuillonDlg::fp_ChooseAdministratorWindows(bool on)
{
    char program[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
    if (!length || length >= MAX_PATH)
        return;
    SHELLEXECUTEINFOA run{};
    run.cbSize = sizeof run;
    run.hwnd = m_hWindow;
    run.lpVerb = "runas";
    run.lpFile = program;
    run.lpParameters = on ? "-RemapAdministratorWindows" : "-RemapAdministratorWindowsOff";
    run.nShow = SW_HIDE;
    // A user who declines the consent has changed nothing, and knows it.
    if (!ShellExecuteExA(&run) && GetLastError() != ERROR_CANCELLED)
        gf_ShowError(m_hWindow, "Quillon could not ask Windows for administrator rights, so \"Remap in "
                                "administrator windows too\" was not changed.");
}

void CQuillonDlg::fp_RunTrayCommand(ETrayCommand command)
{
    if (m_bBusy)
        return;
    switch (command)
    {
        case ETrayCommand::Configure:
            f_ShowInFront();
            break;
        case ETrayCommand::LaptopConfiguration:
            if (m_pLaptopSetup && m_Ticker.f_IsLaptopKeyboardFound())
            {
                m_bBusy = true;
                m_pLaptopSetup->f_Run(true);
                m_bBusy = false;
                fp_Rebuild();
            }
            break;
        case ETrayCommand::EnableRemapping:
            if (!m_Engine.f_IsEditable())
                gf_ShowError(nullptr, gc_NotEditableMessage);
            else if (!m_Engine.f_ToggleRemapping())
            {
                // The flag is back as the file holds it, which the service follows: the menu's
                // check keeps telling the truth.
                CMessageBoxHost messages(nullptr);
                gf_ReportSaveFailure(m_Engine, messages);
            }
            break;
        case ETrayCommand::RemapAdministratorWindows:
            fp_ChooseAdministratorWindows(!gf_ReadRemapAdministratorWindows());
            break;
        case ETrayCommand::Quit:
            DestroyWindow(m_hWindow);
            break;
        case ETrayCommand::Separator:
            break;
    }
}

void CQuillonDlg::fp_AddTrayIcon()
{
    if (m_bTrayIconAdded)
        return;
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = m_hWindow;
    data.uID = gc_TrayIconId;
    data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
    data.uCallbackMessage = gc_TrayCallbackMessage;
    data.hIcon = m_hSmallIcon;
    lstrcpynA(data.szTip,
              m_Engine.m_bOwnsInput && !m_Engine.m_bHostsSessionAgent ? gc_TrayTipEngine
                                                                      : gc_TrayTipConfiguration,
              sizeof data.szTip);
    m_bTrayIconAdded = Shell_NotifyIconA(NIM_ADD, &data) != FALSE;
}

void CQuillonDlg::fp_RemoveTrayIcon()
{
    if (!m_bTrayIconAdded)
        return;
    NOTIFYICONDATAA data{};
    data.cbSize = sizeof data;
    data.hWnd = m_hWindow;
    data.uID = gc_TrayIconId;
    Shell_NotifyIconA(NIM_DELETE, &data);
    m_bTrayIconAdded = false;
}

void CQuillonDlg::fp_ShowAbout()
{
    CAboutDlg::fs_DoModal(m_hWindow);
}
} // namespace NQuillon
