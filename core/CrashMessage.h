#pragma once
// What the crash reporter tells the user, and the program's settings for it: the display name
// that starts the message, the contact it names, the quiet flag (no message box: a service
// has nobody to answer it), where the files go and whether a full-memory dump is written.

#include "core/CrashFiles.h"
#include "core/Str.h"

#include <atomic>

namespace NTev::NCrash
{
struct CCrashSettings
{
    NStr::CStr m_DisplayName;
    NStr::CStr m_Contact;
    bool m_bQuiet = false;
    // The folder of the crash files, "/" separators, made when missing (not its parents);
    // empty: the program directory.
    NStr::CStr m_Directory;
    // No files at all (no folder fit for them could be had).
    bool m_bNoFiles = false;
    // The full-memory dump holds every key record still in memory: a process that owns or
    // captures input clears this before its first record (and the mini dump never holds all
    // memory).
    std::atomic<bool> m_bFullDump{true};
};

// The process's settings; the program sets them at start-up, before any thread of its own.
CCrashSettings& gf_Crash_GetSettings();

// The message box text; breakpoint adds the question whether to continue.
NStr::CStr gf_Crash_UserMessage(const CCrashSettings& settings, const CCrashFiles& files, bool breakpoint);
} // namespace NTev::NCrash
