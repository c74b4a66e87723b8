#pragma once
// A file with its own position and bound checks over the lower file layer. Every transfer
// goes to the stored position, so two CFile objects on two handles of one file do not
// disturb each other. Belongs to one thread at a time.

#include "core/SysFile.h"

#include <cstdint>

namespace NTev::NFile
{
class CFile
{
public:
    CFile() noexcept = default;
    // Closes the file; a failed close is dropped here.
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens path with the flags of core/OpenFlags.h at position 0, closing a file already open.
    void f_Open(const char* path, std::uint32_t flags);
    // The same, but a failed open leaves the file closed: the failure is traced, and the next
    // operation throws "File not open". For callers that retry.
    bool f_TryOpen(const char* path, std::uint32_t flags);
    // Closes the file if open; a failed close throws and leaves it open.
    void f_Close();
    bool f_IsOpen() const noexcept { return m_pHandle != nullptr; }
    std::uint32_t f_GetOpenFlags() const noexcept { return m_OpenFlags; }
    NSys::NFile::CFileHandle* f_GetHandle() const noexcept { return m_pHandle; }

    // Reads exactly count bytes at the position and advances it; never a short count.
    std::int64_t f_Read(void* buffer, std::int64_t count);
    std::int64_t f_Write(const void* data, std::int64_t count);
    // A file opened without OpenWrite cannot be placed beyond its end.
    void f_SetPosition(std::int64_t position);
    // Places the position distance bytes back from the end (size - distance) and returns it.
    std::int64_t f_SetPositionFromEnd(std::int64_t distance);
    // Moves the position by delta, within the file for every file.
    void f_AddPosition(std::int64_t delta);
    std::int64_t f_GetPosition() const;
    std::int64_t f_GetSize() const;
    bool f_IsEndOfFile() const;
    CTime f_GetWriteTime() const;

private:
    void fp_CheckOpen() const;
    void fp_PlaceAt(std::int64_t position, const char* function);

    NSys::NFile::CFileHandle* m_pHandle = nullptr;
    std::int64_t m_Position = 0;
    std::uint32_t m_OpenFlags = 0;
};
} // namespace NTev::NFile
