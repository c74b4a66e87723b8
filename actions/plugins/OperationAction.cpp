#include "actions/plugins/OperationAction.h"

#include <cstring>

namespace NQuillon
{
void CAccelerator_Operation::f_SetOptions(const std::vector<CActionOptionGroup>& options)
{
    // A group with nothing chosen (-1) leaves the stored code as it is.
    if (!options.empty() && options.front().m_Selected >= 0)
        m_Operation = options.front().m_Selected;
}

void CAccelerator_Operation::f_Read(NTev::NStream::CBinaryStream& stream, std::uint32_t version)
{
    m_Operation = stream.f_ReadInt<std::int32_t>();
    f_ReadCommon(stream, version);
}

void CAccelerator_Operation::f_Write(NTev::NStream::CBinaryStream& stream) const
{
    stream.f_WriteInt<std::int32_t>(m_Operation);
    f_WriteCommon(stream);
}

bool CAccelerator_Operation::f_SetField(const char* name, std::int32_t value)
{
    if (std::strcmp(name, "operation") != 0)
        return false;
    m_Operation = value;
    return true;
}

void CAccelerator_Operation::fp_GetOptions(std::vector<CActionOptionGroup>& options,
                                           const char* const* entries, std::size_t count) const
{
    CActionOptionGroup group;
    group.m_Caption = "Action";
    for (std::size_t i = 0; i < count; ++i)
        group.m_Entries.emplace_back(entries[i]);
    group.m_Selected = m_Operation >= 0 && static_cast<std::size_t>(m_Operation) < count ? m_Operation : -1;
    options.push_back(std::move(group));
}

NTev::CStr CAccelerator_Operation::fp_Label(const char* const* labels, std::size_t count) const
{
    if (m_Operation >= 0 && static_cast<std::size_t>(m_Operation) < count)
        return labels[m_Operation];
    return "Error";
}
} // namespace NQuillon
