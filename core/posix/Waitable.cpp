#include "core/posix/Waitable.h"

#include <ctime>

namespace NTev::NSys::NPosix
{
int CWaitable::f_Init() noexcept
{
    if (int error = pthread_mutex_init(&m_Mutex, nullptr))
        return error;
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
    // Time-outs must not stretch or shrink when the wall clock is set.
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    int error = pthread_cond_init(&m_Changed, &attributes);
    pthread_condattr_destroy(&attributes);
    if (error)
        pthread_mutex_destroy(&m_Mutex);
    return error;
}

void CWaitable::f_Destroy() noexcept
{
    pthread_cond_destroy(&m_Changed);
    pthread_mutex_destroy(&m_Mutex);
}

timespec CWaitable::fs_Deadline(std::uint32_t milliseconds) noexcept
{
    timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += milliseconds / 1000;
    deadline.tv_nsec += static_cast<long>(milliseconds % 1000) * 1000000;
    if (deadline.tv_nsec >= 1000000000)
    {
        deadline.tv_nsec -= 1000000000;
        deadline.tv_sec += 1;
    }
    return deadline;
}
} // namespace NTev::NSys::NPosix
