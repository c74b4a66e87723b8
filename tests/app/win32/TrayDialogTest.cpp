// The configuration dialog as a user meets it: the real program in the tray role, in a
// directory of its own with a Settings.dat, driven through its tree, its commands' dialogs
// and message boxes, and the key recorder fed through the filter driver's stand-in. After
// every step the file on disk is read back.

#include "tools/config/ConfigJson.h"
#include "tools/filterstandin/FilterStandIn.h"
#include "ui/ConfigMenu.h"
#include "ui/InputKeyMapperDlg.h"
#include "ui/TrayMenu.h"
#include "ui/win32/Resource.h"
#include "widgets/win32/InputDialogWindow.h"

#include "engine/MessageHook.h"
#include "tests/app/win32/AppTestSupport.h"
#include "tests/app/win32/RemoteTree.h"
#include "tests/core/FileTestSupport.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/ui/win32/DialogDriver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

using namespace NQuillon;
using namespace NQuillonTest;

namespace
{
const char* const gc_Configuration = R"json({
  "defaultTable": "Main", "defaultPreset": "Default",
  "presets": [{"name": "Default"}],
  "tables": [{"name": "Main", "groups": [{"name": "Main", "priority": 3, "actions": [
    {"kind": "Input", "trigger": "A(1)", "sequences": ["B"]}]}]}]
})json";

const std::vector<std::string> gc_Group = {"Remappings", "Main", "3: Main | Ignore no keys"};

std::vector<std::string> fg_Below(std::vector<std::string> path, std::initializer_list<const char*> more)
{
    path.insert(path.end(), more.begin(), more.end());
    return path;
}

// Polls until the condition holds or the time is up.
template <class t_CCondition>
bool fg_Within(std::chrono::milliseconds limit, t_CCondition condition)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition())
    {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

class CTrayDialog : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(gf_EngineIsRunning()) << "another engine runs in this Wine session";
        m_Program = m_Directory.f_Path("Quillon.x64.exe");
        ASSERT_TRUE(gf_MakeProgramDirectory(m_Directory.f_GetPath(), m_Program, gc_Configuration));
        m_StandIn.f_Start();
        m_Started = std::chrono::steady_clock::now();
        m_pProcess = std::make_unique<CProgramProcess>(m_Program, f_Role());
        ASSERT_TRUE(m_pProcess->f_IsStarted()) << m_pProcess->f_Describe();
        const auto isMainDialog = [](HWND window)
        {
            char title[64] = {};
            GetWindowTextA(window, title, sizeof title);
            return std::string(title) == "Quillon";
        };
        ASSERT_TRUE(fg_Within(std::chrono::seconds(10),
                              [&]
                              {
                                  m_Dialog = gf_FindProcessWindow(m_pProcess->f_GetProcessId(), isMainDialog);
                                  return m_Dialog != nullptr;
                              }))
            << m_pProcess->f_Describe() << "\n"
            << gf_LastTraceLines();
        // The window is found while it is being made: its tree comes with its first items.
        HWND tree = nullptr;
        ASSERT_TRUE(fg_Within(std::chrono::seconds(10),
                              [&]
                              {
                                  tree = GetDlgItem(m_Dialog, IDC_CONFIG_TREE);
                                  return tree && TreeView_GetRoot(tree);
                              }))
            << "the dialog's tree was not filled";
        m_pTree = std::make_unique<CRemoteTree>(tree, m_pProcess->f_GetProcessId());
    }
    void TearDown() override
    {
        if (m_pProcess && m_pProcess->f_IsRunning())
        {
            f_Tray(ETrayCommand::Quit);
            EXPECT_EQ(m_pProcess->f_Wait(10000), 0) << "Quit ends the process";
        }
        m_StandIn.f_Stop();
    }

    virtual const char* f_Role() const { return "-TrayIcon"; }

    nlohmann::ordered_json f_ReadBack()
    {
        CMessageHook reader;
        reader.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str());
        reader.f_LoadSettings("Settings.dat");
        return NQuillonConfigTool::gf_DumpConfiguration(reader, CMessageHook::mc_FileVersion);
    }
    // Chooses a command of the context menu of the node with that path.
    void f_Command(const std::vector<std::string>& path, ECommand command, std::uint32_t index = 0)
    {
        HTREEITEM item = m_pTree->f_Find(path);
        ASSERT_TRUE(item) << path.back() << " is not in the tree:\n" << m_pTree->f_Text();
        m_pTree->f_Select(item);
        CMenuEntry entry;
        entry.m_Command = command;
        entry.m_Index = index;
        PostMessageA(m_Dialog, WM_COMMAND, static_cast<WPARAM>(gf_MenuCommandId(entry)), 0);
    }
    void f_Tray(ETrayCommand command)
    {
        PostMessageA(m_Dialog, WM_COMMAND, static_cast<WPARAM>(gf_TrayCommandId(command)), 0);
    }
    // Fills the text fields of the input dialog with that title and presses OK.
    void f_Enter(const char* title, const std::vector<std::string>& texts)
    {
        HWND dialog = gf_WaitForDialog(title);
        ASSERT_TRUE(dialog) << title << " did not open";
        for (std::size_t i = 0; i < texts.size(); ++i)
            SendMessageA(GetDlgItem(dialog, gf_InputControlId(i)), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(texts[i].c_str()));
        gf_Click(GetDlgItem(dialog, IDOK));
        ASSERT_TRUE(gf_IsGone(title));
    }
    // Answers the message box with that title; returns its text.
    std::string f_Answer(const char* title, int button)
    {
        HWND box = gf_WaitForDialog(title);
        if (!box)
            return "(no message box)";
        const std::string text = gf_Text(GetDlgItem(box, 0xFFFF));
        gf_Click(GetDlgItem(box, button));
        return text;
    }
    // Whether the tree shows that line within the time.
    bool f_TreeShows(const std::string& line, std::chrono::milliseconds limit = std::chrono::seconds(5))
    {
        return fg_Within(limit, [&] { return m_pTree->f_Text().find(line + "\n") != std::string::npos; });
    }
    void f_Feed(std::initializer_list<std::pair<std::uint16_t, bool>> keys)
    {
        for (const auto& [code, down] : keys)
        {
            const CDriverRecord record = gf_Key(code, down);
            m_StandIn.f_Feed(&record, 1);
        }
    }
    // Waits for the recorder with that prompt and its capture of the device (clients: the
    // device's clients with it).
    void f_WaitForRecorder(const char* prompt, std::size_t clients = 1)
    {
        ASSERT_TRUE(gf_WaitForDialog(prompt)) << prompt;
        ASSERT_TRUE(m_StandIn.f_WaitClients(clients, 5000)) << "the recorder did not open the device";
    }
    // The actions of group Main of table Main on disk.
    nlohmann::ordered_json f_Actions()
    {
        const nlohmann::ordered_json file = f_ReadBack();
        for (const auto& table : file["tables"])
            if (table["name"] == "Main")
                return table["groups"][0]["actions"];
        return {};
    }

    CTempDirectory m_Directory;
    std::string m_Program;
    std::chrono::steady_clock::time_point m_Started;
    CFilterStandIn m_StandIn;
    std::unique_ptr<CProgramProcess> m_pProcess;
    HWND m_Dialog = nullptr;
    std::unique_ptr<CRemoteTree> m_pTree;
};
} // namespace

TEST_F(CTrayDialog, EditsTheFileThroughTheTreeAsAUserWould)
{
    ASSERT_TRUE(f_TreeShows("        Mouse/Keyboard Generate ( B )")) << m_pTree->f_Text();
    HTREEITEM group = m_pTree->f_Find(gc_Group);
    m_pTree->f_Expand(group);

    // A table.
    f_Command({"Remappings"}, ECommand::CreateTable);
    f_Enter("Create New Remapping Table", {"Games"});
    EXPECT_TRUE(f_TreeShows("  Games"));
    EXPECT_EQ(f_ReadBack()["tables"][0]["name"], "Games");

    // A group with a priority in use: the error, then the dialog again with what was typed.
    f_Command({"Remappings", "Main"}, ECommand::CreateGroup);
    f_Enter("Create New Remapping Group", {"Editing", "3"});
    EXPECT_EQ(f_Answer("Error", IDOK), "The name or priority already exists");
    HWND again = gf_WaitForDialog("Create New Remapping Group");
    ASSERT_TRUE(again);
    EXPECT_EQ(gf_Text(GetDlgItem(again, gf_InputControlId(0))), "Editing");
    EXPECT_EQ(gf_Text(GetDlgItem(again, gf_InputControlId(1))), "3");
    f_Enter("Create New Remapping Group", {"Editing", "5"});
    EXPECT_TRUE(f_TreeShows("    5: Editing | Ignore no keys"));
    EXPECT_EQ(f_ReadBack()["tables"][1]["groups"][1]["name"], "Editing");

    // A drop-down list's text is its chosen entry (CB_GETLBTEXT does not cross processes).
    // A binding recorded from the keyboard: LCtrl, then C, release C.
    f_Command(gc_Group, ECommand::CreateBinding);
    f_WaitForRecorder(CInputKeyMapperDlg::mc_PromptTrigger);
    f_Feed({{0x1D, true}, {0x2E, true}, {0x2E, false}, {0x1D, false}});
    HWND create = gf_WaitForDialog("Create New Action");
    ASSERT_TRUE(create) << "the recorder did not lead to the action dialog";
    EXPECT_EQ(gf_Text(GetDlgItem(create, gf_InputControlId(0))), "Keboard / Mouse Generate");
    EXPECT_EQ(gf_Text(GetDlgItem(create, gf_InputControlId(1))), "Any");
    EXPECT_EQ(gf_Text(GetDlgItem(create, gf_InputControlId(2))), "1");
    gf_Click(GetDlgItem(create, IDOK));
    EXPECT_TRUE(f_TreeShows("      LCtrl(1) + C(2)")) << m_pTree->f_Text();
    EXPECT_EQ(m_pTree->f_Find(gc_Group), group) << "the group's item stays";
    EXPECT_TRUE(m_pTree->f_IsExpanded(group));
    ASSERT_EQ(f_Actions().size(), 2u);
    EXPECT_EQ(f_Actions()[1]["triggerLabel"], "LCtrl(1) + C(2)");
    const std::vector<std::string> action =
        fg_Below(gc_Group, {"LCtrl(1) + C(2)", "Mouse/Keyboard Generate (  )"});
    EXPECT_TRUE(m_pTree->f_Find(action)) << m_pTree->f_Text();

    // Its generate sequence: V, then V again ends the recording.
    f_Command(action, ECommand::RecordSequence, 0);
    f_WaitForRecorder(CInputKeyMapperDlg::mc_PromptGenerate);
    f_Feed({{0x2F, true}, {0x2F, false}, {0x2F, true}, {0x2F, false}});
    EXPECT_TRUE(f_TreeShows("        Mouse/Keyboard Generate ( V )")) << m_pTree->f_Text();
    EXPECT_EQ(f_Actions()[1]["sequences"], nlohmann::json::parse("[[[0,47,0]]]"));

    const std::vector<std::string> generated =
        fg_Below(gc_Group, {"LCtrl(1) + C(2)", "Mouse/Keyboard Generate ( V )"});
    f_Command(generated, ECommand::ContinueProcessing);
    EXPECT_TRUE(fg_Within(std::chrono::seconds(5), [&] { return f_Actions()[1]["flags"] == 1; }));

    f_Command(generated, ECommand::DeleteAction);
    EXPECT_EQ(f_Answer("Waring", IDYES), "Are you sure you want to delete the action?");
    EXPECT_TRUE(fg_Within(std::chrono::seconds(5), [&] { return f_Actions().size() == 1; }));
    EXPECT_FALSE(f_TreeShows("      LCtrl(1) + C(2)", std::chrono::milliseconds(0))) << m_pTree->f_Text();
}

TEST_F(CTrayDialog, ShowsAChangeOfAnotherProcessWithinASecondAndTogglesRemapping)
{
    ASSERT_TRUE(f_TreeShows("  Main"));
    {
        CMessageHook other;
        other.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str());
        ASSERT_TRUE(other.f_LoadSettings("Settings.dat"));
        const auto written = std::chrono::steady_clock::now();
        ASSERT_TRUE(other.f_CreateTable("Elsewhere"));
        EXPECT_TRUE(f_TreeShows("  Elsewhere", std::chrono::seconds(3))) << m_pTree->f_Text();
        EXPECT_LT(std::chrono::steady_clock::now() - written, std::chrono::seconds(1));
    }

    EXPECT_EQ(f_ReadBack()["remappingDisabled"], false);
    f_Tray(ETrayCommand::EnableRemapping);
    EXPECT_TRUE(
        fg_Within(std::chrono::seconds(5), [&] { return f_ReadBack()["remappingDisabled"] == true; }));
    f_Tray(ETrayCommand::EnableRemapping);
    EXPECT_TRUE(
        fg_Within(std::chrono::seconds(5), [&] { return f_ReadBack()["remappingDisabled"] == false; }));

    // Configure shows the dialog; closing it only hides it.
    f_Tray(ETrayCommand::Configure);
    EXPECT_TRUE(fg_Within(std::chrono::seconds(5), [&] { return IsWindowVisible(m_Dialog) != FALSE; }));
    gf_Close(m_Dialog);
    EXPECT_TRUE(fg_Within(std::chrono::seconds(5), [&] { return !IsWindowVisible(m_Dialog); }));
    EXPECT_TRUE(m_pProcess->f_IsRunning());
}

TEST_F(CTrayDialog, ABindingMadeInTheDialogRemapsInTheRunningServiceWithoutARestart)
{
    const std::string name = gf_UniqueServiceName("Tray");
    CServiceCleanup cleanup(name);
    ASSERT_TRUE(gf_RunProgramSucceeds(m_Program, "-AddService " + name, name));
    ASSERT_TRUE(gf_RunProgramSucceeds(m_Program, "-StartService " + name, name));
    ASSERT_TRUE(m_StandIn.f_WaitClients(1, 10000)) << "the service's engine did not open the device\n"
                                                   << gf_DescribeService(name) << "\n"
                                                   << gf_LastTraceLines();

    // X bound in the dialog to generate Y; the service sees the recorded keys too and passes
    // them on, as it would any unbound key.
    f_Command(gc_Group, ECommand::CreateBinding);
    f_WaitForRecorder(CInputKeyMapperDlg::mc_PromptTrigger, 2);
    f_Feed({{0x2D, true}, {0x2D, false}});
    HWND create = gf_WaitForDialog("Create New Action");
    ASSERT_TRUE(create);
    gf_Click(GetDlgItem(create, IDOK));
    ASSERT_TRUE(f_TreeShows("      X(1)")) << m_pTree->f_Text();
    f_Command(fg_Below(gc_Group, {"X(1)", "Mouse/Keyboard Generate (  )"}), ECommand::RecordSequence, 0);
    f_WaitForRecorder(CInputKeyMapperDlg::mc_PromptGenerate, 2);
    f_Feed({{0x15, true}, {0x15, false}, {0x15, true}, {0x15, false}});
    ASSERT_TRUE(f_TreeShows("        Mouse/Keyboard Generate ( Y )")) << m_pTree->f_Text();
    ASSERT_TRUE(m_StandIn.f_WaitClients(1, 5000));
    for (int i = 0; i < 200 && m_StandIn.f_GetClientCount() != 1; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    // The service picks the file up by itself: X now comes out as Y.
    bool remapped = false;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!remapped && std::chrono::steady_clock::now() < end)
    {
        m_StandIn.f_TakeWritten();
        f_Feed({{0x2D, true}, {0x2D, false}});
        m_StandIn.f_WaitWritten(2, 1000);
        for (const auto& written : m_StandIn.f_TakeWritten())
            remapped = remapped || written.m_Record.m_Keyboard.MakeCode == 0x15;
    }
    EXPECT_TRUE(remapped) << gf_DescribeService(name) << "\n" << gf_LastTraceLines();
    ASSERT_TRUE(gf_RunProgramSucceeds(m_Program, "-StopService " + name, name));
    ASSERT_TRUE(gf_RunProgramSucceeds(m_Program, "-RemoveService " + name, name));
}

namespace
{
// Makes a folder that nobody, root included, can write into (the immutable attribute), through
// the host's chattr; undone at the end of the scope.
class CUnwritableFolder
{
public:
    explicit CUnwritableFolder(const std::string& folder) : m_Folder(folder), m_UnixPath(fg_UnixPath(folder))
    {
        m_bStarted = !m_UnixPath.empty() && fg_StartChattr("+i", m_UnixPath);
        // A file system without the attribute lets the probe in for good.
        m_bWorks = m_bStarted && fg_Within(std::chrono::seconds(5), [&] { return !f_CanWrite(); });
    }
    ~CUnwritableFolder()
    {
        if (m_bStarted && fg_StartChattr("-i", m_UnixPath))
        {
            EXPECT_TRUE(fg_Within(std::chrono::seconds(5), [&] { return f_CanWrite(); }))
                << m_UnixPath << " stays immutable";
        }
    }
    CUnwritableFolder(const CUnwritableFolder&) = delete;
    CUnwritableFolder& operator=(const CUnwritableFolder&) = delete;
    bool f_Works() const noexcept { return m_bWorks; }
    std::string f_Describe() const
    {
        return "\"" + m_UnixPath + "\": chattr " + (m_bStarted ? "ran" : "did not start");
    }

private:
    bool f_CanWrite() const
    {
        const std::string probe = m_Folder + "/probe";
        HANDLE file = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        CloseHandle(file);
        DeleteFileA(probe.c_str());
        return true;
    }
    static std::string fg_UnixPath(const std::string& path)
    {
        using CGetUnixFileName = char*(CDECL*)(const WCHAR*);
        auto get = reinterpret_cast<CGetUnixFileName>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
        WCHAR wide[MAX_PATH] = {};
        if (!get || !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH))
            return {};
        char* unixPath = get(wide);
        if (!unixPath)
            return {};
        std::string result = unixPath;
        HeapFree(GetProcessHeap(), 0, unixPath);
        return result;
    }
    // Wine starts the host's program by its real file and passes the arguments as they are;
    // such a process cannot be waited for: its effect is.
    static bool fg_StartChattr(const char* change, const std::string& unixPath)
    {
        std::string command = "\"Z:/usr/bin/chattr\" " + std::string(change) + " \"" + unixPath + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process))
            return false;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return true;
    }

    std::string m_Folder;
    std::string m_UnixPath;
    bool m_bStarted = false;
    bool m_bWorks = false;
};
} // namespace

TEST_F(CTrayDialog, AnEditThatCannotBeSavedIsUndoneAndTheMessageSaysWhereAndWhy)
{
    ASSERT_TRUE(f_TreeShows("  Main")) << m_pTree->f_Text();
    const std::string file = gf_ReadFileBytes(m_Directory.f_Path("Settings.dat"));
    CUnwritableFolder unwritable(m_Directory.f_GetPath());
    if (!unwritable.f_Works())
        GTEST_SKIP() << "the file system here has no immutable attribute: " << unwritable.f_Describe();

    const auto started = std::chrono::steady_clock::now();
    f_Command({"Remappings"}, ECommand::CreateTable);
    f_Enter("Create New Remapping Table", {"Games"});
    const std::string text = f_Answer("Error", IDOK);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2))
        << "access denied fails at once";
    EXPECT_EQ(text.rfind("Quillon could not save your settings to ", 0), 0u) << text;
    EXPECT_NE(text.find("Settings.dat: "), std::string::npos) << text;
    EXPECT_NE(text.find(". The change was undone."), std::string::npos) << text;
    EXPECT_FALSE(f_TreeShows("  Games", std::chrono::milliseconds(600))) << m_pTree->f_Text();
    EXPECT_TRUE(m_pProcess->f_IsRunning());
    EXPECT_EQ(gf_ReadFileBytes(m_Directory.f_Path("Settings.dat")), file) << "the file on disk is unchanged";
    EXPECT_FALSE(gf_PathExists(m_Directory.f_Path("Settings.dat.new"))) << "nothing half-written";
}

TEST_F(CTrayDialog, ASecondStartWithSettingsShowsTheRunningTraysDialogInFront)
{
    ASSERT_FALSE(IsWindowVisible(m_Dialog)) << "the tray starts with its dialog hidden";
    // The Run key's start while a tray runs: it ends at once and shows nothing.
    CProgramProcess tray(m_Program, "-TrayIcon");
    EXPECT_EQ(tray.f_Wait(10000), 2) << tray.f_Describe();
    EXPECT_FALSE(
        fg_Within(std::chrono::milliseconds(300), [&] { return IsWindowVisible(m_Dialog) != FALSE; }));

    const auto started = std::chrono::steady_clock::now();
    CProgramProcess settings(m_Program, "-Settings");
    EXPECT_TRUE(fg_Within(std::chrono::seconds(2),
                          [&] { return IsWindowVisible(m_Dialog) && GetForegroundWindow() == m_Dialog; }))
        << "visible " << IsWindowVisible(m_Dialog) << ", foreground " << GetForegroundWindow() << " not "
        << m_Dialog;
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_EQ(settings.f_Wait(10000), 0) << settings.f_Describe();
}

namespace
{
class CSettingsStart : public CTrayDialog
{
protected:
    const char* f_Role() const override { return "-Settings"; }
};
} // namespace

TEST_F(CSettingsStart, AFirstStartWithSettingsShowsTheDialogInFront)
{
    // The first process of the session costs about a second of Wine's start.
    const auto limit = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::seconds(5) - (std::chrono::steady_clock::now() - m_Started));
    EXPECT_TRUE(
        fg_Within(limit, [&] { return IsWindowVisible(m_Dialog) && GetForegroundWindow() == m_Dialog; }))
        << "visible " << IsWindowVisible(m_Dialog);
    EXPECT_TRUE(m_pProcess->f_IsRunning());
}

namespace
{
class CEngineTrayIcon : public CTrayDialog
{
protected:
    const char* f_Role() const override { return "-RunAsProgram"; }
};
} // namespace

TEST_F(CEngineTrayIcon, TheEngineProcessEndsOnADoubleClickOfItsIcon)
{
    ASSERT_TRUE(m_StandIn.f_WaitClients(1, 10000)) << "the engine did not open the device";
    // Its icon has no menu: a click changes nothing.
    PostMessageA(m_Dialog, gc_TrayCallbackMessage, gc_TrayIconId, WM_RBUTTONUP);
    PostMessageA(m_Dialog, gc_TrayCallbackMessage, gc_TrayIconId, WM_LBUTTONUP);
    EXPECT_FALSE(fg_Within(std::chrono::milliseconds(300),
                           [&] { return FindWindowA(MAKEINTATOM(32768), nullptr) != nullptr; }));
    EXPECT_TRUE(m_pProcess->f_IsRunning());
    PostMessageA(m_Dialog, gc_TrayCallbackMessage, gc_TrayIconId, WM_LBUTTONDBLCLK);
    EXPECT_EQ(m_pProcess->f_Wait(10000), 0) << gf_LastTraceLines();
    EXPECT_EQ(m_StandIn.f_GetClientCount(), 0u);
}
