// Linked into every test program: a test that crashes writes its crash files and ends at once,
// instead of waiting for an answer to a message box that nobody sees.

#include "core/CrashMessage.h"

namespace
{
[[maybe_unused]] const bool g_bQuiet = (NTev::NCrash::gf_Crash_GetSettings().m_bQuiet = true);
} // namespace
