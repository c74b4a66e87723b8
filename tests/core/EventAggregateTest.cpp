#include "core/EventAggregate.h"

#include "tests/support/ExceptionMatch.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

using NTev::CEventAutoResetAggregate;

namespace
{
// Tests and resets without waiting.
bool fg_IsSignalled(CEventAutoResetAggregate& event)
{
    return event.f_WaitMilliseconds(0);
}
} // namespace

TEST(EventAggregate, AutoResetsAndHoldsAtMostOneSignal)
{
    CEventAutoResetAggregate event;
    EXPECT_FALSE(fg_IsSignalled(event));
    event.f_Signal();
    event.f_Signal();
    EXPECT_TRUE(fg_IsSignalled(event));
    EXPECT_FALSE(fg_IsSignalled(event));
}

TEST(EventAggregate, AggregateWakesForAnyOfSeveralSources)
{
    CEventAutoResetAggregate sources[3];
    CEventAutoResetAggregate aggregate;
    for (auto& source : sources)
        source.f_Link(aggregate);

    sources[1].f_Signal();
    EXPECT_TRUE(fg_IsSignalled(aggregate));
    EXPECT_FALSE(fg_IsSignalled(aggregate));
    // The source keeps its own signal.
    EXPECT_TRUE(fg_IsSignalled(sources[1]));
    EXPECT_FALSE(fg_IsSignalled(sources[0]));
    EXPECT_FALSE(fg_IsSignalled(sources[2]));

    sources[0].f_Signal();
    sources[2].f_Signal();
    EXPECT_TRUE(fg_IsSignalled(aggregate));
    EXPECT_FALSE(fg_IsSignalled(aggregate));
}

TEST(EventAggregate, NestedLinksSignalRecursively)
{
    CEventAutoResetAggregate a, b, c, d;
    a.f_Link(b);
    b.f_Link(c);
    d.f_Link(c);

    a.f_Signal();
    EXPECT_TRUE(fg_IsSignalled(a));
    EXPECT_TRUE(fg_IsSignalled(b));
    EXPECT_TRUE(fg_IsSignalled(c));
    EXPECT_FALSE(fg_IsSignalled(d));

    d.f_Signal();
    EXPECT_FALSE(fg_IsSignalled(b));
    EXPECT_TRUE(fg_IsSignalled(c));
}

TEST(EventAggregate, DiamondOfLinksSignalsTheSharedAggregateOnce)
{
    CEventAutoResetAggregate top, left, right, bottom;
    top.f_Link(left);
    top.f_Link(right);
    left.f_Link(bottom);
    right.f_Link(bottom);
    top.f_Signal();
    EXPECT_TRUE(fg_IsSignalled(bottom));
    EXPECT_FALSE(fg_IsSignalled(bottom));
}

TEST(EventAggregate, UnlinkStopsPropagationAndLinkingTwiceIsOneLink)
{
    CEventAutoResetAggregate source, aggregate;
    source.f_Link(aggregate);
    source.f_Link(aggregate);
    EXPECT_TRUE(source.f_IsLinkedTo(aggregate));
    EXPECT_FALSE(aggregate.f_IsLinkedTo(source));
    source.f_Unlink(aggregate);
    EXPECT_FALSE(source.f_IsLinkedTo(aggregate));
    source.f_Signal();
    EXPECT_FALSE(fg_IsSignalled(aggregate));
    // Unlinking what is not linked does nothing.
    source.f_Unlink(aggregate);
}

TEST(EventAggregate, LinkClosingACycleIsRefused)
{
    CEventAutoResetAggregate a, b, c;
    a.f_Link(b);
    b.f_Link(c);
    EXPECT_TEV_THROW(c.f_Link(a), "CException", "Linking these events would make a cycle");
    EXPECT_TEV_THROW(a.f_Link(a), "CException", "Linking these events would make a cycle");
    EXPECT_FALSE(c.f_IsLinkedTo(a));
    // The refused link left the others working.
    a.f_Signal();
    EXPECT_TRUE(fg_IsSignalled(c));
}

TEST(EventAggregate, DestroyedEventsLeaveNoLinkBehind)
{
    auto source = std::make_unique<CEventAutoResetAggregate>();
    auto aggregate = std::make_unique<CEventAutoResetAggregate>();
    auto middle = std::make_unique<CEventAutoResetAggregate>();
    source->f_Link(*middle);
    middle->f_Link(*aggregate);
    middle.reset();
    source->f_Signal();
    EXPECT_FALSE(fg_IsSignalled(*aggregate));

    source->f_Link(*aggregate);
    aggregate.reset();
    // Would touch freed memory if the link had stayed.
    source->f_Signal();
    EXPECT_TRUE(fg_IsSignalled(*source));
}

TEST(EventAggregate, WaitingThreadWakesWhenALinkedSourceIsSignalled)
{
    CEventAutoResetAggregate work, stop, any;
    work.f_Link(any);
    stop.f_Link(any);
    std::atomic<int> wakes{0};
    std::thread waiter(
        [&]
        {
            for (;;)
            {
                any.f_Wait();
                wakes.fetch_add(1);
                if (fg_IsSignalled(stop))
                    return;
            }
        });
    stop.f_Signal();
    waiter.join();
    EXPECT_GE(wakes.load(), 1);
}

TEST(EventAggregate, TimedWaitReportsTimeOut)
{
    CEventAutoResetAggregate event;
    EXPECT_FALSE(event.f_WaitMilliseconds(1));
    event.f_Signal();
    EXPECT_TRUE(event.f_WaitMilliseconds(1));
}

TEST(EventAggregate, LinkingWhileOtherThreadsSignalNeitherDeadlocksNorLosesLinks)
{
    CEventAutoResetAggregate sources[4];
    CEventAutoResetAggregate middle, aggregate;
    middle.f_Link(aggregate);
    std::atomic<bool> done{false};
    std::vector<std::thread> signallers;
    for (auto& source : sources)
        signallers.emplace_back(
            [&]
            {
                while (!done)
                {
                    source.f_Signal();
                    std::this_thread::yield();
                }
            });
    for (int i = 0; i < 200; ++i)
    {
        for (auto& source : sources)
            source.f_Link(middle);
        for (auto& source : sources)
            source.f_Unlink(middle);
    }
    done = true;
    for (auto& thread : signallers)
        thread.join();
    for (auto& source : sources)
        EXPECT_FALSE(source.f_IsLinkedTo(middle));
    EXPECT_TRUE(middle.f_IsLinkedTo(aggregate));
}
