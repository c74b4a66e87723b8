#pragma once
// The input engine. It evaluates every keyboard and mouse event against the current remapping
// table, generates what the system shall receive, repeats held keys itself and reshapes mouse
// movement and wheel. Records leave only through the record channel; time comes from the
// library clock, which tests and the simulator drive.

#include "config/Keys.h"
#include "config/MessageHookBase.h"
#include "engine/DriverRecord.h"
#include "engine/RecordChannel.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace NQuillon
{
class CMessageHook : public CMessageHookBase
{
public:
    class CInputState;
    class CHeldInput;

    static constexpr std::int32_t mc_WheelForward = 21;
    static constexpr std::int32_t mc_WheelBackward = 22;

    explicit CMessageHook(ICRecordChannel* channel = nullptr);
    ~CMessageHook() override;

    // Where records go; null writes nothing.
    void f_SetChannel(ICRecordChannel* channel) noexcept { m_pChannel = channel; }

    // ---- events: true = handled (do not forward what was received), false = pass ----
    bool f_OnKeyDown(std::int32_t keyNumber);
    bool f_OnKeyUp(std::int32_t keyNumber);
    bool f_OnMouseButtonDown(std::int32_t code);
    bool f_OnMouseButtonUp(std::int32_t code);
    bool f_OnMouseWheel(std::int16_t delta);
    bool f_OnMouseMove(const MOUSE_INPUT_DATA& data);

    // ---- evaluation ----
    // Runs the press through the current table's groups; true when it was consumed.
    bool f_EvaluatePress(const CKey& key);
    // Ends the held inputs the release belongs to; true when any was.
    bool f_EvaluateRelease(const CKey& key);
    void f_ReleaseAllKeys() override;

    // ---- capture for the key recording dialogs ----
    // 1 records keys until the first release, 2 until a recorded key is pressed again, 0 ends.
    bool f_SetCaptureMode(std::int32_t mode);
    // The keys recorded so far; true once the capture finished.
    bool f_GetCapturedKeys(CKeys& keys);
    void f_EndCapture();

    // ---- output ----
    void f_GeneratePress(const CKey& key) override;
    void f_GenerateRelease(const CKey& key) override;
    // One wheel record: clamped to +-32767, halves rounded away from zero.
    void f_SendWheel(double delta);
    // Every 2 ms: key repeat, action repeat, queued wheel steps.
    void f_RepeatTick();
    void f_WriteKeyboardRecord(const KEYBOARD_INPUT_DATA& data);
    void f_WriteMouseRecord(const MOUSE_INPUT_DATA& data);

    // ---- the filter driver's records ----
    // Evaluates a batch of records under one acquisition of the engine lock.
    void f_ProcessDriverRecords(const CDriverRecord* records, std::size_t count);

    // Seconds since the engine was built, on the library clock.
    double f_GetEngineTime() const;
    CInputState& f_GetInputState() noexcept { return *m_pInput; }
    // Whether remapping is active: owns input, has a current table, remapping enabled.
    bool f_IsRemappingActive() const;

    std::int32_t m_CaptureMode = 0;
    CKeys m_CapturedKeys;
    // Set when raw-input registration must be refreshed (capture started or ended).
    bool m_bRefreshPending = false;

protected:
    // The device side of the capture: the channel is started and the device opened for the
    // capture; false when there is no device. Without a platform channel, a capture works
    // whenever a record channel is set.
    virtual bool fp_StartCaptureChannel() { return true; }
    virtual void fp_StopCaptureChannel() {}
    void f_OnConfigurationChanging() override;

private:
    void fp_WriteKeyMake(std::int32_t keyNumber);
    void fp_WriteKeyBreak(std::int32_t keyNumber);
    void fp_WriteMouseButton(std::uint16_t buttonFlags);
    void fp_WriteWheel(std::int16_t data);
    void fp_WriteMouseCodeDown(std::int32_t code);
    bool fp_RecordCapturedKey(const CKey& key);
    bool fp_ContinueWheel(std::int16_t delta);
    void fp_RepeatQueuedWheelSteps(double now);
    void fp_ProcessKeyboardRecord(const KEYBOARD_INPUT_DATA& data);
    void fp_ProcessMouseRecord(const MOUSE_INPUT_DATA& data);
    // Whether a key or button release read from the driver is to be written back.
    bool fp_PassesRelease(const CKey& key);

    ICRecordChannel* m_pChannel;
    std::unique_ptr<CInputState> m_pInput;
    std::uint64_t m_ClockOrigin;
    // While a batch of driver records is evaluated, the time it was read at.
    double m_BatchTime = 0;
    bool m_bInBatch = false;
};
} // namespace NQuillon
