#pragma once
// The thread of one end of the agent pipe: it runs a function of its owner, which watches
// f_IsStopRequested after every wake. The owner stops it before it goes.

#include "core/Thread.h"

#include <functional>
#include <utility>

namespace NQuillon
{
class CAgentPipeThread final : public NTev::NThread::ICThread
{
public:
    explicit CAgentPipeThread(std::function<void()> run) : m_Run(std::move(run)) {}
    ~CAgentPipeThread() override { f_Stop(true); }

protected:
    std::uintptr_t f_Run() override
    {
        m_Run();
        return 0;
    }

private:
    std::function<void()> m_Run;
};
} // namespace NQuillon
