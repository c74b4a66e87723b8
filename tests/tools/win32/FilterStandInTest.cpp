// The stand-in device seen by a raw client that opens it the way the engine does.

#include "tools/filterstandin/FilterStandIn.h"
#include "tests/support/Process.h"
#include "tools/filterstandin/FilterScript.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstring>
#include <memory>
#include <thread>

using namespace NQuillon;

namespace
{
constexpr DWORD mc_Wait = 5000;
constexpr std::size_t mc_ReadSize = 128 * sizeof(CDriverRecord);

// A client of the device: overlapped handle, one read and any number of writes in flight.
class CRawClient
{
public:
    explicit CRawClient(DWORD attributes = 0)
    {
        m_hDevice = CreateFileA("\\\\.\\QuillonKeyboardFilter", 3, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED | attributes, nullptr);
        m_OpenError = m_hDevice == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        m_Read.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    }
    ~CRawClient()
    {
        f_Close();
        for (auto& write : m_Writes)
            CloseHandle(write->m_Overlapped.hEvent);
        CloseHandle(m_Read.hEvent);
    }

    bool f_IsOpen() const { return m_hDevice != INVALID_HANDLE_VALUE; }
    DWORD f_OpenError() const { return m_OpenError; }
    HANDLE f_Handle() const { return m_hDevice; }

    void f_Close()
    {
        if (!f_IsOpen())
            return;
        CancelIo(m_hDevice);
        DWORD bytes = 0;
        if (m_ReadPending)
            GetOverlappedResult(m_hDevice, &m_Read, &bytes, TRUE);
        for (auto& write : m_Writes)
            if (write->m_Issued)
                GetOverlappedResult(m_hDevice, &write->m_Overlapped, &bytes, TRUE);
        m_ReadPending = false;
        CloseHandle(m_hDevice);
        m_hDevice = INVALID_HANDLE_VALUE;
    }

    // Starts a read of 128 records; false when it failed at once (error in f_LastError).
    bool f_StartRead()
    {
        DWORD bytes = 0;
        m_ReadPending = true;
        if (ReadFile(m_hDevice, m_Buffer.data(), static_cast<DWORD>(mc_ReadSize), &bytes, &m_Read))
            return true;
        m_LastError = GetLastError();
        m_ReadPending = m_LastError == ERROR_IO_PENDING;
        return m_ReadPending;
    }

    // Finishes the read: the records read, or none with the error in f_LastError.
    std::vector<CDriverRecord> f_FinishRead(DWORD timeoutMs = mc_Wait)
    {
        std::vector<CDriverRecord> records;
        m_LastError = 0;
        if (WaitForSingleObject(m_Read.hEvent, timeoutMs) != WAIT_OBJECT_0)
        {
            m_LastError = WAIT_TIMEOUT;
            return records;
        }
        DWORD bytes = 0;
        m_ReadPending = false;
        if (!GetOverlappedResult(m_hDevice, &m_Read, &bytes, FALSE))
        {
            m_LastError = GetLastError();
            return records;
        }
        m_LastBytes = bytes;
        records.resize(bytes / sizeof(CDriverRecord));
        std::memcpy(records.data(), m_Buffer.data(), records.size() * sizeof(CDriverRecord));
        return records;
    }

    std::vector<CDriverRecord> f_Read()
    {
        if (!f_StartRead())
            return {};
        return f_FinishRead();
    }

    // Writes one record; returns the WriteFile result and keeps the write for f_FinishWrite.
    bool f_Write(const CDriverRecord& record)
    {
        auto write = std::make_unique<CWrite>();
        write->m_Record = record;
        write->m_Overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        DWORD bytes = 0;
        const BOOL ok =
            WriteFile(m_hDevice, &write->m_Record, sizeof(CDriverRecord), &bytes, &write->m_Overlapped);
        m_LastError = ok ? 0 : GetLastError();
        // A write that failed at once never completes.
        write->m_Issued = ok || m_LastError == ERROR_IO_PENDING;
        m_Writes.push_back(std::move(write));
        return ok;
    }

    // Waits for write i: its byte count, or 0 with the error in f_LastError.
    DWORD f_FinishWrite(std::size_t i)
    {
        DWORD bytes = 0;
        if (WaitForSingleObject(m_Writes.at(i)->m_Overlapped.hEvent, mc_Wait) != WAIT_OBJECT_0)
        {
            m_LastError = WAIT_TIMEOUT;
            return 0;
        }
        if (!GetOverlappedResult(m_hDevice, &m_Writes[i]->m_Overlapped, &bytes, FALSE))
        {
            m_LastError = GetLastError();
            return 0;
        }
        return bytes;
    }
    bool f_WritePending(std::size_t i) const
    {
        return !HasOverlappedIoCompleted(&m_Writes.at(i)->m_Overlapped);
    }

    DWORD f_LastError() const { return m_LastError; }
    DWORD f_LastBytes() const { return m_LastBytes; }

private:
    struct CWrite
    {
        CDriverRecord m_Record;
        OVERLAPPED m_Overlapped{};
        bool m_Issued = false;
    };
    HANDLE m_hDevice = INVALID_HANDLE_VALUE;
    DWORD m_OpenError = 0;
    DWORD m_LastError = 0;
    DWORD m_LastBytes = 0;
    OVERLAPPED m_Read{};
    bool m_ReadPending = false;
    std::array<unsigned char, mc_ReadSize> m_Buffer{};
    std::vector<std::unique_ptr<CWrite>> m_Writes;
};

bool fg_Same(const CDriverRecord& left, const CDriverRecord& right)
{
    return std::memcmp(&left, &right, sizeof(CDriverRecord)) == 0;
}

std::vector<CDriverRecord> fg_Keys(std::uint16_t first, std::size_t count)
{
    std::vector<CDriverRecord> records;
    for (std::size_t i = 0; i < count; ++i)
        records.push_back(gf_MakeKeyRecord(static_cast<std::uint16_t>(first + i), 0));
    return records;
}

class FilterStandIn : public ::testing::Test
{
protected:
    void SetUp() override { m_StandIn.f_Start(); }
    void TearDown() override { m_StandIn.f_Stop(); }

    void fp_Feed(const std::vector<CDriverRecord>& records)
    {
        m_StandIn.f_Feed(records.data(), records.size());
    }

    CFilterStandIn m_StandIn;
};
} // namespace

TEST_F(FilterStandIn, TheDevicePathOpensAndABatchArrivesInOneRead)
{
    CRawClient client;
    ASSERT_TRUE(client.f_IsOpen()) << client.f_OpenError();
    ASSERT_TRUE(m_StandIn.f_WaitClients(1, mc_Wait));
    const auto batch = fg_Keys(0x10, 3);
    fp_Feed(batch);
    const auto read = client.f_Read();
    ASSERT_EQ(read.size(), 3u) << client.f_LastError();
    EXPECT_EQ(client.f_LastBytes(), 84u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(fg_Same(read[i], batch[i]));
    const auto fed = m_StandIn.f_GetFed();
    ASSERT_EQ(fed.size(), 3u);
    EXPECT_EQ(fed[0].m_Batch, fed[2].m_Batch);
}

TEST_F(FilterStandIn, BatchesStaySeparateAndFull)
{
    CRawClient client;
    ASSERT_TRUE(m_StandIn.f_WaitClients(1, mc_Wait));
    // Fed before the client reads: each batch still comes in a read of its own.
    fp_Feed(fg_Keys(0x10, 2));
    fp_Feed(fg_Keys(0x20, 3));
    fp_Feed(fg_Keys(0x30, 128));
    EXPECT_EQ(client.f_Read().size(), 2u);
    const auto second = client.f_Read();
    ASSERT_EQ(second.size(), 3u);
    EXPECT_EQ(second[0].m_Keyboard.MakeCode, 0x20);
    const auto third = client.f_Read();
    ASSERT_EQ(third.size(), 128u);
    EXPECT_EQ(third[127].m_Keyboard.MakeCode, 0x30 + 127);
}

TEST_F(FilterStandIn, RecordsFedWithoutAClientGoToTheFirstClient)
{
    fp_Feed(fg_Keys(0x10, 1));
    fp_Feed(fg_Keys(0x11, 2));
    CRawClient client;
    const auto first = client.f_Read();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].m_Keyboard.MakeCode, 0x10);
    const auto second = client.f_Read();
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[1].m_Keyboard.MakeCode, 0x12);
}

TEST_F(FilterStandIn, WrittenRecordsAreKeptInOrderWithTheirTimes)
{
    CRawClient client;
    ASSERT_TRUE(m_StandIn.f_WaitClients(1, mc_Wait));
    fp_Feed(fg_Keys(0x1E, 1));
    ASSERT_EQ(client.f_Read().size(), 1u);
    const auto out = fg_Keys(0x40, 6);
    for (const auto& record : out)
        client.f_Write(record);
    for (std::size_t i = 0; i < out.size(); ++i)
        EXPECT_EQ(client.f_FinishWrite(i), sizeof(CDriverRecord)) << client.f_LastError();
    ASSERT_TRUE(m_StandIn.f_WaitWritten(6, mc_Wait));
    const auto fed = m_StandIn.f_GetFed();
    const auto written = m_StandIn.f_TakeWritten();
    ASSERT_EQ(written.size(), 6u);
    for (std::size_t i = 0; i < written.size(); ++i)
    {
        EXPECT_TRUE(fg_Same(written[i].m_Record, out[i]));
        EXPECT_EQ(written[i].m_Client, 1u);
        EXPECT_GE(written[i].m_Time, fed.at(0).m_Time);
        if (i)
        {
            EXPECT_GE(written[i].m_Time, written[i - 1].m_Time);
        }
    }
    EXPECT_TRUE(m_StandIn.f_GetWritten().empty());
    EXPECT_TRUE(m_StandIn.f_WaitQuiet(10, mc_Wait));
}

TEST_F(FilterStandIn, StopBreaksTheClientsIoAndTheDeviceVanishes)
{
    CRawClient client;
    ASSERT_TRUE(m_StandIn.f_WaitClients(1, mc_Wait));
    // Wine answers the size query itself, for a live device as for a dropped one.
    SetLastError(0);
    EXPECT_EQ(GetFileSize(client.f_Handle(), nullptr), 0xFFFFFFFFu);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_FUNCTION));
    ASSERT_TRUE(client.f_StartRead());
    ASSERT_EQ(client.f_LastError(), DWORD(ERROR_IO_PENDING));

    m_StandIn.f_Stop();
    EXPECT_EQ(m_StandIn.f_GetClientCount(), 0u);
    EXPECT_TRUE(client.f_FinishRead().empty());
    EXPECT_EQ(client.f_LastError(), DWORD(ERROR_BROKEN_PIPE));
    EXPECT_FALSE(client.f_StartRead());
    EXPECT_EQ(client.f_LastError(), DWORD(ERROR_BROKEN_PIPE));
    EXPECT_FALSE(client.f_Write(gf_MakeKeyRecord(0x1E, 0)));
    EXPECT_EQ(client.f_LastError(), DWORD(ERROR_NO_DATA));
    SetLastError(0);
    EXPECT_EQ(GetFileSize(client.f_Handle(), nullptr), 0xFFFFFFFFu);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_FUNCTION));

    CRawClient late;
    EXPECT_FALSE(late.f_IsOpen());
    EXPECT_EQ(late.f_OpenError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST_F(FilterStandIn, PendingWritesFailWhenTheStandInStops)
{
    CRawClient client;
    ASSERT_TRUE(m_StandIn.f_WaitClients(1, mc_Wait));
    m_StandIn.f_SetBackPressure(true);
    EXPECT_FALSE(client.f_Write(gf_MakeKeyRecord(0x1E, 0)));
    ASSERT_EQ(client.f_LastError(), DWORD(ERROR_IO_PENDING));
    m_StandIn.f_Stop();
    EXPECT_EQ(client.f_FinishWrite(0), 0u);
    EXPECT_EQ(client.f_LastError(), DWORD(ERROR_BROKEN_PIPE));
}

TEST_F(FilterStandIn, RestartLetsTheClientOpenAgain)
{
    {
        CRawClient client;
        ASSERT_TRUE(m_StandIn.f_WaitClients(1, mc_Wait));
        m_StandIn.f_Stop();
        EXPECT_FALSE(m_StandIn.f_IsRunning());
        m_StandIn.f_Start();
        EXPECT_TRUE(client.f_Read().empty());
        EXPECT_EQ(client.f_LastError(), DWORD(ERROR_BROKEN_PIPE));
    }
    CRawClient again;
    ASSERT_TRUE(again.f_IsOpen()) << again.f_OpenError();
    fp_Feed(fg_Keys(0x1E, 1));
    EXPECT_EQ(again.f_Read().size(), 1u);
    again.f_Write(gf_MakeKeyRecord(0x30, 0));
    EXPECT_TRUE(m_StandIn.f_WaitWritten(1, mc_Wait));
}

TEST_F(FilterStandIn, AClientThatClosedCanOpenAgain)
{
    {
        CRawClient client;
        ASSERT_TRUE(m_StandIn.f_WaitClients(1, mc_Wait));
        ASSERT_TRUE(client.f_StartRead());
    }
    for (int i = 0; i < 3; ++i)
    {
        CRawClient client;
        ASSERT_TRUE(client.f_IsOpen()) << client.f_OpenError();
        fp_Feed(fg_Keys(static_cast<std::uint16_t>(0x10 + i), 1));
        const auto read = client.f_Read();
        ASSERT_EQ(read.size(), 1u);
        EXPECT_EQ(read[0].m_Keyboard.MakeCode, 0x10 + i);
    }
}

// A client that closes its handle with batches unread (as a client does when it thinks the
// driver dropped it): the client that opens next gets them, once.
TEST_F(FilterStandIn, BatchesAClosingClientLeftUnreadGoToTheNextClient)
{
    auto first = std::make_unique<CRawClient>();
    ASSERT_TRUE(m_StandIn.f_WaitClients(1, mc_Wait));
    fp_Feed(fg_Keys(0x10, 1));
    fp_Feed(fg_Keys(0x11, 2));
    first.reset();
    CRawClient next;
    ASSERT_TRUE(next.f_IsOpen()) << next.f_OpenError();
    fp_Feed(fg_Keys(0x13, 1));
    std::vector<std::uint16_t> codes;
    while (codes.size() < 4)
    {
        const auto read = next.f_Read();
        ASSERT_FALSE(read.empty()) << next.f_LastError();
        for (const auto& record : read)
            codes.push_back(record.m_Keyboard.MakeCode);
    }
    EXPECT_EQ(codes, (std::vector<std::uint16_t>{0x10, 0x11, 0x12, 0x13}));
    ASSERT_TRUE(next.f_StartRead());
    EXPECT_TRUE(next.f_FinishRead(100).empty());
    EXPECT_EQ(next.f_LastError(), DWORD(WAIT_TIMEOUT));
}

TEST_F(FilterStandIn, TwoClientsAtOnce)
{
    CRawClient engine;
    CRawClient capture(FILE_ATTRIBUTE_SYSTEM);
    ASSERT_TRUE(engine.f_IsOpen());
    ASSERT_TRUE(capture.f_IsOpen()) << capture.f_OpenError();
    ASSERT_TRUE(m_StandIn.f_WaitClients(2, mc_Wait));
    fp_Feed(fg_Keys(0x1E, 2));
    EXPECT_EQ(engine.f_Read().size(), 2u);
    EXPECT_EQ(capture.f_Read().size(), 2u);
    engine.f_Write(gf_MakeKeyRecord(0x30, 0));
    ASSERT_TRUE(m_StandIn.f_WaitWritten(1, mc_Wait));
    capture.f_Write(gf_MakeKeyRecord(0x31, 0));
    ASSERT_TRUE(m_StandIn.f_WaitWritten(2, mc_Wait));
    const auto written = m_StandIn.f_GetWritten();
    EXPECT_NE(written[0].m_Client, written[1].m_Client);
    EXPECT_EQ(written[1].m_Record.m_Keyboard.MakeCode, 0x31);
}

TEST_F(FilterStandIn, BackPressureKeepsWritesPendingUntilReleased)
{
    CRawClient client;
    ASSERT_TRUE(m_StandIn.f_WaitClients(1, mc_Wait));
    m_StandIn.f_SetBackPressure(true);
    const auto out = fg_Keys(0, 128);
    for (const auto& record : out)
    {
        EXPECT_FALSE(client.f_Write(record));
        EXPECT_EQ(client.f_LastError(), DWORD(ERROR_IO_PENDING));
    }
    for (std::size_t i = 0; i < out.size(); ++i)
        EXPECT_TRUE(client.f_WritePending(i));
    EXPECT_TRUE(m_StandIn.f_GetWritten().empty());

    m_StandIn.f_SetBackPressure(false);
    ASSERT_TRUE(m_StandIn.f_WaitWritten(128, mc_Wait));
    for (std::size_t i = 0; i < out.size(); ++i)
        EXPECT_EQ(client.f_FinishWrite(i), sizeof(CDriverRecord));
    const auto written = m_StandIn.f_GetWritten();
    ASSERT_EQ(written.size(), 128u);
    for (std::size_t i = 0; i < out.size(); ++i)
        EXPECT_EQ(written[i].m_Record.m_Keyboard.MakeCode, i);
}

TEST(FilterStandInBuffered, WritesCompleteAtOnceIntoTheBuffer)
{
    CFilterStandIn standIn(4096);
    standIn.f_Start();
    CRawClient client;
    ASSERT_TRUE(standIn.f_WaitClients(1, mc_Wait));
    standIn.f_SetBackPressure(true);
    const auto out = fg_Keys(0, 100);
    for (const auto& record : out)
        EXPECT_TRUE(client.f_Write(record)) << client.f_LastError();
    standIn.f_SetBackPressure(false);
    ASSERT_TRUE(standIn.f_WaitWritten(100, mc_Wait));
    EXPECT_EQ(standIn.f_GetWritten()[99].m_Record.m_Keyboard.MakeCode, 99);
    standIn.f_Stop();
}

// Windows and Wine cancel the I/O a thread started when it ends.
TEST(FilterStandInThreads, StartedAndStoppedOnThreadsThatEnd)
{
    CFilterStandIn standIn;
    std::thread([&] { standIn.f_Start(); }).join();
    CRawClient client;
    ASSERT_TRUE(client.f_IsOpen()) << client.f_OpenError();
    CRawClient second;
    ASSERT_TRUE(second.f_IsOpen()) << second.f_OpenError();
    ASSERT_TRUE(standIn.f_WaitClients(2, mc_Wait));
    const auto batch = fg_Keys(0x10, 2);
    standIn.f_Feed(batch.data(), batch.size());
    EXPECT_EQ(client.f_Read().size(), 2u);
    EXPECT_EQ(second.f_Read().size(), 2u);
    ASSERT_TRUE(client.f_StartRead());
    std::thread([&] { standIn.f_Stop(); }).join();
    EXPECT_TRUE(client.f_FinishRead().empty());
    EXPECT_EQ(client.f_LastError(), DWORD(ERROR_BROKEN_PIPE));
}

TEST_F(FilterStandIn, ASecondStandInIsRefused)
{
    CFilterStandIn second;
    EXPECT_THROW(second.f_Start(), CFilterStandInError);
    EXPECT_FALSE(second.f_IsRunning());
}

// The program serves another process: this test is its client and echoes every key.
TEST(FilterProgram, RunsAScriptForAClientOfAnotherProcess)
{
    NQuillonTest::CProcess* program = NQuillonTest::gf_StartProcess(
        QUILLON_FILTER, {"--wait-client", "10000", "--settle", "20", QUILLON_FILTER_SCRIPTS "/echo.txt"});
    ASSERT_NE(program, nullptr);
    std::unique_ptr<CRawClient> client;
    for (int i = 0; i < 200; ++i)
    {
        client = std::make_unique<CRawClient>();
        if (client->f_IsOpen())
            break;
        Sleep(25);
    }
    ASSERT_TRUE(client->f_IsOpen());
    std::size_t echoed = 0;
    for (;;)
    {
        const auto read = client->f_Read();
        if (read.empty())
            break;
        for (const auto& record : read)
        {
            client->f_Write(record);
            ++echoed;
        }
    }
    EXPECT_EQ(client->f_LastError(), DWORD(ERROR_BROKEN_PIPE));
    EXPECT_EQ(echoed, 4u);
    EXPECT_EQ(NQuillonTest::gf_WaitProcess(program), 0);
}

TEST(FilterProgram, RefusesBadScriptsAndArguments)
{
    EXPECT_EQ(NQuillonTest::gf_WaitProcess(
                  NQuillonTest::gf_StartProcess(QUILLON_FILTER, {QUILLON_FILTER_SCRIPTS "/bad.txt"})),
              2);
    EXPECT_EQ(
        NQuillonTest::gf_WaitProcess(NQuillonTest::gf_StartProcess(QUILLON_FILTER, {"--settle", "x", "-"})),
        2);
    EXPECT_EQ(NQuillonTest::gf_WaitProcess(NQuillonTest::gf_StartProcess(QUILLON_FILTER, {"--frobnicate"})),
              2);
    EXPECT_EQ(NQuillonTest::gf_WaitProcess(NQuillonTest::gf_StartProcess(QUILLON_FILTER, {})), 2);
}
