// POSIX backend of the error texts: errno values take the place of Windows error codes, and
// message boxes become lines on standard error.

#include "core/ErrorText.h"

#include "core/Format.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace NTev::NException
{
NStr::CFStr256 gf_GetErrorText(unsigned long code)
{
    if (code == 0)
        code = static_cast<unsigned long>(errno);
    NStr::CFStr256 text;
    // strerrordesc_np has no text for unknown codes, where strerror would invent one.
    const char* description = code <= 0x7FFFFFFF ? strerrordesc_np(static_cast<int>(code)) : nullptr;
    if (code == 0)
        description = "Success";
    if (!description)
    {
        gf_Format(text, "0x{nfh,sj8,sf0}", code);
        return text;
    }
    // The same shape as the Windows text: the system's sentence and a line break.
    gf_Format(text, "{}\r\n", description);
    return text;
}

unsigned long gf_GetLastErrorCode() noexcept
{
    return static_cast<unsigned long>(errno);
}

// The share-mode emulation reports a file held without sharing as EBUSY.
bool gf_IsSharingViolation(unsigned long code) noexcept
{
    return code == EBUSY;
}

void gf_ErrorBox(const char* caption, const char* text) noexcept
{
    std::fprintf(stderr, "%s: %s\n", caption, text);
}

[[noreturn]] void gf_FatalError(const char* text) noexcept
{
    gf_ErrorBox("Fatal Error", text);
    std::fflush(stderr);
    ::_exit(255);
}

void gf_ShowLastError() noexcept
{
    int code = errno;
    if (code == 0)
        return;
    std::fprintf(stderr, "Error: %s\n", std::strerror(code));
}
} // namespace NTev::NException
