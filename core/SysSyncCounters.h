#pragma once
// Internal to the backends: they count their semaphore calls here.

namespace NTev::NSys::NPrivate
{
void gf_CountSemaphoreCreate() noexcept;
void gf_CountSemaphoreWait() noexcept;
void gf_CountSemaphoreRelease() noexcept;
} // namespace NTev::NSys::NPrivate
