#pragma once
// The crash reporter's system side: the unhandled-exception filter that writes the crash log
// and dumps, tells the user and ends the process. The system object installs it at start-up.

namespace NTev::NSys
{
// Installs the filter once, keeping the one installed before. Nothing on POSIX, where only
// the portable parts run.
void gf_Crash_Install() noexcept;
// Called first on every thread the library starts (the installing thread is prepared by the
// install): keeps enough stack in reserve to report a stack overflow of the thread.
void gf_Crash_PrepareThread() noexcept;
} // namespace NTev::NSys
