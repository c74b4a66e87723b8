#pragma once
// Moves, sizes or toggles the window the user works in. Window calls must run on a thread of
// the desktop that holds the window, so a press only queues the operation code on the
// process-wide job, which the engine's thread of the current input desktop runs.

#include "actions/plugins/OperationAction.h"
#include "actions/plugins/WindowOperationQueue.h"
#include "engine/DesktopThreadJob.h"

namespace NQuillon
{
class ICWindowSystem;

class CAccelerator_WindowManipulation final : public CAccelerator_Operation
{
public:
    class CGlobal;

    NTev::CStr f_GetTypeName() const override { return "Window Manipulation"; }
    NTev::CStr f_GetDescription() const override;
    void f_GetOptions(std::vector<CActionOptionGroup>& options) const override;
    void f_OnPress() override;
    NTev::CStr f_GetClassName() const override { return "CAccelerator_WindowManipulation"; }

    static CGlobal& fs_GetGlobal();
};

class CAccelerator_WindowManipulation::CGlobal final : public CMessageHook::CDesktopThreadJob
{
public:
    static constexpr std::size_t mc_MaxQueued = CWindowOperationQueue::mc_MaxQueued;

    // Queues the code for the engine's input desktop thread; false (and nothing queued) when
    // there is none, or when mc_MaxQueued codes already wait for it.
    bool f_Queue(CMessageHook& engine, std::int32_t code);
    // On the desktop thread: runs the queued codes in order, without the lock during each.
    void f_Run() override;
    // Where the operations go (tests put a fake here); null: the platform's.
    void f_SetWindowSystem(ICWindowSystem* system) noexcept { m_pSystem = system; }

private:
    CWindowOperationQueue m_Codes;
    ICWindowSystem* m_pSystem = nullptr;
};
} // namespace NQuillon
