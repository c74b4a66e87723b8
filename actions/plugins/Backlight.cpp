#include "actions/plugins/Backlight.h"

#include "core/RunTimeClass.h"

#include <iterator>

namespace NQuillon
{
namespace
{
constexpr const char* gc_Options[] = {"Increase Backlight", "Declease Backlight", "Min Backlight",
                                      "Max Backlight"};
constexpr const char* gc_Labels[] = {"MackBook Pro: Increase Backlight", "MackBook Pro: Decrease Backlight",
                                     "MackBook Pro: Min Backlight", "MackBook Pro: Max Backlight"};
constexpr std::uint8_t gc_MaxLevel = 15;

NTev::TRuntimeClassNamed<CAccelerator_MacBookProManipulation>
    g_Record("NQuillon::CAccelerator_MacBookProManipulation", "NQuillon::CAccelerator");
CAccelerator_MacBookProManipulation::CGlobal g_Global;
} // namespace

void gf_RunBacklightOperation(ICBacklightDevice& device, std::int32_t code)
{
    std::uint8_t level = 0;
    switch (code)
    {
        case 0:
            if (!device.f_ReadLevel(level))
                return;
            if (level == 0)
            {
                // From off the light is driven up one step further first, then settles at 1.
                device.f_SetLevel(2);
                device.f_Wait(10);
                device.f_SetLevel(1);
            }
            else
                device.f_SetLevel(level >= gc_MaxLevel - 1 ? gc_MaxLevel
                                                           : static_cast<std::uint8_t>(level + 1));
            break;
        case 1:
            if (!device.f_ReadLevel(level))
                return;
            if (level > gc_MaxLevel)
                device.f_SetLevel(gc_MaxLevel);
            else
                device.f_SetLevel(level >= 2 ? static_cast<std::uint8_t>(level - 1) : 0);
            break;
        case 2:
            device.f_SetLevel(0);
            break;
        case 3:
            device.f_SetLevel(gc_MaxLevel);
            break;
        default:
            break;
    }
}

NTev::CStr CAccelerator_MacBookProManipulation::f_GetDescription() const
{
    return fp_Label(gc_Labels, std::size(gc_Labels));
}

void CAccelerator_MacBookProManipulation::f_GetOptions(std::vector<CActionOptionGroup>& options) const
{
    fp_GetOptions(options, gc_Options, std::size(gc_Options));
}

void CAccelerator_MacBookProManipulation::f_OnPress()
{
    g_Global.f_Queue(m_Operation);
}

CAccelerator_MacBookProManipulation::CGlobal& CAccelerator_MacBookProManipulation::fs_GetGlobal()
{
    return g_Global;
}

CAccelerator_MacBookProManipulation::CGlobal::CGlobal(std::unique_ptr<ICBacklightDevice> device) noexcept
    : CActionWorker(true), m_pDevice(std::move(device))
{
}

CAccelerator_MacBookProManipulation::CGlobal::~CGlobal()
{
    f_Shutdown();
}

void CAccelerator_MacBookProManipulation::CGlobal::f_RunOperation(std::int32_t code)
{
    if (!m_pDevice)
        m_pDevice = gf_CreatePlatformBacklightDevice();
    if (m_pDevice && m_pDevice->f_Open())
        gf_RunBacklightOperation(*m_pDevice, code);
}
} // namespace NQuillon
