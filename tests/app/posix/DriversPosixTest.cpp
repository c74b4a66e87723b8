// Without a registry or services the driver work does nothing, but the uninstall request is
// still answered.

#include "app/Drivers.h"
#include "tests/core/FileTestSupport.h"

#include <gtest/gtest.h>

using namespace NQuillon::NDrivers;
using NQuillonTest::gf_PathExists;

TEST(DriversPosix, InstallationDoesNothing)
{
    NQuillonTest::CTempDirectory directory;
    NTev::CStr path(directory.f_GetPath().c_str());
    NQuillonTest::gf_WriteFileBytes(directory.f_Path("QuillonFilter.x64.sys"), "filter");
    NQuillonTest::gf_WriteFileBytes(directory.f_Path("QuillonFilter.x86.sys"), "filter");
    gf_InstallClassFilter(path, path);
    gf_InstallHidFilter(path, path, true);
    EXPECT_FALSE(gf_PathExists(directory.f_Path("Rebootneeded")));
    EXPECT_FALSE(gf_RemoveDriversIfRequested(path, path));
}

TEST(DriversPosix, UninstallRequestIsAnswered)
{
    NQuillonTest::CTempDirectory directory;
    NTev::CStr path(directory.f_GetPath().c_str());
    NQuillonTest::gf_WriteFileBytes(directory.f_Path("UninstallDrivers"), "\1");
    EXPECT_TRUE(gf_RemoveDriversIfRequested(path, path));
    EXPECT_FALSE(gf_PathExists(directory.f_Path("UninstallDrivers")));
    EXPECT_TRUE(gf_PathExists(directory.f_Path("UninstallDriversDone")));
    EXPECT_TRUE(gf_IsRebootMarkerSet(path));
}
