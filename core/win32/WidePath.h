#pragma once
// Paths between the wide form Windows hands out and the narrow (ANSI) form this program's file
// calls take.

#include "core/Str.h"

#include <string>

namespace NTev::NSys
{
// The ANSI form with "/" separators, or false when the ANSI code page cannot spell the path
// exactly (a round trip decides).
bool gf_ToAnsiPath(const std::wstring& path, NStr::CStr& ansi);
// A path the narrow file calls can open, with "/" separators: the path itself when the ANSI
// code page spells it, else its short form (the path must exist); empty when neither can be
// spelled.
NStr::CStr gf_NarrowPath(const std::wstring& path);
// The wide form of a narrow path, with "\" separators.
std::wstring gf_WidenPath(const char* path);
} // namespace NTev::NSys
