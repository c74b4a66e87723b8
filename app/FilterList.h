#pragma once
// Edits of the driver filter lists kept in registry multi-strings ("UpperFilters",
// "LowerFilters"), and the multi-string byte form. Service names compare without regard to
// ASCII case, as the system looks services up.

#include "core/Str.h"

#include <cstddef>
#include <string>
#include <vector>

namespace NQuillon::NDrivers
{
using CFilterList = std::vector<NTev::CStr>;

bool gf_IsSameFilter(const char* left, const char* right) noexcept;
bool gf_ContainsFilter(const CFilterList& list, const char* name) noexcept;
// Makes name the first entry and the only one of its name; false (list untouched) when it
// already is the first entry.
bool gf_PutFilterFirst(CFilterList& list, const char* name);
// Appends name unless an entry of that name exists; true when appended.
bool gf_AppendFilterOnce(CFilterList& list, const char* name);
// Removes every entry of that name; true when any was removed.
bool gf_RemoveFilter(CFilterList& list, const char* name);

// The strings of a multi-string value: each ends with a zero byte, an empty string ends the
// list. Data without its terminators is read up to its end.
CFilterList gf_ParseMultiString(const char* data, std::size_t size);
// The multi-string bytes of a list: the strings with their zero bytes, then one more zero
// (an empty list gives two zero bytes).
std::string gf_BuildMultiString(const CFilterList& list);
} // namespace NQuillon::NDrivers
