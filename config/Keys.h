#pragma once
// Keys and ordered key lists, their display names, labels, press-order numbering and binary
// form.

#include "config/MessageHookBase.h"
#include "core/BinaryStream.h"
#include "core/Str.h"

#include <cstdint>
#include <vector>

namespace NQuillon
{
// One key: device kind, code (keyboard: scan code + 0x80 for E0 keys; mouse: 0-22), and the
// press order (0 = any time, 1, 2, ... = position among the ordered keys).
class CMessageHookBase::CKey
{
public:
    std::int32_t m_Device = EKeyDevice_Keyboard;
    std::int32_t m_Code = 0;
    std::uint32_t m_Order = 0;

    bool operator==(const CKey&) const = default;
};

// An ordered list of keys; a value type. Duplicates are kept.
class CMessageHookBase::CKeys
{
public:
    // Key lists in files before this version carry a fourth, discarded value per key.
    static constexpr std::uint32_t mc_VersionKeyOrderOnly = 259;
    // In files of this version and older, code 183 stands for the key now numbered 221.
    static constexpr std::uint32_t mc_VersionOldMenuCode = 264;

    CKeys() = default;
    CKeys(std::initializer_list<CKey> keys) : m_Keys(keys) {}

    std::uint32_t f_GetCount() const noexcept { return static_cast<std::uint32_t>(m_Keys.size()); }
    bool f_IsEmpty() const noexcept { return m_Keys.empty(); }
    // Checked access: an index outside the list throws CExceptionListBoundCheck.
    CKey& operator[](std::size_t index);
    const CKey& operator[](std::size_t index) const;
    void f_Add(const CKey& key) { m_Keys.push_back(key); }
    void f_Clear() noexcept { m_Keys.clear(); }
    auto begin() noexcept { return m_Keys.begin(); }
    auto end() noexcept { return m_Keys.end(); }
    auto begin() const noexcept { return m_Keys.begin(); }
    auto end() const noexcept { return m_Keys.end(); }

    // Exact equality, orders included.
    bool operator==(const CKeys&) const = default;
    // The total order that sorts the actions of a group: fewer keys first, then device kind
    // and code key by key (unsigned); the press orders take no part.
    static int fs_Compare(const CKeys& left, const CKeys& right) noexcept;
    static int fs_Compare(const CKey* left, std::size_t leftCount, const CKey* right,
                          std::size_t rightCount) noexcept;
    const CKey* f_GetData() const noexcept { return m_Keys.data(); }
    void f_Reserve(std::size_t count) { m_Keys.reserve(count); }
    void f_RemoveAt(std::size_t index) { m_Keys.erase(m_Keys.begin() + static_cast<std::ptrdiff_t>(index)); }

    void f_Write(NTev::NStream::CBinaryStream& stream) const;
    // Reads the list in the layout of the given file version; with upgradeMenuCode, keys of
    // old files with code 183 become 221.
    void f_Read(NTev::NStream::CBinaryStream& stream, std::uint32_t version, bool upgradeMenuCode);

private:
    std::vector<CKey> m_Keys;
};

// An action named by its trigger keys and, as a file may bind several actions to the same
// keys, by which of them it is (0 the first, in stored order). Trigger keys alone name the
// first.
struct CMessageHookBase::CActionRef
{
    // NOLINTNEXTLINE(google-explicit-constructor): trigger keys alone name the first action.
    CActionRef(const CKeys& triggerKeys, std::uint32_t index = 0) : m_TriggerKeys(triggerKeys), m_Index(index)
    {
    }

    CKeys m_TriggerKeys;
    std::uint32_t m_Index = 0;
};

// A key name taken strictly, for tools that must refuse what they do not understand: a name
// of the tables, or "KB-" / "MOUSE-" followed by nothing but decimal digits (value up to
// 2^31 - 1; leading zeros allowed). The key gets order 0.
bool gf_ParseKeyNameExactly(const char* text, CMessageHookBase::CKey& key) noexcept;

// The name tables: the entry for a code, or null when the code has no name.
const char* gf_KeyboardKeyTableName(std::int32_t code) noexcept;
const char* gf_MouseKeyTableName(std::int32_t code) noexcept;
} // namespace NQuillon
