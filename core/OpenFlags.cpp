#include "core/OpenFlags.h"

#include "core/Exception.h"

namespace NTev::NSys::NFile
{
using namespace ::NTev::NFile;

void gf_CheckOpenFlags(std::uint32_t flags)
{
    if (!(flags & (OpenRead | OpenWrite)))
        TEV_THROW(CExceptionFile, "NTev::NSys::NFile::gf_Open",
                  "Open flags contain neither read or write flags, one of them must be specified");
    if ((flags & OpenDontCreate) && (flags & OpenDontOpenExisting))
        TEV_THROW(CExceptionFile, "NTev::NSys::NFile::gf_Open",
                  "Conflicting open flags (both don't open existing and don't create)");
    if ((flags & OpenRead) && (flags & OpenDontOpenExisting) && !(flags & OpenWrite))
        TEV_THROW(CExceptionFile, "NTev::NSys::NFile::gf_Open",
                  "You are trying to open a file that does not exist for read access only, this makes no "
                  "sence)");
}

ECreationMode gf_GetCreationMode(std::uint32_t flags) noexcept
{
    if (flags & OpenDontOpenExisting)
        return ECreationMode::CreateNew;
    if (flags & OpenDontCreate)
        return flags & OpenKeepContents ? ECreationMode::OpenExisting : ECreationMode::TruncateExisting;
    if (flags & OpenWrite)
        return flags & OpenKeepContents ? ECreationMode::OpenAlways : ECreationMode::CreateAlways;
    return ECreationMode::OpenExisting;
}
} // namespace NTev::NSys::NFile
