#include "core/Str.h"

#include "core/Memory.h"

#include <atomic>
#include <new>

namespace NTev::NStr
{
struct CStr::CHeader
{
    std::atomic<std::int64_t> m_RefCount;
    std::uint64_t m_Capacity;
};
static_assert(sizeof(std::atomic<std::int64_t>) == 8 && alignof(std::max_align_t) >= 8);

CStr::CHeader* CStr::fp_GetHeader() const noexcept
{
    return m_pChars ? reinterpret_cast<CHeader*>(m_pChars - sizeof(CHeader)) : nullptr;
}

CStr::CStr(const char* text) : CStr(text, text ? std::strlen(text) : 0) {}

CStr::CStr(const char* text, std::size_t length)
{
    if (length == 0)
        return;
    char* chars = f_SetCapacity(length + 1);
    std::memcpy(chars, text, length);
    chars[length] = 0;
}

CStr::CStr(const CStr& other) noexcept : m_pChars(other.m_pChars)
{
    if (CHeader* header = fp_GetHeader())
        header->m_RefCount.fetch_add(1, std::memory_order_relaxed);
}

CStr::~CStr()
{
    fp_Release();
}

void CStr::fp_Release() noexcept
{
    CHeader* header = fp_GetHeader();
    m_pChars = nullptr;
    if (header && header->m_RefCount.fetch_sub(1, std::memory_order_acq_rel) == 1)
    {
        header->~CHeader();
        NSys::gf_Mem_Free(header);
    }
}

CStr& CStr::operator=(const CStr& other) noexcept
{
    if (m_pChars != other.m_pChars)
    {
        CStr copy(other);
        *this = static_cast<CStr&&>(copy);
    }
    return *this;
}

CStr& CStr::operator=(CStr&& other) noexcept
{
    if (this != &other)
    {
        fp_Release();
        m_pChars = other.m_pChars;
        other.m_pChars = nullptr;
    }
    return *this;
}

CStr& CStr::operator=(const char* text)
{
    CStr copy(text);
    return *this = static_cast<CStr&&>(copy);
}

std::size_t CStr::f_GetCapacity() const noexcept
{
    CHeader* header = fp_GetHeader();
    return header ? static_cast<std::size_t>(header->m_Capacity) : 0;
}

bool CStr::f_IsShared() const noexcept
{
    CHeader* header = fp_GetHeader();
    return header && header->m_RefCount.load(std::memory_order_acquire) > 1;
}

char* CStr::f_SetCapacity(std::size_t capacity)
{
    if (capacity == 0)
    {
        fp_Release();
        return nullptr;
    }
    std::size_t blockSize = fs_BlockSize(capacity);
    CHeader* header = fp_GetHeader();
    if (header && header->m_RefCount.load(std::memory_order_acquire) == 1)
    {
        // Sole owner: grow or shrink in place.
        if (header->m_Capacity == blockSize - sizeof(CHeader))
            return m_pChars;
        std::size_t keep = std::strlen(m_pChars);
        void* moved = NSys::gf_Mem_Realloc(header, blockSize);
        header = static_cast<CHeader*>(moved);
        header->m_Capacity = blockSize - sizeof(CHeader);
        m_pChars = reinterpret_cast<char*>(header + 1);
        if (keep >= header->m_Capacity)
            m_pChars[header->m_Capacity - 1] = 0;
        return m_pChars;
    }
    // Null or shared: copy into a new block of the requested capacity.
    void* block = NSys::gf_Mem_Alloc(blockSize);
    CHeader* fresh = new (block) CHeader{{1}, blockSize - sizeof(CHeader)};
    char* chars = reinterpret_cast<char*>(fresh + 1);
    std::size_t keep = 0;
    if (m_pChars)
    {
        keep = std::strlen(m_pChars);
        if (keep > fresh->m_Capacity - 1)
            keep = fresh->m_Capacity - 1;
        std::memcpy(chars, m_pChars, keep);
    }
    chars[keep] = 0;
    fp_Release();
    m_pChars = chars;
    return m_pChars;
}

void CStr::f_SetLen(std::size_t length)
{
    if (!m_pChars)
        return;
    if (length == 0)
    {
        fp_Release();
        return;
    }
    char* chars = f_SetCapacity(f_GetCapacity());
    chars[length] = 0;
}

void CStr::f_Clear() noexcept
{
    fp_Release();
}

void CStr::f_Append(const char* text, std::size_t length)
{
    if (length == 0)
        return;
    if (m_pChars && text >= m_pChars && text < m_pChars + f_GetCapacity())
    {
        // Appending a piece of itself: the block may move, so copy the piece first.
        CStr piece(text, length);
        f_Append(piece.f_GetStr(), length);
        return;
    }
    std::size_t old = f_GetLen();
    char* chars = m_pChars;
    if (!chars || f_IsShared() || f_GetCapacity() < old + length + 1)
        chars = f_SetCapacity(old + length + 1);
    std::memmove(chars + old, text, length);
    chars[old + length] = 0;
}

CStr operator+(const CStr& left, const char* right)
{
    CStr result(left);
    result.f_Append(right);
    return result;
}
} // namespace NTev::NStr
