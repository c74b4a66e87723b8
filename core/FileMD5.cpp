#include "core/FileMD5.h"

#include "core/File.h"

#include <vector>

namespace NTev::NSys::NFile
{
CMD5Digest gf_GetFileMD5(const char* path)
{
    using namespace ::NTev::NFile;
    constexpr std::int64_t c_PieceSize = 32768;

    CFile file;
    file.f_Open(path, OpenRead | OpenShareRead | OpenShareWrite);
    std::vector<std::uint8_t> piece(c_PieceSize);
    CMD5 md5;
    try
    {
        std::int64_t size = file.f_GetSize();
        for (std::int64_t done = 0; done < size;)
        {
            std::int64_t count = size - done < c_PieceSize ? size - done : c_PieceSize;
            file.f_Read(piece.data(), count);
            md5.f_Update(piece.data(), static_cast<std::size_t>(count));
            done += count;
        }
    }
    catch (...)
    {
        gf_SecureZero(piece.data(), piece.size());
        throw;
    }
    gf_SecureZero(piece.data(), piece.size());
    file.f_Close();
    return md5.f_Finish();
}
} // namespace NTev::NSys::NFile
