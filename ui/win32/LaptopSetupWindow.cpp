#include "ui/win32/LaptopSetupWindow.h"

#include "ui/KeyCapture.h"
#include "ui/LaptopConfiguration.h"
#include "ui/win32/InputKeyMapperDlgWindow.h"
#include "widgets/win32/InputDialogWindow.h"
#include "widgets/win32/MessageBox.h"

namespace NQuillon
{
void CLaptopSetupWindow::f_Run(bool forced)
{
    // Only the configuring process: the engine process never records keys for a dialog (a
    // tray that captures for the service records through its own hooks).
    if (m_Engine.m_bOwnsInput && !m_Engine.m_bHostsSessionAgent)
        return;
    CEngineKeyCapture capture(m_Engine);
    CInputKeyMapperDlgWindow recorder(nullptr);
    CInputDialogWindow dialogs(nullptr);
    CLaptopDialogPrompts prompts(capture, recorder, dialogs,
                                 [](const char* text) { gf_ShowError(nullptr, text); });
    gf_RunLaptopConfiguration(m_Engine, prompts, forced);
}
} // namespace NQuillon
