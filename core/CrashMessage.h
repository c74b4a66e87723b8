#pragma once
// What the crash reporter tells the user, and the program's settings for it: the display name
// that starts the message, the contact it names, and the quiet flag (no message box: a service
// has nobody to answer it).

#include "core/CrashFiles.h"
#include "core/Str.h"

namespace NTev::NCrash
{
struct CCrashSettings
{
    NStr::CStr m_DisplayName;
    NStr::CStr m_Contact;
    bool m_bQuiet = false;
};

// The process's settings; the program sets them at start-up, before any thread of its own.
CCrashSettings& gf_Crash_GetSettings();

// The message box text; breakpoint adds the question whether to continue.
NStr::CStr gf_Crash_UserMessage(const CCrashSettings& settings, const CCrashFiles& files, bool breakpoint);
} // namespace NTev::NCrash
