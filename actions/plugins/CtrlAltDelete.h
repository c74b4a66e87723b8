#pragma once
// Emulates Ctrl+Alt+Delete: the engine's thread of the desktop named "Winlogon" broadcasts the
// hot key the secure desktop takes as the secure attention sequence.

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
};
} // namespace NQuillon
