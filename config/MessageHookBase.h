#pragma once
// The engine class CMessageHook gathers the system's configuration types as nested classes
// (CMessageHook::CKey, CMessageHook::CKeys, ...). They are declared here, in the
// configuration layer, so that they can be used without the engine; CMessageHook derives
// from this class.

#include "core/Str.h"

#include <cstdint>

namespace NQuillon
{
enum EKeyDevice : std::int32_t
{
    EKeyDevice_Keyboard = 0,
    EKeyDevice_Mouse = 1,
};

class CMessageHookBase
{
public:
    class CKey;
    class CKeys;

    // Key names and key-list labels (config/Keys.cpp).
    // The name of a key: the table name, "KB-<code>" / "MOUSE-<code>" for unnamed codes,
    // "Unknown" for a foreign device kind.
    static NTev::CStr f_GetKeyName(std::int32_t device, std::int32_t code);
    // Exact, case-sensitive; a text that names no key gives keyboard code 0, order 0.
    static CKey f_ParseKeyName(const char* text);
    // "LCtrl + C", or with order "LCtrl(A) + C(1)".
    static NTev::CStr f_FormatKeys(const CKeys& keys, bool withOrder);
    // The inverse of f_FormatKeys as far as names go; every parsed key has order 0.
    static CKeys f_ParseKeys(const char* text);
    // Sorts by order and renumbers the ordered keys 1, 2, 3, ...
    static void f_NumberKeyOrder(CKeys& keys);
};
} // namespace NQuillon
