#pragma once
// Listing directories: the entries matching a path pattern ("dir/*.dat"), as full paths with
// "/" separators and attribute bits.

#include "core/Str.h"

#include <cstdint>

namespace NTev::NSys::NFile
{
// Attribute bits of an entry.
inline constexpr std::uint32_t AttributeDirectory = 0x01;
inline constexpr std::uint32_t AttributeReparsePoint = 0x02;
inline constexpr std::uint32_t AttributeHidden = 0x04;
inline constexpr std::uint32_t AttributeReadOnly = 0x08;
inline constexpr std::uint32_t AttributeSystem = 0x10;
// Only in the masks of gf_Exists: any entry that is not a directory.
inline constexpr std::uint32_t ExistsNotDirectory = 0x20;

// A search in progress. Defined by each backend.
struct CFindRecord;

// Starts a search; a pattern that matches nothing gives a record whose gf_FindNext returns
// null. Throws CExceptionFile when the pattern cannot be resolved.
CFindRecord* gf_FindOpen(const char* pattern);
// The full path of the next entry ("." and ".." are skipped), valid until the next call, and
// its attribute bits (attributes may be null); null when there are no more.
const NStr::CStr* gf_FindNext(CFindRecord* record, std::uint32_t* attributes);
void gf_FindClose(CFindRecord* record) noexcept;

// For the backends: resolves the pattern into fullPattern ("/" separators) and returns its
// directory part, ending in "/"; throws "Could not find the end of the path" without one.
NStr::CStr gf_GetFindDirectory(const char* pattern, NStr::CStr& fullPattern);

// Whether the first entry matching path shares a bit with mask (ExistsNotDirectory: or is not
// a directory). Failures of the search count as false.
bool gf_Exists(const char* path, std::uint32_t mask);
} // namespace NTev::NSys::NFile
