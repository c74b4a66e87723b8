#include "actions/plugins/CtrlAltDelete.h"

#include "engine/MessageHook.h"

#include "core/RunTimeClass.h"

#include <atomic>

namespace NQuillon
{
namespace
{
NTev::TRuntimeClassNamed<CAccelerator_CtrlAltDelete> g_Record("NQuillon::CAccelerator_CtrlAltDelete",
                                                              "NQuillon::CAccelerator");
std::atomic<CAccelerator_CtrlAltDelete::CSecureAttention> g_SecureAttention{nullptr};
} // namespace

void CAccelerator_CtrlAltDelete::f_OnPress()
{
    auto* engine = dynamic_cast<CMessageHook*>(m_pOwner);
    if (!engine)
        return;
    if (engine->m_bRunsAsService)
    {
        const CSecureAttention send = g_SecureAttention.load();
        send ? send() : gf_SendPlatformSecureAttention();
        return;
    }
    // Without a "Winlogon" desktop thread nothing happens.
    engine->f_PostToWinlogonDesktop();
}

void CAccelerator_CtrlAltDelete::fs_SetSecureAttention(CSecureAttention send) noexcept
{
    g_SecureAttention = send;
}
} // namespace NQuillon
