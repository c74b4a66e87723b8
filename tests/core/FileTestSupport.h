#pragma once
// What the file tests share: a temporary directory per test, file contents written and read
// without the library, handles closed even when a check fails, and the system's error texts.

#include "core/SysFile.h"

#include <cstdint>
#include <string>

namespace NQuillonTest
{
// A fresh directory under the system's temporary directory (on Windows GetTempPath), removed
// with its contents at the end.
class CTempDirectory
{
public:
    CTempDirectory();
    ~CTempDirectory();
    CTempDirectory(const CTempDirectory&) = delete;
    CTempDirectory& operator=(const CTempDirectory&) = delete;

    // The directory's path with "/" separators, no trailing separator.
    const std::string& f_GetPath() const noexcept { return m_Path; }
    // The path of name inside the directory.
    std::string f_Path(const std::string& name) const { return m_Path + "/" + name; }

private:
    std::string m_Path;
};

void gf_WriteFileBytes(const std::string& path, const std::string& bytes);
std::string gf_ReadFileBytes(const std::string& path);
bool gf_PathExists(const std::string& path);
void gf_MakeDirectory(const std::string& path);

// Closes a handle of the lower layer at the end of a scope.
class CHandleGuard
{
public:
    explicit CHandleGuard(NTev::NSys::NFile::CFileHandle* handle) noexcept : m_pHandle(handle) {}
    ~CHandleGuard();
    CHandleGuard(const CHandleGuard&) = delete;
    CHandleGuard& operator=(const CHandleGuard&) = delete;
    NTev::NSys::NFile::CFileHandle* f_Get() const noexcept { return m_pHandle; }
    // Closes now.
    void f_Close();

private:
    NTev::NSys::NFile::CFileHandle* m_pHandle;
};

// Failures whose system error differs between the backends.
enum class ESystemError
{
    FileNotFound,         // opening, copying, renaming or deleting a missing file
    FileExists,           // creating a new file that exists
    TargetExists,         // renaming onto an existing target
    SharingViolation,     // an open or a file operation that conflicts with another open
    NegativeSeek,         // moving the file pointer before the start
    WriteOnReadOnly,      // writing through a handle opened for reading only
    OpenDirectory,        // opening a directory as a file
    DeleteDirectory,      // deleting a directory as a file
    TruncateWithoutWrite, // emptying an existing file opened for reading only
    AccessDenied,         // a folder or file the user may not write
};
// The backend's error code for such a failure.
unsigned long gf_SystemErrorCode(ESystemError error);
// "Windows returned an error from <call>: <system text of the error>".
std::string gf_SystemErrorMessage(const char* call, ESystemError error);

// Sets a file's last write time to a Windows file time (100 ns ticks since 1601).
void gf_SetWriteTime(const std::string& path, std::uint64_t ticks);
// The name of the test program file, as the system's program path ends.
const char* gf_TestProgramFileName();
} // namespace NQuillonTest
