#include "core/TimeBase.h"

#include "core/Exception.h"

#include <cmath>

namespace NTev
{
CTimeBase::CTimeBase(ICTimeSource& source, CTime wallStart)
    : m_WallStart(wallStart), m_Frequency(source.f_GetFrequency()), m_CounterStart(source.f_GetCounter()),
      m_pSource(&source), m_SourceOrigin(m_CounterStart), m_SourceFrequency(m_Frequency),
      m_ClockOrigin(m_CounterStart)
{
}

CTimeBase::CParams CTimeBase::fp_ReadParams() const noexcept
{
    // Acquire loads keep the second sequence read after the fields.
    CParams params;
    params.m_pSource = m_pSource.load(std::memory_order_acquire);
    params.m_SourceOrigin = m_SourceOrigin.load(std::memory_order_acquire);
    params.m_SourceFrequency = m_SourceFrequency.load(std::memory_order_acquire);
    params.m_ClockOrigin = m_ClockOrigin.load(std::memory_order_acquire);
    params.m_Scale = m_Scale.load(std::memory_order_acquire);
    return params;
}

std::uint64_t CTimeBase::fp_ReadCounter(CParams& params) const noexcept
{
    for (;;)
    {
        std::uint64_t sequence = m_Sequence.load(std::memory_order_acquire);
        if (sequence & 1)
            continue;
        params = fp_ReadParams();
        std::uint64_t sourceCounter = params.m_pSource->f_GetCounter();
        if (m_Sequence.load(std::memory_order_acquire) == sequence)
            return fp_Counter(params, sourceCounter);
    }
}

std::uint64_t CTimeBase::fp_Counter(const CParams& params, std::uint64_t sourceCounter) const noexcept
{
    std::uint64_t elapsed = sourceCounter > params.m_SourceOrigin ? sourceCounter - params.m_SourceOrigin : 0;
    if (params.m_SourceFrequency != m_Frequency && params.m_SourceFrequency != 0)
        elapsed = elapsed / params.m_SourceFrequency * m_Frequency +
                  gf_MulDivBelow(elapsed % params.m_SourceFrequency, m_Frequency, params.m_SourceFrequency);
    if (params.m_Scale != 1.0)
        elapsed = static_cast<std::uint64_t>(static_cast<double>(elapsed) * params.m_Scale);
    return params.m_ClockOrigin + elapsed;
}

std::uint64_t CTimeBase::f_GetCounter()
{
    CParams params;
    return fp_ReadCounter(params);
}

CTime CTimeBase::f_GetTime()
{
    return m_WallStart + CTime::fs_FromTicks(f_GetCounter() - m_CounterStart, m_Frequency);
}

double CTimeBase::f_GetTimeScale() const noexcept
{
    return m_Scale.load(std::memory_order_acquire);
}

void CTimeBase::f_SetTimeScale(double scale)
{
    if (!(scale > 0) || !std::isfinite(scale))
        TEV_THROW(NException::CException, "NTev::CTimeBase::f_SetTimeScale",
                  "The time scale must be a positive number");
    TCMutualLock lock(m_WriteLock);
    fp_Rebase(*m_pSource.load(std::memory_order_relaxed), scale);
}

ICTimeSource& CTimeBase::f_GetSource() const noexcept
{
    return *m_pSource.load(std::memory_order_acquire);
}

ICTimeSource& CTimeBase::f_SetSource(ICTimeSource& source)
{
    TCMutualLock lock(m_WriteLock);
    ICTimeSource& previous = *m_pSource.load(std::memory_order_relaxed);
    fp_Rebase(source, m_Scale.load(std::memory_order_relaxed));
    return previous;
}

void CTimeBase::fp_Rebase(ICTimeSource& source, double scale)
{
    // The clock continues from where it is: the new origin is the counter read now, after the
    // sequence turned odd, so no reader can have seen a later value under the old parameters.
    std::uint64_t sequence = m_Sequence.load(std::memory_order_relaxed);
    m_Sequence.store(sequence + 1, std::memory_order_relaxed);
    CParams old = fp_ReadParams();
    std::uint64_t now = fp_Counter(old, old.m_pSource->f_GetCounter());
    m_pSource.store(&source, std::memory_order_release);
    m_SourceOrigin.store(source.f_GetCounter(), std::memory_order_release);
    m_SourceFrequency.store(source.f_GetFrequency(), std::memory_order_release);
    m_ClockOrigin.store(now, std::memory_order_release);
    m_Scale.store(scale, std::memory_order_release);
    m_Sequence.store(sequence + 2, std::memory_order_release);
}

std::uint32_t CTimeBase::f_ToMilliseconds(double clockSeconds) const noexcept
{
    double milliseconds = clockSeconds * 1000.0 / f_GetTimeScale();
    if (!(milliseconds > 0))
        return 0;
    if (milliseconds >= 4294967294.0)
        return 0xFFFFFFFE;
    return static_cast<std::uint32_t>(std::llround(milliseconds));
}

bool CTimeBase::f_WaitEvent(CEventAutoResetAggregate& event, double clockSeconds)
{
    CParams params;
    for (;;)
    {
        std::uint64_t sequence = m_Sequence.load(std::memory_order_acquire);
        if (sequence & 1)
            continue;
        params = fp_ReadParams();
        if (m_Sequence.load(std::memory_order_acquire) == sequence)
            break;
    }
    return params.m_pSource->f_WaitEvent(event, clockSeconds / params.m_Scale);
}
} // namespace NTev
