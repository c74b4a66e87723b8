#pragma once
// The messages between the service and its session agent, the process in the interactive
// user's session that does the service's desktop work. Every message is 16 bytes, little
// endian:
//
//   0  u32  magic "QAG1"
//   4  u16  type
//   6  u16  subject   (operation code, virtual key, notice; 0 where the type has none)
//   8  u32  ticket    (pairs a lock answer with its question; 0 elsewhere)
//  12  i32  value     (key down 1 / up 0, lock on 1 / off 0, capture on 1 / off 0; 0 elsewhere)
//
// The pipe between the two admits only SYSTEM and the session's user, but each side still
// trusts nothing it receives: a message of another size, with a type that does not travel in
// its direction, a subject out of range or a field its type does not use is refused whole.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace NQuillon
{
enum class EAgentMessage : std::uint16_t
{
    // Service to agent.
    WindowOperation = 1, // subject: window operation code, 0 to 9
    LockQuery = 2,       // subject: virtual key of Caps, Num or Scroll Lock; ticket
    Notice = 3,          // subject: EAgentNotice
    Capture = 4,         // value: 1 the agent captures the session's input with the low-level
                         // hooks (the service has no filter driver), 0 it stops
                         // Agent to service.
    LockState = 16,      // subject: the virtual key asked for; ticket of the question; value 1 on, 0 off
    EjectKey = 17,       // value: 1 press, 0 release of the laptop's Eject key
};

// Window operation codes 0 to 9 travel; other stored codes have no operation.
constexpr std::int32_t gc_AgentWindowOperations = 10;

enum class EAgentNotice : std::uint16_t
{
    // The filter driver waits for a restart of the machine: the agent tells the user.
    RebootNeeded = 1,
};

// Who sent a message; each side accepts only the other side's types.
enum class EAgentSender
{
    Service,
    Agent,
};

struct CAgentMessage
{
    EAgentMessage m_Type = EAgentMessage::WindowOperation;
    std::uint16_t m_Subject = 0;
    std::uint32_t m_Ticket = 0;
    std::int32_t m_Value = 0;

    bool operator==(const CAgentMessage&) const = default;
};

constexpr std::size_t gc_AgentMessageSize = 16;
using CAgentMessageBytes = std::array<std::uint8_t, gc_AgentMessageSize>;

CAgentMessageBytes gf_EncodeAgentMessage(const CAgentMessage& message) noexcept;
// The message, or nothing when the bytes are not a valid message from that sender.
std::optional<CAgentMessage> gf_DecodeAgentMessage(const void* data, std::size_t size,
                                                   EAgentSender sender) noexcept;

// The name of the agent pipe of a session: "\\.\pipe\QuillonSessionAgent.<session>". Each
// session has its own, so an agent only ever finds the pipe of its own session.
std::array<char, 64> gf_AgentPipeName(std::uint32_t session) noexcept;

// The lock keys an agent may be asked about.
bool gf_IsLockVirtualKey(std::int32_t virtualKey) noexcept;
} // namespace NQuillon
