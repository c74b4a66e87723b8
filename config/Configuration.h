#pragma once
// The remapping configuration: presets of engine settings, and remapping tables of groups of
// actions bound to trigger keys. Owned by the engine; read and changed under its lock.

#include "actions/Accelerator.h"
#include "config/Keys.h"
#include "config/MessageHookBase.h"

#include <bitset>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace NQuillon
{
class CMessageHookBase::CRemapGroup
{
public:
    CRemapGroup(const char* name, std::int32_t priority) : m_Priority(priority), m_Name(name) {}

    // The action whose trigger keys compare equal (order numbers aside), or null.
    CAccelerator* f_FindAction(const CKeys& triggerKeys) const;
    CAccelerator* f_FindAction(const CKey* keys, std::size_t count) const;
    // Whether some action's trigger keys end with this key (device kind and code): a press
    // can only fire actions of groups for which this holds. The trigger keys of an inserted
    // action change only by deleting and inserting it again.
    bool f_MayEndWith(std::int32_t device, std::int32_t code) const;
    // Inserts in trigger-key order, after the actions with equal keys.
    CAccelerator& f_InsertAction(std::unique_ptr<CAccelerator> action);
    // Replaces all actions at once, brought into trigger-key order (actions with equal keys
    // keep their given order): n log n, where inserting one by one may be quadratic.
    void f_SetActions(std::vector<std::unique_ptr<CAccelerator>> actions);
    // The index-th of the actions whose trigger keys compare equal (a file may hold several),
    // or null.
    CAccelerator* f_FindAction(const CKeys& triggerKeys, std::uint32_t index) const;
    bool f_DeleteAction(const CKeys& triggerKeys, std::uint32_t index = 0);
    // "Ignore no keys", "Ignore all keys" or "Dont ignore these keys ( ... )".
    NTev::CStr f_GetIgnoreLabel() const;
    bool f_IgnoresAllKeys() const;

    std::int32_t m_Priority;
    CKeys m_IgnoreKeys;
    std::uint32_t m_Flags = 0;
    NTev::CStr m_Name;
    std::vector<std::unique_ptr<CAccelerator>> m_Actions;
    CRemapTable* m_pTable = nullptr;

private:
    void fp_BuildIndex() const;

    mutable std::bitset<512> m_LastKeys;
    mutable bool m_bIndexValid = false;
    mutable bool m_bIndexUnbounded = false;
    // The lengths of the trigger key lists (a list as long as the bitset or longer sets
    // m_bLongTriggers), so that a candidate of a length no trigger has is not searched for.
    mutable std::bitset<64> m_TriggerLengths;
    mutable bool m_bLongTriggers = false;
};

class CMessageHookBase::CRemapTable
{
public:
    explicit CRemapTable(const char* name) : m_Name(name) {}

    CRemapGroup* f_FindGroup(const char* name) const;
    CRemapGroup* f_FindGroupByPriority(std::int32_t priority) const;
    // Fails (returning null) when the name or the priority is taken.
    CRemapGroup* f_AddGroup(std::unique_ptr<CRemapGroup> group);
    void f_DeleteGroup(CRemapGroup* group);

    NTev::CStr m_Name;
    // Ascending priority; owns the groups.
    std::map<std::int32_t, std::unique_ptr<CRemapGroup>> m_GroupsByPriority;
    std::map<NTev::CStr, CRemapGroup*> m_GroupsByName;
    CMessageHookBase* m_pEngine = nullptr;
};

class CMessageHookBase::CPreset
{
public:
    explicit CPreset(const char* name) : m_Name(name) {}

    NTev::CStr m_Name;
    // Setting name -> value text; any name may be stored, only the defined ones matter.
    std::map<NTev::CStr, NTev::CStr> m_Settings;
};

class CMessageHookBase::CConfiguration
{
public:
    explicit CConfiguration(CMessageHookBase& engine) : m_Engine(engine) {}

    CRemapTable* f_FindTable(const char* name) const;
    CPreset* f_FindPreset(const char* name) const;
    // The default table and preset by name; an empty or unknown name falls back to the first
    // by name (or none). The current ones become the defaults.
    void f_ResolveDefaults(const char* defaultTable, const char* defaultPreset);
    // Sets the owner back-references of every table, group and action.
    void f_SetBackReferences();
    // Replaces one keyboard code by another in every ignore list and trigger list, and with
    // bAlsoGenerated in every generated sequence and release list too.
    void f_ReplaceKeyboardCode(std::int32_t from, std::int32_t to, bool bAlsoGenerated = true);
    // The first table or preset by name, or null.
    CRemapTable* f_GetFirstTable() const;
    CPreset* f_GetFirstPreset() const;

    CMessageHookBase& m_Engine;
    std::int32_t m_bRemappingDisabled = 0;
    std::map<NTev::CStr, std::unique_ptr<CRemapTable>> m_Tables;
    std::map<NTev::CStr, std::unique_ptr<CPreset>> m_Presets;
    CRemapTable* m_pDefaultTable = nullptr;
    CRemapTable* m_pCurrentTable = nullptr;
    CPreset* m_pDefaultPreset = nullptr;
    CPreset* m_pCurrentPreset = nullptr;
};

struct CMessageHookBase::CBindingInfo
{
    CKeys m_TriggerKeys;
    NTev::CStr m_Label;
    NTev::CStr m_Description;
    EActionKind m_Kind = EActionKind_Input;
};
} // namespace NQuillon
