#pragma once
// The key-sequence editor: edits a key list by choosing key names, one choice per key, and a
// choice of how many keys there are. A changed count cuts or extends the list and shows the
// editor again; cancel at any point returns the list passed in.

#include "widgets/InputDialog.h"

#include "engine/MessageHook.h"

#include <cstdint>
#include <vector>

namespace NQuillon
{
// Every keyboard code 1 to 255 (value c) and mouse code 1 to 22 (value 256 + m), sorted by
// text.
const std::vector<CChoiceEntry>& gf_GetEditableKeys();

// Value of a key in that list, and back.
std::int64_t gf_KeyChoiceValue(const CMessageHook::CKey& key) noexcept;
CMessageHook::CKey gf_KeyFromChoiceValue(std::int64_t value, std::uint32_t order) noexcept;

// The dialog that shows keys: "Edit Key Sequence", described as "Edits a key sequence" unless
// a description is given.
CInputDialog gf_MakeEditKeysDialog(const CMessageHook::CKeys& keys, const char* description = nullptr);

// Keys the editor added are never returned without a chosen key (code 0 would mean "All
// Keys"): OK then shows the editor again, saying which keys to choose. Keys of the list passed
// in keep what they stood for.
CMessageHook::CKeys EditKeys(ICInputDialogHost& host, const CMessageHook::CKeys& keys);
} // namespace NQuillon
