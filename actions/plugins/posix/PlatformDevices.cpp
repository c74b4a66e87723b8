// Without Windows there are no windows, CD drives, backlight device or key toggles to reach:
// the actions' operations find nothing to act on.

#include "actions/plugins/Backlight.h"
#include "actions/plugins/CdEject.h"
#include "actions/plugins/CtrlAltDelete.h"
#include "actions/plugins/KeyboardLocks.h"
#include "actions/plugins/WindowOperations.h"

namespace NQuillon
{
ICWindowSystem* gf_GetPlatformWindowSystem()
{
    return nullptr;
}

ICCdSystem* gf_GetPlatformCdSystem()
{
    return nullptr;
}

std::unique_ptr<ICBacklightDevice> gf_CreatePlatformBacklightDevice()
{
    return nullptr;
}

std::optional<bool> gf_ReadPlatformLockToggle(const CMessageHook&, std::int32_t)
{
    return std::nullopt;
}

bool gf_SendPlatformSecureAttention()
{
    return false;
}
} // namespace NQuillon
