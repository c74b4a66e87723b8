#pragma once
// Emulates Ctrl+Alt+Delete: the engine's thread of the desktop named "Winlogon" broadcasts the
// hot key the secure desktop takes as the secure attention sequence. A service's desktops are
// not the user's: it asks the system for the sequence instead (SendSAS, which the Software SAS
// policy must allow services to use).

#include "actions/Accelerator.h"

namespace NQuillon
{
class CAccelerator_CtrlAltDelete final : public CMessageHookBase::CAccelerator
{
public:
    CAccelerator_CtrlAltDelete() noexcept : CAccelerator(EActionKind_ByClassName) {}

    NTev::CStr f_GetTypeName() const override { return "Emulate Ctrl+Alt+Delete"; }
    NTev::CStr f_GetDescription() const override { return "Emulate Ctrl+Alt+Delete"; }
    void f_OnPress() override;
    void f_OnRelease() override {}
    void f_Read(NTev::NStream::CBinaryStream& stream, std::uint32_t version) override
    {
        f_ReadCommon(stream, version);
    }
    void f_Write(NTev::NStream::CBinaryStream& stream) const override { f_WriteCommon(stream); }
    NTev::CStr f_GetClassName() const override { return "CAccelerator_CtrlAltDelete"; }

    // Where a service's request goes (tests count the calls); null restores the platform's.
    using CSecureAttention = bool (*)();
    static void fs_SetSecureAttention(CSecureAttention send) noexcept;
};

// Asks the system for the secure attention sequence on behalf of a service; false when the
// system has no way for it (none without Windows).
bool gf_SendPlatformSecureAttention();
} // namespace NQuillon
