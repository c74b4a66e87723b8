#include "actions/EngineActions.h"

#include "core/Format.h"

namespace NQuillon
{
// ---- Input ----------------------------------------------------------------------------------

NTev::CStr CMessageHookBase::CAccelerator_Input::f_GetDescription() const
{
    NTev::CStr sequences;
    for (const CKeys& sequence : m_Sequences)
    {
        if (!sequences.f_IsEmpty())
            sequences += " ; ";
        sequences += f_FormatKeys(sequence, false);
    }
    NTev::CStr description;
    if (m_ReleaseKeys.f_IsEmpty())
        NTev::gf_Format(description, "Mouse/Keyboard Generate ( {} )", sequences);
    else
        NTev::gf_Format(description, "Mouse/Keyboard Generate ( {} ) Release ( {} )", sequences,
                        f_FormatKeys(m_ReleaseKeys, false));
    return description;
}

void CMessageHookBase::CAccelerator_Input::fp_PressReleaseKeys()
{
    for (const CKey& key : m_ReleaseKeys)
        m_pOwner->f_GeneratePress(key);
}

void CMessageHookBase::CAccelerator_Input::f_OnPress()
{
    if (m_Sequences.empty() || !m_pOwner)
        return;
    // The keys the user holds for the binding are let go while the input is generated.
    for (const CKey& key : m_ReleaseKeys)
        m_pOwner->f_GenerateRelease(key);
    if (m_Sequences.size() > 1)
    {
        // Several sequences are typed out at once.
        for (const CKeys& sequence : m_Sequences)
        {
            for (const CKey& key : sequence)
                m_pOwner->f_GeneratePress(key);
            for (auto key = sequence.end(); key != sequence.begin();)
                m_pOwner->f_GenerateRelease(*--key);
        }
        fp_PressReleaseKeys();
        return;
    }
    // One sequence stays held as long as the binding.
    for (const CKey& key : m_Sequences.front())
        m_pOwner->f_GeneratePress(key);
}

void CMessageHookBase::CAccelerator_Input::f_OnRelease()
{
    if (m_Sequences.size() != 1 || !m_pOwner)
        return;
    const CKeys& sequence = m_Sequences.front();
    for (auto key = sequence.end(); key != sequence.begin();)
        m_pOwner->f_GenerateRelease(*--key);
    fp_PressReleaseKeys();
}

void CMessageHookBase::CAccelerator_Input::f_Read(NTev::NStream::CBinaryStream& stream, std::uint32_t version)
{
    f_ReadCommon(stream, version);
    std::vector<CKeys> sequences;
    if (version >= mc_VersionSequenceList)
    {
        // Each sequence is at least its 4-byte count.
        std::uint32_t count = stream.f_ReadCount(4);
        sequences.resize(count);
        for (CKeys& sequence : sequences)
            sequence.f_Read(stream, version, false);
    }
    else
    {
        sequences.resize(1);
        sequences.front().f_Read(stream, version, false);
    }
    CKeys releaseKeys;
    releaseKeys.f_Read(stream, version, false);
    if (version >= mc_VersionDiscardedStringFirst && version <= mc_VersionDiscardedStringLast)
        stream.f_ReadString();
    m_Sequences = static_cast<std::vector<CKeys>&&>(sequences);
    m_ReleaseKeys = static_cast<CKeys&&>(releaseKeys);
}

void CMessageHookBase::CAccelerator_Input::f_Write(NTev::NStream::CBinaryStream& stream) const
{
    f_WriteCommon(stream);
    stream.f_WriteInt<std::uint32_t>(static_cast<std::uint32_t>(m_Sequences.size()));
    for (const CKeys& sequence : m_Sequences)
        sequence.f_Write(stream);
    m_ReleaseKeys.f_Write(stream);
}

// ---- RemapTable -----------------------------------------------------------------------------

NTev::CStr CMessageHookBase::CAccelerator_RemapTable::f_GetDescription() const
{
    NTev::CStr description;
    NTev::gf_Format(description, "ChangeTable ( {} )", m_TableName);
    return description;
}

void CMessageHookBase::CAccelerator_RemapTable::f_OnPress()
{
    if (!m_pOwner)
        return;
    // A copy: activating the table may run actions that change this one.
    NTev::CStr name(m_TableName);
    m_pOwner->f_ActivateTable(name.f_GetStr());
}

void CMessageHookBase::CAccelerator_RemapTable::f_Read(NTev::NStream::CBinaryStream& stream,
                                                       std::uint32_t version)
{
    f_ReadCommon(stream, version);
    m_TableName = stream.f_ReadString();
}

void CMessageHookBase::CAccelerator_RemapTable::f_Write(NTev::NStream::CBinaryStream& stream) const
{
    f_WriteCommon(stream);
    stream.f_WriteString(m_TableName);
}

// ---- ReleaseAllKeys -------------------------------------------------------------------------

void CMessageHookBase::CAccelerator_ReleaseAllKeys::f_OnPress()
{
    if (m_pOwner)
        m_pOwner->f_ReleaseAllKeys();
}
} // namespace NQuillon
