#include "actions/Accelerator.h"

#include "actions/EngineActions.h"
#include "core/Exception.h"
#include "core/Format.h"
#include "core/RunTimeClass.h"

#include <algorithm>

namespace NQuillon
{
namespace
{
NTev::TRuntimeClassNamedBase<CMessageHookBase::CAccelerator> g_AcceleratorRecord("NQuillon::CAccelerator");

std::unique_ptr<CMessageHookBase::CAccelerator> fg_CreateByClassName(const char* className)
{
    NTev::CStr qualified(CMessageHookBase::CAccelerator::mc_ClassNamespace);
    qualified += className;
    const NTev::CRunTimeObjectInfo* record = NTev::CRunTimeObjectInfo::fs_Find(qualified.f_GetStr());
    if (!record || !record->f_IsRegistered() || !record->f_IsDerivedFrom(&g_AcceleratorRecord) ||
        record == &g_AcceleratorRecord)
        return nullptr;
    return std::unique_ptr<CMessageHookBase::CAccelerator>(
        static_cast<CMessageHookBase::CAccelerator*>(record->CreateObject()));
}
} // namespace

void CMessageHookBase::CAccelerator::f_ReadCommon(NTev::NStream::CBinaryStream& stream, std::uint32_t version)
{
    m_Flags = version >= mc_VersionActionFlags ? stream.f_ReadInt<std::uint32_t>() : 0;
    m_TriggerKeys.f_Read(stream, version, true);
    // Evaluation compares trigger keys in this order: a file that stores them otherwise must
    // mean the same after loading as after a dump and a rebuild.
    fs_SortTriggerKeys(m_TriggerKeys);
}

void CMessageHookBase::CAccelerator::f_WriteCommon(NTev::NStream::CBinaryStream& stream) const
{
    stream.f_WriteInt<std::uint32_t>(m_Flags);
    m_TriggerKeys.f_Write(stream);
}

void CMessageHookBase::CAccelerator::fs_SortTriggerKeys(CKeys& keys)
{
    std::sort(keys.begin(), keys.end(),
              [](const CKey& a, const CKey& b)
              {
                  if (a.m_Order != b.m_Order)
                      return a.m_Order < b.m_Order;
                  if (a.m_Device != b.m_Device)
                      return static_cast<std::uint32_t>(a.m_Device) < static_cast<std::uint32_t>(b.m_Device);
                  return static_cast<std::uint32_t>(a.m_Code) < static_cast<std::uint32_t>(b.m_Code);
              });
}

std::vector<CActionTypeEntry> CMessageHookBase::CAccelerator::fs_GetActionTypes()
{
    std::vector<CActionTypeEntry> types = {
        {"Keboard / Mouse Generate", EActionKind_Input, {}},
        {"Change Remapping Table", EActionKind_RemapTable, {}},
        {"Kill Key", EActionKind_Kill, {}},
        {"Release All Keys", EActionKind_ReleaseAllKeys, {}},
    };
    for (const NTev::CRunTimeObjectInfo* record : g_AcceleratorRecord.f_GetDerived())
    {
        if (!record->f_IsRegistered())
            continue;
        std::unique_ptr<CAccelerator> action(static_cast<CAccelerator*>(record->CreateObject()));
        if (action)
            types.push_back({action->f_GetTypeName(), EActionKind_ByClassName, action->f_GetClassName()});
    }
    return types;
}

std::unique_ptr<CMessageHookBase::CAccelerator>
CMessageHookBase::CAccelerator::fs_Create(EActionKind kind, const char* className)
{
    switch (kind)
    {
        case EActionKind_Input:
            return std::make_unique<CAccelerator_Input>();
        case EActionKind_RemapTable:
            return std::make_unique<CAccelerator_RemapTable>();
        case EActionKind_Kill:
            return std::make_unique<CAccelerator_Kill>();
        case EActionKind_ReleaseAllKeys:
            return std::make_unique<CAccelerator_ReleaseAllKeys>();
        case EActionKind_ByClassName:
            return fg_CreateByClassName(className ? className : "");
    }
    return nullptr;
}

std::unique_ptr<CMessageHookBase::CAccelerator>
CMessageHookBase::CAccelerator::fs_ReadRecord(NTev::NStream::CBinaryStream& stream, std::uint32_t version)
{
    const std::uint32_t kind = stream.f_ReadInt<std::uint32_t>();
    std::unique_ptr<CAccelerator> action;
    if (kind == EActionKind_ByClassName)
    {
        NTev::CStr className = stream.f_ReadString();
        action = fg_CreateByClassName(className.f_GetStr());
        if (!action)
        {
            NTev::CFStr256 message;
            NTev::gf_Format(message, "Unknown action class {}", className);
            TEV_THROW(NTev::NFile::CExceptionFile, "NQuillon::CMessageHook::CAccelerator::fs_ReadRecord",
                      message.f_GetStr());
        }
    }
    else if (kind < EActionKind_ByClassName)
        action = fs_Create(static_cast<EActionKind>(kind), "");
    else
    {
        NTev::CFStr256 message;
        NTev::gf_Format(message, "Unknown action kind {}", kind);
        TEV_THROW(NTev::NFile::CExceptionFile, "NQuillon::CMessageHook::CAccelerator::fs_ReadRecord",
                  message.f_GetStr());
    }
    action->f_Read(stream, version);
    return action;
}

void CMessageHookBase::CAccelerator::f_WriteRecord(NTev::NStream::CBinaryStream& stream) const
{
    stream.f_WriteInt<std::uint32_t>(m_Kind);
    if (m_Kind == EActionKind_ByClassName)
        stream.f_WriteString(f_GetClassName());
    f_Write(stream);
}
} // namespace NQuillon
