#include "tools/config/ConfigJson.h"

#include "actions/ActionFields.h"
#include "actions/EngineActions.h"
#include "config/Configuration.h"
#include "config/Keys.h"

#include <cstring>

namespace NQuillonConfigTool
{
using NQuillon::CMessageHookBase;
using CKey = CMessageHookBase::CKey;
using CKeys = CMessageHookBase::CKeys;
using ordered_json = nlohmann::ordered_json;
using json = nlohmann::json;

namespace
{
constexpr const char* mc_KindNames[] = {"Input", "RemapTable", "Kill", "ReleaseAllKeys", "Plugin"};

ordered_json fg_DumpKeys(const CKeys& keys)
{
    ordered_json list = ordered_json::array();
    for (const CKey& key : keys)
        list.push_back({key.m_Device, key.m_Code, key.m_Order});
    return list;
}

std::string fg_Utf8(const NTev::CStr& text, const CCodePage& codePage)
{
    return codePage.f_ToUtf8(text.f_GetStr());
}

ordered_json fg_DumpAction(const CMessageHookBase::CAccelerator& action, const CCodePage& codePage)
{
    ordered_json out;
    out["kind"] = mc_KindNames[action.m_Kind <= NQuillon::EActionKind_ByClassName
                                   ? static_cast<std::size_t>(action.m_Kind)
                                   : 4];
    out["trigger"] = fg_DumpKeys(action.m_TriggerKeys);
    out["triggerLabel"] = fg_Utf8(CMessageHookBase::f_FormatKeys(action.m_TriggerKeys, true), codePage);
    out["flags"] = action.m_Flags;
    out["description"] = fg_Utf8(action.f_GetDescription(), codePage);
    switch (action.m_Kind)
    {
        case NQuillon::EActionKind_Input:
        {
            const auto& input = static_cast<const CMessageHookBase::CAccelerator_Input&>(action);
            ordered_json sequences = ordered_json::array();
            for (const CKeys& sequence : input.m_Sequences)
                sequences.push_back(fg_DumpKeys(sequence));
            out["sequences"] = sequences;
            out["release"] = fg_DumpKeys(input.m_ReleaseKeys);
            break;
        }
        case NQuillon::EActionKind_RemapTable:
            out["table"] = fg_Utf8(
                static_cast<const CMessageHookBase::CAccelerator_RemapTable&>(action).m_TableName, codePage);
            break;
        case NQuillon::EActionKind_ByClassName:
        {
            out["class"] = fg_Utf8(action.f_GetClassName(), codePage);
            // Stored fields by name where the class names them: a value no option entry
            // matches is kept as it is.
            if (const auto* fields = dynamic_cast<const NQuillon::ICActionFields*>(&action))
            {
                for (const auto& field : fields->f_GetFields())
                    out[field.m_pName] = field.m_Value;
                break;
            }
            std::vector<NQuillon::CActionOptionGroup> options;
            action.f_GetOptions(options);
            ordered_json list = ordered_json::array();
            for (const auto& option : options)
            {
                ordered_json entries = ordered_json::array();
                for (const auto& entry : option.m_Entries)
                    entries.push_back(fg_Utf8(entry, codePage));
                list.push_back({{"caption", fg_Utf8(option.m_Caption, codePage)},
                                {"entries", entries},
                                {"selected", option.m_Selected}});
            }
            out["options"] = list;
            break;
        }
        default:
            break;
    }
    return out;
}

// ---- building ----

[[noreturn]] void fg_Fail(const std::string& where, const std::string& what)
{
    throw CJsonError{where + ": " + what};
}

const json& fg_Member(const json& object, const char* name, const std::string& where)
{
    if (!object.is_object() || !object.contains(name))
        fg_Fail(where, std::string("missing \"") + name + "\"");
    return object.at(name);
}

std::string fg_String(const json& value, const std::string& where)
{
    if (!value.is_string())
        fg_Fail(where, "expected a string");
    return value.get<std::string>();
}

// A name or text as the settings file stores it: in the code page, without NUL characters.
NTev::CStr fg_Text(const std::string& utf8, const std::string& where, const CCodePage& codePage)
{
    std::string bytes;
    std::string reason;
    if (!codePage.f_FromUtf8(utf8, bytes, reason))
        fg_Fail(where, reason);
    if (bytes.find('\0') != std::string::npos)
        fg_Fail(where, "a text cannot hold the character U+0000");
    return NTev::CStr(bytes.c_str());
}

NTev::CStr fg_Text(const json& value, const std::string& where, const CCodePage& codePage)
{
    return fg_Text(fg_String(value, where), where, codePage);
}

std::int64_t fg_Integer(const json& value, const std::string& where, std::int64_t low, std::int64_t high)
{
    if (!value.is_number_integer())
        fg_Fail(where, "expected an integer");
    std::int64_t number = value.get<std::int64_t>();
    if (number < low || number > high)
        fg_Fail(where, "out of range");
    return number;
}

// A key list: [[device, code, order], ...] or a label "LCtrl(A) + C(1)".
CKeys fg_Keys(const json& value, const std::string& where)
{
    CKeys keys;
    if (value.is_string())
    {
        // Pieces "NAME", "NAME(A)" or "NAME(n)" joined by " + "; anything else is refused.
        const std::string text = value.get<std::string>();
        std::size_t position = 0;
        while (!text.empty())
        {
            std::size_t end = text.find(" + ", position);
            std::string piece =
                text.substr(position, end == std::string::npos ? std::string::npos : end - position);
            CKey key;
            std::size_t paren = piece.find('(');
            std::string name = piece.substr(0, paren);
            if (!NQuillon::gf_ParseKeyNameExactly(name.c_str(), key))
                fg_Fail(where, "unknown key name \"" + name + "\"");
            if (paren != std::string::npos)
            {
                const std::string order = piece.substr(paren + 1);
                std::uint64_t number = 0;
                bool good = order.size() >= 2 && order.back() == ')';
                if (good && order != "A)")
                    for (std::size_t i = 0; good && i + 1 < order.size(); ++i)
                    {
                        good = order[i] >= '0' && order[i] <= '9';
                        number = number * 10 + static_cast<std::uint64_t>(order[i] - '0');
                        good = good && number <= UINT32_MAX;
                    }
                if (!good)
                    fg_Fail(where, "bad order in \"" + piece + "\"");
                key.m_Order = static_cast<std::uint32_t>(number);
            }
            keys.f_Add(key);
            if (end == std::string::npos)
                break;
            position = end + 3;
        }
        return keys;
    }
    if (!value.is_array())
        fg_Fail(where, "expected a key list");
    for (std::size_t i = 0; i < value.size(); ++i)
    {
        const json& key = value[i];
        const std::string at = where + "[" + std::to_string(i) + "]";
        if (!key.is_array() || key.size() != 3)
            fg_Fail(at, "expected [device, code, order]");
        keys.f_Add(CKey{static_cast<std::int32_t>(fg_Integer(key[0], at, INT32_MIN, INT32_MAX)),
                        static_cast<std::int32_t>(fg_Integer(key[1], at, INT32_MIN, INT32_MAX)),
                        static_cast<std::uint32_t>(fg_Integer(key[2], at, 0, UINT32_MAX))});
    }
    return keys;
}

std::unique_ptr<CMessageHookBase::CAccelerator> fg_BuildAction(const json& value, const std::string& where,
                                                               const CCodePage& codePage)
{
    const std::string kind = fg_String(fg_Member(value, "kind", where), where + ".kind");
    std::unique_ptr<CMessageHookBase::CAccelerator> action;
    if (kind == "Input")
    {
        auto input = std::make_unique<CMessageHookBase::CAccelerator_Input>();
        if (value.contains("sequences"))
        {
            const json& sequences = value.at("sequences");
            if (!sequences.is_array())
                fg_Fail(where + ".sequences", "expected a list of key lists");
            for (std::size_t i = 0; i < sequences.size(); ++i)
                input->m_Sequences.push_back(
                    fg_Keys(sequences[i], where + ".sequences[" + std::to_string(i) + "]"));
        }
        if (value.contains("release"))
            input->m_ReleaseKeys = fg_Keys(value.at("release"), where + ".release");
        action = std::move(input);
    }
    else if (kind == "RemapTable")
    {
        auto remap = std::make_unique<CMessageHookBase::CAccelerator_RemapTable>();
        remap->m_TableName = fg_Text(fg_Member(value, "table", where), where + ".table", codePage);
        action = std::move(remap);
    }
    else if (kind == "Kill")
        action = std::make_unique<CMessageHookBase::CAccelerator_Kill>();
    else if (kind == "ReleaseAllKeys")
        action = std::make_unique<CMessageHookBase::CAccelerator_ReleaseAllKeys>();
    else if (kind == "Plugin")
    {
        const std::string className = fg_String(fg_Member(value, "class", where), where + ".class");
        action = CMessageHookBase::CAccelerator::fs_Create(
            NQuillon::EActionKind_ByClassName, fg_Text(className, where + ".class", codePage).f_GetStr());
        if (!action)
            fg_Fail(where + ".class", "no action class \"" + className + "\"");
        if (value.contains("options"))
        {
            std::vector<NQuillon::CActionOptionGroup> options;
            action->f_GetOptions(options);
            const json& chosen = value.at("options");
            if (!chosen.is_array() || chosen.size() != options.size())
                fg_Fail(where + ".options", "expected " + std::to_string(options.size()) + " option groups");
            for (std::size_t i = 0; i < options.size(); ++i)
                options[i].m_Selected = static_cast<std::int32_t>(fg_Integer(
                    fg_Member(chosen[i], "selected", where + ".options"), where + ".options.selected", 0,
                    static_cast<std::int64_t>(options[i].m_Entries.size()) - 1));
            action->f_SetOptions(options);
        }
        if (auto* fields = dynamic_cast<NQuillon::ICActionFields*>(action.get()))
            for (const auto& field : fields->f_GetFields())
                if (value.contains(field.m_pName))
                    fields->f_SetField(field.m_pName,
                                       static_cast<std::int32_t>(fg_Integer(value.at(field.m_pName),
                                                                            where + "." + field.m_pName,
                                                                            INT32_MIN, INT32_MAX)));
    }
    else
        fg_Fail(where + ".kind", "unknown action kind \"" + kind + "\"");
    action->m_TriggerKeys = fg_Keys(fg_Member(value, "trigger", where), where + ".trigger");
    CMessageHookBase::CAccelerator::fs_SortTriggerKeys(action->m_TriggerKeys);
    if (value.contains("flags"))
        action->m_Flags =
            static_cast<std::uint32_t>(fg_Integer(value.at("flags"), where + ".flags", 0, UINT32_MAX));
    return action;
}
} // namespace

ordered_json gf_DumpConfiguration(CMessageHookBase& engine, std::uint32_t fileVersion,
                                  const CCodePage& codePage)
{
    CMessageHookBase::CLockGuard lock(engine.f_GetLock());
    const CMessageHookBase::CConfiguration& configuration = engine.f_GetConfiguration();
    ordered_json out;
    out["version"] = fileVersion;
    out["flags"] = engine.m_ConfigurationFlags;
    out["remappingDisabled"] = configuration.m_bRemappingDisabled != 0;
    out["defaultTable"] =
        configuration.m_pDefaultTable ? fg_Utf8(configuration.m_pDefaultTable->m_Name, codePage) : "";
    out["defaultPreset"] =
        configuration.m_pDefaultPreset ? fg_Utf8(configuration.m_pDefaultPreset->m_Name, codePage) : "";
    ordered_json presets = ordered_json::array();
    for (const auto& preset : configuration.m_Presets)
    {
        ordered_json settings = ordered_json::object();
        for (const auto& setting : preset.second->m_Settings)
            settings[fg_Utf8(setting.first, codePage)] = fg_Utf8(setting.second, codePage);
        presets.push_back({{"name", fg_Utf8(preset.first, codePage)}, {"settings", settings}});
    }
    out["presets"] = presets;
    ordered_json tables = ordered_json::array();
    for (const auto& table : configuration.m_Tables)
    {
        ordered_json groups = ordered_json::array();
        for (const auto& entry : table.second->m_GroupsByPriority)
        {
            const CMessageHookBase::CRemapGroup& group = *entry.second;
            ordered_json actions = ordered_json::array();
            for (const auto& action : group.m_Actions)
                actions.push_back(fg_DumpAction(*action, codePage));
            ordered_json out;
            out["name"] = fg_Utf8(group.m_Name, codePage);
            out["priority"] = group.m_Priority;
            out["flags"] = group.m_Flags;
            out["ignore"] = fg_DumpKeys(group.m_IgnoreKeys);
            out["ignoreLabel"] = fg_Utf8(group.f_GetIgnoreLabel(), codePage);
            out["actions"] = actions;
            groups.push_back(out);
        }
        tables.push_back({{"name", fg_Utf8(table.first, codePage)}, {"groups", groups}});
    }
    out["tables"] = tables;
    return out;
}

void gf_BuildConfiguration(const json& description, CMessageHookBase& engine, const CCodePage& codePage)
{
    if (!description.is_object())
        fg_Fail("configuration", "expected an object");
    auto configuration = std::make_unique<CMessageHookBase::CConfiguration>(engine);
    std::uint32_t flags = 0;
    if (description.contains("flags"))
        flags = static_cast<std::uint32_t>(fg_Integer(description.at("flags"), "flags", 0, UINT32_MAX));
    if (description.contains("remappingDisabled"))
    {
        if (!description.at("remappingDisabled").is_boolean())
            fg_Fail("remappingDisabled", "expected true or false");
        configuration->m_bRemappingDisabled = description.at("remappingDisabled").get<bool>() ? 1 : 0;
    }
    if (description.contains("presets"))
    {
        const json& presets = description.at("presets");
        if (!presets.is_array())
            fg_Fail("presets", "expected a list");
        for (std::size_t i = 0; i < presets.size(); ++i)
        {
            const std::string where = "presets[" + std::to_string(i) + "]";
            const std::string name = fg_String(fg_Member(presets[i], "name", where), where + ".name");
            auto preset = std::make_unique<CMessageHookBase::CPreset>(
                fg_Text(name, where + ".name", codePage).f_GetStr());
            if (presets[i].contains("settings"))
            {
                const json& settings = presets[i].at("settings");
                if (!settings.is_object())
                    fg_Fail(where + ".settings", "expected an object of texts");
                for (const auto& setting : settings.items())
                {
                    const std::string at = where + ".settings." + setting.key();
                    preset->m_Settings[fg_Text(setting.key(), at, codePage)] =
                        fg_Text(setting.value(), at, codePage);
                }
            }
            if (!configuration->m_Presets.emplace(preset->m_Name, std::move(preset)).second)
                fg_Fail(where, "a second preset named \"" + name + "\"");
        }
    }
    if (description.contains("tables"))
    {
        const json& tables = description.at("tables");
        if (!tables.is_array())
            fg_Fail("tables", "expected a list");
        for (std::size_t i = 0; i < tables.size(); ++i)
        {
            const std::string where = "tables[" + std::to_string(i) + "]";
            const std::string name = fg_String(fg_Member(tables[i], "name", where), where + ".name");
            auto table = std::make_unique<CMessageHookBase::CRemapTable>(
                fg_Text(name, where + ".name", codePage).f_GetStr());
            const json groups = tables[i].value("groups", json::array());
            if (!groups.is_array())
                fg_Fail(where + ".groups", "expected a list");
            for (std::size_t g = 0; g < groups.size(); ++g)
            {
                const std::string at = where + ".groups[" + std::to_string(g) + "]";
                const NTev::CStr groupName =
                    fg_Text(fg_Member(groups[g], "name", at), at + ".name", codePage);
                auto priority = static_cast<std::int32_t>(
                    fg_Integer(fg_Member(groups[g], "priority", at), at + ".priority", INT32_MIN, INT32_MAX));
                auto group = std::make_unique<CMessageHookBase::CRemapGroup>(groupName.f_GetStr(), priority);
                if (groups[g].contains("flags"))
                    group->m_Flags = static_cast<std::uint32_t>(
                        fg_Integer(groups[g].at("flags"), at + ".flags", 0, UINT32_MAX));
                if (groups[g].contains("runOnActivate"))
                {
                    const json& runOnActivate = groups[g].at("runOnActivate");
                    if (!runOnActivate.is_boolean())
                        fg_Fail(at + ".runOnActivate", "expected true or false");
                    if (runOnActivate.get<bool>())
                        group->m_Flags |= NQuillon::EGroupFlag_RunOnActivate;
                }
                if (groups[g].contains("ignore"))
                    group->m_IgnoreKeys = fg_Keys(groups[g].at("ignore"), at + ".ignore");
                const json actions = groups[g].value("actions", json::array());
                if (!actions.is_array())
                    fg_Fail(at + ".actions", "expected a list");
                std::vector<std::unique_ptr<CMessageHookBase::CAccelerator>> built;
                for (std::size_t a = 0; a < actions.size(); ++a)
                    built.push_back(
                        fg_BuildAction(actions[a], at + ".actions[" + std::to_string(a) + "]", codePage));
                group->f_SetActions(std::move(built));
                if (!table->f_AddGroup(std::move(group)))
                    fg_Fail(at, "a second group with this name or priority");
            }
            if (!configuration->m_Tables.emplace(table->m_Name, std::move(table)).second)
                fg_Fail(where, "a second table named \"" + name + "\"");
        }
    }
    const NTev::CStr defaultTable = description.contains("defaultTable")
                                        ? fg_Text(description.at("defaultTable"), "defaultTable", codePage)
                                        : NTev::CStr();
    const NTev::CStr defaultPreset = description.contains("defaultPreset")
                                         ? fg_Text(description.at("defaultPreset"), "defaultPreset", codePage)
                                         : NTev::CStr();
    configuration->f_ResolveDefaults(defaultTable.f_GetStr(), defaultPreset.f_GetStr());
    engine.f_InstallConfiguration(std::move(configuration), flags);
}
} // namespace NQuillonConfigTool
