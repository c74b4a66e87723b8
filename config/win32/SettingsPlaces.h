#pragma once
// The settings location rules' view of Windows: the program folder, the known folder of the
// user's roaming application data, and the file operations, on wide paths so that a profile
// whose name the ANSI code page cannot spell still works.

#include "config/SettingsLocation.h"
#include "core/win32/WidePath.h"

#include <string>

#include <windows.h>

namespace NQuillon
{
class CSettingsPlaces final : public ICSettingsPlaces
{
public:
    // token: the user whose folders are meant; null for the caller's own.
    explicit CSettingsPlaces(HANDLE token = nullptr) noexcept : m_hToken(token) {}

    NTev::CStr f_GetProgramDirectory() override;
    bool f_CanWriteProgramDirectory() override;
    NTev::CStr f_GetUserDataDirectory() override;
    bool f_IsFile(const char* path) override;
    bool f_IsDirectory(const char* path) override;
    bool f_CreateDirectory(const char* path) override;
    bool f_RenameDirectory(const char* from, const char* to) override;
    void f_RemoveDirectory(const char* path) override;
    void f_RemoveFile(const char* path) override;
    bool f_CopyFile(const char* from, const char* to) override;
    NTev::CStr f_GetUniqueName() override;
    void f_Trace(const char* text) override;

private:
    HANDLE m_hToken;
};

using NTev::NSys::gf_NarrowPath;
using NTev::NSys::gf_WidenPath;
} // namespace NQuillon
