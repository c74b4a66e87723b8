// Hook events to records and records to injections.

#include "engine/HookInput.h"

#include <array>

namespace NQuillon
{
namespace
{
constexpr std::uint32_t gc_VirtualKeyShift = 0x10;
constexpr std::uint32_t gc_VirtualKeyControl = 0x11;
constexpr std::uint32_t gc_VirtualKeyMenu = 0x12;
constexpr std::uint32_t gc_VirtualKeyPause = 0x13;
constexpr std::uint32_t gc_VirtualKeyPacket = 0xE7;
constexpr std::int32_t gc_NumLockKey = 0x45;
constexpr std::uint16_t gc_XButton1 = 1;
constexpr std::uint16_t gc_XButton2 = 2;

// Key number (scan code, + 0x80 for E0 keys) to the virtual key of a US layout. The numpad
// keys give their Num Lock digits.
constexpr std::array<std::uint8_t, 256> fg_MakeVirtualKeyTable()
{
    std::array<std::uint8_t, 256> t{};
    const char* row1 = "1234567890";
    for (int i = 0; i < 10; ++i)
        t[0x02 + i] = static_cast<std::uint8_t>(row1[i]);
    const char* letters[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
    const int starts[] = {0x10, 0x1E, 0x2C};
    for (int row = 0; row < 3; ++row)
        for (int i = 0; letters[row][i]; ++i)
            t[starts[row] + i] = static_cast<std::uint8_t>(letters[row][i]);
    for (int i = 0; i < 10; ++i)
        t[0x3B + i] = static_cast<std::uint8_t>(0x70 + i); // F1-F10
    for (int i = 0; i < 11; ++i)
        t[0x64 + i] = static_cast<std::uint8_t>(0x7C + i); // F13-F23
    t[0x01] = 0x1B;                                        // Escape
    t[0x0C] = 0xBD;
    t[0x0D] = 0xBB;
    t[0x0E] = 0x08; // Backspace
    t[0x0F] = 0x09; // Tab
    t[0x1A] = 0xDB;
    t[0x1B] = 0xDD;
    t[0x1C] = 0x0D; // Return
    t[0x1D] = 0xA2; // left Ctrl
    t[0x27] = 0xBA;
    t[0x28] = 0xDE;
    t[0x29] = 0xC0;
    t[0x2A] = 0xA0; // left Shift
    t[0x2B] = 0xDC;
    t[0x33] = 0xBC;
    t[0x34] = 0xBE;
    t[0x35] = 0xBF;
    t[0x36] = 0xA1; // right Shift
    t[0x37] = 0x6A; // numpad *
    t[0x38] = 0xA4; // left Alt
    t[0x39] = 0x20; // Space
    t[0x3A] = 0x14; // Caps Lock
    t[0x45] = 0x90; // Num Lock
    t[0x46] = 0x91; // Scroll Lock
    const std::uint8_t numpad[] = {0x67, 0x68, 0x69, 0x6D, 0x64, 0x65, 0x66,
                                   0x6B, 0x61, 0x62, 0x63, 0x60, 0x6E};
    for (int i = 0; i < 13; ++i)
        t[0x47 + i] = numpad[i];
    t[0x54] = 0x2C; // SysRq: Print Screen with Alt
    t[0x56] = 0xE2;
    t[0x57] = 0x7A; // F11
    t[0x58] = 0x7B; // F12
    t[0x59] = 0x92;
    t[0x70] = 0x15;
    t[0x73] = 0xC1;
    t[0x76] = 0x87; // F24
    t[0x79] = 0x1C;
    t[0x7B] = 0x1D;
    t[0x7E] = 0xC2;
    t[0x80 + 0x10] = 0xB1; // previous track
    t[0x80 + 0x19] = 0xB0; // next track
    t[0x80 + 0x1C] = 0x0D; // numpad Enter
    t[0x80 + 0x1D] = 0xA3; // right Ctrl
    t[0x80 + 0x20] = 0xAD; // mute
    t[0x80 + 0x21] = 0xB7; // calculator
    t[0x80 + 0x22] = 0xB3; // play/pause
    t[0x80 + 0x24] = 0xB2; // stop
    t[0x80 + 0x2E] = 0xAE; // volume down
    t[0x80 + 0x30] = 0xAF; // volume up
    t[0x80 + 0x32] = 0xAC; // browser home
    t[0x80 + 0x35] = 0x6F; // numpad /
    t[0x80 + 0x37] = 0x2C; // Print Screen
    t[0x80 + 0x38] = 0xA5; // right Alt
    t[0x80 + 0x46] = 0x03; // Break
    t[0x80 + 0x47] = 0x24; // Home
    t[0x80 + 0x48] = 0x26; // Up
    t[0x80 + 0x49] = 0x21; // Page Up
    t[0x80 + 0x4B] = 0x25; // Left
    t[0x80 + 0x4D] = 0x27; // Right
    t[0x80 + 0x4F] = 0x23; // End
    t[0x80 + 0x50] = 0x28; // Down
    t[0x80 + 0x51] = 0x22; // Page Down
    t[0x80 + 0x52] = 0x2D; // Insert
    t[0x80 + 0x53] = 0x2E; // Delete
    t[0x80 + 0x5B] = 0x5B; // left Windows
    t[0x80 + 0x5C] = 0x5C; // right Windows
    t[0x80 + 0x5D] = 0x5D; // Menu
    t[0x80 + 0x5F] = 0x5F; // Sleep
    t[0x80 + 0x65] = 0xAA;
    t[0x80 + 0x66] = 0xAB;
    t[0x80 + 0x67] = 0xA8;
    t[0x80 + 0x68] = 0xA9;
    t[0x80 + 0x69] = 0xA7;
    t[0x80 + 0x6A] = 0xA6;
    t[0x80 + 0x6B] = 0xB6;
    t[0x80 + 0x6C] = 0xB4;
    t[0x80 + 0x6D] = 0xB5;
    return t;
}

constexpr std::array<std::uint8_t, 256> gc_VirtualKeys = fg_MakeVirtualKeyTable();

// Mouse button code (1-5) of a button message, its direction in down.
int fg_ButtonOfMessage(std::uint32_t message, std::uint32_t mouseData, bool& down) noexcept
{
    down = true;
    switch (message)
    {
        case gc_MessageLeftUp:
            down = false;
            [[fallthrough]];
        case gc_MessageLeftDown:
            return 1;
        case gc_MessageRightUp:
            down = false;
            [[fallthrough]];
        case gc_MessageRightDown:
            return 2;
        case gc_MessageMiddleUp:
            down = false;
            [[fallthrough]];
        case gc_MessageMiddleDown:
            return 3;
        case gc_MessageXUp:
            down = false;
            [[fallthrough]];
        case gc_MessageXDown:
        {
            const std::uint16_t which = static_cast<std::uint16_t>(mouseData >> 16);
            return which == gc_XButton1 ? 4 : which == gc_XButton2 ? 5 : 0;
        }
        default:
            return 0;
    }
}

CInjection fg_MouseButtonInjection(int button, bool down) noexcept
{
    static constexpr std::uint32_t downs[] = {0,
                                              gc_InjectMouseLeftDown,
                                              gc_InjectMouseRightDown,
                                              gc_InjectMouseMiddleDown,
                                              gc_InjectMouseXDown,
                                              gc_InjectMouseXDown};
    static constexpr std::uint32_t ups[] = {0,
                                            gc_InjectMouseLeftUp,
                                            gc_InjectMouseRightUp,
                                            gc_InjectMouseMiddleUp,
                                            gc_InjectMouseXUp,
                                            gc_InjectMouseXUp};
    CInjection injection;
    injection.m_bMouse = true;
    injection.m_Flags = down ? downs[button] : ups[button];
    if (button >= 4)
        injection.m_MouseData = button == 4 ? gc_XButton1 : gc_XButton2;
    return injection;
}
} // namespace

std::uint16_t gf_VirtualKeyOfKeyNumber(std::int32_t keyNumber) noexcept
{
    return keyNumber >= 0 && keyNumber < 256 ? gc_VirtualKeys[static_cast<std::size_t>(keyNumber)] : 0;
}

std::int32_t gf_KeyNumberOfVirtualKey(std::uint32_t virtualKey, bool extended) noexcept
{
    // The generic modifiers stand for their left key, or their right one when extended.
    if (virtualKey == gc_VirtualKeyShift)
        return 0x2A;
    if (virtualKey == gc_VirtualKeyControl)
        return extended ? 0x80 + 0x1D : 0x1D;
    if (virtualKey == gc_VirtualKeyMenu)
        return extended ? 0x80 + 0x38 : 0x38;
    if (virtualKey == 0 || virtualKey > 0xFF)
        return 0;
    std::int32_t other = 0;
    for (std::int32_t key = 1; key < 256; ++key)
        if (gc_VirtualKeys[static_cast<std::size_t>(key)] == virtualKey)
        {
            if ((key >= 0x80) == extended)
                return key;
            if (!other)
                other = key;
        }
    return other;
}

bool gf_HookKeyToRecord(const CHookKeyEvent& event, KEYBOARD_INPUT_DATA& record) noexcept
{
    if ((event.m_Flags & gc_HookKeyInjected) && event.m_ExtraInfo == gc_InjectionTag)
        return false;
    // Fake keys carry 0x200 in the scan code; packets carry a character.
    if (event.m_ScanCode > 0xFF || event.m_VirtualKey == gc_VirtualKeyPacket ||
        event.m_VirtualKey == gc_VirtualKeyPause)
        return false;
    const bool extended = (event.m_Flags & gc_HookKeyExtended) != 0;
    std::int32_t keyNumber;
    if (event.m_ScanCode == 0)
        keyNumber = gf_KeyNumberOfVirtualKey(event.m_VirtualKey, extended);
    else if (event.m_ScanCode == gc_NumLockKey)
        keyNumber = gc_NumLockKey;
    else
        keyNumber = static_cast<std::int32_t>(event.m_ScanCode) + (extended ? 0x80 : 0);
    if (keyNumber <= 0)
        return false;
    record = {};
    record.UnitId = 0;
    record.MakeCode = static_cast<std::uint16_t>(keyNumber & 0x7F);
    record.Flags = static_cast<std::uint16_t>((keyNumber >= 0x80 ? KEY_E0 : 0) |
                                              ((event.m_Flags & gc_HookKeyUp) ? KEY_BREAK : 0));
    return true;
}

bool gf_HookMouseToRecord(const CHookMouseEvent& event, MOUSE_INPUT_DATA& record) noexcept
{
    if ((event.m_Flags & gc_HookMouseInjected) && event.m_ExtraInfo == gc_InjectionTag)
        return false;
    record = {};
    if (event.m_Message == gc_MessageWheel)
    {
        record.ButtonFlags = MOUSE_WHEEL;
        record.ButtonData = static_cast<std::uint16_t>(event.m_MouseData >> 16);
        return true;
    }
    bool down = false;
    const int button = fg_ButtonOfMessage(event.m_Message, event.m_MouseData, down);
    if (!button)
        return false;
    record.ButtonFlags = down ? gf_MouseDownFlag(button) : gf_MouseUpFlag(button);
    return true;
}

std::size_t gf_RecordToInjections(const CDriverRecord& record, CInjection* injections) noexcept
{
    if (record.m_Kind == EDriverRecordKind_Keyboard)
    {
        const KEYBOARD_INPUT_DATA& key = record.m_Keyboard;
        const bool e0 = (key.Flags & KEY_E0) != 0;
        const std::int32_t keyNumber = (key.MakeCode & 0x7F) + (e0 ? 0x80 : 0);
        CInjection& injection = injections[0];
        injection = {};
        injection.m_VirtualKey = gf_VirtualKeyOfKeyNumber(keyNumber);
        injection.m_ScanCode = key.MakeCode;
        // Windows takes Num Lock as an extended 0x45; without the flag 0x45 is Pause.
        injection.m_Flags = gc_InjectKeyScanCode |
                            ((e0 || keyNumber == gc_NumLockKey) ? gc_InjectKeyExtended : 0) |
                            ((key.Flags & KEY_BREAK) ? gc_InjectKeyUp : 0);
        return 1;
    }
    if (record.m_Kind != EDriverRecordKind_Mouse)
        return 0;
    const MOUSE_INPUT_DATA& mouse = record.m_Mouse;
    std::size_t count = 0;
    if (mouse.LastX != 0 || mouse.LastY != 0)
    {
        CInjection& move = injections[count++];
        move = {};
        move.m_bMouse = true;
        move.m_Flags =
            gc_InjectMouseMove | ((mouse.Flags & MOUSE_MOVE_ABSOLUTE) ? gc_InjectMouseAbsolute : 0);
        move.m_Dx = mouse.LastX;
        move.m_Dy = mouse.LastY;
    }
    for (int button = 1; button <= 5; ++button)
        if (mouse.ButtonFlags & gf_MouseDownFlag(button))
            injections[count++] = fg_MouseButtonInjection(button, true);
    for (int button = 1; button <= 5; ++button)
        if (mouse.ButtonFlags & gf_MouseUpFlag(button))
            injections[count++] = fg_MouseButtonInjection(button, false);
    if (mouse.ButtonFlags & MOUSE_WHEEL)
    {
        CInjection& wheel = injections[count++];
        wheel = {};
        wheel.m_bMouse = true;
        wheel.m_Flags = gc_InjectMouseWheel;
        // A signed delta in the 32-bit field.
        wheel.m_MouseData = static_cast<std::uint32_t>(
            static_cast<std::int32_t>(static_cast<std::int16_t>(mouse.ButtonData)));
    }
    return count;
}
} // namespace NQuillon
