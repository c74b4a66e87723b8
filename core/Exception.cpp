#include "core/Exception.h"

#include "core/ErrorText.h"
#include "core/Format.h"

#include <cstring>

namespace NTev::NException
{
namespace
{
// Tracing can itself run out of memory and throw CExceptionMemory; that exception must not
// try to trace again.
thread_local bool g_bTracing = false;
} // namespace

CException::CException(const char* className, const char* file, int line, const char* function,
                       const char* message) noexcept
{
    if (!message)
        message = "";
    std::size_t length = std::strlen(message);
    if (length > mc_MessageSize - 1)
        length = mc_MessageSize - 1;
    std::memcpy(m_Message, message, length);
    m_Message[length] = 0;

    if (g_bTracing)
        return;
    g_bTracing = true;
    gf_DebugOutput("{}({}): {} in {}: {}\n", file ? file : "", line, className ? className : "CException",
                   function ? function : "", message);
    g_bTracing = false;
}

namespace
{
template <typename t_CException>
[[noreturn]] void fg_ThrowSystemError(const char* file, int line, const char* function, const char* call)
{
    const unsigned long code = gf_GetLastErrorCode();
    NStr::CFStr256 error = gf_GetErrorText(code);
    NStr::CFStr256 message;
    gf_Format(message, "Windows returned an error from {}: {}", call, error);
    t_CException exception(file, line, function, message.f_GetStr());
    exception.f_SetSystemError(code);
    throw exception;
}
} // namespace

void gf_ThrowSystemErrorMemory(const char* file, int line, const char* function, const char* call)
{
    fg_ThrowSystemError<CExceptionMemory>(file, line, function, call);
}

void gf_ThrowSystemErrorImplementation(const char* file, int line, const char* function, const char* call)
{
    fg_ThrowSystemError<CExceptionSystemImplementation>(file, line, function, call);
}

void gf_ThrowSystemErrorFile(const char* file, int line, const char* function, const char* call)
{
    fg_ThrowSystemError<NFile::CExceptionFile>(file, line, function, call);
}
} // namespace NTev::NException

namespace NTev::NList
{
void CVectorBoundsCheck::fs_CheckBounds(std::size_t index, std::size_t count)
{
    if (index >= count)
        TEV_THROW(CExceptionListBoundCheck, "NTev::NList::CVectorBoundsCheck::fs_CheckBounds",
                  "Tried to access element outside list");
}
} // namespace NTev::NList
