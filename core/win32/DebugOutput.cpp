// Windows backend of the trace channel: OutputDebugStringA.

#include "core/DebugOutput.h"

#include <atomic>
#include <windows.h>

namespace NTev::NSys
{
namespace
{
std::atomic<ICDebugOutputListener*> g_pListener{nullptr};
}

void gf_DebugOutputText(const char* text) noexcept
{
    if (ICDebugOutputListener* listener = g_pListener.load(std::memory_order_acquire))
        listener->f_OnDebugOutput(text);
    OutputDebugStringA(text);
}

ICDebugOutputListener* gf_SetDebugOutputListener(ICDebugOutputListener* listener) noexcept
{
    return g_pListener.exchange(listener, std::memory_order_acq_rel);
}
} // namespace NTev::NSys
