#pragma once
// The record channel of an engine that captures input with the low-level hooks instead of the
// filter driver. The hook thread hands every event to f_OnKeyEvent or f_OnMouseEvent, which
// evaluate it at once and answer whether the hook swallows it; what the engine writes is
// injected by the hook thread alone, in the order written, so that a key passed later never
// overtakes an earlier output.
//
// - An event whose whole output is its own record again (a key that nothing remaps, passed on
//   as a counted press) passes as it came: no injection, and applications see the keyboard's
//   own event.
// - Writes from other threads (the repeat thread, a table switch, a release-all) are queued;
//   the injector is asked to drain them on the hook thread.
// - The engine lock is only tried for a bounded time: Windows removes a hook whose procedure
//   overruns its time-out, so an event that finds the engine busy for longer passes untouched.
// - An engine that does not own input (a tray recording keys) swallows only the events of a
//   recording and passes all others.

#include "engine/HookInput.h"
#include "engine/MessageHook.h"
#include "engine/RecordChannel.h"

#include "core/Mutual.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace NQuillon
{
// Where the channel's injections go: SendInput on Windows, a log in tests.
class ICInputInjector
{
public:
    // On the injecting thread.
    virtual void f_Inject(const CInjection* injections, std::size_t count) = 0;
    // From any thread: records wait; have the injecting thread call f_Drain soon.
    virtual void f_RequestDrain() noexcept = 0;

protected:
    ~ICInputInjector() = default;
};

class CHookChannel final : public ICRecordChannel
{
public:
    // Tries of the engine lock, about a millisecond apart, before an event passes untouched.
    static constexpr int mc_DefaultLockTries = 100;

    CHookChannel(CMessageHook& engine, ICInputInjector& injector) noexcept
        : m_Engine(engine), m_Injector(injector)
    {
    }

    // The thread that hooks and injects; set before the first event.
    void f_SetInjectingThread(std::uint32_t threadId) noexcept { m_InjectingThread = threadId; }
    void f_SetLockTries(int tries) noexcept { m_LockTries = tries; }

    // On the injecting thread: true when the hook swallows the event.
    bool f_OnKeyEvent(const CHookKeyEvent& event);
    bool f_OnMouseEvent(const CHookMouseEvent& event);
    // On the injecting thread: injects what waits.
    void f_Drain();

    // Input went where the hooks do not see it (lock screen, secure desktop, sleep): the
    // engine lets go of everything, and the keys its output held are kept in mind.
    void f_OnInputSuspended();
    // Input is back: the keys noted at the suspension that the system still counts as down
    // (their release was lost) get a release. isDown answers for a key number.
    template <typename t_FIsDown>
    void f_OnInputResumed(t_FIsDown isDown)
    {
        std::vector<std::int32_t> stuck;
        for (std::int32_t key : m_HeldAtSuspension)
            if (isDown(key))
                stuck.push_back(key);
        m_HeldAtSuspension.clear();
        fp_InjectReleases(stuck);
    }

    // Events that passed untouched because the engine lock stayed busy.
    std::uint64_t f_GetBusyPassCount() const noexcept { return m_BusyPasses.load(); }

    void f_WriteKeyboardRecord(const KEYBOARD_INPUT_DATA& data) override;
    void f_WriteMouseRecord(const MOUSE_INPUT_DATA& data) override;

private:
    bool fp_Evaluate(const CDriverRecord& record);
    bool fp_TryLockEngine();
    void fp_Queue(const CDriverRecord& record);
    void fp_InjectReleases(const std::vector<std::int32_t>& keys);

    CMessageHook& m_Engine;
    ICInputInjector& m_Injector;
    int m_LockTries = mc_DefaultLockTries;
    std::uint32_t m_InjectingThread = 0;
    NTev::CMutual m_QueueLock;
    // Guarded by m_QueueLock.
    std::vector<CDriverRecord> m_Queue;
    // The injecting thread's own.
    std::vector<CDriverRecord> m_Draining;
    std::vector<CInjection> m_Injections;
    bool m_bDraining = false;
    std::atomic<bool> m_bDrainRequested{false};
    std::atomic<std::uint64_t> m_BusyPasses{0};
    std::vector<std::int32_t> m_HeldAtSuspension;
};
} // namespace NQuillon
