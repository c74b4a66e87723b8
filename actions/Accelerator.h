#pragma once
// The base of every action a key binding triggers. Built-in actions are known to the settings
// file by kind; plug-in actions register their class with the runtime class registry and are
// stored and re-created by class name.

#include "config/Keys.h"
#include "config/MessageHookBase.h"
#include "core/BinaryStream.h"
#include "core/Time.h"

#include <memory>
#include <vector>

namespace NQuillon
{
class CMessageHookBase::CAccelerator
{
public:
    // What the runtime class registry creates plug-in actions as.
    using CRunTimeRoot = CAccelerator;
    // Namespace that stored plug-in class names are qualified with.
    static constexpr const char* mc_ClassNamespace = "NQuillon::";
    // Files before this version have no action flags.
    static constexpr std::uint32_t mc_VersionActionFlags = 260;

    explicit CAccelerator(EActionKind kind) noexcept : m_Kind(kind) {}
    CAccelerator(const CAccelerator&) = delete;
    CAccelerator& operator=(const CAccelerator&) = delete;
    virtual ~CAccelerator() = default;

    // The fixed name of the action type.
    virtual NTev::CStr f_GetTypeName() const = 0;
    // The label of this configured action.
    virtual NTev::CStr f_GetDescription() const = 0;
    virtual void f_GetOptions(std::vector<CActionOptionGroup>& options) const { (void)options; }
    virtual void f_SetOptions(const std::vector<CActionOptionGroup>& options) { (void)options; }
    virtual void f_OnPress() = 0;
    virtual void f_OnRelease() = 0;
    // Called on every action repeat while the trigger keys stay held.
    virtual void f_OnRepeat(NTev::CTime dueTime, double repeatDelay)
    {
        (void)dueTime;
        (void)repeatDelay;
    }
    virtual void f_Read(NTev::NStream::CBinaryStream& stream, std::uint32_t version) = 0;
    virtual void f_Write(NTev::NStream::CBinaryStream& stream) const = 0;
    // The class name the action is stored under (empty for built-in actions).
    virtual NTev::CStr f_GetClassName() const = 0;

    // The part of the payload every action writes: flags, then trigger keys.
    void f_ReadCommon(NTev::NStream::CBinaryStream& stream, std::uint32_t version);
    void f_WriteCommon(NTev::NStream::CBinaryStream& stream) const;
    // Keeps the trigger keys sorted by (order, device kind, code), compared unsigned.
    static void fs_SortTriggerKeys(CKeys& keys);

    // The action types offered to the user: the four built-in ones, then every registered
    // plug-in class.
    static std::vector<CActionTypeEntry> fs_GetActionTypes();
    // A new action of a type: built-in kinds directly, plug-ins by class name (without
    // namespace) through the registry. Null when the type cannot be created.
    static std::unique_ptr<CAccelerator> fs_Create(EActionKind kind, const char* className);
    // Reads one action record (kind, class name for plug-ins, payload). An unknown kind or
    // class name throws the file exception: the payload has no length, so nothing after it
    // could be read.
    static std::unique_ptr<CAccelerator> fs_ReadRecord(NTev::NStream::CBinaryStream& stream,
                                                       std::uint32_t version);
    void f_WriteRecord(NTev::NStream::CBinaryStream& stream) const;

    // Leads to the engine that runs the action; owns nothing.
    CMessageHookBase* m_pOwner = nullptr;
    const EActionKind m_Kind;
    CKeys m_TriggerKeys;
    std::uint32_t m_Flags = 0;
    // How many of the engine's held inputs name this action: non-zero while it runs.
    std::uint32_t m_HeldInputCount = 0;
};
} // namespace NQuillon
