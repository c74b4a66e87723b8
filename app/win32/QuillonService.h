#pragma once
// The program's service: it runs the input engine while the service runs.

// Before the system headers, which define macros of the names of its record declarations.
#include "engine/MessageHook.h"

#include "app/win32/VoService.h"

namespace NQuillon
{
class CQuillon_Service : public CVoService
{
public:
    explicit CQuillon_Service(CMessageHook& hook);

protected:
    // Loads the settings and starts the engine's thread.
    BOOL OnStart() override;
    // Stops the engine's thread and waits for it to end.
    BOOL OnStop() override;
    BOOL OnPause() override { return TRUE; }
    BOOL OnContinue() override { return TRUE; }

private:
    CMessageHook& m_Hook;
};
} // namespace NQuillon
