#pragma once
// The program's service: it runs the input engine while the service runs.

// Before the system headers, which define macros of the names of its record declarations.
#include "engine/MessageHook.h"

#include "app/win32/VoService.h"

#include <atomic>
#include <memory>

namespace NQuillon
{
class CAgentService;

class CQuillon_Service : public CVoService
{
public:
    // "sc control <service> 128": the session agent is started anew.
    static constexpr DWORD mc_ControlRestartAgent = 128;

    explicit CQuillon_Service(CMessageHook& hook);
    ~CQuillon_Service() override;

protected:
    // Loads the settings and starts the engine's thread.
    BOOL OnStart() override;
    // Stops the engine's thread and waits for it to end.
    BOOL OnStop() override;
    BOOL OnPause() override { return TRUE; }
    BOOL OnContinue() override { return TRUE; }
    void OnSessionChange(DWORD eventType, DWORD sessionId) override;
    bool OnUserControl(DWORD control) override;
    // An EServiceFault when the engine or the agent died.
    DWORD OnCheckHealth() override;

private:
    void fp_StopAgent();
    // The administrator's fault injection for the tests of the recovery: the DWORD value
    // "TestEngineFault" under the service's key "Parameters" (HKLM, the service's own key),
    // which only administrators may write. 1 makes the engine thread's run fail.
    bool fp_IsEngineFaultRequested();

    CMessageHook& m_Hook;
    // The desktop work in the user's session; from start to stop.
    std::unique_ptr<CAgentService> m_pAgent;
    // The agent service while it runs, for the control handler's thread.
    std::atomic<CAgentService*> m_pRunningAgent{nullptr};
};
} // namespace NQuillon
