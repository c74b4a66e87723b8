#include "ui/LaptopConfiguration.h"

#include "config/Configuration.h"
#include "ui/ConfigCommands.h"

namespace NQuillon
{
namespace
{
using CKey = CMessageHookBase::CKey;
using CKeys = CMessageHookBase::CKeys;
using CLockGuard = CMessageHookBase::CLockGuard;

constexpr const char* gc_Tables[] = {"MacBook Pro", "MacBook Pro Num Lock"};
constexpr const char* gc_NormalGroup = "Normal";
constexpr const char* gc_FunctionGroup = "Function Key";
constexpr const char* gc_Preset = "Default";
constexpr const char* gc_ShippedFile = "MacBookPro.dat";
constexpr const char* gc_CdClass = "CAccelerator_CDManipulation";
constexpr const char* gc_Prompt = "Please press the key to the right of your left Shift key.";
constexpr const char* gc_RetryPrompt =
    "Ivalid key pressed. Please press the key to the right of your left Shift key.";

constexpr std::int32_t gc_Fn = 221;
constexpr std::int32_t gc_Eject = 100;
constexpr std::int32_t gc_KeypadEnter = 156;
constexpr std::int32_t gc_RightApple = 220;
constexpr std::int32_t gc_LeftCtrl = 29;
constexpr std::int32_t gc_LeftAlt = 56;
constexpr std::int32_t gc_LeftWin = 219;
constexpr std::int32_t gc_AltGr = 184;
constexpr std::int32_t gc_RightCtrl = 157;
constexpr std::int32_t gc_Menu = 221;
constexpr std::int32_t gc_Delete = 211;
constexpr std::int32_t gc_PrintScreen = 183;
constexpr std::int32_t gc_Tilde = 41;
constexpr std::int32_t gc_Oem = 86;

constexpr CKey fg_Keyboard(std::int32_t code, std::uint32_t order = 0)
{
    return CKey{EKeyDevice_Keyboard, code, order};
}
constexpr CKey fg_Mouse(std::int32_t code, std::uint32_t order = 0)
{
    return CKey{EKeyDevice_Mouse, code, order};
}

// What a choice generates; a device of -1 stands for "no binding" or a choice handled apart.
struct CTarget
{
    const char* m_pText;
    CKey m_Key;
};
constexpr CKey gc_None{-1, 0, 0};
constexpr CKey gc_EjectCds{-2, 0, 0};

constexpr CTarget gc_FnLeftClickTargets[] = {
    {"Right Click", fg_Mouse(2)}, {"Middle Click", fg_Mouse(3)}, {"Do not remap", gc_None}};
constexpr CTarget gc_EnterTargets[] = {{"Right Click", fg_Mouse(2)},       {"Middle Click", fg_Mouse(3)},
                                       {"Delete", fg_Keyboard(gc_Delete)}, {"AltGr", fg_Keyboard(gc_AltGr)},
                                       {"Menu", fg_Keyboard(gc_Menu)},     {"Do not remap", gc_None}};
constexpr CTarget gc_EjectTargets[] = {
    {"Eject CDs", gc_EjectCds}, {"Delete", fg_Keyboard(gc_Delete)}, {"Do not remap", gc_None}};
constexpr CTarget gc_FnEjectTargets[] = {
    {"Print Screen", fg_Keyboard(gc_PrintScreen)}, {"Eject CDs", gc_EjectCds}, {"Do not remap", gc_None}};
constexpr CTarget gc_RightAppleTargets[] = {
    {"AltGr", fg_Keyboard(gc_AltGr)}, {"Ctrl", fg_Keyboard(gc_RightCtrl)}, {"Menu", fg_Keyboard(gc_Menu)},
    {"Right Click", fg_Mouse(2)},     {"Middle Click", fg_Mouse(3)},       {"Delete", fg_Keyboard(gc_Delete)},
    {"Do not remap", gc_None}};
constexpr std::int32_t gc_RightAppleCtrl = 1;

// The choice groups in the order of the dialog and of the steps that apply them.
struct CChoiceGroup
{
    const char* m_pCaption;
    const CTarget* m_pTargets;
    std::size_t m_Count;
    const char* m_pGroup;
    CKeys m_Trigger;
};

const CChoiceGroup gc_ChoiceGroups[] = {
    {"Remap 'fn+Left Click' to", gc_FnLeftClickTargets, std::size(gc_FnLeftClickTargets), gc_FunctionGroup,
     CKeys{fg_Keyboard(gc_Fn, 0), fg_Mouse(1, 1)}},
    {"Remap 'Enter' to", gc_EnterTargets, std::size(gc_EnterTargets), gc_NormalGroup,
     CKeys{fg_Keyboard(gc_KeypadEnter)}},
    {"Remap 'Eject' to", gc_EjectTargets, std::size(gc_EjectTargets), gc_NormalGroup,
     CKeys{fg_Keyboard(gc_Eject)}},
    {"Remap 'fn+Eject' to", gc_FnEjectTargets, std::size(gc_FnEjectTargets), gc_FunctionGroup,
     CKeys{fg_Keyboard(gc_Fn, 0), fg_Keyboard(gc_Eject, 1)}},
    {"Remap 'Right Apple' to", gc_RightAppleTargets, std::size(gc_RightAppleTargets), gc_NormalGroup,
     CKeys{fg_Keyboard(gc_RightApple)}},
};
constexpr std::size_t gc_OrderField = std::size(gc_ChoiceGroups);
constexpr std::size_t gc_OptionsField = gc_OrderField + 1;

// The physical keys of the left side in the order the key orders name them.
constexpr const char* gc_SideNames[] = {"fn", "Ctrl", "Alt", "Win"};
constexpr std::int32_t gc_SideCodes[] = {gc_Fn, gc_LeftCtrl, gc_LeftAlt, gc_LeftWin};

// In both tables: an input action on the trigger that generates one key.
void fg_AddRemap(CMessageHookBase& engine, const char* group, const CKeys& trigger, const CKey& target)
{
    for (const char* table : gc_Tables)
    {
        engine.f_CreateAction(table, group, trigger, EActionKind_Input);
        engine.f_SetGenerateSequenceCount(table, group, trigger, 1);
        engine.f_SetGenerateSequence(table, group, trigger, 0,
                                     CKeys{CKey{target.m_Device, target.m_Code, 0}});
    }
}

// In both tables: the CD action set to eject.
void fg_AddEject(CMessageHookBase& engine, const char* group, const CKeys& trigger)
{
    for (const char* table : gc_Tables)
    {
        if (!engine.f_CreateAction(table, group, trigger, EActionKind_ByClassName, gc_CdClass))
            continue;
        std::vector<CActionOptionGroup> options;
        if (engine.f_GetActionOptions(table, group, trigger, options) && !options.empty())
        {
            options[0].m_Selected = 0;
            engine.f_SetActionOptions(table, group, trigger, options);
        }
    }
}

// The code each left-side key becomes under the chosen order (fn, Ctrl, Alt, Win).
void fg_SideTargets(std::int32_t order, std::int32_t (&targets)[4])
{
    const char* text = gc_LaptopKeyOrders[order];
    for (std::int32_t position = 0; position < 4; ++position)
    {
        for (std::int32_t name = 0; name < 4; ++name)
        {
            const std::size_t length = std::char_traits<char>::length(gc_SideNames[name]);
            if (std::char_traits<char>::compare(text, gc_SideNames[name], length) == 0 &&
                (text[length] == ',' || text[length] == 0))
            {
                targets[position] = gc_SideCodes[name];
                text += length;
                break;
            }
        }
        while (*text == ',' || *text == ' ')
            ++text;
    }
}

void fg_ApplyChoices(CMessageHookBase& engine, const CInputDialog& dialog)
{
    for (std::size_t field = 0; field < std::size(gc_ChoiceGroups); ++field)
    {
        const CChoiceGroup& group = gc_ChoiceGroups[field];
        const std::int32_t selected = dialog.f_GetSelected(field);
        if (selected < 0 || std::size_t(selected) >= group.m_Count)
            continue;
        const CKey& target = group.m_pTargets[selected].m_Key;
        if (target == gc_EjectCds)
            fg_AddEject(engine, group.m_pGroup, group.m_Trigger);
        else if (!(target == gc_None))
            fg_AddRemap(engine, group.m_pGroup, group.m_Trigger, target);
    }

    if (dialog.f_IsChecked(gc_OptionsField, 0))
        engine.f_SetPresetSettingValue(gc_Preset, "Keyboard Enable Remote Desktop Hack", "1");
    if (dialog.f_IsChecked(gc_OptionsField, 1))
        engine.f_SetPresetSettingValue(gc_Preset, "Mouse Wheel Acceleration", "3.5");
    if (dialog.f_IsChecked(gc_OptionsField, 2))
    {
        fg_AddRemap(engine, gc_NormalGroup, CKeys{fg_Keyboard(gc_Tilde)}, fg_Keyboard(gc_Oem));
        fg_AddRemap(engine, gc_NormalGroup, CKeys{fg_Keyboard(gc_Oem)}, fg_Keyboard(gc_Tilde));
    }

    const std::int32_t order = dialog.f_GetSelected(gc_OrderField);
    if (order < 0 || order >= std::int32_t(std::size(gc_LaptopKeyOrders)))
        return;
    std::int32_t targets[4] = {gc_Fn, gc_LeftCtrl, gc_LeftAlt, gc_LeftWin};
    fg_SideTargets(order, targets);
    for (std::size_t side = 1; side < 4; ++side)
    {
        if (targets[side] == gc_Fn)
        {
            // The bindings made for fn answer to this key; what the keys generate stays.
            CLockGuard lock(engine.f_GetLock());
            engine.f_GetConfiguration().f_ReplaceKeyboardCode(gc_Fn, gc_SideCodes[side], false);
        }
        else
            fg_AddRemap(engine, gc_NormalGroup, CKeys{fg_Keyboard(gc_SideCodes[side])},
                        fg_Keyboard(targets[side]));
    }
    if (targets[0] != gc_Fn)
        fg_AddRemap(engine, gc_NormalGroup, CKeys{fg_Keyboard(gc_Fn)}, fg_Keyboard(targets[0]));
}

// Ends the saving suppression however the run leaves.
struct CSuppressSaving
{
    CMessageHookBase& m_Engine;
    explicit CSuppressSaving(CMessageHookBase& engine) : m_Engine(engine)
    {
        CLockGuard lock(m_Engine.f_GetLock());
        m_Engine.m_bSavingSuppressed = true;
    }
    ~CSuppressSaving()
    {
        CLockGuard lock(m_Engine.f_GetLock());
        m_Engine.m_bSavingSuppressed = false;
    }
};
} // namespace

const char* const gc_LaptopKeyOrders[24] = {
    "fn, Ctrl, Alt, Win", "fn, Ctrl, Win, Alt", "fn, Alt, Ctrl, Win", "fn, Alt, Win, Ctrl",
    "fn, Win, Alt, Ctrl", "fn, Win, Ctrl, Alt", "Ctrl, fn, Alt, Win", "Ctrl, fn, Win, Alt",
    "Ctrl, Alt, fn, Win", "Ctrl, Alt, Win, fn", "Ctrl, Win, Alt, fn", "Ctrl, Win, fn, Alt",
    "Alt, Ctrl, fn, Win", "Alt, Ctrl, Win, fn", "Alt, fn, Ctrl, Win", "Alt, fn, Win, Ctrl",
    "Alt, Win, fn, Ctrl", "Alt, Win, Ctrl, fn", "Win, Ctrl, Alt, fn", "Win, Ctrl, fn, Alt",
    "Win, Alt, Ctrl, fn", "Win, Alt, fn, Ctrl", "Win, fn, Alt, Ctrl", "Win, fn, Ctrl, Alt"};

ICLaptopPrompts::EKeyAnswer CLaptopDialogPrompts::f_AskKey(const char* prompt, CMessageHookBase::CKey& key)
{
    CInputKeyMapperDlg dialog(m_Capture, prompt, 1);
    switch (m_Recorder.f_RecordKeys(dialog))
    {
        case CInputKeyMapperDlg::EResult_NoDevice:
            return EKeyAnswer::CannotRecord;
        case CInputKeyMapperDlg::EResult_Done:
            if (dialog.m_Keys.f_GetCount() > 0)
            {
                key = dialog.m_Keys[0];
                return EKeyAnswer::Key;
            }
            return EKeyAnswer::NoKey;
        default:
            return EKeyAnswer::NoKey;
    }
}

std::int32_t gf_LaptopLayoutOfKey(const CMessageHookBase::CKey& key) noexcept
{
    if (key.m_Device != EKeyDevice_Keyboard)
        return -1;
    switch (key.m_Code)
    {
        case 44:
            return 0;
        case gc_Tilde:
            return 1;
        case gc_Oem:
            return 2;
        default:
            return -1;
    }
}

CInputDialog gf_LaptopOptionsDialog(std::int32_t layout)
{
    CInputDialog dialog("MacBook Pro Keyboard Detected", "Configure your MacBook Pro Keyboard");
    for (const CChoiceGroup& group : gc_ChoiceGroups)
    {
        std::vector<const char*> texts;
        for (std::size_t i = 0; i < group.m_Count; ++i)
            texts.push_back(group.m_pTargets[i].m_pText);
        const bool ctrlPreset = group.m_pTargets == gc_RightAppleTargets && layout == 0;
        dialog.f_AddChoiceOfTexts(group.m_pCaption, texts, ctrlPreset ? gc_RightAppleCtrl : 0);
    }
    dialog.f_AddChoiceOfTexts(
        "Remap left side function keys to",
        std::vector<const char*>(std::begin(gc_LaptopKeyOrders), std::end(gc_LaptopKeyOrders)), 0);
    dialog.f_AddChecks("Options", {{"Enable Remote Desktop workaround (adds 3 ms delay to keys)", false},
                                   {"Accelerate mouse scroll wheel", false},
                                   {"Swap 'Tilde/Paragraph' and 'Oem Key'", layout == 1}});
    return dialog;
}

ELaptopRun gf_RunLaptopConfiguration(CMessageHookBase& engine, ICLaptopPrompts& prompts, bool forced)
{
    {
        CLockGuard lock(engine.f_GetLock());
        if ((engine.m_ConfigurationFlags & 1) && !forced)
            return ELaptopRun::NotOffered;
        engine.m_ConfigurationFlags |= 1;
    }

    std::int32_t layout = -1;
    for (const char* prompt = gc_Prompt; layout < 0; prompt = gc_RetryPrompt)
    {
        CKey key;
        const ICLaptopPrompts::EKeyAnswer answer = prompts.f_AskKey(prompt, key);
        if (answer == ICLaptopPrompts::EKeyAnswer::CannotRecord)
        {
            CLockGuard lock(engine.f_GetLock());
            engine.m_ConfigurationFlags &= ~1u;
            return ELaptopRun::Abandoned;
        }
        if (answer == ICLaptopPrompts::EKeyAnswer::Key)
            layout = gf_LaptopLayoutOfKey(key);
    }

    CInputDialog dialog = gf_LaptopOptionsDialog(layout);
    if (!prompts.f_AskOptions(dialog))
        return ELaptopRun::Cancelled;

    {
        CSuppressSaving suppress(engine);
        // Without the shipped file the user's own configuration would get the bindings mixed
        // in: nothing is changed instead.
        if (!engine.f_ReplaceConfigurationFromFile(gc_ShippedFile))
        {
            prompts.f_ShowError("The MacBook Pro configuration file \"MacBookPro.dat\" is missing beside the "
                                "program or cannot be read. Your configuration was not changed.");
            return ELaptopRun::Failed;
        }
        fg_ApplyChoices(engine, dialog);
    }
    if (!engine.f_SaveSettings())
    {
        // The configuration is back as the file holds it.
        CMessageHookBase::CSaveFailure failure;
        if (engine.f_TakeSaveFailure(failure))
            prompts.f_ShowError(gf_FormatSaveFailedMessage(failure).f_GetStr());
        return ELaptopRun::Failed;
    }
    return ELaptopRun::Configured;
}
} // namespace NQuillon
