#pragma once
// The program's command-line arguments and the program's own path.

#include "core/Str.h"

#include <vector>

namespace NTev::NSys::NFile
{
// Splits a whole command line (program name first) into its arguments: the program name is
// skipped; double quotes group and are dropped; "\\", "\"" and "\n" are escapes; blanks and
// the control characters 8 to 10 and 13 separate outside quotes; empty arguments vanish.
std::vector<NStr::CStr> gf_SplitCommandLine(const char* commandLine);
// A command line that gf_SplitCommandLine splits back into arguments (empty ones excepted).
NStr::CStr gf_JoinCommandLine(const char* programName, const std::vector<NStr::CStr>& arguments);

// The command line of this process as the system hands it over.
NStr::CStr gfs_GetCommandLine();
// This process's arguments, split once on first use.
const std::vector<NStr::CStr>& gf_GetArguments();
// The first argument; throws CExceptionListBoundCheck when there is none.
const NStr::CStr& gf_GetFirstArgument();

// The full path of the running program file, with "/" separators.
NStr::CStr gfs_GetProgramPath();
// The program path cut before its last "/": where the settings, marker, driver and crash
// files live.
NStr::CStr gf_GetProgramDirectory();
} // namespace NTev::NSys::NFile
