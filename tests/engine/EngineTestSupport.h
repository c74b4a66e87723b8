#pragma once
// What the engine's tests share: a configuration, key records, a record channel that keeps
// what an engine running threads writes, and waiting for another thread's work.

#include "engine/RecordChannel.h"

#include "core/Mutual.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace NQuillonTest
{
// LCtrl + C generates LCtrl + V.
inline const char* const gc_CtrlCToV = R"json({
  "defaultTable": "Main",
  "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "actions": [
    {"kind": "Input", "trigger": "LCtrl(A) + C(1)", "sequences": ["LCtrl(A) + V(A)"]}]}]}]
})json";

// A is bound to B, with a repeat delay (100 s) that no test or measurement reaches.
inline const char* const gc_AToB = R"json({
  "defaultTable": "Main", "defaultPreset": "Default",
  "presets": [{"name": "Default", "settings": {"Keyboard Repeat Delay": "100000"}}],
  "tables": [{"name": "Main", "groups": [{"name": "G", "priority": 1, "actions": [
    {"kind": "Input", "trigger": "A", "sequences": ["B"]}]}]}]
})json";

// A key record as the keyboard sends it.
inline NQuillon::CDriverRecord gf_KeyRecord(std::uint16_t makeCode, std::uint16_t flags)
{
    NQuillon::CDriverRecord record{};
    record.m_Kind = NQuillon::EDriverRecordKind_Keyboard;
    record.m_Keyboard.MakeCode = makeCode;
    record.m_Keyboard.Flags = flags;
    return record;
}
// The make or break record of a key.
inline NQuillon::CDriverRecord gf_Key(std::uint16_t makeCode, bool down)
{
    return gf_KeyRecord(makeCode, std::uint16_t(down ? 0 : NQuillon::KEY_BREAK));
}

// Polls until the condition holds (at most about 5 s): the other thread works on its own
// schedule. Not a measure of time.
inline bool gf_WaitFor(const std::function<bool()>& condition)
{
    for (int i = 0; i < 1000; ++i)
    {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return condition();
}

class CRecordLog final : public NQuillon::ICRecordChannel
{
public:
    void f_WriteKeyboardRecord(const NQuillon::KEYBOARD_INPUT_DATA& data) override
    {
        char line[64];
        std::snprintf(line, sizeof line, "kbd %02X%s %s\n", data.MakeCode,
                      (data.Flags & NQuillon::KEY_E0) ? " e0" : "",
                      (data.Flags & NQuillon::KEY_BREAK) ? "break" : "make");
        fp_Add(line);
    }
    void f_WriteMouseRecord(const NQuillon::MOUSE_INPUT_DATA& data) override
    {
        char line[64];
        std::snprintf(line, sizeof line, "mouse %04X %d %d,%d\n", data.ButtonFlags,
                      int(std::int16_t(data.ButtonData)), int(data.LastX), int(data.LastY));
        fp_Add(line);
    }
    std::string f_Text()
    {
        NTev::TCMutualLock lock(m_Lock);
        std::string text;
        for (const std::string& line : m_Lines)
            text += line;
        return text;
    }
    std::size_t f_Count()
    {
        NTev::TCMutualLock lock(m_Lock);
        return m_Lines.size();
    }
    void f_Clear()
    {
        NTev::TCMutualLock lock(m_Lock);
        m_Lines.clear();
    }

private:
    void fp_Add(const char* line)
    {
        NTev::TCMutualLock lock(m_Lock);
        m_Lines.emplace_back(line);
    }

    NTev::CMutual m_Lock;
    std::vector<std::string> m_Lines;
};
} // namespace NQuillonTest
