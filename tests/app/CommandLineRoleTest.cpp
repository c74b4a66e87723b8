#include "app/CommandLineRole.h"

#include <gtest/gtest.h>

#include <string>

using namespace NQuillon;

namespace
{
struct CRoleCase
{
    const char* m_pArguments;
    ERole m_Role;
    const char* m_pServiceName;
};

std::string fg_Name(const NTev::CStr& text)
{
    return text.f_GetStr();
}
} // namespace

TEST(CommandLineRole, EachOptionSelectsItsRole)
{
    const CRoleCase cases[] = {
        {"-AddServiceIfNotAdded", ERole::AddServiceIfNotAdded, ""},
        {"-AddService", ERole::AddService, ""},
        {"-RemoveService", ERole::RemoveService, ""},
        {"-UninstallDrivers", ERole::UninstallDrivers, ""},
        {"-StartService", ERole::StartService, ""},
        {"-StopService", ERole::StopService, ""},
        {"-ExitInstances", ERole::ExitInstances, ""},
        {"-StartAsDesktopUser", ERole::StartAsDesktopUser, ""},
        {"-ProtectProgramFolder", ERole::ProtectProgramFolder, ""},
        {"-RunAsProgram", ERole::RunAsProgram, ""},
        {"-TrayIcon", ERole::TrayIcon, ""},
        {"-Settings", ERole::Settings, ""},
        {"-SessionAgent", ERole::SessionAgent, ""},
        {"-RemapAdministratorWindows", ERole::RemapAdministratorWindows, ""},
        {"-RemapAdministratorWindowsOff Mine", ERole::RemapAdministratorWindowsOff, "Mine"},
        {"-Service", ERole::Service, ""},
        {"", ERole::Help, ""},
        {"-service", ERole::Help, ""},
        {"/AddService", ERole::Help, ""},
    };
    for (const CRoleCase& c : cases)
    {
        SCOPED_TRACE(c.m_pArguments);
        const CCommandLineRole role = gf_ParseRole(c.m_pArguments);
        EXPECT_EQ(role.m_Role, c.m_Role);
        EXPECT_EQ(fg_Name(role.m_ServiceName), c.m_pServiceName);
    }
}

TEST(CommandLineRole, LongerOptionsWinOverTheOptionsTheyContain)
{
    // Each of these holds "-AddService" or "-Service" inside.
    EXPECT_EQ(gf_ParseRole("-AddServiceIfNotAdded Svc").m_Role, ERole::AddServiceIfNotAdded);
    EXPECT_EQ(gf_ParseRole("-StartService").m_Role, ERole::StartService);
    EXPECT_EQ(gf_ParseRole("-StopService").m_Role, ERole::StopService);
    EXPECT_EQ(gf_ParseRole("-RemoveService").m_Role, ERole::RemoveService);
    // Table order, not position in the text, decides.
    EXPECT_EQ(gf_ParseRole("-Service X -StartService Y").m_Role, ERole::StartService);
    EXPECT_EQ(gf_ParseRole("-TrayIcon -RunAsProgram").m_Role, ERole::RunAsProgram);
    EXPECT_EQ(gf_ParseRole("-Service -TrayIcon").m_Role, ERole::TrayIcon);
    EXPECT_EQ(gf_ParseRole("-StartService -UninstallDrivers").m_Role, ERole::UninstallDrivers);
}

TEST(CommandLineRole, OptionsAreFoundAnywhere)
{
    EXPECT_EQ(gf_ParseRole("x-AddServicey").m_Role, ERole::AddService);
    const CCommandLineRole role = gf_ParseRole("junk -StartService Name");
    EXPECT_EQ(role.m_Role, ERole::StartService);
    EXPECT_EQ(fg_Name(role.m_ServiceName), "Name");
}

TEST(CommandLineRole, ServiceNameIsTheWholeRestWithoutLeadingBlanks)
{
    CCommandLineRole role = gf_ParseRole("-AddService   My Svc");
    EXPECT_EQ(role.m_Role, ERole::AddService);
    EXPECT_EQ(fg_Name(role.m_ServiceName), "My Svc");
    role = gf_ParseRole("-Service\t Two Words ");
    EXPECT_EQ(fg_Name(role.m_ServiceName), "Two Words ");
    role = gf_ParseRole("-StopService    ");
    EXPECT_EQ(fg_Name(role.m_ServiceName), "");
    // The rest directly after the option counts too.
    role = gf_ParseRole("-AddServiceX");
    EXPECT_EQ(fg_Name(role.m_ServiceName), "X");
    // Roles without a service name take none.
    role = gf_ParseRole("-RunAsProgram Name");
    EXPECT_EQ(fg_Name(role.m_ServiceName), "");
}

TEST(CommandLineRole, RoleOptionsAndServiceNames)
{
    EXPECT_STREQ(gf_GetRoleOption(ERole::AddServiceIfNotAdded), "-AddServiceIfNotAdded");
    EXPECT_STREQ(gf_GetRoleOption(ERole::Help), "");
    EXPECT_TRUE(gf_RoleTakesServiceName(ERole::UninstallDrivers));
    EXPECT_TRUE(gf_RoleTakesServiceName(ERole::Service));
    EXPECT_FALSE(gf_RoleTakesServiceName(ERole::RunAsProgram));
    EXPECT_FALSE(gf_RoleTakesServiceName(ERole::TrayIcon));
    EXPECT_FALSE(gf_RoleTakesServiceName(ERole::Help));
}

TEST(CommandLineRole, ArgumentTextFollowsTheProgramName)
{
    EXPECT_EQ(fg_Name(gf_GetArgumentText("\"C:\\Program Files\\Q\\Quillon.x64.exe\"  -TrayIcon")),
              "-TrayIcon");
    EXPECT_EQ(fg_Name(gf_GetArgumentText("Quillon.x64.exe -AddService A B")), "-AddService A B");
    EXPECT_EQ(fg_Name(gf_GetArgumentText("\"C:\\Q\\Quillon.x64.exe\"")), "");
    EXPECT_EQ(fg_Name(gf_GetArgumentText("Quillon.x64.exe")), "");
    EXPECT_EQ(fg_Name(gf_GetArgumentText("")), "");
    // A quote never closed takes the whole line as the program name.
    EXPECT_EQ(fg_Name(gf_GetArgumentText("\"C:\\Q x.exe -Service")), "");
    // Quotes after the program name stay.
    EXPECT_EQ(fg_Name(gf_GetArgumentText("q.exe \"-AddService\" \"A\"")), "\"-AddService\" \"A\"");
}

TEST(CommandLineRole, ServiceNamesAndCommands)
{
    EXPECT_EQ(fg_Name(gf_FormatServiceDisplayName("Quillon", "My Svc")), "Quillon [My Svc]");
    EXPECT_EQ(fg_Name(gf_FormatServiceCommand("C:\\Q\\Quillon.x64.exe", "Quillon")),
              "\"C:\\Q\\Quillon.x64.exe\" -Service Quillon");
    // Already quoted: not quoted again.
    EXPECT_EQ(fg_Name(gf_FormatServiceCommand("\"C:\\Q\\Quillon.x64.exe\"", "A B")),
              "\"C:\\Q\\Quillon.x64.exe\" -Service A B");
    // Placeholders in a name are text, not patterns.
    EXPECT_EQ(fg_Name(gf_FormatServiceDisplayName("Quillon", "{}")), "Quillon [{}]");
    EXPECT_EQ(fg_Name(gf_FormatRebootMessage("Quillon [X]")),
              "Rebooting the server in response to crash of Quillon [X] crash.");
}

TEST(CommandLineRole, HelpTextHoldsTheWholeCommandLine)
{
    const std::string text = fg_Name(gf_FormatHelpText("\"C:\\Q\\Quillon.x64.exe\" -Bogus"));
    EXPECT_EQ(
        text.rfind("Command line options:\nCurrent Command Line: \"C:\\Q\\Quillon.x64.exe\" -Bogus\n\n", 0),
        0u);
    EXPECT_NE(
        text.find("\n-AddServiceIfNotAdded [Service Name] Adds the current executable to the system as a "
                  "service if\n\t\t\t\ta service with the same name does not exist.\n"),
        std::string::npos);
    EXPECT_NE(text.find("\n-TrayIcon\t\t\t\tRuns the tray icon for configuration.\n"), std::string::npos);
    EXPECT_NE(text.find("\n-Settings\t\t\t\tShows the settings window"), std::string::npos);
    EXPECT_NE(text.find("\n-ProtectProgramFolder\t\tLets only administrators change the program's folder.\n"),
              std::string::npos);
    const std::string end =
        "-Service [Service Name]\t\tStarts the program as a service. Only used by the system.\n\n";
    ASSERT_GE(text.size(), end.size());
    EXPECT_EQ(text.substr(text.size() - end.size()), end);
}

TEST(CommandLineRole, QuietIsAWordOfItsOwnAnywhereAndNeverPartOfAName)
{
    struct CQuietCase
    {
        const char* m_pArguments;
        bool m_bQuiet;
        ERole m_Role;
        const char* m_pServiceName;
    };
    const CQuietCase cases[] = {
        {"-Quiet -StopService", true, ERole::StopService, ""},
        {"-StopService -Quiet", true, ERole::StopService, ""},
        {"-StopService  -Quiet Mine", true, ERole::StopService, "Mine"},
        {"-AddService My -Quiet Svc", true, ERole::AddService, "My Svc"},
        {"-Quiet\t-ExitInstances", true, ERole::ExitInstances, ""},
        {"-Quiet", true, ERole::Help, ""},
        {"-Quiet -Quiet -StartService", true, ERole::StartService, ""},
        {"-StopService", false, ERole::StopService, ""},
        // Not a word of its own: part of the name.
        {"-StopService -QuietX", false, ERole::StopService, "-QuietX"},
        {"-StopService X-Quiet", false, ERole::StopService, "X-Quiet"},
        {"-quiet -StopService", false, ERole::StopService, ""},
    };
    for (const CQuietCase& c : cases)
    {
        SCOPED_TRACE(c.m_pArguments);
        const CCommandLineRole role = gf_ParseRole(c.m_pArguments);
        EXPECT_EQ(role.m_bQuiet, c.m_bQuiet);
        EXPECT_EQ(role.m_Role, c.m_Role);
        EXPECT_EQ(fg_Name(role.m_ServiceName), c.m_pServiceName);
    }
}

TEST(CommandLineRole, HelpTextNamesTheQuietSwitchAndItsCodes)
{
    const std::string text = fg_Name(gf_FormatHelpText("q.exe"));
    EXPECT_NE(text.find("\n-Quiet\t"), std::string::npos);
    EXPECT_NE(text.find("\n-ExitInstances [Folder]\t"), std::string::npos);
    for (int code : {gc_ExitAddServiceFailed, gc_ExitRemoveServiceFailed, gc_ExitStartServiceFailed,
                     gc_ExitStopServiceFailed, gc_ExitDriversKept, gc_ExitDriversNoAnswer,
                     gc_ExitProgramFolderNotProtected, gc_ExitChoiceNotSaved, gc_ExitInstancesRemain,
                     gc_ExitNoCommand, gc_ExitNoDesktopShell, gc_ExitRebootNeeded})
        EXPECT_NE(text.find(std::to_string(code) + " "), std::string::npos) << code;
}

TEST(CommandLineRole, ExitInstancesTakesAFolder)
{
    struct CFolderCase
    {
        const char* m_pArguments;
        const char* m_pFolder;
    };
    const CFolderCase cases[] = {
        {"-ExitInstances", ""},
        {"-Quiet -ExitInstances C:\\Program Files\\Quillon", "C:\\Program Files\\Quillon"},
        {"-ExitInstances \"C:\\Program Files\\Quillon\"  ", "C:\\Program Files\\Quillon"},
        {"-ExitInstances C:\\Q -Quiet", "C:\\Q"},
    };
    for (const CFolderCase& c : cases)
    {
        SCOPED_TRACE(c.m_pArguments);
        const CCommandLineRole role = gf_ParseRole(c.m_pArguments);
        EXPECT_EQ(role.m_Role, ERole::ExitInstances);
        EXPECT_EQ(fg_Name(role.m_Argument), c.m_pFolder);
        EXPECT_EQ(fg_Name(role.m_ServiceName), "");
    }
}

TEST(CommandLineRole, StartAsDesktopUserPassesTheRestOnWhateverItHolds)
{
    struct CPassCase
    {
        const char* m_pArguments;
        const char* m_pPassed;
    };
    const CPassCase cases[] = {
        {"-Quiet -StartAsDesktopUser -Settings", "-Settings"},
        {"-StartAsDesktopUser -TrayIcon  ", "-TrayIcon"},
        {"-StartAsDesktopUser -StopService X", "-StopService X"},
        {"-StartAsDesktopUser \"-Settings\"", "\"-Settings\""},
        {"-StartAsDesktopUser", ""},
    };
    for (const CPassCase& c : cases)
    {
        SCOPED_TRACE(c.m_pArguments);
        const CCommandLineRole role = gf_ParseRole(c.m_pArguments);
        EXPECT_EQ(role.m_Role, ERole::StartAsDesktopUser);
        EXPECT_EQ(fg_Name(role.m_Argument), c.m_pPassed);
    }
    // A folder of that name is no option.
    EXPECT_EQ(gf_ParseRole("-ExitInstances C:\\-Service -TrayIcon").m_Role, ERole::ExitInstances);
}
