#pragma once
// The context menu of a node of the configuration tree: which commands it offers, in order,
// with their texts and check marks, read from the configuration when the menu opens.

#include "ui/ConfigTree.h"

#include <cstdint>
#include <vector>

namespace NQuillon
{
enum class ECommand
{
    CreatePreset,
    DefaultPreset,
    CurrentPreset,
    DeletePreset,
    SetValue,
    SetToDefault,
    CreateTable,
    CreateGroup,
    DefaultTable,
    CurrentTable,
    DeleteTable,
    CreateBinding,
    DeleteGroup,
    SetIgnoreKeys,
    IgnoreAllKeys,
    IgnoreNoKeys,
    RunOnActivate,
    DeleteAction,
    ContinueProcessing,
    SetRemapTable,
    SetActionOptions,
    SetReleaseKeys,
    SetSequenceCount,
    RecordSequence,
    EditSequence,
};

struct CMenuEntry
{
    ECommand m_Command = ECommand::CreatePreset;
    // The generate sequence of RecordSequence and EditSequence.
    std::uint32_t m_Index = 0;
    NTev::CStr m_Text;
    bool m_bChecked = false;
};

std::vector<CMenuEntry> gf_BuildContextMenu(CMessageHookBase& engine, const CNodeRef& node);

// Menu command identifiers: one per command and sequence, so that a command can be chosen
// without its menu (the window's tests do). Identifiers are 16 bits wide in a window's
// messages: each of the two sequence commands has its own block, and the menu offers no
// sequence beyond it rather than one whose identifier would name another.
constexpr int gc_FirstMenuCommandId = 0x1000;
constexpr int gc_FirstSequenceCommandId = 0x2000;
constexpr std::uint32_t gc_MaxMenuSequences = 0x3000;
// 0 for a sequence beyond the blocks.
int gf_MenuCommandId(const CMenuEntry& entry) noexcept;
// The entry of the menu that has that identifier, or null.
const CMenuEntry* gf_FindMenuEntry(const std::vector<CMenuEntry>& menu, int commandId) noexcept;
} // namespace NQuillon
