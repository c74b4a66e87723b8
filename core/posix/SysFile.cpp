// POSIX backend of the lower file layer. Messages name the Windows calls whose part each
// step plays, so that callers and traces read the same on every system; errno values take
// the place of Windows error codes.

#include "core/SysFile.h"

#include "core/Exception.h"
#include "core/FullPath.h"
#include "core/MemoryObject.h"
#include "core/posix/ShareLock.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace NTev::NSys::NFile
{
using ::NTev::NFile::CExceptionFile;

struct CFileHandle
{
    int m_Descriptor = -1;
    NStr::CStr m_Path;
};

namespace
{
// Seconds from 1601-01-01 (the Windows file-time origin) to 1970-01-01.
constexpr std::int64_t gc_UnixEpochSeconds = 11644473600;
// At most this many bytes per read or write call.
constexpr std::int64_t gc_MaxTransfer = 0x40000000;

// Closes a descriptor that is given up after a failure, keeping errno for the report.
void fg_Abandon(int descriptor) noexcept
{
    int error = errno;
    ::close(descriptor);
    errno = error;
}

int fg_OpenRetrying(const char* path, int flags, mode_t mode) noexcept
{
    int descriptor;
    do
        descriptor = ::open(path, flags | O_CLOEXEC, mode);
    while (descriptor < 0 && errno == EINTR);
    return descriptor;
}

bool fg_Truncate(int descriptor) noexcept
{
    int result;
    do
        result = ::ftruncate(descriptor, 0);
    while (result != 0 && errno == EINTR);
    return result == 0;
}

// Moves the descriptor's offset to position; false with errno set when lseek fails, and
// bLanded false when it went elsewhere.
bool fg_Seek(int descriptor, std::int64_t position, bool& bLanded) noexcept
{
    off_t at = ::lseek(descriptor, static_cast<off_t>(position), SEEK_SET);
    if (at == static_cast<off_t>(-1))
        return false;
    bLanded = at == static_cast<off_t>(position);
    return true;
}

std::uint64_t fg_FileTimeTicks(const struct timespec& time) noexcept
{
    std::int64_t seconds = static_cast<std::int64_t>(time.tv_sec) + gc_UnixEpochSeconds;
    if (seconds < 0)
        return 0;
    return static_cast<std::uint64_t>(seconds) * 10000000u + static_cast<std::uint64_t>(time.tv_nsec) / 100u;
}

// An open of a file only to hold a lock while it is copied, renamed or deleted; -1 when the
// file cannot be opened for that (the operation itself then reports what is wrong).
class CLockHolder
{
public:
    explicit CLockHolder(const char* path) noexcept
        : m_Descriptor(fg_OpenRetrying(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0))
    {
    }
    ~CLockHolder()
    {
        if (m_Descriptor >= 0)
            fg_Abandon(m_Descriptor);
    }
    CLockHolder(const CLockHolder&) = delete;
    CLockHolder& operator=(const CLockHolder&) = delete;

    bool f_Lock(bool bExclusive) noexcept
    {
        return m_Descriptor < 0 || gf_LockForOperation(m_Descriptor, bExclusive);
    }

private:
    int m_Descriptor;
};

class CDescriptor
{
public:
    explicit CDescriptor(int descriptor) noexcept : m_Descriptor(descriptor) {}
    ~CDescriptor()
    {
        if (m_Descriptor >= 0)
            fg_Abandon(m_Descriptor);
    }
    CDescriptor(const CDescriptor&) = delete;
    CDescriptor& operator=(const CDescriptor&) = delete;
    int f_Get() const noexcept { return m_Descriptor; }

private:
    int m_Descriptor;
};
} // namespace

CFileHandle* gf_Open(const char* path, std::uint32_t flags)
{
    using namespace ::NTev::NFile;
    static constexpr const char* c_Function = "NTev::NSys::NFile::gf_Open";

    gf_CheckOpenFlags(flags);
    ECreationMode mode = gf_GetCreationMode(flags);
    NStr::CStr full = gf_GetFullPath(path, c_Function);
    // Emptying comes after the share check: an open refused for sharing must not empty the file.
    bool bTruncate = mode == ECreationMode::TruncateExisting || mode == ECreationMode::CreateAlways;
    if (bTruncate && !(flags & OpenWrite))
    {
        // Windows refuses to empty a file opened without write access.
        errno = EINVAL;
        TEV_THROW_SYSTEM_FILE(c_Function, "CreateFile");
    }

    int openFlags = O_NOCTTY;
    if ((flags & OpenRead) && (flags & OpenWrite))
        openFlags |= O_RDWR;
    else if (flags & OpenWrite)
        openFlags |= O_WRONLY;
    else
        openFlags |= O_RDONLY;
    if (flags & OpenWriteThrough)
        openFlags |= O_SYNC;
    if (mode == ECreationMode::CreateNew)
        openFlags |= O_CREAT | O_EXCL;
    else if (mode == ECreationMode::OpenAlways || mode == ECreationMode::CreateAlways)
        openFlags |= O_CREAT;

    int descriptor = fg_OpenRetrying(full.f_GetStr(), openFlags, 0666);
    if (descriptor < 0)
        TEV_THROW_SYSTEM_FILE(c_Function, "CreateFile");
    struct stat status;
    if (::fstat(descriptor, &status) != 0)
    {
        fg_Abandon(descriptor);
        TEV_THROW_SYSTEM_FILE(c_Function, "CreateFile");
    }
    // Windows opens no directory as a file.
    if (S_ISDIR(status.st_mode))
    {
        ::close(descriptor);
        errno = EISDIR;
        TEV_THROW_SYSTEM_FILE(c_Function, "CreateFile");
    }
    if (!gf_LockShare(descriptor, flags) || (bTruncate && !fg_Truncate(descriptor)))
    {
        fg_Abandon(descriptor);
        TEV_THROW_SYSTEM_FILE(c_Function, "CreateFile");
    }

    try
    {
        return gf_Mem_New<CFileHandle>(descriptor, static_cast<NStr::CStr&&>(full));
    }
    catch (...)
    {
        ::close(descriptor);
        throw;
    }
}

void gf_Close(CFileHandle* handle)
{
    if (!handle)
        return;
    if (handle->m_Descriptor >= 0)
    {
        int descriptor = handle->m_Descriptor;
        // The descriptor is released even when close reports an error; the record stays
        // for the caller, and a second close then only frees it.
        handle->m_Descriptor = -1;
        if (::close(descriptor) != 0 && errno != EINTR)
            TEV_THROW_SYSTEM_FILE("NTev::NSys::NFile::gf_Close", "CloseHandle");
    }
    gf_Mem_Delete(handle);
}

std::int64_t gf_Read(CFileHandle* handle, void* buffer, std::int64_t position, std::int64_t count)
{
    static constexpr const char* c_Function = "NTev::NSys::NFile::gf_Read";
    bool bLanded = false;
    if (!fg_Seek(handle->m_Descriptor, position, bLanded))
        TEV_THROW_SYSTEM_FILE(c_Function, "SetFilePointerEx");
    if (!bLanded)
        TEV_THROW(CExceptionFile, c_Function, "Failed to move file pointer to read location");

    std::int64_t done = 0;
    while (done < count)
    {
        std::int64_t chunk = count - done < gc_MaxTransfer ? count - done : gc_MaxTransfer;
        ssize_t got =
            ::read(handle->m_Descriptor, static_cast<char*>(buffer) + done, static_cast<size_t>(chunk));
        if (got < 0)
        {
            if (errno == EINTR)
                continue;
            TEV_THROW_SYSTEM_FILE(c_Function, "ReadFile");
        }
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

std::int64_t gf_Write(CFileHandle* handle, const void* data, std::int64_t position, std::int64_t count)
{
    static constexpr const char* c_Function = "NTev::NSys::NFile::gf_Write";
    bool bLanded = false;
    if (!fg_Seek(handle->m_Descriptor, position, bLanded))
        TEV_THROW_SYSTEM_FILE(c_Function, "SetFilePointerEx");
    if (!bLanded)
        TEV_THROW(CExceptionFile, c_Function, "Failed to move file pointer to write location");

    std::int64_t done = 0;
    while (done < count)
    {
        std::int64_t chunk = count - done < gc_MaxTransfer ? count - done : gc_MaxTransfer;
        ssize_t put =
            ::write(handle->m_Descriptor, static_cast<const char*>(data) + done, static_cast<size_t>(chunk));
        if (put < 0)
        {
            if (errno == EINTR)
                continue;
            TEV_THROW_SYSTEM_FILE(c_Function, "WriteFile");
        }
        if (put == 0)
            break;
        done += put;
    }
    return done;
}

std::int64_t gf_GetSize(CFileHandle* handle)
{
    struct stat status;
    if (::fstat(handle->m_Descriptor, &status) != 0)
        TEV_THROW_SYSTEM_FILE("NTev::NSys::NFile::gf_GetSize", "GetFileSizeEx");
    return static_cast<std::int64_t>(status.st_size);
}

CTime gf_GetWriteTime(CFileHandle* handle)
{
    struct stat status;
    if (::fstat(handle->m_Descriptor, &status) != 0)
        TEV_THROW_SYSTEM_FILE("NTev::NSys::NFile::gf_GetWriteTime", "GetFileTime");
    return CTime::fs_FromFileTime(fg_FileTimeTicks(status.st_mtim));
}

bool gf_GetWriteTime(const char* path, CTime& writeTime) noexcept
{
    struct stat status;
    if (::stat(path, &status) != 0)
        return false;
    writeTime = CTime::fs_FromFileTime(fg_FileTimeTicks(status.st_mtim));
    return true;
}

const NStr::CStr& gf_GetPath(const CFileHandle* handle) noexcept
{
    return handle->m_Path;
}

void gf_Copy(const char* from, const char* to)
{
    static constexpr const char* c_Function = "NTev::NSys::NFile::gf_Copy";
    CDescriptor source(fg_OpenRetrying(from, O_RDONLY | O_NOCTTY, 0));
    struct stat status;
    if (source.f_Get() < 0 || ::fstat(source.f_Get(), &status) != 0)
        TEV_THROW_SYSTEM_FILE(c_Function, "CopyFile");
    if (S_ISDIR(status.st_mode))
    {
        errno = EISDIR;
        TEV_THROW_SYSTEM_FILE(c_Function, "CopyFile");
    }
    if (!gf_LockForOperation(source.f_Get(), false))
        TEV_THROW_SYSTEM_FILE(c_Function, "CopyFile");

    CDescriptor target(fg_OpenRetrying(to, O_WRONLY | O_CREAT | O_NOCTTY, status.st_mode & 0777));
    struct stat targetStatus;
    if (target.f_Get() < 0 || ::fstat(target.f_Get(), &targetStatus) != 0)
        TEV_THROW_SYSTEM_FILE(c_Function, "CopyFile");
    // A copy onto itself would empty the source first; Windows refuses it as a sharing
    // violation, and so does the lock below where locks work.
    if (targetStatus.st_dev == status.st_dev && targetStatus.st_ino == status.st_ino)
    {
        errno = EBUSY;
        TEV_THROW_SYSTEM_FILE(c_Function, "CopyFile");
    }
    if (!gf_LockForOperation(target.f_Get(), true) || !fg_Truncate(target.f_Get()))
        TEV_THROW_SYSTEM_FILE(c_Function, "CopyFile");

    char buffer[65536];
    for (;;)
    {
        ssize_t got = ::read(source.f_Get(), buffer, sizeof(buffer));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            TEV_THROW_SYSTEM_FILE(c_Function, "CopyFile");
        if (got == 0)
            break;
        for (ssize_t done = 0; done < got;)
        {
            ssize_t put = ::write(target.f_Get(), buffer + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                TEV_THROW_SYSTEM_FILE(c_Function, "CopyFile");
            done += put;
        }
    }
    // CopyFile keeps the source's last write time.
    struct timespec times[2] = {{0, UTIME_OMIT}, status.st_mtim};
    if (::futimens(target.f_Get(), times) != 0)
        TEV_THROW_SYSTEM_FILE(c_Function, "CopyFile");
}

void gf_Rename(const char* from, const char* to)
{
    CLockHolder lock(from);
    if (!lock.f_Lock(true))
        TEV_THROW_SYSTEM_FILE("NTev::NSys::NFile::gf_Rename", "MoveFile");
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return;
    if (errno == EINVAL || errno == ENOSYS)
    {
        // A file system without the no-replace rename: check, then rename.
        struct stat status;
        if (::lstat(to, &status) == 0)
            errno = EEXIST;
        else if (::rename(from, to) == 0)
            return;
    }
    TEV_THROW_SYSTEM_FILE("NTev::NSys::NFile::gf_Rename", "MoveFile");
}

void gf_Replace(const char* from, const char* to)
{
    // Like the rename: neither file may be open elsewhere.
    CLockHolder source(from);
    CLockHolder target(to);
    if (!source.f_Lock(true) || !target.f_Lock(true) || ::rename(from, to) != 0)
        TEV_THROW_SYSTEM_FILE("NTev::NSys::NFile::gf_Replace", "MoveFileEx");
}

void gf_Delete(const char* path)
{
    struct stat status;
    if (::lstat(path, &status) == 0 && S_ISDIR(status.st_mode))
    {
        errno = EISDIR;
        TEV_THROW_SYSTEM_FILE("NTev::NSys::NFile::gf_Delete", "DeleteFile");
    }
    CLockHolder lock(path);
    if (!lock.f_Lock(true) || ::unlink(path) != 0)
        TEV_THROW_SYSTEM_FILE("NTev::NSys::NFile::gf_Delete", "DeleteFile");
}
} // namespace NTev::NSys::NFile
