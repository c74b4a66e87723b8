#pragma once
// The laptop keyboard configuration in the configuring process: the key recorder and the
// options dialog as windows, errors in message boxes.

#include "ui/TrayMenu.h"

#include "engine/MessageHook.h"

namespace NQuillon
{
class CLaptopSetupWindow final : public ICLaptopKeyboardSetup
{
public:
    explicit CLaptopSetupWindow(CMessageHook& engine) : m_Engine(engine) {}
    void f_Run(bool forced) override;

private:
    CMessageHook& m_Engine;
};
} // namespace NQuillon
