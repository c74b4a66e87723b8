#pragma once
// System DLLs loaded from System32 only: a bare name would also be looked for in the program's
// folder and the current directory, where a file planted by a user would run in the caller (the
// service runs as SYSTEM).

#include <windows.h>

namespace NTev::NSys
{
// The library of that file name in System32; null when it is missing.
HMODULE gf_LoadSystemLibrary(const char* name) noexcept;
} // namespace NTev::NSys
