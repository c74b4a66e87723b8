// POSIX backend of the trace channel: there is no debugger output, so text goes to the
// installed listener, and to standard error when QUILLON_TRACE is set in the environment.

#include "core/DebugOutput.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace NTev::NSys
{
namespace
{
std::atomic<ICDebugOutputListener*> g_pListener{nullptr};

bool fg_TraceToStandardError()
{
    static const bool s_bEnabled = std::getenv("QUILLON_TRACE") != nullptr;
    return s_bEnabled;
}
} // namespace

void gf_DebugOutputText(const char* text) noexcept
{
    if (ICDebugOutputListener* listener = g_pListener.load(std::memory_order_acquire))
        listener->f_OnDebugOutput(text);
    if (fg_TraceToStandardError())
    {
        ssize_t ignored = ::write(2, text, std::strlen(text));
        (void)ignored;
    }
}

ICDebugOutputListener* gf_SetDebugOutputListener(ICDebugOutputListener* listener) noexcept
{
    return g_pListener.exchange(listener, std::memory_order_acq_rel);
}
} // namespace NTev::NSys
