#pragma once
// Full paths the way the system resolves them: against the current directory, with "." and
// ".." folded, without looking at the disk.

#include "core/Str.h"

namespace NTev::NSys::NFile
{
// The full path of path in the system's form (Windows: "\" separators). A failure throws
// the Windows-error form for GetFullPathName with function as the throwing function.
NStr::CStr gf_GetFullPath(const char* path, const char* function);

// The text with every "\" turned into "/": the form of the paths the library returns.
NStr::CStr gf_WithSlashes(const char* path);
} // namespace NTev::NSys::NFile
