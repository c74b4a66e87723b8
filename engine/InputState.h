#pragma once
// What the engine knows of the input: the keys the user holds and pressed, what it holds on
// the user's behalf, what its own output holds down, and the repeat and wheel state.

#include "config/Keys.h"
#include "engine/MessageHook.h"

#include <array>
#include <memory>
#include <vector>

namespace NQuillon
{
// One thing the engine holds for the user: a fired action whose trigger keys are still held,
// or a key or mouse button it passed on.
class CMessageHook::CHeldInput
{
public:
    enum EKind
    {
        EKind_Action,
        EKind_MouseCode,
        EKind_KeyNumber,
    };

    EKind m_Kind = EKind_KeyNumber;
    CAccelerator* m_pAction = nullptr;
    std::int32_t m_Code = 0;
    CHeldInput* m_pPrevious = nullptr;
    CHeldInput* m_pNext = nullptr;
};

class CMessageHook::CInputState
{
public:
    static constexpr int mc_KeyCount = 256;
    static constexpr int mc_MouseCount = 23;
    static constexpr int mc_WheelRingSize = 25;

    CInputState();
    ~CInputState();
    CInputState(const CInputState&) = delete;
    CInputState& operator=(const CInputState&) = delete;

    // Held inputs, newest first. Entries come from a pool: taking and returning one does not
    // touch the heap once the pool has grown to the most entries held at once.
    CHeldInput* f_GetFront() const noexcept { return m_pFront; }
    CHeldInput& f_PushFront(CHeldInput::EKind kind, CAccelerator* action, std::int32_t code);
    void f_Remove(CHeldInput& entry) noexcept;
    // Bumped whenever the whole list is emptied, so that a walk that called out can tell.
    std::uint64_t f_GetGeneration() const noexcept { return m_Generation; }
    void f_RemoveAll() noexcept;
    // Whether anything is held, pressed or counted as generated: what a release-all ends.
    bool f_HoldsAnything() const noexcept;

    // The keys the user holds that went through press evaluation, in press order; each order
    // field is its position 1, 2, 3 ...
    CKeys m_PressedKeys;
    std::int32_t m_bPressPending = 0;
    double m_LastPressTime = 0;
    std::int32_t m_bActionRepeatArmed = 0;
    std::int32_t m_ActionRepeatCount = 0;
    std::array<std::int32_t, mc_KeyCount> m_UserKeys{};
    std::array<std::int32_t, mc_MouseCount> m_UserMouse{};
    std::array<std::int32_t, mc_KeyCount> m_GeneratedKeys{};
    std::array<std::int32_t, mc_MouseCount> m_GeneratedMouse{};
    double m_RepeatCandidateTime = 0;
    std::int32_t m_RepeatCandidateKey = 0;
    std::int32_t m_RepeatCandidateMouseCode = 0;
    std::int32_t m_RepeatCount = 0;

    // Wheel acceleration.
    struct CWheelSample
    {
        double m_Time = 0;
        double m_Steps = 0;
    };
    struct CWheelRing
    {
        std::array<CWheelSample, mc_WheelRingSize> m_Samples{};
        int m_Index = 0;
    };
    double m_LastWheelTime = 0;
    std::int32_t m_WheelDirection = 0;
    double m_AccumulatedSteps = 0;
    double m_LastQueuedStepTime = 0;
    CWheelRing m_ForwardRing;
    CWheelRing m_BackwardRing;

    // Scratch for building candidates without allocating.
    std::vector<CKey> m_Candidate;
    std::vector<CKey> m_Sorted;

private:
    void fp_Grow();

    CHeldInput* m_pFront = nullptr;
    CHeldInput* m_pFree = nullptr;
    std::vector<std::unique_ptr<CHeldInput[]>> m_Chunks;
    std::uint64_t m_Generation = 0;
};
} // namespace NQuillon
