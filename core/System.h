#pragma once
// The process-wide system object: it keeps the library's global state (the clock's start-up
// values and time source, the thread storage, the global event lock) and installs the crash
// filter. It is created during static initialisation (or on an earlier first use) and never
// destroyed, so that objects destroyed at process exit can still use it.

#include "core/Mutual.h"

#include <cstdint>

namespace NTev
{
class CTimeBase;

class CSystem
{
public:
    class CThreadStorageContext;

    static CSystem& fs_Get();

    CTimeBase& f_GetTimeBase() noexcept { return *m_pTimeBase; }
    CThreadStorageContext& f_GetThreadStorage() noexcept { return *m_pThreadStorage; }
    // Taken by every link and unlink of aggregate events.
    CMutual& f_GetEventLock() noexcept { return m_EventLock; }
    // Seconds to add to a universal time for the local time, read at start-up.
    std::int64_t f_GetLocalTimeOffset() const noexcept { return m_LocalTimeOffset; }

private:
    CSystem();
    ~CSystem() = delete;

    CTimeBase* m_pTimeBase;
    CThreadStorageContext* m_pThreadStorage;
    CMutual m_EventLock;
    std::int64_t m_LocalTimeOffset;
};
} // namespace NTev
