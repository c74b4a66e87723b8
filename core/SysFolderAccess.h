#pragma once
// The OS side of folder protection: reading a folder's rules into the portable description
// (FolderAccess.h), setting the program's protection, preparing a protected folder, and the
// system's shared and per-user data folders. Paths use "/" separators. On POSIX nothing is
// protected: the rules cannot be read and the data folders are the program directory.

#include "core/FolderAccess.h"
#include "core/Str.h"

namespace NTev::NSys::NFolderAccess
{
// The folder's owner and rules; false when they cannot be read (the folder is missing).
bool gf_ReadFolderAccess(const char* path, NTev::NFolderAccess::CFolderAccess& access) noexcept;
// Sets the protection on an existing folder, replacing its rules (and the owner when the
// caller may set it); false with a trace line when the system refused.
bool gf_SetFolderProtection(const char* path, NTev::NFolderAccess::EProtection protection) noexcept;
// The folder protected as asked, made when missing. An existing folder that others may write
// (or, for the state folder, read), or that is a link to another place, is moved aside to
// "<path>.untrusted.<n>" and made anew: what it holds may have been planted. False (with a trace
// line) when no such folder could be had; the caller then does without it.
bool gf_PrepareProtectedFolder(const char* path, NTev::NFolderAccess::EProtection protection) noexcept;

// Whether the system keeps and enforces folder rules. Wine does neither: it runs every program
// as one Unix user and reads rules back from the Unix mode, so a folder never reads as protected
// there, and nothing is gained by refusing it. False on POSIX.
bool gf_SystemKeepsFolderRules() noexcept;

// The folder shared by all users for program data (%ProgramData%), and the current user's local
// application data (%LOCALAPPDATA%); empty when the system does not say.
NStr::CStr gf_GetSharedDataFolder();
NStr::CStr gf_GetUserLocalDataFolder();
// Creates the folder when missing (not its parents) with the rules it inherits; false on
// failure.
bool gf_MakeFolder(const char* path) noexcept;
} // namespace NTev::NSys::NFolderAccess
