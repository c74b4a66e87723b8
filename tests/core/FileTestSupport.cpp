#include "tests/core/FileTestSupport.h"

#include "core/ErrorText.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>

namespace NQuillonTest
{
CTempDirectory::CTempDirectory()
{
    std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device random;
    for (;;)
    {
        std::filesystem::path candidate = base / ("quillon-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate))
        {
            m_Path = candidate.generic_string();
            return;
        }
    }
}

CTempDirectory::~CTempDirectory()
{
    std::error_code error;
    // Read-only entries are made writable first: Windows deletes no read-only file.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_Path, error))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(m_Path, error);
}

void gf_WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(file.good()) << path;
}

std::string gf_ReadFileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool gf_PathExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

void gf_MakeDirectory(const std::string& path)
{
    ASSERT_TRUE(std::filesystem::create_directory(path)) << path;
}

std::string gf_SystemErrorMessage(const char* call, ESystemError error)
{
    return std::string("Windows returned an error from ") + call + ": " +
           NTev::gf_GetErrorText(gf_SystemErrorCode(error)).f_GetStr();
}

CHandleGuard::~CHandleGuard()
{
    f_Close();
}

void CHandleGuard::f_Close()
{
    if (m_pHandle)
        NTev::NSys::NFile::gf_Close(m_pHandle);
    m_pHandle = nullptr;
}
} // namespace NQuillonTest
