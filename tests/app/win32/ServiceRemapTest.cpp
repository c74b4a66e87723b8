// The product end to end: the real program installed as a service in a directory of its own
// with a configuration, remapping records of the filter driver's stand-in, and letting go of
// the keys it holds when the service stops.

#include "app/CommandLineRole.h"
#include "tools/filterstandin/FilterStandIn.h"

#include "engine/MessageHook.h"
#include "tests/app/win32/AppTestSupport.h"
#include "tests/core/FileTestSupport.h"
#include "tests/engine/EngineTestSupport.h"

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
