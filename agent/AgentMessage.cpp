#include "agent/AgentMessage.h"

#include <cstdio>

namespace NQuillon
{
namespace
{
constexpr std::uint32_t gc_Magic = 0x31474151; // "QAG1"
constexpr std::int32_t gc_VirtualKeyCapital = 20;
constexpr std::int32_t gc_VirtualKeyNumLock = 144;
constexpr std::int32_t gc_VirtualKeyScroll = 145;

void fg_Put(std::uint8_t* out, std::uint32_t value, int bytes) noexcept
{
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t fg_Get(const std::uint8_t* in, int bytes) noexcept
{
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<std::uint32_t>(in[i]) << (8 * i);
    return value;
}

bool fg_IsFlag(std::int32_t value) noexcept
{
    return value == 0 || value == 1;
}

// Whether the fields fit the type; fields a type does not use must be 0.
bool fg_IsValid(const CAgentMessage& message, EAgentSender sender) noexcept
{
    const std::int32_t subject = message.m_Subject;
    const bool fromService = sender == EAgentSender::Service;
    switch (message.m_Type)
    {
        case EAgentMessage::WindowOperation:
            return fromService && subject < gc_AgentWindowOperations && !message.m_Ticket && !message.m_Value;
        case EAgentMessage::LockQuery:
            return fromService && gf_IsLockVirtualKey(subject) && !message.m_Value;
        case EAgentMessage::Notice:
            return fromService && subject == static_cast<std::uint16_t>(EAgentNotice::RebootNeeded) &&
                   !message.m_Ticket && !message.m_Value;
        case EAgentMessage::Capture:
            return fromService && !subject && !message.m_Ticket && fg_IsFlag(message.m_Value);
        case EAgentMessage::LockState:
            return !fromService && gf_IsLockVirtualKey(subject) && fg_IsFlag(message.m_Value);
        case EAgentMessage::EjectKey:
            return !fromService && !subject && !message.m_Ticket && fg_IsFlag(message.m_Value);
    }
    return false;
}
} // namespace

CAgentMessageBytes gf_EncodeAgentMessage(const CAgentMessage& message) noexcept
{
    CAgentMessageBytes bytes{};
    fg_Put(&bytes[0], gc_Magic, 4);
    fg_Put(&bytes[4], static_cast<std::uint16_t>(message.m_Type), 2);
    fg_Put(&bytes[6], message.m_Subject, 2);
    fg_Put(&bytes[8], message.m_Ticket, 4);
    fg_Put(&bytes[12], static_cast<std::uint32_t>(message.m_Value), 4);
    return bytes;
}

std::optional<CAgentMessage> gf_DecodeAgentMessage(const void* data, std::size_t size,
                                                   EAgentSender sender) noexcept
{
    if (!data || size != gc_AgentMessageSize)
        return std::nullopt;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (fg_Get(bytes, 4) != gc_Magic)
        return std::nullopt;
    CAgentMessage message;
    message.m_Type = static_cast<EAgentMessage>(fg_Get(bytes + 4, 2));
    message.m_Subject = static_cast<std::uint16_t>(fg_Get(bytes + 6, 2));
    message.m_Ticket = fg_Get(bytes + 8, 4);
    message.m_Value = static_cast<std::int32_t>(fg_Get(bytes + 12, 4));
    if (!fg_IsValid(message, sender))
        return std::nullopt;
    return message;
}

std::array<char, 64> gf_AgentPipeName(std::uint32_t session) noexcept
{
    std::array<char, 64> name{};
    std::snprintf(name.data(), name.size(), "\\\\.\\pipe\\QuillonSessionAgent.%lu",
                  static_cast<unsigned long>(session));
    return name;
}

bool gf_IsLockVirtualKey(std::int32_t virtualKey) noexcept
{
    return virtualKey == gc_VirtualKeyCapital || virtualKey == gc_VirtualKeyNumLock ||
           virtualKey == gc_VirtualKeyScroll;
}
} // namespace NQuillon
