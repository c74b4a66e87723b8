#pragma once
// The abstract byte stream through which the settings file is read and written, with the
// system's encodings: integers little-endian at their own width, lists and strings prefixed
// by an unsigned 32-bit count.

#include "core/Str.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace NTev::NStream
{
// The integers a stream reads and writes: the exact-width types only, so that a field has the
// same width in 32-bit and 64-bit builds (long, for one, does not).
template <typename t_CInt>
concept CFixedWidthInteger = std::is_same_v<t_CInt, std::int8_t> || std::is_same_v<t_CInt, std::uint8_t> ||
    std::is_same_v<t_CInt, std::int16_t> || std::is_same_v<t_CInt, std::uint16_t> ||
    std::is_same_v<t_CInt, std::int32_t> || std::is_same_v<t_CInt, std::uint32_t> ||
    std::is_same_v<t_CInt, std::int64_t> || std::is_same_v<t_CInt, std::uint64_t>;

class CBinaryStream
{
public:
    virtual std::int64_t f_Write(const void* data, std::int64_t size) = 0;
    // Reads exactly size bytes (a short read throws).
    virtual std::int64_t f_Read(void* buffer, std::int64_t size) = 0;
    virtual bool f_IsOpen() = 0;
    virtual bool f_IsEndOfFile() = 0;
    virtual std::int64_t f_GetPosition() = 0;
    virtual void f_SetPosition(std::int64_t position) = 0;
    // Places the position distance bytes back from the end (size - distance) and returns it.
    virtual std::int64_t f_SetPositionFromEnd(std::int64_t distance) = 0;
    virtual void f_AddPosition(std::int64_t delta) = 0;
    virtual std::int64_t f_GetSize() = 0;
    // Three operations whose results no caller interprets; streams answer 0, nothing, 4, 1.
    virtual std::int64_t f_Reserved0() = 0;
    virtual void f_ReservedNothing() = 0;
    virtual std::int64_t f_Reserved4() = 0;
    virtual std::int64_t f_Reserved1() = 0;
    virtual ~CBinaryStream() = default;

    // Bytes left between the position and the end: what a count read from the stream may
    // claim at most.
    std::int64_t f_GetRemaining();

    template <CFixedWidthInteger t_CInt>
    void f_WriteInt(t_CInt value)
    {
        unsigned char bytes[sizeof(t_CInt)];
        auto raw = static_cast<std::make_unsigned_t<t_CInt>>(value);
        for (std::size_t i = 0; i < sizeof(t_CInt); ++i)
            bytes[i] = static_cast<unsigned char>(raw >> (8 * i));
        f_Write(bytes, sizeof(bytes));
    }

    template <CFixedWidthInteger t_CInt>
    t_CInt f_ReadInt()
    {
        unsigned char bytes[sizeof(t_CInt)];
        f_Read(bytes, sizeof(bytes));
        std::make_unsigned_t<t_CInt> raw = 0;
        for (std::size_t i = 0; i < sizeof(t_CInt); ++i)
            raw |= static_cast<std::make_unsigned_t<t_CInt>>(
                static_cast<std::make_unsigned_t<t_CInt>>(bytes[i]) << (8 * i));
        return static_cast<t_CInt>(raw);
    }

    void f_WriteString(const char* text, std::uint32_t length);
    void f_WriteString(const NStr::CStr& text)
    {
        f_WriteString(text.f_GetStr(), static_cast<std::uint32_t>(text.f_GetLen()));
    }
    // Reads a counted string; a count beyond the remaining bytes throws before allocating.
    NStr::CStr f_ReadString();
    // Reads a list count and checks that count elements of elementSize bytes can still follow.
    std::uint32_t f_ReadCount(std::size_t elementSize);
};
} // namespace NTev::NStream
