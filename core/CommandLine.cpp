#include "core/CommandLine.h"

#include "core/Exception.h"

namespace NTev::NSys::NFile
{
namespace
{
bool fg_IsSeparator(char c) noexcept
{
    return c == ' ' || (c >= 8 && c <= 10) || c == 13;
}

void fg_Store(std::vector<NStr::CStr>& arguments, NStr::CStr& argument)
{
    if (argument.f_IsEmpty())
        return;
    arguments.push_back(static_cast<NStr::CStr&&>(argument));
    argument.f_Clear();
}
} // namespace

std::vector<NStr::CStr> gf_SplitCommandLine(const char* commandLine)
{
    std::vector<NStr::CStr> arguments;
    const char* p = commandLine ? commandLine : "";

    bool bQuoted = false;
    for (; *p; ++p)
    {
        if (*p == '"')
            bQuoted = !bQuoted;
        else if (!bQuoted && fg_IsSeparator(*p))
            break;
    }
    while (*p && fg_IsSeparator(*p))
        ++p;

    NStr::CStr argument;
    bQuoted = false;
    while (*p)
    {
        char c = *p++;
        if (c == '"')
            bQuoted = !bQuoted;
        else if (c == '\\')
        {
            if (*p == '\\' || *p == '"')
                argument.f_Append(p++, 1);
            else if (*p == 'n')
            {
                argument.f_Append("\n", 1);
                ++p;
            }
            else
                argument.f_Append("\\", 1);
        }
        else if (!bQuoted && fg_IsSeparator(c))
            fg_Store(arguments, argument);
        else
            argument.f_Append(&c, 1);
    }
    fg_Store(arguments, argument);
    return arguments;
}

NStr::CStr gf_JoinCommandLine(const char* programName, const std::vector<NStr::CStr>& arguments)
{
    // Quotes in the program name cannot be escaped (the name is only skipped); they are left out.
    NStr::CStr line("\"");
    for (const char* p = programName ? programName : ""; *p; ++p)
        if (*p != '"')
            line.f_Append(p, 1);
    line.f_Append("\"", 1);
    for (const NStr::CStr& argument : arguments)
    {
        line.f_Append(" \"", 2);
        for (const char* p = argument.f_GetStr(); *p; ++p)
        {
            if (*p == '\\' || *p == '"')
                line.f_Append("\\", 1);
            line.f_Append(p, 1);
        }
        line.f_Append("\"", 1);
    }
    return line;
}

const std::vector<NStr::CStr>& gf_GetArguments()
{
    static const std::vector<NStr::CStr> s_Arguments = gf_SplitCommandLine(gfs_GetCommandLine().f_GetStr());
    return s_Arguments;
}

const NStr::CStr& gf_GetFirstArgument()
{
    const std::vector<NStr::CStr>& arguments = gf_GetArguments();
    NList::CVectorBoundsCheck::fs_CheckBounds(0, arguments.size());
    return arguments[0];
}

NStr::CStr gf_GetProgramDirectory()
{
    NStr::CStr path = gfs_GetProgramPath();
    const char* slash = std::strrchr(path.f_GetStr(), '/');
    if (!slash)
        return path;
    return NStr::CStr(path.f_GetStr(), static_cast<std::size_t>(slash - path.f_GetStr()));
}
} // namespace NTev::NSys::NFile
