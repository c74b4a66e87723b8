#include "ui/ConfigMenu.h"

#include "config/Configuration.h"
#include "core/Format.h"

#include <algorithm>

namespace NQuillon
{
namespace
{
CMenuEntry fg_Entry(ECommand command, const char* text, bool checked = false, std::uint32_t index = 0)
{
    CMenuEntry entry;
    entry.m_Command = command;
    entry.m_Index = index;
    entry.m_Text = text;
    entry.m_bChecked = checked;
    return entry;
}

NTev::CStr fg_Name(const CMessageHookBase::CPreset* preset)
{
    return preset ? preset->m_Name : NTev::CStr();
}

void fg_AddActionEntries(CMessageHookBase& engine, const CNodeRef& node, std::vector<CMenuEntry>& menu)
{
    const char* table = node.m_Table.f_GetStr();
    const char* group = node.m_Group.f_GetStr();
    const CMessageHookBase::CActionRef action = node.f_GetAction();
    std::uint32_t flags = 0;
    EActionKind kind = EActionKind_Input;
    // An action that vanished offers nothing.
    if (!engine.f_GetActionFlags(table, group, action, flags) ||
        !engine.f_GetActionKind(table, group, action, kind))
        return;
    menu.push_back(fg_Entry(ECommand::DeleteAction, "Delete action"));
    menu.push_back(fg_Entry(ECommand::ContinueProcessing, "Continue Processing Keys",
                            (flags & EActionFlag_ContinueProcessing) != 0));
    if (kind == EActionKind_RemapTable)
        menu.push_back(fg_Entry(ECommand::SetRemapTable, "Set remap table"));
    std::vector<CActionOptionGroup> options;
    if (engine.f_GetActionOptions(table, group, action, options) && !options.empty())
        menu.push_back(fg_Entry(ECommand::SetActionOptions, "Set action options"));
    if (kind != EActionKind_Input)
        return;
    menu.push_back(fg_Entry(ECommand::SetReleaseKeys, "Set temporary release keys"));
    menu.push_back(fg_Entry(ECommand::SetSequenceCount, "Set num generate sequences"));
    std::uint32_t count = 0;
    engine.f_GetGenerateSequenceCount(table, group, action, count);
    // A file made by hand may hold more sequences than the menu can name.
    count = std::min(count, gc_MaxMenuSequences);
    for (std::uint32_t n = 0; n < count; ++n)
    {
        NTev::CFStr256 text;
        NTev::gf_Format(text, "Record key sequence {}", n);
        menu.push_back(fg_Entry(ECommand::RecordSequence, text.f_GetStr(), false, n));
    }
    for (std::uint32_t n = 0; n < count; ++n)
    {
        NTev::CFStr256 text;
        NTev::gf_Format(text, "Edit key sequence {}", n);
        menu.push_back(fg_Entry(ECommand::EditSequence, text.f_GetStr(), false, n));
    }
}
} // namespace

std::vector<CMenuEntry> gf_BuildContextMenu(CMessageHookBase& engine, const CNodeRef& node)
{
    CMessageHookBase::CLockGuard lock(engine.f_GetLock());
    CMessageHookBase::CConfiguration& configuration = engine.f_GetConfiguration();
    std::vector<CMenuEntry> menu;
    switch (node.m_Kind)
    {
        case ENodeKind::PresetsRoot:
            menu.push_back(fg_Entry(ECommand::CreatePreset, "Create new preset"));
            break;
        case ENodeKind::Preset:
            menu.push_back(fg_Entry(ECommand::DefaultPreset, "Default preset",
                                    fg_Name(configuration.m_pDefaultPreset) == node.m_Preset));
            menu.push_back(fg_Entry(ECommand::CurrentPreset, "Current preset",
                                    fg_Name(configuration.m_pCurrentPreset) == node.m_Preset));
            menu.push_back(fg_Entry(ECommand::DeletePreset, "Delete preset"));
            break;
        case ENodeKind::Setting:
            menu.push_back(fg_Entry(ECommand::SetValue, "Set value"));
            menu.push_back(fg_Entry(ECommand::SetToDefault, "Set to default value"));
            break;
        case ENodeKind::TablesRoot:
            menu.push_back(fg_Entry(ECommand::CreateTable, "Create new remapping table"));
            break;
        case ENodeKind::Table:
            menu.push_back(fg_Entry(ECommand::CreateGroup, "Create new group"));
            menu.push_back(fg_Entry(ECommand::DefaultTable, "Default table",
                                    engine.f_GetDefaultTableName() == node.m_Table));
            menu.push_back(fg_Entry(ECommand::CurrentTable, "Current table",
                                    engine.f_GetCurrentTableName() == node.m_Table));
            menu.push_back(fg_Entry(ECommand::DeleteTable, "Delete remapping table"));
            break;
        case ENodeKind::Group:
        {
            bool runOnActivate = false;
            engine.f_GetGroupRunOnActivate(node.m_Table.f_GetStr(), node.m_Group.f_GetStr(), runOnActivate);
            menu.push_back(fg_Entry(ECommand::CreateBinding, "Create new key binding"));
            menu.push_back(fg_Entry(ECommand::DeleteGroup, "Delete group"));
            menu.push_back(fg_Entry(ECommand::SetIgnoreKeys, "Set group don't ignore keys"));
            menu.push_back(fg_Entry(ECommand::IgnoreAllKeys, "Set group ignore all keys"));
            menu.push_back(fg_Entry(ECommand::IgnoreNoKeys, "Set group ignore no keys"));
            menu.push_back(fg_Entry(ECommand::RunOnActivate,
                                    "Run Actions In This Group When the Table is Activated", runOnActivate));
            break;
        }
        case ENodeKind::Binding:
            break;
        case ENodeKind::Action:
            fg_AddActionEntries(engine, node, menu);
            break;
    }
    return menu;
}

int gf_MenuCommandId(const CMenuEntry& entry) noexcept
{
    if (entry.m_Command != ECommand::RecordSequence && entry.m_Command != ECommand::EditSequence)
        return gc_FirstMenuCommandId + static_cast<int>(entry.m_Command);
    if (entry.m_Index >= gc_MaxMenuSequences)
        return 0;
    const int block = entry.m_Command == ECommand::RecordSequence ? 0 : static_cast<int>(gc_MaxMenuSequences);
    return gc_FirstSequenceCommandId + block + static_cast<int>(entry.m_Index);
}

const CMenuEntry* gf_FindMenuEntry(const std::vector<CMenuEntry>& menu, int commandId) noexcept
{
    for (const CMenuEntry& entry : menu)
        if (commandId != 0 && gf_MenuCommandId(entry) == commandId)
            return &entry;
    return nullptr;
}
} // namespace NQuillon
