#include "actions/plugins/KeyboardLocks.h"

#include "engine/MessageHook.h"

#include <windows.h>

namespace NQuillon
{
std::optional<bool> gf_ReadPlatformLockToggle(const CMessageHook& engine, std::int32_t virtualKey)
{
    if (engine.m_bRunsAsService)
        return std::nullopt;
    return (GetKeyState(virtualKey) & 1) != 0;
}
} // namespace NQuillon
