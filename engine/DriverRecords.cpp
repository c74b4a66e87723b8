// A batch of records read from the filter driver: each is evaluated, and what passes is
// written back.

#include "engine/InputState.h"

#include "config/Configuration.h"

namespace NQuillon
{
void CMessageHook::f_ProcessDriverRecords(const CDriverRecord* records, std::size_t count)
{
    CLockGuard lock(m_Lock);
    // The records of one read arrived together: they share one reading of the clock, taken
    // when the first of them needs the time.
    struct CBatchTime
    {
        CMessageHook& m_Engine;
        explicit CBatchTime(CMessageHook& engine) : m_Engine(engine)
        {
            m_Engine.m_bBatchTimeRead = false;
            m_Engine.m_bInBatch = true;
        }
        ~CBatchTime() { m_Engine.m_bInBatch = false; }
    } batchTime(*this);
    for (std::size_t i = 0; i < count; ++i)
    {
        if (records[i].m_Kind == EDriverRecordKind_Keyboard)
            fp_ProcessKeyboardRecord(records[i].m_Keyboard);
        else if (records[i].m_Kind == EDriverRecordKind_Mouse)
            fp_ProcessMouseRecord(records[i].m_Mouse);
    }
}

void CMessageHook::fp_ProcessKeyboardRecord(const KEYBOARD_INPUT_DATA& data)
{
    const std::int32_t keyNumber = data.MakeCode + ((data.Flags & KEY_E0) ? 128 : 0);
    if (!(data.Flags & KEY_BREAK))
    {
        if (!fp_OnKeyDown(keyNumber) && m_bOwnsInput)
            fp_WriteKeyMake(keyNumber);
        return;
    }
    if (keyNumber > 255)
        return;
    m_pInput->m_UserKeys[keyNumber] = 0;
    if (!fp_PassesRelease(CKey{EKeyDevice_Keyboard, keyNumber, 0}))
        return;
    if (m_pInput->m_RepeatCandidateKey == keyNumber)
        m_pInput->m_RepeatCandidateKey = 0;
    fp_WriteKeyBreak(keyNumber);
}

bool CMessageHook::fp_PassesRelease(const CKey& key)
{
    // The release that ends a one-key capture is swallowed; a process that does not own
    // input writes nothing; a release that ends a held input was handled by the evaluation.
    if (m_CaptureMode == 1)
    {
        m_CaptureMode = -1;
        return false;
    }
    if (!m_bOwnsInput)
        return false;
    return !(m_pConfiguration->m_pCurrentTable && !m_pConfiguration->m_bRemappingDisabled &&
             fp_EvaluateRelease(key));
}

void CMessageHook::fp_ProcessMouseRecord(const MOUSE_INPUT_DATA& data)
{
    if (data.LastX != 0 || data.LastY != 0)
    {
        if (!fp_OnMouseMove(data) && m_bOwnsInput)
        {
            MOUSE_INPUT_DATA moved = data;
            moved.ButtonFlags = 0;
            moved.ButtonData = 0;
            f_WriteMouseRecord(moved);
        }
    }
    if (data.ButtonFlags & MOUSE_WHEEL)
    {
        const auto delta = static_cast<std::int16_t>(data.ButtonData);
        if (!fp_OnMouseWheel(delta) && m_bOwnsInput)
            f_SendWheel(delta);
    }
    if (data.ButtonFlags & MOUSE_BUTTON_DOWNS)
        for (int button = 1; button <= 5; ++button)
            if ((data.ButtonFlags & gf_MouseDownFlag(button)) && !fp_OnMouseButtonDown(button) &&
                m_bOwnsInput)
                fp_WriteMouseButton(gf_MouseDownFlag(button));
    if (data.ButtonFlags & MOUSE_BUTTON_UPS)
        for (int button = 1; button <= 5; ++button)
        {
            if (!(data.ButtonFlags & gf_MouseUpFlag(button)))
                continue;
            m_pInput->m_UserMouse[button] = 0;
            if (fp_PassesRelease(CKey{EKeyDevice_Mouse, button, 0}))
                fp_WriteMouseButton(gf_MouseUpFlag(button));
        }
}
} // namespace NQuillon
