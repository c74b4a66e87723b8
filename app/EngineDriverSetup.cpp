#include "app/EngineDriverSetup.h"

#include "app/Drivers.h"

namespace NQuillon
{
// The marker and driver files live beside the settings: the program directory.
bool CEngineDriverSetup::f_RemoveDriversIfRequested()
{
    return NDrivers::gf_RemoveDriversIfRequested(m_Engine.f_GetSettingsDirectory());
}

void CEngineDriverSetup::f_InstallClassFilter()
{
    NDrivers::gf_InstallClassFilter(m_Engine.f_GetSettingsDirectory());
}

void CEngineDriverSetup::f_InstallHidFilter(bool ownsInput)
{
    NDrivers::gf_InstallHidFilter(m_Engine.f_GetSettingsDirectory(), ownsInput);
}
} // namespace NQuillon
