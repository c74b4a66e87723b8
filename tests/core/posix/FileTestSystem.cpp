// The POSIX side of the file tests: errno values in place of Windows error codes.

#include "tests/core/FileTestSupport.h"

#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace NQuillonTest
{
unsigned long gf_SystemErrorCode(ESystemError error)
{
    switch (error)
    {
        case ESystemError::FileNotFound:
            return ENOENT;
        case ESystemError::FileExists:
        case ESystemError::TargetExists:
            return EEXIST;
        case ESystemError::SharingViolation:
            return EBUSY;
        case ESystemError::NegativeSeek:
            return EINVAL;
        case ESystemError::WriteOnReadOnly:
            return EBADF;
        case ESystemError::OpenDirectory:
        case ESystemError::DeleteDirectory:
            return EISDIR;
        case ESystemError::TruncateWithoutWrite:
            return EINVAL;
        case ESystemError::AccessDenied:
            return EACCES;
    }
    return 0;
}

void gf_SetWriteTime(const std::string& path, std::uint64_t ticks)
{
    const std::int64_t seconds = static_cast<std::int64_t>(ticks / 10000000) - 11644473600;
    struct timespec times[2] = {{0, UTIME_OMIT}, {seconds, static_cast<long>(ticks % 10000000) * 100}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

const char* gf_TestProgramFileName()
{
    return "test_core";
}
} // namespace NQuillonTest
