// Full paths, resolved without looking at the disk.

#include "core/FullPath.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace NTev::NSys::NFile;

namespace
{
std::string fg_Full(const char* path)
{
    return gf_WithSlashes(gf_GetFullPath(path, "test").f_GetStr()).f_GetStr();
}
} // namespace

TEST(FullPath, RelativePathsResolveAgainstTheCurrentDirectory)
{
    const std::string current = std::filesystem::current_path().generic_string();
    EXPECT_EQ(fg_Full("a.dat"), current + "/a.dat");
    EXPECT_EQ(fg_Full("./x/../y/./z.dat"), current + "/y/z.dat");
    EXPECT_EQ(fg_Full("no/such/dir/file"), current + "/no/such/dir/file");
}

TEST(FullPath, FoldsDotsOfAbsolutePaths)
{
    const std::string base = std::filesystem::temp_directory_path().generic_string();
    const std::string root = base.back() == '/' ? base.substr(0, base.size() - 1) : base;
    EXPECT_EQ(fg_Full((root + "/a/b/../c").c_str()), root + "/a/c");
    EXPECT_EQ(fg_Full((root + "/a/./b/.").c_str()), root + "/a/b");
    // A trailing separator stays.
    EXPECT_EQ(fg_Full((root + "/a/").c_str()), root + "/a/");
}

TEST(FullPath, SlashesOnly)
{
    EXPECT_STREQ(gf_WithSlashes("C:\\a\\b/c").f_GetStr(), "C:/a/b/c");
    EXPECT_STREQ(gf_WithSlashes("").f_GetStr(), "");
}
