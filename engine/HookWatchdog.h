#pragma once
// Notices low-level hooks that Windows removed. Windows unhooks, without telling, a hook whose
// procedure once overran its time-out; raw input still sees every key. When keys keep coming
// through raw input while the hook has seen none for a while, the hooks are installed again.
// Time is the engine clock's, in seconds.

namespace NQuillon
{
class CHookWatchdog
{
public:
    // A raw key counts as unseen when the hook saw nothing this long around it: raw input and
    // the hook see the same key within milliseconds, in either order.
    static constexpr double mc_NearSeconds = 0.5;
    // Unseen raw keys over at least this long, and at least mc_UnseenKeys of them, mean the hook
    // is gone.
    static constexpr double mc_GraceSeconds = 1.0;
    static constexpr int mc_UnseenKeys = 2;

    void f_OnHookKey(double now) noexcept
    {
        m_LastHookKey = now;
        m_bHookSeen = true;
        m_Unseen = 0;
    }

    // A key press from a device, seen by raw input. True when the hooks should be installed
    // again; the watchdog then starts afresh.
    bool f_OnRawKey(double now) noexcept
    {
        if (m_bHookSeen && now - m_LastHookKey <= mc_NearSeconds)
        {
            m_Unseen = 0;
            return false;
        }
        if (m_Unseen++ == 0)
            m_FirstUnseen = now;
        if (m_Unseen < mc_UnseenKeys || now - m_FirstUnseen < mc_GraceSeconds)
            return false;
        m_Unseen = 0;
        m_bHookSeen = false;
        return true;
    }

private:
    double m_LastHookKey = 0;
    bool m_bHookSeen = false;
    double m_FirstUnseen = 0;
    int m_Unseen = 0;
};
} // namespace NQuillon
