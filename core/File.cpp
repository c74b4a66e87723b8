#include "core/File.h"

#include "core/Exception.h"

namespace NTev::NFile
{
CFile::~CFile()
{
    try
    {
        f_Close();
    }
    catch (const NException::CException&)
    {
    }
}

void CFile::f_Open(const char* path, std::uint32_t flags)
{
    f_Close();
    m_pHandle = NSys::NFile::gf_Open(path, flags);
    m_Position = 0;
    m_OpenFlags = flags;
}

bool CFile::f_TryOpen(const char* path, std::uint32_t flags)
{
    try
    {
        f_Open(path, flags);
        return true;
    }
    catch (const CExceptionFile&)
    {
        return false;
    }
}

void CFile::f_Close()
{
    if (!m_pHandle)
        return;
    NSys::NFile::gf_Close(m_pHandle);
    m_pHandle = nullptr;
    m_Position = 0;
    m_OpenFlags = 0;
}

void CFile::fp_CheckOpen() const
{
    if (!m_pHandle)
        TEV_THROW(CExceptionFile, "NTev::NFile::CFile::fp_CheckOpen", "File not open");
}

std::int64_t CFile::f_Read(void* buffer, std::int64_t count)
{
    fp_CheckOpen();
    if (count <= 0)
        return 0;
    std::int64_t size = NSys::NFile::gf_GetSize(m_pHandle);
    if (count > size - m_Position)
        TEV_THROW(CExceptionFile, "NTev::NFile::CFile::f_Read", "Read call would have read past end of file");
    std::int64_t read = NSys::NFile::gf_Read(m_pHandle, buffer, m_Position, count);
    if (read != count)
        TEV_THROW(CExceptionFile, "NTev::NFile::CFile::f_Read", "Not all bytes was read");
    m_Position += count;
    return count;
}

std::int64_t CFile::f_Write(const void* data, std::int64_t count)
{
    fp_CheckOpen();
    if (count <= 0)
        return 0;
    std::int64_t written = NSys::NFile::gf_Write(m_pHandle, data, m_Position, count);
    if (written != count)
        TEV_THROW(CExceptionFile, "NTev::NFile::CFile::f_Write", "Not all bytes was written");
    m_Position += count;
    return count;
}

void CFile::fp_PlaceAt(std::int64_t position, const char* function)
{
    if (position < 0)
        TEV_THROW(CExceptionFile, function, "Position is negative");
    if (!(m_OpenFlags & OpenWrite) && position > NSys::NFile::gf_GetSize(m_pHandle))
        TEV_THROW(CExceptionFile, function, "Position is past end of file");
    m_Position = position;
}

void CFile::f_SetPosition(std::int64_t position)
{
    fp_CheckOpen();
    fp_PlaceAt(position, "NTev::NFile::CFile::f_SetPosition");
}

std::int64_t CFile::f_SetPositionFromEnd(std::int64_t distance)
{
    fp_CheckOpen();
    std::int64_t size = NSys::NFile::gf_GetSize(m_pHandle);
    // A distance beyond the range of positions lands below 0 or past the end either way.
    std::int64_t position;
    if (__builtin_sub_overflow(size, distance, &position))
        position = distance > 0 ? -1 : INT64_MAX;
    fp_PlaceAt(position, "NTev::NFile::CFile::f_SetPositionFromEnd");
    return position;
}

void CFile::f_AddPosition(std::int64_t delta)
{
    fp_CheckOpen();
    std::int64_t position;
    if (__builtin_add_overflow(m_Position, delta, &position))
        position = delta < 0 ? -1 : INT64_MAX;
    if (position < 0)
        TEV_THROW(CExceptionFile, "NTev::NFile::CFile::f_AddPosition", "New position would negative");
    if (position > NSys::NFile::gf_GetSize(m_pHandle))
        TEV_THROW(CExceptionFile, "NTev::NFile::CFile::f_AddPosition", "New position would past end of file");
    m_Position = position;
}

std::int64_t CFile::f_GetPosition() const
{
    fp_CheckOpen();
    return m_Position;
}

std::int64_t CFile::f_GetSize() const
{
    fp_CheckOpen();
    return NSys::NFile::gf_GetSize(m_pHandle);
}

bool CFile::f_IsEndOfFile() const
{
    fp_CheckOpen();
    return m_Position >= NSys::NFile::gf_GetSize(m_pHandle);
}

CTime CFile::f_GetWriteTime() const
{
    fp_CheckOpen();
    return NSys::NFile::gf_GetWriteTime(m_pHandle);
}
} // namespace NTev::NFile
