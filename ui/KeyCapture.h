#pragma once
// The engine's capture mode as the key recorder sees it; tests put a scripted capture in its
// place.

#include "engine/MessageHook.h"

#include <cstdint>

namespace NQuillon
{
class ICKeyCapture
{
public:
    // 1: until the first release, 2: until a captured key is pressed again. False when the
    // capture cannot start (no filter-driver device); nothing changed then.
    virtual bool f_SetCaptureMode(std::int32_t mode) = 0;
    // The keys captured so far; true once the capture finished.
    virtual bool f_GetCapturedKeys(CMessageHook::CKeys& keys) = 0;
    virtual void f_EndCapture() = 0;

protected:
    ~ICKeyCapture() = default;
};

// The capture of this process's own engine.
class CEngineKeyCapture final : public ICKeyCapture
{
public:
    explicit CEngineKeyCapture(CMessageHook& engine) : m_Engine(engine) {}
    bool f_SetCaptureMode(std::int32_t mode) override { return m_Engine.f_SetCaptureMode(mode); }
    bool f_GetCapturedKeys(CMessageHook::CKeys& keys) override { return m_Engine.f_GetCapturedKeys(keys); }
    void f_EndCapture() override { m_Engine.f_EndCapture(); }

private:
    CMessageHook& m_Engine;
};
} // namespace NQuillon
