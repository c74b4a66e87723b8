// Mouse movement and wheel acceleration.

#include "engine/InputState.h"

#include "config/Configuration.h"
#include "config/Settings.h"

#include <algorithm>
#include <cmath>

namespace NQuillon
{
namespace
{
constexpr double mc_MaxMovement = 6000;
constexpr double mc_RingWindow = 0.1;
constexpr double mc_MinRingSpan = 0.05;
// One notch never adds more steps than one wheel record carries.
constexpr double mc_MaxStepsPerNotch = 32767.0 / 120.0;
// Queued steps drain one per delay period; the queue holds no more than drains in this time,
// so that scrolling stops soon after the wheel does.
constexpr double mc_MaxQueuedSeconds = 1.0;

using CWheelRing = CMessageHook::CInputState::CWheelRing;

void fg_ClearRing(CWheelRing& ring)
{
    ring = CWheelRing();
}

// Adds a sample and gives the wheel speed in steps per second over the last 0.1 s.
double fg_AddAndMeasure(CWheelRing& ring, double time, double steps)
{
    ring.m_Samples[static_cast<std::size_t>(ring.m_Index)] = {time, steps};
    ring.m_Index = (ring.m_Index + 1) % CMessageHook::CInputState::mc_WheelRingSize;

    int count = 0;
    double sum = 0;
    double latest = 0;
    double earliest = 0;
    double earliestSteps = 0;
    for (const auto& sample : ring.m_Samples)
    {
        // Slots never written (time 0) are not samples: near the engine's start they would
        // otherwise fall inside the window and halve the measured speed.
        if (sample.m_Time == 0 || sample.m_Time < time - mc_RingWindow)
            continue;
        ++count;
        sum += sample.m_Steps;
        if (count == 1 || sample.m_Time > latest)
            latest = sample.m_Time;
        if (count == 1 || sample.m_Time < earliest)
        {
            earliest = sample.m_Time;
            earliestSteps = sample.m_Steps;
        }
    }
    if (count < 2 || latest == earliest)
        return 0;
    return (sum - earliestSteps) / std::max(latest - earliest, mc_MinRingSpan);
}
} // namespace

bool CMessageHook::f_OnMouseMove(const MOUSE_INPUT_DATA& data)
{
    CLockGuard lock(m_Lock);
    return fp_OnMouseMove(data);
}

bool CMessageHook::fp_OnMouseMove(const MOUSE_INPUT_DATA& data)
{
    if (!m_bOwnsInput || m_pConfiguration->m_bRemappingDisabled)
        return false;
    MOUSE_INPUT_DATA moved = data;
    moved.ButtonFlags = 0;
    moved.ButtonData = 0;
    const double exponent = m_pSettingValues->f_MouseAcceleration();
    if (!(moved.Flags & MOUSE_MOVE_ABSOLUTE) && exponent != 1.0)
    {
        const double x = moved.LastX;
        const double y = moved.LastY;
        const double length = std::sqrt(x * x + y * y);
        if (length > 0)
        {
            double scaled = std::pow(length, exponent);
            if (!(scaled < mc_MaxMovement))
                scaled = mc_MaxMovement;
            moved.LastX = static_cast<std::int32_t>(std::trunc(scaled * x / length));
            moved.LastY = static_cast<std::int32_t>(std::trunc(scaled * y / length));
        }
    }
    f_WriteMouseRecord(moved);
    return true;
}

bool CMessageHook::fp_ContinueWheel(std::int16_t delta)
{
    if (!m_bOwnsInput)
        return false;
    const CSettingValues& settings = *m_pSettingValues;
    const double exponent = settings.f_WheelAcceleration();
    if (exponent == 1.0)
    {
        f_SendWheel(delta);
        return true;
    }
    const double sensitivity = settings.f_WheelSensitivity();
    const double delay = settings.f_WheelAccelerationDelay();
    CInputState& input = *m_pInput;
    const double steps = delta / 120.0;
    const double now = f_GetEngineTime();
    auto accelerated = [&](CWheelRing& ring)
    {
        const double speed = fg_AddAndMeasure(ring, now, std::fabs(steps));
        const double added = std::fabs(steps) + (std::pow(speed / sensitivity + 1, exponent) - 1);
        return added < mc_MaxStepsPerNotch ? added : mc_MaxStepsPerNotch;
    };
    if (steps > 0 && input.m_WheelDirection == 1)
        input.m_AccumulatedSteps += accelerated(input.m_ForwardRing);
    else if (steps < 0 && input.m_WheelDirection == 0)
        input.m_AccumulatedSteps -= accelerated(input.m_BackwardRing);
    else
    {
        // A new direction: what was left of the other one is dropped.
        input.m_WheelDirection = steps > 0 ? 1 : 0;
        CWheelRing& ring = steps > 0 ? input.m_ForwardRing : input.m_BackwardRing;
        fg_ClearRing(ring);
        fg_AddAndMeasure(ring, now, std::fabs(steps));
        input.m_AccumulatedSteps = steps;
    }
    input.m_LastWheelTime = now;
    if (delay > 0)
    {
        const double limit = std::max(1.0, mc_MaxQueuedSeconds * 1000 / delay);
        input.m_AccumulatedSteps = std::clamp(input.m_AccumulatedSteps, -limit, limit);
        fp_WakeRepeatThread();
        return true;
    }
    const double whole = std::trunc(input.m_AccumulatedSteps * 120);
    f_SendWheel(whole);
    input.m_AccumulatedSteps -= whole / 120;
    return true;
}

void CMessageHook::fp_RepeatQueuedWheelSteps(double now)
{
    const double delay = m_pSettingValues->f_WheelAccelerationDelay();
    if (!(delay > 0) || !m_bOwnsInput)
        return;
    CInputState& input = *m_pInput;
    const double accumulated = input.m_AccumulatedSteps;
    if ((accumulated > 0.99 || accumulated < -0.99) && now > input.m_LastQueuedStepTime + delay / 1000)
    {
        input.m_LastQueuedStepTime = now;
        if (accumulated > 0)
        {
            input.m_AccumulatedSteps -= 1;
            f_SendWheel(120);
        }
        else
        {
            input.m_AccumulatedSteps += 1;
            f_SendWheel(-120);
        }
    }
}
} // namespace NQuillon
