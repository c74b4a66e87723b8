#pragma once
// The repeat thread: every 2 ms it runs the engine's repeat tick (key repeat, action repeat,
// queued wheel steps). Its waits are clock waits, so a virtual clock drives it in tests.

#include "engine/MessageHook.h"

namespace NQuillon
{
class CMessageHook::CRepeatThread final : public NTev::NThread::ICThread
{
public:
    static constexpr double mc_TickSeconds = 0.002;

    explicit CRepeatThread(CMessageHook& engine) : m_Engine(engine) {}
    ~CRepeatThread() override { f_Stop(true); }

protected:
    std::uintptr_t f_Run() override;
    void f_OnRunFailed() noexcept override { m_Engine.f_OnEngineThreadFailed(); }

private:
    CMessageHook& m_Engine;
};
} // namespace NQuillon
