#pragma once
// Shared steps of the configuration operations.

#include "config/Configuration.h"

namespace NQuillon
{
// The group a dialog label "<priority>: <name> | ..." names, in a table: the group of that
// priority, when its name is the text up to " | ". Also "<name> | ..." and a plain name.
CMessageHookBase::CRemapGroup* gf_FindGroupByLabel(CMessageHookBase::CConfiguration& configuration,
                                                   const char* table, const char* groupLabel);
// The action of a group that the reference names, or null.
CMessageHookBase::CAccelerator* gf_FindBoundAction(CMessageHookBase::CConfiguration& configuration,
                                                   const char* table, const char* groupLabel,
                                                   const CMessageHookBase::CActionRef& action);
} // namespace NQuillon
