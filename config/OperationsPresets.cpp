// Configuration operations on presets and their settings.

#include "config/Operations.h"
#include "config/Settings.h"

#include <cstring>

namespace NQuillon
{
namespace
{
bool fg_IsDefinedSetting(const char* name)
{
    for (const auto& definition : CMessageHookBase::fs_GetSettingDefinitions())
        if (!std::strcmp(definition.m_pName, name))
            return true;
    return false;
}
} // namespace

bool CMessageHookBase::f_CreatePreset(const char* name)
{
    CEdit edit(*this);
    CConfiguration& configuration = *m_pConfiguration;
    if (!fp_CanEdit() || configuration.f_FindPreset(name))
        return false;
    auto preset = std::make_unique<CPreset>(name);
    CPreset* created = preset.get();
    configuration.m_Presets.emplace(created->m_Name, static_cast<std::unique_ptr<CPreset>&&>(preset));
    if (!configuration.m_pDefaultPreset)
        configuration.m_pDefaultPreset = created;
    if (!configuration.m_pCurrentPreset)
        configuration.m_pCurrentPreset = created;
    return edit.f_Save();
}

bool CMessageHookBase::f_DeletePreset(const char* name)
{
    CEdit edit(*this);
    CConfiguration& configuration = *m_pConfiguration;
    CPreset* preset = configuration.f_FindPreset(name);
    if (!fp_CanEdit() || !preset)
        return false;
    const bool wasDefault = configuration.m_pDefaultPreset == preset;
    const bool wasCurrent = configuration.m_pCurrentPreset == preset;
    const NTev::CStr presetName = preset->m_Name;
    configuration.m_Presets.erase(presetName);
    if (wasDefault)
        configuration.m_pDefaultPreset = configuration.f_GetFirstPreset();
    if (wasCurrent)
        configuration.m_pCurrentPreset = configuration.m_pDefaultPreset;
    f_ApplyPresetSettings();
    return edit.f_Save();
}

void CMessageHookBase::f_SetDefaultPreset(const char* name)
{
    CEdit edit(*this);
    if (!fp_CanEdit())
        return;
    m_pConfiguration->m_pDefaultPreset = m_pConfiguration->f_FindPreset(name);
    f_ApplyPresetSettings();
    edit.f_Save();
}

void CMessageHookBase::f_SetCurrentPreset(const char* name)
{
    CEdit edit(*this);
    m_pConfiguration->m_pCurrentPreset = m_pConfiguration->f_FindPreset(name);
    f_ApplyPresetSettings();
    if (fp_CanEdit())
        edit.f_Save();
}

bool CMessageHookBase::f_GetPresetSettingValue(const char* preset, const char* setting, NTev::CStr& value,
                                               std::vector<NTev::CStr>& offeredValues)
{
    CLockGuard lock(m_Lock);
    CPreset* found = m_pConfiguration->f_FindPreset(preset);
    if (!found)
        return false;
    for (const auto& definition : fs_GetSettingDefinitions())
    {
        if (std::strcmp(definition.m_pName, setting) != 0)
            continue;
        auto entry = found->m_Settings.find(NTev::CStr(setting));
        value = entry != found->m_Settings.end() ? entry->second : NTev::CStr(definition.m_pDefaultText);
        // No setting offers a list of values: the dialog offers a free text.
        offeredValues.clear();
        return true;
    }
    return false;
}

bool CMessageHookBase::f_SetPresetSettingValue(const char* preset, const char* setting, const char* value)
{
    CEdit edit(*this);
    CPreset* found = m_pConfiguration->f_FindPreset(preset);
    if (!fp_CanEdit() || !found || !fg_IsDefinedSetting(setting))
        return false;
    found->m_Settings[NTev::CStr(setting)] = value;
    f_ApplyPresetSettings();
    return edit.f_Save();
}

bool CMessageHookBase::f_SetPresetSettingToDefault(const char* preset, const char* setting)
{
    CEdit edit(*this);
    CPreset* found = m_pConfiguration->f_FindPreset(preset);
    if (!fp_CanEdit() || !found)
        return false;
    found->m_Settings.erase(NTev::CStr(setting));
    f_ApplyPresetSettings();
    return edit.f_Save();
}

std::vector<NTev::CStr> CMessageHookBase::f_ListPresetNames()
{
    CLockGuard lock(m_Lock);
    std::vector<NTev::CStr> names;
    for (const auto& preset : m_pConfiguration->m_Presets)
        names.push_back(preset.first);
    return names;
}

std::vector<CMessageHookBase::CSettingInfo> CMessageHookBase::f_ListSettings(const char* preset)
{
    CLockGuard lock(m_Lock);
    std::vector<CSettingInfo> settings;
    if (CPreset* found = m_pConfiguration->f_FindPreset(preset))
        for (const auto& definition : fs_GetSettingDefinitions())
        {
            auto entry = found->m_Settings.find(NTev::CStr(definition.m_pName));
            const bool own = entry != found->m_Settings.end();
            settings.push_back(
                {definition.m_pName, own ? entry->second : NTev::CStr(definition.m_pDefaultText), own});
        }
    return settings;
}
} // namespace NQuillon
