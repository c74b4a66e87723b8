// The driver work end to end on the real registry, service control manager and files of the
// test's Wine prefix. Each test makes its own program directory with stand-in driver files
// and its own %SystemRoot%, and takes away every key, value and service it made.

#include "app/Drivers.h"
#include "tests/core/FileTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

using namespace NQuillon::NDrivers;
using NQuillonTest::gf_PathExists;
using NQuillonTest::gf_ReadFileBytes;
using NQuillonTest::gf_WriteFileBytes;
using CNames = std::vector<std::string>;

namespace
{
const std::string gc_Root = "SYSTEM\\CurrentControlSet\\";
const std::string gc_Keyboard = "Control\\Class\\{4D36E96B-E325-11CE-BFC1-08002BE10318}";
const std::string gc_Mouse = "Control\\Class\\{4D36E96F-E325-11CE-BFC1-08002BE10318}";
const std::string gc_LaptopKey = "Enum\\HID\\Vid_05ac&Pid_0218&MI_00";
const std::string gc_LaptopInstance = gc_LaptopKey + "\\1&2d595ca7&0&0000";
const std::string gc_SessionManager = "Control\\Session Manager";

HKEY fg_Open(const std::string& key, REGSAM access)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (gc_Root + key).c_str(), 0, access, &handle) != ERROR_SUCCESS)
        return nullptr;
    return handle;
}

bool fg_KeyExists(const std::string& key)
{
    HKEY handle = fg_Open(key, KEY_READ);
    if (handle)
        RegCloseKey(handle);
    return handle != nullptr;
}

// The raw bytes and type of a value; false when it is missing.
bool fg_ReadValue(const std::string& key, const char* value, std::string& bytes, DWORD& type)
{
    HKEY handle = fg_Open(key, KEY_QUERY_VALUE);
    if (!handle)
        return false;
    DWORD size = 0;
    bool bFound = RegQueryValueExA(handle, value, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (bFound)
    {
        bytes.assign(size, '\0');
        bFound = RegQueryValueExA(handle, value, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()),
                                  &size) == ERROR_SUCCESS;
        bytes.resize(size);
    }
    RegCloseKey(handle);
    return bFound;
}

CNames fg_GetList(const std::string& key, const char* value)
{
    std::string bytes;
    DWORD type = 0;
    CNames names;
    if (!fg_ReadValue(key, value, bytes, type))
        return names;
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ)) << key << " " << value;
    for (std::size_t position = 0; position < bytes.size();)
    {
        std::size_t end = bytes.find('\0', position);
        if (end == std::string::npos)
            end = bytes.size();
        if (end == position)
            break;
        names.push_back(bytes.substr(position, end - position));
        position = end + 1;
    }
    return names;
}

void fg_SetList(const std::string& key, const char* value, const CNames& names)
{
    std::string bytes;
    for (const std::string& name : names)
        bytes.append(name.c_str(), name.size() + 1);
    bytes.push_back('\0');
    HKEY handle = fg_Open(key, KEY_SET_VALUE);
    ASSERT_NE(handle, nullptr) << key;
    EXPECT_EQ(RegSetValueExA(handle, value, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
    RegCloseKey(handle);
}

std::string fg_GetString(const std::string& key, const char* value)
{
    std::string bytes;
    DWORD type = 0;
    if (!fg_ReadValue(key, value, bytes, type))
        return "<missing>";
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    return std::string(bytes.c_str());
}

// The key's last write time.
std::uint64_t fg_WriteTime(const std::string& key)
{
    HKEY handle = fg_Open(key, KEY_READ);
    EXPECT_NE(handle, nullptr) << key;
    if (!handle)
        return 0;
    FILETIME time = {};
    RegQueryInfoKeyA(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, &time);
    RegCloseKey(handle);
    return (std::uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Creates the key and every missing parent; the created ones are added to created, deepest last.
void fg_CreateKey(const std::string& key, std::vector<std::string>& created)
{
    for (std::size_t end = 0; end != std::string::npos;)
    {
        end = key.find('\\', end + 1);
        std::string part = key.substr(0, end);
        if (fg_KeyExists(part))
            continue;
        HKEY handle = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (gc_Root + part).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &handle, nullptr),
                  ERROR_SUCCESS)
            << part;
        RegCloseKey(handle);
        created.push_back(part);
    }
}

struct CServiceConfig
{
    bool m_bExists = false;
    DWORD m_Type = 0;
    DWORD m_Start = 0;
    DWORD m_ErrorControl = 0;
    std::string m_ImagePath;
    std::string m_DisplayName;
};

CServiceConfig fg_GetService(const char* name)
{
    CServiceConfig config;
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, name, SERVICE_QUERY_CONFIG) : nullptr;
    if (service)
    {
        config.m_bExists = true;
        std::vector<char> buffer(8192);
        DWORD needed = 0;
        auto* query = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
        if (QueryServiceConfigA(service, query, static_cast<DWORD>(buffer.size()), &needed))
        {
            config.m_Type = query->dwServiceType;
            config.m_Start = query->dwStartType;
            config.m_ErrorControl = query->dwErrorControl;
            config.m_ImagePath = query->lpBinaryPathName ? query->lpBinaryPathName : "";
            config.m_DisplayName = query->lpDisplayName ? query->lpDisplayName : "";
        }
        CloseServiceHandle(service);
    }
    if (manager)
        CloseServiceHandle(manager);
    return config;
}

// Ends a driver the installation started, so that its service can go at once.
void fg_StopService(const char* name)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, name, SERVICE_STOP | SERVICE_QUERY_STATUS) : nullptr;
    if (service)
    {
        SERVICE_STATUS status{};
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        for (int i = 0;
             i < 200 && QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED; ++i)
            Sleep(10);
        CloseServiceHandle(service);
    }
    if (manager)
        CloseServiceHandle(manager);
}

void fg_DeleteService(const char* name)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? OpenServiceA(manager, name, DELETE) : nullptr;
    if (service)
    {
        DeleteService(service);
        CloseServiceHandle(service);
    }
    if (manager)
        CloseServiceHandle(manager);
}

std::string fg_WindowsPath(std::string path)
{
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

class DriversWindows : public ::testing::Test
{
protected:
    void SetUp() override
    {
        NQuillonTest::gf_MakeDirectory(m_Temp.f_Path("program"));
        NQuillonTest::gf_MakeDirectory(m_Temp.f_Path("Windows"));
        NQuillonTest::gf_MakeDirectory(m_Temp.f_Path("Windows/System32"));
        NQuillonTest::gf_MakeDirectory(m_Temp.f_Path("Windows/System32/Drivers"));
        char systemRoot[1025] = {};
        m_bHadSystemRoot = GetEnvironmentVariableA("SystemRoot", systemRoot, sizeof(systemRoot)) != 0;
        m_SystemRoot = systemRoot;
        // The backslash form, as Windows sets it.
        SetEnvironmentVariableA("SystemRoot", fg_WindowsPath(m_Temp.f_Path("Windows")).c_str());
        m_bHadPending =
            fg_ReadValue(gc_SessionManager, "PendingFileRenameOperations", m_Pending, m_PendingType);
        for (const char* service : {"QuillonFilter", "Parlix"})
            ASSERT_FALSE(fg_GetService(service).m_bExists) << service << " is left from elsewhere";
        fg_CreateKey(gc_Keyboard, m_CreatedKeys);
        fg_CreateKey(gc_Mouse, m_CreatedKeys);
        ASSERT_EQ(m_CreatedKeys.size() >= 2, true) << "the class keys must be this test's own";
#ifdef QUILLON_LOADABLE_FILTER
        m_FilterImage = gf_ReadFileBytes(QUILLON_LOADABLE_FILTER);
        m_HidImage = gf_ReadFileBytes(QUILLON_LOADABLE_HID);
#else
        GTEST_SKIP() << "this build has no stand-in drivers that load";
#endif
        ASSERT_FALSE(m_FilterImage.empty());
        ASSERT_FALSE(m_HidImage.empty());
        gf_WriteFileBytes(f_Program("QuillonFilter.x64.sys"), f_Filter("filter 1"));
        gf_WriteFileBytes(f_Program("QuillonFilter.x86.sys"), "filter 1 (x86)");
        gf_WriteFileBytes(f_Program("Parlix.x64.sys"), f_Hid("hid 1"));
        gf_WriteFileBytes(f_Program("Parlix.x86.sys"), "hid 1 (x86)");
    }

    void TearDown() override
    {
        fg_StopService("QuillonFilter");
        fg_StopService("Parlix");
        fg_DeleteService("QuillonFilter");
        fg_DeleteService("Parlix");
        for (auto key = m_CreatedKeys.rbegin(); key != m_CreatedKeys.rend(); ++key)
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, (gc_Root + *key).c_str());
        HKEY sessionManager = fg_Open(gc_SessionManager, KEY_SET_VALUE);
        if (sessionManager)
        {
            if (m_bHadPending)
                RegSetValueExA(sessionManager, "PendingFileRenameOperations", 0, m_PendingType,
                               reinterpret_cast<const BYTE*>(m_Pending.data()),
                               static_cast<DWORD>(m_Pending.size()));
            else
                RegDeleteValueA(sessionManager, "PendingFileRenameOperations");
            RegCloseKey(sessionManager);
        }
        SetEnvironmentVariableA("SystemRoot", m_bHadSystemRoot ? m_SystemRoot.c_str() : nullptr);
    }

    // Driver files that load (the stand-ins), told apart by what follows the image.
    std::string f_Filter(const char* tag) const
    {
        return m_FilterImage + tag;
    }
    std::string f_Hid(const char* tag) const
    {
        return m_HidImage + tag;
    }
    std::string f_Program(const std::string& name) const
    {
        return m_Temp.f_Path("program/" + name);
    }
    std::string f_Installed(const std::string& name) const
    {
        return m_Temp.f_Path("Windows/System32/Drivers/" + name);
    }
    NTev::CStr f_Directory() const
    {
        return NTev::CStr(m_Temp.f_Path("program").c_str());
    }
    bool f_TakeMarker(const char* name) const
    {
        return DeleteFileA(f_Program(name).c_str()) != 0;
    }
    void f_AddLaptopKeyboard()
    {
        fg_CreateKey(gc_LaptopInstance, m_CreatedKeys);
    }
    // The entries of the files scheduled for deletion at the next boot that name path.
    bool f_IsPendingDeletion(const std::string& path) const
    {
        std::string bytes;
        DWORD type = 0;
        if (!fg_ReadValue(gc_SessionManager, "PendingFileRenameOperations", bytes, type))
            return false;
        std::string windowsPath = fg_WindowsPath(path);
        return bytes.find(windowsPath.substr(2)) != std::string::npos;
    }
    // The files of the drivers directory whose names start with name + ".old.".
    std::vector<std::string> f_OldFiles(const std::string& name) const
    {
        std::vector<std::string> found;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(f_Installed(name + ".old.*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return found;
        do
            found.push_back(f_Installed(data.cFileName));
        while (FindNextFileA(find, &data));
        FindClose(find);
        return found;
    }

    NQuillonTest::CTempDirectory m_Temp;
    std::string m_FilterImage;
    std::string m_HidImage;
    std::vector<std::string> m_CreatedKeys;
    bool m_bHadSystemRoot = false;
    std::string m_SystemRoot;
    bool m_bHadPending = false;
    std::string m_Pending;
    DWORD m_PendingType = 0;
};
} // namespace

TEST_F(DriversWindows, FirstInstallThenNothingToDo)
{
    gf_InstallClassFilter(f_Directory(), f_Directory());
    EXPECT_EQ(gf_ReadFileBytes(f_Installed("QuillonFilter.x64.sys")), f_Filter("filter 1"));
    CServiceConfig service = fg_GetService("QuillonFilter");
    ASSERT_TRUE(service.m_bExists);
    EXPECT_EQ(service.m_Type, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
    EXPECT_EQ(service.m_Start, static_cast<DWORD>(SERVICE_DEMAND_START));
    EXPECT_EQ(service.m_ErrorControl, static_cast<DWORD>(SERVICE_ERROR_IGNORE));
    EXPECT_EQ(service.m_DisplayName, "Quillon Filter");
    EXPECT_NE(service.m_ImagePath.find(fg_WindowsPath(f_Installed("QuillonFilter.x64.sys")).substr(2)),
              std::string::npos)
        << service.m_ImagePath;
    EXPECT_EQ(fg_GetList(gc_Keyboard, "UpperFilters"), CNames{"QuillonFilter"});
    EXPECT_EQ(fg_GetList(gc_Mouse, "UpperFilters"), CNames{"QuillonFilter"});
    EXPECT_TRUE(f_TakeMarker("Rebootneeded"));

    // Identical file, service present, filters first: nothing is written, no reboot.
    std::uint64_t keyboardTime = fg_WriteTime(gc_Keyboard);
    std::uint64_t mouseTime = fg_WriteTime(gc_Mouse);
    Sleep(20);
    gf_InstallClassFilter(f_Directory(), f_Directory());
    EXPECT_FALSE(f_TakeMarker("Rebootneeded"));
    EXPECT_EQ(fg_WriteTime(gc_Keyboard), keyboardTime);
    EXPECT_EQ(fg_WriteTime(gc_Mouse), mouseTime);
    EXPECT_TRUE(f_OldFiles("QuillonFilter.x64.sys").empty());
    EXPECT_TRUE(fg_GetService("QuillonFilter").m_bExists);
}

TEST_F(DriversWindows, NewerShippedFileReplacesTheInstalledOne)
{
    gf_InstallClassFilter(f_Directory(), f_Directory());
    EXPECT_TRUE(f_TakeMarker("Rebootneeded"));
    gf_WriteFileBytes(f_Program("QuillonFilter.x64.sys"), f_Filter("filter 2"));
    gf_InstallClassFilter(f_Directory(), f_Directory());
    EXPECT_EQ(gf_ReadFileBytes(f_Installed("QuillonFilter.x64.sys")), f_Filter("filter 2"));
    std::vector<std::string> old = f_OldFiles("QuillonFilter.x64.sys");
    ASSERT_EQ(old.size(), 1u);
    EXPECT_EQ(gf_ReadFileBytes(old[0]), f_Filter("filter 1"));
    EXPECT_TRUE(f_IsPendingDeletion(old[0])) << old[0];
    EXPECT_TRUE(fg_GetService("QuillonFilter").m_bExists);
    EXPECT_TRUE(f_TakeMarker("Rebootneeded"));
}

TEST_F(DriversWindows, ClassFilterIsPutInFrontOfAnotherFilter)
{
    fg_SetList(gc_Keyboard, "UpperFilters", {"kbdclass"});
    fg_SetList(gc_Mouse, "UpperFilters", {"QuillonFilter", "mouclass"});
    gf_InstallClassFilter(f_Directory(), f_Directory());
    EXPECT_EQ(fg_GetList(gc_Keyboard, "UpperFilters"), (CNames{"QuillonFilter", "kbdclass"}));
    EXPECT_EQ(fg_GetList(gc_Mouse, "UpperFilters"), (CNames{"QuillonFilter", "mouclass"}));
    EXPECT_TRUE(f_TakeMarker("Rebootneeded"));
}

TEST_F(DriversWindows, ClassFilterFirstWithAnotherSecondIsLeftAlone)
{
    gf_InstallClassFilter(f_Directory(), f_Directory());
    EXPECT_TRUE(f_TakeMarker("Rebootneeded"));
    fg_SetList(gc_Keyboard, "UpperFilters", {"QuillonFilter", "kbdclass"});
    std::uint64_t keyboardTime = fg_WriteTime(gc_Keyboard);
    Sleep(20);
    gf_InstallClassFilter(f_Directory(), f_Directory());
    EXPECT_EQ(fg_GetList(gc_Keyboard, "UpperFilters"), (CNames{"QuillonFilter", "kbdclass"}));
    EXPECT_EQ(fg_WriteTime(gc_Keyboard), keyboardTime);
    EXPECT_FALSE(f_TakeMarker("Rebootneeded"));
}

TEST_F(DriversWindows, ClassFilterInSecondPlaceIsMovedFirstNeverDuplicated)
{
    gf_InstallClassFilter(f_Directory(), f_Directory());
    EXPECT_TRUE(f_TakeMarker("Rebootneeded"));
    fg_SetList(gc_Keyboard, "UpperFilters", {"kbdclass", "QuillonFilter"});
    std::uint64_t keyboardTime = fg_WriteTime(gc_Keyboard);
    Sleep(20);
    gf_InstallClassFilter(f_Directory(), f_Directory());
    EXPECT_EQ(fg_GetList(gc_Keyboard, "UpperFilters"), (CNames{"QuillonFilter", "kbdclass"}));
    // The write time shows writes (the tests of untouched keys rely on it).
    EXPECT_GT(fg_WriteTime(gc_Keyboard), keyboardTime);
    EXPECT_EQ(fg_GetList(gc_Mouse, "UpperFilters"), CNames{"QuillonFilter"});
    EXPECT_TRUE(f_TakeMarker("Rebootneeded"));
}

TEST_F(DriversWindows, ServicePendingDeletionAsksForARebootAndRegistersNothing)
{
    gf_InstallClassFilter(f_Directory(), f_Directory());
    EXPECT_TRUE(f_TakeMarker("Rebootneeded"));
    fg_SetList(gc_Keyboard, "UpperFilters", {"kbdclass"});
    // An open handle keeps the deleted service until it is closed.
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    ASSERT_NE(manager, nullptr);
    SC_HANDLE service = OpenServiceA(manager, "QuillonFilter", DELETE | SERVICE_QUERY_STATUS);
    ASSERT_NE(service, nullptr);
    ASSERT_TRUE(DeleteService(service));
    // Windows marks the pending deletion in the service's key; Wine does not.
    HKEY key = fg_Open("Services\\QuillonFilter", KEY_SET_VALUE);
    ASSERT_NE(key, nullptr);
    const DWORD flag = 1;
    RegSetValueExA(key, "DeleteFlag", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&flag), sizeof(flag));
    RegCloseKey(key);
    gf_InstallClassFilter(f_Directory(), f_Directory());
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    EXPECT_TRUE(f_TakeMarker("Rebootneeded"));
    EXPECT_EQ(fg_GetList(gc_Keyboard, "UpperFilters"), CNames{"kbdclass"});
}

TEST_F(DriversWindows, NoLaptopKeyboardNoHidFilter)
{
    ASSERT_FALSE(fg_KeyExists(gc_LaptopKey));
    gf_InstallHidFilter(f_Directory(), f_Directory(), true);
    EXPECT_FALSE(fg_GetService("Parlix").m_bExists);
    EXPECT_FALSE(gf_PathExists(f_Installed("Parlix.sys")));
    EXPECT_FALSE(f_TakeMarker("Rebootneeded"));
}

TEST_F(DriversWindows, LaptopKeyboardGetsTheHidFilterOnce)
{
    f_AddLaptopKeyboard();
    gf_InstallHidFilter(f_Directory(), f_Directory(), false);
    EXPECT_FALSE(fg_GetService("Parlix").m_bExists);
    EXPECT_EQ(fg_GetString(gc_LaptopInstance, "DeviceDesc"), "<missing>");

    gf_InstallHidFilter(f_Directory(), f_Directory(), true);
    EXPECT_EQ(gf_ReadFileBytes(f_Installed("Parlix.sys")), f_Hid("hid 1"));
    CServiceConfig service = fg_GetService("Parlix");
    ASSERT_TRUE(service.m_bExists);
    EXPECT_EQ(service.m_Type, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
    EXPECT_EQ(service.m_DisplayName, "Parlix");
    EXPECT_EQ(fg_GetList(gc_LaptopInstance, "LowerFilters"), CNames{"Parlix"});
    EXPECT_EQ(fg_GetString(gc_LaptopInstance, "DeviceDesc"), "MacBook Pro Keyboard");
    // No such device is present here, so none asks for a reboot.
    EXPECT_FALSE(f_TakeMarker("Rebootneeded"));

    std::uint64_t instanceTime = fg_WriteTime(gc_LaptopInstance);
    Sleep(20);
    gf_InstallHidFilter(f_Directory(), f_Directory(), true);
    EXPECT_EQ(fg_GetList(gc_LaptopInstance, "LowerFilters"), CNames{"Parlix"});
    EXPECT_EQ(fg_WriteTime(gc_LaptopInstance), instanceTime);
}

TEST_F(DriversWindows, RemovalEndToEnd)
{
    f_AddLaptopKeyboard();
    fg_SetList(gc_Keyboard, "UpperFilters", {"kbdclass"});
    fg_SetList(gc_LaptopInstance, "LowerFilters", {"other"});
    gf_InstallClassFilter(f_Directory(), f_Directory());
    gf_InstallHidFilter(f_Directory(), f_Directory(), true);
    ASSERT_EQ(fg_GetList(gc_Keyboard, "UpperFilters"), (CNames{"QuillonFilter", "kbdclass"}));
    ASSERT_EQ(fg_GetList(gc_LaptopInstance, "LowerFilters"), (CNames{"other", "Parlix"}));
    EXPECT_TRUE(f_TakeMarker("Rebootneeded"));

    EXPECT_FALSE(gf_RemoveDriversIfRequested(f_Directory(), f_Directory()));
    EXPECT_TRUE(fg_GetService("QuillonFilter").m_bExists);
    // No device here holds the drivers: stopped, their services go at once when deleted.
    fg_StopService("QuillonFilter");
    fg_StopService("Parlix");

    gf_WriteFileBytes(f_Program("UninstallDrivers"), "\1");
    EXPECT_TRUE(gf_RemoveDriversIfRequested(f_Directory(), f_Directory()));
    EXPECT_FALSE(gf_PathExists(f_Program("UninstallDrivers")));
    EXPECT_EQ(fg_GetList(gc_Keyboard, "UpperFilters"), CNames{"kbdclass"});
    EXPECT_EQ(fg_GetList(gc_Mouse, "UpperFilters"), CNames{});
    EXPECT_EQ(fg_GetList(gc_LaptopInstance, "LowerFilters"), CNames{"other"});
    EXPECT_FALSE(fg_GetService("QuillonFilter").m_bExists);
    EXPECT_FALSE(fg_GetService("Parlix").m_bExists);
    EXPECT_FALSE(gf_PathExists(f_Installed("QuillonFilter.x64.sys")));
    EXPECT_FALSE(gf_PathExists(f_Installed("Parlix.sys")));
    std::vector<std::string> oldFilter = f_OldFiles("QuillonFilter.x64.sys");
    std::vector<std::string> oldHid = f_OldFiles("Parlix.sys");
    ASSERT_EQ(oldFilter.size(), 1u);
    ASSERT_EQ(oldHid.size(), 1u);
    EXPECT_TRUE(f_IsPendingDeletion(oldFilter[0]));
    EXPECT_TRUE(f_IsPendingDeletion(oldHid[0]));
    EXPECT_TRUE(f_TakeMarker("Rebootneeded"));
    EXPECT_TRUE(f_TakeMarker("UninstallDriversDone"));
}

// A shipped file that is no driver (or one the system refuses to load) is installed but never
// registered: the classes' lists stay as they were.
TEST_F(DriversWindows, AFileThatIsNoDriverIsNotRegistered)
{
    fg_SetList(gc_Keyboard, "UpperFilters", {"kbdclass"});
    gf_WriteFileBytes(f_Program("QuillonFilter.x64.sys"), "no driver");
    gf_InstallClassFilter(f_Directory(), f_Directory());
    EXPECT_EQ(gf_ReadFileBytes(f_Installed("QuillonFilter.x64.sys")), "no driver");
    EXPECT_TRUE(fg_GetService("QuillonFilter").m_bExists);
    EXPECT_EQ(fg_GetList(gc_Keyboard, "UpperFilters"), CNames{"kbdclass"});
    EXPECT_EQ(fg_GetList(gc_Mouse, "UpperFilters"), CNames{});
    // The copied file still asks for a reboot.
    EXPECT_TRUE(f_TakeMarker("Rebootneeded"));
}
