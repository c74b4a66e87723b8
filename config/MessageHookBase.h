#pragma once
// The engine class CMessageHook gathers the system's configuration types as nested classes
// (CMessageHook::CKey, CMessageHook::CConfiguration, CMessageHook::CAccelerator, ...) and
// holds the configuration with its operations. All of that is declared and implemented below
// the engine, so that tools and tests use the configuration without it; CMessageHook derives
// from this class and supplies the input side through the pure virtual operations.

#include "config/LoadRetry.h"
#include "config/SettingsSource.h"
#include "core/Mutual.h"
#include "core/Str.h"
#include "core/Time.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace NTev::NStream
{
class CBinaryStream;
}

namespace NQuillon
{
enum EKeyDevice : std::int32_t
{
    EKeyDevice_Keyboard = 0,
    EKeyDevice_Mouse = 1,
};

enum EActionKind : std::uint32_t
{
    EActionKind_Input = 0,
    EActionKind_RemapTable = 1,
    EActionKind_Kill = 2,
    EActionKind_ReleaseAllKeys = 3,
    EActionKind_ByClassName = 4,
};

enum EActionFlag : std::uint32_t
{
    EActionFlag_ContinueProcessing = 1,
};

enum EGroupFlag : std::uint32_t
{
    EGroupFlag_RunOnActivate = 1,
};

// One choice an action offers: a caption, the entry texts in value order, and the index of
// the entry that matches (or, handed back, that the user chose).
struct CActionOptionGroup
{
    NTev::CStr m_Caption;
    std::vector<NTev::CStr> m_Entries;
    std::int32_t m_Selected = 0;
};

// One row of the action types offered to the user.
struct CActionTypeEntry
{
    NTev::CStr m_Text;
    EActionKind m_Kind = EActionKind_Input;
    NTev::CStr m_ClassName;
};

class CMessageHookBase
{
public:
    class CKey;
    class CKeys;
    struct CActionRef;
    class CAccelerator;
    class CAccelerator_Input;
    class CAccelerator_RemapTable;
    class CAccelerator_Kill;
    class CAccelerator_ReleaseAllKeys;
    class CRemapGroup;
    class CRemapTable;
    class CPreset;
    class CConfiguration;
    struct CSettingValues;
    struct CSettingDefinition;

    // The engine lock: guards the configuration, the input state and the desktop list.
    using CLock = NTev::CMutual;
    using CLockGuard = NTev::TCMutualLock<NTev::CMutual>;

    static constexpr std::uint32_t mc_FileMagic = 0x4C57514B;
    static constexpr std::uint32_t mc_FileVersion = 274;
    static constexpr std::uint32_t mc_ConfigurationFlag_LaptopKeyboardDone = 1;
    // The most key sequences one Input action may be given: a typed count beyond any use is
    // refused rather than allocated under the engine lock.
    static constexpr std::uint32_t mc_MaxGenerateSequences = 256;

    // ---- key names and key-list labels (config/KeyNames.cpp) ----
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

    CMessageHookBase();
    virtual ~CMessageHookBase();
    CMessageHookBase(const CMessageHookBase&) = delete;
    CMessageHookBase& operator=(const CMessageHookBase&) = delete;

    CLock& f_GetLock() noexcept { return m_Lock; }
    // The model; read or change it only under f_GetLock().
    CConfiguration& f_GetConfiguration() noexcept { return *m_pConfiguration; }
    const CSettingValues& f_GetSettingValues() const noexcept { return *m_pSettingValues; }

    // ---- the input side, supplied by the engine ----
    // Counted generated press and release of a key: only the first press and the last
    // release send a record.
    virtual void f_GeneratePress(const CKey& key) = 0;
    virtual void f_GenerateRelease(const CKey& key) = 0;
    // Ends every held input and releases everything generated output still holds down.
    virtual void f_ReleaseAllKeys() = 0;

    // ---- settings (config/Settings.cpp) ----
    static const std::vector<CSettingDefinition>& fs_GetSettingDefinitions();
    // The current preset's text for a defined setting, else its default text; false for a
    // name that is not defined.
    bool f_GetSettingValue(const char* name, NTev::CStr& value);
    // Parses the defined settings into the working values.
    void f_ApplyPresetSettings();

    // ---- table changes (config/Tables.cpp) ----
    // Makes the table of that name current (none when no table has it) and runs its groups
    // marked to run on activation, in an engine that owns input.
    void f_ActivateTable(const char* name);
    NTev::CStr f_GetCurrentTableName();
    NTev::CStr f_GetDefaultTableName();
    // Stores the table of that name (or none) as the default and saves.
    void f_SetDefaultTable(const char* name);
    // Flips remapping off or on, releases every held key, saves; false when the save failed
    // (the flag is then back as the file holds it).
    bool f_ToggleRemapping();
    // Whether remapping is active: owns input, has a current table, remapping enabled.
    bool f_IsRemappingActive() const noexcept;

    // ---- the settings file (config/SettingsFile*.cpp) ----
    // Loads <settings directory>/<file name> when its write time changed since the last load.
    // Returns false when the load gave up; the configuration is then left as it was.
    bool f_LoadSettings(const char* fileName);
    // Whether the file that defeated the last load is due to be read again although no change
    // of it was seen (another program held it, and may have let go).
    bool f_IsLoadRetryDue();
    // Replaces the configuration by the one in <settings directory>/<file name> whatever its
    // write time, keeping the configuration flags. False, with nothing changed, when the file
    // is missing or cannot be read.
    bool f_ReplaceConfigurationFromFile(const char* fileName);
    // Writes <settings directory>/Settings.dat (to a temporary file, then replaced in one
    // step): the image is made under the engine lock and written without it. False when the
    // write failed; the configuration then holds again what was last loaded or saved, and the
    // failure is kept for f_TakeSaveFailure.
    bool f_SaveSettings();
    // A save that failed: the file, in the system's form, and the system's reason.
    struct CSaveFailure
    {
        NTev::CStr m_Path;
        NTev::CStr m_Error;
    };
    // The failure of the last save, when it failed; taking it clears it. Each save clears it
    // when it starts, so what is taken after an edit belongs to that edit.
    bool f_TakeSaveFailure(CSaveFailure& failure);
    // Reads a whole settings file image from a stream into a fresh configuration; throws the
    // file exception when it is corrupt. The caller swaps it in.
    std::unique_ptr<CConfiguration> f_ReadSettings(NTev::NStream::CBinaryStream& stream,
                                                   std::uint32_t& configurationFlags,
                                                   std::uint32_t& fileVersion);
    // Writes the whole configuration in the current version.
    void f_WriteSettings(NTev::NStream::CBinaryStream& stream);
    // Takes a loaded configuration in and runs the after-load steps.
    void f_InstallConfiguration(std::unique_ptr<CConfiguration> configuration,
                                std::uint32_t configurationFlags);

    // Where the settings files live: the program directory unless set (tools and tests).
    NTev::CStr f_GetSettingsDirectory();
    void f_SetSettingsDirectory(const char* directory);
    // Uses the source's folder, as the source says, from now on: the configuration is emptied
    // at once (nothing of the previous source's stays in force) and the source's file is
    // loaded at the next check. Null: the settings directory as it is, used as this process.
    void f_SetSettingsSource(std::shared_ptr<ICSettingsSource> source);
    std::shared_ptr<ICSettingsSource> f_GetSettingsSource();
    // Whether the source changed since the last call (the engine thread then checks the file
    // and watches the new folder).
    bool f_TakeSettingsSourceChange();
    // Where the program's own files live (the shipped configurations; the drivers and markers
    // of the engine): the settings directory unless set.
    NTev::CStr f_GetProgramDirectory();
    void f_SetProgramDirectory(const char* directory);

    // ---- configuration operations (config/Operations*.cpp) ----
    // Each locks, finds its objects by name, changes them and saves; false with nothing
    // changed when an object is missing, a name or priority is taken, the last load gave up,
    // or the save failed (the change is then undone; see f_TakeSaveFailure). A group may be named by its
    // dialog label "<priority>: <name> | ..."; an action by its trigger keys and which of the
    // actions on those keys it is (CActionRef).
    bool f_CreateTable(const char* name);
    bool f_DeleteTable(const char* table);
    bool f_CreateGroup(const char* table, const char* name, std::int32_t priority);
    bool f_DeleteGroup(const char* table, const char* group);
    bool f_SetGroupIgnoreKeys(const char* table, const char* group, const CKeys& keys);
    bool f_GetGroupRunOnActivate(const char* table, const char* group, bool& runOnActivate);
    bool f_SetGroupRunOnActivate(const char* table, const char* group, bool runOnActivate);
    bool f_CreateAction(const char* table, const char* group, const CKeys& triggerKeys, EActionKind kind,
                        const char* className = "");
    bool f_DeleteAction(const char* table, const char* group, const CActionRef& bound);
    bool f_GetActionFlags(const char* table, const char* group, const CActionRef& bound,
                          std::uint32_t& flags);
    bool f_SetActionFlags(const char* table, const char* group, const CActionRef& bound, std::uint32_t flags);
    bool f_GetActionOptions(const char* table, const char* group, const CActionRef& bound,
                            std::vector<CActionOptionGroup>& options);
    bool f_SetActionOptions(const char* table, const char* group, const CActionRef& bound,
                            const std::vector<CActionOptionGroup>& options);
    bool f_GetActionKind(const char* table, const char* group, const CActionRef& bound, EActionKind& kind);
    bool f_GetActionRemapTable(const char* table, const char* group, const CActionRef& bound,
                               NTev::CStr& tableName);
    bool f_SetActionRemapTable(const char* table, const char* group, const CActionRef& bound,
                               const char* tableName);
    bool f_GetGenerateSequenceCount(const char* table, const char* group, const CActionRef& bound,
                                    std::uint32_t& count);
    bool f_SetGenerateSequenceCount(const char* table, const char* group, const CActionRef& bound,
                                    std::uint32_t count);
    bool f_GetGenerateSequence(const char* table, const char* group, const CActionRef& bound,
                               std::uint32_t index, CKeys& sequence);
    bool f_SetGenerateSequence(const char* table, const char* group, const CActionRef& bound,
                               std::uint32_t index, const CKeys& sequence);
    bool f_GetReleaseKeys(const char* table, const char* group, const CActionRef& bound, CKeys& keys);
    bool f_SetReleaseKeys(const char* table, const char* group, const CActionRef& bound, const CKeys& keys);
    bool f_CreatePreset(const char* name);
    bool f_DeletePreset(const char* preset);
    void f_SetDefaultPreset(const char* name);
    void f_SetCurrentPreset(const char* name);
    bool f_GetPresetSettingValue(const char* preset, const char* setting, NTev::CStr& value,
                                 std::vector<NTev::CStr>& offeredValues);
    bool f_SetPresetSettingValue(const char* preset, const char* setting, const char* value);
    bool f_SetPresetSettingToDefault(const char* preset, const char* setting);

    struct CGroupInfo
    {
        NTev::CStr m_Name;
        std::int32_t m_Priority = 0;
        NTev::CStr m_IgnoreLabel;
    };
    // A binding's trigger keys, label with order, and its action's description and kind.
    struct CBindingInfo;
    std::vector<NTev::CStr> f_ListTableNames();
    std::vector<CGroupInfo> f_ListGroups(const char* table);
    std::vector<CBindingInfo> f_ListBindings(const char* table, const char* group);
    std::vector<NTev::CStr> f_ListPresetNames();
    // A defined setting of a preset: its text, and whether the preset holds it (the dialog
    // shows "name | * value") or the default applies ("name | value").
    struct CSettingInfo
    {
        NTev::CStr m_Name;
        NTev::CStr m_Value;
        bool m_bOwnEntry = false;
    };
    std::vector<CSettingInfo> f_ListSettings(const char* preset);

    // Bit 0: the laptop keyboard configuration has been run. Persisted in the file header.
    std::uint32_t m_ConfigurationFlags = 0;
    // While set, f_SaveSettings does nothing.
    bool m_bSavingSuppressed = false;
    // Counts changes of the configuration (every save, also a suppressed one, and every
    // load), so that a view of it knows when to look again.
    std::uint64_t f_GetChangeCount() const noexcept { return m_ChangeCount.load(); }
    // Whether edits are taken: not after a load that gave up (see fp_CanEdit).
    bool f_IsEditable()
    {
        CLockGuard lock(m_Lock);
        return fp_CanEdit();
    }
    // Whether this engine owns the input (the engine process), or only edits the
    // configuration (the dialog's process).
    bool m_bOwnsInput = false;

protected:
    // Called before actions are destroyed (a load replaces the configuration, an operation
    // deletes a table, group or action), so that the engine lets go of the ones it runs.
    virtual void f_OnConfigurationChanging() {}
    // Called after the current table or the whole configuration changed. An engine whose
    // remapping is no longer active would never see the releases of what it holds, so it lets
    // go of everything first.
    virtual void f_OnRemappingMayHaveStopped() {}
    // The steps after a load: back-references, activation of the current table, removal of
    // obsolete settings (saving when any was removed), the settings applied.
    void fp_AfterLoad();
    // Runs the activation of the current table (its run-on-activate groups).
    void fp_RunActivation();
    // Edits are refused after a load that gave up, so that the file on disk is never
    // replaced by a half-read configuration.
    bool fp_CanEdit() const noexcept { return !m_bLoadFailed; }
    // How a write of a file image went, as far as it went.
    struct CWriteOutcome
    {
        // The write time the file got, when it could be read.
        NTev::CTime m_WriteTime;
        bool m_bWriteTimeKnown = false;
        // The temporary file is complete and replaces the settings file: a failure from here
        // on means another program holds the settings file (Windows refuses to replace a file
        // open without delete sharing with access denied).
        bool m_bReplacing = false;
    };
    // Writes a whole file image to path: a temporary file beside it, then replaced in one
    // step; the temporary file is removed when any step fails. Throws the file exception.
    // Runs without the engine lock; tests stand in for it.
    virtual void f_WriteSettingsImage(const char* path, const std::vector<unsigned char>& bytes,
                                      CWriteOutcome& outcome);
    // The pause before a write that met another program holding the file is tried again.
    virtual void f_PauseBeforeWriteRetry();

    // One edit: holds the engine lock while the configuration changes; f_Save makes the file
    // image under it, lets the lock go and writes, so that input is never kept waiting by the
    // disk. Never made while the thread holds the lock already: the write would run under it,
    // and wait for the write lock with it (a load defers its save for that reason).
    class CEdit
    {
    public:
        explicit CEdit(CMessageHookBase& engine) noexcept : m_Engine(engine) { engine.m_Lock.f_Lock(); }
        ~CEdit()
        {
            if (m_bLocked)
                m_Engine.m_Lock.f_Unlock();
        }
        CEdit(const CEdit&) = delete;
        CEdit& operator=(const CEdit&) = delete;
        // Saves what the edit changed; false (with the edit undone) when the write failed.
        bool f_Save();

    private:
        CMessageHookBase& m_Engine;
        bool m_bLocked = true;
    };

    CLock m_Lock;
    std::unique_ptr<CConfiguration> m_pConfiguration;
    std::unique_ptr<CSettingValues> m_pSettingValues;
    // Write time of the settings file when it was last loaded; matches no file at first.
    NTev::CTime m_LastLoadedWriteTime{-1, -1};
    bool m_bLoadFailed = false;
    // When a file that defeated the last load is read again.
    CLoadRetry m_LoadRetry;
    // Saves started by this process, so that a load does not swap in what it read before one.
    std::uint64_t m_SaveCount = 0;
    std::atomic<std::uint64_t> m_ChangeCount{0};
    NTev::CStr m_SettingsDirectory;
    NTev::CStr m_ProgramDirectory;
    std::shared_ptr<ICSettingsSource> m_pSettingsSource;
    // Counts source changes, so that a load does not install what it read from the old one.
    std::uint64_t m_SourceChangeCount = 0;
    bool m_bSourceChanged = false;

private:
    // A file image made under the engine lock, to be written without it.
    struct CPendingSave
    {
        bool m_bSuppressed = false;
        std::uint64_t m_Sequence = 0;
        NTev::CStr m_Path;
        std::vector<unsigned char> m_Bytes;
        std::shared_ptr<ICSettingsSource> m_pSource;
    };
    CPendingSave fp_PrepareSave();
    bool fp_FinishSave(CPendingSave& pending);
    // Puts back the configuration of the last image loaded or saved (none: an empty one),
    // keeping the current table and preset where they still exist.
    void fp_RevertToLastGoodImage();
    // A load that removed obsolete settings saves once the engine lock is let go.
    void fp_SaveIfDue();

    // Held while a file image is written, so that saves land in the order they were made.
    CLock m_WriteLock;
    // The newest save that finished writing (or failing), and how it ended.
    std::uint64_t m_FinishedSaveSequence = 0;
    bool m_bLastSaveSucceeded = true;
    // The image last loaded from the file or written to it: what an edit that could not be
    // saved goes back to.
    std::vector<unsigned char> m_LastGoodImage;
    bool m_bSaveFailed = false;
    CSaveFailure m_SaveFailure;
    bool m_bSaveDue = false;

    // One outer activation and everything its actions activate in turn; see fp_RunActivation.
    struct CActivationRun
    {
        std::vector<const CRemapTable*> m_Active;
        std::uint32_t m_ActionsRun = 0;
    };
    CActivationRun* m_pActivationRun = nullptr;
};
} // namespace NQuillon
