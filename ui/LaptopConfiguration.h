#pragma once
// The ready-made configuration for a MacBook Pro keyboard: learns the layout from one key,
// asks the user's choices in one options dialog, then replaces the configuration by the shipped
// "MacBookPro.dat" plus the bindings those choices call for, and saves once. Everything goes
// through the configuration operations, so the result is an ordinary configuration.

#include "config/MessageHookBase.h"
#include "ui/InputKeyMapperDlg.h"
#include "widgets/InputDialog.h"

#include <cstdint>
#include <functional>

namespace NQuillon
{
// What the run asks the user; the dialogs on Windows, answers in tests.
class ICLaptopPrompts
{
public:
    enum class EKeyAnswer
    {
        Key,          // a key was recorded
        NoKey,        // the window was closed without a key
        CannotRecord, // recording could not start (no filter-driver device)
    };
    virtual ~ICLaptopPrompts() = default;
    // Shows the key recording dialog with the prompt; the first recorded key in key.
    virtual EKeyAnswer f_AskKey(const char* prompt, CMessageHookBase::CKey& key) = 0;
    // Shows the options dialog; true on OK, with the user's choices in the dialog's fields.
    virtual bool f_AskOptions(CInputDialog& dialog) = 0;
    // The shipped file could not be read: nothing was changed.
    virtual void f_ShowError(const char* text) = 0;
};

enum class ELaptopRun
{
    NotOffered, // already run for this configuration, and not forced
    Abandoned,  // keys cannot be recorded; a later run may offer it again
    Cancelled,  // the options dialog was cancelled; the configuration is unchanged
    Failed,     // the shipped file is missing or unreadable, or the result could not be saved;
                // the configuration is unchanged
    Configured, // the configuration was replaced and saved
};

// The layout learnt from the key right of the left Shift key: 0 ANSI (key 44), 1 (key 41),
// 2 (key 86); -1 for any other key.
std::int32_t gf_LaptopLayoutOfKey(const CMessageHookBase::CKey& key) noexcept;

// The options dialog for a layout, with its preselections. Its fields are, in order: the five
// remap choices, the left-side key order, and the "Options" checks.
CInputDialog gf_LaptopOptionsDialog(std::int32_t layout);

// The 24 orders of fn, Ctrl, Alt and Win as the dialog lists them.
extern const char* const gc_LaptopKeyOrders[24];

// The prompts through the dialogs: the key recorder (one key, until its release) and the
// options dialog; errors go to showError.
class CLaptopDialogPrompts final : public ICLaptopPrompts
{
public:
    CLaptopDialogPrompts(ICKeyCapture& capture, ICKeyRecorderHost& recorder, ICInputDialogHost& dialogs,
                         std::function<void(const char*)> showError)
        : m_Capture(capture), m_Recorder(recorder), m_Dialogs(dialogs), m_ShowError(std::move(showError))
    {
    }
    EKeyAnswer f_AskKey(const char* prompt, CMessageHookBase::CKey& key) override;
    bool f_AskOptions(CInputDialog& dialog) override { return m_Dialogs.f_ShowInputDialog(dialog); }
    void f_ShowError(const char* text) override { m_ShowError(text); }

private:
    ICKeyCapture& m_Capture;
    ICKeyRecorderHost& m_Recorder;
    ICInputDialogHost& m_Dialogs;
    std::function<void(const char*)> m_ShowError;
};

// Runs the whole configuration. Call it only in the configuring process (the one that does not
// own input). The configuration is changed only when the user confirms the options.
ELaptopRun gf_RunLaptopConfiguration(CMessageHookBase& engine, ICLaptopPrompts& prompts, bool forced);
} // namespace NQuillon
