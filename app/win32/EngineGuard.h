#pragma once
// The machine-wide guard that keeps a background engine ("-RunAsProgram") from running beside
// the service's. The service never depends on it: the service control manager already runs
// one instance, and a name any user can create first must not keep the service from starting.

#include <windows.h>

namespace NQuillon
{
// The service's side: creates the guard so that other accounts may only wait on it, never own
// or delete its meaning. Returns the handle to keep, or null when the name exists already (a
// user made it first) or cannot be made; the service runs either way.
HANDLE gf_CreateServiceEngineGuard(const char* name) noexcept;
} // namespace NQuillon
