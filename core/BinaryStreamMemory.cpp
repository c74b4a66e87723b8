#include "core/BinaryStreamMemory.h"

#include "core/Exception.h"

namespace NTev::NStream
{
std::int64_t CBinaryStreamMemory::f_Write(const void* data, std::int64_t size)
{
    if (size <= 0)
        return 0;
    std::size_t end = static_cast<std::size_t>(m_Position + size);
    if (end > m_Bytes.size())
        m_Bytes.resize(end);
    std::memcpy(m_Bytes.data() + m_Position, data, static_cast<std::size_t>(size));
    m_Position += size;
    return size;
}

std::int64_t CBinaryStreamMemory::f_Read(void* buffer, std::int64_t size)
{
    if (size <= 0)
        return 0;
    if (size > f_GetSize() - m_Position)
        TEV_THROW(NFile::CExceptionFile, "NTev::NStream::CBinaryStreamMemory::f_Read",
                  "Read call would have read past end of file");
    std::memcpy(buffer, m_Bytes.data() + m_Position, static_cast<std::size_t>(size));
    m_Position += size;
    return size;
}

void CBinaryStreamMemory::f_SetPosition(std::int64_t position)
{
    if (position < 0)
        TEV_THROW(NFile::CExceptionFile, "NTev::NStream::CBinaryStreamMemory::f_SetPosition",
                  "Position is negative");
    m_Position = position;
}

std::int64_t CBinaryStreamMemory::f_SetPositionFromEnd(std::int64_t distance)
{
    std::int64_t position = f_GetSize() - distance;
    if (position < 0)
        TEV_THROW(NFile::CExceptionFile, "NTev::NStream::CBinaryStreamMemory::f_SetPositionFromEnd",
                  "Position is negative");
    m_Position = position;
    return position;
}

void CBinaryStreamMemory::f_AddPosition(std::int64_t delta)
{
    std::int64_t position = m_Position + delta;
    if (position < 0)
        TEV_THROW(NFile::CExceptionFile, "NTev::NStream::CBinaryStreamMemory::f_AddPosition",
                  "New position would negative");
    if (position > f_GetSize())
        TEV_THROW(NFile::CExceptionFile, "NTev::NStream::CBinaryStreamMemory::f_AddPosition",
                  "New position would past end of file");
    m_Position = position;
}
} // namespace NTev::NStream
