#include "core/FullPath.h"

namespace NTev::NSys::NFile
{
NStr::CStr gf_WithSlashes(const char* path)
{
    NStr::CStr result(path);
    if (!std::strchr(path, '\\'))
        return result;
    std::size_t length = result.f_GetLen();
    char* chars = result.f_SetCapacity(length + 1);
    for (std::size_t i = 0; i < length; ++i)
        if (chars[i] == '\\')
            chars[i] = '/';
    return result;
}
} // namespace NTev::NSys::NFile
