#include "core/CrashFiles.h"

#include "core/Format.h"

namespace NTev::NCrash
{
namespace
{
constexpr std::int64_t gc_SecondsPerDay = 86400;
// Seconds from 1601-01-01, the file-time origin, to 1970-01-01. Dates are counted from the
// file-time origin: the calendar offset of the time value is one day short of the proleptic
// Gregorian 0000-01-01 (it misses that year 0 is a leap year) and would date every crash a
// day early.
constexpr std::int64_t gc_SecondsFrom1601To1970 = 11644473600;

// Floor division: times before the epoch split like the ones after.
std::int64_t fg_FloorDiv(std::int64_t value, std::int64_t divisor)
{
    std::int64_t quotient = value / divisor;
    if (value % divisor != 0 && (value < 0) != (divisor < 0))
        --quotient;
    return quotient;
}

// Year, month and day of a day count since 1970-01-01, by 400-year eras starting in March.
void fg_CivilFromDays(std::int64_t days, CCrashStamp& stamp)
{
    days += 719468;
    const std::int64_t era = fg_FloorDiv(days, 146097);
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    stamp.m_Day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    stamp.m_Month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    stamp.m_Year = yearOfEra + era * 400 + (stamp.m_Month <= 2 ? 1 : 0);
}

NStr::CStr fg_FileName(const char* directory, const char* pattern, const CCrashStamp& stamp)
{
    NStr::CStr name;
    gf_Format(name, pattern, stamp.m_Year, stamp.m_Month, stamp.m_Day, stamp.m_Hour, stamp.m_Minute,
              stamp.m_Second, stamp.m_Millisecond);
    NStr::CStr path(directory);
    path += name;
    return path;
}
} // namespace

CCrashStamp gf_Crash_Stamp(const CTime& time, std::int64_t localOffset)
{
    const std::int64_t seconds =
        time.m_Seconds + localOffset - CTime::mc_FileTimeSecondsOffset - gc_SecondsFrom1601To1970;
    const std::int64_t days = fg_FloorDiv(seconds, gc_SecondsPerDay);
    const std::int64_t secondOfDay = seconds - days * gc_SecondsPerDay;
    CCrashStamp stamp;
    fg_CivilFromDays(days, stamp);
    stamp.m_Hour = static_cast<int>(secondOfDay / 3600);
    stamp.m_Minute = static_cast<int>(secondOfDay / 60 % 60);
    stamp.m_Second = static_cast<int>(secondOfDay % 60);
    // One unit more: a fraction converted from whole ticks is rounded down, and .045 must not
    // read as .044.
    const std::uint64_t one = static_cast<std::uint64_t>(CTime::mc_FractionOne);
    std::uint64_t fraction = time.m_Fraction > 0 ? static_cast<std::uint64_t>(time.m_Fraction) + 1 : 0;
    if (fraction >= one)
        fraction = one - 1;
    stamp.m_Millisecond = static_cast<int>(gf_MulDivBelow(fraction, 1000, one));
    return stamp;
}

CCrashFiles gf_Crash_Files(const char* directory, const CCrashStamp& stamp)
{
    CCrashFiles files;
    files.m_Log = fg_FileName(
        directory, "/CrashLog_{}-{sj2,sf0}-{sj2,sf0}_{sj2,sf0}.{sj2,sf0}.{sj2,sf0}.{sj3,sf0}.txt", stamp);
    files.m_MiniDump = fg_FileName(
        directory, "/MiniDump_{}-{sj2,sf0}-{sj2,sf0}_{sj2,sf0}.{sj2,sf0}.{sj2,sf0}.{sj3,sf0}.dmp", stamp);
    files.m_FullDump = fg_FileName(
        directory, "/FullDump_{}-{sj2,sf0}-{sj2,sf0}_{sj2,sf0}.{sj2,sf0}.{sj2,sf0}.{sj3,sf0}.dmp", stamp);
    return files;
}
} // namespace NTev::NCrash
