// When a settings file that defeated a load is read again: at once when it changed, else after
// a pause that doubles from one second up to a minute; never given up for good.

#include "config/LoadRetry.h"

#include <gtest/gtest.h>

using NQuillon::CLoadRetry;

namespace
{
const NTev::CTime gc_File{100, 0};
const NTev::CTime gc_Changed{200, 0};
} // namespace

TEST(LoadRetry, NothingFailedIsAlwaysDue)
{
    CLoadRetry retry;
    EXPECT_TRUE(retry.f_IsDue(0, gc_File));
    EXPECT_FALSE(retry.f_IsRetryDue(1e9));
    EXPECT_FALSE(retry.f_IsFailing());
}

TEST(LoadRetry, TheSameFileWaitsForAPauseThatDoublesUpToAMinute)
{
    CLoadRetry retry;
    // Failures one after the other, each as soon as the last pause ended.
    const double pauses[] = {1, 2, 4, 8, 16, 32, 60, 60, 60};
    double now = 10;
    for (const double pause : pauses)
    {
        retry.f_OnFailed(now, gc_File);
        EXPECT_FALSE(retry.f_IsDue(now + pause - 0.01, gc_File)) << pause;
        EXPECT_FALSE(retry.f_IsRetryDue(now + pause - 0.01)) << pause;
        EXPECT_TRUE(retry.f_IsDue(now + pause, gc_File)) << pause;
        EXPECT_TRUE(retry.f_IsRetryDue(now + pause)) << pause;
        now += pause;
    }
    EXPECT_TRUE(retry.f_IsFailing());
}

TEST(LoadRetry, AChangedFileIsDueAtOnceAndStartsWithTheShortPause)
{
    CLoadRetry retry;
    retry.f_OnFailed(0, gc_File);
    retry.f_OnFailed(1, gc_File);
    retry.f_OnFailed(3, gc_File);
    EXPECT_TRUE(retry.f_IsDue(3, gc_Changed));
    retry.f_OnFailed(3, gc_Changed);
    EXPECT_TRUE(retry.f_IsDue(4, gc_Changed));
}

TEST(LoadRetry, ALoadEndsTheRetries)
{
    CLoadRetry retry;
    retry.f_OnFailed(0, gc_File);
    retry.f_OnLoaded();
    EXPECT_FALSE(retry.f_IsFailing());
    EXPECT_FALSE(retry.f_IsRetryDue(100));
    EXPECT_TRUE(retry.f_IsDue(0, gc_File));
    // A later failure starts again with the short pause.
    retry.f_OnFailed(50, gc_File);
    EXPECT_TRUE(retry.f_IsDue(51, gc_File));
}
