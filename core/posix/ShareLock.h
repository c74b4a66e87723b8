#pragma once
// Windows share modes on POSIX, emulated with advisory locks (flock) on each open file
// description. What is emulated:
// - An open that shares both reading and writing (OpenShareRead | OpenShareWrite) takes a
//   shared lock; any other open takes an exclusive one. Opens of this library therefore
//   exclude each other exactly as on Windows for the share modes the system uses (none, or
//   both); a partial share mode is treated as sharing nothing, which is stricter.
// - Deleting or renaming a file that is open here fails, as no open shares deletion.
// - Copying needs a shared lock on the source and an exclusive one on the target.
// A conflict sets errno to EBUSY, the stand-in for Windows' sharing violation. Only opens of
// this library take the locks; other programs are not held off. A file system without
// flock support is used without the emulation.

#include <cstdint>

namespace NTev::NSys::NFile
{
// Takes the lock an open with these flags holds. False (errno EBUSY) on a conflict.
bool gf_LockShare(int descriptor, std::uint32_t flags) noexcept;
// Takes an exclusive (or shared) lock for the duration of a file operation. False (errno
// EBUSY) when an open of this library conflicts.
bool gf_LockForOperation(int descriptor, bool bExclusive) noexcept;
} // namespace NTev::NSys::NFile
