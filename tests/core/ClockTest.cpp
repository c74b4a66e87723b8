#include "core/Clock.h"

#include "core/TimeBase.h"
#include "core/VirtualClock.h"

#include "tests/support/ExceptionMatch.h"

#include <gtest/gtest.h>

using NTev::CTime;
using NTev::CTimeBase;
using NTev::CVirtualClock;

namespace
{
constexpr std::int64_t gc_Half = CTime::mc_FractionOne / 2;
}

TEST(Clock, RealClockNeverGoesBack)
{
    CTime previous = NTev::gf_GetTime();
    std::uint64_t previousCounter = NTev::gf_GetCounter();
    for (int i = 0; i < 10000; ++i)
    {
        CTime now = NTev::gf_GetTime();
        std::uint64_t counter = NTev::gf_GetCounter();
        ASSERT_GE(now, previous);
        ASSERT_GE(counter, previousCounter);
        previous = now;
        previousCounter = counter;
    }
    EXPECT_GT(NTev::gf_GetCounterFrequency(), 0u);
    EXPECT_DOUBLE_EQ(NTev::gf_GetTimeScale(), 1.0);
}

TEST(Clock, LocalTimeOffsetIsWholeMinutesWithinADay)
{
    std::int64_t offset = NTev::gf_GetLocalTimeOffset();
    EXPECT_EQ(offset % 60, 0);
    EXPECT_LE(offset, 14 * 3600);
    EXPECT_GE(offset, -14 * 3600);
}

TEST(Clock, SecondsBecomeWindowsMillisecondsDividedByTheScale)
{
    EXPECT_EQ(NTev::gf_ClockSecondsToMilliseconds(0.002), 2u);
    EXPECT_EQ(NTev::gf_ClockSecondsToMilliseconds(0.1), 100u);
    EXPECT_EQ(NTev::gf_ClockSecondsToMilliseconds(0), 0u);
    EXPECT_EQ(NTev::gf_ClockSecondsToMilliseconds(-1), 0u);
    // Never the infinite wait.
    EXPECT_EQ(NTev::gf_ClockSecondsToMilliseconds(1e12), 0xFFFFFFFEu);

    CVirtualClock source;
    CTimeBase base(source, CTime());
    base.f_SetTimeScale(2.0);
    EXPECT_EQ(base.f_ToMilliseconds(0.002), 1u);
    base.f_SetTimeScale(0.5);
    EXPECT_EQ(base.f_ToMilliseconds(0.002), 4u);
}

TEST(TimeBase, StartsAtTheWallTimeAndAddsElapsedTicks)
{
    CVirtualClock source(10000000);
    source.f_Advance(123456);
    CTimeBase base(source, CTime(100, 0));
    EXPECT_EQ(base.f_GetTime(), CTime(100, 0));
    EXPECT_EQ(base.f_GetCounter(), 123456u);
    source.f_Advance(25000000);
    EXPECT_EQ(base.f_GetTime(), CTime(102, gc_Half));
    EXPECT_EQ(base.f_GetCounter(), 123456u + 25000000u);
}

TEST(TimeBase, FractionCarriesIntoTheSeconds)
{
    CVirtualClock source(10000000);
    CTimeBase base(source, CTime(100, CTime::mc_FractionOne - 10));
    source.f_Advance(5000000);
    EXPECT_EQ(base.f_GetTime(), CTime(101, gc_Half - 10));
    source.f_Advance(5000000);
    EXPECT_EQ(base.f_GetTime(), CTime(101, CTime::mc_FractionOne - 10));
}

TEST(TimeBase, ScaleMultipliesTheTimeThatPassesFromWhereTheClockIs)
{
    CVirtualClock source(1000);
    CTimeBase base(source, CTime(0, 0));
    source.f_Advance(1000);
    base.f_SetTimeScale(3.0);
    EXPECT_EQ(base.f_GetTime(), CTime(1, 0));
    source.f_Advance(1000);
    EXPECT_EQ(base.f_GetTime(), CTime(4, 0));
    EXPECT_EQ(base.f_GetCounter(), 4000u);
    base.f_SetTimeScale(0.5);
    source.f_Advance(2000);
    EXPECT_EQ(base.f_GetTime(), CTime(5, 0));
    EXPECT_DOUBLE_EQ(base.f_GetTimeScale(), 0.5);
}

TEST(TimeBase, RefusesAScaleThatIsNotPositive)
{
    CVirtualClock source;
    CTimeBase base(source, CTime());
    EXPECT_TEV_THROW(base.f_SetTimeScale(0), "CException", "The time scale must be a positive number");
    EXPECT_TEV_THROW(base.f_SetTimeScale(-1), "CException", "The time scale must be a positive number");
    EXPECT_DOUBLE_EQ(base.f_GetTimeScale(), 1.0);
}

TEST(TimeBase, SourcesOfOtherFrequenciesAreConvertedAndNeverGoBack)
{
    CVirtualClock first(10000000);
    CTimeBase base(first, CTime(50, 0));
    first.f_Advance(100000000);
    EXPECT_EQ(base.f_GetTime(), CTime(60, 0));

    CVirtualClock second(1000);
    second.f_Advance(777);
    EXPECT_EQ(&base.f_SetSource(second), &first);
    EXPECT_EQ(base.f_GetTime(), CTime(60, 0));
    second.f_Advance(500);
    EXPECT_EQ(base.f_GetTime(), CTime(60, gc_Half));
    EXPECT_EQ(base.f_GetCounter(), 105000000u);

    // Back to the first source, which has not moved: the clock stays where it is.
    base.f_SetSource(first);
    EXPECT_EQ(base.f_GetTime(), CTime(60, gc_Half));
    first.f_Advance(5000000);
    EXPECT_EQ(base.f_GetTime(), CTime(61, 0));
}
