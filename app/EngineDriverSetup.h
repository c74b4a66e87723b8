#pragma once
// The engine thread's driver steps, done in the engine's program directory.

#include "engine/MessageHook.h"

namespace NQuillon
{
class CEngineDriverSetup final : public CMessageHook::ICDriverSetup
{
public:
    explicit CEngineDriverSetup(CMessageHook& engine) : m_Engine(engine) {}

    bool f_RemoveDriversIfRequested() override;
    void f_InstallClassFilter() override;
    void f_InstallHidFilter(bool ownsInput) override;

private:
    CMessageHook& m_Engine;
};
} // namespace NQuillon
