#pragma once
// Names of the crash files: a crash log and two dumps in the program directory, named from the
// local date and time of the crash to the millisecond, so that crashes never overwrite each
// other.

#include "core/Str.h"
#include "core/Time.h"

#include <cstdint>

namespace NTev::NCrash
{
// A local date and time split for the file names (proleptic Gregorian calendar).
struct CCrashStamp
{
    std::int64_t m_Year = 0;
    int m_Month = 1;
    int m_Day = 1;
    int m_Hour = 0;
    int m_Minute = 0;
    int m_Second = 0;
    int m_Millisecond = 0;
};

// The stamp of a library time (universal) seen with the local time offset in seconds.
CCrashStamp gf_Crash_Stamp(const CTime& time, std::int64_t localOffset);

struct CCrashFiles
{
    NStr::CStr m_Log;
    NStr::CStr m_MiniDump;
    NStr::CStr m_FullDump;
};

// The three paths: directory + "/CrashLog_2006-03-07_09.05.02.045.txt", "/MiniDump_....dmp",
// "/FullDump_....dmp".
CCrashFiles gf_Crash_Files(const char* directory, const CCrashStamp& stamp);
} // namespace NTev::NCrash
