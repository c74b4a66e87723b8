#pragma once
// The library's 8-bit strings: CStr, shared and copied on write, and fixed-capacity strings.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace NTev::NStr
{
// One pointer to a shared heap block: a 16-byte header (reference count, capacity including
// the terminator) followed by the characters. The null pointer is the empty string.
class CStr
{
public:
    CStr() noexcept = default;
    CStr(const char* text);
    CStr(const char* text, std::size_t length);
    CStr(const CStr& other) noexcept;
    CStr(CStr&& other) noexcept : m_pChars(other.m_pChars) { other.m_pChars = nullptr; }
    ~CStr();

    CStr& operator=(const CStr& other) noexcept;
    CStr& operator=(CStr&& other) noexcept;
    CStr& operator=(const char* text);

    const char* f_GetStr() const noexcept { return m_pChars ? m_pChars : ""; }
    std::size_t f_GetLen() const noexcept { return m_pChars ? std::strlen(m_pChars) : 0; }
    bool f_IsEmpty() const noexcept { return !m_pChars || !*m_pChars; }
    // Capacity in bytes including the terminator; 0 for the null string.
    std::size_t f_GetCapacity() const noexcept;
    bool f_IsShared() const noexcept;

    // Makes the block private to this string with room for capacity bytes (terminator
    // included), keeping as many characters as fit, and returns it for writing. Capacity 0
    // releases the block and returns null.
    char* f_SetCapacity(std::size_t capacity);
    // Cuts the text at length, which must lie within the capacity.
    void f_SetLen(std::size_t length);
    void f_Clear() noexcept;

    void f_Append(const char* text, std::size_t length);
    void f_Append(const char* text) { f_Append(text, std::strlen(text)); }
    CStr& operator+=(const char* text)
    {
        f_Append(text);
        return *this;
    }
    CStr& operator+=(const CStr& other) { return *this += other.f_GetStr(); }

    // Byte-wise comparison: negative, zero or positive.
    int f_Compare(const char* text) const noexcept { return std::strcmp(f_GetStr(), text); }
    bool operator==(const char* text) const noexcept { return f_Compare(text) == 0; }
    bool operator==(const CStr& other) const noexcept { return f_Compare(other.f_GetStr()) == 0; }
    bool operator<(const CStr& other) const noexcept { return f_Compare(other.f_GetStr()) < 0; }

    // Block size for a capacity: (capacity + 47) rounded down to a multiple of 32.
    static constexpr std::size_t fs_BlockSize(std::size_t capacity) noexcept
    {
        return (capacity + 47) & ~std::size_t(31);
    }

private:
    struct CHeader;
    CHeader* fp_GetHeader() const noexcept;
    void fp_Release() noexcept;

    char* m_pChars = nullptr;
};

CStr operator+(const CStr& left, const char* right);

// Fixed-capacity string: t_Size bytes of characters followed by the length (-1 = unknown).
// Holds at most t_Size - 1 characters; longer text is cut.
template <std::size_t t_Size>
class TCStrImp_Fixed
{
public:
    static constexpr std::size_t mc_Capacity = t_Size;

    TCStrImp_Fixed() noexcept { m_Chars[0] = 0; }
    TCStrImp_Fixed(const char* text) noexcept { f_Assign(text, std::strlen(text)); }

    const char* f_GetStr() const noexcept { return m_Chars; }
    std::size_t f_GetLen() const noexcept
    {
        if (m_Len < 0)
            m_Len = static_cast<std::int64_t>(std::strlen(m_Chars));
        return static_cast<std::size_t>(m_Len);
    }
    bool f_IsEmpty() const noexcept { return m_Chars[0] == 0; }
    char* f_GetBuffer() noexcept
    {
        m_Len = -1;
        return m_Chars;
    }
    void f_SetLen(std::size_t length) noexcept
    {
        if (length > t_Size - 1)
            length = t_Size - 1;
        m_Chars[length] = 0;
        m_Len = static_cast<std::int64_t>(length);
    }
    void f_Assign(const char* text, std::size_t length) noexcept
    {
        if (length > t_Size - 1)
            length = t_Size - 1;
        std::memcpy(m_Chars, text, length);
        f_SetLen(length);
    }
    void f_Append(const char* text) noexcept
    {
        std::size_t len = f_GetLen();
        std::size_t add = std::strlen(text);
        if (add > t_Size - 1 - len)
            add = t_Size - 1 - len;
        std::memcpy(m_Chars + len, text, add);
        f_SetLen(len + add);
    }
    bool operator==(const char* text) const noexcept { return std::strcmp(m_Chars, text) == 0; }

private:
    char m_Chars[t_Size];
    mutable std::int64_t m_Len = 0;
};

using CFStr256 = TCStrImp_Fixed<256>;
// Target of number texts.
using CFStr17 = TCStrImp_Fixed<17>;
} // namespace NTev::NStr

namespace NTev
{
using NStr::CFStr17;
using NStr::CFStr256;
using NStr::CStr;
} // namespace NTev
