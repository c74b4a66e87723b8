#pragma once
// A record channel that keeps what the engine writes, for tests whose engine runs threads.

#include "engine/RecordChannel.h"

#include "core/Mutual.h"

#include <cstdio>
#include <string>
#include <vector>

namespace NQuillonTest
{
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
