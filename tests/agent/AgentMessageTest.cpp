// The agent messages: every valid message survives the trip, and every byte string that is not
// a valid message from its sender is refused, whatever it holds.

#include "agent/AgentMessage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <random>
#include <vector>

using namespace NQuillon;

namespace
{
struct CCase
{
    EAgentSender m_Sender;
    CAgentMessage m_Message;
};

const std::vector<CCase> gc_Valid = {
    {EAgentSender::Service, {EAgentMessage::WindowOperation, 0, 0, 0}},
    {EAgentSender::Service, {EAgentMessage::WindowOperation, 9, 0, 0}},
    {EAgentSender::Service, {EAgentMessage::LockQuery, 20, 0xFFFFFFFF, 0}},
    {EAgentSender::Service, {EAgentMessage::LockQuery, 145, 7, 0}},
    {EAgentSender::Service, {EAgentMessage::Notice, 1, 0, 0}},
    {EAgentSender::Service, {EAgentMessage::Capture, 0, 0, 1}},
    {EAgentSender::Service, {EAgentMessage::Capture, 0, 0, 0}},
    {EAgentSender::Agent, {EAgentMessage::LockState, 144, 7, 1}},
    {EAgentSender::Agent, {EAgentMessage::LockState, 20, 8, 0}},
    {EAgentSender::Agent, {EAgentMessage::EjectKey, 0, 0, 1}},
    {EAgentSender::Agent, {EAgentMessage::EjectKey, 0, 0, 0}},
};

EAgentSender fg_Other(EAgentSender sender)
{
    return sender == EAgentSender::Service ? EAgentSender::Agent : EAgentSender::Service;
}
} // namespace

TEST(AgentMessage, ValidMessagesRoundTripAndOnlyFromTheirSender)
{
    for (const CCase& test : gc_Valid)
    {
        const CAgentMessageBytes bytes = gf_EncodeAgentMessage(test.m_Message);
        const auto decoded = gf_DecodeAgentMessage(bytes.data(), bytes.size(), test.m_Sender);
        ASSERT_TRUE(decoded) << static_cast<int>(test.m_Message.m_Type);
        EXPECT_EQ(*decoded, test.m_Message);
        EXPECT_FALSE(gf_DecodeAgentMessage(bytes.data(), bytes.size(), fg_Other(test.m_Sender)));
    }
}

TEST(AgentMessage, TheLayoutIsFixedLittleEndian)
{
    const CAgentMessageBytes bytes = gf_EncodeAgentMessage({EAgentMessage::LockState, 144, 0x01020304, 1});
    const std::uint8_t expected[] = {'Q', 'A', 'G', '1', 16, 0, 144, 0, 4, 3, 2, 1, 1, 0, 0, 0};
    EXPECT_EQ(std::memcmp(bytes.data(), expected, sizeof expected), 0);
}

TEST(AgentMessage, FieldsOutOfRangeOrUnusedButSetAreRefused)
{
    const CCase invalid[] = {
        {EAgentSender::Service, {EAgentMessage::WindowOperation, 10, 0, 0}},
        {EAgentSender::Service, {EAgentMessage::WindowOperation, 0xFFFF, 0, 0}},
        {EAgentSender::Service, {EAgentMessage::WindowOperation, 1, 1, 0}},
        {EAgentSender::Service, {EAgentMessage::WindowOperation, 1, 0, -1}},
        {EAgentSender::Service, {EAgentMessage::LockQuery, 21, 1, 0}},
        {EAgentSender::Service, {EAgentMessage::LockQuery, 20, 1, 1}},
        {EAgentSender::Service, {EAgentMessage::Notice, 0, 0, 0}},
        {EAgentSender::Service, {EAgentMessage::Notice, 2, 0, 0}},
        {EAgentSender::Service, {EAgentMessage::Capture, 0, 0, 2}},
        {EAgentSender::Service, {EAgentMessage::Capture, 1, 0, 1}},
        {EAgentSender::Service, {EAgentMessage::Capture, 0, 5, 1}},
        {EAgentSender::Agent, {EAgentMessage::Capture, 0, 0, 1}},
        {EAgentSender::Agent, {EAgentMessage::LockState, 20, 1, 2}},
        {EAgentSender::Agent, {EAgentMessage::LockState, 0, 1, 1}},
        {EAgentSender::Agent, {EAgentMessage::EjectKey, 0, 0, 2}},
        {EAgentSender::Agent, {EAgentMessage::EjectKey, 100, 0, 1}},
        {EAgentSender::Agent, {static_cast<EAgentMessage>(0), 0, 0, 0}},
        {EAgentSender::Agent, {static_cast<EAgentMessage>(18), 0, 0, 0}},
    };
    for (const CCase& test : invalid)
    {
        const CAgentMessageBytes bytes = gf_EncodeAgentMessage(test.m_Message);
        EXPECT_FALSE(gf_DecodeAgentMessage(bytes.data(), bytes.size(), test.m_Sender))
            << static_cast<int>(test.m_Message.m_Type) << " " << test.m_Message.m_Subject;
    }
}

TEST(AgentMessage, HostileBytesAreRefused)
{
    const CAgentMessageBytes valid = gf_EncodeAgentMessage({EAgentMessage::EjectKey, 0, 0, 1});
    // Wrong sizes, a short read and a long one, and no data at all.
    EXPECT_FALSE(gf_DecodeAgentMessage(nullptr, 16, EAgentSender::Agent));
    EXPECT_FALSE(gf_DecodeAgentMessage(valid.data(), 15, EAgentSender::Agent));
    std::uint8_t longer[17] = {};
    std::memcpy(longer, valid.data(), valid.size());
    EXPECT_FALSE(gf_DecodeAgentMessage(longer, sizeof longer, EAgentSender::Agent));
    // Every single-bit flip of the magic or of the type's high byte.
    for (int bit = 0; bit < 48; ++bit)
    {
        if (bit >= 32 && bit < 40)
            continue;
        CAgentMessageBytes flipped = valid;
        flipped[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
        EXPECT_FALSE(gf_DecodeAgentMessage(flipped.data(), flipped.size(), EAgentSender::Agent)) << bit;
    }
    // Random fields near the valid ranges: what is taken encodes back to the same bytes.
    std::mt19937 random(12345);
    const std::uint16_t subjects[] = {0, 1, 9, 10, 19, 20, 144, 145, 146, 0xFFFF};
    const std::int32_t values[] = {-1, 0, 1, 2};
    int accepted = 0;
    for (int i = 0; i < 20000; ++i)
    {
        CAgentMessageBytes bytes = gf_EncodeAgentMessage(
            {static_cast<EAgentMessage>(random() % 20), subjects[random() % std::size(subjects)],
             static_cast<std::uint32_t>(random() % 3), values[random() % std::size(values)]});
        for (EAgentSender sender : {EAgentSender::Service, EAgentSender::Agent})
            if (const auto decoded = gf_DecodeAgentMessage(bytes.data(), bytes.size(), sender))
            {
                ++accepted;
                EXPECT_EQ(gf_EncodeAgentMessage(*decoded), bytes);
            }
    }
    EXPECT_GT(accepted, 0);
}

TEST(AgentMessage, PipeNamesAreScopedToTheSession)
{
    EXPECT_STREQ(gf_AgentPipeName(1).data(), "\\\\.\\pipe\\QuillonSessionAgent.1");
    EXPECT_STREQ(gf_AgentPipeName(4294967295u).data(), "\\\\.\\pipe\\QuillonSessionAgent.4294967295");
}
