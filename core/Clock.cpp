#include "core/Clock.h"

#include "core/EventAggregate.h"
#include "core/SysClock.h"
#include "core/System.h"
#include "core/TimeBase.h"

#include <cmath>

namespace NTev
{
namespace
{
class CRealTimeSource final : public ICTimeSource
{
public:
    std::uint64_t f_GetCounter() noexcept override { return NSys::gf_Clock_GetCounter(); }
    std::uint64_t f_GetFrequency() const noexcept override { return NSys::gf_Clock_GetFrequency(); }
    bool f_WaitEvent(CEventAutoResetAggregate& event, double seconds) override
    {
        double milliseconds = seconds * 1000.0;
        if (!(milliseconds > 0))
            return event.f_WaitMilliseconds(0);
        if (milliseconds >= 4294967294.0)
            return event.f_WaitMilliseconds(0xFFFFFFFE);
        return event.f_WaitMilliseconds(static_cast<std::uint32_t>(std::llround(milliseconds)));
    }
};

CTimeBase& fg_TimeBase()
{
    return CSystem::fs_Get().f_GetTimeBase();
}
} // namespace

ICTimeSource& gf_GetRealTimeSource()
{
    static CRealTimeSource s_Source;
    return s_Source;
}

CTime gf_GetTime()
{
    return fg_TimeBase().f_GetTime();
}

std::uint64_t gf_GetCounter()
{
    return fg_TimeBase().f_GetCounter();
}

std::uint64_t gf_GetCounterFrequency()
{
    return fg_TimeBase().f_GetFrequency();
}

double gf_GetTimeScale()
{
    return fg_TimeBase().f_GetTimeScale();
}

void gf_SetTimeScale(double scale)
{
    fg_TimeBase().f_SetTimeScale(scale);
}

std::uint32_t gf_ClockSecondsToMilliseconds(double seconds)
{
    return fg_TimeBase().f_ToMilliseconds(seconds);
}

std::int64_t gf_GetLocalTimeOffset()
{
    return CSystem::fs_Get().f_GetLocalTimeOffset();
}

ICTimeSource* gf_SetTimeSource(ICTimeSource* source)
{
    return &fg_TimeBase().f_SetSource(source ? *source : gf_GetRealTimeSource());
}
} // namespace NTev
