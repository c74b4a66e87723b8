#include "app/FilterList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace NQuillon::NDrivers;

namespace
{
CFilterList fg_List(std::vector<const char*> names)
{
    CFilterList list;
    for (const char* name : names)
        list.emplace_back(name);
    return list;
}

std::vector<std::string> fg_Names(const CFilterList& list)
{
    std::vector<std::string> names;
    for (const NTev::CStr& entry : list)
        names.emplace_back(entry.f_GetStr());
    return names;
}

using CNames = std::vector<std::string>;
} // namespace

TEST(FilterList, PutFirstInFrontOfAnotherFilter)
{
    CFilterList list = fg_List({"kbdclass"});
    EXPECT_TRUE(gf_PutFilterFirst(list, "QuillonFilter"));
    EXPECT_EQ(fg_Names(list), (CNames{"QuillonFilter", "kbdclass"}));
}

TEST(FilterList, PutFirstIntoAnEmptyList)
{
    CFilterList list;
    EXPECT_TRUE(gf_PutFilterFirst(list, "QuillonFilter"));
    EXPECT_EQ(fg_Names(list), (CNames{"QuillonFilter"}));
}

TEST(FilterList, AlreadyFirstIsLeftAlone)
{
    CFilterList list = fg_List({"QuillonFilter", "kbdclass"});
    EXPECT_FALSE(gf_PutFilterFirst(list, "QuillonFilter"));
    EXPECT_EQ(fg_Names(list), (CNames{"QuillonFilter", "kbdclass"}));
    // Service names are looked up without regard to case.
    list = fg_List({"quillonfilter", "kbdclass"});
    EXPECT_FALSE(gf_PutFilterFirst(list, "QuillonFilter"));
    EXPECT_EQ(fg_Names(list), (CNames{"quillonfilter", "kbdclass"}));
}

TEST(FilterList, SecondPlaceIsMovedFirstWithoutDuplicates)
{
    CFilterList list = fg_List({"kbdclass", "QuillonFilter", "other", "QUILLONFILTER"});
    EXPECT_TRUE(gf_PutFilterFirst(list, "QuillonFilter"));
    EXPECT_EQ(fg_Names(list), (CNames{"QuillonFilter", "kbdclass", "other"}));
}

TEST(FilterList, AppendOnce)
{
    CFilterList list = fg_List({"other"});
    EXPECT_TRUE(gf_AppendFilterOnce(list, "Parlix"));
    EXPECT_FALSE(gf_AppendFilterOnce(list, "Parlix"));
    EXPECT_FALSE(gf_AppendFilterOnce(list, "parlix"));
    EXPECT_EQ(fg_Names(list), (CNames{"other", "Parlix"}));
    list = fg_List({"Parlix", "other"});
    EXPECT_FALSE(gf_AppendFilterOnce(list, "Parlix"));
    EXPECT_EQ(fg_Names(list), (CNames{"Parlix", "other"}));
}

TEST(FilterList, RemoveEveryEntry)
{
    CFilterList list = fg_List({"QuillonFilter", "kbdclass", "quillonfilter", "QuillonFilterX"});
    EXPECT_TRUE(gf_RemoveFilter(list, "QuillonFilter"));
    EXPECT_EQ(fg_Names(list), (CNames{"kbdclass", "QuillonFilterX"}));
    EXPECT_FALSE(gf_RemoveFilter(list, "QuillonFilter"));
    CFilterList empty;
    EXPECT_FALSE(gf_RemoveFilter(empty, "QuillonFilter"));
}

TEST(FilterList, SameFilterComparesWholeNames)
{
    EXPECT_TRUE(gf_IsSameFilter("Parlix", "PARLIX"));
    EXPECT_FALSE(gf_IsSameFilter("Parlix", "Parlix2"));
    EXPECT_FALSE(gf_IsSameFilter("Parli", "Parlix"));
    EXPECT_FALSE(gf_IsSameFilter("", "Parlix"));
}

TEST(MultiString, ParsesTheStringsUpToTheEmptyOne)
{
    const char data[] = "first\0second\0\0ignored\0";
    EXPECT_EQ(fg_Names(gf_ParseMultiString(data, sizeof(data) - 1)), (CNames{"first", "second"}));
}

TEST(MultiString, ToleratesMissingTerminators)
{
    EXPECT_EQ(fg_Names(gf_ParseMultiString("first\0second", 12)), (CNames{"first", "second"}));
    EXPECT_EQ(fg_Names(gf_ParseMultiString("first\0", 6)), (CNames{"first"}));
    EXPECT_TRUE(gf_ParseMultiString("", 0).empty());
    EXPECT_TRUE(gf_ParseMultiString("\0", 1).empty());
    EXPECT_TRUE(gf_ParseMultiString("\0\0", 2).empty());
}

TEST(MultiString, BuildsTheRegistryForm)
{
    EXPECT_EQ(gf_BuildMultiString(fg_List({"QuillonFilter", "kbdclass"})),
              std::string("QuillonFilter\0kbdclass\0\0", 24));
    EXPECT_EQ(gf_BuildMultiString({}), std::string("\0\0", 2));
    std::string bytes = gf_BuildMultiString(fg_List({"a", "bc"}));
    EXPECT_EQ(fg_Names(gf_ParseMultiString(bytes.data(), bytes.size())), (CNames{"a", "bc"}));
}
