#include "config/Keys.h"
#include "core/BinaryStreamMemory.h"
#include "tests/support/ExceptionMatch.h"

#include <gtest/gtest.h>
#include <string>

using NQuillon::CMessageHookBase;
using NQuillon::EKeyDevice_Keyboard;
using NQuillon::EKeyDevice_Mouse;
using CKey = CMessageHookBase::CKey;
using CKeys = CMessageHookBase::CKeys;

namespace
{
std::string fg_Name(std::int32_t device, std::int32_t code)
{
    return CMessageHookBase::f_GetKeyName(device, code).f_GetStr();
}

std::string fg_Label(const CKeys& keys, bool withOrder)
{
    return CMessageHookBase::f_FormatKeys(keys, withOrder).f_GetStr();
}

CKey fg_Kb(std::int32_t code, std::uint32_t order = 0)
{
    return CKey{EKeyDevice_Keyboard, code, order};
}
} // namespace

TEST(KeyNames, TableEntriesAndFallbacks)
{
    EXPECT_EQ(fg_Name(EKeyDevice_Keyboard, 0), "All Keys");
    EXPECT_EQ(fg_Name(EKeyDevice_Keyboard, 0x36), "KB-54");
    EXPECT_EQ(fg_Name(EKeyDevice_Keyboard, 0xB6), "RShift");
    EXPECT_EQ(fg_Name(EKeyDevice_Keyboard, 0x52), "KP-0");
    EXPECT_EQ(fg_Name(EKeyDevice_Keyboard, 0xD2), "f_Insert");
    EXPECT_EQ(fg_Name(EKeyDevice_Keyboard, 0x1C), "Return");
    EXPECT_EQ(fg_Name(EKeyDevice_Keyboard, 0x9C), "Enter");
    EXPECT_EQ(fg_Name(EKeyDevice_Keyboard, 0x56), "Extended");
    EXPECT_EQ(fg_Name(EKeyDevice_Keyboard, 221), "Menu");
    EXPECT_EQ(fg_Name(EKeyDevice_Keyboard, 84), "KB-84");
    EXPECT_EQ(fg_Name(EKeyDevice_Keyboard, 256), "KB-256");
    EXPECT_EQ(fg_Name(EKeyDevice_Keyboard, -1), "KB--1");
    EXPECT_EQ(fg_Name(EKeyDevice_Mouse, 0), "All Keys");
    EXPECT_EQ(fg_Name(EKeyDevice_Mouse, 1), "Mouse-Left");
    EXPECT_EQ(fg_Name(EKeyDevice_Mouse, 20), "Mouse-20");
    EXPECT_EQ(fg_Name(EKeyDevice_Mouse, 22), "Mouse-WheelDown");
    EXPECT_EQ(fg_Name(EKeyDevice_Mouse, 23), "MOUSE-23");
    EXPECT_EQ(fg_Name(2, 1), "Unknown");
}

TEST(KeyNames, EveryNamedKeyParsesBackToItself)
{
    int named = 0;
    for (std::int32_t code = 0; code < 256; ++code)
    {
        std::string name = fg_Name(EKeyDevice_Keyboard, code);
        CKey key = CMessageHookBase::f_ParseKeyName(name.c_str());
        EXPECT_EQ(key, fg_Kb(code)) << name;
        named += NQuillon::gf_KeyboardKeyTableName(code) != nullptr;
    }
    EXPECT_EQ(named, 139);
    for (std::int32_t code = 1; code < 23; ++code)
    {
        std::string name = fg_Name(EKeyDevice_Mouse, code);
        EXPECT_EQ(CMessageHookBase::f_ParseKeyName(name.c_str()), (CKey{EKeyDevice_Mouse, code, 0})) << name;
    }
}

TEST(KeyNames, ParsingOddTexts)
{
    EXPECT_EQ(CMessageHookBase::f_ParseKeyName("All Keys"), fg_Kb(0));
    EXPECT_EQ(CMessageHookBase::f_ParseKeyName("xyz"), fg_Kb(0));
    EXPECT_EQ(CMessageHookBase::f_ParseKeyName("lctrl"), fg_Kb(0)); // case-sensitive
    EXPECT_EQ(CMessageHookBase::f_ParseKeyName("MOUSE-30"), (CKey{EKeyDevice_Mouse, 30, 0}));
    EXPECT_EQ(CMessageHookBase::f_ParseKeyName("KB-"), fg_Kb(0));
    EXPECT_EQ(CMessageHookBase::f_ParseKeyName("KB-99999999999"), fg_Kb(0x7FFFFFFF));
}

TEST(KeyLabels, FormatWithAndWithoutOrder)
{
    CKeys keys{fg_Kb(0x1D, 0), fg_Kb(0x2E, 1)};
    EXPECT_EQ(fg_Label(keys, false), "LCtrl + C");
    EXPECT_EQ(fg_Label(keys, true), "LCtrl(A) + C(1)");
    EXPECT_EQ(fg_Label(CKeys{}, true), "");
    EXPECT_EQ(fg_Label(CKeys{CKey{EKeyDevice_Mouse, 2, 12}}, true), "Mouse-Right(12)");
}

TEST(KeyLabels, ParseDropsOrders)
{
    CKeys expected{fg_Kb(0x1D), fg_Kb(0x2E)};
    EXPECT_EQ(CMessageHookBase::f_ParseKeys("LCtrl + C"), expected);
    EXPECT_EQ(CMessageHookBase::f_ParseKeys("LCtrl(A) + C(1)"), expected);
    EXPECT_EQ(CMessageHookBase::f_ParseKeys("Mouse-Left"), (CKeys{CKey{EKeyDevice_Mouse, 1, 0}}));
    // An empty label is an empty list, not "All Keys".
    EXPECT_TRUE(CMessageHookBase::f_ParseKeys("").f_IsEmpty());
    // "+" without its blanks is part of a name.
    EXPECT_EQ(CMessageHookBase::f_ParseKeys("KP-Add+C").f_GetCount(), 1u);
}

TEST(KeyOrder, Numbering)
{
    auto numbered = [](CKeys keys)
    {
        CMessageHookBase::f_NumberKeyOrder(keys);
        return keys;
    };
    const CKey a = fg_Kb(0x1E), b = fg_Kb(0x30), c = fg_Kb(0x2E);
    auto with = [](CKey key, std::uint32_t order)
    {
        key.m_Order = order;
        return key;
    };
    EXPECT_EQ(numbered(CKeys{a, b, c}), (CKeys{a, b, c}));
    EXPECT_EQ(numbered(CKeys{a, with(b, 5), with(c, 2)}), (CKeys{a, with(c, 1), with(b, 2)}));
    EXPECT_EQ(numbered(CKeys{a}), (CKeys{with(a, 1)}));
    EXPECT_EQ(numbered(CKeys{a, with(b, 1)}), (CKeys{with(a, 1), with(b, 2)}));
    EXPECT_EQ(numbered(CKeys{with(a, 7), with(b, 3)}), (CKeys{with(b, 1), with(a, 2)}));
    EXPECT_EQ(numbered(CKeys{}), CKeys{});
}

TEST(KeyOrder, Comparison)
{
    const CKey a = fg_Kb(0x1E), b = fg_Kb(0x30), c = fg_Kb(0x2E);
    EXPECT_LT(CKeys::fs_Compare(CKeys{a}, CKeys{a, b}), 0);
    EXPECT_LT(CKeys::fs_Compare(CKeys{a}, CKeys{b, c}), 0);
    EXPECT_GT(CKeys::fs_Compare(CKeys{b}, CKeys{a}), 0);
    EXPECT_EQ(CKeys::fs_Compare(CKeys{fg_Kb(0x1D, 1), fg_Kb(0x2E, 2)}, CKeys{fg_Kb(0x1D, 0), fg_Kb(0x2E, 0)}),
              0);
    // Device kinds compare unsigned: a foreign kind -1 sorts after the mouse.
    EXPECT_LT(CKeys::fs_Compare(CKeys{CKey{EKeyDevice_Mouse, 1, 0}}, CKeys{CKey{-1, 0, 0}}), 0);
    EXPECT_LT(CKeys::fs_Compare(CKeys{a}, CKeys{CKey{EKeyDevice_Mouse, 1, 0}}), 0);
}

TEST(KeyList, CheckedAccess)
{
    CKeys keys{fg_Kb(1)};
    EXPECT_EQ(keys[0].m_Code, 1);
    EXPECT_TEV_THROW(keys[1], "CExceptionListBoundCheck", "Tried to access element outside list");
}

TEST(KeyListBinary, CurrentLayout)
{
    CKeys keys{fg_Kb(0x1D, 1), CKey{EKeyDevice_Mouse, 3, 2}};
    NTev::NStream::CBinaryStreamMemory stream;
    keys.f_Write(stream);
    std::vector<unsigned char> expected = {2, 0, 0, 0, 0, 0, 0, 0, 0x1D, 0, 0, 0, 1, 0,
                                           0, 0, 1, 0, 0, 0, 3, 0, 0,    0, 2, 0, 0, 0};
    EXPECT_EQ(stream.f_GetBytes(), expected);
    EXPECT_EQ(stream.f_GetBytes().size(), 4u + 2 * 12);

    stream.f_SetPosition(0);
    CKeys read;
    read.f_Read(stream, 274, true);
    EXPECT_EQ(read, keys);
    EXPECT_TRUE(stream.f_IsEndOfFile());
}

TEST(KeyListBinary, OldLayoutCarriesADiscardedValue)
{
    // Version 258: device, code, a discarded value, order.
    std::vector<unsigned char> bytes = {2,    0,    0,    0,    0,    0,    0,    0,    0x1D, 0, 0, 0,
                                        0xEE, 0xEE, 0xEE, 0xEE, 1,    0,    0,    0,    0,    0, 0, 0,
                                        183,  0,    0,    0,    0xEE, 0xEE, 0xEE, 0xEE, 2,    0, 0, 0};
    EXPECT_EQ(bytes.size(), 4u + 2 * 16);
    NTev::NStream::CBinaryStreamMemory stream(bytes);
    CKeys read;
    read.f_Read(stream, 258, true);
    EXPECT_EQ(read, (CKeys{fg_Kb(0x1D, 1), fg_Kb(221, 2)}));
    EXPECT_TRUE(stream.f_IsEndOfFile());
}

TEST(KeyListBinary, MenuCodeUpgrade)
{
    CKeys old{fg_Kb(183), CKey{EKeyDevice_Mouse, 183, 0}};
    auto readAs = [&](std::uint32_t version, bool upgrade)
    {
        NTev::NStream::CBinaryStreamMemory stream;
        old.f_Write(stream);
        stream.f_SetPosition(0);
        CKeys read;
        read.f_Read(stream, version, upgrade);
        return read;
    };
    EXPECT_EQ(readAs(264, true), (CKeys{fg_Kb(221), CKey{EKeyDevice_Mouse, 221, 0}}));
    EXPECT_EQ(readAs(265, true), old);
    EXPECT_EQ(readAs(264, false), old);
}

TEST(KeyListBinary, TruncatedAndCorruptLists)
{
    CKeys keys{fg_Kb(1), fg_Kb(2)};
    NTev::NStream::CBinaryStreamMemory full;
    keys.f_Write(full);
    const auto& bytes = full.f_GetBytes();
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
    {
        NTev::NStream::CBinaryStreamMemory stream(
            std::vector<unsigned char>(bytes.begin(), bytes.begin() + cut));
        CKeys read{fg_Kb(9)};
        EXPECT_TEV_THROW(read.f_Read(stream, 274, false), "CExceptionFile",
                         "Read call would have read past end of file");
        EXPECT_EQ(read, (CKeys{fg_Kb(9)})) << "cut at " << cut;
    }
}
