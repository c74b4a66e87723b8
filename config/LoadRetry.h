#pragma once
// When a settings file that defeated a load is read again. A file may be held open by another
// program (a backup, a virus scanner, an editor) for longer than one load's retries; the engine
// must take it once that program lets go, even though the file itself does not change again.
// So a failed file is tried again after a pause that doubles from one second to a minute, and
// at once when its write time changes.

#include "core/Time.h"

namespace NQuillon
{
class CLoadRetry
{
public:
    static constexpr double mc_FirstPauseSeconds = 1.0;
    static constexpr double mc_LongestPauseSeconds = 60.0;

    // A load of the file with this write time gave up at now (seconds on any monotonic clock).
    void f_OnFailed(double now, const NTev::CTime& writeTime) noexcept;
    void f_OnLoaded() noexcept;
    bool f_IsFailing() const noexcept { return m_bFailing; }
    // Whether a load of the file with this write time is to be tried at now: always after a
    // success or when the file changed since the failure; else once the pause has passed.
    bool f_IsDue(double now, const NTev::CTime& writeTime) const noexcept;
    // Whether a check at now should look at the file although no change was seen.
    bool f_IsRetryDue(double now) const noexcept { return m_bFailing && now >= m_NextTry; }

private:
    bool m_bFailing = false;
    double m_Pause = 0;
    double m_NextTry = 0;
    NTev::CTime m_FailedWriteTime{-1, -1};
};
} // namespace NQuillon
