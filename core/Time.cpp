#include "core/Time.h"

namespace NTev
{
std::uint64_t gf_MulDivBelow(std::uint64_t value, std::uint64_t multiplier, std::uint64_t divisor)
{
    if (divisor <= 0xFFFFFFFFu)
    {
        // Counter frequencies fit 32 bits: split the multiplier in halves, so that every
        // product fits 64 bits. value * multiplier = a * 2^32 + b with a = value * high,
        // b = value * low; a = qa * divisor + ra.
        std::uint64_t a = value * (multiplier >> 32);
        std::uint64_t b = value * (multiplier & 0xFFFFFFFFu);
        std::uint64_t shifted = (a % divisor) << 32;
        return ((a / divisor) << 32) + shifted / divisor + b / divisor +
               (shifted % divisor + b % divisor) / divisor;
    }
    // Shift-and-add over the multiplier's bits, keeping value * (bits so far) = q * divisor + r
    // with r < divisor; r + r and r + value stay below 2^64 because divisor < 2^63.
    std::uint64_t quotient = 0;
    std::uint64_t remainder = 0;
    for (int bit = 63; bit >= 0; --bit)
    {
        quotient <<= 1;
        remainder <<= 1;
        if (remainder >= divisor)
        {
            remainder -= divisor;
            quotient += 1;
        }
        if ((multiplier >> bit) & 1)
        {
            remainder += value;
            if (remainder >= divisor)
            {
                remainder -= divisor;
                quotient += 1;
            }
        }
    }
    return quotient;
}

CTime CTime::fs_FromFileTime(std::uint64_t ticks)
{
    constexpr std::uint64_t ticksPerSecond = 10000000;
    return CTime(
        static_cast<std::int64_t>(ticks / ticksPerSecond) + mc_FileTimeSecondsOffset,
        static_cast<std::int64_t>(gf_MulDivBelow(ticks % ticksPerSecond, mc_FractionOne, ticksPerSecond)));
}

CTime CTime::fs_FromTicks(std::uint64_t ticks, std::uint64_t frequency)
{
    if (frequency == 0)
        return CTime();
    return CTime(static_cast<std::int64_t>(ticks / frequency),
                 static_cast<std::int64_t>(gf_MulDivBelow(ticks % frequency, mc_FractionOne, frequency)));
}

CTime CTime::fs_FromSeconds(double seconds)
{
    double whole = static_cast<double>(static_cast<std::int64_t>(seconds));
    double part = seconds - whole;
    CTime time(static_cast<std::int64_t>(whole), 0);
    if (part < 0)
    {
        part += 1.0;
        time.m_Seconds -= 1;
    }
    time.m_Fraction = static_cast<std::int64_t>(part * static_cast<double>(mc_FractionOne));
    if (time.m_Fraction >= mc_FractionOne)
        time.m_Fraction = mc_FractionOne - 1;
    return time;
}

CTime CTime::operator+(const CTime& other) const
{
    // Two fractions below one whole second can sum past 2^63: add them unsigned.
    std::uint64_t fraction =
        static_cast<std::uint64_t>(m_Fraction) + static_cast<std::uint64_t>(other.m_Fraction);
    CTime sum(m_Seconds + other.m_Seconds, 0);
    if (fraction >= static_cast<std::uint64_t>(mc_FractionOne))
    {
        fraction -= static_cast<std::uint64_t>(mc_FractionOne);
        sum.m_Seconds += 1;
    }
    sum.m_Fraction = static_cast<std::int64_t>(fraction);
    return sum;
}

CTime CTime::operator-(const CTime& other) const
{
    CTime difference(m_Seconds - other.m_Seconds, m_Fraction - other.m_Fraction);
    if (difference.m_Fraction < 0)
    {
        difference.m_Fraction += mc_FractionOne;
        difference.m_Seconds -= 1;
    }
    return difference;
}

double CTime::f_GetSecondsFloat() const
{
    return static_cast<double>(m_Seconds) +
           static_cast<double>(m_Fraction) / static_cast<double>(mc_FractionOne);
}
} // namespace NTev
