#include "app/FilterList.h"

#include <algorithm>
#include <cstring>

namespace NQuillon::NDrivers
{
namespace
{
char fg_Lower(char c) noexcept
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

bool gf_IsSameFilter(const char* left, const char* right) noexcept
{
    for (; *left && *right; ++left, ++right)
        if (fg_Lower(*left) != fg_Lower(*right))
            return false;
    return *left == *right;
}

bool gf_ContainsFilter(const CFilterList& list, const char* name) noexcept
{
    for (const NTev::CStr& entry : list)
        if (gf_IsSameFilter(entry.f_GetStr(), name))
            return true;
    return false;
}

bool gf_PutFilterFirst(CFilterList& list, const char* name)
{
    if (!list.empty() && gf_IsSameFilter(list.front().f_GetStr(), name))
        return false;
    gf_RemoveFilter(list, name);
    list.insert(list.begin(), NTev::CStr(name));
    return true;
}

bool gf_AppendFilterOnce(CFilterList& list, const char* name)
{
    if (gf_ContainsFilter(list, name))
        return false;
    list.emplace_back(name);
    return true;
}

bool gf_RemoveFilter(CFilterList& list, const char* name)
{
    auto end =
        std::remove_if(list.begin(), list.end(),
                       [name](const NTev::CStr& entry) { return gf_IsSameFilter(entry.f_GetStr(), name); });
    bool bRemoved = end != list.end();
    list.erase(end, list.end());
    return bRemoved;
}

CFilterList gf_ParseMultiString(const char* data, std::size_t size)
{
    CFilterList list;
    std::size_t position = 0;
    while (position < size)
    {
        const void* zero = std::memchr(data + position, 0, size - position);
        std::size_t end = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - data) : size;
        if (end == position)
            break;
        list.emplace_back(data + position, end - position);
        position = end + 1;
    }
    return list;
}

std::string gf_BuildMultiString(const CFilterList& list)
{
    std::string bytes;
    for (const NTev::CStr& entry : list)
        bytes.append(entry.f_GetStr(), entry.f_GetLen() + 1);
    if (list.empty())
        bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}
} // namespace NQuillon::NDrivers
