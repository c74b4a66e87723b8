// Kept apart from the rest of the support: only the program's own tests build configurations.

#include "engine/MessageHook.h"
#include "tests/app/win32/AppTestSupport.h"
#include "tools/config/ConfigJson.h"

namespace NQuillonTest
{
::testing::AssertionResult gf_MakeProgramDirectory(const std::string& directory, const std::string& program,
                                                   const char* configuration)
{
    if (!CopyFileA(gf_ProgramPath().c_str(), program.c_str(), FALSE))
        return ::testing::AssertionFailure() << "the program was not copied: error " << GetLastError();
    NQuillon::CMessageHook writer;
    writer.f_SetSettingsDirectory(directory.c_str());
    NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(configuration), writer);
    if (!writer.f_SaveSettings())
        return ::testing::AssertionFailure() << "Settings.dat was not written to " << directory;
    return ::testing::AssertionSuccess();
}
} // namespace NQuillonTest
