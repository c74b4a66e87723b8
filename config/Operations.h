#pragma once
// Shared steps of the configuration operations.

#include "config/Configuration.h"

namespace NQuillon
{
// The group a dialog label "<name> | ..." names (or a plain name), in a table.
CMessageHookBase::CRemapGroup* gf_FindGroupByLabel(CMessageHookBase::CConfiguration& configuration,
                                                   const char* table, const char* groupLabel);
// The action bound to trigger keys in a group, or null.
CMessageHookBase::CAccelerator* gf_FindBoundAction(CMessageHookBase::CConfiguration& configuration,
                                                   const char* table, const char* groupLabel,
                                                   const CMessageHookBase::CKeys& triggerKeys);
} // namespace NQuillon
