// Raw input of the laptop keyboard's key collection: registration for the report window of
// the input desktop, and the report windows' procedure.

#include "engine/LaptopKeys.h"
#include "engine/win32/Platform.h"

#include "core/DebugOutput.h"
#include "core/Format.h"

#include <memory>
#include <new>
#include <vector>

namespace NQuillon
{
namespace
{
constexpr std::size_t gc_MaxRegistrations = 256;
} // namespace

void CMessageHook::f_RegisterRawInput()
{
    CLockGuard lock(m_Lock);
    // Messages dispatched during the registration calls could come back here.
    if (m_bRawInputBusy)
        return;
    m_bRawInputBusy = true;
    CPlatform& platform = *m_pPlatform;
    CDesktopThread* target = platform.m_pInputDesktopThread;
    if (!target && !platform.m_DesktopThreads.empty())
        target = platform.m_DesktopThreads.front().get();
    HWND window = target ? target->f_GetReportWindow() : nullptr;
    if (!window)
    {
        m_bRawInputBusy = false;
        return;
    }
    UINT count = 0;
    std::vector<RAWINPUTDEVICELIST> devices;
    if (GetRawInputDeviceList(nullptr, &count, sizeof(RAWINPUTDEVICELIST)) == 0 && count)
    {
        devices.resize(count);
        const UINT listed = GetRawInputDeviceList(devices.data(), &count, sizeof(RAWINPUTDEVICELIST));
        devices.resize(listed == UINT(-1) ? 0 : listed);
    }
    platform.m_hLaptopKeyDevice = nullptr;
    // Only a process that remaps, records keys or hears the Eject key for the service hears the
    // collection in the background.
    const DWORD flags = (m_bOwnsInput || m_CaptureMode != 0 || m_pEjectKeySink.load()) ? RIDEV_INPUTSINK : 0;
    RAWINPUTDEVICE entries[gc_MaxRegistrations];
    UINT entryCount = 0;
    for (const RAWINPUTDEVICELIST& device : devices)
    {
        char name[256] = {};
        UINT nameSize = sizeof name - 1;
        if (GetRawInputDeviceInfoA(device.hDevice, RIDI_DEVICENAME, name, &nameSize) == UINT(-1))
            continue;
        if (!gf_IsLaptopKeyCollection(name))
            continue;
        RID_DEVICE_INFO info{};
        info.cbSize = sizeof info;
        UINT infoSize = sizeof info;
        const UINT infoRead = GetRawInputDeviceInfoA(device.hDevice, RIDI_DEVICEINFO, &info, &infoSize);
        // Without its usage the collection cannot be registered: a usage of zeros would ask
        // for every device there is.
        if (infoRead == UINT(-1) || infoRead == 0 || info.dwType != RIM_TYPEHID)
        {
            NTev::NSys::gf_DebugOutputText(
                "GetRawInputDeviceInfoA gave no information on the laptop key collection\n");
            continue;
        }
        f_NoteLaptopKeyboardPresent();
        platform.m_hLaptopKeyDevice = device.hDevice;
        if (entryCount < gc_MaxRegistrations)
        {
            RAWINPUTDEVICE& entry = entries[entryCount++];
            entry.usUsagePage = info.hid.usUsagePage;
            entry.usUsage = info.hid.usUsage;
            entry.dwFlags = flags;
            entry.hwndTarget = window;
        }
    }
    // Nothing to register when the keyboard is not there (an empty registration is refused).
    if (entryCount && !RegisterRawInputDevices(entries, entryCount, sizeof(RAWINPUTDEVICE)))
    {
        // Tried again on the next turn of the engine loop; said once per failing streak.
        if (!platform.m_bRawInputFailing)
            NTev::gf_DebugOutput("RegisterRawInputDevices failed with error {}\n",
                                 static_cast<std::uint32_t>(GetLastError()));
        platform.m_bRawInputFailing = true;
        m_bRefreshPending = true;
    }
    else
        platform.m_bRawInputFailing = false;
    m_bRawInputBusy = false;
}

bool CMessageHook::f_OnReportWindowInput(void* rawInput, std::size_t size)
{
    CRawHidPacket packet;
    if (!gf_ParseRawHidPacket(rawInput, size, sizeof(RAWINPUTHEADER), packet))
        return false;
    {
        CLockGuard lock(m_Lock);
        if (!m_pPlatform->m_hLaptopKeyDevice ||
            packet.m_Device != reinterpret_cast<std::uintptr_t>(m_pPlatform->m_hLaptopKeyDevice))
            return false;
    }
    return f_OnLaptopKeyReports(packet);
}

LRESULT CALLBACK gf_ReportWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* engine = reinterpret_cast<CMessageHook*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!engine)
        return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_DEVICECHANGE)
    {
        engine->f_RequestRefresh();
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message != WM_INPUT)
        return DefWindowProcA(window, message, wParam, lParam);

    const auto handle = reinterpret_cast<HRAWINPUT>(lParam);
    UINT size = 0;
    // A packet whose size cannot be read, or that has none, is not passed on.
    if (GetRawInputData(handle, RID_INPUT, nullptr, &size, sizeof(RAWINPUTHEADER)) != 0 ||
        size < sizeof(RAWINPUTHEADER))
        return 0;
    std::unique_ptr<unsigned char[]> data(new (std::nothrow) unsigned char[size]);
    if (!data)
        return 0;
    const UINT read = GetRawInputData(handle, RID_INPUT, data.get(), &size, sizeof(RAWINPUTHEADER));
    if (read == UINT(-1))
        return 0;
    if (read != size)
        NTev::NSys::gf_DebugOutputText("GetRawInputData doesn't return correct size !\n");
    if (engine->f_OnReportWindowInput(data.get(), read))
        return 0;
    auto* input = reinterpret_cast<RAWINPUT*>(data.get());
    return DefRawInputProc(&input, 1, sizeof(RAWINPUTHEADER));
}
} // namespace NQuillon
