#include "core/Mutual.h"

#include "core/ErrorText.h"
#include "core/Exception.h"

namespace NTev
{
void CMutualSystem::fs_Wait(CSemaphore semaphore) noexcept
{
    try
    {
        NSys::gf_Semaphore_Wait(semaphore, NSys::gc_WaitInfinite);
    }
    catch (const NException::CException& exception)
    {
        gf_FatalError(exception.f_GetMessage());
    }
}

void CMutualSystem::fs_Release(CSemaphore semaphore) noexcept
{
    try
    {
        // At most one release is pending at any time, so the maximum of 1 is never exceeded.
        NSys::gf_Semaphore_Release(semaphore);
    }
    catch (const NException::CException& exception)
    {
        gf_FatalError(exception.f_GetMessage());
    }
}
} // namespace NTev
