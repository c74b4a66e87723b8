#include "app/EngineDriverSetup.h"

#include "app/Drivers.h"

namespace NQuillon
{
// The marker and driver files live in the program directory, never in a user's settings folder.
bool CEngineDriverSetup::f_RemoveDriversIfRequested()
{
    return NDrivers::gf_RemoveDriversIfRequested(m_Engine.f_GetProgramDirectory());
}

void CEngineDriverSetup::f_InstallClassFilter()
{
    NDrivers::gf_InstallClassFilter(m_Engine.f_GetProgramDirectory());
}

void CEngineDriverSetup::f_InstallHidFilter(bool ownsInput)
{
    NDrivers::gf_InstallHidFilter(m_Engine.f_GetProgramDirectory(), ownsInput);
}
} // namespace NQuillon
