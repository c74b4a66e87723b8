#include "app/EngineDriverSetup.h"

#include "app/Drivers.h"
#include "core/CommandLine.h"

namespace NQuillon
{
// The shipped driver files come from the program's folder, which the installer protects; the
// markers go to the service's state folder.
bool CEngineDriverSetup::f_RemoveDriversIfRequested()
{
    return NDrivers::gf_RemoveDriversIfRequested(m_Engine.f_GetProgramDirectory(),
                                                 m_StateDirectory);
}

void CEngineDriverSetup::f_InstallClassFilter()
{
    NDrivers::gf_InstallClassFilter(m_Engine.f_GetProgramDirectory(), m_StateDirectory);
}

void CEngineDriverSetup::f_InstallHidFilter(bool ownsInput)
{
    NDrivers::gf_InstallHidFilter(m_Engine.f_GetProgramDirectory(), m_StateDirectory, ownsInput);
}
} // namespace NQuillon
