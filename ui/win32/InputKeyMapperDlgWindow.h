#pragma once
// The key recorder as a window: the template IDD_INPUT_KEY_MAPPER titled with the prompt, a
// 100 ms poll of the capture, the keys in its text. Enter and Escape are keys to record here,
// not OK and Cancel: only closing the window (its close button, Alt+F4) cancels.

#include "ui/InputKeyMapperDlg.h"

#include <windows.h>

namespace NQuillon
{
class CInputKeyMapperDlgWindow final : public ICKeyRecorderHost
{
public:
    explicit CInputKeyMapperDlgWindow(HWND owner) : m_Owner(owner) {}
    CInputKeyMapperDlg::EResult f_RecordKeys(CInputKeyMapperDlg& dialog) override;

private:
    HWND m_Owner;
};
} // namespace NQuillon
