#include "core/BinaryStream.h"

#include "core/Exception.h"

namespace NTev::NStream
{
std::int64_t CBinaryStream::f_GetRemaining()
{
    std::int64_t remaining = f_GetSize() - f_GetPosition();
    return remaining > 0 ? remaining : 0;
}

void CBinaryStream::f_WriteString(const char* text, std::uint32_t length)
{
    f_WriteInt<std::uint32_t>(length);
    f_Write(text, length);
}

NStr::CStr CBinaryStream::f_ReadString()
{
    std::uint32_t length = f_ReadCount(1);
    NStr::CStr text;
    if (length == 0)
        return text;
    char* chars = text.f_SetCapacity(std::size_t(length) + 1);
    f_Read(chars, length);
    chars[length] = 0;
    return text;
}

std::uint32_t CBinaryStream::f_ReadCount(std::size_t elementSize)
{
    std::uint32_t count = f_ReadInt<std::uint32_t>();
    // A corrupt count must not make us allocate what the file only claims to hold.
    if (elementSize && std::uint64_t(count) * elementSize > std::uint64_t(f_GetRemaining()))
        TEV_THROW(NFile::CExceptionFile, "NTev::NStream::CBinaryStream::f_ReadCount",
                  "Read call would have read past end of file");
    return count;
}
} // namespace NTev::NStream
