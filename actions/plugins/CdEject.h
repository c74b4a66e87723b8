#pragma once
// Ejecting every CD: the volume enumeration and the MCI door commands, written against the
// platform calls they need, so that the steps are tested without drives.

#include <cstdint>
#include <string>

namespace NQuillon
{
class ICCdSystem
{
public:
    using CFind = void*;
    // Null when there is no volume.
    virtual CFind f_FindFirstVolume(std::string& name) = 0;
    virtual bool f_FindNextVolume(CFind find, std::string& name) = 0;
    virtual void f_FindVolumeClose(CFind find) = 0;
    virtual bool f_IsCdDrive(const std::string& volume) = 0;
    // Opens the volume as a CD audio device; false when it cannot be opened.
    virtual bool f_OpenCdDevice(const std::string& volume, std::uint32_t& device) = 0;
    virtual void f_OpenDoor(std::uint32_t device) = 0;
    virtual void f_CloseDevice(std::uint32_t device) = 0;

protected:
    ~ICCdSystem() = default;
};

// Opens the door of every CD drive; a drive that cannot be opened is skipped.
void gf_EjectAllCds(ICCdSystem& system);

// The platform's calls (none without Windows).
ICCdSystem* gf_GetPlatformCdSystem();
} // namespace NQuillon
