#pragma once
// Input without the filter driver: what the low-level keyboard and mouse hooks report, turned
// into the engine's records, and the engine's records turned into injected input. Described
// without system headers; the numbers are Windows' own (the Windows side checks them against
// its headers).
//
// Rules of the hook path:
// - Our own injections carry gc_InjectionTag in their extra information and pass untouched.
//   Other programs' injected input (an on-screen keyboard) is evaluated like the keyboard's.
// - Windows' fake keys pass untouched: the left Ctrl that AltGr adds (scan 0x21D) and the Shift
//   pair around numpad keys with Num Lock on (0x22A, 0x236); so do Unicode packets.
// - Num Lock reaches the hook as an extended 0x45 and is key 0x45, as the keyboard sends it;
//   Pause (0x45 without the extended flag) has no key number and passes.
// - A key event with scan code 0 is mapped from its virtual key.
// - Movement and the horizontal wheel pass untouched; buttons and the wheel are evaluated.

#include "engine/DriverRecord.h"

#include <cstddef>
#include <cstdint>

namespace NQuillon
{
// KBDLLHOOKSTRUCT's fields that matter.
struct CHookKeyEvent
{
    std::uint32_t m_VirtualKey = 0;
    std::uint32_t m_ScanCode = 0;
    std::uint32_t m_Flags = 0;
    std::uintptr_t m_ExtraInfo = 0;
};

// The mouse message and MSLLHOOKSTRUCT's fields that matter.
struct CHookMouseEvent
{
    std::uint32_t m_Message = 0;
    std::uint32_t m_MouseData = 0;
    std::uint32_t m_Flags = 0;
    std::uintptr_t m_ExtraInfo = 0;
};

inline constexpr std::uint32_t gc_HookKeyExtended = 0x01;   // LLKHF_EXTENDED
inline constexpr std::uint32_t gc_HookKeyInjected = 0x10;   // LLKHF_INJECTED
inline constexpr std::uint32_t gc_HookKeyUp = 0x80;         // LLKHF_UP
inline constexpr std::uint32_t gc_HookMouseInjected = 0x01; // LLMHF_INJECTED

inline constexpr std::uint32_t gc_MessageMouseMove = 0x0200;
inline constexpr std::uint32_t gc_MessageLeftDown = 0x0201;
inline constexpr std::uint32_t gc_MessageLeftUp = 0x0202;
inline constexpr std::uint32_t gc_MessageRightDown = 0x0204;
inline constexpr std::uint32_t gc_MessageRightUp = 0x0205;
inline constexpr std::uint32_t gc_MessageMiddleDown = 0x0207;
inline constexpr std::uint32_t gc_MessageMiddleUp = 0x0208;
inline constexpr std::uint32_t gc_MessageWheel = 0x020A;
inline constexpr std::uint32_t gc_MessageXDown = 0x020B;
inline constexpr std::uint32_t gc_MessageXUp = 0x020C;
inline constexpr std::uint32_t gc_MessageHorizontalWheel = 0x020E;

// What our injections carry in dwExtraInfo ("QuIl").
inline constexpr std::uintptr_t gc_InjectionTag = 0x5175496C;

// One INPUT for SendInput.
struct CInjection
{
    bool m_bMouse = false;
    std::uint16_t m_VirtualKey = 0;
    std::uint16_t m_ScanCode = 0;
    std::uint32_t m_Flags = 0; // KEYEVENTF_* or MOUSEEVENTF_*
    std::uint32_t m_MouseData = 0;
    std::int32_t m_Dx = 0;
    std::int32_t m_Dy = 0;

    bool operator==(const CInjection&) const = default;
};

inline constexpr std::uint32_t gc_InjectKeyExtended = 0x0001; // KEYEVENTF_EXTENDEDKEY
inline constexpr std::uint32_t gc_InjectKeyUp = 0x0002;       // KEYEVENTF_KEYUP
inline constexpr std::uint32_t gc_InjectKeyScanCode = 0x0008; // KEYEVENTF_SCANCODE
inline constexpr std::uint32_t gc_InjectMouseMove = 0x0001;
inline constexpr std::uint32_t gc_InjectMouseLeftDown = 0x0002;
inline constexpr std::uint32_t gc_InjectMouseLeftUp = 0x0004;
inline constexpr std::uint32_t gc_InjectMouseRightDown = 0x0008;
inline constexpr std::uint32_t gc_InjectMouseRightUp = 0x0010;
inline constexpr std::uint32_t gc_InjectMouseMiddleDown = 0x0020;
inline constexpr std::uint32_t gc_InjectMouseMiddleUp = 0x0040;
inline constexpr std::uint32_t gc_InjectMouseXDown = 0x0080;
inline constexpr std::uint32_t gc_InjectMouseXUp = 0x0100;
inline constexpr std::uint32_t gc_InjectMouseWheel = 0x0800;
inline constexpr std::uint32_t gc_InjectMouseAbsolute = 0x8000;

// The most injections one record becomes: five buttons down and up, the wheel, a movement.
inline constexpr std::size_t gc_MaxInjectionsPerRecord = 12;

// The keyboard record of a hook event; false when the event passes untouched.
bool gf_HookKeyToRecord(const CHookKeyEvent& event, KEYBOARD_INPUT_DATA& record) noexcept;
// The mouse record of a hook event; false when the event passes untouched.
bool gf_HookMouseToRecord(const CHookMouseEvent& event, MOUSE_INPUT_DATA& record) noexcept;

// The injections of one record written by the engine, in order; returns how many (at most
// gc_MaxInjectionsPerRecord).
std::size_t gf_RecordToInjections(const CDriverRecord& record, CInjection* injections) noexcept;

// The virtual key of a key number on a US layout (0 when it has none). Windows ignores it on
// a scan-code injection; Wine needs it for the window's characters.
std::uint16_t gf_VirtualKeyOfKeyNumber(std::int32_t keyNumber) noexcept;
// The key number of a virtual key, the extended one preferred when extended is set; 0 when none.
std::int32_t gf_KeyNumberOfVirtualKey(std::uint32_t virtualKey, bool extended) noexcept;
} // namespace NQuillon
