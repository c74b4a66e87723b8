#include "actions/plugins/KeyboardLocks.h"

#include "engine/MessageHook.h"

#include "core/Format.h"
#include "core/RunTimeClass.h"

#include <atomic>
#include <cstring>

namespace NQuillon
{
namespace
{
struct CLockKey
{
    const char* m_pName;
    std::int32_t m_VirtualKey;
    std::uint16_t m_ScanCode;
};
constexpr CLockKey gc_Locks[] = {{"Caps Lock", 20, 58}, {"Num Lock", 144, 69}, {"Scroll Lock", 145, 70}};
constexpr std::int32_t gc_LockCount = 3;

NTev::TRuntimeClassNamed<CAccelerator_KeyboardLocksManipulation>
    g_Record("NQuillon::CAccelerator_KeyboardLocksManipulation", "NQuillon::CAccelerator");
std::atomic<CAccelerator_KeyboardLocksManipulation::CToggleReader> g_ToggleReader{nullptr};

void fg_WriteKey(CMessageHook& engine, std::uint16_t scanCode, bool make)
{
    KEYBOARD_INPUT_DATA data{};
    data.UnitId = 1;
    data.MakeCode = scanCode;
    data.Flags = make ? 0 : KEY_BREAK;
    engine.f_WriteKeyboardRecord(data);
}
} // namespace

NTev::CStr CAccelerator_KeyboardLocksManipulation::f_GetDescription() const
{
    if (m_Lock < 0 || m_Lock >= gc_LockCount)
        return "Error";
    NTev::CStr description;
    NTev::gf_Format(description, "Keyboard Lock: Set {} To {}", gc_Locks[m_Lock].m_pName,
                    m_State == 1 ? "On" : "Off");
    return description;
}

void CAccelerator_KeyboardLocksManipulation::f_GetOptions(std::vector<CActionOptionGroup>& options) const
{
    CActionOptionGroup lock;
    lock.m_Caption = "Lock State To Set";
    for (const CLockKey& key : gc_Locks)
        lock.m_Entries.emplace_back(key.m_pName);
    lock.m_Selected = m_Lock >= 0 && m_Lock < gc_LockCount ? m_Lock : -1;
    CActionOptionGroup state;
    state.m_Caption = "State To Set To";
    state.m_Entries = {"On", "Off"};
    state.m_Selected = m_State == 1 ? 0 : 1;
    options.push_back(std::move(lock));
    options.push_back(std::move(state));
}

void CAccelerator_KeyboardLocksManipulation::f_SetOptions(const std::vector<CActionOptionGroup>& options)
{
    if (options.size() < 2)
        return;
    // A group with nothing chosen (-1) leaves its field as it is.
    if (options[0].m_Selected >= 0)
        m_Lock = options[0].m_Selected;
    if (options[1].m_Selected >= 0)
        m_State = options[1].m_Selected == 0 ? 1 : 0;
}

void CAccelerator_KeyboardLocksManipulation::f_OnPress()
{
    auto* engine = dynamic_cast<CMessageHook*>(m_pOwner);
    if (!engine || !engine->m_bOwnsInput || m_Lock < 0 || m_Lock >= gc_LockCount)
        return;
    const CLockKey& key = gc_Locks[m_Lock];
    // A service's own key state is not the user's: the agent in the user's session reads it.
    if (CMessageHook::ICSessionAgent* agent = engine->f_GetSessionAgent())
    {
        agent->f_SetLockState(key.m_VirtualKey, key.m_ScanCode, m_State == 1);
        return;
    }
    const std::optional<bool> on = fs_ReadToggle(*engine, key.m_VirtualKey);
    if (!on || *on == (m_State == 1))
        return;
    fs_WriteLockPair(*engine, key.m_ScanCode);
}

void CAccelerator_KeyboardLocksManipulation::fs_WriteLockPair(CMessageHook& engine, std::uint16_t scanCode)
{
    // Written straight to the driver, not as generated presses: the engine's press counts are
    // not the user's keys and stay as they are.
    fg_WriteKey(engine, scanCode, true);
    fg_WriteKey(engine, scanCode, false);
}

void CAccelerator_KeyboardLocksManipulation::f_Read(NTev::NStream::CBinaryStream& stream,
                                                    std::uint32_t version)
{
    m_Lock = stream.f_ReadInt<std::int32_t>();
    m_State = version > mc_LastVersionWithoutState ? stream.f_ReadInt<std::int32_t>() : 1;
    f_ReadCommon(stream, version);
}

void CAccelerator_KeyboardLocksManipulation::f_Write(NTev::NStream::CBinaryStream& stream) const
{
    stream.f_WriteInt<std::int32_t>(m_Lock);
    stream.f_WriteInt<std::int32_t>(m_State);
    f_WriteCommon(stream);
}

bool CAccelerator_KeyboardLocksManipulation::f_SetField(const char* name, std::int32_t value)
{
    if (std::strcmp(name, "lock") == 0)
        m_Lock = value;
    else if (std::strcmp(name, "state") == 0)
        m_State = value;
    else
        return false;
    return true;
}

void CAccelerator_KeyboardLocksManipulation::fs_SetToggleReader(CToggleReader reader) noexcept
{
    g_ToggleReader = reader;
}

std::optional<bool> CAccelerator_KeyboardLocksManipulation::fs_ReadToggle(const CMessageHook& engine,
                                                                          std::int32_t virtualKey)
{
    const CToggleReader reader = g_ToggleReader.load();
    return reader ? reader(engine, virtualKey) : gf_ReadPlatformLockToggle(engine, virtualKey);
}
} // namespace NQuillon
