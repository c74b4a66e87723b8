#pragma once
// Sets the Caps, Num or Scroll lock to a chosen state by writing the lock key's make and break
// to the filter driver, when its toggle state differs.
//
// The toggle state is read with GetKeyState on the engine's thread. That is the interactive
// user's state only when the engine runs in the user's session: a service's thread has the key
// state of its own session, and the records the engine sees only tell it when a lock flips,
// never where it started. So a service asks its session agent, which reads the state in the
// user's session; the pair is written when the answer comes. A service without an agent does
// not know the state and writes nothing: setting a lock to a state it may already have would
// flip it the wrong way.

#include "actions/Accelerator.h"
#include "actions/ActionFields.h"

#include <optional>

namespace NQuillon
{
class CMessageHook;

class CAccelerator_KeyboardLocksManipulation final : public CMessageHookBase::CAccelerator,
                                                     public ICActionFields
{
public:
    // Files up to this version have no state field.
    static constexpr std::uint32_t mc_LastVersionWithoutState = 261;

    CAccelerator_KeyboardLocksManipulation() noexcept : CAccelerator(EActionKind_ByClassName) {}

    NTev::CStr f_GetTypeName() const override { return "Keyboard Locks Manipulation"; }
    NTev::CStr f_GetDescription() const override;
    void f_GetOptions(std::vector<CActionOptionGroup>& options) const override;
    void f_SetOptions(const std::vector<CActionOptionGroup>& options) override;
    void f_OnPress() override;
    void f_OnRelease() override {}
    void f_Read(NTev::NStream::CBinaryStream& stream, std::uint32_t version) override;
    void f_Write(NTev::NStream::CBinaryStream& stream) const override;
    NTev::CStr f_GetClassName() const override { return "CAccelerator_KeyboardLocksManipulation"; }

    std::vector<CField> f_GetFields() const override { return {{"lock", m_Lock}, {"state", m_State}}; }
    bool f_SetField(const char* name, std::int32_t value) override;

    // The lock's toggle state as the engine can know it; none when it cannot.
    using CToggleReader = std::optional<bool> (*)(const CMessageHook& engine, std::int32_t virtualKey);
    // Tests read the toggle state from elsewhere; null restores the platform's.
    static void fs_SetToggleReader(CToggleReader reader) noexcept;
    // Through the tests' reader when set, else the platform's.
    static std::optional<bool> fs_ReadToggle(const CMessageHook& engine, std::int32_t virtualKey);

    // The make and break of a lock key, straight to the driver.
    static void fs_WriteLockPair(CMessageHook& engine, std::uint16_t scanCode);

    // 0 Caps Lock, 1 Num Lock, 2 Scroll Lock.
    std::int32_t m_Lock = 0;
    // 1 on, 0 off.
    std::int32_t m_State = 1;
};

// GetKeyState's low bit on the calling thread, in an engine that does not run as a service
// (none without Windows).
std::optional<bool> gf_ReadPlatformLockToggle(const CMessageHook& engine, std::int32_t virtualKey);
} // namespace NQuillon
