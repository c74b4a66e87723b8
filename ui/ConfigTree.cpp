#include "ui/ConfigTree.h"

#include "config/Configuration.h"
#include "core/Format.h"

#include <cstring>

namespace NQuillon
{
namespace
{
NTev::CStr fg_BeforeSeparator(const NTev::CStr& label)
{
    const char* text = label.f_GetStr();
    const char* separator = std::strstr(text, " | ");
    return separator ? NTev::CStr(text, static_cast<std::size_t>(separator - text)) : label;
}

CTreeNode fg_Node(ENodeKind kind, NTev::CStr label)
{
    CTreeNode node;
    node.m_Kind = kind;
    node.m_Label = static_cast<NTev::CStr&&>(label);
    return node;
}
} // namespace

NTev::CStr gf_SettingLabel(const CMessageHookBase::CSettingInfo& setting)
{
    NTev::CStr label = setting.m_Name;
    label += setting.m_bOwnEntry ? " | * " : " | ";
    label += setting.m_Value;
    return label;
}

NTev::CStr gf_GroupLabel(const CMessageHookBase::CGroupInfo& group)
{
    NTev::CFStr256 prefix;
    NTev::gf_Format(prefix, "{}: ", group.m_Priority);
    NTev::CStr label(prefix.f_GetStr());
    label += group.m_Name;
    label += " | ";
    label += group.m_IgnoreLabel;
    return label;
}

bool gf_IsGroupNameInLabelForm(const char* name) noexcept
{
    const std::size_t length = std::strlen(name);
    return !std::strstr(name, " | ") && !(length >= 2 && std::strcmp(name + length - 2, " |") == 0);
}

std::vector<CTreeNode> gf_BuildConfigTree(CMessageHookBase& engine)
{
    // One lock for the whole walk, so that the tree is one state of the configuration.
    CMessageHookBase::CLockGuard lock(engine.f_GetLock());
    std::vector<CTreeNode> roots;
    CTreeNode presets = fg_Node(ENodeKind::PresetsRoot, gc_PresetsRootLabel);
    for (const NTev::CStr& name : engine.f_ListPresetNames())
    {
        CTreeNode preset = fg_Node(ENodeKind::Preset, name);
        for (const CMessageHookBase::CSettingInfo& setting : engine.f_ListSettings(name.f_GetStr()))
            preset.m_Children.push_back(fg_Node(ENodeKind::Setting, gf_SettingLabel(setting)));
        presets.m_Children.push_back(static_cast<CTreeNode&&>(preset));
    }
    roots.push_back(static_cast<CTreeNode&&>(presets));

    CTreeNode tables = fg_Node(ENodeKind::TablesRoot, gc_TablesRootLabel);
    for (const NTev::CStr& name : engine.f_ListTableNames())
    {
        CTreeNode table = fg_Node(ENodeKind::Table, name);
        for (const CMessageHookBase::CGroupInfo& info : engine.f_ListGroups(name.f_GetStr()))
        {
            CTreeNode group = fg_Node(ENodeKind::Group, gf_GroupLabel(info));
            // Actions on equal keys come together; they share one binding node.
            const CMessageHookBase::CKeys* previous = nullptr;
            const std::vector<CMessageHookBase::CBindingInfo> bindings =
                engine.f_ListBindings(name.f_GetStr(), group.m_Label.f_GetStr());
            for (const CMessageHookBase::CBindingInfo& binding : bindings)
            {
                if (!previous || CMessageHookBase::CKeys::fs_Compare(*previous, binding.m_TriggerKeys) != 0)
                    group.m_Children.push_back(fg_Node(ENodeKind::Binding, binding.m_Label));
                group.m_Children.back().m_Children.push_back(
                    fg_Node(ENodeKind::Action, binding.m_Description));
                previous = &binding.m_TriggerKeys;
            }
            table.m_Children.push_back(static_cast<CTreeNode&&>(group));
        }
        tables.m_Children.push_back(static_cast<CTreeNode&&>(table));
    }
    roots.push_back(static_cast<CTreeNode&&>(tables));
    return roots;
}

bool gf_IdentifyNode(const std::vector<NTev::CStr>& path, CNodeRef& node, std::uint32_t actionIndex)
{
    node = CNodeRef{};
    if (path.empty())
        return false;
    if (path[0] == gc_PresetsRootLabel)
    {
        static constexpr ENodeKind kinds[] = {ENodeKind::PresetsRoot, ENodeKind::Preset, ENodeKind::Setting};
        if (path.size() > std::size(kinds))
            return false;
        node.m_Kind = kinds[path.size() - 1];
        if (path.size() > 1)
            node.m_Preset = path[1];
        if (path.size() > 2)
            node.m_Setting = fg_BeforeSeparator(path[2]);
        return true;
    }
    if (path[0] == gc_TablesRootLabel)
    {
        static constexpr ENodeKind kinds[] = {ENodeKind::TablesRoot, ENodeKind::Table, ENodeKind::Group,
                                              ENodeKind::Binding, ENodeKind::Action};
        if (path.size() > std::size(kinds))
            return false;
        node.m_Kind = kinds[path.size() - 1];
        if (path.size() > 1)
            node.m_Table = path[1];
        if (path.size() > 2)
            node.m_Group = path[2];
        if (path.size() > 3)
            node.m_TriggerKeys = CMessageHook::f_ParseKeys(path[3].f_GetStr());
        if (path.size() > 4)
            node.m_ActionIndex = actionIndex;
        return true;
    }
    return false;
}

NTev::CStr gf_NodeIdentity(ENodeKind kind, const NTev::CStr& label)
{
    switch (kind)
    {
        case ENodeKind::Setting:
        case ENodeKind::Group:
            return fg_BeforeSeparator(label);
        case ENodeKind::Action:
            return {};
        default:
            return label;
    }
}
} // namespace NQuillon
