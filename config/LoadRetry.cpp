#include "config/LoadRetry.h"

namespace NQuillon
{
void CLoadRetry::f_OnFailed(double now, const NTev::CTime& writeTime) noexcept
{
    // Another failure of the same file waits longer; a new file starts with the short pause.
    if (!m_bFailing || writeTime != m_FailedWriteTime)
        m_Pause = mc_FirstPauseSeconds;
    else
        m_Pause = m_Pause * 2 < mc_LongestPauseSeconds ? m_Pause * 2 : mc_LongestPauseSeconds;
    m_bFailing = true;
    m_FailedWriteTime = writeTime;
    m_NextTry = now + m_Pause;
}

void CLoadRetry::f_OnLoaded() noexcept
{
    m_bFailing = false;
    m_Pause = 0;
    m_NextTry = 0;
}

bool CLoadRetry::f_IsDue(double now, const NTev::CTime& writeTime) const noexcept
{
    return !m_bFailing || writeTime != m_FailedWriteTime || now >= m_NextTry;
}
} // namespace NQuillon
