#include "app/DriverSetup.h"
#include "tests/app/FakeDriverSystem.h"
#include "tests/core/FileTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace NQuillon::NDrivers;
using NQuillonTest::gf_PathExists;
using NQuillonTest::gf_ReadFileBytes;
using NQuillonTest::gf_WriteFileBytes;
using CNames = std::vector<std::string>;

namespace
{
const std::string gc_Keyboard = gc_KeyboardClassKey;
const std::string gc_Mouse = gc_MouseClassKey;
const std::string gc_Laptop0218 = "Enum\\HID\\Vid_05ac&Pid_0218&MI_00";
const std::string gc_Laptop0217 = "Enum\\HID\\Vid_05ac&Pid_0217&MI_00";

class DriverSetup : public ::testing::Test
{
protected:
    DriverSetup()
    {
        NQuillonTest::gf_MakeDirectory(m_Temp.f_Path("program"));
        NQuillonTest::gf_MakeDirectory(m_Temp.f_Path("state"));
        NQuillonTest::gf_MakeDirectory(m_Temp.f_Path("Windows"));
        NQuillonTest::gf_MakeDirectory(m_Temp.f_Path("Windows/System32"));
        NQuillonTest::gf_MakeDirectory(m_Temp.f_Path("Windows/System32/Drivers"));
        m_System.m_SystemRoot = m_Temp.f_Path("Windows");
        m_System.f_AddKey(gc_Keyboard);
        m_System.f_AddKey(gc_Mouse);
    }

    std::string f_Program(const std::string& name) const { return m_Temp.f_Path("program/" + name); }
    // The markers live in the service's state folder, apart from the shipped files.
    std::string f_State(const std::string& name) const { return m_Temp.f_Path("state/" + name); }
    std::string f_Installed(const std::string& name) const
    {
        return m_Temp.f_Path("Windows/System32/Drivers/" + name);
    }
    NTev::CStr f_ProgramDirectory() const { return NTev::CStr(m_Temp.f_Path("program").c_str()); }
    NTev::CStr f_StateDirectory() const { return NTev::CStr(m_Temp.f_Path("state").c_str()); }
    CDriverSetup f_Setup() { return CDriverSetup(m_System, f_ProgramDirectory(), f_StateDirectory()); }
    bool f_RebootMarker() const { return gf_PathExists(f_State("Rebootneeded")); }
    void f_ClearRebootMarker() const { std::remove(f_State("Rebootneeded").c_str()); }

    // The class filter as a previous run left it: identical file, service, registered.
    void f_ClassFilterInstalled(const std::string& bytes)
    {
        gf_WriteFileBytes(f_Program("QuillonFilter.x64.sys"), bytes);
        gf_WriteFileBytes(f_Installed("QuillonFilter.x64.sys"), bytes);
        m_System.m_Services["QuillonFilter"] = "x";
        m_System.f_AddKey("Services\\QuillonFilter");
        m_System.f_SetList(gc_Keyboard, "UpperFilters", {"QuillonFilter", "kbdclass"});
        m_System.f_SetList(gc_Mouse, "UpperFilters", {"QuillonFilter", "mouclass"});
    }

    NQuillonTest::CTempDirectory m_Temp;
    NQuillonTest::CFakeDriverSystem m_System;
};
} // namespace

TEST_F(DriverSetup, FirstInstallCopiesCreatesTheServiceRegistersAndAsksForAReboot)
{
    gf_WriteFileBytes(f_Program("QuillonFilter.x64.sys"), "filter 1");
    f_Setup().f_InstallClassFilter();
    EXPECT_EQ(gf_ReadFileBytes(f_Installed("QuillonFilter.x64.sys")), "filter 1");
    ASSERT_EQ(m_System.m_Services.count("QuillonFilter"), 1u);
    std::string imagePath = m_System.m_Services["QuillonFilter"];
    EXPECT_EQ(imagePath.find('/'), std::string::npos) << imagePath;
    EXPECT_NE(imagePath.find("\\System32\\Drivers\\QuillonFilter.x64.sys"), std::string::npos) << imagePath;
    EXPECT_EQ(m_System.f_GetList(gc_Keyboard, "UpperFilters"), CNames{"QuillonFilter"});
    EXPECT_EQ(m_System.f_GetList(gc_Mouse, "UpperFilters"), CNames{"QuillonFilter"});
    EXPECT_TRUE(m_System.m_DeletedAtReboot.empty());
    EXPECT_TRUE(f_RebootMarker());
}

TEST_F(DriverSetup, IdenticalFileAndServicePresentWriteNothing)
{
    f_ClassFilterInstalled("filter 1");
    f_Setup().f_InstallClassFilter();
    EXPECT_EQ(m_System.m_RegistryWrites, 0);
    EXPECT_EQ(m_System.m_ServicesCreated, 0);
    EXPECT_EQ(m_System.m_ServicesDeleted, 0);
    EXPECT_TRUE(m_System.m_DeletedAtReboot.empty());
    EXPECT_FALSE(f_RebootMarker());
    EXPECT_EQ(m_System.f_GetList(gc_Keyboard, "UpperFilters"), (CNames{"QuillonFilter", "kbdclass"}));
}

TEST_F(DriverSetup, ChangedFileIsMovedAsideScheduledAndReplaced)
{
    f_ClassFilterInstalled("filter 1");
    gf_WriteFileBytes(f_Program("QuillonFilter.x64.sys"), "filter 2");
    f_Setup().f_InstallClassFilter();
    EXPECT_EQ(gf_ReadFileBytes(f_Installed("QuillonFilter.x64.sys")), "filter 2");
    ASSERT_EQ(m_System.m_DeletedAtReboot.size(), 1u);
    const std::string& oldPath = m_System.m_DeletedAtReboot[0];
    EXPECT_EQ(oldPath.rfind(f_Installed("QuillonFilter.x64.sys.old."), 0), 0u) << oldPath;
    EXPECT_EQ(gf_ReadFileBytes(oldPath), "filter 1");
    // The service stays; the lists were right; the new file needs a reboot.
    EXPECT_EQ(m_System.m_ServicesCreated, 0);
    EXPECT_EQ(m_System.m_RegistryWrites, 0);
    EXPECT_TRUE(f_RebootMarker());
}

TEST_F(DriverSetup, TwoReplacementsKeepBothOldFiles)
{
    f_ClassFilterInstalled("filter 1");
    gf_WriteFileBytes(f_Program("QuillonFilter.x64.sys"), "filter 2");
    f_Setup().f_InstallClassFilter();
    gf_WriteFileBytes(f_Program("QuillonFilter.x64.sys"), "filter 3");
    f_Setup().f_InstallClassFilter();
    ASSERT_EQ(m_System.m_DeletedAtReboot.size(), 2u);
    EXPECT_NE(m_System.m_DeletedAtReboot[0], m_System.m_DeletedAtReboot[1]);
    EXPECT_EQ(gf_ReadFileBytes(m_System.m_DeletedAtReboot[0]), "filter 1");
    EXPECT_EQ(gf_ReadFileBytes(m_System.m_DeletedAtReboot[1]), "filter 2");
    EXPECT_EQ(gf_ReadFileBytes(f_Installed("QuillonFilter.x64.sys")), "filter 3");
}

TEST_F(DriverSetup, AnotherFilterAloneGetsTheClassFilterInFront)
{
    f_ClassFilterInstalled("filter 1");
    m_System.f_SetList(gc_Keyboard, "UpperFilters", {"kbdclass"});
    f_Setup().f_InstallClassFilter();
    EXPECT_EQ(m_System.f_GetList(gc_Keyboard, "UpperFilters"), (CNames{"QuillonFilter", "kbdclass"}));
    EXPECT_EQ(m_System.f_GetList(gc_Mouse, "UpperFilters"), (CNames{"QuillonFilter", "mouclass"}));
    EXPECT_EQ(m_System.m_RegistryWrites, 1);
    EXPECT_TRUE(f_RebootMarker());
}

TEST_F(DriverSetup, ClassFilterFirstAndAnotherSecondStayUntouched)
{
    f_ClassFilterInstalled("filter 1");
    f_Setup().f_InstallClassFilter();
    EXPECT_EQ(m_System.f_GetList(gc_Keyboard, "UpperFilters"), (CNames{"QuillonFilter", "kbdclass"}));
    EXPECT_EQ(m_System.m_RegistryWrites, 0);
    EXPECT_FALSE(f_RebootMarker());
}

TEST_F(DriverSetup, ClassFilterInSecondPlaceIsMovedFirstOnce)
{
    f_ClassFilterInstalled("filter 1");
    m_System.f_SetList(gc_Keyboard, "UpperFilters", {"kbdclass", "QuillonFilter"});
    m_System.f_SetList(gc_Mouse, "UpperFilters", {"mouclass", "QuillonFilter", "other", "QuillonFilter"});
    f_Setup().f_InstallClassFilter();
    EXPECT_EQ(m_System.f_GetList(gc_Keyboard, "UpperFilters"), (CNames{"QuillonFilter", "kbdclass"}));
    EXPECT_EQ(m_System.f_GetList(gc_Mouse, "UpperFilters"), (CNames{"QuillonFilter", "mouclass", "other"}));
    EXPECT_TRUE(f_RebootMarker());
}

TEST_F(DriverSetup, MissingFiltersValueIsCreated)
{
    f_ClassFilterInstalled("filter 1");
    m_System.m_Keys[gc_Mouse].erase("UpperFilters");
    f_Setup().f_InstallClassFilter();
    EXPECT_EQ(m_System.f_GetList(gc_Mouse, "UpperFilters"), CNames{"QuillonFilter"});
    EXPECT_TRUE(f_RebootMarker());
}

TEST_F(DriverSetup, AFailingClassKeyDoesNotStopTheOther)
{
    gf_WriteFileBytes(f_Program("QuillonFilter.x64.sys"), "filter 1");
    m_System.m_FailingKeys.insert(gc_Keyboard);
    f_Setup().f_InstallClassFilter();
    EXPECT_EQ(m_System.f_GetList(gc_Mouse, "UpperFilters"), CNames{"QuillonFilter"});
    EXPECT_TRUE(f_RebootMarker());
}

TEST_F(DriverSetup, ThirtyTwoBitWindowsGetsTheX86File)
{
    m_System.m_Architecture = 0;
    gf_WriteFileBytes(f_Program("QuillonFilter.x64.sys"), "64");
    gf_WriteFileBytes(f_Program("QuillonFilter.x86.sys"), "32");
    f_Setup().f_InstallClassFilter();
    EXPECT_EQ(gf_ReadFileBytes(f_Installed("QuillonFilter.x86.sys")), "32");
    EXPECT_FALSE(gf_PathExists(f_Installed("QuillonFilter.x64.sys")));
    EXPECT_NE(m_System.m_Services["QuillonFilter"].find("QuillonFilter.x86.sys"), std::string::npos);
}

TEST_F(DriverSetup, MissingShippedFileInstallsAndRegistersNothing)
{
    f_Setup().f_InstallClassFilter();
    EXPECT_TRUE(m_System.m_Services.empty());
    // Registering a filter without its driver would leave the classes without devices.
    EXPECT_EQ(m_System.m_RegistryWrites, 0);
    EXPECT_FALSE(m_System.f_HasValue(gc_Keyboard, "UpperFilters"));
    EXPECT_FALSE(f_RebootMarker());
}

TEST_F(DriverSetup, NoServiceManagerMeansNothingIsDone)
{
    gf_WriteFileBytes(f_Program("QuillonFilter.x64.sys"), "filter 1");
    m_System.m_bNoManager = true;
    bool bRebootNeeded = false;
    CInstallResult result = f_Setup().f_InstallDriver(gc_ClassFilter, EInstallMode::Install, bRebootNeeded);
    EXPECT_FALSE(result.m_bCopied);
    EXPECT_FALSE(bRebootNeeded);
    f_Setup().f_InstallClassFilter();
    EXPECT_FALSE(gf_PathExists(f_Installed("QuillonFilter.x64.sys")));
    EXPECT_EQ(m_System.m_RegistryWrites, 0);
    EXPECT_FALSE(f_RebootMarker());
}

TEST_F(DriverSetup, ServiceThatCannotBeCreatedIsNotRegistered)
{
    gf_WriteFileBytes(f_Program("QuillonFilter.x64.sys"), "filter 1");
    m_System.m_bCreateFails = true;
    f_Setup().f_InstallClassFilter();
    EXPECT_EQ(gf_ReadFileBytes(f_Installed("QuillonFilter.x64.sys")), "filter 1");
    EXPECT_EQ(m_System.m_RegistryWrites, 0);
    // The copied file still asks for a reboot.
    EXPECT_TRUE(f_RebootMarker());
}

TEST_F(DriverSetup, ServiceMarkedForDeletionAsksForAReboot)
{
    f_ClassFilterInstalled("filter 1");
    m_System.m_Keys["Services\\QuillonFilter"]["DeleteFlag"].m_Number = 1;
    bool bRebootNeeded = false;
    CInstallResult result = f_Setup().f_InstallDriver(gc_ClassFilter, EInstallMode::Install, bRebootNeeded);
    EXPECT_TRUE(bRebootNeeded);
    EXPECT_FALSE(result.m_bReady);
    f_Setup().f_InstallClassFilter();
    EXPECT_TRUE(f_RebootMarker());
    EXPECT_EQ(m_System.m_ServicesCreated, 0);
}

TEST_F(DriverSetup, ServiceMissingIsCreatedAgain)
{
    f_ClassFilterInstalled("filter 1");
    m_System.m_Services.clear();
    f_Setup().f_InstallClassFilter();
    EXPECT_EQ(m_System.m_ServicesCreated, 1);
    EXPECT_EQ(m_System.m_Sleeps, 0);
    // Nothing else changed: the file and the lists were right.
    EXPECT_FALSE(f_RebootMarker());
}

TEST_F(DriverSetup, DeletionThatStaysPendingAsksForAReboot)
{
    gf_WriteFileBytes(f_Program("Parlix.x64.sys"), "hid");
    m_System.m_Services["Parlix"] = "x";
    m_System.f_AddKey("Services\\Parlix");
    m_System.m_HeldServices.insert("Parlix");
    bool bRebootNeeded = false;
    f_Setup().f_InstallDriver(gc_HidFilter, EInstallMode::Remove, bRebootNeeded);
    EXPECT_TRUE(bRebootNeeded);
    EXPECT_EQ(m_System.m_Sleeps, 1);
}

TEST_F(DriverSetup, FailedCopyPutsThePreviousFileBack)
{
    f_ClassFilterInstalled("filter 1");
    gf_WriteFileBytes(f_Program("QuillonFilter.x64.sys"), "filter 2");
    m_System.m_OnDeleteAtReboot = [this] { std::remove(f_Program("QuillonFilter.x64.sys").c_str()); };
    bool bRebootNeeded = false;
    CInstallResult result = f_Setup().f_InstallDriver(gc_ClassFilter, EInstallMode::Install, bRebootNeeded);
    EXPECT_TRUE(result.m_bCopied);
    EXPECT_FALSE(result.m_bReady);
    EXPECT_EQ(gf_ReadFileBytes(f_Installed("QuillonFilter.x64.sys")), "filter 1");
    EXPECT_EQ(m_System.m_ServicesDeleted, 0);
}

namespace
{
class HidFilter : public DriverSetup
{
protected:
    HidFilter()
    {
        gf_WriteFileBytes(f_Program("Parlix.x64.sys"), "hid 1");
        m_System.f_SetList(gc_Laptop0218 + "\\1&2&0&0000", "LowerFilters", {"other"});
        m_System.f_AddKey(gc_Laptop0218);
        m_System.f_AddKey(gc_Laptop0218 + "\\7&8&0&0000");
    }
};
} // namespace

TEST_F(DriverSetup, NoLaptopKeyboardInstallsNoHidFilter)
{
    gf_WriteFileBytes(f_Program("Parlix.x64.sys"), "hid 1");
    f_Setup().f_InstallHidFilter(true);
    EXPECT_TRUE(m_System.m_Services.empty());
    EXPECT_FALSE(gf_PathExists(f_Installed("Parlix.sys")));
    EXPECT_EQ(m_System.m_RegistryWrites, 0);
    EXPECT_TRUE(m_System.m_Restarts.empty());
    EXPECT_FALSE(f_RebootMarker());
}

TEST_F(HidFilter, WithoutCaptureNothingIsDone)
{
    f_Setup().f_InstallHidFilter(false);
    EXPECT_TRUE(m_System.m_Services.empty());
    EXPECT_FALSE(gf_PathExists(f_Installed("Parlix.sys")));
    EXPECT_EQ(m_System.m_RegistryWrites, 0);
}

TEST_F(HidFilter, FirstInstallAppendsTheFilterToEveryInstanceAndRestarts)
{
    f_Setup().f_InstallHidFilter(true);
    EXPECT_EQ(gf_ReadFileBytes(f_Installed("Parlix.sys")), "hid 1");
    ASSERT_EQ(m_System.m_Services.count("Parlix"), 1u);
    EXPECT_NE(m_System.m_Services["Parlix"].find("\\System32\\Drivers\\Parlix.sys"), std::string::npos);
    EXPECT_EQ(m_System.f_GetList(gc_Laptop0218 + "\\1&2&0&0000", "LowerFilters"),
              (CNames{"other", "Parlix"}));
    EXPECT_EQ(m_System.f_GetList(gc_Laptop0218 + "\\7&8&0&0000", "LowerFilters"), CNames{"Parlix"});
    EXPECT_EQ(m_System.m_Keys[gc_Laptop0218 + "\\1&2&0&0000"]["DeviceDesc"].m_Text, "MacBook Pro Keyboard");
    EXPECT_EQ(m_System.m_Keys[gc_Laptop0218 + "\\7&8&0&0000"]["DeviceDesc"].m_Text, "MacBook Pro Keyboard");
    ASSERT_EQ(m_System.m_Restarts.size(), 1u);
    EXPECT_EQ(m_System.m_Restarts[0],
              (CNames{"HID", "HID\\VID_05AC&PID_0218&MI_00", "HID\\VID_05AC&PID_0217&MI_00"}));
    // The devices restarted without asking for a reboot.
    EXPECT_FALSE(f_RebootMarker());
}

TEST_F(HidFilter, TheFilterIsNeverAppendedTwice)
{
    f_Setup().f_InstallHidFilter(true);
    int writes = m_System.m_RegistryWrites;
    f_Setup().f_InstallHidFilter(true);
    EXPECT_EQ(m_System.m_RegistryWrites, writes);
    EXPECT_EQ(m_System.f_GetList(gc_Laptop0218 + "\\1&2&0&0000", "LowerFilters"),
              (CNames{"other", "Parlix"}));
    // Nothing changed the second time: no restart.
    EXPECT_EQ(m_System.m_Restarts.size(), 1u);
}

TEST_F(HidFilter, OtherHardwareKeyAndWrongDescription)
{
    m_System.m_Keys.erase(gc_Laptop0218);
    m_System.m_Keys.erase(gc_Laptop0218 + "\\1&2&0&0000");
    m_System.m_Keys.erase(gc_Laptop0218 + "\\7&8&0&0000");
    m_System.f_SetList(gc_Laptop0217 + "\\3&4&0&0000", "LowerFilters", {"Parlix"});
    m_System.m_Keys[gc_Laptop0217 + "\\3&4&0&0000"]["DeviceDesc"].m_Text = "HID Keyboard Device";
    m_System.f_AddKey(gc_Laptop0217);
    f_Setup().f_InstallHidFilter(true);
    EXPECT_EQ(m_System.f_GetList(gc_Laptop0217 + "\\3&4&0&0000", "LowerFilters"), CNames{"Parlix"});
    EXPECT_EQ(m_System.m_Keys[gc_Laptop0217 + "\\3&4&0&0000"]["DeviceDesc"].m_Text, "MacBook Pro Keyboard");
    // The copied file changed the driver: restart.
    EXPECT_EQ(m_System.m_Restarts.size(), 1u);
}

TEST_F(HidFilter, RestartAskingForARebootLeavesTheMarker)
{
    m_System.m_bRestartNeedsReboot = true;
    f_Setup().f_InstallHidFilter(true);
    EXPECT_TRUE(f_RebootMarker());
}

TEST_F(HidFilter, ServicePendingDeletionStopsWithTheMarker)
{
    m_System.m_Services["Parlix"] = "x";
    m_System.m_Keys["Services\\Parlix"]["DeleteFlag"].m_Number = 1;
    f_Setup().f_InstallHidFilter(true);
    EXPECT_TRUE(f_RebootMarker());
    EXPECT_EQ(m_System.f_GetList(gc_Laptop0218 + "\\1&2&0&0000", "LowerFilters"), CNames{"other"});
    EXPECT_TRUE(m_System.m_Restarts.empty());
}

TEST_F(HidFilter, WithoutTheDriverTheFilterIsNotAdded)
{
    std::remove(f_Program("Parlix.x64.sys").c_str());
    f_Setup().f_InstallHidFilter(true);
    EXPECT_EQ(m_System.f_GetList(gc_Laptop0218 + "\\1&2&0&0000", "LowerFilters"), CNames{"other"});
    EXPECT_FALSE(m_System.f_HasValue(gc_Laptop0218 + "\\7&8&0&0000", "LowerFilters"));
    EXPECT_TRUE(m_System.m_Restarts.empty());
}

TEST_F(HidFilter, RemovalEndToEnd)
{
    gf_WriteFileBytes(f_Program("QuillonFilter.x64.sys"), "filter 1");
    m_System.f_SetList(gc_Keyboard, "UpperFilters", {"kbdclass", "QuillonFilter"});
    f_Setup().f_InstallClassFilter();
    f_Setup().f_InstallHidFilter(true);
    f_ClearRebootMarker();
    m_System.m_DeletedAtReboot.clear();

    EXPECT_FALSE(f_Setup().f_RemoveDriversIfRequested());
    EXPECT_EQ(m_System.m_Services.size(), 2u);
    gf_WriteFileBytes(f_State("UninstallDrivers"), "\1");
    EXPECT_TRUE(f_Setup().f_RemoveDriversIfRequested());

    EXPECT_FALSE(gf_PathExists(f_State("UninstallDrivers")));
    EXPECT_EQ(m_System.f_GetList(gc_Keyboard, "UpperFilters"), CNames{"kbdclass"});
    EXPECT_EQ(m_System.f_GetList(gc_Mouse, "UpperFilters"), CNames{});
    EXPECT_EQ(m_System.f_GetList(gc_Laptop0218 + "\\1&2&0&0000", "LowerFilters"), CNames{"other"});
    EXPECT_EQ(m_System.f_GetList(gc_Laptop0218 + "\\7&8&0&0000", "LowerFilters"), CNames{});
    EXPECT_TRUE(m_System.m_Services.empty());
    EXPECT_FALSE(gf_PathExists(f_Installed("QuillonFilter.x64.sys")));
    EXPECT_FALSE(gf_PathExists(f_Installed("Parlix.sys")));
    ASSERT_EQ(m_System.m_DeletedAtReboot.size(), 2u);
    EXPECT_EQ(gf_ReadFileBytes(m_System.m_DeletedAtReboot[0]), "filter 1");
    EXPECT_EQ(gf_ReadFileBytes(m_System.m_DeletedAtReboot[1]), "hid 1");
    EXPECT_EQ(m_System.m_ServicesCreated, 2);
    EXPECT_TRUE(f_RebootMarker());
    EXPECT_TRUE(gf_PathExists(f_State("UninstallDriversDone")));
    // The request is gone: the next start runs normally.
    EXPECT_FALSE(f_Setup().f_RemoveDriversIfRequested());
}

TEST_F(DriverSetup, RemovalGoesOnAfterFailuresAndAlwaysAnswers)
{
    m_System.m_Keys.clear();
    m_System.m_bNoManager = true;
    gf_WriteFileBytes(f_State("UninstallDrivers"), "\1");
    EXPECT_TRUE(f_Setup().f_RemoveDriversIfRequested());
    EXPECT_TRUE(f_RebootMarker());
    EXPECT_TRUE(gf_PathExists(f_State("UninstallDriversDone")));
}

TEST_F(DriverSetup, RemovalWithoutInstalledDriversStillAsksForAReboot)
{
    gf_WriteFileBytes(f_Program("QuillonFilter.x64.sys"), "filter 1");
    gf_WriteFileBytes(f_State("UninstallDrivers"), "\1");
    EXPECT_TRUE(f_Setup().f_RemoveDriversIfRequested());
    EXPECT_TRUE(m_System.m_DeletedAtReboot.empty());
    EXPECT_EQ(m_System.m_RegistryWrites, 0);
    EXPECT_TRUE(f_RebootMarker());
    EXPECT_TRUE(gf_PathExists(f_State("UninstallDriversDone")));
}

// A driver the system does not load (signature enforcement, a blocklist, a file that is no
// driver) is never put into a class's filter list: the class's devices would lose their stack.
TEST_F(DriverSetup, ADriverThatDoesNotStartIsNotRegistered)
{
    struct CCase
    {
        const char* m_Name;
        bool m_bServiceBefore;
    };
    for (const CCase c : {CCase{"new service", false}, CCase{"existing service", true}})
    {
        SCOPED_TRACE(c.m_Name);
        NQuillonTest::CFakeDriverSystem system;
        system.m_SystemRoot = m_System.m_SystemRoot;
        system.f_AddKey(gc_Keyboard);
        system.f_AddKey(gc_Mouse);
        system.f_SetList(gc_Keyboard, "UpperFilters", {"kbdclass"});
        if (c.m_bServiceBefore)
            system.m_Services["QuillonFilter"] = "x";
        system.m_NotStarting.insert("QuillonFilter");
        gf_WriteFileBytes(f_Program("QuillonFilter.x64.sys"), "filter 1");
        std::remove(f_Installed("QuillonFilter.x64.sys").c_str());
        CDriverSetup(system, f_ProgramDirectory(), f_StateDirectory()).f_InstallClassFilter();
        EXPECT_EQ(system.m_StartRequests, CNames{"QuillonFilter"});
        EXPECT_EQ(system.f_GetList(gc_Keyboard, "UpperFilters"), CNames{"kbdclass"});
        EXPECT_FALSE(system.f_HasValue(gc_Mouse, "UpperFilters"));
        EXPECT_EQ(system.m_RegistryWrites, 0);
    }
}

TEST_F(DriverSetup, ADriverThatStartsIsRegistered)
{
    gf_WriteFileBytes(f_Program("QuillonFilter.x64.sys"), "filter 1");
    f_Setup().f_InstallClassFilter();
    EXPECT_EQ(m_System.m_StartRequests, CNames{"QuillonFilter"});
    EXPECT_EQ(m_System.f_GetList(gc_Keyboard, "UpperFilters"), CNames{"QuillonFilter"});
}

TEST_F(HidFilter, AHidDriverThatDoesNotStartIsNotAddedToTheKeyboard)
{
    m_System.m_NotStarting.insert("Parlix");
    f_Setup().f_InstallHidFilter(true);
    EXPECT_EQ(m_System.m_Services.count("Parlix"), 1u);
    EXPECT_EQ(m_System.f_GetList(gc_Laptop0218 + "\\7&8&0&0000", "LowerFilters"), CNames{});
}

// Removal with each list edit made to fail in turn: the driver a list still names stays (file
// and service), and the answer is the failure marker, never "done".
TEST_F(HidFilter, AFailedListEditKeepsItsDriverAndAnswersFailure)
{
    struct CCase
    {
        const char* m_Name;
        std::string m_Key;
        bool m_bLost; // the write seems to succeed but the list keeps the entry
        bool m_bClassKept;
        bool m_bHidKept;
    };
    const std::string instance = gc_Laptop0218 + "\\7&8&0&0000";
    const CCase cases[] = {
        {"keyboard class write fails", gc_Keyboard, false, true, false},
        {"mouse class write fails", gc_Mouse, false, true, false},
        {"keyboard class write lost", gc_Keyboard, true, true, false},
        {"mouse class write lost", gc_Mouse, true, true, false},
        {"laptop keyboard write fails", instance, false, false, true},
        {"laptop keyboard write lost", instance, true, false, true},
    };
    gf_WriteFileBytes(f_Program("QuillonFilter.x64.sys"), "filter 1");
    f_Setup().f_InstallClassFilter();
    f_Setup().f_InstallHidFilter(true);
    const auto installed = m_System;
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.m_Name);
        m_System = installed;
        std::remove(f_State("Rebootneeded").c_str());
        std::remove(f_State("UninstallDriversDone").c_str());
        std::remove(f_State("UninstallDriversFailed").c_str());
        gf_WriteFileBytes(f_Installed("QuillonFilter.x64.sys"), "filter 1");
        gf_WriteFileBytes(f_Installed("Parlix.sys"), "hid 1");
        (c.m_bLost ? m_System.m_LostWrites : m_System.m_FailingWrites).insert(c.m_Key);
        gf_WriteFileBytes(f_State("UninstallDrivers"), "\1");
        EXPECT_TRUE(f_Setup().f_RemoveDriversIfRequested());
        EXPECT_FALSE(gf_PathExists(f_State("UninstallDriversDone")));
        EXPECT_TRUE(gf_PathExists(f_State("UninstallDriversFailed")));
        EXPECT_EQ(m_System.m_Services.count("QuillonFilter"), c.m_bClassKept ? 1u : 0u);
        EXPECT_EQ(gf_PathExists(f_Installed("QuillonFilter.x64.sys")), c.m_bClassKept);
        EXPECT_EQ(m_System.m_Services.count("Parlix"), c.m_bHidKept ? 1u : 0u);
        EXPECT_EQ(gf_PathExists(f_Installed("Parlix.sys")), c.m_bHidKept);
        // The lists that could be edited were.
        if (c.m_Key != gc_Keyboard)
        {
            EXPECT_EQ(m_System.f_GetList(gc_Keyboard, "UpperFilters"), CNames{});
        }
    }
}
