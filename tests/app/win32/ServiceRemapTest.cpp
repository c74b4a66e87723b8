// The product end to end: the real program installed as a service in a directory of its own
// with a configuration, remapping records of the filter driver's stand-in, and letting go of
// the keys it holds when the service stops.

#include "app/CommandLineRole.h"
#include "tools/filterstandin/FilterStandIn.h"

#include "engine/MessageHook.h"
#include "tests/app/win32/AppTestSupport.h"
#include "tests/core/FileTestSupport.h"
#include "tests/engine/EngineTestSupport.h"
#include "tools/config/ConfigJson.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace NQuillon;
using namespace NQuillonTest;

namespace
{
// The key records written back: "30 make", ...
std::string fg_Take(CFilterStandIn& standIn, std::size_t count)
{
    standIn.f_WaitWritten(count, 10000);
    std::string text;
    for (const auto& written : standIn.f_TakeWritten())
        text += std::to_string(written.m_Record.m_Keyboard.MakeCode) +
                ((written.m_Record.m_Keyboard.Flags & KEY_BREAK) ? " break\n" : " make\n");
    return text;
}
} // namespace

TEST(ServiceRemap, TheServiceRemapsAndReleasesItsKeysWhenStopped)
{
    ASSERT_FALSE(gf_EngineIsRunning()) << "another engine runs in this Wine session";
    CTempDirectory directory;
    const std::string program = directory.f_Path("Quillon.x64.exe");
    // The service loads Settings.dat from its program's directory: A is bound to B.
    ASSERT_TRUE(gf_MakeProgramDirectory(directory.f_GetPath(), program, gc_AToB));
    CFilterStandIn standIn;
    standIn.f_Start();
    const std::string name = gf_UniqueServiceName("Remap");
    CServiceCleanup cleanup(name);

    ASSERT_TRUE(gf_RunProgramSucceeds(program, "-AddService " + name, name));
    ASSERT_TRUE(gf_RunProgramSucceeds(program, "-StartService " + name, name));
    ASSERT_TRUE(standIn.f_WaitClients(1, 10000)) << "the service's engine did not open the device\n"
                                                 << gf_DescribeService(name) << "\n"
                                                 << gf_LastTraceLines();

    const CDriverRecord pressA = gf_Key(0x1E, true);
    standIn.f_Feed(&pressA, 1);
    EXPECT_EQ(fg_Take(standIn, 1), "48 make\n");
    const CDriverRecord pressX = gf_Key(0x2D, true);
    standIn.f_Feed(&pressX, 1);
    EXPECT_EQ(fg_Take(standIn, 1), "45 make\n");

    // A and X are still held: the stop lets go of B and X before the device closes.
    ASSERT_TRUE(gf_RunProgramSucceeds(program, "-StopService " + name, name));
    const std::string released = fg_Take(standIn, 2);
    EXPECT_NE(released.find("48 break\n"), std::string::npos) << released;
    EXPECT_NE(released.find("45 break\n"), std::string::npos) << released;
    for (int i = 0; i < 200 && standIn.f_GetClientCount() != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(standIn.f_GetClientCount(), 0u);

    ASSERT_TRUE(gf_RunProgramSucceeds(program, "-RemoveService " + name, name));
    standIn.f_Stop();
}

// Another program (a backup, a scanner) holds Settings.dat open without sharing while it
// changes, longer than one load's retries: the service takes the new file once it is let go.
TEST(ServiceRemap, ASettingsFileHeldOpenDuringAChangeIsLoadedOnceReleased)
{
    ASSERT_FALSE(gf_EngineIsRunning()) << "another engine runs in this Wine session";
    CTempDirectory directory;
    const std::string program = directory.f_Path("Quillon.x64.exe");
    ASSERT_TRUE(gf_MakeProgramDirectory(directory.f_GetPath(), program, gc_AToB));
    // The same configuration with A bound to C, as bytes.
    CTempDirectory other;
    {
        std::string json = gc_AToB;
        json.replace(json.find("[\"B\"]"), 5, "[\"C\"]");
        CMessageHook writer;
        writer.f_SetSettingsDirectory(other.f_GetPath().c_str());
        NQuillonConfigTool::gf_BuildConfiguration(nlohmann::json::parse(json), writer);
        ASSERT_TRUE(writer.f_SaveSettings());
    }
    const std::string aToC = gf_ReadFileBytes(other.f_Path("Settings.dat"));
    CFilterStandIn standIn;
    standIn.f_Start();
    const std::string name = gf_UniqueServiceName("Held");
    CServiceCleanup cleanup(name);
    ASSERT_TRUE(gf_RunProgramSucceeds(program, "-AddService " + name, name));
    ASSERT_TRUE(gf_RunProgramSucceeds(program, "-StartService " + name, name));
    ASSERT_TRUE(standIn.f_WaitClients(1, 10000)) << gf_DescribeService(name) << "\n" << gf_LastTraceLines();
    const CDriverRecord tap[] = {gf_Key(0x1E, true), gf_Key(0x1E, false)};
    standIn.f_Feed(tap, 2);
    EXPECT_EQ(fg_Take(standIn, 2), "48 make\n48 break\n");

    HANDLE held = CreateFileA(directory.f_Path("Settings.dat").c_str(), GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(held, aToC.data(), static_cast<DWORD>(aToC.size()), &written, nullptr));
    ASSERT_TRUE(SetEndOfFile(held));
    FlushFileBuffers(held);
    // Longer than the 60 tries of one load (0 to 99 ms apart).
    std::this_thread::sleep_for(std::chrono::milliseconds(6500));
    CloseHandle(held);

    std::string seen;
    const auto begun = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - begun < std::chrono::seconds(30))
    {
        standIn.f_Feed(tap, 2);
        seen = fg_Take(standIn, 2);
        if (seen == "46 make\n46 break\n")
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    EXPECT_EQ(seen, "46 make\n46 break\n") << gf_LastTraceLines();

    ASSERT_TRUE(gf_RunProgramSucceeds(program, "-StopService " + name, name));
    ASSERT_TRUE(gf_RunProgramSucceeds(program, "-RemoveService " + name, name));
    standIn.f_Stop();
}
