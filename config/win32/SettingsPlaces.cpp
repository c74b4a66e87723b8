#include "config/win32/SettingsPlaces.h"

#include "core/CommandLine.h"
#include "core/Format.h"
#include "core/win32/WidePath.h"

#include <knownfolders.h>
#include <shlobj.h>

#include <atomic>
#include <string>

namespace NQuillon
{
NTev::CStr CSettingsPlaces::f_GetProgramDirectory()
{
    return NTev::NSys::NFile::gf_GetProgramDirectory();
}

bool CSettingsPlaces::f_CanWriteProgramDirectory()
{
    // A file of a name nobody else uses, made and gone with its handle: the user's own rights
    // decide, whatever the folder's security says to someone reading it.
    std::wstring probe = gf_WidenPath(f_GetProgramDirectory().f_GetStr());
    probe += L"\\";
    probe += gf_WidenPath(f_GetUniqueName().f_GetStr());
    probe += L".probe";
    const HANDLE file =
        CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                    FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

NTev::CStr CSettingsPlaces::f_GetUserDataDirectory()
{
    PWSTR path = nullptr;
    const HRESULT result = SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, m_hToken, &path);
    if (FAILED(result) || !path)
    {
        CoTaskMemFree(path);
        NTev::gf_DebugOutput("The user's application data folder is unknown: error {}\n",
                             static_cast<std::uint32_t>(result));
        return {};
    }
    const std::wstring wide(path);
    CoTaskMemFree(path);
    NTev::CStr narrow = gf_NarrowPath(wide);
    if (narrow.f_IsEmpty())
        NTev::gf_DebugOutput("The user's application data folder has no name this program can use\n");
    return narrow;
}

bool CSettingsPlaces::f_IsFile(const char* path)
{
    const DWORD attributes = GetFileAttributesW(gf_WidenPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CSettingsPlaces::f_IsDirectory(const char* path)
{
    const DWORD attributes = GetFileAttributesW(gf_WidenPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CSettingsPlaces::f_CreateDirectory(const char* path)
{
    return CreateDirectoryW(gf_WidenPath(path).c_str(), nullptr) != 0;
}

bool CSettingsPlaces::f_RenameDirectory(const char* from, const char* to)
{
    return MoveFileExW(gf_WidenPath(from).c_str(), gf_WidenPath(to).c_str(), 0) != 0;
}

void CSettingsPlaces::f_RemoveDirectory(const char* path)
{
    RemoveDirectoryW(gf_WidenPath(path).c_str());
}

void CSettingsPlaces::f_RemoveFile(const char* path)
{
    DeleteFileW(gf_WidenPath(path).c_str());
}

bool CSettingsPlaces::f_CopyFile(const char* from, const char* to)
{
    return CopyFileW(gf_WidenPath(from).c_str(), gf_WidenPath(to).c_str(), FALSE) != 0;
}

NTev::CStr CSettingsPlaces::f_GetUniqueName()
{
    static std::atomic<std::uint32_t> s_Count{0};
    NTev::CStr name;
    NTev::gf_Format(name, "Quillon-{}-{}-{}", static_cast<std::uint32_t>(GetCurrentProcessId()),
                    static_cast<std::uint64_t>(GetTickCount64()), ++s_Count);
    return name;
}

void CSettingsPlaces::f_Trace(const char* text)
{
    NTev::gf_DebugOutput("{}", text);
}
} // namespace NQuillon
