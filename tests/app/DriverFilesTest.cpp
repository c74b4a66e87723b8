#include "app/DriverFiles.h"
#include "app/Drivers.h"
#include "app/Markers.h"
#include "core/Exception.h"
#include "tests/core/FileTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace NQuillon::NDrivers;
using NQuillonTest::CTempDirectory;

TEST(DriverFiles, ShippedFileByArchitecture)
{
    EXPECT_STREQ(gf_GetShippedFileName(gc_ClassFilter, 9).f_GetStr(), "QuillonFilter.x64.sys");
    EXPECT_STREQ(gf_GetShippedFileName(gc_ClassFilter, 0).f_GetStr(), "QuillonFilter.x86.sys");
    // Itanium and ARM get the x86 file, as every architecture but AMD64.
    EXPECT_STREQ(gf_GetShippedFileName(gc_ClassFilter, 6).f_GetStr(), "QuillonFilter.x86.sys");
    EXPECT_STREQ(gf_GetShippedFileName(gc_HidFilter, 9).f_GetStr(), "Parlix.x64.sys");
    EXPECT_STREQ(gf_GetShippedFileName(gc_HidFilter, 0).f_GetStr(), "Parlix.x86.sys");
}

TEST(DriverFiles, InstalledPaths)
{
    EXPECT_STREQ(gf_GetInstalledPath(gc_ClassFilter, "C:/Windows", "QuillonFilter.x64.sys").f_GetStr(),
                 "C:/Windows/System32/Drivers/QuillonFilter.x64.sys");
    EXPECT_STREQ(gf_GetInstalledPath(gc_HidFilter, "C:/Windows", "Parlix.x86.sys").f_GetStr(),
                 "C:/Windows/System32/Drivers/Parlix.sys");
    EXPECT_STREQ(gf_GetServiceKey(gc_ClassFilter).f_GetStr(), "Services\\QuillonFilter");
    EXPECT_STREQ(gf_GetServiceKey(gc_HidFilter).f_GetStr(), "Services\\Parlix");
    EXPECT_STREQ(gf_WithBackslashes("C:/Windows/System32/Drivers/Parlix.sys").f_GetStr(),
                 "C:\\Windows\\System32\\Drivers\\Parlix.sys");
    EXPECT_STREQ(gf_WithBackslashes("").f_GetStr(), "");
}

TEST(DriverFiles, OldFileNamesDifferByTime)
{
    NTev::CStr first = gf_GetOldFilePath("C:/d/Parlix.sys", NTev::CTime(100, 5));
    NTev::CStr second = gf_GetOldFilePath("C:/d/Parlix.sys", NTev::CTime(100, 6));
    EXPECT_STREQ(first.f_GetStr(), "C:/d/Parlix.sys.old.100.5");
    EXPECT_FALSE(first == second);
}

TEST(Markers, WriteFindDelete)
{
    CTempDirectory directory;
    NTev::CStr path(directory.f_GetPath().c_str());
    EXPECT_FALSE(gf_MarkerExists(path, gc_RebootMarker));
    gf_WriteMarker(path, gc_RebootMarker);
    EXPECT_TRUE(gf_MarkerExists(path, gc_RebootMarker));
    EXPECT_EQ(NQuillonTest::gf_ReadFileBytes(directory.f_Path("Rebootneeded")), std::string(1, '\1'));
    // Writing again replaces the file.
    NQuillonTest::gf_WriteFileBytes(directory.f_Path("Rebootneeded"), "longer");
    gf_WriteMarker(path, gc_RebootMarker);
    EXPECT_EQ(NQuillonTest::gf_ReadFileBytes(directory.f_Path("Rebootneeded")), std::string(1, '\1'));
    gf_DeleteMarker(path, gc_RebootMarker);
    EXPECT_FALSE(gf_MarkerExists(path, gc_RebootMarker));
    EXPECT_THROW(gf_DeleteMarker(path, gc_RebootMarker), NTev::NFile::CExceptionFile);
}

TEST(Markers, RebootMarkerIsSetAndSeenNotTaken)
{
    CTempDirectory directory;
    NTev::CStr path(directory.f_GetPath().c_str());
    EXPECT_FALSE(gf_IsRebootMarkerSet(path));
    gf_SetRebootMarker(path);
    EXPECT_TRUE(gf_IsRebootMarkerSet(path));
    EXPECT_TRUE(gf_IsRebootMarkerSet(path));
}

TEST(Markers, WithoutAStateFolderThereAreNone)
{
    const NTev::CStr none;
    EXPECT_FALSE(gf_MarkerExists(none, gc_RebootMarker));
    EXPECT_THROW(gf_WriteMarker(none, gc_RebootMarker), NTev::NFile::CExceptionFile);
    EXPECT_THROW(gf_DeleteMarker(none, gc_RebootMarker), NTev::NFile::CExceptionFile);
    EXPECT_NO_THROW(gf_SetRebootMarker(none));
    EXPECT_FALSE(gf_IsRebootMarkerSet(none));
}

TEST(Markers, FailuresDoNotEscape)
{
    CTempDirectory directory;
    NTev::CStr missing((directory.f_GetPath() + "/missing").c_str());
    EXPECT_NO_THROW(gf_SetRebootMarker(missing));
    EXPECT_FALSE(gf_IsRebootMarkerSet(missing));
    // A directory of the marker's name cannot be deleted as a file.
    NQuillonTest::gf_MakeDirectory(directory.f_Path("Rebootneeded"));
    NTev::CStr path(directory.f_GetPath().c_str());
    EXPECT_NO_THROW(gf_SetRebootMarker(path));
    EXPECT_FALSE(gf_IsRebootMarkerSet(path));
}
