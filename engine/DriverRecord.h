#pragma once
// The records the filter driver exchanges with the engine: 28 bytes each, a kind followed by
// the keyboard or mouse class's own input record. Declared here without system headers; the
// layouts are those of the Windows keyboard and mouse classes.

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

struct CDriverRecord
{
    std::uint32_t m_Kind;
    union
    {
        KEYBOARD_INPUT_DATA m_Keyboard;
        MOUSE_INPUT_DATA m_Mouse;
    };
};
static_assert(sizeof(CDriverRecord) == 28);

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
