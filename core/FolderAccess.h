#pragma once
// A folder's access rules as plain data, and the questions the program asks of them: can a
// user who is not an administrator write (or read) there? The program folder must be safe from
// writes, since the service, running as SYSTEM, loads and copies files from it; the service's
// state folder is safe from reads too, since its crash files hold recent key records. The OS
// layer (SysFolderAccess.h) turns a real security descriptor into this description.

#include <cstdint>
#include <vector>

namespace NTev::NFolderAccess
{
// Who an entry names, as far as the questions care.
enum class ETrustee
{
    System,
    Administrators,
    TrustedInstaller,
    // CREATOR OWNER: stands for whoever creates an object below; replaced on inheritance.
    CreatorOwner,
    // OWNER RIGHTS: the rights of the object's owner, whoever that is.
    OwnerRights,
    // The local Users group.
    Users,
    // Any other account or group (Everyone, Authenticated Users, a user).
    Other,
};

enum EInherit : std::uint32_t
{
    InheritObjects = 0x1,
    InheritContainers = 0x2,
    InheritNoPropagate = 0x4,
    // The entry applies only to what is created below, not to the folder itself.
    InheritOnly = 0x8,
    // The entry was inherited from the parent folder.
    Inherited = 0x10,
};

// Access mask bits, with their system values.
enum EAccess : std::uint32_t
{
    AccessReadData = 0x1,  // list the folder, read a file
    AccessAddFile = 0x2,   // create a file, write a file's data
    AccessAddFolder = 0x4, // create a subfolder, append to a file
    AccessReadEa = 0x8,
    AccessWriteEa = 0x10,
    AccessExecute = 0x20,
    AccessDeleteChild = 0x40,
    AccessReadAttributes = 0x80,
    AccessWriteAttributes = 0x100,
    AccessDelete = 0x10000,
    AccessReadControl = 0x20000,
    AccessWriteDac = 0x40000,
    AccessWriteOwner = 0x80000,
    AccessSynchronize = 0x100000,
    AccessGenericAll = 0x10000000,
    AccessGenericExecute = 0x20000000,
    AccessGenericWrite = 0x40000000,
    AccessGenericRead = 0x80000000,
};

// Every right that changes the folder, its files or their rules.
inline constexpr std::uint32_t gc_WriteRights =
    AccessAddFile | AccessAddFolder | AccessWriteEa | AccessDeleteChild | AccessWriteAttributes |
    AccessDelete | AccessWriteDac | AccessWriteOwner | AccessGenericAll | AccessGenericWrite;
// Every right that reads a file's data (or the folder's list).
inline constexpr std::uint32_t gc_ReadRights = AccessReadData | AccessGenericAll | AccessGenericRead;
// Full control of a folder and what it holds.
inline constexpr std::uint32_t gc_FullControl = 0x1F01FF;
// Read and execute, as the system's folder dialog grants it.
inline constexpr std::uint32_t gc_ReadAndExecute = 0x1200A9;

struct CEntry
{
    ETrustee m_Trustee = ETrustee::Other;
    bool m_bAllow = true;
    std::uint32_t m_Mask = 0;
    std::uint32_t m_Inherit = 0;

    bool operator==(const CEntry&) const = default;
};

struct CFolderAccess
{
    // The folder's owner may always change its rules.
    ETrustee m_Owner = ETrustee::Other;
    // No list at all (a null DACL) grants everyone everything; an empty list grants nothing.
    bool m_bHasList = true;
    // Whether entries of the parent folder are kept out.
    bool m_bProtected = false;
    std::vector<CEntry> m_Entries;
};

// Whether a user who is not an administrator may write the folder or anything below it.
bool gf_CanOthersWrite(const CFolderAccess& access);
// Whether such a user may read the folder's list or its files' data.
bool gf_CanOthersRead(const CFolderAccess& access);

// The rules the program sets: SYSTEM and Administrators full control (and Administrators the
// owner), inherited by files and subfolders, nothing from the parent. The program folder adds
// Users read and execute; the service's state folder admits nobody else.
enum class EProtection
{
    ProgramFolder,
    StateFolder,
};
CFolderAccess gf_ProtectedAccess(EProtection protection);
} // namespace NTev::NFolderAccess
