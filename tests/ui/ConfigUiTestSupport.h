#pragma once
// What the tests of the configuration dialog's logic share: an engine whose settings live in a
// temporary directory, a configuration written from JSON, and scripted stand-ins for the
// dialogs, the recorder and the message boxes.

#include "core/Exception.h"
#include "tools/config/ConfigJson.h"
#include "ui/ConfigCommands.h"
#include "ui/ConfigTree.h"

#include "engine/MessageHook.h"
#include "tests/core/FileTestSupport.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace NQuillonTest
{
// Main / "3: Main | Ignore no keys" / LCtrl(1) + C(2) generating LCtrl + V, and a preset.
inline const char* const gc_DialogConfiguration = R"json({
  "defaultTable": "Main", "defaultPreset": "Default",
  "presets": [{"name": "Default", "settings": {"Keyboard Repeat Rate": "40"}}, {"name": "Quiet"}],
  "tables": [
    {"name": "Games"},
    {"name": "Main", "groups": [
      {"name": "Main", "priority": 3, "actions": [
        {"kind": "Input", "trigger": "LCtrl(1) + C(2)", "sequences": ["LCtrl + V"]},
        {"kind": "RemapTable", "trigger": "F12(1)", "table": "Games"}]},
      {"name": "Mouse", "priority": 7, "ignore": [[0, 0, 0]]}]}]
})json";

// Two actions bound to the same keys, as a file made by hand may hold them.
inline const char* const gc_TwoActionsConfiguration = R"json({
  "defaultTable": "Main",
  "tables": [
    {"name": "Games"},
    {"name": "Main", "groups": [
      {"name": "Main", "priority": 3, "actions": [
        {"kind": "Input", "trigger": "LCtrl(1) + C(2)", "sequences": ["LCtrl + V"]},
        {"kind": "RemapTable", "trigger": "LCtrl(1) + C(2)", "table": "Games"}]}]}]
})json";

// The engine with the state a load that gave up leaves (no waiting for its retries), and
// file writes that meet the errors given, in turn.
class CDialogTestEngine final : public NQuillon::CMessageHook
{
public:
    void f_MarkLoadFailed()
    {
        CLockGuard lock(f_GetLock());
        m_bLoadFailed = true;
    }

    std::deque<unsigned long> m_WriteErrors;

protected:
    void f_WriteSettingsImage(const char* path, const std::vector<unsigned char>& bytes,
                              CWriteOutcome& outcome) override
    {
        if (m_WriteErrors.empty())
            return NQuillon::CMessageHook::f_WriteSettingsImage(path, bytes, outcome);
        NTev::NFile::CExceptionFile exception(__FILE__, __LINE__, "CDialogTestEngine", "refused");
        exception.f_SetSystemError(m_WriteErrors.front());
        m_WriteErrors.pop_front();
        throw exception;
    }
};

class CDialogEngine
{
public:
    explicit CDialogEngine(const char* json = gc_DialogConfiguration)
    {
        m_Engine.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str());
        NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(json), m_Engine);
        m_Engine.f_SaveSettings();
    }
    // The configuration as the file on disk holds it, read by another engine.
    nlohmann::ordered_json f_ReadBack() const
    {
        NQuillon::CMessageHook reader;
        reader.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str());
        reader.f_LoadSettings("Settings.dat");
        return NQuillonConfigTool::gf_DumpConfiguration(reader, NQuillon::CMessageHook::mc_FileVersion);
    }

    CTempDirectory m_Directory;
    CDialogTestEngine m_Engine;
};

// The tree as indented text, two blanks a level.
inline std::string gf_TreeText(const std::vector<NQuillon::CTreeNode>& nodes, int depth = 0)
{
    std::string text;
    for (const NQuillon::CTreeNode& node : nodes)
    {
        text += std::string(static_cast<std::size_t>(depth) * 2, ' ') + node.m_Label.f_GetStr() + "\n";
        text += gf_TreeText(node.m_Children, depth + 1);
    }
    return text;
}

// Answers each input dialog with the next script step (false: Cancel) and keeps what it saw.
class CScriptedDialogs final : public NQuillon::ICInputDialogHost
{
public:
    bool f_ShowInputDialog(NQuillon::CInputDialog& dialog) override
    {
        std::string shown = dialog.f_GetTitle().f_GetStr();
        for (std::size_t i = 0; i < dialog.f_GetFieldCount(); ++i)
        {
            const NQuillon::CInputField& field = dialog.f_GetField(i);
            shown += std::string("|") + field.m_Caption.f_GetStr() + "=";
            if (field.m_Kind == NQuillon::EInputFieldKind_Text)
                shown += field.m_Text.f_GetStr();
            else if (field.m_Selected >= 0)
                shown += field.m_Entries[static_cast<std::size_t>(field.m_Selected)].m_Text.f_GetStr();
        }
        m_Shown.push_back(shown);
        if (m_Steps.empty())
            return false;
        auto step = std::move(m_Steps.front());
        m_Steps.pop_front();
        return step(dialog);
    }

    std::deque<std::function<bool(NQuillon::CInputDialog&)>> m_Steps;
    std::vector<std::string> m_Shown;
};

// Gives each recording the next keys (none left: cancelled).
class CScriptedRecorder final : public NQuillon::ICKeyRecorderHost, public NQuillon::ICKeyCapture
{
public:
    NQuillon::CInputKeyMapperDlg::EResult f_RecordKeys(NQuillon::CInputKeyMapperDlg& dialog) override
    {
        m_Prompts.push_back(dialog.m_Prompt.f_GetStr());
        if (m_Recordings.empty())
            return NQuillon::CInputKeyMapperDlg::EResult_NoDevice;
        dialog.m_Keys = NQuillon::CMessageHook::f_ParseKeys(m_Recordings.front().c_str());
        m_Recordings.pop_front();
        return NQuillon::CInputKeyMapperDlg::EResult_Done;
    }
    bool f_SetCaptureMode(std::int32_t) override { return true; }
    bool f_GetCapturedKeys(NQuillon::CMessageHook::CKeys&) override { return true; }
    void f_EndCapture() override {}

    std::deque<std::string> m_Recordings;
    std::vector<std::string> m_Prompts;
};

class CScriptedMessages final : public NQuillon::ICMessageHost
{
public:
    void f_ShowError(const char* text) override { m_Shown.push_back(std::string("Error: ") + text); }
    bool f_AskYesNo(const char* text, const char* title) override
    {
        m_Shown.push_back(std::string(title) + ": " + text);
        return m_bYes;
    }

    bool m_bYes = true;
    std::vector<std::string> m_Shown;
};
} // namespace NQuillonTest
