#pragma once
// The keyboard backlight action: a process-wide worker runs the level changes on an outside
// driver's device. The level rules are written against a device interface, so that they are
// tested against a fake.

#include "actions/plugins/ActionWorker.h"
#include "actions/plugins/OperationAction.h"

#include <cstdint>
#include <memory>

namespace NQuillon
{
class ICBacklightDevice
{
public:
    virtual ~ICBacklightDevice() = default;
    // Opens the device unless it is open; false when it cannot be reached now (a later
    // operation tries again).
    virtual bool f_Open() = 0;
    virtual bool f_ReadLevel(std::uint8_t& level) = 0;
    virtual void f_SetLevel(std::uint8_t level) = 0;
    virtual void f_Wait(std::uint32_t milliseconds) = 0;
};

// One operation (0 increase, 1 decrease, 2 minimum, 3 maximum) on an open device.
void gf_RunBacklightOperation(ICBacklightDevice& device, std::int32_t code);

// The device through the service control manager and "\\.\StartupDiskDriver" (none without
// Windows).
std::unique_ptr<ICBacklightDevice> gf_CreatePlatformBacklightDevice();

class CAccelerator_MacBookProManipulation final : public CAccelerator_Operation
{
public:
    class CGlobal;

    NTev::CStr f_GetTypeName() const override { return "MacBook Pro Manipulation"; }
    NTev::CStr f_GetDescription() const override;
    void f_GetOptions(std::vector<CActionOptionGroup>& options) const override;
    void f_OnPress() override;
    // A held key changes the level again on each repeat.
    void f_OnRepeat(NTev::CTime, double) override { f_OnPress(); }
    NTev::CStr f_GetClassName() const override { return "CAccelerator_MacBookProManipulation"; }

    static CGlobal& fs_GetGlobal();
};

class CAccelerator_MacBookProManipulation::CGlobal final : public CActionWorker
{
public:
    // Null: the platform's device, made on first use.
    explicit CGlobal(std::unique_ptr<ICBacklightDevice> device = nullptr) noexcept;
    // Stops the worker before the device goes: the handle closes with it.
    ~CGlobal() override;

protected:
    void f_RunOperation(std::int32_t code) override;

private:
    std::unique_ptr<ICBacklightDevice> m_pDevice;
};
} // namespace NQuillon
