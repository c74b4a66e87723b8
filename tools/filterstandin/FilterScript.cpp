// Parsing the quillon-filter script and describing records in its words.

#include "tools/filterstandin/FilterScript.h"

#include "config/Keys.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace NQuillon
{
namespace
{
std::string fg_Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool fg_EqualNoCase(const char* left, const std::string& right)
{
    return fg_Lower(left) == fg_Lower(right);
}

// A decimal or 0x-prefixed number in [min, max]; false when the token is not one.
bool fg_ParseNumber(const std::string& token, std::int64_t min, std::int64_t max, std::int64_t& value)
{
    const char* begin = token.data();
    const char* end = begin + token.size();
    bool negative = false;
    if (begin != end && (*begin == '-' || *begin == '+'))
    {
        negative = *begin == '-';
        ++begin;
    }
    int base = 10;
    if (end - begin > 2 && begin[0] == '0' && (begin[1] == 'x' || begin[1] == 'X'))
    {
        base = 16;
        begin += 2;
    }
    if (begin == end)
        return false;
    std::uint64_t magnitude = 0;
    auto [stop, error] = std::from_chars(begin, end, magnitude, base);
    if (error != std::errc() || stop != end || magnitude > (std::uint64_t(1) << 62))
        return false;
    value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return value >= min && value <= max;
}

struct CLineError
{
    std::string m_Message;
};

class CLineParser
{
public:
    explicit CLineParser(const std::string& line)
    {
        std::istringstream stream(line);
        std::string token;
        while (stream >> token)
            m_Tokens.push_back(token);
    }

    bool f_Empty() const { return m_Tokens.empty(); }
    std::size_t f_Count() const { return m_Tokens.size(); }
    const std::string& f_Word(std::size_t i) const { return m_Tokens[i]; }
    std::string f_Lower(std::size_t i) const { return fg_Lower(m_Tokens[i]); }

    void f_ExpectCount(std::size_t min, std::size_t max, const char* usage) const
    {
        if (m_Tokens.size() < min || m_Tokens.size() > max)
            throw CLineError{std::string("expected \"") + usage + "\""};
    }

    std::int64_t f_Number(std::size_t i, std::int64_t min, std::int64_t max, const char* what) const
    {
        std::int64_t value = 0;
        if (!fg_ParseNumber(m_Tokens[i], min, max, value))
            throw CLineError{std::string(what) + " \"" + m_Tokens[i] + "\" is not a number from " +
                             std::to_string(min) + " to " + std::to_string(max)};
        return value;
    }

    bool f_Down(std::size_t i) const
    {
        const std::string word = f_Lower(i);
        if (word == "down")
            return true;
        if (word == "up")
            return false;
        throw CLineError{"expected down or up, not \"" + m_Tokens[i] + "\""};
    }

private:
    std::vector<std::string> m_Tokens;
};

// key CODE [e0|e1] down|up
CDriverRecord fg_ParseKey(const CLineParser& line)
{
    line.f_ExpectCount(3, 4, "key CODE [e0|e1] down|up");
    std::uint16_t flags = 0;
    std::int64_t code = 0;
    if (!fg_ParseNumber(line.f_Word(1), 0, 0xFFFF, code))
    {
        code = -1;
        for (std::int32_t n = 1; n < 256 && code < 0; ++n)
        {
            const char* name = gf_KeyboardKeyTableName(n);
            if (name && fg_EqualNoCase(name, line.f_Word(1)))
                code = n;
        }
        if (code < 0)
            throw CLineError{"unknown key \"" + line.f_Word(1) +
                             "\" (give a scan code such as 0x1E or a key name)"};
        if (code >= 128)
        {
            code -= 128;
            flags |= KEY_E0;
        }
    }
    if (line.f_Count() == 4)
    {
        const std::string prefix = line.f_Lower(2);
        if (prefix == "e0")
            flags |= KEY_E0;
        else if (prefix == "e1")
            flags |= KEY_E1;
        else
            throw CLineError{"expected e0 or e1, not \"" + line.f_Word(2) + "\""};
    }
    if (!line.f_Down(line.f_Count() - 1))
        flags |= KEY_BREAK;
    return gf_MakeKeyRecord(static_cast<std::uint16_t>(code), flags);
}

int fg_ButtonCode(const std::string& word)
{
    static const char* const s_Names[][2] = {
        {"left", "1"}, {"right", "2"}, {"middle", "3"}, {"x1", "4"}, {"x2", "5"},
    };
    for (int i = 0; i < 5; ++i)
        if (word == s_Names[i][0] || word == s_Names[i][1])
            return i + 1;
    return 0;
}

// mouse move DX DY [abs] | mouse wheel N | mouse BUTTON down|up
CDriverRecord fg_ParseMouse(const CLineParser& line)
{
    if (line.f_Count() < 2)
        throw CLineError{
            "expected \"mouse move DX DY [abs]\", \"mouse wheel N\" or \"mouse BUTTON down|up\""};
    const std::string what = line.f_Lower(1);
    if (what == "move")
    {
        line.f_ExpectCount(4, 5, "mouse move DX DY [abs]");
        const auto x = static_cast<std::int32_t>(line.f_Number(2, INT32_MIN, INT32_MAX, "DX"));
        const auto y = static_cast<std::int32_t>(line.f_Number(3, INT32_MIN, INT32_MAX, "DY"));
        std::uint16_t flags = 0;
        if (line.f_Count() == 5)
        {
            if (line.f_Lower(4) != "abs")
                throw CLineError{"expected abs, not \"" + line.f_Word(4) + "\""};
            flags = MOUSE_MOVE_ABSOLUTE;
        }
        return gf_MakeMouseRecord(flags, 0, 0, x, y);
    }
    if (what == "wheel")
    {
        line.f_ExpectCount(3, 3, "mouse wheel N");
        const auto delta = static_cast<std::int16_t>(line.f_Number(2, INT16_MIN, INT16_MAX, "wheel delta"));
        return gf_MakeMouseRecord(0, MOUSE_WHEEL, delta, 0, 0);
    }
    const int button = fg_ButtonCode(what);
    if (button == 0)
        throw CLineError{"unknown mouse event \"" + line.f_Word(1) +
                         "\" (move, wheel, left, right, middle, x1, x2)"};
    line.f_ExpectCount(3, 3, "mouse BUTTON down|up");
    const bool down = line.f_Down(2);
    return gf_MakeMouseRecord(0, down ? gf_MouseDownFlag(button) : gf_MouseUpFlag(button), 0, 0, 0);
}

std::string fg_Hex(unsigned value, int digits)
{
    char buffer[16];
    std::snprintf(buffer, sizeof(buffer), "0x%0*X", digits, value);
    return buffer;
}
} // namespace

CDriverRecord gf_MakeKeyRecord(std::uint16_t makeCode, std::uint16_t flags)
{
    CDriverRecord record;
    std::memset(&record, 0, sizeof(record));
    record.m_Kind = EDriverRecordKind_Keyboard;
    record.m_Keyboard.MakeCode = makeCode;
    record.m_Keyboard.Flags = flags;
    return record;
}

CDriverRecord gf_MakeMouseRecord(std::uint16_t flags, std::uint16_t buttonFlags, std::int16_t buttonData,
                                 std::int32_t x, std::int32_t y)
{
    CDriverRecord record;
    std::memset(&record, 0, sizeof(record));
    record.m_Kind = EDriverRecordKind_Mouse;
    record.m_Mouse.Flags = flags;
    record.m_Mouse.ButtonFlags = buttonFlags;
    record.m_Mouse.ButtonData = static_cast<std::uint16_t>(buttonData);
    record.m_Mouse.LastX = x;
    record.m_Mouse.LastY = y;
    return record;
}

std::vector<CFilterScriptStep> gf_ParseFilterScript(const std::string& text)
{
    std::vector<CFilterScriptStep> steps;
    std::istringstream stream(text);
    std::string rawLine;
    int lineNumber = 0;
    bool inBatch = false;
    int batchLine = 0;
    CFilterScriptStep batch;
    while (std::getline(stream, rawLine))
    {
        ++lineNumber;
        const std::size_t comment = rawLine.find('#');
        if (comment != std::string::npos)
            rawLine.resize(comment);
        const CLineParser line(rawLine);
        if (line.f_Empty())
            continue;
        try
        {
            const std::string command = line.f_Lower(0);
            if (command == "key" || command == "mouse")
            {
                const CDriverRecord record = command == "key" ? fg_ParseKey(line) : fg_ParseMouse(line);
                if (inBatch)
                    batch.m_Records.push_back(record);
                else
                {
                    CFilterScriptStep step;
                    step.m_Line = lineNumber;
                    step.m_Records.push_back(record);
                    steps.push_back(std::move(step));
                }
            }
            else if (command == "batch")
            {
                line.f_ExpectCount(1, 1, "batch");
                if (inBatch)
                    throw CLineError{"batch inside a batch (the one of line " + std::to_string(batchLine) +
                                     " has no end)"};
                inBatch = true;
                batchLine = lineNumber;
                batch = CFilterScriptStep();
                batch.m_Line = lineNumber;
            }
            else if (command == "end")
            {
                line.f_ExpectCount(1, 1, "end");
                if (!inBatch)
                    throw CLineError{"end without batch"};
                if (batch.m_Records.empty())
                    throw CLineError{"empty batch"};
                inBatch = false;
                steps.push_back(std::move(batch));
            }
            else if (command == "wait")
            {
                line.f_ExpectCount(2, 2, "wait MS");
                if (inBatch)
                    throw CLineError{"wait inside a batch"};
                CFilterScriptStep step;
                step.m_Kind = CFilterScriptStep::EKind::Wait;
                step.m_Line = lineNumber;
                step.m_WaitMs = static_cast<std::uint32_t>(line.f_Number(1, 0, 3600000, "MS"));
                steps.push_back(std::move(step));
            }
            else
                throw CLineError{"unknown command \"" + line.f_Word(0) + "\" (key, mouse, batch, end, wait)"};
        }
        catch (const CLineError& error)
        {
            throw CFilterScriptError{"line " + std::to_string(lineNumber) + ": " + error.m_Message};
        }
    }
    if (inBatch)
        throw CFilterScriptError{"line " + std::to_string(batchLine) + ": batch without end"};
    return steps;
}

std::string gf_DescribeDriverRecord(const CDriverRecord& record)
{
    std::string text;
    if (record.m_Kind == EDriverRecordKind_Keyboard)
    {
        const KEYBOARD_INPUT_DATA& key = record.m_Keyboard;
        text = "key " + fg_Hex(key.MakeCode, 2);
        if (key.Flags & KEY_E0)
            text += " e0";
        if (key.Flags & KEY_E1)
            text += " e1";
        if (key.MakeCode < 128)
        {
            const char* name = gf_KeyboardKeyTableName(key.MakeCode + ((key.Flags & KEY_E0) ? 128 : 0));
            if (name)
                text += std::string(" (") + name + ")";
        }
        text += (key.Flags & KEY_BREAK) ? " up" : " down";
        const std::uint16_t other = key.Flags & ~(KEY_BREAK | KEY_E0 | KEY_E1);
        if (other)
            text += " flags " + fg_Hex(other, 4);
        return text;
    }
    if (record.m_Kind != EDriverRecordKind_Mouse)
        return "kind " + std::to_string(record.m_Kind);
    const MOUSE_INPUT_DATA& mouse = record.m_Mouse;
    text = "mouse";
    if (mouse.LastX != 0 || mouse.LastY != 0 || (mouse.Flags & MOUSE_MOVE_ABSOLUTE))
    {
        text += " move " + std::to_string(mouse.LastX) + " " + std::to_string(mouse.LastY);
        if (mouse.Flags & MOUSE_MOVE_ABSOLUTE)
            text += " abs";
    }
    if (mouse.ButtonFlags & MOUSE_WHEEL)
        text += " wheel " + std::to_string(static_cast<std::int16_t>(mouse.ButtonData));
    static const char* const s_Buttons[] = {"left", "right", "middle", "x1", "x2"};
    for (int button = 1; button <= 5; ++button)
    {
        if (mouse.ButtonFlags & gf_MouseDownFlag(button))
            text += std::string(" ") + s_Buttons[button - 1] + " down";
        if (mouse.ButtonFlags & gf_MouseUpFlag(button))
            text += std::string(" ") + s_Buttons[button - 1] + " up";
    }
    const std::uint16_t other = mouse.ButtonFlags & ~(MOUSE_WHEEL | MOUSE_BUTTON_DOWNS | MOUSE_BUTTON_UPS);
    if (other)
        text += " buttons " + fg_Hex(other, 4);
    if (text == "mouse")
        text += " (nothing)";
    return text;
}
} // namespace NQuillon
