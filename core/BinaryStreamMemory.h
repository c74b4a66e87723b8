#pragma once
// A binary stream over a byte buffer in memory, with the bound rules of a writable file.
// Used by tools, and by tests that build files byte by byte.

#include "core/BinaryStream.h"

#include <vector>

namespace NTev::NStream
{
class CBinaryStreamMemory final : public CBinaryStream
{
public:
    CBinaryStreamMemory() = default;
    explicit CBinaryStreamMemory(std::vector<unsigned char> bytes)
        : m_Bytes(static_cast<std::vector<unsigned char>&&>(bytes))
    {
    }

    std::int64_t f_Write(const void* data, std::int64_t size) override;
    std::int64_t f_Read(void* buffer, std::int64_t size) override;
    bool f_IsOpen() override { return true; }
    bool f_IsEndOfFile() override { return m_Position >= f_GetSize(); }
    std::int64_t f_GetPosition() override { return m_Position; }
    void f_SetPosition(std::int64_t position) override;
    std::int64_t f_SetPositionFromEnd(std::int64_t distance) override;
    void f_AddPosition(std::int64_t delta) override;
    std::int64_t f_GetSize() override { return static_cast<std::int64_t>(m_Bytes.size()); }
    std::int64_t f_Reserved0() override { return 0; }
    void f_ReservedNothing() override {}
    std::int64_t f_Reserved4() override { return 4; }
    std::int64_t f_Reserved1() override { return 1; }

    const std::vector<unsigned char>& f_GetBytes() const noexcept { return m_Bytes; }

private:
    std::vector<unsigned char> m_Bytes;
    std::int64_t m_Position = 0;
};
} // namespace NTev::NStream
