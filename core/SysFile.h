#pragma once
// The lower file layer: open, transfer, size, times, copy, rename, delete. Every failure
// throws NTev::NFile::CExceptionFile; a failed system call gives the Windows-error form
// ("Windows returned an error from CreateFile: ...") on every backend.

#include "core/OpenFlags.h"
#include "core/Str.h"
#include "core/Time.h"

#include <cstdint>

namespace NTev::NSys::NFile
{
// An open file: the system handle and the full path it was opened by. Defined by each backend.
struct CFileHandle;

// Checks the flags (gf_CheckOpenFlags), resolves the full path and opens the file. The
// record belongs to the caller until gf_Close.
CFileHandle* gf_Open(const char* path, std::uint32_t flags);
// Closes the handle and frees the record; a failed close throws and keeps the record.
void gf_Close(CFileHandle* handle);
// Moves the file pointer to position (from the start), then transfers count bytes; returns
// the count transferred, which is short only at the end of the file.
std::int64_t gf_Read(CFileHandle* handle, void* buffer, std::int64_t position, std::int64_t count);
std::int64_t gf_Write(CFileHandle* handle, const void* data, std::int64_t position, std::int64_t count);
std::int64_t gf_GetSize(CFileHandle* handle);
// The last write time (UTC).
CTime gf_GetWriteTime(CFileHandle* handle);
// The last write time of the file at path, read without opening it, so that a file another
// process holds open without sharing can still be looked at; false when it cannot be read.
bool gf_GetWriteTime(const char* path, CTime& writeTime) noexcept;
// The full path the file was opened by, in the system's form.
const NStr::CStr& gf_GetPath(const CFileHandle* handle) noexcept;

// Copies a file over an existing target, keeping the source's write time.
void gf_Copy(const char* from, const char* to);
// Renames or moves a file or directory; fails if the target exists.
void gf_Rename(const char* from, const char* to);
// Moves a file over another in one step, replacing it (MoveFileEx with replace-existing and
// write-through): readers see the old file or the new one, never a part of either.
void gf_Replace(const char* from, const char* to);
void gf_Delete(const char* path);
} // namespace NTev::NSys::NFile
