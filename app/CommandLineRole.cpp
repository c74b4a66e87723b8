#include "app/CommandLineRole.h"

#include "core/Format.h"

#include <cstring>
#include <string>

namespace NQuillon
{
namespace
{
struct COption
{
    ERole m_Role;
    const char* m_pText;
    bool m_bTakesServiceName;
};

// In the order they are tried. The two whose rest of the line is text of its own (a folder,
// options passed on) come first, so that nothing in that text can pick another role.
constexpr COption gc_Options[] = {
    {ERole::ExitInstances, "-ExitInstances", false},
    {ERole::StartAsDesktopUser, "-StartAsDesktopUser", false},
    {ERole::AddServiceIfNotAdded, "-AddServiceIfNotAdded", true},
    {ERole::AddService, "-AddService", true},
    {ERole::RemoveService, "-RemoveService", true},
    {ERole::UninstallDrivers, "-UninstallDrivers", true},
    {ERole::StartService, "-StartService", true},
    {ERole::StopService, "-StopService", true},
    {ERole::ProtectProgramFolder, "-ProtectProgramFolder", false},
    {ERole::RunAsProgram, "-RunAsProgram", false},
    {ERole::TrayIcon, "-TrayIcon", false},
    {ERole::Settings, "-Settings", false},
    {ERole::SessionAgent, "-SessionAgent", false},
    {ERole::RemapAdministratorWindowsOff, "-RemapAdministratorWindowsOff", true},
    {ERole::RemapAdministratorWindows, "-RemapAdministratorWindows", true},
    {ERole::Service, "-Service", true},
};

bool fg_IsBlank(char c) noexcept
{
    return c == ' ' || c == '\t';
}

const COption* fg_FindOption(ERole role) noexcept
{
    for (const COption& option : gc_Options)
    {
        if (option.m_Role == role)
            return &option;
    }
    return nullptr;
}
} // namespace

const char* gf_GetRoleOption(ERole role) noexcept
{
    const COption* option = fg_FindOption(role);
    return option ? option->m_pText : "";
}

bool gf_RoleTakesServiceName(ERole role) noexcept
{
    const COption* option = fg_FindOption(role);
    return option && option->m_bTakesServiceName;
}

const char* gf_SkipBlanks(const char* text) noexcept
{
    while (fg_IsBlank(*text))
        ++text;
    return text;
}

namespace
{
// Removes every "-Quiet" that stands as a word of its own, with the blanks before it; true
// when there was one.
bool fg_TakeQuiet(std::string& text)
{
    const std::size_t length = std::strlen(gc_QuietOption);
    bool found = false;
    std::size_t position = 0;
    while ((position = text.find(gc_QuietOption, position)) != std::string::npos)
    {
        const std::size_t end = position + length;
        const bool wordStart = position == 0 || fg_IsBlank(text[position - 1]);
        const bool wordEnd = end == text.size() || fg_IsBlank(text[end]);
        if (!wordStart || !wordEnd)
        {
            position = end;
            continue;
        }
        std::size_t begin = position;
        while (begin > 0 && fg_IsBlank(text[begin - 1]))
            --begin;
        text.erase(begin, end - begin);
        position = begin;
        found = true;
    }
    return found;
}
} // namespace

CCommandLineRole gf_ParseRole(const char* argumentText)
{
    CCommandLineRole result;
    std::string text(argumentText);
    result.m_bQuiet = fg_TakeQuiet(text);
    for (const COption& option : gc_Options)
    {
        const char* found = std::strstr(text.c_str(), option.m_pText);
        if (!found)
            continue;
        result.m_Role = option.m_Role;
        const char* rest = gf_SkipBlanks(found + std::strlen(option.m_pText));
        if (option.m_bTakesServiceName)
            result.m_ServiceName = rest;
        else if (option.m_Role == ERole::ExitInstances || option.m_Role == ERole::StartAsDesktopUser)
        {
            std::string argument(rest);
            while (!argument.empty() && fg_IsBlank(argument.back()))
                argument.pop_back();
            // A folder may come quoted.
            if (option.m_Role == ERole::ExitInstances && argument.size() >= 2 && argument.front() == '"' &&
                argument.back() == '"')
                argument = argument.substr(1, argument.size() - 2);
            result.m_Argument = argument.c_str();
        }
        return result;
    }
    return result;
}

NTev::CStr gf_GetArgumentText(const char* commandLine)
{
    const char* p = commandLine;
    if (*p == '"')
    {
        ++p;
        while (*p && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
    }
    else
    {
        while (*p && !fg_IsBlank(*p))
            ++p;
    }
    return NTev::CStr(gf_SkipBlanks(p));
}

NTev::CStr gf_FormatServiceDisplayName(const char* product, const char* serviceName)
{
    NTev::CStr name;
    NTev::gf_Format(name, "{} [{}]", product, serviceName);
    return name;
}

NTev::CStr gf_FormatServiceCommand(const char* programPath, const char* serviceName)
{
    NTev::CStr command;
    if (*programPath == '"')
        NTev::gf_Format(command, "{} -Service {}", programPath, serviceName);
    else
        NTev::gf_Format(command, "\"{}\" -Service {}", programPath, serviceName);
    return command;
}

NTev::CStr gf_FormatRebootMessage(const char* displayName)
{
    NTev::CStr message;
    NTev::gf_Format(message, "Rebooting the server in response to crash of {} crash.", displayName);
    return message;
}

NTev::CStr gf_FormatHelpText(const char* commandLine)
{
    NTev::CStr text;
    NTev::gf_Format(
        text,
        "Command line options:\nCurrent Command Line: {}\n\n"
        "-AddService [Service Name]\t\tAdds the current executable to the system as a service.\n"
        "-AddServiceIfNotAdded [Service Name] Adds the current executable to the system as a "
        "service if\n\t\t\t\ta service with the same name does not exist.\n"
        "-RemoveService [Service Name]\tRemoves the program from the system service list.\n"
        "-StartService [Service Name]\t\tAttempts to start the Quillon service.\n"
        "-StopService [Service Name]\t\tAttempts to stop the Quillon service.\n"
        "-ProtectProgramFolder\t\tLets only administrators change the program's folder.\n"
        "-RunAsProgram\t\t\tRuns the service as a usual windows program in the background.\n"
        "-TrayIcon\t\t\t\tRuns the tray icon for configuration.\n"
        "-Settings\t\t\t\tShows the settings window (the running tray's, or a new tray's).\n"
        "-ExitInstances [Folder]\t\tAsks every running Quillon of this (or that) folder to exit.\n"
        "-StartAsDesktopUser [Options]\tHas the desktop shell start Quillon.exe [Options] unelevated.\n"
        "-Quiet\t\t\t\tWith a command above: no message boxes; a failure ends with its own "
        "exit code\n\t\t\t\t(10 add, 11 remove, 12 start, 13 stop, 14 drivers kept, 15 no "
        "answer,\n\t\t\t\t16 folder not protected, 17 choice not saved, 18 instances remain,\n"
        "\t\t\t\t19 no command, 20 no desktop shell; 3010 done, a reboot finishes it).\n"
        "-Service [Service Name]\t\tStarts the program as a service. Only used by the system.\n\n",
        commandLine);
    return text;
}
} // namespace NQuillon
