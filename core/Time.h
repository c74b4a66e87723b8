#pragma once
// The library's time value: whole seconds since the library's epoch and a binary fraction of
// a second, where mc_FractionOne stands for one whole second.

#include <compare>
#include <cstdint>

namespace NTev
{
class CTime
{
public:
    static constexpr std::int64_t mc_FractionOne = 0x7FFFFFFED032C55Ell;
    // Seconds between the Windows file-time origin (1601-01-01) and the library's epoch.
    static constexpr std::int64_t mc_FileTimeSecondsOffset = 237148610522659200ll;
    // Subtracted from the seconds, gives seconds since 0000-01-01 00:00 (proleptic Gregorian).
    static constexpr std::int64_t mc_CalendarSecondsOffset = 237148560000000000ll;

    std::int64_t m_Seconds = 0;
    std::int64_t m_Fraction = 0;

    constexpr CTime() = default;
    constexpr CTime(std::int64_t seconds, std::int64_t fraction) : m_Seconds(seconds), m_Fraction(fraction) {}

    // From a Windows file time (100-nanosecond ticks since 1601-01-01).
    static CTime fs_FromFileTime(std::uint64_t ticks);
    // From a count of ticks of a counter running at frequency ticks per second.
    static CTime fs_FromTicks(std::uint64_t ticks, std::uint64_t frequency);
    static CTime fs_FromSeconds(double seconds);

    // Adds with the carry rule: a fraction sum reaching mc_FractionOne carries one second.
    CTime operator+(const CTime& other) const;
    CTime operator-(const CTime& other) const;
    // Seconds as a real number (for durations).
    double f_GetSecondsFloat() const;

    // Times compare by seconds, then by fraction.
    constexpr auto operator<=>(const CTime&) const = default;
};

// floor(value * multiplier / divisor) for value < divisor < 2^63, without a 128-bit type
// (the 32-bit build has none).
std::uint64_t gf_MulDivBelow(std::uint64_t value, std::uint64_t multiplier, std::uint64_t divisor);
} // namespace NTev
