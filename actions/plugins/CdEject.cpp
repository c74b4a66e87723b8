#include "actions/plugins/CdEject.h"

namespace NQuillon
{
void gf_EjectAllCds(ICCdSystem& system)
{
    std::string volume;
    ICCdSystem::CFind find = system.f_FindFirstVolume(volume);
    if (!find)
        return;
    do
    {
        std::uint32_t device;
        if (system.f_IsCdDrive(volume) && system.f_OpenCdDevice(volume, device))
        {
            system.f_OpenDoor(device);
            system.f_CloseDevice(device);
        }
    } while (system.f_FindNextVolume(find, volume));
    system.f_FindVolumeClose(find);
}
} // namespace NQuillon
