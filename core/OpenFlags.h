#pragma once
// Open flags of files and the checks and creation mode that gf_Open derives from them.

#include <cstdint>

namespace NTev::NFile
{
inline constexpr std::uint32_t OpenRead = 0x01;
inline constexpr std::uint32_t OpenWrite = 0x02;
// The file must exist.
inline constexpr std::uint32_t OpenDontCreate = 0x04;
// An existing file is not emptied.
inline constexpr std::uint32_t OpenKeepContents = 0x08;
// The file must not exist yet.
inline constexpr std::uint32_t OpenDontOpenExisting = 0x10;
// Others may open the file for reading / writing while this open lasts.
inline constexpr std::uint32_t OpenShareRead = 0x20;
inline constexpr std::uint32_t OpenShareWrite = 0x40;
inline constexpr std::uint32_t OpenWriteThrough = 0x80;
// Others may delete or replace the file while this open lasts (Windows; elsewhere a file that
// is open can always be replaced).
inline constexpr std::uint32_t OpenShareDelete = 0x100;
} // namespace NTev::NFile

namespace NTev::NSys::NFile
{
// What an open does about an existing or missing file.
enum class ECreationMode
{
    CreateNew,        // fails if the file exists
    OpenExisting,     // fails if it is missing
    TruncateExisting, // fails if it is missing, empties it otherwise
    OpenAlways,       // creates it if missing
    CreateAlways,     // creates it if missing, empties it otherwise
};

// Throws CExceptionFile (as gf_Open) for flags that cannot make sense, before anything
// touches the disk.
void gf_CheckOpenFlags(std::uint32_t flags);
// The creation mode of checked flags.
ECreationMode gf_GetCreationMode(std::uint32_t flags) noexcept;
} // namespace NTev::NSys::NFile
