#include "core/SysThread.h"

#include "core/EventAggregate.h"
#include "core/ThreadStorage.h"

#include "tests/support/ExceptionMatch.h"

#include <atomic>
#include <gtest/gtest.h>
#include <vector>

using namespace NTev::NSys;

TEST(ThreadPriority, MapsTheScaleToWindowsPriorities)
{
    EXPECT_EQ(gf_Thread_MapPriority(0), -15);
    EXPECT_EQ(gf_Thread_MapPriority(8191), -15);
    EXPECT_EQ(gf_Thread_MapPriority(8192), -2);
    EXPECT_EQ(gf_Thread_MapPriority(16383), -2);
    EXPECT_EQ(gf_Thread_MapPriority(16384), -1);
    EXPECT_EQ(gf_Thread_MapPriority(32767), -1);
    EXPECT_EQ(gf_Thread_MapPriority(32768), 0);
    EXPECT_EQ(gf_Thread_MapPriority(49151), 0);
    EXPECT_EQ(gf_Thread_MapPriority(49152), 1);
    EXPECT_EQ(gf_Thread_MapPriority(57343), 1);
    EXPECT_EQ(gf_Thread_MapPriority(57344), 2);
    EXPECT_EQ(gf_Thread_MapPriority(65535), 2);
    EXPECT_EQ(gf_Thread_MapPriority(65536), 15);
    EXPECT_EQ(gf_Thread_MapPriority(0xFFFFFFFF), 15);
}

namespace
{
struct CRawThreadContext
{
    NTev::CEventAutoResetAggregate m_Release;
    std::atomic<std::uint32_t> m_ThreadId{0};
};

void fg_RawThreadEntry(void* object)
{
    auto* context = static_cast<CRawThreadContext*>(object);
    context->m_ThreadId = gf_Thread_GetCurrentId();
    context->m_Release.f_Wait();
}
} // namespace

TEST(SysThread, CreatedThreadTakesItsPriorityAndEndsForEveryHandle)
{
    CRawThreadContext context;
    CThreadObject* thread = gf_Thread_Create(&fg_RawThreadEntry, &context, 65536, 0);
    EXPECT_EQ(gf_Thread_GetPriority(thread), 15);
    for (std::uint32_t priority : {8191u, 8192u, 32768u, 65535u})
    {
        gf_Thread_SetPriority(thread, priority);
        EXPECT_EQ(gf_Thread_GetPriority(thread), gf_Thread_MapPriority(priority)) << priority;
    }
    CThreadObject* waitHandle = gf_Thread_BeginDestroy(thread);
    EXPECT_FALSE(gf_Thread_Wait(waitHandle, 0));
    context.m_Release.f_Signal();
    EXPECT_TRUE(gf_Thread_Wait(waitHandle, gc_WaitInfinite));
    EXPECT_TRUE(gf_Thread_Wait(thread, gc_WaitInfinite));
    EXPECT_TRUE(gf_Thread_Wait(waitHandle, 0));
    EXPECT_NE(context.m_ThreadId.load(), 0u);
    EXPECT_NE(context.m_ThreadId.load(), gf_Thread_GetCurrentId());
    gf_Thread_Close(thread);
    gf_Thread_Close(waitHandle);
}

TEST(SysThread, HandlesClosedBeforeTheThreadEndsLeaveItRunningToTheEnd)
{
    CRawThreadContext context;
    CThreadObject* thread = gf_Thread_Create(&fg_RawThreadEntry, &context, 0x8000, 0);
    CThreadObject* waitHandle = gf_Thread_BeginDestroy(thread);
    gf_Thread_Close(thread);
    context.m_Release.f_Signal();
    EXPECT_TRUE(gf_Thread_Wait(waitHandle, gc_WaitInfinite));
    gf_Thread_Close(waitHandle);
}

TEST(SysThread, StorageIndexHoldsOneValuePerThread)
{
    std::uint32_t index = gf_Thread_AllocStorage();
    EXPECT_EQ(gf_Thread_GetStorage(index), nullptr);
    int mine = 1;
    gf_Thread_SetStorage(index, &mine);
    struct CProbe
    {
        std::uint32_t m_Index;
        void* m_Seen = &m_Index;
    } probe{index};
    CThreadObject* thread = gf_Thread_Create(
        [](void* object)
        {
            auto* p = static_cast<CProbe*>(object);
            p->m_Seen = gf_Thread_GetStorage(p->m_Index);
        },
        &probe, 0x8000, 0);
    EXPECT_TRUE(gf_Thread_Wait(thread, gc_WaitInfinite));
    gf_Thread_Close(thread);
    EXPECT_EQ(probe.m_Seen, nullptr);
    EXPECT_EQ(gf_Thread_GetStorage(index), &mine);
    gf_Thread_SetStorage(index, nullptr);
    gf_Thread_FreeStorage(index);
}

TEST(ThreadStorageContext, KeysHoldPerThreadValuesAndRunOut)
{
    auto& storage = NTev::CSystem::fs_Get().f_GetThreadStorage();
    std::uint32_t key = storage.f_Alloc();
    int value = 5;
    EXPECT_EQ(storage.f_Get(key), nullptr);
    storage.f_Set(key, &value);
    EXPECT_EQ(storage.f_Get(key), &value);

    struct CProbe
    {
        std::uint32_t m_Key;
        void* m_SeenFirst = nullptr;
        void* m_SeenAfterSet = nullptr;
    } probe{key};
    CThreadObject* thread = gf_Thread_Create(
        [](void* object)
        {
            auto* p = static_cast<CProbe*>(object);
            auto& threadStorage = NTev::CSystem::fs_Get().f_GetThreadStorage();
            p->m_SeenFirst = threadStorage.f_Get(p->m_Key);
            threadStorage.f_Set(p->m_Key, p);
            p->m_SeenAfterSet = threadStorage.f_Get(p->m_Key);
            threadStorage.f_ReleaseThread();
        },
        &probe, 0x8000, 0);
    EXPECT_TRUE(gf_Thread_Wait(thread, gc_WaitInfinite));
    gf_Thread_Close(thread);
    EXPECT_EQ(probe.m_SeenFirst, nullptr);
    EXPECT_EQ(probe.m_SeenAfterSet, &probe);
    EXPECT_EQ(storage.f_Get(key), &value);

    // Freeing a key clears it, so that its next owner starts from null.
    storage.f_Free(key);
    std::uint32_t again = storage.f_Alloc();
    EXPECT_EQ(again, key);
    EXPECT_EQ(storage.f_Get(again), nullptr);

    std::vector<std::uint32_t> keys{again};
    for (;;)
    {
        try
        {
            keys.push_back(storage.f_Alloc());
        }
        catch (const NTev::NException::CException& exception)
        {
            EXPECT_STREQ(exception.f_GetMessage(), "Failed to allocate thread storage index");
            break;
        }
        ASSERT_LE(keys.size(), NTev::CSystem::CThreadStorageContext::mc_KeyCount);
    }
    EXPECT_TEV_THROW(storage.f_Alloc(), "CException", "Failed to allocate thread storage index");
    for (std::uint32_t k : keys)
        storage.f_Free(k);
}
