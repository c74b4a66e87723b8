// The engine end to end against the stand-in for the filter driver: records fed as hardware
// input come back as the evaluation decides, through the real overlapped channel.

#include "tools/config/ConfigJson.h"
#include "tools/filterstandin/FilterStandIn.h"

#include "engine/InputState.h"
#include "tests/core/FileTestSupport.h"
#include "tests/engine/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>

using NQuillon::CDriverRecord;
using NQuillon::CFilterStandIn;
using NQuillon::CMessageHook;

namespace
{
constexpr std::uint16_t gc_A = 0x1E, gc_B = 0x30, gc_X = 0x2D, gc_Y = 0x15;

std::string fg_Describe(const CDriverRecord& record)
{
    char line[96];
    if (record.m_Kind == NQuillon::EDriverRecordKind_Keyboard)
        std::snprintf(line, sizeof line, "kbd %02X %s unit %u\n", record.m_Keyboard.MakeCode,
                      (record.m_Keyboard.Flags & NQuillon::KEY_BREAK) ? "break" : "make",
                      record.m_Keyboard.UnitId);
    else
        std::snprintf(line, sizeof line, "mouse flags %X buttons %04X data %d move %d,%d\n",
                      record.m_Mouse.Flags, record.m_Mouse.ButtonFlags,
                      int(std::int16_t(record.m_Mouse.ButtonData)), int(record.m_Mouse.LastX),
                      int(record.m_Mouse.LastY));
    return line;
}

class CChannelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_StandIn.f_Start();
        m_Engine.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str());
        m_Engine.m_bSavingSuppressed = true;
        NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(NQuillonTest::gc_AToB), m_Engine);
    }
    void TearDown() override
    {
        m_Engine.f_Stop(true);
        m_StandIn.f_Stop();
    }
    void fp_StartEngine()
    {
        m_Engine.m_bOwnsInput = true;
        m_Engine.f_Start(NTev::NThread::gc_PriorityNormal, 0);
        ASSERT_TRUE(m_StandIn.f_WaitClients(1, 5000));
    }
    void fp_Feed(std::initializer_list<CDriverRecord> records)
    {
        m_StandIn.f_Feed(records.begin(), records.size());
    }
    // The next count records written back, described.
    std::string fp_Take(std::size_t count)
    {
        m_StandIn.f_WaitWritten(count, 5000);
        std::string text;
        for (const auto& written : m_StandIn.f_TakeWritten())
            text += fg_Describe(written.m_Record);
        return text;
    }

    CFilterStandIn m_StandIn;
    NQuillonTest::CTempDirectory m_Directory;
    CMessageHook m_Engine;
};
} // namespace

TEST_F(CChannelTest, RemapsPassesAndSwallowsHardwareRepeats)
{
    fp_StartEngine();
    fp_Feed({NQuillonTest::gf_Key(gc_A, true)});
    EXPECT_EQ(fp_Take(1), "kbd 30 make unit 1\n");
    // The keyboard's own repeat of A is swallowed: the engine repeats B itself.
    fp_Feed({NQuillonTest::gf_Key(gc_A, true)});
    fp_Feed({NQuillonTest::gf_Key(gc_A, false)});
    fp_Feed({NQuillonTest::gf_Key(gc_X, true)});
    EXPECT_EQ(fp_Take(2), "kbd 30 break unit 1\nkbd 2D make unit 1\n");
}

TEST_F(CChannelTest, ABatchReadAtOnceIsEvaluatedInOrder)
{
    fp_StartEngine();
    fp_Feed({NQuillonTest::gf_Key(gc_A, true), NQuillonTest::gf_Key(gc_A, false),
             NQuillonTest::gf_Key(gc_X, true), NQuillonTest::gf_Key(gc_X, false)});
    EXPECT_EQ(fp_Take(4),
              "kbd 30 make unit 1\nkbd 30 break unit 1\nkbd 2D make unit 1\nkbd 2D break unit 1\n");
}

TEST_F(CChannelTest, AMouseRecordGivesMovementWheelAndButtonInThatOrder)
{
    fp_StartEngine();
    CDriverRecord record{};
    record.m_Kind = NQuillon::EDriverRecordKind_Mouse;
    record.m_Mouse.Flags = 0;
    record.m_Mouse.ButtonFlags = 0x0400 | 0x0001;
    record.m_Mouse.ButtonData = 120;
    record.m_Mouse.RawButtons = 1;
    record.m_Mouse.LastX = 5;
    record.m_Mouse.LastY = -3;
    fp_Feed({record});
    EXPECT_EQ(fp_Take(3), "mouse flags 0 buttons 0000 data 0 move 5,-3\n"
                          "mouse flags 0 buttons 0400 data 120 move 0,0\n"
                          "mouse flags 0 buttons 0001 data 0 move 0,0\n");
}

TEST_F(CChannelTest, TheEngineReopensTheDeviceWhenItComesBack)
{
    fp_StartEngine();
    m_StandIn.f_Stop();
    m_StandIn.f_Start();
    ASSERT_TRUE(m_StandIn.f_WaitClients(1, 5000));
    fp_Feed({NQuillonTest::gf_Key(gc_A, true), NQuillonTest::gf_Key(gc_A, false)});
    EXPECT_EQ(fp_Take(2), "kbd 30 make unit 1\nkbd 30 break unit 1\n");
}

TEST_F(CChannelTest, WithEveryWriteSlotPendingFurtherRecordsAreDropped)
{
    fp_StartEngine();
    m_StandIn.f_SetBackPressure(true);
    // 130 records that each pass: 128 writes pend, the last two find no slot.
    std::vector<CDriverRecord> records;
    for (int i = 0; i < 65; ++i)
    {
        records.push_back(NQuillonTest::gf_Key(gc_X, true));
        records.push_back(NQuillonTest::gf_Key(gc_X, false));
    }
    m_StandIn.f_Feed(records.data(), records.size());
    // Nothing is read back while the pressure lasts; give the engine its batch first.
    ASSERT_TRUE(NQuillonTest::gf_WaitFor([&] { return m_StandIn.f_GetFed().size() == 130; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    m_StandIn.f_SetBackPressure(false);
    ASSERT_TRUE(m_StandIn.f_WaitWritten(128, 5000));
    EXPECT_TRUE(m_StandIn.f_WaitQuiet(200, 5000));
    EXPECT_EQ(m_StandIn.f_TakeWritten().size(), 128u);
    // Slots came free again: writing resumes.
    fp_Feed({NQuillonTest::gf_Key(gc_Y, true)});
    EXPECT_EQ(fp_Take(1), "kbd 15 make unit 1\n");
}

TEST_F(CChannelTest, StoppingWithAKeyHeldReleasesItThenClosesTheDevice)
{
    fp_StartEngine();
    fp_Feed({NQuillonTest::gf_Key(gc_A, true)});
    EXPECT_EQ(fp_Take(1), "kbd 30 make unit 1\n");
    EXPECT_EQ(m_Engine.f_Stop(true), 0u);
    EXPECT_EQ(fp_Take(1), "kbd 30 break unit 1\n");
    EXPECT_TRUE(NQuillonTest::gf_WaitFor([&] { return m_StandIn.f_GetClientCount() == 0; }));
}

TEST_F(CChannelTest, ACaptureWithoutOwningInputReadsButWritesNothing)
{
    m_Engine.m_bOwnsInput = false;
    ASSERT_TRUE(m_Engine.f_SetCaptureMode(1));
    ASSERT_TRUE(m_StandIn.f_WaitClients(1, 5000));
    fp_Feed({NQuillonTest::gf_Key(gc_A, true), NQuillonTest::gf_Key(gc_X, true),
             NQuillonTest::gf_Key(gc_X, false)});
    CMessageHook::CKeys keys;
    EXPECT_TRUE(NQuillonTest::gf_WaitFor([&] { return m_Engine.f_GetCapturedKeys(keys); }));
    EXPECT_EQ(keys, (CMessageHook::CKeys{CMessageHook::CKey{0, gc_A, 0}, CMessageHook::CKey{0, gc_X, 0}}));
    m_Engine.f_EndCapture();
    // The capture's channel ended with it and closed the device.
    EXPECT_TRUE(NQuillonTest::gf_WaitFor([&] { return m_StandIn.f_GetClientCount() == 0; }));
    EXPECT_TRUE(m_StandIn.f_GetWritten().empty());
    // Without a device the capture records through low-level hooks of its own.
    m_StandIn.f_Stop();
    EXPECT_TRUE(m_Engine.f_SetCaptureMode(1));
    EXPECT_NE(FindWindowW(L"QuillonHookWindow", nullptr), nullptr);
    m_Engine.f_EndCapture();
    EXPECT_EQ(FindWindowW(L"QuillonHookWindow", nullptr), nullptr);
}

TEST_F(CChannelTest, AnEngineThatOwnsInputKeepsItsChannelAfterACapture)
{
    fp_StartEngine();
    ASSERT_TRUE(m_Engine.f_SetCaptureMode(1));
    m_Engine.f_EndCapture();
    fp_Feed({NQuillonTest::gf_Key(gc_A, true), NQuillonTest::gf_Key(gc_A, false)});
    EXPECT_EQ(fp_Take(2), "kbd 30 make unit 1\nkbd 30 break unit 1\n");
}

namespace
{
CDriverRecord fg_MouseMove(std::int32_t x)
{
    CDriverRecord record{};
    record.m_Kind = NQuillon::EDriverRecordKind_Mouse;
    record.m_Mouse.LastX = x;
    return record;
}

// Runs work on a thread of its own; when it has not ended within the time, the process ends
// at once: a deadlocked engine cannot be stopped, and the run must not hang.
void fg_RunOrEndProcess(const std::function<void()>& work, std::chrono::seconds limit, const char* what)
{
    std::atomic<bool> done{false};
    std::thread worker(
        [&]
        {
            work();
            done = true;
        });
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!done)
    {
        std::fprintf(stderr, "%s did not end: deadlock\n", what);
        std::fflush(stderr);
        std::_Exit(3);
    }
    worker.join();
}
} // namespace

// Mouse movement flows (each record is written back under the write lock, inside the channel
// thread's read lock) while captures start and end on another thread.
TEST_F(CChannelTest, CapturesStartedWhileRecordsFlowDoNotDeadlock)
{
    fp_StartEngine();
    std::atomic<bool> feeding{true};
    std::thread feeder(
        [&]
        {
            for (std::int32_t x = 1; feeding; ++x)
            {
                const CDriverRecord records[] = {fg_MouseMove(1), fg_MouseMove(-1), fg_MouseMove(x % 5 + 1)};
                m_StandIn.f_Feed(records, 3);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
    ASSERT_TRUE(m_StandIn.f_WaitWritten(30, 5000));
    bool allStarted = true;
    fg_RunOrEndProcess(
        [&]
        {
            for (int i = 0; i < 300; ++i)
            {
                allStarted = m_Engine.f_SetCaptureMode(1) && allStarted;
                m_Engine.f_EndCapture();
            }
        },
        std::chrono::seconds(30), "300 captures");
    feeding = false;
    feeder.join();
    EXPECT_TRUE(allStarted);
    // Records still flow both ways.
    m_StandIn.f_TakeWritten();
    fp_Feed({NQuillonTest::gf_Key(gc_A, true), NQuillonTest::gf_Key(gc_A, false)});
    EXPECT_TRUE(m_StandIn.f_WaitWritten(2, 5000));
}

// Another process (an editor, a scanner, a backup) holds Settings.dat without sharing for 3 s
// just after changing it. The engine keeps trying to load it meanwhile; input is answered as
// before, not after the load.
TEST_F(CChannelTest, RecordsFlowWhileTheSettingsFileIsHeldOpen)
{
    {
        CMessageHook writer;
        writer.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str());
        NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(NQuillonTest::gc_AToB), writer);
        ASSERT_TRUE(writer.f_SaveSettings());
    }
    const std::string path = m_Directory.f_Path("Settings.dat");
    const std::string bytes = NQuillonTest::gf_ReadFileBytes(path);
    fp_StartEngine();
    // The engine's first look at the file.
    fp_Feed({NQuillonTest::gf_Key(gc_X, true), NQuillonTest::gf_Key(gc_X, false)});
    ASSERT_TRUE(m_StandIn.f_WaitWritten(2, 5000));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    m_StandIn.f_TakeWritten();
    m_StandIn.f_TakeFed();

    HANDLE held =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(held, bytes.data(), DWORD(bytes.size()), &written, nullptr));
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    std::size_t fed = 0;
    while (std::chrono::steady_clock::now() < end)
    {
        fp_Feed({NQuillonTest::gf_Key(gc_X, (fed & 1) == 0)});
        ++fed;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    CloseHandle(held);
    ASSERT_TRUE(m_StandIn.f_WaitWritten(fed, 10000));
    const auto feeds = m_StandIn.f_TakeFed();
    const auto answers = m_StandIn.f_TakeWritten();
    ASSERT_EQ(feeds.size(), answers.size());
    std::int64_t slowest = 0;
    for (std::size_t i = 0; i < feeds.size(); ++i)
        slowest = std::max(slowest, answers[i].m_Time - feeds[i].m_Time);
    const double slowestMs = 1000.0 * double(slowest) / double(CFilterStandIn::fs_TicksPerSecond());
    EXPECT_LT(slowestMs, 100.0) << fed << " records";
}

namespace
{
// The access granted to the client ends of the device's pipe open in this process (the engine's
// handles; the stand-in holds only server ends).
std::vector<ACCESS_MASK> fg_ClientDeviceAccess()
{
    using TNtQueryObject = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    struct CBasicInformation
    {
        ULONG m_Attributes;
        ACCESS_MASK m_GrantedAccess;
        ULONG m_Reserved[20];
    };
    auto query = reinterpret_cast<TNtQueryObject>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryObject")));
    std::vector<ACCESS_MASK> access;
    for (std::uintptr_t value = 4; query && value < 0x4000; value += 4)
    {
        const auto handle = reinterpret_cast<HANDLE>(value);
        DWORD flags = 0;
        if (GetFileType(handle) != FILE_TYPE_PIPE ||
            !GetNamedPipeInfo(handle, &flags, nullptr, nullptr, nullptr) || (flags & PIPE_SERVER_END))
            continue;
        CBasicInformation information{};
        if (query(handle, 0, &information, sizeof information, nullptr) >= 0)
            access.push_back(information.m_GrantedAccess);
    }
    return access;
}
} // namespace

// The device is opened for reading and writing data, nothing more (what the file system adds
// to every open, synchronisation and reading attributes, aside).
TEST_F(CChannelTest, TheDeviceIsOpenedWithReadAndWriteDataAccessOnly)
{
    fp_StartEngine();
    const std::vector<ACCESS_MASK> access = fg_ClientDeviceAccess();
    ASSERT_EQ(access.size(), 1u);
    EXPECT_EQ(access[0] & (FILE_READ_DATA | FILE_WRITE_DATA), ACCESS_MASK(FILE_READ_DATA | FILE_WRITE_DATA));
    EXPECT_EQ(access[0] & ~ACCESS_MASK(FILE_READ_DATA | FILE_WRITE_DATA | SYNCHRONIZE | FILE_READ_ATTRIBUTES),
              0u)
        << std::hex << access[0];
}

// Without the filter driver one engine captures a session's input with hooks: a second one
// (a "-RunAsProgram" beside the service's agent) is refused until the first lets go.
TEST(HookCaptureGuard, OneEngineCapturesASessionAtATime)
{
    CMessageHook first;
    CMessageHook second;
    ASSERT_TRUE(first.f_SetHookCapture(true));
    EXPECT_FALSE(second.f_SetHookCapture(true));
    EXPECT_FALSE(second.f_IsHookCapturing());
    EXPECT_TRUE(first.f_SetHookCapture(false));
    EXPECT_TRUE(second.f_SetHookCapture(true));
    EXPECT_TRUE(second.f_IsHookCapturing());
    EXPECT_TRUE(second.f_SetHookCapture(false));
}

#ifdef QUILLON_STUCK_READ_DRIVER
#include "engine/win32/KeyboardQueueThread.h"
#include "tests/support/win32/StuckReadDriver.h"

// A driver that never completes a cancelled read must not hold the engine's stop (or a service
// stop) up for good: the close gives up after its bound and leaves the read's buffer to the
// driver, which may still complete into it when it unloads.
TEST(ChannelStuckRead, StopEndsWithinItsBoundWhenACancelledReadNeverCompletes)
{
    NQuillonTest::CStuckReadDriver driver(QUILLON_STUCK_READ_DRIVER);
    ASSERT_TRUE(driver.f_IsStarted()) << GetLastError();
    NQuillonTest::CTempDirectory directory;
    CMessageHook engine;
    engine.f_SetSettingsDirectory(directory.f_GetPath().c_str());
    engine.m_bSavingSuppressed = true;
    engine.m_bOwnsInput = true;
    engine.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    ASSERT_TRUE(NQuillonTest::gf_WaitFor([&] { return driver.fs_HeldReads() >= 1; }));
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_EQ(engine.f_Stop(true), 0u);
    const auto took = std::chrono::steady_clock::now() - begun;
    EXPECT_LT(took, std::chrono::milliseconds(CMessageHook::CKeyboardQueueThread::mc_CancelBoundMilliseconds +
                                              3000));
    // The read is still the driver's: the stop did not wait for it.
    EXPECT_GE(driver.fs_HeldReads(), 1);
    // A stop is no failure of the engine.
    EXPECT_FALSE(engine.f_HasThreadFailed());
    std::printf("stop with a read the driver never completes took %lld ms\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()));
}
#endif
