// Windows backend of the lower file layer.

#include "core/SysFile.h"

#include "core/Exception.h"
#include "core/FullPath.h"
#include "core/MemoryObject.h"

#include <windows.h>

namespace NTev::NSys::NFile
{
using ::NTev::NFile::CExceptionFile;

struct CFileHandle
{
    HANDLE m_Handle = INVALID_HANDLE_VALUE;
    NStr::CStr m_Path;
};

namespace
{
// ReadFile and WriteFile take 32-bit counts.
constexpr std::int64_t gc_MaxTransfer = 0x40000000;

DWORD fg_CreationDisposition(ECreationMode mode) noexcept
{
    switch (mode)
    {
        case ECreationMode::CreateNew:
            return CREATE_NEW;
        case ECreationMode::OpenExisting:
            return OPEN_EXISTING;
        case ECreationMode::TruncateExisting:
            return TRUNCATE_EXISTING;
        case ECreationMode::OpenAlways:
            return OPEN_ALWAYS;
        case ECreationMode::CreateAlways:
            break;
    }
    return CREATE_ALWAYS;
}

// Sets the file pointer; false when SetFilePointerEx fails, bLanded false when it went elsewhere.
bool fg_Seek(HANDLE handle, std::int64_t position, bool& bLanded) noexcept
{
    LARGE_INTEGER distance;
    distance.QuadPart = position;
    LARGE_INTEGER at;
    if (!SetFilePointerEx(handle, distance, &at, FILE_BEGIN))
        return false;
    bLanded = at.QuadPart == position;
    return true;
}
} // namespace

CFileHandle* gf_Open(const char* path, std::uint32_t flags)
{
    using namespace ::NTev::NFile;
    static constexpr const char* c_Function = "NTev::NSys::NFile::gf_Open";

    gf_CheckOpenFlags(flags);
    DWORD disposition = fg_CreationDisposition(gf_GetCreationMode(flags));
    DWORD access = 0;
    if (flags & OpenRead)
        access |= GENERIC_READ;
    if (flags & OpenWrite)
        access |= GENERIC_WRITE;
    DWORD share = (flags >> 5) & (FILE_SHARE_READ | FILE_SHARE_WRITE);
    if (flags & OpenShareDelete)
        share |= FILE_SHARE_DELETE;
    DWORD attributes = flags & OpenWriteThrough ? FILE_FLAG_WRITE_THROUGH : 0;

    NStr::CStr full = gf_GetFullPath(path, c_Function);
    if (disposition == TRUNCATE_EXISTING && !(access & GENERIC_WRITE))
    {
        // Windows refuses to empty a file without write access, but not every implementation of
        // it does (Wine empties it): refused here for all.
        SetLastError(ERROR_INVALID_PARAMETER);
        TEV_THROW_SYSTEM_FILE(c_Function, "CreateFile");
    }
    HANDLE handle = CreateFileA(full.f_GetStr(), access, share, nullptr, disposition, attributes, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        TEV_THROW_SYSTEM_FILE(c_Function, "CreateFile");
    try
    {
        return gf_Mem_New<CFileHandle>(handle, static_cast<NStr::CStr&&>(full));
    }
    catch (...)
    {
        CloseHandle(handle);
        throw;
    }
}

void gf_Close(CFileHandle* handle)
{
    if (!handle)
        return;
    if (!CloseHandle(handle->m_Handle))
        TEV_THROW_SYSTEM_FILE("NTev::NSys::NFile::gf_Close", "CloseHandle");
    gf_Mem_Delete(handle);
}

std::int64_t gf_Read(CFileHandle* handle, void* buffer, std::int64_t position, std::int64_t count)
{
    static constexpr const char* c_Function = "NTev::NSys::NFile::gf_Read";
    bool bLanded = false;
    if (!fg_Seek(handle->m_Handle, position, bLanded))
        TEV_THROW_SYSTEM_FILE(c_Function, "SetFilePointerEx");
    if (!bLanded)
        TEV_THROW(CExceptionFile, c_Function, "Failed to move file pointer to read location");

    std::int64_t done = 0;
    while (done < count)
    {
        DWORD chunk = static_cast<DWORD>(count - done < gc_MaxTransfer ? count - done : gc_MaxTransfer);
        DWORD got = 0;
        if (!ReadFile(handle->m_Handle, static_cast<char*>(buffer) + done, chunk, &got, nullptr))
            TEV_THROW_SYSTEM_FILE(c_Function, "ReadFile");
        done += got;
        if (got < chunk)
            break;
    }
    return done;
}

std::int64_t gf_Write(CFileHandle* handle, const void* data, std::int64_t position, std::int64_t count)
{
    static constexpr const char* c_Function = "NTev::NSys::NFile::gf_Write";
    bool bLanded = false;
    if (!fg_Seek(handle->m_Handle, position, bLanded))
        TEV_THROW_SYSTEM_FILE(c_Function, "SetFilePointerEx");
    if (!bLanded)
        TEV_THROW(CExceptionFile, c_Function, "Failed to move file pointer to write location");

    std::int64_t done = 0;
    while (done < count)
    {
        DWORD chunk = static_cast<DWORD>(count - done < gc_MaxTransfer ? count - done : gc_MaxTransfer);
        DWORD put = 0;
        if (!WriteFile(handle->m_Handle, static_cast<const char*>(data) + done, chunk, &put, nullptr))
            TEV_THROW_SYSTEM_FILE(c_Function, "WriteFile");
        done += put;
        if (put < chunk)
            break;
    }
    return done;
}

std::int64_t gf_GetSize(CFileHandle* handle)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle->m_Handle, &size))
        TEV_THROW_SYSTEM_FILE("NTev::NSys::NFile::gf_GetSize", "GetFileSizeEx");
    return size.QuadPart;
}

CTime gf_GetWriteTime(CFileHandle* handle)
{
    FILETIME written;
    if (!GetFileTime(handle->m_Handle, nullptr, nullptr, &written))
        TEV_THROW_SYSTEM_FILE("NTev::NSys::NFile::gf_GetWriteTime", "GetFileTime");
    return CTime::fs_FromFileTime(static_cast<std::uint64_t>(written.dwHighDateTime) << 32 |
                                  written.dwLowDateTime);
}

bool gf_GetWriteTime(const char* path, CTime& writeTime) noexcept
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return false;
    writeTime = CTime::fs_FromFileTime(static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 |
                                       data.ftLastWriteTime.dwLowDateTime);
    return true;
}

const NStr::CStr& gf_GetPath(const CFileHandle* handle) noexcept
{
    return handle->m_Path;
}

void gf_Copy(const char* from, const char* to)
{
    if (!CopyFileA(from, to, FALSE))
        TEV_THROW_SYSTEM_FILE("NTev::NSys::NFile::gf_Copy", "CopyFile");
}

void gf_Rename(const char* from, const char* to)
{
    if (!MoveFileA(from, to))
        TEV_THROW_SYSTEM_FILE("NTev::NSys::NFile::gf_Rename", "MoveFile");
}

void gf_Replace(const char* from, const char* to)
{
    if (!MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        TEV_THROW_SYSTEM_FILE("NTev::NSys::NFile::gf_Replace", "MoveFileEx");
}

void gf_Delete(const char* path)
{
    if (!DeleteFileA(path))
        TEV_THROW_SYSTEM_FILE("NTev::NSys::NFile::gf_Delete", "DeleteFile");
}
} // namespace NTev::NSys::NFile
