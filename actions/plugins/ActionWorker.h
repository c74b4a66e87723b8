#pragma once
// A process-wide worker of the actions that do slow device work: the action only queues an
// operation code (on the engine's evaluation or repeat thread, under the engine lock) and the
// worker's thread runs it. The thread starts on first use and is stopped and joined by
// f_Shutdown, which the owner calls in its destructor: a request that arrives during or after
// the shutdown is dropped, and codes still queued then are discarded, never run on an object
// being destroyed.

#include "core/Mutual.h"
#include "core/Thread.h"

#include <atomic>
#include <cstdint>
#include <deque>

namespace NQuillon
{
class CActionWorker : public NTev::NThread::ICThread
{
public:
    // onlyWhenEmpty: a code is taken only while nothing waits, so that a held key's repeats
    // never pile up work.
    explicit CActionWorker(bool onlyWhenEmpty) noexcept : m_bOnlyWhenEmpty(onlyWhenEmpty) {}
    ~CActionWorker() override { f_Shutdown(); }

    // Queues the code and wakes the thread, starting it if it does not run. False when the
    // code was dropped (queue busy, shut down, or the thread cannot start).
    bool f_Queue(std::int32_t code);
    // Stops the thread, waits for it and refuses every later request.
    void f_Shutdown() noexcept;
    // Operations run to their end so far.
    std::uint64_t f_GetCompletedCount() const noexcept { return m_Completed.load(); }

protected:
    // Runs on the worker thread.
    virtual void f_RunOperation(std::int32_t code) = 0;
    std::uintptr_t f_Run() override;

private:
    NTev::CMutual m_QueueLock;
    std::deque<std::int32_t> m_Queue;
    const bool m_bOnlyWhenEmpty;
    bool m_bShutDown = false;
    std::atomic<std::uint64_t> m_Completed{0};
};
} // namespace NQuillon
