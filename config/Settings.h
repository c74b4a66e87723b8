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

// What the consumers read. No range is enforced: a value is taken as parsed.
struct CMessageHookBase::CSettingValues
{
    std::int64_t m_KeyboardRepeatRate = 30;
    std::int64_t m_KeyboardRepeatDelay = 250;
    std::int64_t m_KeyboardRemoteDesktopHack = 0;
    double m_MouseWheelAcceleration = 1.0;
    double m_MouseWheelSensitivity = 100.0;
    double m_MouseWheelAccelerationDelay = 0.0;
    double m_MouseAcceleration = 1.0;
};

// The lenient integer reading of setting texts: skips to the first digit, the last sign seen
// before it applies, 0x/0b/0o prefixes select the base; no digit gives the default.
std::int64_t gf_ParseSettingInteger(const char* text, std::int64_t defaultValue);
// A real number: optional sign, digits, optional fraction and exponent, nothing else; any
// other text gives the default.
double gf_ParseSettingReal(const char* text, double defaultValue);
// Setting names that older versions stored and that are removed from every preset on load.
extern const char* const gc_ObsoleteSettingNames[4];
} // namespace NQuillon
