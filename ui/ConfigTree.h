#pragma once
// The configuration as the main dialog's tree shows it: two roots, "Presets" with each preset
// and its settings, "Remappings" with each table, its groups, their bindings and each
// binding's action. Built from copies the configuration operations hand out; a node names its
// model object only by its labels, never by a reference.

#include "engine/MessageHook.h"

#include <cstdint>
#include <vector>

namespace NQuillon
{
enum class ENodeKind
{
    PresetsRoot,
    Preset,
    Setting,
    TablesRoot,
    Table,
    Group,
    Binding,
    Action,
};

struct CTreeNode
{
    ENodeKind m_Kind = ENodeKind::PresetsRoot;
    NTev::CStr m_Label;
    std::vector<CTreeNode> m_Children;
};

constexpr const char* gc_PresetsRootLabel = "Presets";
constexpr const char* gc_TablesRootLabel = "Remappings";

// "name | value" (the default applies) or "name | * value" (the preset's own entry).
NTev::CStr gf_SettingLabel(const CMessageHookBase::CSettingInfo& setting);
// "3: Main | Ignore no keys".
NTev::CStr gf_GroupLabel(const CMessageHookBase::CGroupInfo& group);

// The two roots with everything below them, in model order.
std::vector<CTreeNode> gf_BuildConfigTree(CMessageHookBase& engine);

// What a node names: its kind and the names its operations take.
struct CNodeRef
{
    ENodeKind m_Kind = ENodeKind::PresetsRoot;
    NTev::CStr m_Preset;
    NTev::CStr m_Setting;
    NTev::CStr m_Table;
    // The group node's whole label; the operations keep what they need of it.
    NTev::CStr m_Group;
    CMessageHook::CKeys m_TriggerKeys;
};

// The node's labels from its root down to itself. False for a path that no node of the tree
// can have (an unknown root, too deep).
bool gf_IdentifyNode(const std::vector<NTev::CStr>& path, CNodeRef& node);

// What identifies a node among its siblings when the tree is rebuilt: a setting by its name
// (its value changes), a group by "priority: name" (its ignore rule changes), the one action
// of a binding whatever its description; every other node by its whole label.
NTev::CStr gf_NodeIdentity(ENodeKind kind, const NTev::CStr& label);
} // namespace NQuillon
