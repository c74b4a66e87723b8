#include "core/SysFolderAccess.h"
#include "core/win32/FolderSecurity.h"
#include "core/win32/WidePath.h"

#include "core/Format.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace NTev::NSys::NFolderAccess
{
namespace
{
using namespace NTev::NFolderAccess;

constexpr const wchar_t* gc_TrustedInstaller =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
// OWNER RIGHTS.
constexpr const wchar_t* gc_OwnerRights = L"S-1-3-4";

std::wstring fg_Wide(const char* path)
{
    std::string native(path);
    for (char& c : native)
        if (c == '/')
            c = '\\';
    const int length = MultiByteToWideChar(CP_ACP, 0, native.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, native.c_str(), -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

// A known SID in a buffer of its own.
struct CSid
{
    std::vector<unsigned char> m_Bytes;
    PSID f_Get() { return m_Bytes.empty() ? nullptr : m_Bytes.data(); }
};

CSid fg_WellKnown(WELL_KNOWN_SID_TYPE type)
{
    CSid sid;
    DWORD size = SECURITY_MAX_SID_SIZE;
    sid.m_Bytes.resize(size);
    if (!CreateWellKnownSid(type, nullptr, sid.m_Bytes.data(), &size))
        sid.m_Bytes.clear();
    return sid;
}

CSid fg_FromString(const wchar_t* text)
{
    CSid sid;
    PSID converted = nullptr;
    if (ConvertStringSidToSidW(text, &converted))
    {
        const DWORD length = GetLengthSid(converted);
        sid.m_Bytes.assign(static_cast<unsigned char*>(converted),
                           static_cast<unsigned char*>(converted) + length);
        LocalFree(converted);
    }
    return sid;
}

ETrustee fg_Classify(PSID sid)
{
    if (!sid || !IsValidSid(sid))
        return ETrustee::Other;
    const struct
    {
        CSid m_Sid;
        ETrustee m_Trustee;
    } known[] = {
        {fg_WellKnown(WinLocalSystemSid), ETrustee::System},
        {fg_WellKnown(WinBuiltinAdministratorsSid), ETrustee::Administrators},
        {fg_FromString(gc_TrustedInstaller), ETrustee::TrustedInstaller},
        {fg_WellKnown(WinCreatorOwnerSid), ETrustee::CreatorOwner},
        {fg_FromString(gc_OwnerRights), ETrustee::OwnerRights},
        {fg_WellKnown(WinBuiltinUsersSid), ETrustee::Users},
    };
    for (const auto& entry : known)
        if (!entry.m_Sid.m_Bytes.empty() &&
            EqualSid(sid, const_cast<unsigned char*>(entry.m_Sid.m_Bytes.data())))
            return entry.m_Trustee;
    return ETrustee::Other;
}

void fg_Trace(const char* what, const char* path, DWORD error)
{
    gf_DebugOutput("Folder protection: {} {}: error {}\n", what, path, static_cast<std::uint32_t>(error));
}

bool fg_IsLink(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool fg_IsSafe(const CFolderAccess& access, EProtection protection)
{
    return !gf_CanOthersWrite(access) &&
           (protection == EProtection::ProgramFolder || !gf_CanOthersRead(access));
}

// The protection's list in a buffer the caller frees with LocalFree; null on failure.
PACL fg_BuildList(EProtection protection)
{
    CSid system = fg_WellKnown(WinLocalSystemSid);
    CSid administrators = fg_WellKnown(WinBuiltinAdministratorsSid);
    CSid users = fg_WellKnown(WinBuiltinUsersSid);
    const CFolderAccess wanted = gf_ProtectedAccess(protection);
    std::vector<EXPLICIT_ACCESS_W> entries;
    for (const CEntry& entry : wanted.m_Entries)
    {
        CSid& sid = entry.m_Trustee == ETrustee::System           ? system
                    : entry.m_Trustee == ETrustee::Administrators ? administrators
                                                                  : users;
        if (!sid.f_Get())
            return nullptr;
        EXPLICIT_ACCESS_W access = {};
        access.grfAccessPermissions = entry.m_Mask;
        access.grfAccessMode = SET_ACCESS;
        access.grfInheritance = entry.m_Inherit;
        access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
        access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
        access.Trustee.ptstrName = static_cast<LPWSTR>(sid.f_Get());
        entries.push_back(access);
    }
    PACL list = nullptr;
    if (SetEntriesInAclW(static_cast<ULONG>(entries.size()), entries.data(), nullptr, &list) != ERROR_SUCCESS)
        return nullptr;
    return list;
}

bool fg_Create(const std::wstring& path, EProtection protection)
{
    // Wine turns rules into a Unix mode, and these would lock the folder even for the program.
    if (!gf_SystemKeepsFolderRules())
        return CreateDirectoryW(path.c_str(), nullptr);
    PACL list = fg_BuildList(protection);
    if (!list)
        return false;
    SECURITY_DESCRIPTOR descriptor;
    bool made = InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                SetSecurityDescriptorDacl(&descriptor, TRUE, list, FALSE) &&
                SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    if (made)
    {
        SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &descriptor, FALSE};
        made = CreateDirectoryW(path.c_str(), &attributes);
    }
    LocalFree(list);
    return made;
}
} // namespace

bool gf_DescribeSecurity(PSECURITY_DESCRIPTOR descriptor, CFolderAccess& access) noexcept
{
    PSID owner = nullptr;
    BOOL ownerDefaulted = FALSE;
    BOOL present = FALSE;
    PACL list = nullptr;
    BOOL listDefaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &ownerDefaulted) ||
        !GetSecurityDescriptorDacl(descriptor, &present, &list, &listDefaulted))
        return false;
    access = CFolderAccess();
    access.m_Owner = fg_Classify(owner);
    access.m_bHasList = present && list;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (GetSecurityDescriptorControl(descriptor, &control, &revision))
        access.m_bProtected = (control & SE_DACL_PROTECTED) != 0;
    for (DWORD i = 0; access.m_bHasList && i < list->AceCount; ++i)
    {
        void* ace = nullptr;
        if (!GetAce(list, i, &ace))
            return false;
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        CEntry entry;
        entry.m_Inherit = header->AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE |
                                              NO_PROPAGATE_INHERIT_ACE | INHERIT_ONLY_ACE | INHERITED_ACE);
        // Every allowing and denying type starts with the mask; only the two plain types are
        // known to carry the SID next. Others (object and callback entries) count as naming
        // anybody.
        entry.m_Mask = static_cast<const ACCESS_ALLOWED_ACE*>(ace)->Mask;
        switch (header->AceType)
        {
            case ACCESS_ALLOWED_ACE_TYPE:
            case ACCESS_DENIED_ACE_TYPE:
                entry.m_bAllow = header->AceType == ACCESS_ALLOWED_ACE_TYPE;
                entry.m_Trustee = fg_Classify(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart);
                break;
            case ACCESS_DENIED_OBJECT_ACE_TYPE:
            case ACCESS_DENIED_CALLBACK_ACE_TYPE:
            case ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE:
                entry.m_bAllow = false;
                break;
            default:
                entry.m_bAllow = true;
                break;
        }
        access.m_Entries.push_back(entry);
    }
    return true;
}

std::vector<unsigned char> gf_BuildProtectedDescriptor(EProtection protection)
{
    std::vector<unsigned char> relative;
    PACL list = fg_BuildList(protection);
    if (!list)
        return relative;
    CSid administrators = fg_WellKnown(WinBuiltinAdministratorsSid);
    SECURITY_DESCRIPTOR descriptor;
    DWORD size = 0;
    if (InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorOwner(&descriptor, administrators.f_Get(), FALSE) &&
        SetSecurityDescriptorDacl(&descriptor, TRUE, list, FALSE) &&
        SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED) &&
        !MakeSelfRelativeSD(&descriptor, nullptr, &size) && GetLastError() == ERROR_INSUFFICIENT_BUFFER)
    {
        relative.resize(size);
        if (!MakeSelfRelativeSD(&descriptor, relative.data(), &size))
            relative.clear();
    }
    LocalFree(list);
    return relative;
}

bool gf_SystemKeepsFolderRules() noexcept
{
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return !ntdll || !GetProcAddress(ntdll, "wine_get_version");
}

bool gf_ReadFolderAccess(const char* path, CFolderAccess& access) noexcept
{
    const std::wstring wide = fg_Wide(path);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD error = GetNamedSecurityInfoW(wide.c_str(), SE_FILE_OBJECT,
                                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                                              nullptr, nullptr, nullptr, &descriptor);
    if (error != ERROR_SUCCESS)
        return false;
    const bool described = gf_DescribeSecurity(descriptor, access);
    LocalFree(descriptor);
    return described;
}

bool gf_SetFolderProtection(const char* path, EProtection protection) noexcept
{
    const std::wstring wide = fg_Wide(path);
    PACL list = fg_BuildList(protection);
    if (!list)
    {
        fg_Trace("cannot build the rules for", path, GetLastError());
        return false;
    }
    CSid administrators = fg_WellKnown(WinBuiltinAdministratorsSid);
    std::vector<wchar_t> name(wide.begin(), wide.end());
    name.push_back(L'\0');
    DWORD error = SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                                        OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                            PROTECTED_DACL_SECURITY_INFORMATION,
                                        administrators.f_Get(), nullptr, list, nullptr);
    // A caller who may not hand the folder to the Administrators group still sets the rules; an
    // owner that is no administrator then fails the check that follows.
    if (error != ERROR_SUCCESS)
        error = SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT,
                                      DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                      nullptr, nullptr, list, nullptr);
    LocalFree(list);
    if (error != ERROR_SUCCESS)
        fg_Trace("cannot set the rules of", path, error);
    return error == ERROR_SUCCESS;
}

bool gf_PrepareProtectedFolder(const char* path, EProtection protection) noexcept
{
    const std::wstring wide = fg_Wide(path);
    if (wide.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
    {
        CFolderAccess access;
        const bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (directory && !fg_IsLink(wide) &&
            (!gf_SystemKeepsFolderRules() ||
             (gf_ReadFolderAccess(path, access) && fg_IsSafe(access, protection))))
            return true;
        // Made or changed by someone else: what it holds is not trusted, so it is kept aside
        // rather than taken over.
        bool moved = false;
        for (int n = 1; n <= 100 && !moved; ++n)
        {
            const std::wstring aside = wide + L".untrusted." + std::to_wstring(n);
            moved = MoveFileExW(wide.c_str(), aside.c_str(), 0);
        }
        if (!moved)
        {
            fg_Trace("cannot move aside the unprotected", path, GetLastError());
            return false;
        }
        gf_DebugOutput("Folder protection: {} was not protected and was moved aside\n", path);
    }
    if (!fg_Create(wide, protection))
    {
        fg_Trace("cannot create", path, GetLastError());
        return false;
    }
    if (!gf_SystemKeepsFolderRules())
        return true;
    // The owner is whoever created it; the program's protection names the Administrators.
    gf_SetFolderProtection(path, protection);
    CFolderAccess access;
    if (!gf_ReadFolderAccess(path, access) || !fg_IsSafe(access, protection))
    {
        gf_DebugOutput("Folder protection: {} is not protected after creation\n", path);
        return false;
    }
    return true;
}

namespace
{
NStr::CStr fg_KnownFolder(int folder)
{
    wchar_t wide[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, wide)))
        return NStr::CStr();
    // The program's file functions take the ANSI code page: a path it cannot express is none.
    NStr::CStr narrow;
    return gf_ToAnsiPath(wide, narrow) ? narrow : NStr::CStr();
}
} // namespace

NStr::CStr gf_GetSharedDataFolder()
{
    return fg_KnownFolder(CSIDL_COMMON_APPDATA);
}

NStr::CStr gf_GetUserLocalDataFolder()
{
    return fg_KnownFolder(CSIDL_LOCAL_APPDATA);
}

bool gf_MakeFolder(const char* path) noexcept
{
    const std::wstring wide = fg_Wide(path);
    return CreateDirectoryW(wide.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}
} // namespace NTev::NSys::NFolderAccess
