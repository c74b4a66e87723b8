#pragma once
// System error texts and the user-facing error boxes.

#include "core/Str.h"

namespace NTev::NException
{
// The system's text for an error code (Windows error codes; errno values on POSIX), at most
// 255 characters, the system's trailing line break included. Code 0 means the calling
// thread's last error. A code without text gives "0x" and eight lowercase hex digits.
NStr::CFStr256 gf_GetErrorText(unsigned long code);
// The calling thread's last error (GetLastError; errno on POSIX).
unsigned long gf_GetLastErrorCode() noexcept;
// Whether the error means another process holds the file for now (a sharing or lock
// violation), so that trying again shortly may succeed.
bool gf_IsSharingViolation(unsigned long code) noexcept;

// Shows text under the caption "Fatal Error" and ends the process with exit code 255.
[[noreturn]] void gf_FatalError(const char* text) noexcept;
// A stop-icon message box with an OK button (on POSIX: the text on standard error).
void gf_ErrorBox(const char* caption, const char* text) noexcept;
// Shows the last Windows error in a message box; nothing when it is 0.
void gf_ShowLastError() noexcept;
} // namespace NTev::NException

namespace NTev
{
using NException::gf_ErrorBox;
using NException::gf_FatalError;
using NException::gf_GetErrorText;
using NException::gf_GetLastErrorCode;
using NException::gf_IsSharingViolation;
using NException::gf_ShowLastError;
} // namespace NTev
