// Directory listing and gf_Exists, the same on every backend.

#include "core/SysFind.h"
#include "tests/core/FileTestSupport.h"
#include "tests/support/ExceptionMatch.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>

using namespace NTev::NSys::NFile;
using namespace NQuillonTest;

namespace
{
class SysFind : public ::testing::Test
{
protected:
    void SetUp() override
    {
        gf_WriteFileBytes(m_Directory.f_Path("a.txt"), "a");
        gf_WriteFileBytes(m_Directory.f_Path("b.dat"), "b");
        gf_MakeDirectory(m_Directory.f_Path("sub"));
    }

    // Every entry a search returns, by full path, with its attribute bits.
    std::map<std::string, std::uint32_t> f_FindAll(const std::string& pattern)
    {
        std::map<std::string, std::uint32_t> found;
        CFindRecord* record = gf_FindOpen(pattern.c_str());
        std::uint32_t attributes = 0;
        while (const NTev::CStr* path = gf_FindNext(record, &attributes))
            EXPECT_TRUE(found.emplace(path->f_GetStr(), attributes).second) << path->f_GetStr();
        // Exhausted stays exhausted.
        EXPECT_EQ(gf_FindNext(record, &attributes), nullptr);
        gf_FindClose(record);
        return found;
    }

    CTempDirectory m_Directory;
};
} // namespace

TEST_F(SysFind, ListsADirectoryWithoutDotEntries)
{
    std::map<std::string, std::uint32_t> found = f_FindAll(m_Directory.f_Path("*"));
    std::map<std::string, std::uint32_t> expected = {{m_Directory.f_Path("a.txt"), 0},
                                                     {m_Directory.f_Path("b.dat"), 0},
                                                     {m_Directory.f_Path("sub"), AttributeDirectory}};
    EXPECT_EQ(found, expected);
    EXPECT_EQ(f_FindAll(m_Directory.f_Path("*.*")), expected);
}

TEST_F(SysFind, WildcardsSelect)
{
    EXPECT_EQ(f_FindAll(m_Directory.f_Path("*.txt")),
              (std::map<std::string, std::uint32_t>{{m_Directory.f_Path("a.txt"), 0}}));
    EXPECT_EQ(f_FindAll(m_Directory.f_Path("?.dat")),
              (std::map<std::string, std::uint32_t>{{m_Directory.f_Path("b.dat"), 0}}));
    EXPECT_EQ(f_FindAll(m_Directory.f_Path("s*b")),
              (std::map<std::string, std::uint32_t>{{m_Directory.f_Path("sub"), AttributeDirectory}}));
    EXPECT_TRUE(f_FindAll(m_Directory.f_Path("*.none")).empty());
}

TEST_F(SysFind, EmptyDirectoryAndMissingNames)
{
    EXPECT_TRUE(f_FindAll(m_Directory.f_Path("sub/*")).empty());
    EXPECT_TRUE(f_FindAll(m_Directory.f_Path("missing.dat")).empty());
    EXPECT_TRUE(f_FindAll(m_Directory.f_Path("missing/*")).empty());
}

TEST_F(SysFind, LiteralNamesAndBackslashes)
{
    EXPECT_EQ(f_FindAll(m_Directory.f_Path("sub")),
              (std::map<std::string, std::uint32_t>{{m_Directory.f_Path("sub"), AttributeDirectory}}));
    // A relative step is resolved; returned paths use "/".
    EXPECT_EQ(f_FindAll(m_Directory.f_Path("sub/../a.txt")),
              (std::map<std::string, std::uint32_t>{{m_Directory.f_Path("a.txt"), 0}}));
}

TEST_F(SysFind, HiddenAndReadOnlyBits)
{
    // Names starting with a dot count as hidden (Wine reports them so as well).
    gf_WriteFileBytes(m_Directory.f_Path(".hidden"), "h");
    const std::string readOnly = m_Directory.f_Path("locked.txt");
    gf_WriteFileBytes(readOnly, "r");
    std::filesystem::permissions(readOnly,
                                 std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    std::map<std::string, std::uint32_t> found = f_FindAll(m_Directory.f_Path("*"));
    EXPECT_EQ(found[m_Directory.f_Path(".hidden")], AttributeHidden);
    EXPECT_EQ(found[m_Directory.f_Path("locked.txt")], AttributeReadOnly);
    EXPECT_TRUE(gf_Exists(readOnly.c_str(), AttributeReadOnly));
    EXPECT_FALSE(gf_Exists(m_Directory.f_Path("a.txt").c_str(), AttributeReadOnly));
}

TEST_F(SysFind, ExistsMasks)
{
    const std::string file = m_Directory.f_Path("a.txt");
    const std::string directory = m_Directory.f_Path("sub");
    const std::string missing = m_Directory.f_Path("missing");
    EXPECT_TRUE(gf_Exists(file.c_str(), ExistsNotDirectory));
    EXPECT_FALSE(gf_Exists(directory.c_str(), ExistsNotDirectory));
    EXPECT_TRUE(gf_Exists(directory.c_str(), AttributeDirectory));
    EXPECT_FALSE(gf_Exists(file.c_str(), AttributeDirectory));
    EXPECT_TRUE(gf_Exists(directory.c_str(), AttributeDirectory | ExistsNotDirectory));
    EXPECT_TRUE(gf_Exists(file.c_str(), AttributeDirectory | ExistsNotDirectory));
    EXPECT_FALSE(gf_Exists(missing.c_str(), 0xFF));
    // A mask without a matching bit: the entry exists, but not as asked.
    EXPECT_FALSE(gf_Exists(file.c_str(), 0));
    // Patterns work too: the first match decides.
    EXPECT_TRUE(gf_Exists(m_Directory.f_Path("*.txt").c_str(), ExistsNotDirectory));
}

TEST_F(SysFind, UnresolvablePatterns)
{
    // The system's error for an empty path varies (Wine reports none); the call is what counts.
    try
    {
        gf_FindClose(gf_FindOpen(""));
        ADD_FAILURE() << "an empty pattern was resolved";
    }
    catch (const NTev::NFile::CExceptionFile& exception)
    {
        EXPECT_EQ(std::string(exception.f_GetMessage())
                      .rfind("Windows returned an error from GetFullPathName: ", 0),
                  0u)
            << exception.f_GetMessage();
    }
    // gf_Exists takes a failed search as false.
    EXPECT_FALSE(gf_Exists("", 0xFF));
}
