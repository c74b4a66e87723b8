#include "core/win32/WidePath.h"

#include <windows.h>

namespace NTev::NSys
{
namespace
{
// The ANSI form of a wide text, or false when a character has none.
bool fg_ToAnsi(const std::wstring& text, NStr::CStr& ansi)
{
    if (text.empty())
    {
        ansi = NStr::CStr();
        return true;
    }
    const int length = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0,
                                         nullptr, &usedDefault);
    if (size <= 0 || usedDefault)
        return false;
    char* chars = ansi.f_SetCapacity(static_cast<std::size_t>(size) + 1);
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, chars, size, nullptr,
                        &usedDefault);
    ansi.f_SetLen(static_cast<std::size_t>(size));
    // A code page may map a character without reporting it: only a round trip is trusted.
    return !usedDefault && gf_WidenPath(ansi.f_GetStr()) == text;
}

NStr::CStr fg_WithSlashes(const NStr::CStr& path)
{
    std::string text(path.f_GetStr());
    for (char& c : text)
        if (c == '\\')
            c = '/';
    return NStr::CStr(text.c_str());
}
} // namespace

bool gf_ToAnsiPath(const std::wstring& path, NStr::CStr& ansi)
{
    if (!fg_ToAnsi(path, ansi))
        return false;
    ansi = fg_WithSlashes(ansi);
    return true;
}

NStr::CStr gf_NarrowPath(const std::wstring& path)
{
    NStr::CStr narrow;
    if (fg_ToAnsi(path, narrow))
        return fg_WithSlashes(narrow);
    const DWORD needed = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (needed == 0)
        return {};
    std::wstring shortPath(needed, L'\0');
    const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), needed);
    if (length == 0 || length >= needed)
        return {};
    shortPath.resize(length);
    if (fg_ToAnsi(shortPath, narrow))
        return fg_WithSlashes(narrow);
    return {};
}

std::wstring gf_WidenPath(const char* path)
{
    const int size = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (size <= 1)
        return {};
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), size);
    wide.resize(static_cast<std::size_t>(size) - 1);
    for (wchar_t& c : wide)
        if (c == L'/')
            c = L'\\';
    return wide;
}
} // namespace NTev::NSys
