#pragma once
// The engine settings a preset holds as texts, and the working values parsed from them.

#include "config/MessageHookBase.h"

#include <cstdint>

namespace NQuillon
{
struct CMessageHookBase::CSettingDefinition
{
    const char* m_pName;
    const char* m_pDefaultText;
};

// The settings as parsed: no range is enforced here. The consumers read them through the
// accessors, which turn a value that cannot work into the default or the nearest sound one.
struct CMessageHookBase::CSettingValues
{
    std::int32_t m_KeyboardRepeatRate = 30;
    std::int32_t m_KeyboardRepeatDelay = 250;
    std::int32_t m_KeyboardRemoteDesktopHack = 0;
    double m_MouseWheelAcceleration = 1.0;
    double m_MouseWheelSensitivity = 100.0;
    double m_MouseWheelAccelerationDelay = 0.0;
    double m_MouseAcceleration = 1.0;

    // Repeats per second; 0 when the rate is not positive (nothing repeats).
    double f_RepeatRate() const noexcept;
    // Seconds before the first repeat; a negative delay counts as none.
    double f_RepeatDelay() const noexcept;
    // The exponent of the wheel speed factor; 1.0 (off) unless finite.
    double f_WheelAcceleration() const noexcept;
    // Steps per second; the default unless finite and positive.
    double f_WheelSensitivity() const noexcept;
    // Milliseconds between queued wheel steps, 0 (send at once) to mc_MaxWheelDelayMs.
    double f_WheelAccelerationDelay() const noexcept;
    // The movement exponent; 1.0 (off) unless finite and positive.
    double f_MouseAcceleration() const noexcept;

    static constexpr double mc_MaxWheelDelayMs = 1000;
};

// The lenient integer reading of setting texts: skips to the first digit, the last sign seen
// before it applies, 0x/0b/0o prefixes select the base; no digit gives the default.
// The value is a 32-bit signed integer: digits beyond it wrap as 32-bit arithmetic does.
std::int32_t gf_ParseSettingInteger(const char* text, std::int32_t defaultValue);
// A real number: optional sign, digits, optional fraction and exponent, nothing else; any
// other text gives the default.
double gf_ParseSettingReal(const char* text, double defaultValue);
// Setting names that older versions stored and that are removed from every preset on load.
extern const char* const gc_ObsoleteSettingNames[4];
} // namespace NQuillon
