// Desktop threads follow the desktops of the window station.

#include "tests/engine/EngineTestSupport.h"

#include "engine/MessageHook.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <windows.h>

using NQuillon::CMessageHook;

namespace
{
bool fg_HasDesktopThread(CMessageHook& engine, const char* name)
{
    std::vector<NTev::CStr> names;
    engine.f_GetDesktopThreadNames(names);
    return std::any_of(names.begin(), names.end(),
                       [&](const NTev::CStr& n) { return n.f_Compare(name) == 0; });
}

bool fg_WaitForDesktop(CMessageHook& engine, const char* name, bool present)
{
    return NQuillonTest::gf_WaitFor([&] { return fg_HasDesktopThread(engine, name) == present; });
}
} // namespace

// A desktop stays in the window station while the engine's thread of it holds it, so its
// thread ends with the engine.
TEST(CDesktopThreadTest, ANewDesktopGetsAThreadThatEndsWithTheEngine)
{
    NQuillonTest::CRecordLog log;
    CMessageHook engine(&log);
    engine.m_bOwnsInput = true;
    engine.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    EXPECT_TRUE(fg_WaitForDesktop(engine, "Default", true));

    HDESK desktop = CreateDesktopA("QuillonTestDesktop", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    ASSERT_TRUE(desktop);
    EXPECT_TRUE(fg_WaitForDesktop(engine, "QuillonTestDesktop", true));
    CloseDesktop(desktop);

    EXPECT_EQ(engine.f_Stop(true), 0u);
    EXPECT_FALSE(fg_HasDesktopThread(engine, "Default"));
    EXPECT_FALSE(fg_HasDesktopThread(engine, "QuillonTestDesktop"));
}

// A desktop the window station no longer lists loses its thread at the next check. A name
// noted without a desktop behind it stands for one that went away.
TEST(CDesktopThreadTest, ADesktopThatWentAwayLosesItsThread)
{
    NQuillonTest::CRecordLog log;
    CMessageHook engine(&log);
    engine.m_bOwnsInput = true;
    engine.f_Start(NTev::NThread::gc_PriorityNormal, 0);
    EXPECT_TRUE(fg_WaitForDesktop(engine, "Default", true));

    engine.f_NoteDesktop("QuillonVanishedDesktop");
    EXPECT_TRUE(fg_WaitForDesktop(engine, "QuillonVanishedDesktop", false));
    EXPECT_TRUE(fg_HasDesktopThread(engine, "Default"));
    EXPECT_EQ(engine.f_Stop(true), 0u);
}
