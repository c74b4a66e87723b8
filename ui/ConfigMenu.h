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
// without its menu (the window's tests do).
constexpr std::uint32_t gc_MaxMenuSequences = 256;
constexpr int gc_FirstMenuCommandId = 0x1000;
int gf_MenuCommandId(const CMenuEntry& entry) noexcept;
// The entry of the menu that has that identifier, or null.
const CMenuEntry* gf_FindMenuEntry(const std::vector<CMenuEntry>& menu, int commandId) noexcept;
} // namespace NQuillon
