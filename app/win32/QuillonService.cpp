#include "app/win32/QuillonService.h"

#include "agent/win32/AgentService.h"
#include "app/ServiceFault.h"

#include "core/Exception.h"
#include "core/Format.h"
#include "core/Thread.h"

namespace NQuillon
{
namespace
{
// The engine thread's first step throws: its run ends by an exception, as a fault would.
class CFailingDriverSetup final : public CMessageHook::ICDriverSetup
{
public:
    bool f_RemoveDriversIfRequested() override
    {
        TEV_THROW(NTev::NException::CException, "NQuillon::CFailingDriverSetup::f_RemoveDriversIfRequested",
                  "The engine fault asked for by the service's registry key");
    }
    void f_InstallClassFilter() override {}
    void f_InstallHidFilter(bool) override {}
};

CFailingDriverSetup g_FailingDriverSetup;
} // namespace

CQuillon_Service::CQuillon_Service(CMessageHook& hook)
    : CVoService("Quillon", "Quillon", "Remaps keyboard and mouse input"), m_Hook(hook)
{
}

CQuillon_Service::~CQuillon_Service() = default;

BOOL CQuillon_Service::OnStart()
{
    if (fp_IsEngineFaultRequested())
        m_Hook.f_SetDriverSetup(&g_FailingDriverSetup);
    try
    {
        m_pAgent = std::make_unique<CAgentService>(m_Hook);
        // The settings of the user at the console, or the program folder's when nobody is.
        m_pAgent->f_FollowConsoleSettings();
        m_Hook.f_LoadSettings("Settings.dat");
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

DWORD CQuillon_Service::OnCheckHealth()
{
    CServiceThreadStates states;
    states.m_bEngineRunFailed = m_Hook.f_HasFailed();
    states.m_bEngineThreadFailed = m_Hook.f_HasThreadFailed();
    states.m_bAgentFailed = m_pAgent && m_pAgent->f_HasFailed();
    const EServiceFault fault = gf_FindServiceFault(states);
    if (fault != EServiceFault::None)
        NTev::gf_DebugOutput(" [{}] The service stops: {}\n", f_GetServiceName(),
                             gf_DescribeServiceFault(fault));
    return static_cast<DWORD>(fault);
}

bool CQuillon_Service::fp_IsEngineFaultRequested()
{
    NTev::CStr key;
    NTev::gf_Format(key, "SYSTEM\\CurrentControlSet\\Services\\{}\\Parameters", f_GetServiceName());
    DWORD value = 0;
    DWORD size = sizeof value;
    return RegGetValueA(HKEY_LOCAL_MACHINE, key.f_GetStr(), "TestEngineFault", RRF_RT_REG_DWORD, nullptr,
                        &value, &size) == ERROR_SUCCESS &&
           value == 1;
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
