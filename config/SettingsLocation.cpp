#include "config/SettingsLocation.h"

namespace NQuillon
{
namespace
{
NTev::CStr fg_Join(const NTev::CStr& directory, const char* name)
{
    NTev::CStr path = directory;
    path += "/";
    path += name;
    return path;
}

void fg_Trace(ICSettingsPlaces& places, const char* what, const NTev::CStr& path)
{
    NTev::CStr text(what);
    text += path;
    text += "\n";
    places.f_Trace(text.f_GetStr());
}

// Makes the user's folder with the seed inside, under a name of its own first, then renamed
// into place: a second role of the same user starting at the same moment finds either no
// folder or the folder with its file, never an empty folder it would then save into.
bool fg_PublishSeededDirectory(ICSettingsPlaces& places, const NTev::CStr& directory, const NTev::CStr& seed)
{
    NTev::CStr staging = directory;
    staging += ".";
    staging += places.f_GetUniqueName();
    if (!places.f_CreateDirectory(staging.f_GetStr()))
        return false;
    const NTev::CStr stagedFile = fg_Join(staging, gc_SettingsFileName);
    const bool seeded = places.f_CopyFile(seed.f_GetStr(), stagedFile.f_GetStr());
    if (!seeded)
        fg_Trace(places, "The program folder's settings could not be copied for this user: ", seed);
    if (seeded && places.f_RenameDirectory(staging.f_GetStr(), directory.f_GetStr()))
        return true;
    places.f_RemoveFile(stagedFile.f_GetStr());
    places.f_RemoveDirectory(staging.f_GetStr());
    return false;
}
} // namespace

ESettingsLayout gf_ChooseSettingsLayout(ICSettingsPlaces& places)
{
    const NTev::CStr uninstaller = fg_Join(places.f_GetProgramDirectory(), gc_UninstallerName);
    if (places.f_IsFile(uninstaller.f_GetStr()) || !places.f_CanWriteProgramDirectory())
        return ESettingsLayout::PerUser;
    return ESettingsLayout::BesideProgram;
}

NTev::CStr gf_UserSettingsDirectory(const NTev::CStr& userDataDirectory)
{
    return fg_Join(userDataDirectory, gc_UserSettingsFolderName);
}

NTev::CStr gf_FindSettingsDirectory(ICSettingsPlaces& places)
{
    if (gf_ChooseSettingsLayout(places) == ESettingsLayout::BesideProgram)
        return places.f_GetProgramDirectory();
    const NTev::CStr userData = places.f_GetUserDataDirectory();
    if (userData.f_IsEmpty())
        return {};
    return gf_UserSettingsDirectory(userData);
}

NTev::CStr gf_PrepareSettingsDirectory(ICSettingsPlaces& places)
{
    const NTev::CStr programDirectory = places.f_GetProgramDirectory();
    const NTev::CStr directory = gf_FindSettingsDirectory(places);
    if (directory.f_IsEmpty())
    {
        fg_Trace(places, "The user's application data folder is unknown; settings stay in ",
                 programDirectory);
        return programDirectory;
    }
    if (directory.f_Compare(programDirectory.f_GetStr()) == 0 || places.f_IsDirectory(directory.f_GetStr()))
        return directory;
    const NTev::CStr seed = fg_Join(programDirectory, gc_SettingsFileName);
    if (places.f_IsFile(seed.f_GetStr()) && fg_PublishSeededDirectory(places, directory, seed))
    {
        fg_Trace(places, "The program folder's settings were copied to ", directory);
        return directory;
    }
    // Another role of this user may have made it meanwhile; else it is made empty.
    if (!places.f_CreateDirectory(directory.f_GetStr()) && !places.f_IsDirectory(directory.f_GetStr()))
        fg_Trace(places, "The settings folder could not be made, so settings cannot be saved: ", directory);
    return directory;
}
} // namespace NQuillon
