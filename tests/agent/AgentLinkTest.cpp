// The service's and the agent's ends of the session agent, joined through the message codec
// as the pipe joins them: window operations run in the agent, lock states come back and decide
// the pair the service writes, the Eject key goes to the service's evaluation.

#include "actions/plugins/KeyboardLocks.h"
#include "actions/plugins/WindowManipulation.h"
#include "agent/ServiceAgentLink.h"
#include "agent/SessionAgentHost.h"
#include "engine/InputState.h"
#include "engine/LaptopKeys.h"
#include "tools/config/ConfigJson.h"

#include "core/VirtualClock.h"
#include "tests/actions/FakeWindowSystem.h"
#include "tests/engine/EngineTestSupport.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>

using namespace NQuillon;
using namespace NQuillonTest;

namespace
{
// One direction of the pipe: each message is encoded and decoded as the receiving end would.
class CWire final : public ICAgentSender
{
public:
    explicit CWire(EAgentSender sender) : m_Sender(sender) {}
    bool f_Send(const CAgentMessage& message) override
    {
        ++m_Sent;
        if (!m_pPeer || !m_bConnected)
            return false;
        const CAgentMessageBytes bytes = gf_EncodeAgentMessage(message);
        if (const auto decoded = gf_DecodeAgentMessage(bytes.data(), bytes.size(), m_Sender))
            m_pPeer->f_OnAgentMessage(*decoded);
        return true;
    }
    EAgentSender m_Sender;
    ICAgentReceiver* m_pPeer = nullptr;
    bool m_bConnected = true;
    int m_Sent = 0;
};

std::optional<bool> g_CapsLockOn;
std::optional<bool> fg_ReadToggle(const CMessageHook&, std::int32_t virtualKey)
{
    return virtualKey == 20 ? g_CapsLockOn : std::nullopt;
}

class AgentLink : public ::testing::Test
{
protected:
    AgentLink()
    {
        m_Service.f_SetSettingsDirectory(m_Directory.c_str());
        m_Service.m_bOwnsInput = true;
        m_ToService.m_pPeer = &m_Link;
        m_ToAgent.m_pPeer = &m_Host;
        CAccelerator_KeyboardLocksManipulation::fs_SetToggleReader(fg_ReadToggle);
        CAccelerator_WindowManipulation::fs_GetGlobal().f_SetWindowSystem(&m_Windows);
        m_Windows.m_WorkAreas = {{0, 0, 1000, 800}};
        m_Windows.m_Windows[7].m_Rect = {0, 0, 200, 100};
        m_Windows.m_Foreground = 7;
    }
    ~AgentLink() override
    {
        CAccelerator_KeyboardLocksManipulation::fs_SetToggleReader(nullptr);
        CAccelerator_WindowManipulation::fs_GetGlobal().f_SetWindowSystem(nullptr);
    }

    // The service's one binding: the trigger generates B.
    void fp_BindToB(const std::string& trigger)
    {
        NQuillonConfigTool::gf_BuildConfiguration(
            nlohmann::json::parse(
                R"({"defaultTable": "Main", "tables": [{"name": "Main", "groups": [{"name": "G",
              "priority": 1, "actions": [{"kind": "Input", "sequences": ["B"], "trigger": ")" +
                trigger + R"("}]}]}]})"),
            m_Service);
    }

    NTev::CVirtualClock m_Clock;
    NTev::CTimeSourceScope m_Scope{m_Clock};
    std::string m_Directory = ::testing::TempDir();
    CRecordLog m_Records;
    CMessageHook m_Service{&m_Records};
    CMessageHook m_Agent;
    CWire m_ToAgent{EAgentSender::Service};
    CWire m_ToService{EAgentSender::Agent};
    CServiceAgentLink m_Link{m_Service, m_ToAgent};
    CSessionAgentHost m_Host{m_Agent, m_ToService};
    CFakeWindowSystem m_Windows;
};
} // namespace

TEST_F(AgentLink, WindowOperationsRunInTheAgentAndCodesWithoutOneStayInTheService)
{
    EXPECT_TRUE(m_Link.f_RunWindowOperation(2)); // Center
#ifndef _WIN32
    // Without desktops the agent's engine runs the job at once (on Windows its input desktop
    // thread does; the service's Wine test covers that).
    EXPECT_EQ(m_Windows.m_Windows[7].m_Rect.m_Left, 400);
    EXPECT_EQ(m_Windows.m_Windows[7].m_Rect.m_Top, 350);
#endif
    const int sent = m_ToAgent.m_Sent;
    EXPECT_FALSE(m_Link.f_RunWindowOperation(10));
    EXPECT_FALSE(m_Link.f_RunWindowOperation(-1));
    EXPECT_EQ(m_ToAgent.m_Sent, sent);
    // No agent: the operation is dropped, not kept for a later one.
    m_ToAgent.m_bConnected = false;
    m_Windows.m_Windows[7].m_Rect = {0, 0, 200, 100};
    EXPECT_FALSE(m_Link.f_RunWindowOperation(1));
    m_ToAgent.m_bConnected = true;
    EXPECT_TRUE(m_Link.f_RunWindowOperation(2));
#ifndef _WIN32
    EXPECT_EQ(m_Windows.m_Windows[7].m_Rect.m_Left, 400);
    EXPECT_EQ(m_Windows.m_Windows[7].m_Rect.m_Right, 600);
#endif
}

TEST_F(AgentLink, TheAgentsLockStateDecidesThePair)
{
    struct
    {
        std::optional<bool> m_AgentSees;
        bool m_bWanted;
        const char* m_Written;
    } const cases[] = {
        {false, true, "kbd 3A make\nkbd 3A break\n"},
        {true, true, ""},
        {true, false, "kbd 3A make\nkbd 3A break\n"},
        {false, false, ""},
        // The agent cannot read it: no answer, nothing written.
        {std::nullopt, true, ""},
    };
    for (const auto& test : cases)
    {
        g_CapsLockOn = test.m_AgentSees;
        m_Records.f_Clear();
        EXPECT_TRUE(m_Link.f_SetLockState(20, 58, test.m_bWanted));
        EXPECT_EQ(m_Records.f_Text(), test.m_Written);
    }
}

TEST_F(AgentLink, LateStrayAndOrphanedAnswersAreDropped)
{
    g_CapsLockOn = false;
    // The agent answers after the question's time ran out.
    m_ToService.m_pPeer = nullptr;
    ASSERT_TRUE(m_Link.f_SetLockState(20, 58, true));
    m_Clock.f_AdvanceSeconds(CServiceAgentLink::mc_AnswerSeconds + 0.1);
    m_Link.f_OnAgentMessage({EAgentMessage::LockState, 20, 1, 0});
    // An answer nobody asked for, and one for another key.
    m_Link.f_OnAgentMessage({EAgentMessage::LockState, 20, 77, 0});
    ASSERT_TRUE(m_Link.f_SetLockState(20, 58, true));
    m_Link.f_OnAgentMessage({EAgentMessage::LockState, 144, 2, 0});
    // The agent went between question and answer.
    ASSERT_TRUE(m_Link.f_SetLockState(20, 58, true));
    m_Link.f_OnAgentConnection(false);
    m_Link.f_OnAgentMessage({EAgentMessage::LockState, 20, 3, 0});
    EXPECT_EQ(m_Records.f_Text(), "");
    // Without an agent the question is not even asked.
    m_ToAgent.m_bConnected = false;
    EXPECT_FALSE(m_Link.f_SetLockState(20, 58, true));
}

TEST_F(AgentLink, TheEjectKeyIsEvaluatedByTheServiceWhileTheAgentIsConnected)
{
    fp_BindToB("KB-100");
    const std::uint8_t reports[] = {0, 1, 0, 0};
    CMessageHook::CRawHidPacket packet;
    packet.m_Type = CMessageHook::CRawHidPacket::mc_TypeHid;
    packet.m_ReportSize = 2;
    packet.m_ReportCount = 2;
    packet.m_pReports = reports;

    m_Host.f_OnAgentConnection(true);
    EXPECT_FALSE(m_Agent.f_OnLaptopKeyReports(packet));
    EXPECT_EQ(m_Records.f_Text(), "kbd 30 make\nkbd 30 break\n");
    // Gone: the agent's own engine has the key again, and the service hears nothing.
    m_Host.f_OnAgentConnection(false);
    m_Records.f_Clear();
    m_Agent.f_OnLaptopKeyReports(packet);
    EXPECT_EQ(m_Records.f_Text(), "");
}

TEST_F(AgentLink, AnAgentLostWhileItsEjectKeyIsDownReleasesIt)
{
    fp_BindToB("KB-100");
    m_Link.f_OnAgentConnection(true);
    m_Link.f_OnAgentMessage({EAgentMessage::EjectKey, 0, 0, 1});
    EXPECT_TRUE(m_Service.f_GetInputState().m_UserKeys[CMessageHook::mc_EjectKeyNumber]);
    m_Link.f_OnAgentConnection(false);
    EXPECT_FALSE(m_Service.f_GetInputState().m_UserKeys[CMessageHook::mc_EjectKeyNumber]);
    EXPECT_EQ(m_Records.f_Text(), "kbd 30 make\nkbd 30 break\n");
    // Only a held key is released.
    m_Records.f_Clear();
    m_Link.f_OnAgentConnection(true);
    m_Link.f_OnAgentConnection(false);
    EXPECT_EQ(m_Records.f_Text(), "");
}

TEST_F(AgentLink, AnUnboundEjectKeyWritesNothing)
{
    fp_BindToB("A");
    m_Link.f_OnAgentConnection(true);
    m_Link.f_OnAgentMessage({EAgentMessage::EjectKey, 0, 0, 1});
    m_Link.f_OnAgentMessage({EAgentMessage::EjectKey, 0, 0, 0});
    EXPECT_EQ(m_Records.f_Text(), "");
}

// The service's state folder is the test's temporary folder; the agent cannot read it.
class AgentLinkReboot : public AgentLink
{
protected:
    AgentLinkReboot()
    {
        fp_Clear();
        m_Service.f_SetStateDirectory(NTev::CStr(m_Directory.c_str()));
        m_ToAgent.m_Sent = 0;
        m_Agent.m_bRefreshPending = false;
    }
    ~AgentLinkReboot() override { fp_Clear(); }
    void fp_Clear()
    {
        std::remove(m_Marker.c_str());
        std::remove((m_Marker + "Told").c_str());
    }
    void fp_WriteMarker() { std::fclose(std::fopen(m_Marker.c_str(), "wb")); }

    std::string m_Marker = m_Directory + "/Rebootneeded";
};

TEST_F(AgentLinkReboot, NoMarkerNoNotice)
{
    m_Link.f_OnAgentConnection(true);
    m_Link.f_OnTurn(0.0, true);
    EXPECT_EQ(m_ToAgent.m_Sent, 0);
}

TEST_F(AgentLinkReboot, AnAgentThatConnectsHearsOfAMarkerOnce)
{
    fp_WriteMarker();
    m_Link.f_OnAgentConnection(true);
    EXPECT_EQ(m_ToAgent.m_Sent, 1);
    EXPECT_TRUE(m_Agent.m_bRefreshPending);
    // Neither the next turn nor the next agent hears of it again; the marker stays.
    m_Link.f_OnTurn(0.0, true);
    m_Link.f_OnAgentConnection(false);
    m_Link.f_OnAgentConnection(true);
    EXPECT_EQ(m_ToAgent.m_Sent, 1);
    std::FILE* marker = std::fopen(m_Marker.c_str(), "rb");
    EXPECT_NE(marker, nullptr);
    if (marker)
        std::fclose(marker);
}

TEST_F(AgentLinkReboot, AMarkerLeftWhileConnectedIsToldOnTheNextTurn)
{
    m_Link.f_OnAgentConnection(true);
    fp_WriteMarker();
    m_Link.f_OnTurn(0.0, true);
    m_Link.f_OnTurn(1.0, true);
    EXPECT_EQ(m_ToAgent.m_Sent, 1);
}

TEST_F(AgentLinkReboot, ANoticeThePipeDidNotTakeIsToldToTheNextAgent)
{
    fp_WriteMarker();
    m_ToAgent.m_bConnected = false;
    m_Link.f_OnAgentConnection(true);
    m_ToAgent.m_bConnected = true;
    m_Link.f_OnAgentConnection(true);
    EXPECT_EQ(m_ToAgent.m_Sent, 2);
    EXPECT_TRUE(m_Agent.m_bRefreshPending);
}

TEST_F(AgentLinkReboot, WithoutAnAgentNothingIsTold)
{
    fp_WriteMarker();
    m_Link.f_OnTurn(0.0, true);
    EXPECT_EQ(m_ToAgent.m_Sent, 0);
}

namespace
{
// The agent's end as a list of the capture orders it got.
class CCaptureOrders final : public ICAgentReceiver
{
public:
    void f_OnAgentMessage(const CAgentMessage& message) override
    {
        if (message.m_Type == EAgentMessage::Capture)
            m_Orders += message.m_Value ? "on " : "off ";
    }
    void f_OnAgentConnection(bool) override {}
    std::string f_Take() { return std::exchange(m_Orders, ""); }
    std::string m_Orders;
};
} // namespace

TEST(AgentCapture, TheAgentCapturesWhileTheServiceHasNoFilterDevice)
{
    CMessageHook service;
    CCaptureOrders agent;
    CWire toAgent{EAgentSender::Service};
    toAgent.m_pPeer = &agent;
    CServiceAgentLink link{service, toAgent};

    // A device not yet open at the start is given a moment.
    link.f_OnTurn(0.0, false);
    link.f_OnAgentConnection(true);
    link.f_OnTurn(0.5, false);
    EXPECT_EQ(agent.f_Take(), "");
    link.f_OnTurn(1.0, false);
    link.f_OnTurn(2.0, false);
    EXPECT_EQ(agent.f_Take(), "on ");
    // The driver came: the service remaps, the agent stops.
    link.f_OnTurn(3.0, true);
    EXPECT_EQ(agent.f_Take(), "off ");
    link.f_OnTurn(4.0, false);
    EXPECT_EQ(agent.f_Take(), "");
    // An order the pipe could not take is given again on the next turn.
    toAgent.m_bConnected = false;
    link.f_OnTurn(5.0, false);
    toAgent.m_bConnected = true;
    EXPECT_EQ(agent.f_Take(), "");
    link.f_OnTurn(6.0, false);
    EXPECT_EQ(agent.f_Take(), "on ");
    // A new agent is told at once.
    link.f_OnAgentConnection(false);
    link.f_OnAgentConnection(true);
    EXPECT_EQ(agent.f_Take(), "on ");
    link.f_OnTurn(7.0, false);
    EXPECT_EQ(agent.f_Take(), "");
}
