#include "core/Time.h"

#include <gtest/gtest.h>

using NTev::CTime;

TEST(Time, FileTimeConversion)
{
    // 1601-01-01 itself is the offset.
    EXPECT_EQ(CTime::fs_FromFileTime(0), CTime(CTime::mc_FileTimeSecondsOffset, 0));
    CTime t = CTime::fs_FromFileTime(10000000ull * 5 + 5000000);
    EXPECT_EQ(t.m_Seconds, CTime::mc_FileTimeSecondsOffset + 5);
    EXPECT_EQ(t.m_Fraction, CTime::mc_FractionOne / 2);
    // The last tick of a second stays below one whole second.
    EXPECT_LT(CTime::fs_FromFileTime(9999999).m_Fraction, CTime::mc_FractionOne);
}

TEST(Time, AdditionCarriesAtOneWholeSecond)
{
    const std::int64_t half = CTime::mc_FractionOne / 2;
    EXPECT_EQ(CTime(1, half) + CTime(2, half), CTime(4, 0));
    EXPECT_EQ(CTime(1, half) + CTime(2, half - 1), CTime(3, CTime::mc_FractionOne - 1));
    EXPECT_EQ(CTime(4, 0) - CTime(1, half), CTime(2, CTime::mc_FractionOne - half));
    // Fractions whose sum passes 2^63 still carry.
    const std::int64_t nearlyOne = CTime::mc_FractionOne - 1;
    EXPECT_EQ(CTime(0, nearlyOne) + CTime(0, nearlyOne), CTime(1, CTime::mc_FractionOne - 2));
    EXPECT_EQ(CTime(0, nearlyOne) + CTime(0, half + 10), CTime(1, half + 9));
}

TEST(Time, ComparesBySecondsThenFraction)
{
    EXPECT_LT(CTime(1, 5), CTime(2, 0));
    EXPECT_LT(CTime(1, 5), CTime(1, 6));
    EXPECT_EQ(CTime(1, 5), CTime(1, 5));
}

TEST(Time, TicksAtAnyFrequency)
{
    EXPECT_EQ(CTime::fs_FromTicks(25, 10), CTime(2, CTime::mc_FractionOne / 2));
    EXPECT_EQ(CTime::fs_FromTicks(0, 0), CTime());
    // A huge frequency and remainder must not overflow.
    const std::uint64_t frequency = (1ull << 62) + 7;
    CTime t = CTime::fs_FromTicks(frequency + frequency / 2, frequency);
    EXPECT_EQ(t.m_Seconds, 1);
    EXPECT_NEAR(static_cast<double>(t.m_Fraction), static_cast<double>(CTime::mc_FractionOne) / 2, 4.0);
    EXPECT_DOUBLE_EQ(CTime::fs_FromTicks(3, 4).f_GetSecondsFloat(), 0.75);
}

#if defined(__SIZEOF_INT128__)
__extension__ typedef unsigned __int128 CUInt128;

TEST(Time, MulDivMatchesWideArithmetic)
{
    for (std::uint64_t value : {0ull, 1ull, 9999999ull, 123456789ull, 0xFFFFFFFEull})
        for (std::uint64_t divisor :
             {3ull, 10000000ull, 1000000000ull, 0xFFFFFFFFull, 0x100000000ull, (1ull << 62) + 1})
            for (std::uint64_t multiplier :
                 {std::uint64_t(CTime::mc_FractionOne), std::uint64_t(1000000000), ~std::uint64_t(0)})
            {
                if (value >= divisor)
                    continue;
                CUInt128 wide = static_cast<CUInt128>(value) * multiplier / divisor;
                EXPECT_EQ(NTev::gf_MulDivBelow(value, multiplier, divisor), static_cast<std::uint64_t>(wide))
                    << value << " * " << multiplier << " / " << divisor;
            }
}
#endif
