// The volume enumeration and the MCI commands of the CD eject.

#include "actions/plugins/CdEject.h"

#include <windows.h>

#include <mmsystem.h>

namespace NQuillon
{
namespace
{
class CWin32CdSystem final : public ICCdSystem
{
public:
    CFind f_FindFirstVolume(std::string& name) override
    {
        char buffer[1024] = {};
        HANDLE find = FindFirstVolumeA(buffer, sizeof buffer);
        if (find == INVALID_HANDLE_VALUE)
            return nullptr;
        name = buffer;
        return find;
    }
    bool f_FindNextVolume(CFind find, std::string& name) override
    {
        char buffer[1024] = {};
        if (!FindNextVolumeA(static_cast<HANDLE>(find), buffer, sizeof buffer))
            return false;
        name = buffer;
        return true;
    }
    void f_FindVolumeClose(CFind find) override { FindVolumeClose(static_cast<HANDLE>(find)); }
    bool f_IsCdDrive(const std::string& volume) override
    {
        return GetDriveTypeA(volume.c_str()) == DRIVE_CDROM;
    }
    bool f_OpenCdDevice(const std::string& volume, std::uint32_t& device) override
    {
        MCI_OPEN_PARMSA open{};
        open.lpstrDeviceType = reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(MCI_DEVTYPE_CD_AUDIO));
        open.lpstrElementName = volume.c_str();
        if (mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT,
                            reinterpret_cast<DWORD_PTR>(&open)) != 0)
            return false;
        device = open.wDeviceID;
        return true;
    }
    void f_OpenDoor(std::uint32_t device) override
    {
        MCI_SET_PARMS set{};
        mciSendCommandA(device, MCI_SET, MCI_SET_DOOR_OPEN, reinterpret_cast<DWORD_PTR>(&set));
    }
    void f_CloseDevice(std::uint32_t device) override
    {
        MCI_GENERIC_PARMS close{};
        mciSendCommandA(device, MCI_CLOSE, MCI_WAIT, reinterpret_cast<DWORD_PTR>(&close));
    }
};
} // namespace

ICCdSystem* gf_GetPlatformCdSystem()
{
    static CWin32CdSystem system;
    return &system;
}
} // namespace NQuillon
