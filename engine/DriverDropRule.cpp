#include "engine/DriverDropRule.h"

namespace NQuillon
{
void CDriverDropRule::f_OnOpened() noexcept
{
    m_bSizeAnswered = false;
    m_bWriteDropped = false;
    m_ReadFailures = 0;
}

bool CDriverDropRule::f_OnSize(std::uint32_t size) noexcept
{
    if (size == mc_SizeDropped)
        return true;
    if (size == mc_SizeInvalid)
        return m_bSizeAnswered;
    m_bSizeAnswered = true;
    return false;
}

bool CDriverDropRule::f_OnReadFailed(bool otherEndGone) noexcept
{
    return otherEndGone || ++m_ReadFailures >= mc_ReadFailuresForDrop;
}

bool CDriverDropRule::f_OnWriteFailed(bool otherEndGone) noexcept
{
    if (otherEndGone)
        m_bWriteDropped = true;
    return otherEndGone;
}
} // namespace NQuillon
