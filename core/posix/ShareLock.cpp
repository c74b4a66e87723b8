#include "core/posix/ShareLock.h"

#include "core/OpenFlags.h"

#include <cerrno>
#include <sys/file.h>

namespace NTev::NSys::NFile
{
bool gf_LockForOperation(int descriptor, bool bExclusive) noexcept
{
    int result;
    do
        result = ::flock(descriptor, (bExclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result == 0)
        return true;
    if (errno == EWOULDBLOCK)
    {
        errno = EBUSY;
        return false;
    }
    // No lock support here (ENOLCK, EINVAL, ...): go on without the emulation.
    return true;
}

bool gf_LockShare(int descriptor, std::uint32_t flags) noexcept
{
    constexpr std::uint32_t shareBoth = ::NTev::NFile::OpenShareRead | ::NTev::NFile::OpenShareWrite;
    return gf_LockForOperation(descriptor, (flags & shareBoth) != shareBoth);
}
} // namespace NTev::NSys::NFile
