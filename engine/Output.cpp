// Output: counted generated presses and releases, wheel records, the record writes, and the
// repeat tick.

#include "engine/InputState.h"

#include "config/Configuration.h"
#include "config/Settings.h"
#include "engine/RepeatThread.h"

#include <cmath>

namespace NQuillon
{
// ---- record writes ----------------------------------------------------------------------------

void CMessageHook::f_WriteKeyboardRecord(const KEYBOARD_INPUT_DATA& data)
{
    if (m_pChannel)
        m_pChannel->f_WriteKeyboardRecord(data);
}

void CMessageHook::f_WriteMouseRecord(const MOUSE_INPUT_DATA& data)
{
    if (m_pChannel)
        m_pChannel->f_WriteMouseRecord(data);
}

void CMessageHook::fp_WriteKeyMake(std::int32_t keyNumber)
{
    KEYBOARD_INPUT_DATA data{};
    data.UnitId = 1;
    data.MakeCode = static_cast<std::uint16_t>(keyNumber >= 128 ? keyNumber - 128 : keyNumber);
    data.Flags = keyNumber >= 128 ? KEY_E0 : 0;
    f_WriteKeyboardRecord(data);
}

void CMessageHook::fp_WriteKeyBreak(std::int32_t keyNumber)
{
    KEYBOARD_INPUT_DATA data{};
    data.UnitId = 1;
    data.MakeCode = static_cast<std::uint16_t>(keyNumber >= 128 ? keyNumber - 128 : keyNumber);
    data.Flags = static_cast<std::uint16_t>(KEY_BREAK | (keyNumber >= 128 ? KEY_E0 : 0));
    f_WriteKeyboardRecord(data);
}

void CMessageHook::fp_WriteMouseButton(std::uint16_t buttonFlags)
{
    MOUSE_INPUT_DATA data{};
    data.UnitId = 1;
    data.ButtonFlags = buttonFlags;
    f_WriteMouseRecord(data);
}

void CMessageHook::fp_WriteWheel(std::int16_t value)
{
    MOUSE_INPUT_DATA data{};
    data.UnitId = 1;
    data.ButtonFlags = MOUSE_WHEEL;
    data.ButtonData = static_cast<std::uint16_t>(value);
    f_WriteMouseRecord(data);
}

// A button's down record or a wheel step; other mouse codes send nothing.
void CMessageHook::fp_WriteMouseCodeDown(std::int32_t code)
{
    if (code >= 1 && code <= 5)
        fp_WriteMouseButton(gf_MouseDownFlag(code));
    else if (code == mc_WheelForward)
        fp_WriteWheel(120);
    else if (code == mc_WheelBackward)
        fp_WriteWheel(-120);
}

// ---- counted output -------------------------------------------------------------------------------

void CMessageHook::f_GeneratePress(const CKey& key)
{
    CLockGuard lock(m_Lock);
    fp_GeneratePress(key);
}

void CMessageHook::fp_GeneratePress(const CKey& key)
{
    CInputState& input = *m_pInput;
    if (key.m_Device == EKeyDevice_Keyboard && key.m_Code >= 0 && key.m_Code < CInputState::mc_KeyCount)
    {
        if (input.m_GeneratedKeys[key.m_Code]++ != 0)
            return;
        input.m_RepeatCandidateKey = key.m_Code;
        input.m_RepeatCandidateMouseCode = 0;
        input.m_RepeatCandidateTime = f_GetEngineTime();
        input.m_RepeatCount = 0;
        fp_WakeRepeatThread();
        if (m_bOwnsInput)
            fp_WriteKeyMake(key.m_Code);
    }
    else if (key.m_Device == EKeyDevice_Mouse && key.m_Code >= 0 && key.m_Code < CInputState::mc_MouseCount)
    {
        const std::int32_t code = key.m_Code;
        if (input.m_GeneratedMouse[code]++ != 0)
            return;
        if (code == mc_WheelForward || code == mc_WheelBackward)
        {
            input.m_RepeatCandidateMouseCode = code;
            input.m_RepeatCandidateKey = 0;
            input.m_RepeatCandidateTime = f_GetEngineTime();
            input.m_RepeatCount = 0;
            fp_WakeRepeatThread();
        }
        if (m_bOwnsInput)
            fp_WriteMouseCodeDown(code);
    }
}

void CMessageHook::f_GenerateRelease(const CKey& key)
{
    CLockGuard lock(m_Lock);
    fp_GenerateRelease(key);
}

void CMessageHook::fp_GenerateRelease(const CKey& key)
{
    CInputState& input = *m_pInput;
    if (key.m_Device == EKeyDevice_Keyboard && key.m_Code >= 0 && key.m_Code < CInputState::mc_KeyCount)
    {
        if (--input.m_GeneratedKeys[key.m_Code] != 0)
            return;
        if (input.m_RepeatCandidateKey == key.m_Code)
            input.m_RepeatCandidateKey = 0;
        if (m_bOwnsInput)
            fp_WriteKeyBreak(key.m_Code);
    }
    else if (key.m_Device == EKeyDevice_Mouse && key.m_Code >= 0 && key.m_Code < CInputState::mc_MouseCount)
    {
        if (--input.m_GeneratedMouse[key.m_Code] != 0)
            return;
        input.m_RepeatCandidateMouseCode = 0;
        if (m_bOwnsInput && key.m_Code >= 1 && key.m_Code <= 5)
            fp_WriteMouseButton(gf_MouseUpFlag(key.m_Code));
    }
}

void CMessageHook::f_SendWheel(double delta)
{
    if (!m_bOwnsInput)
        return;
    if (delta > 32767)
        delta = 32767;
    else if (delta < -32767)
        delta = -32767;
    // Halves go away from zero.
    const double whole = delta < 0 ? std::trunc(delta - 0.5) : std::trunc(delta + 0.5);
    fp_WriteWheel(static_cast<std::int16_t>(whole));
}

// ---- repeat -------------------------------------------------------------------------------------

bool CMessageHook::f_RepeatTick()
{
    CLockGuard lock(m_Lock);
    if (!m_bOwnsInput)
    {
        m_bRepeatIdle = true;
        return false;
    }
    CInputState& input = *m_pInput;
    const CSettingValues& settings = *m_pSettingValues;
    // Due times are sums of fractions of a second: a nanosecond of slack keeps a repeat due at
    // 0.3 s from slipping to the next tick through rounding.
    const double now = f_GetEngineTime() + 1e-9;
    const double delay = settings.f_RepeatDelay();
    const double rate = settings.f_RepeatRate();

    // A rate that is not positive leaves the due time undefined: nothing repeats.
    if ((input.m_RepeatCandidateKey || input.m_RepeatCandidateMouseCode) && rate != 0 &&
        now >= input.m_RepeatCandidateTime + delay + input.m_RepeatCount / rate)
    {
        if (input.m_RepeatCandidateMouseCode)
            fp_WriteMouseCodeDown(input.m_RepeatCandidateMouseCode);
        else
            fp_WriteKeyMake(input.m_RepeatCandidateKey);
        ++input.m_RepeatCount;
    }

    CHeldInput* newest = input.f_GetFront();
    if (!newest || !newest->m_pAction || !input.m_bPressPending)
        input.m_bActionRepeatArmed = 0;
    else
    {
        if (!input.m_bActionRepeatArmed)
            input.m_ActionRepeatCount = 0;
        if (rate != 0)
        {
            const double due = input.m_LastPressTime + delay + input.m_ActionRepeatCount / rate;
            if (now >= due)
            {
                newest->m_pAction->f_OnRepeat(NTev::CTime::fs_FromSeconds(due), delay);
                ++input.m_ActionRepeatCount;
            }
        }
        input.m_bActionRepeatArmed = 1;
    }

    fp_RepeatQueuedWheelSteps(now);

    const bool keyRepeats = rate > 0 && (input.m_RepeatCandidateKey || input.m_RepeatCandidateMouseCode);
    const bool actionRepeats = rate > 0 && input.m_bActionRepeatArmed;
    const bool wheelQueued = settings.f_WheelAccelerationDelay() > 0 &&
                             (input.m_AccumulatedSteps > 0.99 || input.m_AccumulatedSteps < -0.99);
    m_bRepeatIdle = !(keyRepeats || actionRepeats || wheelQueued);
    return !m_bRepeatIdle;
}

void CMessageHook::fp_WakeRepeatThread()
{
    if (!m_bRepeatIdle)
        return;
    m_bRepeatIdle = false;
    m_pRepeatThread->f_Wake();
}
} // namespace NQuillon
