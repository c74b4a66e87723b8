#include "app/Drivers.h"

#include "app/DriverSetup.h"
#include "app/Markers.h"
#include "core/Format.h"

namespace NQuillon::NDrivers
{
namespace
{
// The last barrier before the engine thread: whatever escapes is traced and dropped.
template <typename tf_CWork>
void fg_Guard(const char* what, tf_CWork&& work) noexcept
{
    try
    {
        work();
    }
    catch (...)
    {
        NTev::gf_DebugOutput("Quillon drivers: {} stopped by an unexpected failure\n", what);
    }
}
} // namespace

bool gf_RemoveDriversIfRequested(const NTev::CStr& programDirectory, const NTev::CStr& stateDirectory)
{
    bool bRemoved = false;
    fg_Guard("driver removal",
             [&]
             {
                 CDriverSetup setup(gf_GetDriverSystem(), programDirectory, stateDirectory);
                 bRemoved = setup.f_RemoveDriversIfRequested();
             });
    return bRemoved;
}

void gf_InstallClassFilter(const NTev::CStr& programDirectory, const NTev::CStr& stateDirectory)
{
    fg_Guard("class filter installation",
             [&]
             {
                 CDriverSetup setup(gf_GetDriverSystem(), programDirectory, stateDirectory);
                 setup.f_InstallClassFilter();
             });
}

void gf_InstallHidFilter(const NTev::CStr& programDirectory, const NTev::CStr& stateDirectory, bool ownsInput)
{
    fg_Guard("HID filter installation",
             [&]
             {
                 CDriverSetup setup(gf_GetDriverSystem(), programDirectory, stateDirectory);
                 setup.f_InstallHidFilter(ownsInput);
             });
}

void gf_SetRebootMarker(const NTev::CStr& stateDirectory)
{
    fg_Guard(gc_RebootMarker, [&] { gf_WriteMarker(stateDirectory, gc_RebootMarker); });
}

bool gf_IsRebootMarkerSet(const NTev::CStr& stateDirectory)
{
    bool bExists = false;
    fg_Guard(gc_RebootMarker, [&] { bExists = gf_MarkerExists(stateDirectory, gc_RebootMarker); });
    return bExists;
}
} // namespace NQuillon::NDrivers
