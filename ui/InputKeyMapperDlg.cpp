#include "ui/InputKeyMapperDlg.h"

namespace NQuillon
{
bool CInputKeyMapperDlg::f_OnOpen()
{
    m_Keys.f_Clear();
    m_Text = "";
    m_bCapturing = m_Capture.f_SetCaptureMode(m_Mode);
    return m_bCapturing;
}

bool CInputKeyMapperDlg::f_OnTick()
{
    if (!m_bCapturing)
        return false;
    bool finished = m_Capture.f_GetCapturedKeys(m_Keys);
    if (finished && m_Keys.f_IsEmpty())
    {
        // A release of a key held down before the capture began (the Enter that chose the
        // command, say) ends a mode-1 capture with nothing captured: that is no answer, so
        // the capture starts over and the window stays.
        finished = false;
        m_bCapturing = m_Capture.f_SetCaptureMode(m_Mode);
    }
    m_Text = fs_FormatKeys(m_Keys);
    return finished;
}

void CInputKeyMapperDlg::f_OnClose()
{
    if (!m_bCapturing)
        return;
    m_bCapturing = false;
    m_Capture.f_EndCapture();
}

NTev::CStr CInputKeyMapperDlg::fs_FormatKeys(const CMessageHook::CKeys& keys)
{
    NTev::CStr text;
    for (const CMessageHook::CKey& key : keys)
    {
        if (!text.f_IsEmpty())
            text += " + ";
        if (key.m_Device == EKeyDevice_Keyboard)
            text += "K:";
        else if (key.m_Device == EKeyDevice_Mouse)
            text += "M:";
        text += CMessageHook::f_GetKeyName(key.m_Device, key.m_Code);
    }
    return text;
}
} // namespace NQuillon
