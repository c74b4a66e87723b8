// The launcher's one piece of logic: its own command line turned into the command line of the
// build it starts. The suffix (".x64" or ".x86") goes before the ".exe" that ends the program
// path, or, when the path names the program without ".exe", after the path together with
// ".exe". Everything else is kept unit for unit. Header only and free of Windows types, so
// that the launcher links nothing of ours and the rewriting is tested natively.
#pragma once

#include <cstddef>

namespace NQuillon::NLauncher
{
// The child's command line is built in a buffer of this many UTF-16 units, terminator included.
inline constexpr std::size_t gc_CommandLineCapacity = 2048;

// The launcher's exit code when it starts no child: its command line names no program it can
// rewrite, the result would not fit, the build is missing or cannot start, or a launcher
// started it (see below). 127, as a shell says "command not found"; the programs of Quillon
// themselves end with 0, 1 or 2.
inline constexpr unsigned gc_ExitNoChild = 127;

enum class EBuild
{
    X86,
    X64,
};

// A 64-bit launcher runs on 64-bit Windows by definition and starts the 64-bit build; a 32-bit
// one starts it only when Windows reports that it runs under WOW64, and the 32-bit build where
// the question cannot be asked (older Windows lack IsWow64Process).
constexpr EBuild gf_ChooseBuild(bool processIs64Bit, bool canAskWow64, bool runsUnderWow64)
{
    if (processIs64Bit || (canAskWow64 && runsUnderWow64))
        return EBuild::X64;
    return EBuild::X86;
}

enum class ERewrite
{
    Built,
    NoProgramExe, // the program path holds ".exe", but none that ends it
    TooLong,      // the result and its terminator would not fit the buffer
};

namespace NPrivate
{
template <typename t_CChar>
constexpr bool gf_IsBlank(t_CChar c)
{
    return c == t_CChar(' ') || c == t_CChar('\t');
}

template <typename t_CChar>
constexpr bool gf_IsExeAt(const t_CChar* text, std::size_t position, std::size_t end)
{
    return position + 4 <= end && text[position] == t_CChar('.') && text[position + 1] == t_CChar('e') &&
           text[position + 2] == t_CChar('x') && text[position + 3] == t_CChar('e');
}

template <typename t_CChar>
constexpr bool gf_HasExe(const t_CChar* text, std::size_t begin, std::size_t end)
{
    for (std::size_t i = begin; i < end; ++i)
        if (gf_IsExeAt(text, i, end))
            return true;
    return false;
}
} // namespace NPrivate

// Writes the child's command line for `build` into `out` (at most `capacity` units, terminator
// included) and answers Built; otherwise `out` holds an empty line. The match is case-sensitive.
// A quoted path is searched only up to its closing quote: an ".exe" in an argument never
// takes the suffix (the launcher would otherwise name itself, or an argument's program).
template <typename t_CChar>
ERewrite gf_RewriteCommandLine(const t_CChar* line, EBuild build, t_CChar* out, std::size_t capacity)
{
    using namespace NPrivate;
    if (capacity == 0)
        return ERewrite::TooLong;
    out[0] = 0;
    std::size_t length = 0;
    while (line[length])
        ++length;

    std::size_t insertAt = length;
    bool addExe = false;
    if (length && line[0] == t_CChar('"'))
    {
        std::size_t closing = 1;
        while (closing < length && line[closing] != t_CChar('"'))
            ++closing;
        if (!gf_HasExe(line, 1, closing))
        {
            insertAt = closing;
            addExe = true;
        }
        else if (closing < length && closing >= 5 && gf_IsExeAt(line, closing - 4, closing))
            insertAt = closing - 4;
        else
            return ERewrite::NoProgramExe;
    }
    else
    {
        std::size_t found = length;
        for (std::size_t i = 0; i < length && found == length; ++i)
            if (gf_IsExeAt(line, i, length) && (i + 4 == length || gf_IsBlank(line[i + 4])))
                found = i;
        if (found < length)
            insertAt = found;
        else if (gf_HasExe(line, 0, length))
            return ERewrite::NoProgramExe;
        else
        {
            insertAt = 0;
            while (insertAt < length && !gf_IsBlank(line[insertAt]))
                ++insertAt;
            addExe = true;
        }
    }

    const t_CChar suffix[] = {t_CChar('.'), t_CChar('x'), t_CChar(build == EBuild::X64 ? '6' : '8'),
                              t_CChar(build == EBuild::X64 ? '4' : '6')};
    const t_CChar exe[] = {t_CChar('.'), t_CChar('e'), t_CChar('x'), t_CChar('e')};
    const std::size_t needed = length + 4 + (addExe ? 4 : 0) + 1;
    if (needed > capacity)
        return ERewrite::TooLong;
    std::size_t written = 0;
    for (std::size_t i = 0; i < insertAt; ++i)
        out[written++] = line[i];
    for (t_CChar c : suffix)
        out[written++] = c;
    if (addExe)
        for (t_CChar c : exe)
            out[written++] = c;
    for (std::size_t i = insertAt; i < length; ++i)
        out[written++] = line[i];
    out[written] = 0;
    return ERewrite::Built;
}
} // namespace NQuillon::NLauncher
