#pragma once
// Objects on the library's heap (core/Memory.h), so that their blocks are counted too.

#include "core/Memory.h"

#include <new>
#include <type_traits>
#include <utility>

namespace NTev::NSys
{
template <typename t_CObject, typename... t_CArgs>
t_CObject* gf_Mem_New(t_CArgs&&... args)
{
    void* block = gf_Mem_Alloc(sizeof(t_CObject));
    try
    {
        // Aggregates are built with braces: not every compiler accepts them with parentheses.
        if constexpr (std::is_constructible_v<t_CObject, t_CArgs&&...>)
            return new (block) t_CObject(std::forward<t_CArgs>(args)...);
        else
            return new (block) t_CObject{std::forward<t_CArgs>(args)...};
    }
    catch (...)
    {
        gf_Mem_Free(block);
        throw;
    }
}

template <typename t_CObject>
void gf_Mem_Delete(t_CObject* object) noexcept
{
    if (!object)
        return;
    object->~t_CObject();
    gf_Mem_Free(object);
}
} // namespace NTev::NSys
