#include "app/CommandLineRole.h"

#include "core/Format.h"

#include <cstring>

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

// In the order they are tried.
constexpr COption gc_Options[] = {
    {ERole::AddServiceIfNotAdded, "-AddServiceIfNotAdded", true},
    {ERole::AddService, "-AddService", true},
    {ERole::RemoveService, "-RemoveService", true},
    {ERole::UninstallDrivers, "-UninstallDrivers", true},
    {ERole::StartService, "-StartService", true},
    {ERole::StopService, "-StopService", true},
    {ERole::ProtectProgramFolder, "-ProtectProgramFolder", false},
    {ERole::RunAsProgram, "-RunAsProgram", false},
    {ERole::TrayIcon, "-TrayIcon", false},
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

CCommandLineRole gf_ParseRole(const char* argumentText)
{
    CCommandLineRole result;
    for (const COption& option : gc_Options)
    {
        const char* found = std::strstr(argumentText, option.m_pText);
        if (!found)
            continue;
        result.m_Role = option.m_Role;
        if (option.m_bTakesServiceName)
            result.m_ServiceName = gf_SkipBlanks(found + std::strlen(option.m_pText));
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
        "-Service [Service Name]\t\tStarts the program as a service. Only used by the system.\n\n",
        commandLine);
    return text;
}
} // namespace NQuillon
