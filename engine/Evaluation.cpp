// Evaluation of key and button events against the current remapping table.

#include "engine/InputState.h"

#include "engine/CandidateWalk.h"

#include "config/Configuration.h"

#include <algorithm>

namespace NQuillon
{
namespace
{
bool fg_SameKey(const CMessageHookBase::CKey& a, const CMessageHookBase::CKey& b)
{
    return a.m_Device == b.m_Device && a.m_Code == b.m_Code;
}

bool fg_Contains(const CMessageHookBase::CKeys& keys, const CMessageHookBase::CKey& key)
{
    for (const CMessageHookBase::CKey& entry : keys)
        if (fg_SameKey(entry, key))
            return true;
    return false;
}
} // namespace

// ---- key and button events --------------------------------------------------------------------

bool CMessageHook::f_OnKeyDown(std::int32_t keyNumber)
{
    CLockGuard lock(m_Lock);
    return fp_OnKeyDown(keyNumber);
}

bool CMessageHook::f_EvaluateEjectKey(bool down)
{
    CLockGuard lock(m_Lock);
    return down ? fp_OnKeyDown(mc_EjectKeyNumber, false) : fp_OnKeyUp(mc_EjectKeyNumber);
}

bool CMessageHook::fp_OnKeyDown(std::int32_t keyNumber, bool passUnbound)
{
    if (keyNumber < 0 || keyNumber > 255)
        return true;
    CInputState& input = *m_pInput;
    const bool wasHeld = input.m_UserKeys[keyNumber] != 0;
    input.m_UserKeys[keyNumber] = 1;
    if (m_CaptureMode == 0 && (!m_pConfiguration->m_pCurrentTable || m_pConfiguration->m_bRemappingDisabled))
        return false;
    // The keyboard's own auto-repeat: the engine makes its own.
    if (wasHeld)
        return true;
    const CKey key{EKeyDevice_Keyboard, keyNumber, 0};
    if (m_CaptureMode == 0 || m_CaptureMode == -1)
    {
        if (!f_IsRemappingActive())
            return false;
        CKey pressed = key;
        pressed.m_Order = input.m_PressedKeys.f_GetCount() + 1;
        if (!fp_EvaluatePress(pressed) && passUnbound)
        {
            fp_GeneratePress(key);
            input.f_PushFront(CHeldInput::EKind_KeyNumber, nullptr, keyNumber);
        }
        return true;
    }
    fp_RecordCapturedKey(key);
    return true;
}

bool CMessageHook::fp_RecordCapturedKey(const CKey& key)
{
    if (!fg_Contains(m_CapturedKeys, key))
        m_CapturedKeys.f_Add(CKey{key.m_Device, key.m_Code, 0});
    else if (m_CaptureMode == 2)
        m_CaptureMode = -1;
    return true;
}

bool CMessageHook::f_OnKeyUp(std::int32_t keyNumber)
{
    CLockGuard lock(m_Lock);
    return fp_OnKeyUp(keyNumber);
}

bool CMessageHook::fp_OnKeyUp(std::int32_t keyNumber)
{
    if (keyNumber < 0 || keyNumber > 255)
        return true;
    m_pInput->m_UserKeys[keyNumber] = 0;
    if (m_CaptureMode == 1)
    {
        m_CaptureMode = -1;
        return true;
    }
    if (!f_IsRemappingActive())
        return false;
    if (fp_EvaluateRelease(CKey{EKeyDevice_Keyboard, keyNumber, 0}))
        return true;
    if (m_pInput->m_RepeatCandidateKey == keyNumber)
        m_pInput->m_RepeatCandidateKey = 0;
    return false;
}

bool CMessageHook::f_OnMouseButtonDown(std::int32_t code)
{
    CLockGuard lock(m_Lock);
    return fp_OnMouseButtonDown(code);
}

bool CMessageHook::fp_OnMouseButtonDown(std::int32_t code)
{
    if (code < 0 || code >= CInputState::mc_MouseCount)
        return false;
    CInputState& input = *m_pInput;
    const bool wasHeld = input.m_UserMouse[code] != 0;
    if (code != mc_WheelForward && code != mc_WheelBackward)
        input.m_UserMouse[code] = 1;
    const CKey key{EKeyDevice_Mouse, code, 0};
    if (m_CaptureMode == 0 || m_CaptureMode == -1)
    {
        if (!f_IsRemappingActive())
            return false;
        if (wasHeld)
            return true;
        CKey pressed = key;
        pressed.m_Order = input.m_PressedKeys.f_GetCount() + 1;
        if (fp_EvaluatePress(pressed))
            return true;
        if (code >= 1 && code <= 20)
        {
            fp_GeneratePress(key);
            input.f_PushFront(CHeldInput::EKind_MouseCode, nullptr, code);
            return true;
        }
        return false;
    }
    if (wasHeld)
        return true;
    return fp_RecordCapturedKey(key);
}

bool CMessageHook::f_OnMouseButtonUp(std::int32_t code)
{
    CLockGuard lock(m_Lock);
    return fp_OnMouseButtonUp(code);
}

bool CMessageHook::fp_OnMouseButtonUp(std::int32_t code)
{
    if (code < 0 || code >= CInputState::mc_MouseCount)
        return false;
    m_pInput->m_UserMouse[code] = 0;
    if (m_CaptureMode == 1)
    {
        m_CaptureMode = -1;
        return true;
    }
    if (!f_IsRemappingActive())
        return false;
    return fp_EvaluateRelease(CKey{EKeyDevice_Mouse, code, 0});
}

bool CMessageHook::f_OnMouseWheel(std::int16_t delta)
{
    CLockGuard lock(m_Lock);
    return fp_OnMouseWheel(delta);
}

bool CMessageHook::fp_OnMouseWheel(std::int16_t delta)
{
    if (m_pConfiguration->m_bRemappingDisabled)
        return false;
    // Each wheel event is one press and release of its direction's step code.
    if (delta < 0)
    {
        const bool consumed = fp_OnMouseButtonDown(mc_WheelBackward);
        m_pInput->m_UserMouse[mc_WheelBackward] = 0;
        if (m_CaptureMode == 1)
            m_CaptureMode = -1;
        else if (f_IsRemappingActive())
            fp_EvaluateRelease(CKey{EKeyDevice_Mouse, mc_WheelBackward, 0});
        if (consumed)
            return true;
    }
    else if (delta > 0)
    {
        const bool consumed = fp_OnMouseButtonDown(mc_WheelForward);
        fp_OnMouseButtonUp(mc_WheelForward);
        if (consumed)
            return true;
    }
    return fp_ContinueWheel(delta);
}

// ---- evaluation proper --------------------------------------------------------------------------

bool CMessageHook::f_EvaluatePress(const CKey& key)
{
    CLockGuard lock(m_Lock);
    return fp_EvaluatePress(key);
}

bool CMessageHook::fp_EvaluatePress(const CKey& key)
{
    CInputState& input = *m_pInput;
    input.m_bPressPending = 1;
    input.m_LastPressTime = f_GetEngineTime();
    input.m_PressedKeys.f_Add(CKey{key.m_Device, key.m_Code, input.m_PressedKeys.f_GetCount() + 1});

    CRemapTable* table = m_pConfiguration->m_pCurrentTable;
    if (!table)
        return false;
    for (auto& entry : table->m_GroupsByPriority)
    {
        const CRemapGroup& group = *entry.second;
        if ((group.m_Flags & EGroupFlag_RunOnActivate) || !group.f_MayEndWith(key.m_Device, key.m_Code))
            continue;
        const bool ignoresAll = group.f_IgnoresAllKeys();
        const std::size_t count = input.m_PressedKeys.f_GetCount();
        CCandidateWalk walk(input.m_PressedKeys.f_GetData(), count, input.m_Sorted, input.m_Candidate);
        for (std::size_t i = 0; i < count; ++i)
        {
            std::size_t size = 0;
            const CKey* candidate = walk.f_Next(group.m_IgnoreKeys, ignoresAll, size);
            CAccelerator* action = group.f_FindAction(candidate, size);
            if (!action)
            {
                if (ignoresAll)
                    break;
                continue;
            }
            const bool continueProcessing = (action->m_Flags & EActionFlag_ContinueProcessing) != 0;
            if (action->m_HeldInputCount == 0)
            {
                action->f_OnPress();
                // The action switched remapping off (a table no file has): its release will
                // not be evaluated, and the switch already let go of everything.
                if (!f_IsRemappingActive())
                    return true;
                input.f_PushFront(CHeldInput::EKind_Action, action, 0);
                fp_WakeRepeatThread();
            }
            if (!continueProcessing)
                return true;
            // The action let go of everything: no candidate is left to try.
            if (input.m_PressedKeys.f_GetCount() != count)
                break;
            // The same candidate comes back for every i when the group ignores all keys.
            if (ignoresAll)
                break;
        }
    }
    return false;
}

bool CMessageHook::f_EvaluateRelease(const CKey& key)
{
    CLockGuard lock(m_Lock);
    return fp_EvaluateRelease(key);
}

bool CMessageHook::fp_EvaluateRelease(const CKey& key)
{
    CInputState& input = *m_pInput;
    input.m_bPressPending = 0;
    bool removed = false;
    CHeldInput* entry = input.f_GetFront();
    while (entry)
    {
        CHeldInput* next = entry->m_pNext;
        switch (entry->m_Kind)
        {
            case CHeldInput::EKind_Action:
                if (fg_Contains(entry->m_pAction->m_TriggerKeys, key))
                {
                    CAccelerator* action = entry->m_pAction;
                    input.f_Remove(*entry);
                    removed = true;
                    const std::uint64_t generation = input.f_GetGeneration();
                    action->f_OnRelease();
                    // The action released everything: nothing is left to walk.
                    if (generation != input.f_GetGeneration())
                        next = nullptr;
                }
                break;
            case CHeldInput::EKind_KeyNumber:
            case CHeldInput::EKind_MouseCode:
            {
                // A key or button the engine passed on: its own release ends it.
                const std::int32_t device =
                    entry->m_Kind == CHeldInput::EKind_KeyNumber ? EKeyDevice_Keyboard : EKeyDevice_Mouse;
                if (key.m_Device == device && key.m_Code == entry->m_Code)
                {
                    const std::int32_t code = entry->m_Code;
                    input.f_Remove(*entry);
                    removed = true;
                    fp_GenerateRelease(CKey{device, code, 0});
                }
                break;
            }
        }
        entry = next;
    }

    // The pressed keys without the released one, renumbered.
    CKeys& pressed = input.m_PressedKeys;
    for (std::size_t i = pressed.f_GetCount(); i-- > 0;)
        if (fg_SameKey(pressed[i], key))
            pressed.f_RemoveAt(i);
    std::uint32_t order = 1;
    for (CKey& entryKey : pressed)
        entryKey.m_Order = order++;
    return removed;
}

void CMessageHook::f_ReleaseAllKeys()
{
    CLockGuard lock(m_Lock);
    CInputState& input = *m_pInput;
    while (CHeldInput* entry = input.f_GetFront())
    {
        const CHeldInput::EKind kind = entry->m_Kind;
        CAccelerator* action = entry->m_pAction;
        const std::int32_t code = entry->m_Code;
        input.f_Remove(*entry);
        if (kind == CHeldInput::EKind_Action)
            action->f_OnRelease();
        else
            fp_GenerateRelease(
                CKey{kind == CHeldInput::EKind_KeyNumber ? EKeyDevice_Keyboard : EKeyDevice_Mouse, code, 0});
    }
    input.f_RemoveAll();
    input.m_RepeatCandidateKey = 0;
    input.m_RepeatCandidateMouseCode = 0;
    input.m_UserKeys.fill(0);
    for (std::int32_t n = 0; n < CInputState::mc_KeyCount; ++n)
        if (input.m_GeneratedKeys[n] != 0)
        {
            if (m_bOwnsInput)
                fp_WriteKeyBreak(n);
            input.m_GeneratedKeys[n] = 0;
        }
    input.m_UserMouse.fill(0);
    for (std::int32_t c = 0; c < CInputState::mc_MouseCount; ++c)
        if (input.m_GeneratedMouse[c] != 0)
        {
            if (m_bOwnsInput && c >= 1 && c <= 5)
                fp_WriteMouseButton(gf_MouseUpFlag(c));
            input.m_GeneratedMouse[c] = 0;
        }
    input.m_PressedKeys.f_Clear();
}

// ---- capture --------------------------------------------------------------------------------

bool CMessageHook::f_SetCaptureMode(std::int32_t mode)
{
    if (!fp_StartCaptureChannel())
        return false;
    CLockGuard lock(m_Lock);
    m_CaptureMode = mode;
    f_ReleaseAllKeys();
    m_bRefreshPending = true;
    m_CapturedKeys.f_Clear();
    return true;
}

bool CMessageHook::f_GetCapturedKeys(CKeys& keys)
{
    CLockGuard lock(m_Lock);
    keys = m_CapturedKeys;
    return m_CaptureMode < 0;
}

void CMessageHook::f_EndCapture()
{
    {
        CLockGuard lock(m_Lock);
        if (m_CaptureMode != 0)
        {
            m_CaptureMode = 0;
            m_bRefreshPending = true;
        }
    }
    fp_StopCaptureChannel();
}
} // namespace NQuillon
