#pragma once
// Which folder holds a user's Settings.dat. An installed program keeps each user's settings in
// that user's own folder, <roaming application data>/Quillon, which the user can always write
// and no other user can. A copy that was not installed (no uninstaller beside it) and runs from
// a folder its user can write keeps them beside the program. On the first start of a user in
// the per-user layout, the user's folder is made and seeded with the program folder's file (an
// earlier version's settings): once only, the folder's existence is the record.

#include "core/Str.h"

namespace NQuillon
{
inline constexpr const char* gc_SettingsFileName = "Settings.dat";
inline constexpr const char* gc_UserSettingsFolderName = "Quillon";
// The installer's uninstaller: an installed program folder always holds it.
inline constexpr const char* gc_UninstallerName = "Uninstall.exe";

// The file system and the user's folders, as the location rules need them. Paths use "/".
class ICSettingsPlaces
{
public:
    virtual NTev::CStr f_GetProgramDirectory() = 0;
    // Whether the current user can create a file in the program folder.
    virtual bool f_CanWriteProgramDirectory() = 0;
    // The current user's roaming application data folder; empty when it cannot be had.
    virtual NTev::CStr f_GetUserDataDirectory() = 0;
    virtual bool f_IsFile(const char* path) = 0;
    virtual bool f_IsDirectory(const char* path) = 0;
    // Makes one folder (its parent exists); false when it could not.
    virtual bool f_CreateDirectory(const char* path) = 0;
    // Renames a folder; false when the target exists or the rename failed.
    virtual bool f_RenameDirectory(const char* from, const char* to) = 0;
    // Removes an empty folder, or a file; failures are ignored.
    virtual void f_RemoveDirectory(const char* path) = 0;
    virtual void f_RemoveFile(const char* path) = 0;
    // Copies a file over a missing or existing one; false when it failed.
    virtual bool f_CopyFile(const char* from, const char* to) = 0;
    // A name no other process of this user picks at the same time.
    virtual NTev::CStr f_GetUniqueName() = 0;
    virtual void f_Trace(const char* text) = 0;

protected:
    ~ICSettingsPlaces() = default;
};

enum class ESettingsLayout
{
    BesideProgram,
    PerUser,
};

// The layout for the current user.
ESettingsLayout gf_ChooseSettingsLayout(ICSettingsPlaces& places);
// <user data>/Quillon.
NTev::CStr gf_UserSettingsDirectory(const NTev::CStr& userDataDirectory);
// The settings folder of the current user by the layout, without touching it; empty in the
// per-user layout when the user's data folder cannot be had.
NTev::CStr gf_FindSettingsDirectory(ICSettingsPlaces& places);
// The settings folder of a role the user runs (tray, session agent, "-RunAsProgram"), made and
// seeded on the user's first start. A folder that cannot be made is traced and named anyway,
// so that saves there fail and say so; without a user data folder, the program folder.
NTev::CStr gf_PrepareSettingsDirectory(ICSettingsPlaces& places);
} // namespace NQuillon
