#pragma once
// The repeat thread: every 2 ms it runs the engine's repeat tick (key repeat, action repeat,
// queued wheel steps). While nothing can repeat it idles, ticking once a second and without
// the fine timer period, until the engine wakes it. Its waits are clock waits, so a virtual
// clock drives it in tests.

#include "engine/MessageHook.h"

#include <atomic>
#include <cstdint>

namespace NQuillon
{
class CMessageHook::CRepeatThread final : public NTev::NThread::ICThread
{
public:
    static constexpr double mc_TickSeconds = 0.002;
    static constexpr double mc_IdleSeconds = 1.0;

    explicit CRepeatThread(CMessageHook& engine) : m_Engine(engine) {}
    ~CRepeatThread() override { f_Stop(true); }

    // Ends an idle wait at once: something became repeatable. The stop event serves as the
    // wake-up; the run checks for a stop request after every wait.
    void f_Wake() { f_GetStopEvent().f_Signal(); }
    // Ticks run so far (for tests).
    std::uint64_t f_GetTickCount() const noexcept { return m_Ticks.load(std::memory_order_relaxed); }

protected:
    std::uintptr_t f_Run() override;
    void f_OnRunFailed() noexcept override { m_Engine.f_OnEngineThreadFailed(); }

private:
    CMessageHook& m_Engine;
    std::atomic<std::uint64_t> m_Ticks{0};
};
} // namespace NQuillon
