// The agent pipe's message codec under hostile bytes, from each side: the service decodes what
// a process of the user's session sends, so a message is refused whole or is exactly what it
// says.

#include "tools/fuzz/FuzzTargets.h"

#include "agent/AgentMessage.h"

#include <cstring>

namespace NQuillonFuzz
{
namespace
{
using NQuillon::EAgentSender;

const char* fg_Name(EAgentSender sender)
{
    return sender == EAgentSender::Agent ? "from the agent" : "from the service";
}

// Refused, or 16 bytes that encode back to themselves, decode again to the same message and
// are refused from the other side (no type travels both ways).
void fg_FuzzAgentMessage(const std::uint8_t* data, std::size_t size, EAgentSender sender)
{
    const std::optional<NQuillon::CAgentMessage> message =
        NQuillon::gf_DecodeAgentMessage(data, size, sender);
    if (!message)
        return;
    const std::string origin = fg_Name(sender);
    if (size != NQuillon::gc_AgentMessageSize)
        gf_Fail(origin + ": " + std::to_string(size) + " bytes decode to a message");
    const NQuillon::CAgentMessageBytes bytes = NQuillon::gf_EncodeAgentMessage(*message);
    if (std::memcmp(bytes.data(), data, bytes.size()) != 0)
        gf_Fail(origin + ": the message decoded encodes to other bytes");
    if (NQuillon::gf_DecodeAgentMessage(bytes.data(), bytes.size(), sender) != message)
        gf_Fail(origin + ": the message encoded decodes to another");
    const EAgentSender other = sender == EAgentSender::Agent ? EAgentSender::Service : EAgentSender::Agent;
    if (NQuillon::gf_DecodeAgentMessage(data, size, other))
        gf_Fail(origin + ": the message is accepted " + fg_Name(other) + " too");
}
} // namespace

void gf_FuzzAgentMessageFromAgent(const std::uint8_t* data, std::size_t size)
{
    fg_FuzzAgentMessage(data, size, EAgentSender::Agent);
}

void gf_FuzzAgentMessageFromService(const std::uint8_t* data, std::size_t size)
{
    fg_FuzzAgentMessage(data, size, EAgentSender::Service);
}
} // namespace NQuillonFuzz
