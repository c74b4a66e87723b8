#include "actions/plugins/CtrlAltDelete.h"

#include "engine/MessageHook.h"

#include "core/RunTimeClass.h"

namespace NQuillon
{
namespace
{
NTev::TRuntimeClassNamed<CAccelerator_CtrlAltDelete> g_Record("NQuillon::CAccelerator_CtrlAltDelete",
                                                              "NQuillon::CAccelerator");
} // namespace

void CAccelerator_CtrlAltDelete::f_OnPress()
{
    // Without a "Winlogon" desktop thread nothing happens.
    if (auto* engine = dynamic_cast<CMessageHook*>(m_pOwner))
        engine->f_PostToWinlogonDesktop();
}
} // namespace NQuillon
