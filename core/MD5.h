#pragma once
// The MD5 message digest of RFC 1321, used to compare driver files. The state is wiped when
// the digest is taken and when the object ends.

#include "core/Str.h"

#include <cstddef>
#include <cstdint>

namespace NTev
{
struct CMD5Digest
{
    std::uint8_t m_Bytes[16] = {};

    bool operator==(const CMD5Digest&) const = default;
    // 32 lowercase hexadecimal digits.
    NStr::CStr f_GetHex() const;
};

class CMD5
{
public:
    CMD5() noexcept { f_Reset(); }
    ~CMD5() { fp_Wipe(); }
    CMD5(const CMD5&) = delete;
    CMD5& operator=(const CMD5&) = delete;

    void f_Reset() noexcept;
    void f_Update(const void* data, std::size_t size) noexcept;
    // Pads, returns the digest and wipes the state; f_Reset starts a new message.
    CMD5Digest f_Finish() noexcept;

    static CMD5Digest fs_Digest(const void* data, std::size_t size) noexcept;

private:
    void fp_Transform(const std::uint8_t* block) noexcept;
    void fp_Wipe() noexcept;

    std::uint32_t m_State[4];
    std::uint64_t m_ByteCount;
    std::uint8_t m_Buffer[64];
};

// Overwrites memory in a way the compiler cannot drop as a dead store.
void gf_SecureZero(void* memory, std::size_t size) noexcept;
} // namespace NTev
