#pragma once
// The library's exception tree. An exception is one 256-byte message; its construction writes
// one trace line with the source position, the class, the throwing function and the message.

#include <cstddef>

namespace NTev::NException
{
class CException
{
public:
    static constexpr std::size_t mc_MessageSize = 256;

    // A null class name traces as "CException".
    CException(const char* className, const char* file, int line, const char* function,
               const char* message) noexcept;
    CException(const char* file, int line, const char* function, const char* message) noexcept
        : CException("CException", file, line, function, message)
    {
    }

    const char* f_GetMessage() const noexcept { return m_Message; }
    // The system error code of a failed system call (gf_ThrowSystemError*), else 0.
    unsigned long f_GetSystemError() const noexcept { return m_SystemError; }
    void f_SetSystemError(unsigned long code) noexcept { m_SystemError = code; }

private:
    char m_Message[mc_MessageSize];
    unsigned long m_SystemError = 0;
};

// Declares a class of the tree that passes its own name to the trace line.
#define TEV_DECLARE_EXCEPTION(CName, CBase)                                                                  \
    class CName : public CBase                                                                               \
    {                                                                                                        \
    public:                                                                                                  \
        CName(const char* file, int line, const char* function, const char* message) noexcept                \
            : CBase(#CName, file, line, function, message)                                                   \
        {                                                                                                    \
        }                                                                                                    \
                                                                                                             \
    protected:                                                                                               \
        CName(const char* className, const char* file, int line, const char* function,                       \
              const char* message) noexcept                                                                  \
            : CBase(className, file, line, function, message)                                                \
        {                                                                                                    \
        }                                                                                                    \
    }

TEV_DECLARE_EXCEPTION(CExceptionMemory, CException);
TEV_DECLARE_EXCEPTION(CExceptionSystemImplementation, CException);
} // namespace NTev::NException

namespace NTev::NFile
{
TEV_DECLARE_EXCEPTION(CExceptionFile, NException::CException);
}

namespace NTev::NList
{
TEV_DECLARE_EXCEPTION(CExceptionList, NException::CException);
TEV_DECLARE_EXCEPTION(CExceptionListBoundCheck, CExceptionList);

// Index checks of the library's vectors.
class CVectorBoundsCheck
{
public:
    static void fs_CheckBounds(std::size_t index, std::size_t count);
};
} // namespace NTev::NList

namespace NTev::NException
{
// Throws t_CException with "Windows returned an error from <call>: <system text of the last
// error>". Must run right after the failed call, before anything can change the last error.
[[noreturn]] void gf_ThrowSystemErrorMemory(const char* file, int line, const char* function,
                                            const char* call);
[[noreturn]] void gf_ThrowSystemErrorImplementation(const char* file, int line, const char* function,
                                                    const char* call);
[[noreturn]] void gf_ThrowSystemErrorFile(const char* file, int line, const char* function, const char* call);
} // namespace NTev::NException

// throw CClass(position, function, message)
#define TEV_THROW(CClass, function, message) throw CClass(__FILE__, __LINE__, function, message)
// The Windows-error form, by area.
#define TEV_THROW_SYSTEM_FILE(function, call)                                                                \
    ::NTev::NException::gf_ThrowSystemErrorFile(__FILE__, __LINE__, function, call)
#define TEV_THROW_SYSTEM_MEMORY(function, call)                                                              \
    ::NTev::NException::gf_ThrowSystemErrorMemory(__FILE__, __LINE__, function, call)
#define TEV_THROW_SYSTEM_IMPLEMENTATION(function, call)                                                      \
    ::NTev::NException::gf_ThrowSystemErrorImplementation(__FILE__, __LINE__, function, call)
