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

bool gf_RemoveDriversIfRequested(const NTev::CStr& programDirectory)
{
    bool bRemoved = false;
    fg_Guard("driver removal",
             [&]
             {
                 CDriverSetup setup(gf_GetDriverSystem(), programDirectory);
                 bRemoved = setup.f_RemoveDriversIfRequested();
             });
    return bRemoved;
}

void gf_InstallClassFilter(const NTev::CStr& programDirectory)
{
    fg_Guard("class filter installation",
             [&]
             {
                 CDriverSetup setup(gf_GetDriverSystem(), programDirectory);
                 setup.f_InstallClassFilter();
             });
}

void gf_InstallHidFilter(const NTev::CStr& programDirectory, bool ownsInput)
{
    fg_Guard("HID filter installation",
             [&]
             {
                 CDriverSetup setup(gf_GetDriverSystem(), programDirectory);
                 setup.f_InstallHidFilter(ownsInput);
             });
}

void gf_SetRebootMarker(const NTev::CStr& programDirectory)
{
    fg_Guard(gc_RebootMarker, [&] { gf_WriteMarker(programDirectory, gc_RebootMarker); });
}

bool gf_TakeRebootMarker(const NTev::CStr& programDirectory)
{
    bool bExisted = false;
    fg_Guard(gc_RebootMarker,
             [&]
             {
                 bExisted = gf_MarkerExists(programDirectory, gc_RebootMarker);
                 if (bExisted)
                     gf_DeleteMarker(programDirectory, gc_RebootMarker);
             });
    return bExisted;
}
} // namespace NQuillon::NDrivers
