#pragma once
// The input engine. It evaluates every keyboard and mouse event against the current remapping
// table, generates what the system shall receive, repeats held keys itself and reshapes mouse
// movement and wheel. Records leave only through the record channel; time comes from the
// library clock, which tests and the simulator drive.
//
// The engine is itself a thread: its run sets up the channel, repeat and desktop threads,
// watches the settings file and tears everything down again. The platform part of that run
// (window station, desktops, raw input, the filter driver's device) lives in the backend of
// this build (engine/win32 or engine/posix).

#include "config/Keys.h"
#include "config/MessageHookBase.h"
#include "core/Thread.h"
#include "engine/DriverRecord.h"
#include "engine/RecordChannel.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace NQuillon
{
class CMessageHook : public CMessageHookBase, public NTev::NThread::ICThread
{
public:
    class CInputState;
    class CHeldInput;
    class CRepeatThread;
    class CKeyboardQueueThread;
    class CDesktopThread;
    class CDesktopThreadJob;
    class CHookThread;
    struct CPlatform;
    struct CRawHidPacket;

    // The driver installation steps the engine thread runs, supplied by the application.
    class ICDriverSetup
    {
    public:
        // Input-owning engines only. True when a removal was requested and ran: the engine
        // thread then ends at once.
        virtual bool f_RemoveDriversIfRequested() = 0;
        // Input-owning engines only: installs or updates the keyboard and mouse filter.
        virtual void f_InstallClassFilter() = 0;
        // Every engine, once the window station is set.
        virtual void f_InstallHidFilter(bool ownsInput) = 0;

    protected:
        ~ICDriverSetup() = default;
    };

    // The desktop work of an engine in the service's session, which no user sees: the session
    // agent does it in the user's session (agent/). Every call returns at once, false when the
    // agent is absent or slow and the request was dropped.
    class ICSessionAgent
    {
    public:
        virtual bool f_RunWindowOperation(std::int32_t code) = 0;
        // Asks the agent for the lock's toggle state; when it differs from the wanted one, the
        // make and break of the scan code are written once the answer is in.
        virtual bool f_SetLockState(std::int32_t virtualKey, std::uint16_t scanCode, bool on) = 0;

    protected:
        ~ICSessionAgent() = default;
    };

    // In a process that serves as session agent: where the laptop's Eject key goes instead of
    // this engine's evaluation (except while keys are captured for a recording dialog).
    class ICEjectKeySink
    {
    public:
        virtual void f_OnEjectKey(bool down) = 0;

    protected:
        ~ICEjectKeySink() = default;
    };

    static constexpr std::int32_t mc_EjectKeyNumber = 100;

    static constexpr std::int32_t mc_WheelForward = 21;
    static constexpr std::int32_t mc_WheelBackward = 22;

    // Without a channel the engine writes through the platform's filter-driver channel
    // (none on POSIX).
    explicit CMessageHook(ICRecordChannel* channel = nullptr);
    ~CMessageHook() override;

    // Where records go; null writes nothing.
    void f_SetChannel(ICRecordChannel* channel) noexcept { m_pChannel = channel; }
    void f_SetDriverSetup(ICDriverSetup* setup) noexcept { m_pDriverSetup = setup; }
    // Set before the engine thread starts: the engine then runs no desktop threads of its own.
    void f_SetSessionAgent(ICSessionAgent* agent) noexcept { m_pSessionAgent = agent; }
    ICSessionAgent* f_GetSessionAgent() const noexcept { return m_pSessionAgent.load(); }
    // Any time; null gives the Eject key back to this engine.
    void f_SetEjectKeySink(ICEjectKeySink* sink) noexcept;

    // ---- the engine thread ----
    // Also wakes the engine thread's message loop, so that it sees the request at once.
    std::uintptr_t f_Stop(bool wait) override;
    // One turn of the engine loop: raw-input refresh, the settings check (every 0.1 s),
    // following the input desktop.
    void f_PeriodicTick();
    void f_FollowInputDesktop();
    void f_EnumerateDesktops();
    // Points raw input of the laptop's key collection at the report window of the input
    // desktop; call under the engine lock.
    void f_RegisterRawInput();
    // The reports of one raw-input packet of the laptop's key collection: each report of two
    // bytes is a press (second byte 1) or release of the Eject key. True when any was handled.
    bool f_OnLaptopKeyReports(const CRawHidPacket& packet);
    // Runs the job on the thread of the desktop that receives input; false when there is none.
    // The job must outlive its run.
    bool f_PostToInputDesktop(CDesktopThreadJob* job);
    // Has the thread of the "Winlogon" desktop broadcast the Ctrl+Alt+Delete hot key; false
    // when there is no such desktop.
    bool f_PostToWinlogonDesktop();
    // A raw-input packet received by a report window; true when the engine handled it.
    bool f_OnReportWindowInput(void* rawInput, std::size_t size);
    // Redo raw-input registration on the next turn of the engine loop (a device changed).
    void f_RequestRefresh();
    // The service's state folder, where the reboot marker lives (RebootMarker.h); empty (the
    // default) in roles that cannot read it: they learn of the marker from the service.
    void f_SetStateDirectory(const NTev::CStr& directory);
    // The marker asks for a restart of the machine and was not told yet.
    bool f_IsRebootNoticeDue();
    void f_RecordRebootNoticeTold();
    // The service told this agent of the marker: the next turn shows the notice.
    void f_RequestRebootNotice();
    std::uint32_t f_GetEngineThreadId() const noexcept { return m_EngineThreadId.load(); }
    // One of the engine's threads ended by an exception: an engine that owns input stops
    // cleanly (keys released, device closed) rather than own input half.
    void f_OnEngineThreadFailed() noexcept;
    // Whether any of the engine's threads (not its own run, see f_HasFailed) ended by an
    // exception since the engine was built.
    bool f_HasThreadFailed() const noexcept { return m_bThreadFailed.load(); }
    // The desktops that have a desktop thread.
    std::size_t f_GetDesktopThreadNames(std::vector<NTev::CStr>& names);
    // The enumeration's step for one desktop name: its thread is created when missing and
    // marked as seen.
    void f_NoteDesktop(const char* name);
    // Whether raw-input registration found the laptop's key collection since the flag was last
    // taken. Registration (engine thread) sets it; the dialog's timer takes it, in one step, so
    // that a find between a look and a clear is never lost.
    bool f_IsLaptopKeyboardPresent() const noexcept { return m_bLaptopKeyboardPresent.load(); }
    void f_NoteLaptopKeyboardPresent() noexcept { m_bLaptopKeyboardPresent = true; }
    bool f_TakeLaptopKeyboardPresent() noexcept { return m_bLaptopKeyboardPresent.exchange(false); }

    // ---- events: true = handled (do not forward what was received), false = pass ----
    bool f_OnKeyDown(std::int32_t keyNumber);
    bool f_OnKeyUp(std::int32_t keyNumber);
    // The laptop's Eject key (key 100). It has no key of its own to pass on: unbound, it
    // writes nothing, where any other key passes through.
    bool f_EvaluateEjectKey(bool down);
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

    // ---- capture without the filter driver ----
    // Starts (true) or stops capturing this session's input with the low-level hooks; while it
    // captures, this engine owns input and injects its output. False when the hooks could not
    // be installed (and always on POSIX). Never call it holding the engine lock.
    bool f_SetHookCapture(bool on);
    bool f_IsHookCapturing();
    // Whether the filter driver's device is open in this process.
    bool f_IsFilterDeviceOpen();

    // ---- output ----
    void f_GeneratePress(const CKey& key) override;
    void f_GenerateRelease(const CKey& key) override;
    // One wheel record: clamped to +-32767, halves rounded away from zero.
    void f_SendWheel(double delta);
    // Every 2 ms: key repeat, action repeat, queued wheel steps. Returns whether anything may
    // repeat at a later tick; when not, the repeat thread idles until woken.
    bool f_RepeatTick();
    void f_WriteKeyboardRecord(const KEYBOARD_INPUT_DATA& data);
    void f_WriteMouseRecord(const MOUSE_INPUT_DATA& data);

    // ---- the filter driver's records ----
    // Evaluates a batch of records under one acquisition of the engine lock.
    void f_ProcessDriverRecords(const CDriverRecord* records, std::size_t count);

    // Seconds since the engine was built, on the library clock.
    double f_GetEngineTime() const;
    CInputState& f_GetInputState() noexcept { return *m_pInput; }
    CRepeatThread& f_GetRepeatThread() noexcept { return *m_pRepeatThread; }

    std::int32_t m_CaptureMode = 0;
    CKeys m_CapturedKeys;
    // Set when raw-input registration must be refreshed: report window created, device
    // change, settings reloaded, capture started or ended. The periodic tick consumes it.
    bool m_bRefreshPending = false;
    // Set in the service role: the engine's threads then belong to the service's session, and
    // their key state is not the interactive user's.
    bool m_bRunsAsService = false;
    // Set in the processes that may serve as session agent (tray, hidden agent): their engine
    // follows the desktops as an engine that owns input does, for the service's window jobs.
    bool m_bHostsSessionAgent = false;

protected:
    // The engine lock (the thread base has a small lock of its own).
    using CMessageHookBase::m_Lock;

    std::uintptr_t f_Run() override;
    // The engine thread itself failed: its teardown runs as at the end of a run.
    void f_OnRunFailed() noexcept override;
    // The device side of the capture: in an engine that does not own input the channel
    // thread runs only while keys are captured. False when the device cannot be opened.
    virtual bool fp_StartCaptureChannel();
    virtual void fp_StopCaptureChannel();
    void f_OnConfigurationChanging() override;
    void f_OnRemappingMayHaveStopped() override;

private:
    // The event, evaluation and output operations without the engine lock: the public ones
    // take it once and call these, so that a batch of records locks once.
    // passUnbound: an unbound key goes on as itself (the Eject key does not).
    bool fp_OnKeyDown(std::int32_t keyNumber, bool passUnbound = true);
    bool fp_OnKeyUp(std::int32_t keyNumber);
    bool fp_OnMouseButtonDown(std::int32_t code);
    bool fp_OnMouseButtonUp(std::int32_t code);
    bool fp_OnMouseWheel(std::int16_t delta);
    bool fp_OnMouseMove(const MOUSE_INPUT_DATA& data);
    bool fp_EvaluatePress(const CKey& key);
    bool fp_EvaluateRelease(const CKey& key);
    void fp_GeneratePress(const CKey& key);
    void fp_GenerateRelease(const CKey& key);
    // The engine clock itself; f_GetEngineTime reads it at most once per batch.
    double fp_ReadClock() const;

    void fp_WriteKeyMake(std::int32_t keyNumber);
    void fp_WriteKeyBreak(std::int32_t keyNumber);
    void fp_WriteMouseButton(std::uint16_t buttonFlags);
    void fp_WriteWheel(std::int16_t data);
    void fp_WriteMouseCodeDown(std::int32_t code);
    bool fp_RecordCapturedKey(const CKey& key);
    bool fp_ContinueWheel(std::int16_t delta);
    // Under the engine lock, when something became repeatable: an idle repeat thread ticks.
    void fp_WakeRepeatThread();
    void fp_RepeatQueuedWheelSteps(double now);
    void fp_ProcessKeyboardRecord(const KEYBOARD_INPUT_DATA& data);
    void fp_ProcessMouseRecord(const MOUSE_INPUT_DATA& data);
    // Whether a key or button release read from the driver is to be written back.
    bool fp_PassesRelease(const CKey& key);

    // The engine thread's pieces shared by both backends.
    void fp_StartInputThreads();
    void fp_StopInputThreads();
    // The backend's teardown at the end of the engine thread's run (also after a failure).
    void fp_EndEngineRun();
    // The settings check of the periodic tick; changeSeen: the directory watch fired (or
    // there is none).
    void fp_CheckSettings(bool changeSeen);
    // Backend hooks.
    static CPlatform* fs_CreatePlatform(CMessageHook& engine);
    static void fs_DestroyPlatform(CPlatform* platform) noexcept;
    ICRecordChannel* fp_GetPlatformChannel() noexcept;
    void fp_StartChannelThread();
    // An engine that owns input and finds no filter device captures with the hooks.
    void fp_CaptureWithoutDevice();
    void fp_StopChannelThread();
    // Ends the engine thread's wait for messages, so that it sees a stop request.
    void fp_WakeEngineThread() noexcept;
    bool fp_ConsumeDirectoryChange();
    void fp_ShowRebootNotice();

    std::atomic<bool> m_bThreadFailed{false};
    std::atomic<bool> m_bRebootNoticeWanted{false};
    NTev::CStr m_StateDirectory;
    ICRecordChannel* m_pChannel;
    ICDriverSetup* m_pDriverSetup = nullptr;
    std::atomic<ICSessionAgent*> m_pSessionAgent{nullptr};
    std::atomic<ICEjectKeySink*> m_pEjectKeySink{nullptr};
    std::unique_ptr<CInputState> m_pInput;
    std::unique_ptr<CRepeatThread> m_pRepeatThread;
    // Window station, desktops, the filter-driver channel: owned by the backend.
    CPlatform* m_pPlatform = nullptr;
    std::uint64_t m_ClockOrigin;
    std::atomic<std::uint32_t> m_EngineThreadId{0};
    std::atomic<bool> m_bLaptopKeyboardPresent{false};
    bool m_bRawInputBusy = false;
    // Set by a tick that found nothing to repeat; guarded by the engine lock.
    bool m_bRepeatIdle = false;
    // Engine clock seconds of the next settings check.
    double m_NextSettingsCheck = 0;
    double m_CounterFrequency;
    // While a batch of driver records is evaluated: the time it was read at, read on first use,
    // since releases and movements need no time.
    mutable double m_BatchTime = 0;
    mutable bool m_bBatchTimeRead = false;
    bool m_bInBatch = false;
};
} // namespace NQuillon
