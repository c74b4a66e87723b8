#include "ui/ConfigCommands.h"

#include "actions/Accelerator.h"
#include "config/Settings.h"
#include "core/Format.h"
#include "ui/EditKeys.h"
#include "ui/Messages.h"

#include <algorithm>

namespace NQuillon
{
namespace
{
bool fg_Contains(const std::vector<NTev::CStr>& names, const NTev::CStr& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool fg_ChangesConfiguration(ECommand command)
{
    // The current table is not in the file: choosing it changes only this process. Every
    // other command saves.
    return command != ECommand::CurrentTable;
}

// The choice "Ordering rule for {}" of one recorded key: "Any", then 1 to count.
std::vector<CChoiceEntry> fg_OrderChoices(std::uint32_t count)
{
    std::vector<CChoiceEntry> entries{{"Any", 0}};
    for (std::uint32_t n = 1; n <= count; ++n)
    {
        NTev::CFStr256 text;
        NTev::gf_Format(text, "{}", n);
        entries.push_back({text.f_GetStr(), n});
    }
    return entries;
}
} // namespace

NTev::CStr gf_FormatSaveFailedMessage(const CMessageHookBase::CSaveFailure& failure)
{
    NTev::CStr text;
    NTev::gf_Format(text,
                    "Quillon could not save your settings to {}: {}. The change was undone. Make sure "
                    "that you can write to that folder and that no other program keeps the file open, "
                    "then try again.",
                    failure.m_Path, failure.m_Error);
    return text;
}

bool gf_ReportSaveFailure(CMessageHookBase& engine, ICMessageHost& messages)
{
    CMessageHookBase::CSaveFailure failure;
    if (!engine.f_TakeSaveFailure(failure))
        return false;
    messages.f_ShowError(gf_FormatSaveFailedMessage(failure).f_GetStr());
    return true;
}

void CConfigCommands::f_Run(const CNodeRef& node, const CMenuEntry& entry)
{
    fp_RunCommand(node, entry);
    // Whatever the command changed and could not save was undone: the user learns why.
    gf_ReportSaveFailure(m_Engine, m_Messages);
}

void CConfigCommands::fp_RunCommand(const CNodeRef& node, const CMenuEntry& entry)
{
    if (fg_ChangesConfiguration(entry.m_Command) && !m_Engine.f_IsEditable())
    {
        m_Messages.f_ShowError(gc_NotEditableMessage);
        return;
    }
    const char* preset = node.m_Preset.f_GetStr();
    const char* table = node.m_Table.f_GetStr();
    const char* group = node.m_Group.f_GetStr();
    const CMessageHookBase::CActionRef action = node.f_GetAction();
    CMessageHook::CKeys recorded;
    switch (entry.m_Command)
    {
        case ECommand::CreatePreset:
        case ECommand::CreateTable:
            fp_CreateNamed(entry.m_Command);
            break;
        case ECommand::DefaultPreset:
            m_Engine.f_SetDefaultPreset(preset);
            break;
        case ECommand::CurrentPreset:
            m_Engine.f_SetCurrentPreset(preset);
            break;
        case ECommand::DeletePreset:
        case ECommand::DeleteTable:
        case ECommand::DeleteGroup:
        case ECommand::DeleteAction:
            fp_Delete(node, entry.m_Command);
            break;
        case ECommand::SetValue:
            fp_SetValue(node);
            break;
        case ECommand::SetToDefault:
            m_Engine.f_SetPresetSettingToDefault(preset, node.m_Setting.f_GetStr());
            break;
        case ECommand::CreateGroup:
            fp_CreateGroup(node);
            break;
        case ECommand::DefaultTable:
            m_Engine.f_SetDefaultTable(table);
            break;
        case ECommand::CurrentTable:
            m_Engine.f_ActivateTable(table);
            break;
        case ECommand::CreateBinding:
            fp_CreateBinding(node);
            break;
        case ECommand::SetIgnoreKeys:
            if (fp_Record(CInputKeyMapperDlg::mc_PromptIgnore, 2, recorded))
                m_Engine.f_SetGroupIgnoreKeys(table, group, recorded);
            break;
        case ECommand::IgnoreAllKeys:
            m_Engine.f_SetGroupIgnoreKeys(table, group, CMessageHook::CKeys{CMessageHook::CKey{}});
            break;
        case ECommand::IgnoreNoKeys:
            m_Engine.f_SetGroupIgnoreKeys(table, group, CMessageHook::CKeys{});
            break;
        case ECommand::RunOnActivate:
        {
            bool runOnActivate = false;
            if (m_Engine.f_GetGroupRunOnActivate(table, group, runOnActivate))
                m_Engine.f_SetGroupRunOnActivate(table, group, !runOnActivate);
            break;
        }
        case ECommand::ContinueProcessing:
        {
            std::uint32_t flags = 0;
            if (m_Engine.f_GetActionFlags(table, group, action, flags))
                m_Engine.f_SetActionFlags(table, group, action, flags ^ EActionFlag_ContinueProcessing);
            break;
        }
        case ECommand::SetRemapTable:
            fp_SetRemapTable(node, action);
            break;
        case ECommand::SetActionOptions:
            fp_SetActionOptions(node, action);
            break;
        case ECommand::SetReleaseKeys:
            if (fp_Record(CInputKeyMapperDlg::mc_PromptRelease, 2, recorded))
                m_Engine.f_SetReleaseKeys(table, group, action, recorded);
            break;
        case ECommand::SetSequenceCount:
            fp_SetSequenceCount(node);
            break;
        case ECommand::RecordSequence:
            if (fp_Record(CInputKeyMapperDlg::mc_PromptGenerate, 2, recorded))
                m_Engine.f_SetGenerateSequence(table, group, action, entry.m_Index, recorded);
            break;
        case ECommand::EditSequence:
        {
            CMessageHook::CKeys sequence;
            if (!m_Engine.f_GetGenerateSequence(table, group, action, entry.m_Index, sequence))
                break;
            const CMessageHook::CKeys edited = EditKeys(m_Dialogs, sequence);
            if (!(edited == sequence))
                m_Engine.f_SetGenerateSequence(table, group, action, entry.m_Index, edited);
            break;
        }
    }
}

void CConfigCommands::fp_CreateNamed(ECommand command)
{
    const bool isTable = command == ECommand::CreateTable;
    CInputDialog dialog(isTable ? "Create New Remapping Table" : "Create New Preset",
                        isTable ? "Creates a new remapping table" : "Creates a new preset");
    dialog.f_AddText("Name");
    if (!m_Dialogs.f_ShowInputDialog(dialog))
        return;
    const NTev::CStr& name = dialog.f_GetText(0);
    if (name.f_IsEmpty())
    {
        m_Messages.f_ShowError(NMessages::gc_NoName);
        return;
    }
    const bool created =
        isTable ? m_Engine.f_CreateTable(name.f_GetStr()) : m_Engine.f_CreatePreset(name.f_GetStr());
    if (!created && !gf_ReportSaveFailure(m_Engine, m_Messages))
        m_Messages.f_ShowError(NMessages::gc_NameExists);
}

void CConfigCommands::fp_CreateGroup(const CNodeRef& node)
{
    NTev::CStr name;
    NTev::CStr priority("0");
    for (;;)
    {
        CInputDialog dialog("Create New Remapping Group", "Creates a new remapping group");
        dialog.f_AddText("Name", name.f_GetStr());
        dialog.f_AddText("Priority", priority.f_GetStr());
        if (!m_Dialogs.f_ShowInputDialog(dialog))
            return;
        name = dialog.f_GetText(0);
        priority = dialog.f_GetText(1);
        if (name.f_IsEmpty())
        {
            m_Messages.f_ShowError(NMessages::gc_NoName);
            continue;
        }
        if (!gf_IsGroupNameInLabelForm(name.f_GetStr()))
        {
            m_Messages.f_ShowError(gc_BadGroupNameMessage);
            continue;
        }
        if (m_Engine.f_CreateGroup(node.m_Table.f_GetStr(), name.f_GetStr(),
                                   gf_ParseSettingInteger(priority.f_GetStr(), 0)) ||
            gf_ReportSaveFailure(m_Engine, m_Messages))
            return;
        // The table went meanwhile (another process changed the file): nothing to ask again.
        if (!fg_Contains(m_Engine.f_ListTableNames(), node.m_Table))
            return;
        m_Messages.f_ShowError(NMessages::gc_NameOrPriorityExists);
    }
}

void CConfigCommands::fp_CreateBinding(const CNodeRef& node)
{
    CMessageHook::CKeys keys;
    if (!fp_Record(CInputKeyMapperDlg::mc_PromptTrigger, 1, keys) || keys.f_IsEmpty())
        return;
    const std::vector<CActionTypeEntry> types = CMessageHookBase::CAccelerator::fs_GetActionTypes();
    CInputDialog dialog("Create New Action", "Creates a new remap action");
    std::vector<CChoiceEntry> typeEntries;
    for (std::size_t i = 0; i < types.size(); ++i)
        typeEntries.push_back({types[i].m_Text, static_cast<std::int64_t>(i)});
    dialog.f_AddChoice("Remap to Type", std::move(typeEntries), 0);
    const std::uint32_t count = keys.f_GetCount();
    for (std::uint32_t i = 0; i < count; ++i)
    {
        NTev::CFStr256 caption;
        NTev::gf_Format(caption, "Ordering rule for {}",
                        CMessageHook::f_GetKeyName(keys[i].m_Device, keys[i].m_Code).f_GetStr());
        // The last key defaults to come after the others: a two-key combination then means the
        // first key held while the second is pressed.
        dialog.f_AddChoice(caption.f_GetStr(), fg_OrderChoices(count),
                           i + 1 == count ? static_cast<std::int32_t>(count - 1) : 0);
    }
    if (!m_Dialogs.f_ShowInputDialog(dialog))
        return;
    const std::int64_t typeIndex = dialog.f_GetSelectedValue(0, 0);
    if (typeIndex < 0 || static_cast<std::size_t>(typeIndex) >= types.size())
        return;
    const CActionTypeEntry& type = types[static_cast<std::size_t>(typeIndex)];
    for (std::uint32_t i = 0; i < count; ++i)
        keys[i].m_Order = static_cast<std::uint32_t>(dialog.f_GetSelectedValue(i + 1, 0));
    CMessageHook::f_NumberKeyOrder(keys);
    const char* table = node.m_Table.f_GetStr();
    const char* group = node.m_Group.f_GetStr();
    if (!m_Engine.f_CreateAction(table, group, keys, type.m_Kind, type.m_ClassName.f_GetStr()))
    {
        // A group that went meanwhile is no clash.
        EActionKind kind;
        if (!gf_ReportSaveFailure(m_Engine, m_Messages) && m_Engine.f_GetActionKind(table, group, keys, kind))
            m_Messages.f_ShowError(NMessages::gc_ActionExists);
        return;
    }
    m_Engine.f_SetGenerateSequenceCount(table, group, keys, 1);
    EActionKind kind = type.m_Kind;
    m_Engine.f_GetActionKind(table, group, keys, kind);
    std::vector<CActionOptionGroup> options;
    if (kind == EActionKind_RemapTable)
        fp_SetRemapTable(node, keys);
    else if (m_Engine.f_GetActionOptions(table, group, keys, options) && !options.empty())
        fp_SetActionOptions(node, keys);
}

void CConfigCommands::fp_Delete(const CNodeRef& node, ECommand command)
{
    const char* question = command == ECommand::DeletePreset  ? NMessages::gc_DeletePreset
                           : command == ECommand::DeleteTable ? NMessages::gc_DeleteTable
                           : command == ECommand::DeleteGroup ? NMessages::gc_DeleteGroup
                                                              : NMessages::gc_DeleteAction;
    if (!m_Messages.f_AskYesNo(question, NMessages::gc_ConfirmTitle))
        return;
    switch (command)
    {
        case ECommand::DeletePreset:
            m_Engine.f_DeletePreset(node.m_Preset.f_GetStr());
            break;
        case ECommand::DeleteTable:
            m_Engine.f_DeleteTable(node.m_Table.f_GetStr());
            break;
        case ECommand::DeleteGroup:
            m_Engine.f_DeleteGroup(node.m_Table.f_GetStr(), node.m_Group.f_GetStr());
            break;
        default:
            m_Engine.f_DeleteAction(node.m_Table.f_GetStr(), node.m_Group.f_GetStr(), node.f_GetAction());
            break;
    }
}

void CConfigCommands::fp_SetValue(const CNodeRef& node)
{
    NTev::CStr value;
    std::vector<NTev::CStr> offered;
    if (!m_Engine.f_GetPresetSettingValue(node.m_Preset.f_GetStr(), node.m_Setting.f_GetStr(), value,
                                          offered))
        return;
    CInputDialog dialog("Set setting value", "Sets the value for this setting");
    if (offered.empty())
        dialog.f_AddText(node.m_Setting.f_GetStr(), value.f_GetStr());
    else
    {
        std::vector<CChoiceEntry> entries;
        for (std::size_t i = 0; i < offered.size(); ++i)
            entries.push_back({offered[i], static_cast<std::int64_t>(i)});
        const auto current = std::find(offered.begin(), offered.end(), value);
        dialog.f_AddChoice(node.m_Setting.f_GetStr(), std::move(entries),
                           current == offered.end() ? -1
                                                    : static_cast<std::int32_t>(current - offered.begin()));
    }
    if (!m_Dialogs.f_ShowInputDialog(dialog))
        return;
    if (!offered.empty())
    {
        const std::int64_t chosen = dialog.f_GetSelectedValue(0, -1);
        if (chosen < 0)
            return;
        value = offered[static_cast<std::size_t>(chosen)];
    }
    else
        value = dialog.f_GetText(0);
    m_Engine.f_SetPresetSettingValue(node.m_Preset.f_GetStr(), node.m_Setting.f_GetStr(), value.f_GetStr());
}

void CConfigCommands::fp_SetRemapTable(const CNodeRef& node, const CMessageHookBase::CActionRef& action)
{
    const char* table = node.m_Table.f_GetStr();
    const char* group = node.m_Group.f_GetStr();
    NTev::CStr current;
    if (!m_Engine.f_GetActionRemapTable(table, group, action, current))
        return;
    const std::vector<NTev::CStr> names = m_Engine.f_ListTableNames();
    std::vector<CChoiceEntry> entries;
    std::int32_t selected = -1;
    for (std::size_t i = 0; i < names.size(); ++i)
    {
        if (names[i] == current)
            selected = static_cast<std::int32_t>(i);
        entries.push_back({names[i], static_cast<std::int64_t>(i)});
    }
    CInputDialog dialog("Set action remap table", "Sets the remap table for the action");
    dialog.f_AddChoice("Remap table", std::move(entries), selected);
    if (!m_Dialogs.f_ShowInputDialog(dialog))
        return;
    const std::int64_t chosen = dialog.f_GetSelectedValue(0, -1);
    if (chosen >= 0)
        m_Engine.f_SetActionRemapTable(table, group, action,
                                       names[static_cast<std::size_t>(chosen)].f_GetStr());
}

void CConfigCommands::fp_SetActionOptions(const CNodeRef& node, const CMessageHookBase::CActionRef& action)
{
    const char* table = node.m_Table.f_GetStr();
    const char* group = node.m_Group.f_GetStr();
    std::vector<CActionOptionGroup> options;
    if (!m_Engine.f_GetActionOptions(table, group, action, options) || options.empty())
        return;
    CInputDialog dialog("Set action options", "Sets the options for the action");
    for (const CActionOptionGroup& option : options)
    {
        std::vector<CChoiceEntry> entries;
        for (std::size_t i = 0; i < option.m_Entries.size(); ++i)
            entries.push_back({option.m_Entries[i], static_cast<std::int64_t>(i)});
        dialog.f_AddChoice(option.m_Caption.f_GetStr(), std::move(entries), option.m_Selected);
    }
    if (!m_Dialogs.f_ShowInputDialog(dialog))
        return;
    for (std::size_t i = 0; i < options.size(); ++i)
        options[i].m_Selected =
            static_cast<std::int32_t>(dialog.f_GetSelectedValue(i, options[i].m_Selected));
    m_Engine.f_SetActionOptions(table, group, action, options);
}

void CConfigCommands::fp_SetSequenceCount(const CNodeRef& node)
{
    const char* table = node.m_Table.f_GetStr();
    const char* group = node.m_Group.f_GetStr();
    std::uint32_t count = 0;
    if (!m_Engine.f_GetGenerateSequenceCount(table, group, node.f_GetAction(), count))
        return;
    NTev::CFStr256 text;
    NTev::gf_Format(text, "{}", count);
    CInputDialog dialog("Set number of generate actions", "Sets the number of generate actions");
    dialog.f_AddText("Num sequences", text.f_GetStr());
    if (!m_Dialogs.f_ShowInputDialog(dialog))
        return;
    const std::int32_t typed =
        gf_ParseSettingInteger(dialog.f_GetText(0).f_GetStr(), static_cast<std::int32_t>(count));
    if (typed < 0 || static_cast<std::uint32_t>(typed) > CMessageHookBase::mc_MaxGenerateSequences)
    {
        m_Messages.f_ShowError(gc_BadSequenceCountMessage);
        return;
    }
    m_Engine.f_SetGenerateSequenceCount(table, group, node.f_GetAction(), static_cast<std::uint32_t>(typed));
}

bool CConfigCommands::fp_Record(const char* prompt, std::int32_t mode, CMessageHook::CKeys& keys)
{
    CInputKeyMapperDlg dialog(m_Capture, prompt, mode);
    if (m_Recorder.f_RecordKeys(dialog) != CInputKeyMapperDlg::EResult_Done)
        return false;
    keys = dialog.m_Keys;
    return true;
}
} // namespace NQuillon
