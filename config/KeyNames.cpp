// The key name tables and the text forms of keys and key lists.

#include "config/Keys.h"

#include "core/Format.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace NQuillon
{
namespace
{
constexpr std::array<const char*, 256> fg_MakeKeyboardTable()
{
    std::array<const char*, 256> t{};
    t[0x00] = "All Keys";
    t[0x01] = "ESC";
    t[0x02] = "K1";
    t[0x03] = "K2";
    t[0x04] = "K3";
    t[0x05] = "K4";
    t[0x06] = "K5";
    t[0x07] = "K6";
    t[0x08] = "K7";
    t[0x09] = "K8";
    t[0x0A] = "K9";
    t[0x0B] = "K0";
    t[0x0C] = "Sub";
    t[0x0D] = "Equals";
    t[0x0E] = "Backspace";
    t[0x0F] = "Tab";
    t[0x10] = "Q";
    t[0x11] = "W";
    t[0x12] = "E";
    t[0x13] = "R";
    t[0x14] = "T";
    t[0x15] = "Y";
    t[0x16] = "U";
    t[0x17] = "I";
    t[0x18] = "O";
    t[0x19] = "P";
    t[0x1A] = "LBrack";
    t[0x1B] = "RBrack";
    t[0x1C] = "Return";
    t[0x1D] = "LCtrl";
    t[0x1E] = "A";
    t[0x1F] = "S";
    t[0x20] = "D";
    t[0x21] = "F";
    t[0x22] = "G";
    t[0x23] = "H";
    t[0x24] = "J";
    t[0x25] = "K";
    t[0x26] = "L";
    t[0x27] = "Semicolon";
    t[0x28] = "Apostrophe";
    t[0x29] = "Tilde";
    t[0x2A] = "LShift";
    t[0x2B] = "BackSlash";
    t[0x2C] = "Z";
    t[0x2D] = "X";
    t[0x2E] = "C";
    t[0x2F] = "V";
    t[0x30] = "B";
    t[0x31] = "N";
    t[0x32] = "M";
    t[0x33] = "Comma";
    t[0x34] = "Point";
    t[0x35] = "Slash";
    t[0x37] = "KP-Mul";
    t[0x38] = "LAlt";
    t[0x39] = "Space";
    t[0x3A] = "CapsLock";
    t[0x3B] = "F1";
    t[0x3C] = "F2";
    t[0x3D] = "F3";
    t[0x3E] = "F4";
    t[0x3F] = "F5";
    t[0x40] = "F6";
    t[0x41] = "F7";
    t[0x42] = "F8";
    t[0x43] = "F9";
    t[0x44] = "F10";
    t[0x45] = "NumLock";
    t[0x46] = "ScrLck";
    t[0x47] = "KP-7";
    t[0x48] = "KP-8";
    t[0x49] = "KP-9";
    t[0x4A] = "KP-Sub";
    t[0x4B] = "KP-4";
    t[0x4C] = "KP-5";
    t[0x4D] = "KP-6";
    t[0x4E] = "KP-Add";
    t[0x4F] = "KP-1";
    t[0x50] = "KP-2";
    t[0x51] = "KP-3";
    t[0x52] = "KP-0";
    t[0x53] = "KP-Point";
    t[0x56] = "Extended";
    t[0x57] = "F11";
    t[0x58] = "F12";
    t[0x59] = "KP-Equals";
    t[0x64] = "F13";
    t[0x65] = "F14";
    t[0x66] = "F15";
    t[0x67] = "F16";
    t[0x70] = "KatakanaSw";
    t[0x73] = "Ro";
    t[0x76] = "ZenkakuSw";
    t[0x77] = "Hiragana";
    t[0x78] = "Katakana";
    t[0x79] = "Henkan";
    t[0x7B] = "Muhenkan";
    t[0x7D] = "Yen";
    // Keys that arrive with the E0 prefix: 0x80 + scan code.
    t[0x80 + 0x10] = "I-Prev";
    t[0x80 + 0x19] = "I-Next";
    t[0x80 + 0x1C] = "Enter";
    t[0x80 + 0x1D] = "RCtrl";
    t[0x80 + 0x20] = "I-Mute";
    t[0x80 + 0x21] = "I-Cal";
    t[0x80 + 0x22] = "I-Play";
    t[0x80 + 0x24] = "I-Stop";
    t[0x80 + 0x2E] = "I-VolSub";
    t[0x80 + 0x30] = "I-VolAdd";
    t[0x80 + 0x32] = "I-Web";
    t[0x80 + 0x35] = "KP-Slash";
    t[0x80 + 0x36] = "RShift";
    t[0x80 + 0x37] = "PrtScn";
    t[0x80 + 0x38] = "RAlt";
    t[0x80 + 0x46] = "Break";
    t[0x80 + 0x47] = "Home";
    t[0x80 + 0x48] = "Up";
    t[0x80 + 0x49] = "PgUp";
    t[0x80 + 0x4B] = "Left";
    t[0x80 + 0x4D] = "Right";
    t[0x80 + 0x4F] = "End";
    t[0x80 + 0x50] = "Down";
    t[0x80 + 0x51] = "PgDn";
    t[0x80 + 0x52] = "f_Insert";
    t[0x80 + 0x53] = "Delete";
    t[0x80 + 0x5B] = "LWin";
    t[0x80 + 0x5C] = "RWin";
    t[0x80 + 0x5D] = "Menu";
    t[0x80 + 0x65] = "I-Search";
    t[0x80 + 0x66] = "I-Fav";
    t[0x80 + 0x67] = "I-Refresh";
    t[0x80 + 0x68] = "I-WebStop";
    t[0x80 + 0x69] = "I-Forward";
    t[0x80 + 0x6A] = "I-Back";
    t[0x80 + 0x6B] = "I-MyComp";
    t[0x80 + 0x6C] = "I-Mail";
    t[0x80 + 0x6D] = "I-Media";
    t[0x80 + 0x71] = "HangeulSw";
    t[0x80 + 0x72] = "Hanja";
    return t;
}

constexpr std::array<const char*, 256> mc_KeyboardNames = fg_MakeKeyboardTable();

constexpr std::array<const char*, 23> mc_MouseNames = {
    "All Keys", "Mouse-Left", "Mouse-Right", "Mouse-Middle",  "Mouse-4",        "Mouse-5",
    "Mouse-6",  "Mouse-7",    "Mouse-8",     "Mouse-9",       "Mouse-10",       "Mouse-11",
    "Mouse-12", "Mouse-13",   "Mouse-14",    "Mouse-15",      "Mouse-16",       "Mouse-17",
    "Mouse-18", "Mouse-19",   "Mouse-20",    "Mouse-WheelUp", "Mouse-WheelDown"};

std::int32_t fg_ReadDecimal(const char* text)
{
    std::int64_t value = 0;
    while (*text >= '0' && *text <= '9' && value <= 0x7FFFFFFF)
        value = value * 10 + (*text++ - '0');
    return value > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<std::int32_t>(value);
}
} // namespace

const char* gf_KeyboardKeyTableName(std::int32_t code) noexcept
{
    return code >= 0 && code < 256 ? mc_KeyboardNames[static_cast<std::size_t>(code)] : nullptr;
}

const char* gf_MouseKeyTableName(std::int32_t code) noexcept
{
    return code >= 0 && code < 23 ? mc_MouseNames[static_cast<std::size_t>(code)] : nullptr;
}

namespace
{
// Digits only, at least one, value within 32 bits signed.
bool fg_ReadDecimalExactly(const char* text, std::int32_t& value)
{
    if (!*text)
        return false;
    std::int64_t number = 0;
    for (; *text; ++text)
    {
        if (*text < '0' || *text > '9')
            return false;
        number = number * 10 + (*text - '0');
        if (number > 0x7FFFFFFF)
            return false;
    }
    value = static_cast<std::int32_t>(number);
    return true;
}
} // namespace

bool gf_ParseKeyNameExactly(const char* text, CMessageHookBase::CKey& key) noexcept
{
    key = CMessageHookBase::CKey{};
    for (std::int32_t code = 0; code < 256; ++code)
        if (const char* entry = mc_KeyboardNames[static_cast<std::size_t>(code)];
            entry && !std::strcmp(entry, text))
        {
            key.m_Code = code;
            return true;
        }
    for (std::int32_t code = 0; code < 23; ++code)
        if (!std::strcmp(mc_MouseNames[static_cast<std::size_t>(code)], text))
        {
            key.m_Device = EKeyDevice_Mouse;
            key.m_Code = code;
            return true;
        }
    if (!std::strncmp(text, "KB-", 3))
        return fg_ReadDecimalExactly(text + 3, key.m_Code);
    if (!std::strncmp(text, "MOUSE-", 6))
    {
        key.m_Device = EKeyDevice_Mouse;
        return fg_ReadDecimalExactly(text + 6, key.m_Code);
    }
    return false;
}

NTev::CStr CMessageHookBase::f_GetKeyName(std::int32_t device, std::int32_t code)
{
    NTev::CStr name;
    if (device == EKeyDevice_Keyboard)
    {
        if (const char* entry = gf_KeyboardKeyTableName(code))
            return NTev::CStr(entry);
        NTev::gf_Format(name, "KB-{}", code);
    }
    else if (device == EKeyDevice_Mouse)
    {
        if (const char* entry = gf_MouseKeyTableName(code))
            return NTev::CStr(entry);
        NTev::gf_Format(name, "MOUSE-{}", code);
    }
    else
        name = "Unknown";
    return name;
}

CMessageHookBase::CKey CMessageHookBase::f_ParseKeyName(const char* text)
{
    for (std::int32_t code = 0; code < 256; ++code)
        if (const char* entry = mc_KeyboardNames[static_cast<std::size_t>(code)];
            entry && !std::strcmp(entry, text))
            return CKey{EKeyDevice_Keyboard, code, 0};
    for (std::int32_t code = 0; code < 23; ++code)
        if (!std::strcmp(mc_MouseNames[static_cast<std::size_t>(code)], text))
            return CKey{EKeyDevice_Mouse, code, 0};
    if (!std::strncmp(text, "KB-", 3))
        return CKey{EKeyDevice_Keyboard, fg_ReadDecimal(text + 3), 0};
    if (!std::strncmp(text, "MOUSE-", 6))
        return CKey{EKeyDevice_Mouse, fg_ReadDecimal(text + 6), 0};
    return CKey{EKeyDevice_Keyboard, 0, 0};
}

NTev::CStr CMessageHookBase::f_FormatKeys(const CKeys& keys, bool withOrder)
{
    NTev::CStr label;
    for (const CKey& key : keys)
    {
        if (!label.f_IsEmpty())
            label += " + ";
        label += f_GetKeyName(key.m_Device, key.m_Code);
        if (withOrder)
        {
            NTev::CFStr256 order;
            if (key.m_Order)
                NTev::gf_Format(order, "({})", key.m_Order);
            else
                order = "(A)";
            label += order.f_GetStr();
        }
    }
    return label;
}

CMessageHookBase::CKeys CMessageHookBase::f_ParseKeys(const char* text)
{
    CKeys keys;
    const char* p = text;
    // The label of an empty list is empty; it must not come back as "All Keys".
    if (!*p)
        return keys;
    for (;;)
    {
        const char* separator = std::strstr(p, " + ");
        const char* end = separator ? separator : p + std::strlen(p);
        // Cut at the first "(": drops an order suffix such as "(A)" or "(2)".
        const char* paren = static_cast<const char*>(std::memchr(p, '(', static_cast<std::size_t>(end - p)));
        if (paren)
            end = paren;
        NTev::CStr piece(p, static_cast<std::size_t>(end - p));
        keys.f_Add(f_ParseKeyName(piece.f_GetStr()));
        if (!separator)
            break;
        p = separator + 3;
    }
    return keys;
}

void CMessageHookBase::f_NumberKeyOrder(CKeys& keys)
{
    std::sort(keys.begin(), keys.end(), [](const CKey& a, const CKey& b) { return a.m_Order < b.m_Order; });
    std::uint32_t next = 1;
    bool numbering = false;
    for (CKey& key : keys)
    {
        numbering = numbering || key.m_Order != 0;
        if (numbering)
            key.m_Order = next++;
    }
    if (keys.f_GetCount() == 1)
        keys[0].m_Order = 1;
    else if (keys.f_GetCount() == 2 && keys[1].m_Order == 1)
    {
        keys[0].m_Order = 1;
        keys[1].m_Order = 2;
    }
}
} // namespace NQuillon
