#include "app/win32/QuillonService.h"

#include "core/Exception.h"
#include "core/Format.h"
#include "core/Thread.h"

namespace NQuillon
{
CQuillon_Service::CQuillon_Service(CMessageHook& hook)
    : CVoService("Quillon", "Quillon", "Remaps keyboard and mouse input"), m_Hook(hook)
{
}

BOOL CQuillon_Service::OnStart()
{
    m_Hook.f_LoadSettings("Settings.dat");
    try
    {
        m_Hook.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    }
    catch (const NTev::NException::CException&)
    {
        // Reported to the service control manager as a start that failed.
        return FALSE;
    }
    return TRUE;
}

BOOL CQuillon_Service::OnStop()
{
    m_Hook.f_Stop(true);
    return TRUE;
}
} // namespace NQuillon
