#pragma once
// The script language of quillon-filter and the readable form of driver records.
//
// One command a line; "#" starts a comment to the end of the line; case does not matter:
//   key CODE [e0|e1] down|up     CODE: 0x1E, 30 or a key name ("A", "RCtrl": names of
//                                extended keys imply e0)
//   mouse move DX DY [abs]       relative (or absolute) movement
//   mouse wheel N                wheel delta N (-32768..32767)
//   mouse BUTTON down|up         BUTTON: left, right, middle, x1, x2 (or 1..5)
//   batch ... end                the records between are fed in one write
//   wait MS                      pause the script
// Every record line outside a batch is fed on its own.

#include "engine/DriverRecord.h"

#include <cstdint>
#include <string>
#include <vector>

namespace NQuillon
{
// A script problem, with the text to show the user ("line 3: ...").
struct CFilterScriptError
{
    std::string m_Message;
};

struct CFilterScriptStep
{
    enum class EKind
    {
        Feed,
        Wait,
    };
    EKind m_Kind = EKind::Feed;
    std::vector<CDriverRecord> m_Records; // Feed: fed in one write
    std::uint32_t m_WaitMs = 0;           // Wait
    int m_Line = 0;                       // first line of the step, from 1
};

// Parses a whole script; throws CFilterScriptError naming the first bad line.
std::vector<CFilterScriptStep> gf_ParseFilterScript(const std::string& text);

// Builders of hardware records (unit id 0, all else 0).
CDriverRecord gf_MakeKeyRecord(std::uint16_t makeCode, std::uint16_t flags);
CDriverRecord gf_MakeMouseRecord(std::uint16_t flags, std::uint16_t buttonFlags, std::int16_t buttonData,
                                 std::int32_t x, std::int32_t y);

// One line for a record, in the script's words: "key 0x1E (A) down", "key 0x1D e0 (RCtrl) up",
// "mouse move 5 -3", "mouse wheel 120", "mouse left down".
std::string gf_DescribeDriverRecord(const CDriverRecord& record);
} // namespace NQuillon
