#include "tools/sim/Simulator.h"

#include "engine/InputState.h"
#include "engine/LaptopKeys.h"

#include "config/Configuration.h"
#include "config/Settings.h"
#include "core/BinaryStreamMemory.h"
#include "core/Exception.h"
#include "tools/common/ReadWholeFile.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>

namespace NQuillonSim
{
using namespace NQuillon;

struct CSimulator::CStep
{
    enum EKind
    {
        EKind_Record,
        EKind_Eject,
        EKind_Time,
        EKind_Load,
    };
    EKind m_Kind = EKind_Record;
    CDriverRecord m_Record{};
    bool m_bDown = false;
    std::int64_t m_Milliseconds = 0;
    std::string m_Name;
};

namespace
{
constexpr std::uint64_t mc_TicksPerMs = 10000;
// The latest virtual time a script may reach: the clock counts 100 ns ticks in 64 bits.
constexpr std::int64_t mc_MaxMs = INT64_MAX / static_cast<std::int64_t>(mc_TicksPerMs);
// Ticks this far ahead of the earliest due time are run one by one, so that rounding in the
// estimate below never skips a tick that acts.
constexpr double mc_SkipMarginMs = 6;

// A decimal integer and nothing else: optional "-", digits, within 64 bits.
bool fg_ParseInt(const std::string& text, std::int64_t& value)
{
    const char* end = text.data() + text.size();
    auto result = std::from_chars(text.data(), end, value);
    return !text.empty() && result.ec == std::errc() && result.ptr == end;
}

bool fg_ParsePair(const std::string& text, std::int64_t& x, std::int64_t& y)
{
    std::size_t comma = text.find(',');
    return comma != std::string::npos && fg_ParseInt(text.substr(0, comma), x) &&
           fg_ParseInt(text.substr(comma + 1), y);
}

// A key name as a driver record going down or up; false for names that are not keys.
bool fg_KeyRecord(const std::string& name, bool down, CDriverRecord& record)
{
    CMessageHook::CKey key;
    if (!gf_ParseKeyNameExactly(name.c_str(), key))
        return false;
    if (key.m_Device == EKeyDevice_Keyboard)
    {
        if (key.m_Code > 255)
            return false;
        record.m_Kind = EDriverRecordKind_Keyboard;
        record.m_Keyboard = {};
        record.m_Keyboard.UnitId = 0;
        record.m_Keyboard.MakeCode = static_cast<std::uint16_t>(key.m_Code & 0x7F);
        record.m_Keyboard.Flags =
            static_cast<std::uint16_t>((key.m_Code >= 128 ? KEY_E0 : 0) | (down ? 0 : KEY_BREAK));
        return true;
    }
    if (key.m_Device == EKeyDevice_Mouse && key.m_Code >= 1 && key.m_Code <= 5)
    {
        record.m_Kind = EDriverRecordKind_Mouse;
        record.m_Mouse = {};
        record.m_Mouse.ButtonFlags = down ? gf_MouseDownFlag(key.m_Code) : gf_MouseUpFlag(key.m_Code);
        return true;
    }
    return false;
}
} // namespace

CSimulator::CSimulator(std::ostream& output) : m_Output(output), m_ClockScope(m_Clock)
{
    // Built after the virtual clock is installed: the engine's time starts at 0.
    m_pEngine = std::make_unique<CMessageHook>(this);
    m_pEngine->m_bOwnsInput = true;
    // The simulator never touches the settings files on disk.
    m_pEngine->m_bSavingSuppressed = true;
}

CSimulator::~CSimulator()
{
    m_pEngine.reset();
}

void CSimulator::f_LoadSettingsFile(const std::string& path)
{
    std::string content;
    std::string reason;
    if (!NQuillonTools::gf_ReadWholeFile(path, content, reason))
        throw CSimError{"cannot read settings file '" + path + "': " + reason};
    f_LoadSettingsImage(std::vector<unsigned char>(content.begin(), content.end()), path);
}

void CSimulator::f_LoadSettingsImage(const std::vector<unsigned char>& bytes, const std::string& name)
{
    try
    {
        NTev::NStream::CBinaryStreamMemory stream(bytes);
        std::uint32_t flags = 0;
        std::uint32_t version = 0;
        auto configuration = m_pEngine->f_ReadSettings(stream, flags, version);
        m_pEngine->f_InstallConfiguration(std::move(configuration), flags);
    }
    catch (const NTev::NException::CException& exception)
    {
        throw CSimError{"cannot read settings file '" + name + "': " + exception.f_GetMessage()};
    }
    fp_NoteTableChange();
}

void CSimulator::f_ActivateTable(const std::string& name)
{
    if (!m_pEngine->f_GetConfiguration().f_FindTable(name.c_str()))
        throw CSimError{"no table named '" + name + "'"};
    m_pEngine->f_ActivateTable(name.c_str());
    fp_NoteTableChange();
}

std::vector<CSimulator::CStep> CSimulator::fp_Parse(const std::string& script)
{
    std::vector<CStep> steps;
    // Where the script's waits take the clock, checked before anything runs.
    std::int64_t scriptEndMs = m_NowMs;
    std::istringstream lines(script);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line))
    {
        ++lineNumber;
        line = line.substr(0, line.find('#'));
        std::istringstream tokens(line);
        std::string token;
        while (tokens >> token)
        {
            CStep step;
            std::size_t colon = token.find(':');
            std::string verb = colon == std::string::npos ? token : token.substr(0, colon);
            std::string argument = colon == std::string::npos ? std::string() : token.substr(colon + 1);
            std::int64_t x = 0;
            std::int64_t y = 0;
            bool good = colon != std::string::npos;
            if (good && (verb == "d" || verb == "u"))
                good = fg_KeyRecord(argument, verb == "d", step.m_Record);
            else if (good && verb == "w")
            {
                good = fg_ParseInt(argument, x) && x >= -32768 && x <= 32767;
                step.m_Record.m_Kind = EDriverRecordKind_Mouse;
                step.m_Record.m_Mouse = {};
                step.m_Record.m_Mouse.ButtonFlags = MOUSE_WHEEL;
                step.m_Record.m_Mouse.ButtonData = static_cast<std::uint16_t>(static_cast<std::int16_t>(x));
            }
            else if (good && (verb == "m" || verb == "ma"))
            {
                good = fg_ParsePair(argument, x, y) && x >= INT32_MIN && x <= INT32_MAX && y >= INT32_MIN &&
                       y <= INT32_MAX;
                step.m_Record.m_Kind = EDriverRecordKind_Mouse;
                step.m_Record.m_Mouse = {};
                step.m_Record.m_Mouse.Flags = verb == "ma" ? MOUSE_MOVE_ABSOLUTE : 0;
                step.m_Record.m_Mouse.LastX = static_cast<std::int32_t>(x);
                step.m_Record.m_Mouse.LastY = static_cast<std::int32_t>(y);
            }
            else if (good && verb == "e")
            {
                good = argument == "d" || argument == "u";
                step.m_Kind = CStep::EKind_Eject;
                step.m_bDown = argument == "d";
            }
            else if (good && verb == "l")
            {
                good = !argument.empty();
                step.m_Kind = CStep::EKind_Load;
                step.m_Name = argument;
            }
            else if (good && verb == "t")
            {
                good = fg_ParseInt(argument, x) && x >= 0;
                if (good && x > mc_MaxMs - scriptEndMs)
                    throw CSimError{"bad token '" + token + "' on line " + std::to_string(lineNumber) +
                                    ": the script's waits would pass " + std::to_string(mc_MaxMs) + " ms"};
                scriptEndMs += x;
                step.m_Kind = CStep::EKind_Time;
                step.m_Milliseconds = x;
            }
            else
                good = false;
            if (!good)
                throw CSimError{"bad token '" + token + "' on line " + std::to_string(lineNumber)};
            steps.push_back(step);
        }
    }
    return steps;
}

void CSimulator::f_RunScript(const std::string& script)
{
    for (const CStep& step : fp_Parse(script))
    {
        fp_Run(step);
        fp_NoteTableChange();
    }
}

void CSimulator::fp_Run(const CStep& step)
{
    switch (step.m_Kind)
    {
        case CStep::EKind_Record:
            m_pEngine->f_ProcessDriverRecords(&step.m_Record, 1);
            break;
        case CStep::EKind_Eject:
        {
            // One report of the laptop's key collection, as the raw-input window hands it on;
            // nothing is injected for it.
            const std::uint8_t report[2] = {0, std::uint8_t(step.m_bDown ? 1 : 0)};
            CMessageHook::CRawHidPacket packet;
            packet.m_Type = CMessageHook::CRawHidPacket::mc_TypeHid;
            packet.m_ReportSize = 2;
            packet.m_ReportCount = 1;
            packet.m_pReports = report;
            m_pEngine->f_OnLaptopKeyReports(packet);
            break;
        }
        case CStep::EKind_Time:
            fp_Advance(step.m_Milliseconds);
            break;
        case CStep::EKind_Load:
            if (m_SettingsLoader)
                f_LoadSettingsImage(m_SettingsLoader(step.m_Name), step.m_Name);
            else
                f_LoadSettingsFile(step.m_Name);
            break;
    }
}

double CSimulator::fp_GetEarliestDueMs()
{
    // The conditions of the engine's repeat tick: until the earliest of these times a tick
    // changes nothing (its action-repeat bookkeeping settles on the first tick run).
    CMessageHook& engine = *m_pEngine;
    CMessageHook::CLockGuard lock(engine.f_GetLock());
    const CMessageHook::CInputState& input = engine.f_GetInputState();
    const CMessageHook::CSettingValues& settings = engine.f_GetSettingValues();
    // The values as the tick uses them.
    const double delay = settings.f_RepeatDelay();
    const double rate = settings.f_RepeatRate();
    double due = std::numeric_limits<double>::infinity();
    if ((input.m_RepeatCandidateKey || input.m_RepeatCandidateMouseCode) && rate != 0)
        due = std::min(due, input.m_RepeatCandidateTime + delay + input.m_RepeatCount / rate);
    const CMessageHook::CHeldInput* newest = input.f_GetFront();
    if (newest && newest->m_pAction && input.m_bPressPending && rate != 0)
        due = std::min(due, input.m_LastPressTime + delay +
                                (input.m_bActionRepeatArmed ? input.m_ActionRepeatCount : 0) / rate);
    const double wheelDelay = settings.f_WheelAccelerationDelay();
    if (wheelDelay > 0 && (input.m_AccumulatedSteps > 0.99 || input.m_AccumulatedSteps < -0.99))
        due = std::min(due, input.m_LastQueuedStepTime + wheelDelay / 1000);
    return static_cast<double>(m_NowMs) + (due - engine.f_GetEngineTime()) * 1000.0;
}

void CSimulator::fp_Advance(std::int64_t milliseconds)
{
    const std::int64_t end = m_NowMs + milliseconds;
    // Every 2 ms boundary crossed gets its tick, except those before the earliest time a tick
    // can act: idle time is jumped over, so that a wait of days takes no longer than a second.
    std::int64_t boundary = (m_NowMs / 2 + 1) * 2;
    while (boundary <= end)
    {
        m_Clock.f_Advance(static_cast<std::uint64_t>(boundary - m_NowMs) * mc_TicksPerMs);
        m_NowMs = boundary;
        m_pEngine->f_RepeatTick();
        fp_NoteTableChange();
        boundary += 2;
        const double dueMs = fp_GetEarliestDueMs() - mc_SkipMarginMs;
        if (!(dueMs >= static_cast<double>(boundary)))
            continue;
        if (dueMs > static_cast<double>(end))
            break;
        boundary = std::max(boundary, static_cast<std::int64_t>(dueMs) / 2 * 2);
    }
    m_Clock.f_Advance(static_cast<std::uint64_t>(end - m_NowMs) * mc_TicksPerMs);
    m_NowMs = end;
}

void CSimulator::fp_NoteTableChange()
{
    std::string table = m_pEngine->f_GetCurrentTableName().f_GetStr();
    if (table != m_LastTable)
    {
        m_Output << "# " << m_NowMs << " table " << (table.empty() ? "(none)" : table) << "\n";
        m_LastTable = table;
    }
}

void CSimulator::f_WriteKeyboardRecord(const KEYBOARD_INPUT_DATA& data)
{
    if (m_pObserver)
        m_pObserver->f_WriteKeyboardRecord(data);
    const std::int32_t keyNumber = data.MakeCode + ((data.Flags & KEY_E0) ? 128 : 0);
    m_Output << m_NowMs << " kbd " << CMessageHook::f_GetKeyName(EKeyDevice_Keyboard, keyNumber).f_GetStr()
             << ((data.Flags & KEY_BREAK) ? " break" : " make") << "\n";
}

void CSimulator::f_WriteMouseRecord(const MOUSE_INPUT_DATA& data)
{
    if (m_pObserver)
        m_pObserver->f_WriteMouseRecord(data);
    if (data.LastX != 0 || data.LastY != 0 || data.ButtonFlags == 0)
        m_Output << m_NowMs << " mouse move " << data.LastX << "," << data.LastY
                 << ((data.Flags & MOUSE_MOVE_ABSOLUTE) ? " abs" : "") << "\n";
    if (data.ButtonFlags & MOUSE_WHEEL)
        m_Output << m_NowMs << " mouse wheel " << static_cast<std::int16_t>(data.ButtonData) << "\n";
    for (int code = 1; code <= 5; ++code)
    {
        const NTev::CStr name = CMessageHook::f_GetKeyName(EKeyDevice_Mouse, code);
        if (data.ButtonFlags & gf_MouseDownFlag(code))
            m_Output << m_NowMs << " mouse " << name.f_GetStr() << " down\n";
        if (data.ButtonFlags & gf_MouseUpFlag(code))
            m_Output << m_NowMs << " mouse " << name.f_GetStr() << " up\n";
    }
}
} // namespace NQuillonSim
