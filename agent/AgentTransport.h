#pragma once
// The agent pipe as the logic on either end sees it: messages in through a receiver, out
// through a sender that never blocks. The Windows pipe implements both ends
// (agent/win32); tests connect the two ends directly.

#include "agent/AgentMessage.h"

namespace NQuillon
{
class ICAgentReceiver
{
public:
    // On the transport's thread, one at a time, in the order received.
    virtual void f_OnAgentMessage(const CAgentMessage& message) = 0;
    // A peer connected (true) or went away (false).
    virtual void f_OnAgentConnection(bool connected) = 0;

protected:
    ~ICAgentReceiver() = default;
};

class ICAgentSender
{
public:
    // Sends without waiting for the peer: false when there is none or it does not keep up,
    // and the message is then dropped.
    virtual bool f_Send(const CAgentMessage& message) = 0;

protected:
    ~ICAgentSender() = default;
};
} // namespace NQuillon
