#pragma once
// The engine thread's driver steps: driver files from the program directory, markers in the
// service's state folder.

#include "engine/MessageHook.h"

namespace NQuillon
{
class CEngineDriverSetup final : public CMessageHook::ICDriverSetup
{
public:
    explicit CEngineDriverSetup(CMessageHook& engine) : m_Engine(engine) {}

    // Empty (the default) when no protected state folder could be had: markers are then
    // neither read nor written.
    void f_SetStateDirectory(const NTev::CStr& directory) { m_StateDirectory = directory; }

    bool f_RemoveDriversIfRequested() override;
    void f_InstallClassFilter() override;
    void f_InstallHidFilter(bool ownsInput) override;

private:
    [[maybe_unused]] CMessageHook& m_Engine;
    NTev::CStr m_StateDirectory;
};
} // namespace NQuillon
