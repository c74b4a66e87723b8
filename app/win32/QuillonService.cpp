#include "app/win32/QuillonService.h"

#include "agent/win32/AgentService.h"

#include "core/Exception.h"
#include "core/Format.h"
#include "core/Thread.h"

namespace NQuillon
{
CQuillon_Service::CQuillon_Service(CMessageHook& hook)
    : CVoService("Quillon", "Quillon", "Remaps keyboard and mouse input"), m_Hook(hook)
{
}

CQuillon_Service::~CQuillon_Service() = default;

BOOL CQuillon_Service::OnStart()
{
    m_Hook.f_LoadSettings("Settings.dat");
    try
    {
        m_pAgent = std::make_unique<CAgentService>(m_Hook);
        m_Hook.f_SetSessionAgent(&m_pAgent->f_GetLink());
        m_Hook.f_Start(NTev::NThread::gc_PriorityNormal, 0);
        m_pAgent->f_Start(NTev::NThread::gc_PriorityNormal, 0);
        m_pRunningAgent = m_pAgent.get();
    }
    catch (const NTev::NException::CException&)
    {
        // Reported to the service control manager as a start that failed.
        fp_StopAgent();
        m_Hook.f_Stop(true);
        m_Hook.f_SetSessionAgent(nullptr);
        m_pAgent.reset();
        return FALSE;
    }
    return TRUE;
}

BOOL CQuillon_Service::OnStop()
{
    // The agent goes first: the engine's last actions find none and are dropped.
    fp_StopAgent();
    m_Hook.f_Stop(true);
    m_Hook.f_SetSessionAgent(nullptr);
    m_pAgent.reset();
    return TRUE;
}

void CQuillon_Service::fp_StopAgent()
{
    m_pRunningAgent = nullptr;
    if (m_pAgent)
        m_pAgent->f_Stop(true);
}

void CQuillon_Service::OnSessionChange(DWORD eventType, DWORD sessionId)
{
    if (CAgentService* agent = m_pRunningAgent.load())
        agent->f_OnSessionChange(gf_SessionChangeOf(eventType), sessionId);
}

bool CQuillon_Service::OnUserControl(DWORD control)
{
    CAgentService* agent = m_pRunningAgent.load();
    if (control != mc_ControlRestartAgent || !agent)
        return false;
    agent->f_OnSessionChange(ESessionChange::Restart, 0);
    return true;
}
} // namespace NQuillon
