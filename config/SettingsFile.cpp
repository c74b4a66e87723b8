// The settings file image: header, configuration block, tables, groups, actions, presets.

#include "config/Configuration.h"
#include "config/Settings.h"
#include "core/Exception.h"

#include <type_traits>

namespace NQuillon
{
namespace
{
// Versions at which the layout changed, as the readers see them.
constexpr std::uint32_t mc_VersionPresets = 257;
constexpr std::uint32_t mc_VersionGroupFlags = 261;
constexpr std::uint32_t mc_VersionHeaderFlags = 264;
constexpr std::uint32_t mc_VersionRemappingDisabled = 273;
// Files up to this header version stored the NumLock key under the code 197.
constexpr std::uint32_t mc_VersionOldNumLockCode = 273;
constexpr std::int32_t mc_OldNumLockCode = 197;
constexpr std::int32_t mc_NumLockCode = 69;

using CBinaryStream = NTev::NStream::CBinaryStream;

std::unique_ptr<CMessageHookBase::CRemapGroup> fg_ReadGroup(CBinaryStream& stream, std::uint32_t version)
{
    NTev::CStr name = stream.f_ReadString();
    std::int32_t priority = stream.f_ReadInt<std::int32_t>();
    auto group = std::make_unique<CMessageHookBase::CRemapGroup>(name.f_GetStr(), priority);
    group->m_IgnoreKeys.f_Read(stream, version, true);
    group->m_Flags = version >= mc_VersionGroupFlags ? stream.f_ReadInt<std::uint32_t>() : 0;
    // An action record is at least its kind, flags and key count.
    std::uint32_t count = stream.f_ReadCount(8);
    std::vector<std::unique_ptr<CMessageHookBase::CAccelerator>> actions;
    actions.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i)
        actions.push_back(CMessageHookBase::CAccelerator::fs_ReadRecord(stream, version));
    // Files may store actions in any order; sorted once, not inserted one by one.
    group->f_SetActions(static_cast<std::vector<std::unique_ptr<CMessageHookBase::CAccelerator>>&&>(actions));
    return group;
}

void fg_ThrowCorrupt(const char* message)
{
    TEV_THROW(NTev::NFile::CExceptionFile, "NQuillon::CMessageHook::f_ReadSettings", message);
}

std::unique_ptr<CMessageHookBase::CRemapTable> fg_ReadTable(CBinaryStream& stream, std::uint32_t version)
{
    NTev::CStr name = stream.f_ReadString();
    auto table = std::make_unique<CMessageHookBase::CRemapTable>(name.f_GetStr());
    // A group record is at least a name, a priority, a key count and an action count.
    std::uint32_t count = stream.f_ReadCount(16);
    for (std::uint32_t i = 0; i < count; ++i)
        if (!table->f_AddGroup(fg_ReadGroup(stream, version)))
            fg_ThrowCorrupt("Two groups of a table share a name or a priority");
    return table;
}

std::unique_ptr<CMessageHookBase::CPreset> fg_ReadPreset(CBinaryStream& stream)
{
    NTev::CStr name = stream.f_ReadString();
    auto preset = std::make_unique<CMessageHookBase::CPreset>(name.f_GetStr());
    std::uint32_t count = stream.f_ReadCount(8);
    for (std::uint32_t i = 0; i < count; ++i)
    {
        NTev::CStr setting = stream.f_ReadString();
        NTev::CStr value = stream.f_ReadString();
        preset->m_Settings[setting] = value;
    }
    return preset;
}
} // namespace

std::unique_ptr<CMessageHookBase::CConfiguration>
CMessageHookBase::f_ReadSettings(CBinaryStream& stream, std::uint32_t& configurationFlags,
                                 std::uint32_t& fileVersion)
{
    auto configuration = std::make_unique<CConfiguration>(*this);
    fileVersion = 0;
    configurationFlags = 0;
    if (stream.f_ReadInt<std::uint32_t>() == mc_FileMagic)
        fileVersion = stream.f_ReadInt<std::uint32_t>();
    else
        stream.f_SetPosition(0);
    if (fileVersion >= mc_VersionHeaderFlags)
        configurationFlags = stream.f_ReadInt<std::uint32_t>();

    // Every nested reader consults the block's own version.
    const std::uint32_t version = stream.f_ReadInt<std::uint32_t>();
    std::uint32_t tableCount = stream.f_ReadCount(8);
    for (std::uint32_t i = 0; i < tableCount; ++i)
    {
        std::unique_ptr<CRemapTable> table = fg_ReadTable(stream, version);
        NTev::CStr name = table->m_Name;
        if (!configuration->m_Tables.emplace(name, static_cast<std::unique_ptr<CRemapTable>&&>(table)).second)
            fg_ThrowCorrupt("Two tables share a name");
    }
    NTev::CStr defaultTable;
    NTev::CStr defaultPreset;
    if (version >= mc_VersionPresets)
    {
        std::uint32_t presetCount = stream.f_ReadCount(8);
        for (std::uint32_t i = 0; i < presetCount; ++i)
        {
            std::unique_ptr<CPreset> preset = fg_ReadPreset(stream);
            NTev::CStr name = preset->m_Name;
            if (!configuration->m_Presets.emplace(name, static_cast<std::unique_ptr<CPreset>&&>(preset))
                     .second)
                fg_ThrowCorrupt("Two presets share a name");
        }
        defaultTable = stream.f_ReadString();
        defaultPreset = stream.f_ReadString();
    }
    if (version >= mc_VersionRemappingDisabled)
        // A flag: any value but 0 is stored back as 1, as every editor and the dump see it.
        configuration->m_bRemappingDisabled = stream.f_ReadInt<std::int32_t>() != 0 ? 1 : 0;

    configuration->f_ResolveDefaults(defaultTable.f_GetStr(), defaultPreset.f_GetStr());
    if (fileVersion <= mc_VersionOldNumLockCode)
        configuration->f_ReplaceKeyboardCode(mc_OldNumLockCode, mc_NumLockCode);
    return configuration;
}

void CMessageHookBase::f_WriteSettings(CBinaryStream& stream)
{
    // Every integer of the file is 32 bits wide in 32-bit and 64-bit builds alike; the fields
    // it comes from hold exactly that, so that nothing is cut off on the way.
    static_assert(std::is_same_v<decltype(m_ConfigurationFlags), std::uint32_t>);
    static_assert(std::is_same_v<decltype(mc_FileMagic), const std::uint32_t> &&
                  std::is_same_v<decltype(mc_FileVersion), const std::uint32_t>);
    static_assert(std::is_same_v<decltype(CRemapGroup::m_Priority), std::int32_t> &&
                  std::is_same_v<decltype(CRemapGroup::m_Flags), std::uint32_t>);
    static_assert(std::is_same_v<decltype(CConfiguration::m_bRemappingDisabled), std::int32_t>);
    CLockGuard lock(m_Lock);
    const CConfiguration& configuration = *m_pConfiguration;
    stream.f_WriteInt<std::uint32_t>(mc_FileMagic);
    stream.f_WriteInt<std::uint32_t>(mc_FileVersion);
    stream.f_WriteInt<std::uint32_t>(m_ConfigurationFlags);
    stream.f_WriteInt<std::uint32_t>(mc_FileVersion);

    stream.f_WriteInt<std::uint32_t>(static_cast<std::uint32_t>(configuration.m_Tables.size()));
    for (const auto& table : configuration.m_Tables)
    {
        stream.f_WriteString(table.second->m_Name);
        stream.f_WriteInt<std::uint32_t>(static_cast<std::uint32_t>(table.second->m_GroupsByPriority.size()));
        for (const auto& entry : table.second->m_GroupsByPriority)
        {
            const CRemapGroup& group = *entry.second;
            stream.f_WriteString(group.m_Name);
            stream.f_WriteInt<std::int32_t>(group.m_Priority);
            group.m_IgnoreKeys.f_Write(stream);
            stream.f_WriteInt<std::uint32_t>(group.m_Flags);
            stream.f_WriteInt<std::uint32_t>(static_cast<std::uint32_t>(group.m_Actions.size()));
            for (const auto& action : group.m_Actions)
                action->f_WriteRecord(stream);
        }
    }

    stream.f_WriteInt<std::uint32_t>(static_cast<std::uint32_t>(configuration.m_Presets.size()));
    for (const auto& preset : configuration.m_Presets)
    {
        stream.f_WriteString(preset.second->m_Name);
        stream.f_WriteInt<std::uint32_t>(static_cast<std::uint32_t>(preset.second->m_Settings.size()));
        for (const auto& setting : preset.second->m_Settings)
        {
            stream.f_WriteString(setting.first);
            stream.f_WriteString(setting.second);
        }
    }
    stream.f_WriteString(configuration.m_pDefaultTable ? configuration.m_pDefaultTable->m_Name
                                                       : NTev::CStr());
    stream.f_WriteString(configuration.m_pDefaultPreset ? configuration.m_pDefaultPreset->m_Name
                                                        : NTev::CStr());
    stream.f_WriteInt<std::int32_t>(configuration.m_bRemappingDisabled);
}

void CMessageHookBase::f_InstallConfiguration(std::unique_ptr<CConfiguration> configuration,
                                              std::uint32_t configurationFlags)
{
    CLockGuard lock(m_Lock);
    f_OnConfigurationChanging();
    m_pConfiguration = static_cast<std::unique_ptr<CConfiguration>&&>(configuration);
    m_ConfigurationFlags = configurationFlags;
    m_bLoadFailed = false;
    ++m_ChangeCount;
    f_OnRemappingMayHaveStopped();
    f_ApplyPresetSettings();
    fp_AfterLoad();
}

void CMessageHookBase::fp_AfterLoad()
{
    CLockGuard lock(m_Lock);
    m_pConfiguration->f_SetBackReferences();
    fp_RunActivation();
    bool removed = false;
    for (auto& preset : m_pConfiguration->m_Presets)
        for (const char* obsolete : gc_ObsoleteSettingNames)
            removed = preset.second->m_Settings.erase(NTev::CStr(obsolete)) > 0 || removed;
    // Saved once the caller lets the lock go (fp_SaveIfDue): no write under the engine lock.
    if (removed)
        m_bSaveDue = true;
    f_ApplyPresetSettings();
}
} // namespace NQuillon
