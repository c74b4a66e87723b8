// The Windows side of the file tests.

#include "tests/core/FileTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace NQuillonTest
{
unsigned long gf_SystemErrorCode(ESystemError error)
{
    switch (error)
    {
        case ESystemError::FileNotFound:
            return ERROR_FILE_NOT_FOUND;
        case ESystemError::FileExists:
            return ERROR_FILE_EXISTS;
        case ESystemError::TargetExists:
            return ERROR_ALREADY_EXISTS;
        case ESystemError::SharingViolation:
            return ERROR_SHARING_VIOLATION;
        case ESystemError::NegativeSeek:
            return ERROR_NEGATIVE_SEEK;
        case ESystemError::WriteOnReadOnly:
        case ESystemError::OpenDirectory:
        case ESystemError::DeleteDirectory:
        case ESystemError::AccessDenied:
            return ERROR_ACCESS_DENIED;
        case ESystemError::TruncateWithoutWrite:
            return ERROR_INVALID_PARAMETER;
    }
    return 0;
}

void gf_SetWriteTime(const std::string& path, std::uint64_t ticks)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    BOOL bSet = SetFileTime(file, nullptr, nullptr, &time);
    CloseHandle(file);
    ASSERT_TRUE(bSet) << path;
}

const char* gf_TestProgramFileName()
{
    return "test_core.exe";
}
} // namespace NQuillonTest
