#pragma once
// What the plug-in actions with one option value share: a 32-bit operation code chosen from
// one option group "Action", stored before the common part.

#include "actions/Accelerator.h"
#include "actions/ActionFields.h"

#include <cstddef>

namespace NQuillon
{
class CAccelerator_Operation : public CMessageHookBase::CAccelerator, public ICActionFields
{
public:
    CAccelerator_Operation() noexcept : CAccelerator(EActionKind_ByClassName) {}

    void f_SetOptions(const std::vector<CActionOptionGroup>& options) override;
    void f_OnRelease() override {}
    void f_Read(NTev::NStream::CBinaryStream& stream, std::uint32_t version) override;
    void f_Write(NTev::NStream::CBinaryStream& stream) const override;

    std::vector<CField> f_GetFields() const override { return {{"operation", m_Operation}}; }
    bool f_SetField(const char* name, std::int32_t value) override;

    std::int32_t m_Operation = 0;

protected:
    // One group "Action" with the entries; a stored code no entry has selects none (-1).
    void fp_GetOptions(std::vector<CActionOptionGroup>& options, const char* const* entries,
                       std::size_t count) const;
    // The text of the operation code in the table, or "Error" outside it.
    NTev::CStr fp_Label(const char* const* labels, std::size_t count) const;
};
} // namespace NQuillon
