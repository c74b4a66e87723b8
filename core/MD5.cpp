#include "core/MD5.h"

#include <cstring>

namespace NTev
{
namespace
{
// Per-round shift amounts and the sine-derived constants T[i] = floor(2^32 * |sin(i + 1)|).
constexpr std::uint32_t gc_Shifts[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                                         5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                                         4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                                         6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};
constexpr std::uint32_t gc_Sines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

constexpr std::uint32_t fg_RotateLeft(std::uint32_t value, std::uint32_t count) noexcept
{
    return (value << count) | (value >> (32 - count));
}
} // namespace

void gf_SecureZero(void* memory, std::size_t size) noexcept
{
    volatile std::uint8_t* bytes = static_cast<volatile std::uint8_t*>(memory);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = 0;
}

NStr::CStr CMD5Digest::f_GetHex() const
{
    static constexpr char c_Digits[] = "0123456789abcdef";
    char text[33];
    for (std::size_t i = 0; i < 16; ++i)
    {
        text[2 * i] = c_Digits[m_Bytes[i] >> 4];
        text[2 * i + 1] = c_Digits[m_Bytes[i] & 15];
    }
    return NStr::CStr(text, 32);
}

void CMD5::f_Reset() noexcept
{
    m_State[0] = 0x67452301;
    m_State[1] = 0xefcdab89;
    m_State[2] = 0x98badcfe;
    m_State[3] = 0x10325476;
    m_ByteCount = 0;
    std::memset(m_Buffer, 0, sizeof(m_Buffer));
}

void CMD5::fp_Transform(const std::uint8_t* block) noexcept
{
    std::uint32_t words[16];
    for (std::size_t i = 0; i < 16; ++i)
        words[i] = static_cast<std::uint32_t>(block[4 * i]) |
                   static_cast<std::uint32_t>(block[4 * i + 1]) << 8 |
                   static_cast<std::uint32_t>(block[4 * i + 2]) << 16 |
                   static_cast<std::uint32_t>(block[4 * i + 3]) << 24;

    std::uint32_t a = m_State[0], b = m_State[1], c = m_State[2], d = m_State[3];
    for (std::uint32_t i = 0; i < 64; ++i)
    {
        std::uint32_t f;
        std::uint32_t g;
        if (i < 16)
        {
            f = (b & c) | (~b & d);
            g = i;
        }
        else if (i < 32)
        {
            f = (b & d) | (c & ~d);
            g = (5 * i + 1) & 15;
        }
        else if (i < 48)
        {
            f = b ^ c ^ d;
            g = (3 * i + 5) & 15;
        }
        else
        {
            f = c ^ (b | ~d);
            g = (7 * i) & 15;
        }
        std::uint32_t rotated = fg_RotateLeft(a + f + gc_Sines[i] + words[g], gc_Shifts[i]);
        a = d;
        d = c;
        c = b;
        b += rotated;
    }
    m_State[0] += a;
    m_State[1] += b;
    m_State[2] += c;
    m_State[3] += d;
    gf_SecureZero(words, sizeof(words));
}

void CMD5::f_Update(const void* data, std::size_t size) noexcept
{
    const std::uint8_t* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t used = static_cast<std::size_t>(m_ByteCount & 63);
    m_ByteCount += size;
    if (used)
    {
        std::size_t fill = 64 - used;
        if (size < fill)
        {
            std::memcpy(m_Buffer + used, bytes, size);
            return;
        }
        std::memcpy(m_Buffer + used, bytes, fill);
        fp_Transform(m_Buffer);
        bytes += fill;
        size -= fill;
    }
    for (; size >= 64; bytes += 64, size -= 64)
        fp_Transform(bytes);
    if (size)
        std::memcpy(m_Buffer, bytes, size);
}

CMD5Digest CMD5::f_Finish() noexcept
{
    // A 1 bit, zeros up to 56 bytes modulo 64, then the message length in bits, little-endian.
    std::uint64_t bitCount = m_ByteCount * 8;
    std::uint8_t padding[72] = {0x80};
    std::size_t used = static_cast<std::size_t>(m_ByteCount & 63);
    std::size_t padLength = (used < 56 ? 56 : 120) - used;
    for (std::size_t i = 0; i < 8; ++i)
        padding[padLength + i] = static_cast<std::uint8_t>(bitCount >> (8 * i));
    f_Update(padding, padLength + 8);

    CMD5Digest digest;
    for (std::size_t i = 0; i < 16; ++i)
        digest.m_Bytes[i] = static_cast<std::uint8_t>(m_State[i / 4] >> (8 * (i % 4)));
    fp_Wipe();
    return digest;
}

CMD5Digest CMD5::fs_Digest(const void* data, std::size_t size) noexcept
{
    CMD5 md5;
    md5.f_Update(data, size);
    return md5.f_Finish();
}

void CMD5::fp_Wipe() noexcept
{
    gf_SecureZero(m_State, sizeof(m_State));
    gf_SecureZero(&m_ByteCount, sizeof(m_ByteCount));
    gf_SecureZero(m_Buffer, sizeof(m_Buffer));
}
} // namespace NTev
