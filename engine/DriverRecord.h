#pragma once
// The records the filter driver exchanges with the engine: 28 bytes each, a kind followed by
// the keyboard or mouse class's own input record. Declared here without system headers; the
// layouts are those of the Windows keyboard and mouse classes.

#include <cstddef>
#include <cstdint>

namespace NQuillon
{
enum EDriverRecordKind : std::uint32_t
{
    EDriverRecordKind_Keyboard = 0,
    EDriverRecordKind_Mouse = 1,
};

// Keyboard flags.
inline constexpr std::uint16_t KEY_BREAK = 0x01;
inline constexpr std::uint16_t KEY_E0 = 0x02;
inline constexpr std::uint16_t KEY_E1 = 0x04;

// Mouse flags and button flags.
inline constexpr std::uint16_t MOUSE_MOVE_ABSOLUTE = 0x01;
inline constexpr std::uint16_t MOUSE_WHEEL = 0x0400;
inline constexpr std::uint16_t MOUSE_BUTTON_DOWNS = 0x0155;
inline constexpr std::uint16_t MOUSE_BUTTON_UPS = 0x02AA;

struct KEYBOARD_INPUT_DATA
{
    std::uint16_t UnitId;
    std::uint16_t MakeCode;
    std::uint16_t Flags;
    std::uint16_t Reserved;
    std::uint32_t ExtraInformation;
};
static_assert(sizeof(KEYBOARD_INPUT_DATA) == 12);
static_assert(offsetof(KEYBOARD_INPUT_DATA, MakeCode) == 2 && offsetof(KEYBOARD_INPUT_DATA, Flags) == 4 &&
              offsetof(KEYBOARD_INPUT_DATA, Reserved) == 6 &&
              offsetof(KEYBOARD_INPUT_DATA, ExtraInformation) == 8);

struct MOUSE_INPUT_DATA
{
    std::uint16_t UnitId;
    std::uint16_t Flags;
    std::uint16_t ButtonFlags;
    std::uint16_t ButtonData;
    std::uint32_t RawButtons;
    std::int32_t LastX;
    std::int32_t LastY;
    std::uint32_t ExtraInformation;
};
static_assert(sizeof(MOUSE_INPUT_DATA) == 24);
static_assert(offsetof(MOUSE_INPUT_DATA, Flags) == 2 && offsetof(MOUSE_INPUT_DATA, ButtonFlags) == 4 &&
              offsetof(MOUSE_INPUT_DATA, ButtonData) == 6 && offsetof(MOUSE_INPUT_DATA, RawButtons) == 8 &&
              offsetof(MOUSE_INPUT_DATA, LastX) == 12 && offsetof(MOUSE_INPUT_DATA, LastY) == 16 &&
              offsetof(MOUSE_INPUT_DATA, ExtraInformation) == 20);

struct CDriverRecord
{
    std::uint32_t m_Kind;
    union
    {
        KEYBOARD_INPUT_DATA m_Keyboard;
        MOUSE_INPUT_DATA m_Mouse;
    };
};
// The same 28 bytes and offsets in 32-bit and 64-bit builds: the driver reads them as they are.
static_assert(sizeof(CDriverRecord) == 28);
static_assert(offsetof(CDriverRecord, m_Keyboard) == 4 && offsetof(CDriverRecord, m_Mouse) == 4);
static_assert(alignof(CDriverRecord) == 4);

// Button flag of mouse code 1..5 going down or up.
constexpr std::uint16_t gf_MouseDownFlag(int code)
{
    return static_cast<std::uint16_t>(1u << (2 * code - 2));
}
constexpr std::uint16_t gf_MouseUpFlag(int code)
{
    return static_cast<std::uint16_t>(1u << (2 * code - 1));
}
} // namespace NQuillon
