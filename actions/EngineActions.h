#pragma once
// The four built-in actions, which work on the engine itself: generate input, switch the
// remapping table, kill keys, release everything held.

#include "actions/Accelerator.h"

#include <vector>

namespace NQuillon
{
class CMessageHookBase::CAccelerator_Input final : public CAccelerator
{
public:
    // Files before this version hold one key sequence instead of a list.
    static constexpr std::uint32_t mc_VersionSequenceList = 256;
    // Files of these versions carry one more string after the release keys.
    static constexpr std::uint32_t mc_VersionDiscardedStringFirst = 263;
    static constexpr std::uint32_t mc_VersionDiscardedStringLast = 271;

    CAccelerator_Input() noexcept : CAccelerator(EActionKind_Input) {}

    NTev::CStr f_GetTypeName() const override { return "Mouse/Keboard Generate"; }
    NTev::CStr f_GetDescription() const override;
    void f_OnPress() override;
    void f_OnRelease() override;
    void f_Read(NTev::NStream::CBinaryStream& stream, std::uint32_t version) override;
    void f_Write(NTev::NStream::CBinaryStream& stream) const override;
    NTev::CStr f_GetClassName() const override { return {}; }

    std::vector<CKeys> m_Sequences;
    CKeys m_ReleaseKeys;

private:
    void fp_PressReleaseKeys();
};

class CMessageHookBase::CAccelerator_RemapTable final : public CAccelerator
{
public:
    CAccelerator_RemapTable() noexcept : CAccelerator(EActionKind_RemapTable) {}

    NTev::CStr f_GetTypeName() const override { return "Change Remapping Table"; }
    NTev::CStr f_GetDescription() const override;
    void f_OnPress() override;
    void f_OnRelease() override {}
    void f_Read(NTev::NStream::CBinaryStream& stream, std::uint32_t version) override;
    void f_Write(NTev::NStream::CBinaryStream& stream) const override;
    NTev::CStr f_GetClassName() const override { return {}; }

    NTev::CStr m_TableName;
};

class CMessageHookBase::CAccelerator_Kill final : public CAccelerator
{
public:
    CAccelerator_Kill() noexcept : CAccelerator(EActionKind_Kill) {}

    NTev::CStr f_GetTypeName() const override { return "Kill Key"; }
    NTev::CStr f_GetDescription() const override { return "Kill Key"; }
    // Firing consumes the keys; nothing else happens.
    void f_OnPress() override {}
    void f_OnRelease() override {}
    void f_Read(NTev::NStream::CBinaryStream& stream, std::uint32_t version) override
    {
        f_ReadCommon(stream, version);
    }
    void f_Write(NTev::NStream::CBinaryStream& stream) const override { f_WriteCommon(stream); }
    NTev::CStr f_GetClassName() const override { return {}; }
};

class CMessageHookBase::CAccelerator_ReleaseAllKeys final : public CAccelerator
{
public:
    CAccelerator_ReleaseAllKeys() noexcept : CAccelerator(EActionKind_ReleaseAllKeys) {}

    NTev::CStr f_GetTypeName() const override { return "Release All Keys"; }
    NTev::CStr f_GetDescription() const override { return "Release all keys"; }
    void f_OnPress() override;
    void f_OnRelease() override {}
    void f_Read(NTev::NStream::CBinaryStream& stream, std::uint32_t version) override
    {
        f_ReadCommon(stream, version);
    }
    void f_Write(NTev::NStream::CBinaryStream& stream) const override { f_WriteCommon(stream); }
    NTev::CStr f_GetClassName() const override { return {}; }
};
} // namespace NQuillon
