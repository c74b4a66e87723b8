#include "core/CrashMessage.h"

namespace NTev::NCrash
{
namespace
{
constexpr const char* gc_DefaultDisplayName = "The program";
constexpr const char* gc_DefaultContact = "support@velmora.example";
} // namespace

CCrashSettings& gf_Crash_GetSettings()
{
    static CCrashSettings s_Settings;
    return s_Settings;
}

NStr::CStr gf_Crash_UserMessage(const CCrashSettings& settings, const CCrashFiles& files, bool breakpoint)
{
    NStr::CStr text(settings.m_DisplayName.f_IsEmpty() ? gc_DefaultDisplayName
                                                       : settings.m_DisplayName.f_GetStr());
    text += " has encountered an unhandled exception. Please send the following crash log files to ";
    text += settings.m_Contact.f_IsEmpty() ? gc_DefaultContact : settings.m_Contact.f_GetStr();
    text += "\n\nAlong with a description of what you were doing when the program crashed.\n\n";
    text += files.m_Log;
    text += "\n\n";
    text += files.m_MiniDump;
    // A process that owned input writes no full dump.
    if (settings.m_bFullDump)
    {
        text += "\n\n\nAlso please save the following crash log file for future reference:\n\n";
        text += files.m_FullDump;
    }
    if (breakpoint)
        text += "\n\nDo you want to continue execution?";
    return text;
}
} // namespace NTev::NCrash
