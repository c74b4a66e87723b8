#pragma once
// The clock's state: the wall time and counter at start-up, the time scale and the installed
// time source. The system object keeps the process's one; tests build their own over a
// virtual clock. Readers never block: a sequence count lets them retry while the scale or the
// source changes.

#include "core/Clock.h"
#include "core/Mutual.h"
#include "core/Time.h"

#include <atomic>
#include <cstdint>

namespace NTev
{
class CTimeBase
{
public:
    // The clock starts at wallStart and counts in ticks of source's frequency.
    CTimeBase(ICTimeSource& source, CTime wallStart);
    CTimeBase(const CTimeBase&) = delete;
    CTimeBase& operator=(const CTimeBase&) = delete;

    CTime f_GetTime();
    std::uint64_t f_GetCounter();
    std::uint64_t f_GetFrequency() const noexcept { return m_Frequency; }

    double f_GetTimeScale() const noexcept;
    void f_SetTimeScale(double scale);
    std::uint32_t f_ToMilliseconds(double clockSeconds) const noexcept;
    bool f_WaitEvent(CEventAutoResetAggregate& event, double clockSeconds);

    ICTimeSource& f_GetSource() const noexcept;
    // Returns the source installed before.
    ICTimeSource& f_SetSource(ICTimeSource& source);

private:
    struct CParams
    {
        ICTimeSource* m_pSource;
        std::uint64_t m_SourceOrigin;
        std::uint64_t m_SourceFrequency;
        std::uint64_t m_ClockOrigin;
        double m_Scale;
    };
    CParams fp_ReadParams() const noexcept;
    // The counter for a source reading under params.
    std::uint64_t fp_Counter(const CParams& params, std::uint64_t sourceCounter) const noexcept;
    // Counter and parameters read together.
    std::uint64_t fp_ReadCounter(CParams& params) const noexcept;
    void fp_Rebase(ICTimeSource& source, double scale);

    const CTime m_WallStart;
    const std::uint64_t m_Frequency;
    const std::uint64_t m_CounterStart;

    CMutual m_WriteLock;
    // Odd while a writer changes the fields below.
    std::atomic<std::uint64_t> m_Sequence{0};
    std::atomic<ICTimeSource*> m_pSource;
    std::atomic<std::uint64_t> m_SourceOrigin;
    std::atomic<std::uint64_t> m_SourceFrequency;
    std::atomic<std::uint64_t> m_ClockOrigin;
    std::atomic<double> m_Scale{1.0};
};
} // namespace NTev
