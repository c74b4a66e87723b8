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
// Whether a group of that name is found again from its label, whose name is the text between
// ": " and the first " | " after it: a name may neither hold " | " nor end with " |".
bool gf_IsGroupNameInLabelForm(const char* name) noexcept;

// The two roots with everything below them, in model order: one binding node per set of
// trigger keys, with a child per action bound to them.
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
    // Which of the binding's actions (a file may bind several to the same keys).
    std::uint32_t m_ActionIndex = 0;

    CMessageHookBase::CActionRef f_GetAction() const { return {m_TriggerKeys, m_ActionIndex}; }
};

// The node's labels from its root down to itself and, for an action, its place among the
// binding's actions (labels alone cannot tell two actions of one kind apart). False for a
// path that no node of the tree can have (an unknown root, too deep).
bool gf_IdentifyNode(const std::vector<NTev::CStr>& path, CNodeRef& node, std::uint32_t actionIndex = 0);

// What identifies a node among its siblings when the tree is rebuilt: a setting by its name
// (its value changes), a group by "priority: name" (its ignore rule changes), the one action
// of a binding by its place (every action has the same identity, so they match in order);
// every other node by its whole label.
NTev::CStr gf_NodeIdentity(ENodeKind kind, const NTev::CStr& label);
} // namespace NQuillon
