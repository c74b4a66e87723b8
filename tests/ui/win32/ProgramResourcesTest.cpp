// Every program carries the manifest (common controls 6, DPI awareness), the icon and a
// version resource that names it; this test program carries them too, and gets the common
// controls 6 through its manifest.

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace
{
struct CProgram
{
    const char* m_Path;
    const char* m_FileName;
};

class CProgramResourcesTest : public ::testing::TestWithParam<CProgram>
{
protected:
    void SetUp() override
    {
        m_Module = LoadLibraryExA(GetParam().m_Path, nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(m_Module, nullptr) << GetParam().m_Path << " " << GetLastError();
    }
    void TearDown() override
    {
        if (m_Module)
            FreeLibrary(m_Module);
    }
    std::string fp_Resource(LPCSTR type, LPCSTR name)
    {
        HRSRC found = FindResourceA(m_Module, name, type);
        if (!found)
            return {};
        const char* data = static_cast<const char*>(LockResource(LoadResource(m_Module, found)));
        return std::string(data, SizeofResource(m_Module, found));
    }
    std::string fp_VersionString(const char* key)
    {
        std::string block = fp_Resource(MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1));
        if (block.empty())
            return {};
        std::vector<char> copy(block.begin(), block.end());
        char* value = nullptr;
        UINT length = 0;
        const std::string path = std::string("\\StringFileInfo\\040904B0\\") + key;
        if (!VerQueryValueA(copy.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
            return {};
        return value;
    }

    HMODULE m_Module = nullptr;
};
} // namespace

TEST_P(CProgramResourcesTest, CarriesTheManifestTheIconAndItsVersion)
{
    const std::string manifest = fp_Resource(MAKEINTRESOURCEA(24), MAKEINTRESOURCEA(1));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
    EXPECT_NE(FindResourceA(m_Module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(14)), nullptr); // the icon group
    EXPECT_EQ(fp_VersionString("ProductName"), "Quillon");
    EXPECT_EQ(fp_VersionString("ProductVersion"), QUILLON_VERSION);
    EXPECT_EQ(fp_VersionString("FileVersion"), QUILLON_VERSION ".0");
    EXPECT_NE(manifest.find("version=\"" QUILLON_VERSION ".0\""), std::string::npos);
    EXPECT_EQ(fp_VersionString("OriginalFilename"), GetParam().m_FileName);
    EXPECT_FALSE(fp_VersionString("FileDescription").empty());
}

INSTANTIATE_TEST_SUITE_P(Programs, CProgramResourcesTest,
                         ::testing::Values(CProgram{QUILLON_PROGRAM, QUILLON_PROGRAM_NAME},
                                           CProgram{QUILLON_LAUNCHER_PROGRAM, "Quillon.exe"},
                                           CProgram{QUILLON_FILTER_PROGRAM, "quillon-filter.exe"}));

TEST(CCommonControlsTest, TheManifestSelectsVersionSix)
{
    // Version 6 is the side-by-side assembly (its DllGetVersion does not tell under Wine):
    // the comctl32 this program got is the one from the assembly's folder.
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&controls));
    HMODULE module = nullptr;
    ASSERT_TRUE(GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(reinterpret_cast<void*>(&InitCommonControlsEx)), &module));
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    std::string lower(path);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(lower.find("microsoft.windows.common-controls_6595b64144ccf1df_6."), std::string::npos) << path;
}
