// The agent pipe under Wine: the service's server and the agent's client in one process, with
// raw pipe handles of the test for the clients and servers that misbehave.

#include "agent/win32/AgentPipeClient.h"
#include "agent/win32/AgentPipeSecurity.h"
#include "agent/win32/AgentPipeServer.h"

#include "tests/support/TraceCapture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

using namespace NQuillon;

namespace
{
constexpr DWORD gc_DeadlineMilliseconds = 3000;

bool fg_WaitFor(const std::function<bool()>& condition)
{
    const ULONGLONG deadline = GetTickCount64() + gc_DeadlineMilliseconds;
    while (!condition())
    {
        if (GetTickCount64() > deadline)
            return condition();
        Sleep(1);
    }
    return true;
}

class CRecorder final : public ICAgentReceiver
{
public:
    void f_OnAgentMessage(const CAgentMessage& message) override
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_Messages.push_back(message);
    }
    void f_OnAgentConnection(bool connected) override
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_Connections.push_back(connected);
    }
    std::vector<CAgentMessage> f_GetMessages()
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        return m_Messages;
    }
    std::vector<bool> f_GetConnections()
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        return m_Connections;
    }

private:
    std::mutex m_Lock;
    std::vector<CAgentMessage> m_Messages;
    std::vector<bool> m_Connections;
};

DWORD fg_OwnSession()
{
    DWORD session = 0;
    EXPECT_TRUE(ProcessIdToSessionId(GetCurrentProcessId(), &session));
    return session;
}

std::string fg_OwnSid()
{
    HANDLE token = nullptr;
    EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    alignas(TOKEN_USER) BYTE buffer[256];
    DWORD size = 0;
    EXPECT_TRUE(GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size));
    CloseHandle(token);
    char* text = nullptr;
    EXPECT_TRUE(ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text));
    std::string sid = text ? text : "";
    LocalFree(text);
    return sid;
}

// A pipe name of this test alone: test programs may run side by side in one Wine session.
std::string fg_TestPipeName()
{
    return std::string("\\\\.\\pipe\\QuillonAgentPipeTest.") + std::to_string(GetCurrentProcessId()) + "." +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

HANDLE fg_OpenRaw(const std::string& name)
{
    return CreateFileA(name.c_str(), CAgentPipeSecurity::mc_UserAccess, 0, nullptr, OPEN_EXISTING, 0,
                       nullptr);
}

// Opens the pipe once the server listens again after its last client.
HANDLE fg_OpenWhenFree(const std::string& name)
{
    HANDLE pipe = INVALID_HANDLE_VALUE;
    fg_WaitFor(
        [&]
        {
            pipe = fg_OpenRaw(name);
            return pipe != INVALID_HANDLE_VALUE || GetLastError() != ERROR_PIPE_BUSY;
        });
    return pipe;
}

bool fg_IsDisconnected(HANDLE pipe)
{
    return fg_WaitFor([&] { return !PeekNamedPipe(pipe, nullptr, 0, nullptr, nullptr, nullptr); });
}

bool fg_WriteRaw(HANDLE pipe, const void* data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(pipe, data, size, &written, nullptr) && written == size;
}

// The test as the service: one instance, message mode, as the server makes it, owned by this
// account (under Wine the service's) or by ownerSid.
class CRawServer
{
public:
    explicit CRawServer(const std::string& name, const char* ownerSid = nullptr)
        : m_hEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
        SECURITY_DESCRIPTOR descriptor{};
        SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
        PSID owner = nullptr;
        EXPECT_TRUE(ConvertStringSidToSidA(ownerSid ? ownerSid : fg_OwnSid().c_str(), &owner));
        EXPECT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
        EXPECT_TRUE(SetSecurityDescriptorOwner(&descriptor, owner, FALSE));
        m_hPipe = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                   PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE, 1, 4096, 4096, 0, &attributes);
        LocalFree(owner);
        EXPECT_NE(m_hPipe, INVALID_HANDLE_VALUE);
        m_Overlapped.hEvent = m_hEvent;
        m_bConnected = ConnectNamedPipe(m_hPipe, &m_Overlapped) || GetLastError() == ERROR_PIPE_CONNECTED;
    }
    ~CRawServer()
    {
        CloseHandle(m_hPipe);
        CloseHandle(m_hEvent);
    }
    bool f_WaitConnected()
    {
        return m_bConnected || WaitForSingleObject(m_hEvent, gc_DeadlineMilliseconds) == WAIT_OBJECT_0;
    }
    bool f_Write(const void* data, DWORD size)
    {
        OVERLAPPED overlapped{};
        overlapped.hEvent = m_hEvent;
        DWORD written = 0;
        if (!WriteFile(m_hPipe, data, size, nullptr, &overlapped) && GetLastError() != ERROR_IO_PENDING)
            return false;
        return GetOverlappedResult(m_hPipe, &overlapped, &written, TRUE) && written == size;
    }
    HANDLE f_GetHandle() const { return m_hPipe; }

private:
    HANDLE m_hPipe = INVALID_HANDLE_VALUE;
    HANDLE m_hEvent;
    OVERLAPPED m_Overlapped{};
    bool m_bConnected = false;
};

class CAgentPipeTest : public ::testing::Test
{
protected:
    std::string m_Name = fg_TestPipeName();
    DWORD m_Session = fg_OwnSession();
    std::string m_Sid = fg_OwnSid();
    CRecorder m_ServerLog;
    CAgentPipeServer m_Server{m_ServerLog};

    void fp_Serve() { ASSERT_TRUE(m_Server.f_Serve(m_Session, m_Sid.c_str(), m_Name.c_str())); }
};

const std::vector<CAgentMessage> gc_ServiceMessages = {
    {EAgentMessage::WindowOperation, 3, 0, 0},
    {EAgentMessage::LockQuery, 20, 7, 0},
    {EAgentMessage::Notice, 1, 0, 0},
};
const std::vector<CAgentMessage> gc_AgentMessages = {
    {EAgentMessage::LockState, 20, 7, 1},
    {EAgentMessage::EjectKey, 0, 0, 1},
    {EAgentMessage::EjectKey, 0, 0, 0},
};

// The message's bytes, cut or padded with zeros to size.
std::vector<std::uint8_t> fg_Bytes(const CAgentMessage& message, std::size_t size = gc_AgentMessageSize)
{
    const CAgentMessageBytes bytes = gf_EncodeAgentMessage(message);
    std::vector<std::uint8_t> result(bytes.begin(), bytes.end());
    result.resize(size);
    return result;
}
} // namespace

TEST_F(CAgentPipeTest, MessagesTravelBothWaysAndConnectionsAreReported)
{
    fp_Serve();
    CRecorder clientLog;
    {
        CAgentPipeClient client(clientLog, m_Name.c_str());
        client.f_Start();
        ASSERT_TRUE(fg_WaitFor([&] { return m_Server.f_IsConnected() && client.f_IsConnected(); }));
        EXPECT_EQ(m_Server.f_GetAgentProcessId(), GetCurrentProcessId());
        for (const CAgentMessage& message : gc_ServiceMessages)
            EXPECT_TRUE(m_Server.f_Send(message));
        for (const CAgentMessage& message : gc_AgentMessages)
            EXPECT_TRUE(client.f_Send(message));
        EXPECT_TRUE(fg_WaitFor([&] { return clientLog.f_GetMessages() == gc_ServiceMessages; }));
        EXPECT_TRUE(fg_WaitFor([&] { return m_ServerLog.f_GetMessages() == gc_AgentMessages; }));
        // A connected client stops at once too, not after its rest.
        const ULONGLONG before = GetTickCount64();
        client.f_Stop();
        EXPECT_LT(GetTickCount64() - before, CAgentPipeClient::mc_RetryMilliseconds / 2);
    }
    ASSERT_TRUE(fg_WaitFor([&] { return !m_Server.f_IsConnected(); }));
    EXPECT_EQ(m_Server.f_GetAgentProcessId(), 0u);
    EXPECT_EQ(m_ServerLog.f_GetConnections(), (std::vector<bool>{true, false}));
    EXPECT_EQ(clientLog.f_GetConnections(), (std::vector<bool>{true, false}));
    EXPECT_FALSE(m_Server.f_Send(gc_ServiceMessages[0]));
}

TEST_F(CAgentPipeTest, AClientThatSendsWhatNoAgentMaySendIsDisconnectedAndTheNextIsServed)
{
    const struct
    {
        const char* m_Name;
        std::vector<std::uint8_t> m_Bytes;
    } cases[] = {
        {"too long", fg_Bytes(gc_AgentMessages[0], gc_AgentMessageSize + 4)},
        {"too short", fg_Bytes(gc_AgentMessages[0], gc_AgentMessageSize - 1)},
        {"empty", {}},
        {"a service's message", fg_Bytes(gc_ServiceMessages[0])},
        {"no message at all", std::vector<std::uint8_t>(gc_AgentMessageSize, 0xA5)},
    };
    fp_Serve();
    NQuillonTest::CTraceCapture trace;
    std::vector<bool> connections;
    for (const auto& test : cases)
    {
        HANDLE pipe = fg_OpenWhenFree(m_Name);
        ASSERT_NE(pipe, INVALID_HANDLE_VALUE) << test.m_Name << ": " << GetLastError();
        EXPECT_TRUE(fg_WriteRaw(pipe, test.m_Bytes.data(), static_cast<DWORD>(test.m_Bytes.size())))
            << test.m_Name;
        EXPECT_TRUE(fg_IsDisconnected(pipe)) << test.m_Name;
        CloseHandle(pipe);
        connections.insert(connections.end(), {true, false});
        EXPECT_TRUE(fg_WaitFor([&] { return m_ServerLog.f_GetConnections() == connections; })) << test.m_Name;
    }
    EXPECT_TRUE(m_ServerLog.f_GetMessages().empty());
    EXPECT_NE(trace.f_GetText().find("disconnected"), std::string::npos);

    HANDLE pipe = fg_OpenWhenFree(m_Name);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(fg_WriteRaw(pipe, fg_Bytes(gc_AgentMessages[0]).data(), gc_AgentMessageSize));
    EXPECT_TRUE(fg_WaitFor([&] { return m_ServerLog.f_GetMessages().size() == 1; }));
    EXPECT_TRUE(m_Server.f_IsConnected());
    CloseHandle(pipe);
}

TEST_F(CAgentPipeTest, ASecondClientIsServedOnlyOnceTheFirstHasGone)
{
    fp_Serve();
    CRecorder clientLog;
    CAgentPipeClient first(clientLog, m_Name.c_str());
    first.f_Start();
    ASSERT_TRUE(fg_WaitFor([&] { return m_Server.f_IsConnected(); }));
    EXPECT_EQ(fg_OpenRaw(m_Name), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PIPE_BUSY));
    first.f_Stop();
    HANDLE second = fg_OpenWhenFree(m_Name);
    ASSERT_NE(second, INVALID_HANDLE_VALUE) << GetLastError();
    EXPECT_TRUE(fg_WaitFor([&] { return m_Server.f_IsConnected(); }));
    EXPECT_EQ(m_ServerLog.f_GetConnections(), (std::vector<bool>{true, false, true}));
    CloseHandle(second);
}

TEST_F(CAgentPipeTest, AClientOfAnotherSessionIsRefused)
{
    ASSERT_TRUE(m_Server.f_Serve(m_Session + 4242, m_Sid.c_str(), m_Name.c_str()));
    HANDLE pipe = fg_OpenRaw(m_Name);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE) << GetLastError();
    fg_WriteRaw(pipe, fg_Bytes(gc_AgentMessages[0]).data(), gc_AgentMessageSize);
    EXPECT_TRUE(fg_IsDisconnected(pipe));
    CloseHandle(pipe);
    EXPECT_TRUE(m_ServerLog.f_GetConnections().empty());
    EXPECT_TRUE(m_ServerLog.f_GetMessages().empty());
    EXPECT_FALSE(m_Server.f_IsConnected());
}

// Wine does not check a pipe's DACL when a client opens it: there the open succeeds and the
// descriptor itself is checked.
TEST_F(CAgentPipeTest, OnlyTheAgentProgramIsServedAndARefusalDoesNotEndServing)
{
    wchar_t own[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    ASSERT_TRUE(QueryFullProcessImageNameW(GetCurrentProcess(), 0, own, &size));
    // Served once: after each refusal the pipe goes on to the next client.
    fp_Serve();
    const struct
    {
        const wchar_t* m_pProgram;
        bool m_bServed;
    } cases[] = {{L"C:\\Program Files\\Quillon\\Quillon.x64.exe", false},
                 {L"C:\\Program Files\\Quillon\\Quillon.x64.exe", false},
                 {own, true}};
    for (const auto& test : cases)
    {
        m_Server.f_SetAgentProgram(test.m_pProgram);
        HANDLE pipe = fg_OpenWhenFree(m_Name);
        ASSERT_NE(pipe, INVALID_HANDLE_VALUE) << GetLastError();
        fg_WriteRaw(pipe, fg_Bytes(gc_AgentMessages[0]).data(), gc_AgentMessageSize);
        if (test.m_bServed)
            EXPECT_TRUE(fg_WaitFor([this] { return !m_ServerLog.f_GetMessages().empty(); }));
        else
            EXPECT_TRUE(fg_IsDisconnected(pipe));
        CloseHandle(pipe);
    }
    EXPECT_EQ(m_ServerLog.f_GetMessages().size(), 1u);
}

TEST_F(CAgentPipeTest, TheDaclAdmitsOnlySystemAndTheUser)
{
    using CAces = std::vector<std::pair<std::string, DWORD>>;
    const char* const otherUser = "S-1-5-21-1-2-3-1001";
    const struct
    {
        const char* m_Sid;
        CAces m_Aces;
    } cases[] = {
        {m_Sid.c_str(), {{"S-1-5-18", FILE_ALL_ACCESS}, {m_Sid, CAgentPipeSecurity::mc_UserAccess}}},
        {otherUser, {{"S-1-5-18", FILE_ALL_ACCESS}, {otherUser, CAgentPipeSecurity::mc_UserAccess}}},
        {nullptr, {{"S-1-5-18", FILE_ALL_ACCESS}}},
    };
    for (const auto& test : cases)
    {
        const char* sid = test.m_Sid ? test.m_Sid : "(none)";
        // Served again under the same name: the instance stays, its DACL follows the user.
        ASSERT_TRUE(m_Server.f_Serve(m_Session, test.m_Sid, m_Name.c_str())) << sid;
        HANDLE pipe = fg_OpenWhenFree(m_Name);
        if (pipe == INVALID_HANDLE_VALUE)
        {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << sid;
            EXPECT_NE(test.m_Sid, m_Sid.c_str());
            continue;
        }
        PACL dacl = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ASSERT_EQ(GetSecurityInfo(pipe, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                                  nullptr, &descriptor),
                  static_cast<DWORD>(ERROR_SUCCESS))
            << sid;
        CloseHandle(pipe);
        CAces aces;
        for (DWORD i = 0; dacl && i < dacl->AceCount; ++i)
        {
            ACCESS_ALLOWED_ACE* ace = nullptr;
            ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
            EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
            char* text = nullptr;
            ASSERT_TRUE(ConvertSidToStringSidA(&ace->SidStart, &text));
            aces.emplace_back(text, ace->Mask);
            LocalFree(text);
        }
        LocalFree(descriptor);
        EXPECT_EQ(aces, test.m_Aces) << sid;
    }
}

TEST_F(CAgentPipeTest, WhatIsNoUserSidIsNotServed)
{
    for (const char* sid : {"WD", "S-1-5-21-1)(A;;GA;;;WD)", "S-1-", "user"})
    {
        EXPECT_FALSE(m_Server.f_Serve(m_Session, sid, m_Name.c_str())) << sid;
        EXPECT_EQ(fg_OpenRaw(m_Name), INVALID_HANDLE_VALUE) << sid;
    }
}

TEST_F(CAgentPipeTest, SendNeverWaitsForAnAgentThatDoesNotRead)
{
    using CClock = std::chrono::steady_clock;
    fp_Serve();
    EXPECT_FALSE(m_Server.f_Send(gc_ServiceMessages[0]));
    HANDLE pipe = fg_OpenRaw(m_Name);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(fg_WaitFor([&] { return m_Server.f_IsConnected(); }));
    // Sends until the pipe and the queue are full: a refused send may only mean that the
    // server's thread has not caught up yet, so sends count as refused for good after 100 ms.
    std::size_t accepted = 0;
    auto slowest = CClock::duration::zero();
    for (auto lastAccepted = CClock::now(); CClock::now() - lastAccepted < std::chrono::milliseconds(100);)
    {
        const auto before = CClock::now();
        const bool sent = m_Server.f_Send(gc_ServiceMessages[0]);
        slowest = std::max(slowest, CClock::now() - before);
        if (sent)
        {
            ++accepted;
            lastAccepted = CClock::now();
        }
        else
            Sleep(1);
    }
    // A send that waited for the agent would wait until the end of the test; the bound only
    // leaves room for a busy machine.
    EXPECT_LT(slowest, std::chrono::milliseconds(250));
    const std::size_t pipeMessages = CAgentPipeServer::mc_BufferBytes / gc_AgentMessageSize;
    EXPECT_GE(accepted, pipeMessages);
    EXPECT_LE(accepted, pipeMessages + CAgentPipeLink::mc_QueueMessages + 1);
    // Every message accepted arrives once the agent reads.
    std::size_t bytes = 0;
    EXPECT_TRUE(fg_WaitFor(
        [&]
        {
            std::uint8_t buffer[1024];
            DWORD available = 0;
            DWORD read = 0;
            if (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available &&
                ReadFile(pipe, buffer, sizeof buffer, &read, nullptr))
                bytes += read;
            return bytes >= accepted * gc_AgentMessageSize;
        }));
    EXPECT_EQ(bytes, accepted * gc_AgentMessageSize);
    CloseHandle(pipe);
}

// Wine ignores FILE_FLAG_FIRST_PIPE_INSTANCE: a name with room for more instances takes the
// server's as a second one there.
TEST_F(CAgentPipeTest, ANameOwnedByAnotherIsNotServed)
{
    for (const DWORD instances : {1ul, static_cast<DWORD>(PIPE_UNLIMITED_INSTANCES)})
    {
        HANDLE squatter = CreateNamedPipeA(m_Name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE, instances,
                                           64, 64, 0, nullptr);
        ASSERT_NE(squatter, INVALID_HANDLE_VALUE);
        EXPECT_FALSE(m_Server.f_Serve(m_Session, m_Sid.c_str(), m_Name.c_str())) << instances;
        CloseHandle(squatter);
    }
    EXPECT_TRUE(m_Server.f_Serve(m_Session, m_Sid.c_str(), m_Name.c_str()));
}

TEST_F(CAgentPipeTest, TheClientFindsThePipeOfItsOwnSession)
{
    ASSERT_TRUE(m_Server.f_Serve(m_Session, m_Sid.c_str()));
    CRecorder clientLog;
    CAgentPipeClient client(clientLog);
    client.f_Start();
    EXPECT_TRUE(fg_WaitFor([&] { return m_Server.f_IsConnected() && client.f_IsConnected(); }));
}

TEST_F(CAgentPipeTest, TheClientDropsWhatNoServiceMaySendAndStaysConnected)
{
    CRawServer server(m_Name);
    CRecorder clientLog;
    CAgentPipeClient client(clientLog, m_Name.c_str());
    NQuillonTest::CTraceCapture trace;
    client.f_Start();
    ASSERT_TRUE(server.f_WaitConnected());
    // Only the last is valid; the rest of a long message spans several reads.
    const std::vector<std::uint8_t> cases[] = {
        fg_Bytes(gc_ServiceMessages[1], gc_AgentMessageSize + 4),
        fg_Bytes(gc_ServiceMessages[1], gc_AgentMessageSize * 3 + 1),
        fg_Bytes(gc_ServiceMessages[1], gc_AgentMessageSize - 1),
        fg_Bytes(gc_AgentMessages[0]),
        fg_Bytes(gc_ServiceMessages[1]),
    };
    for (const auto& bytes : cases)
        ASSERT_TRUE(server.f_Write(bytes.data(), static_cast<DWORD>(bytes.size())));
    ASSERT_TRUE(fg_WaitFor([&] { return !clientLog.f_GetMessages().empty(); }));
    EXPECT_EQ(clientLog.f_GetMessages(), std::vector<CAgentMessage>{gc_ServiceMessages[1]});
    EXPECT_EQ(clientLog.f_GetConnections(), std::vector<bool>{true});
    EXPECT_TRUE(client.f_IsConnected());
    EXPECT_NE(trace.f_GetText().find("dropped"), std::string::npos);
}

// Under Wine the service shares the session and account of everyone: there the server's
// account stands for SYSTEM, and a pipe another account owns is not the service's.
TEST_F(CAgentPipeTest, TheClientRefusesAPipeTheServiceDoesNotOwn)
{
    CRawServer server(m_Name, "S-1-5-32-545");
    CRecorder clientLog;
    CAgentPipeClient client(clientLog, m_Name.c_str());
    NQuillonTest::CTraceCapture trace;
    client.f_Start();
    ASSERT_TRUE(server.f_WaitConnected());
    EXPECT_TRUE(fg_WaitFor([&] { return trace.f_GetText().find("refused a server") != std::string::npos; }));
    EXPECT_NE(trace.f_GetText().find("S-1-5-32-545"), std::string::npos);
    client.f_Stop();
    EXPECT_TRUE(clientLog.f_GetConnections().empty());
}

TEST_F(CAgentPipeTest, WithoutRetryTheClientEndsWithItsConnection)
{
    CRawServer server(m_Name);
    CRecorder clientLog;
    CAgentPipeClient client(clientLog, m_Name.c_str());
    client.f_SetRetry(false);
    client.f_Start();
    ASSERT_TRUE(server.f_WaitConnected());
    ASSERT_TRUE(fg_WaitFor([&] { return client.f_IsConnected(); }));
    EXPECT_FALSE(client.f_WaitEnded(0));
    DisconnectNamedPipe(server.f_GetHandle());
    EXPECT_TRUE(client.f_WaitEnded(gc_DeadlineMilliseconds));
    EXPECT_EQ(clientLog.f_GetConnections(), (std::vector<bool>{true, false}));
    EXPECT_FALSE(client.f_Send(gc_AgentMessages[0]));
}

TEST_F(CAgentPipeTest, AStopEndsAClientThatWaitsForItsPipeAtOnce)
{
    CRecorder clientLog;
    CAgentPipeClient client(clientLog, m_Name.c_str());
    NQuillonTest::CTraceCapture trace;
    client.f_Start();
    ASSERT_TRUE(fg_WaitFor([&] { return trace.f_GetText().find("cannot connect") != std::string::npos; }));
    const ULONGLONG before = GetTickCount64();
    client.f_Stop();
    EXPECT_LT(GetTickCount64() - before, CAgentPipeClient::mc_RetryMilliseconds / 2);
    EXPECT_TRUE(client.f_WaitEnded(0));
    EXPECT_TRUE(clientLog.f_GetConnections().empty());
}
