#pragma once
// What each command of the tree's context menu does: the dialogs it shows, the messages, and
// the configuration operations it calls by name. The dialogs and message boxes are reached
// through hosts, so that all of it runs natively under test.

#include "ui/ConfigMenu.h"
#include "ui/InputKeyMapperDlg.h"
#include "widgets/InputDialog.h"

namespace NQuillon
{
// Message boxes owned by the dialog.
class ICMessageHost
{
public:
    // An error the user caused, titled "Error".
    virtual void f_ShowError(const char* text) = 0;
    // True for Yes.
    virtual bool f_AskYesNo(const char* text, const char* title) = 0;

protected:
    ~ICMessageHost() = default;
};

class CConfigCommands
{
public:
    CConfigCommands(CMessageHookBase& engine, ICInputDialogHost& dialogs, ICKeyRecorderHost& recorder,
                    ICKeyCapture& capture, ICMessageHost& messages)
        : m_Engine(engine), m_Dialogs(dialogs), m_Recorder(recorder), m_Capture(capture), m_Messages(messages)
    {
    }

    // Runs the command on the node. The caller rebuilds the tree afterwards.
    void f_Run(const CNodeRef& node, const CMenuEntry& entry);

private:
    void fp_RunCommand(const CNodeRef& node, const CMenuEntry& entry);
    void fp_CreateNamed(ECommand command);
    void fp_CreateGroup(const CNodeRef& node);
    void fp_CreateBinding(const CNodeRef& node);
    void fp_Delete(const CNodeRef& node, ECommand command);
    void fp_SetValue(const CNodeRef& node);
    void fp_SetRemapTable(const CNodeRef& node, const CMessageHookBase::CActionRef& action);
    void fp_SetActionOptions(const CNodeRef& node, const CMessageHookBase::CActionRef& action);
    void fp_SetSequenceCount(const CNodeRef& node);
    // Runs the recorder; false when it was cancelled.
    bool fp_Record(const char* prompt, std::int32_t mode, CMessageHook::CKeys& keys);

    CMessageHookBase& m_Engine;
    ICInputDialogHost& m_Dialogs;
    ICKeyRecorderHost& m_Recorder;
    ICKeyCapture& m_Capture;
    ICMessageHost& m_Messages;
};

// Shown instead of running a command that would change a configuration whose file could not
// be read: the change could not be saved without losing what the file holds.
constexpr const char* gc_NotEditableMessage = "The settings file could not be read, so changes cannot be "
                                              "saved. Correct or remove Settings.dat and try again.";
// Shown when an edit could not be saved: the file, the system's reason, that the edit was
// undone, and what to do.
NTev::CStr gf_FormatSaveFailedMessage(const CMessageHookBase::CSaveFailure& failure);
// Shows the failure of the last save, when it failed; true when one was shown.
bool gf_ReportSaveFailure(CMessageHookBase& engine, ICMessageHost& messages);
// Shown instead of creating a group whose name could not be read back from its tree label.
constexpr const char* gc_BadGroupNameMessage =
    "A group name cannot contain \" | \" or end with \" |\": the tree shows \" | \" between a group's "
    "name and its ignore rule. Choose another name.";
// Shown when the number of generate sequences typed is outside what an action can hold.
constexpr const char* gc_BadSequenceCountMessage = "The number of sequences must be from 0 to 256";
} // namespace NQuillon
