#pragma once
// Internal to the POSIX backend: a mutex and a condition variable on the monotonic clock,
// the base of its semaphores, events and thread handles.

#include <cstdint>
#include <pthread.h>

namespace NTev::NSys::NPosix
{
class CWaitable
{
public:
    // Returns the pthread error code; 0 on success.
    int f_Init() noexcept;
    void f_Destroy() noexcept;

    void f_Lock() noexcept { pthread_mutex_lock(&m_Mutex); }
    void f_Unlock() noexcept { pthread_mutex_unlock(&m_Mutex); }
    void f_WakeAll() noexcept { pthread_cond_broadcast(&m_Changed); }

    // With the mutex held: waits until ready() holds or milliseconds have passed; returns
    // ready() at the end.
    template <typename t_FReady>
    bool f_WaitUntil(t_FReady ready, std::uint32_t milliseconds) noexcept
    {
        if (ready())
            return true;
        if (milliseconds == 0)
            return false;
        if (milliseconds == 0xFFFFFFFF)
        {
            while (!ready())
                pthread_cond_wait(&m_Changed, &m_Mutex);
            return true;
        }
        timespec deadline = fs_Deadline(milliseconds);
        while (!ready())
        {
            if (pthread_cond_timedwait(&m_Changed, &m_Mutex, &deadline) != 0)
                return ready();
        }
        return true;
    }

private:
    static timespec fs_Deadline(std::uint32_t milliseconds) noexcept;

    pthread_mutex_t m_Mutex;
    pthread_cond_t m_Changed;
};
} // namespace NTev::NSys::NPosix
