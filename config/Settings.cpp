#include "config/Settings.h"

#include "config/Configuration.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace NQuillon
{
const char* const gc_ObsoleteSettingNames[4] = {"Mouse Acceleration Sensitivity", "Keyboard Force NumLock On",
                                                "Keyboard Enable Alt/Ctrl/Shift Remap",
                                                "Keyboard Enable Force Top Hook"};

namespace
{
bool fg_IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
} // namespace

std::int32_t gf_ParseSettingInteger(const char* text, std::int32_t defaultValue)
{
    const char* p = text;
    bool negative = false;
    while (*p && !fg_IsDigit(*p))
    {
        if (*p == '+' || *p == '-')
            negative = *p == '-';
        ++p;
    }
    if (!*p)
        return defaultValue;
    unsigned base = 10;
    if (p[0] == '0' && p[1])
    {
        char prefix = p[1];
        base = (prefix == 'x' || prefix == 'X')   ? 16
               : (prefix == 'b' || prefix == 'B') ? 2
               : (prefix == 'o' || prefix == 'O') ? 8
                                                  : 10;
        if (base != 10)
            p += 2;
    }
    std::uint32_t value = 0;
    for (;; ++p)
    {
        unsigned digit;
        if (fg_IsDigit(*p))
            digit = unsigned(*p - '0');
        else if (*p >= 'a' && *p <= 'z')
            digit = unsigned(*p - 'a' + 10);
        else if (*p >= 'A' && *p <= 'Z')
            digit = unsigned(*p - 'A' + 10);
        else
            break;
        if (digit >= base)
            break;
        value = value * base + digit;
    }
    return static_cast<std::int32_t>(negative ? std::uint32_t(0) - value : value);
}

double gf_ParseSettingReal(const char* text, double defaultValue)
{
    // Checked here, converted by strtod: it alone rounds correctly.
    const char* p = text;
    if (*p == '+' || *p == '-')
        ++p;
    bool digits = false;
    for (; fg_IsDigit(*p); ++p)
        digits = true;
    if (*p == '.')
        for (++p; fg_IsDigit(*p); ++p)
            digits = true;
    if (!digits)
        return defaultValue;
    if (*p == 'e' || *p == 'E')
    {
        ++p;
        if (*p == '+' || *p == '-')
            ++p;
        if (!fg_IsDigit(*p))
            return defaultValue;
        while (fg_IsDigit(*p))
            ++p;
    }
    if (*p)
        return defaultValue;
    return std::strtod(text, nullptr);
}

double CMessageHookBase::CSettingValues::f_RepeatRate() const noexcept
{
    return m_KeyboardRepeatRate > 0 ? m_KeyboardRepeatRate : 0;
}

double CMessageHookBase::CSettingValues::f_RepeatDelay() const noexcept
{
    return m_KeyboardRepeatDelay > 0 ? m_KeyboardRepeatDelay / 1000.0 : 0;
}

double CMessageHookBase::CSettingValues::f_WheelAcceleration() const noexcept
{
    return std::isfinite(m_MouseWheelAcceleration) ? m_MouseWheelAcceleration : 1.0;
}

double CMessageHookBase::CSettingValues::f_WheelSensitivity() const noexcept
{
    return std::isfinite(m_MouseWheelSensitivity) && m_MouseWheelSensitivity > 0 ? m_MouseWheelSensitivity
                                                                                 : 100.0;
}

double CMessageHookBase::CSettingValues::f_WheelAccelerationDelay() const noexcept
{
    if (!(m_MouseWheelAccelerationDelay > 0))
        return 0;
    return std::min(m_MouseWheelAccelerationDelay, mc_MaxWheelDelayMs);
}

double CMessageHookBase::CSettingValues::f_MouseAcceleration() const noexcept
{
    return std::isfinite(m_MouseAcceleration) && m_MouseAcceleration > 0 ? m_MouseAcceleration : 1.0;
}

const std::vector<CMessageHookBase::CSettingDefinition>& CMessageHookBase::fs_GetSettingDefinitions()
{
    static const std::vector<CSettingDefinition> s_Definitions = {
        {"Keyboard Repeat Rate", "30"},
        {"Keyboard Repeat Delay", "250"},
        {"Keyboard Enable Remote Desktop Hack", "0"},
        {"Mouse Wheel Acceleration", "1.0"},
        {"Mouse Wheel Sensitivity", "100.0"},
        {"Mouse Wheel Acceleration Delay", "0.0"},
        {"Mouse Acceleration", "1.0"},
    };
    return s_Definitions;
}

bool CMessageHookBase::f_GetSettingValue(const char* name, NTev::CStr& value)
{
    CLockGuard lock(m_Lock);
    for (const CSettingDefinition& definition : fs_GetSettingDefinitions())
    {
        if (std::strcmp(definition.m_pName, name) != 0)
            continue;
        if (CPreset* preset = m_pConfiguration->m_pCurrentPreset)
        {
            auto entry = preset->m_Settings.find(NTev::CStr(name));
            if (entry != preset->m_Settings.end())
            {
                value = entry->second;
                return true;
            }
        }
        value = definition.m_pDefaultText;
        return true;
    }
    return false;
}

void CMessageHookBase::f_ApplyPresetSettings()
{
    CLockGuard lock(m_Lock);
    NTev::CStr text[7];
    const auto& definitions = fs_GetSettingDefinitions();
    for (std::size_t i = 0; i < definitions.size(); ++i)
        f_GetSettingValue(definitions[i].m_pName, text[i]);
    CSettingValues values;
    values.m_KeyboardRepeatRate = gf_ParseSettingInteger(text[0].f_GetStr(), 30);
    values.m_KeyboardRepeatDelay = gf_ParseSettingInteger(text[1].f_GetStr(), 250);
    values.m_KeyboardRemoteDesktopHack = gf_ParseSettingInteger(text[2].f_GetStr(), 0);
    values.m_MouseWheelAcceleration = gf_ParseSettingReal(text[3].f_GetStr(), 1.0);
    values.m_MouseWheelSensitivity = gf_ParseSettingReal(text[4].f_GetStr(), 100.0);
    values.m_MouseWheelAccelerationDelay = gf_ParseSettingReal(text[5].f_GetStr(), 0.0);
    values.m_MouseAcceleration = gf_ParseSettingReal(text[6].f_GetStr(), 1.0);
    *m_pSettingValues = values;
}
} // namespace NQuillon
