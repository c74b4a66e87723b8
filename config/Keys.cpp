// Key lists: checked access, the ordering of trigger keys, the binary form.

#include "config/Keys.h"

#include "core/Exception.h"

#include <type_traits>

namespace NQuillon
{
CMessageHookBase::CKey& CMessageHookBase::CKeys::operator[](std::size_t index)
{
    NTev::NList::CVectorBoundsCheck::fs_CheckBounds(index, m_Keys.size());
    return m_Keys[index];
}

const CMessageHookBase::CKey& CMessageHookBase::CKeys::operator[](std::size_t index) const
{
    NTev::NList::CVectorBoundsCheck::fs_CheckBounds(index, m_Keys.size());
    return m_Keys[index];
}

int CMessageHookBase::CKeys::fs_Compare(const CKeys& left, const CKeys& right) noexcept
{
    return fs_Compare(left.m_Keys.data(), left.m_Keys.size(), right.m_Keys.data(), right.m_Keys.size());
}

int CMessageHookBase::CKeys::fs_Compare(const CKey* left, std::size_t leftCount, const CKey* right,
                                        std::size_t rightCount) noexcept
{
    if (leftCount != rightCount)
        return leftCount < rightCount ? -1 : 1;
    for (std::size_t i = 0; i < leftCount; ++i)
    {
        auto leftDevice = static_cast<std::uint32_t>(left[i].m_Device);
        auto rightDevice = static_cast<std::uint32_t>(right[i].m_Device);
        if (leftDevice != rightDevice)
            return leftDevice < rightDevice ? -1 : 1;
        auto leftCode = static_cast<std::uint32_t>(left[i].m_Code);
        auto rightCode = static_cast<std::uint32_t>(right[i].m_Code);
        if (leftCode != rightCode)
            return leftCode < rightCode ? -1 : 1;
    }
    return 0;
}

// A key is three 32-bit fields in the settings file, in every build.
static_assert(std::is_same_v<decltype(CMessageHookBase::CKey::m_Device), std::int32_t> &&
              std::is_same_v<decltype(CMessageHookBase::CKey::m_Code), std::int32_t> &&
              std::is_same_v<decltype(CMessageHookBase::CKey::m_Order), std::uint32_t>);

void CMessageHookBase::CKeys::f_Write(NTev::NStream::CBinaryStream& stream) const
{
    stream.f_WriteInt<std::uint32_t>(f_GetCount());
    for (const CKey& key : m_Keys)
    {
        stream.f_WriteInt<std::int32_t>(key.m_Device);
        stream.f_WriteInt<std::int32_t>(key.m_Code);
        stream.f_WriteInt<std::uint32_t>(key.m_Order);
    }
}

void CMessageHookBase::CKeys::f_Read(NTev::NStream::CBinaryStream& stream, std::uint32_t version,
                                     bool upgradeMenuCode)
{
    const bool withExtra = version < mc_VersionKeyOrderOnly;
    const std::uint32_t count = stream.f_ReadCount(withExtra ? 16 : 12);
    std::vector<CKey> keys;
    keys.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i)
    {
        CKey key;
        key.m_Device = stream.f_ReadInt<std::int32_t>();
        key.m_Code = stream.f_ReadInt<std::int32_t>();
        if (withExtra)
            stream.f_ReadInt<std::uint32_t>();
        key.m_Order = stream.f_ReadInt<std::uint32_t>();
        if (upgradeMenuCode && version <= mc_VersionOldMenuCode && key.m_Code == 183)
            key.m_Code = 221;
        keys.push_back(key);
    }
    m_Keys = static_cast<std::vector<CKey>&&>(keys);
}
} // namespace NQuillon
