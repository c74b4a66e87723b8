// Saves that fail: the edit is undone and the failure kept with the path and the system's
// text; nothing half-written stays; only a file held by another program is tried again; the
// engine lock is free while the file is written; saves land in the order they were made.

#include "config/Configuration.h"
#include "core/BinaryStreamMemory.h"
#include "core/ErrorText.h"
#include "core/Exception.h"
#include "core/SysFind.h"

#include "tests/core/FileTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

using namespace NQuillon;
using namespace NQuillonTest;

namespace
{
// Whether another thread could take the lock now.
bool fg_IsFreeForOthers(CMessageHookBase::CLock& lock)
{
    bool free = false;
    std::thread(
        [&]
        {
            free = lock.f_TryLock();
            if (free)
                lock.f_Unlock();
        })
        .join();
    return free;
}

// A failure a write meets: the system error, and whether the temporary file was complete
// (the settings file itself refused to be replaced).
struct CWriteError
{
    unsigned long m_Code = 0;
    bool m_bReplacing = false;
};

// An engine whose file writes meet the errors given, in turn (code 0: the real write).
class CSeamEngine final : public CMessageHookBase
{
public:
    void f_GeneratePress(const CKey&) override {}
    void f_GenerateRelease(const CKey&) override {}
    void f_ReleaseAllKeys() override {}

    std::deque<CWriteError> m_Errors;
    int m_Writes = 0;
    int m_Pauses = 0;
    bool m_bLockHeldDuringWrite = false;
    // Sizes of the images written, in the order they reached the disk.
    std::vector<std::size_t> m_WrittenSizes;
    std::mutex m_WrittenLock;

protected:
    void f_WriteSettingsImage(const char* path, const std::vector<unsigned char>& bytes,
                              CWriteOutcome& outcome) override
    {
        ++m_Writes;
        if (!fg_IsFreeForOthers(f_GetLock()))
            m_bLockHeldDuringWrite = true;
        const CWriteError error = m_Errors.empty() ? CWriteError() : m_Errors.front();
        if (!m_Errors.empty())
            m_Errors.pop_front();
        if (error.m_Code)
        {
            outcome.m_bReplacing = error.m_bReplacing;
            NTev::NFile::CExceptionFile exception(__FILE__, __LINE__, "CSeamEngine", "refused");
            exception.f_SetSystemError(error.m_Code);
            throw exception;
        }
        CMessageHookBase::f_WriteSettingsImage(path, bytes, outcome);
        std::lock_guard<std::mutex> lock(m_WrittenLock);
        m_WrittenSizes.push_back(bytes.size());
    }
    void f_PauseBeforeWriteRetry() override { ++m_Pauses; }
};

std::vector<unsigned char> fg_Image(CMessageHookBase& engine)
{
    NTev::NStream::CBinaryStreamMemory image;
    CMessageHookBase::CLockGuard lock(engine.f_GetLock());
    engine.f_WriteSettings(image);
    return image.f_GetBytes();
}

NTev::CStr fg_Trimmed(unsigned long code)
{
    std::string text = NTev::gf_GetErrorText(code).f_GetStr();
    while (!text.empty() &&
           (text.back() == '\r' || text.back() == '\n' || text.back() == '.' || text.back() == ' '))
        text.pop_back();
    return NTev::CStr(text.c_str());
}

class CSaveFailure : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_Engine.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str());
        ASSERT_TRUE(m_Engine.f_CreateTable("Main"));
        ASSERT_TRUE(m_Engine.f_CreateTable("Other"));
        ASSERT_TRUE(m_Engine.f_CreateGroup("Main", "Keys", 1));
        ASSERT_TRUE(m_Engine.f_CreateAction("Main", "Keys", f_Trigger(), EActionKind_Input));
        ASSERT_TRUE(m_Engine.f_CreatePreset("Default"));
        m_Engine.f_ActivateTable("Other");
        m_Engine.m_Writes = 0;
    }
    std::string f_File() { return gf_ReadFileBytes(m_Directory.f_Path("Settings.dat")); }
    static CMessageHookBase::CKeys f_Trigger() { return CMessageHookBase::f_ParseKeys("A"); }

    CTempDirectory m_Directory;
    CSeamEngine m_Engine;
};
} // namespace

TEST_F(CSaveFailure, AnEditThatCannotBeSavedIsUndoneAndSaysWhereAndWhy)
{
    using CEditCall = std::function<bool(CMessageHookBase&)>;
    const struct
    {
        const char* m_pName;
        CEditCall m_Edit;
    } cases[] = {
        {"create table", [](CMessageHookBase& e) { return e.f_CreateTable("New"); }},
        {"delete table", [](CMessageHookBase& e) { return e.f_DeleteTable("Main"); }},
        {"create group", [](CMessageHookBase& e) { return e.f_CreateGroup("Main", "More", 2); }},
        {"delete group", [](CMessageHookBase& e) { return e.f_DeleteGroup("Main", "Keys"); }},
        {"create action", [](CMessageHookBase& e)
         { return e.f_CreateAction("Main", "Keys", CMessageHookBase::f_ParseKeys("B"), EActionKind_Input); }},
        {"delete action", [](CMessageHookBase& e) { return e.f_DeleteAction("Main", "Keys", f_Trigger()); }},
        {"action flags",
         [](CMessageHookBase& e) { return e.f_SetActionFlags("Main", "Keys", f_Trigger(), 1); }},
        {"sequence count",
         [](CMessageHookBase& e) { return e.f_SetGenerateSequenceCount("Main", "Keys", f_Trigger(), 3); }},
        {"create preset", [](CMessageHookBase& e) { return e.f_CreatePreset("Loud"); }},
        {"preset setting", [](CMessageHookBase& e)
         { return e.f_SetPresetSettingValue("Default", "Keyboard Repeat Rate", "9"); }},
        {"toggle remapping", [](CMessageHookBase& e) { return e.f_ToggleRemapping(); }},
        {"plain save", [](CMessageHookBase& e) { return e.f_SaveSettings(); }},
    };
    const unsigned long denied = gf_SystemErrorCode(ESystemError::AccessDenied);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.m_pName);
        const std::vector<unsigned char> before = fg_Image(m_Engine);
        const std::string file = f_File();
        const std::uint64_t changes = m_Engine.f_GetChangeCount();
        m_Engine.m_Writes = 0;
        m_Engine.m_Errors = {{denied}};

        EXPECT_FALSE(c.m_Edit(m_Engine));
        EXPECT_EQ(fg_Image(m_Engine), before) << "the edit is undone";
        EXPECT_EQ(f_File(), file);
        EXPECT_EQ(m_Engine.f_GetCurrentTableName(), "Other") << "the current table stays";
        EXPECT_GT(m_Engine.f_GetChangeCount(), changes) << "a view of the configuration looks again";
        EXPECT_EQ(m_Engine.m_Writes, 1) << "access denied is not tried again";
        EXPECT_EQ(m_Engine.m_Pauses, 0);
        EXPECT_FALSE(m_Engine.m_bLockHeldDuringWrite);
        CMessageHookBase::CSaveFailure failure;
        ASSERT_TRUE(m_Engine.f_TakeSaveFailure(failure));
        EXPECT_NE(std::string(failure.m_Path.f_GetStr()).find("Settings.dat"), std::string::npos)
            << failure.m_Path.f_GetStr();
        EXPECT_EQ(failure.m_Error, fg_Trimmed(denied));
        EXPECT_FALSE(m_Engine.f_TakeSaveFailure(failure)) << "taken once";
    }
}

TEST_F(CSaveFailure, OnlyAFileHeldByAnotherProgramIsTriedAgainAndBriefly)
{
    const CWriteError held{gf_SystemErrorCode(ESystemError::SharingViolation)};
    const CWriteError denied{gf_SystemErrorCode(ESystemError::AccessDenied)};
    // Windows refuses to replace a file that another program keeps open with access denied.
    const CWriteError replaceRefused{denied.m_Code, true};
    const struct
    {
        const char* m_pName;
        std::deque<CWriteError> m_Errors;
        bool m_bSaved;
        int m_Writes;
    } cases[] = {
        {"written at once", {}, true, 1},
        {"held twice, then written", {held, held}, true, 3},
        {"held throughout", std::deque<CWriteError>(11, held), false, 10},
        {"replacing refused twice, then written", {replaceRefused, replaceRefused}, true, 3},
        {"replacing refused throughout", std::deque<CWriteError>(11, replaceRefused), false, 10},
        {"held, then denied", {held, denied}, false, 2},
        {"denied", {denied}, false, 1},
    };
    int created = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.m_pName);
        m_Engine.m_Errors = c.m_Errors;
        m_Engine.m_Writes = 0;
        m_Engine.m_Pauses = 0;
        const std::string name = "T" + std::to_string(created++);
        EXPECT_EQ(m_Engine.f_CreateTable(name.c_str()), c.m_bSaved);
        EXPECT_EQ(m_Engine.m_Writes, c.m_Writes);
        EXPECT_EQ(m_Engine.m_Pauses, c.m_Writes - 1);
        CMessageHookBase::CSaveFailure failure;
        EXPECT_EQ(m_Engine.f_TakeSaveFailure(failure), !c.m_bSaved);
        const std::vector<NTev::CStr> tables = m_Engine.f_ListTableNames();
        EXPECT_EQ(std::find(tables.begin(), tables.end(), NTev::CStr(name.c_str())) != tables.end(),
                  c.m_bSaved);
    }
}

TEST_F(CSaveFailure, AWriteThatFailsLeavesNothingHalfWritten)
{
    const struct
    {
        const char* m_pName;
        std::function<void(const std::string&)> m_Prepare;
    } cases[] = {
        // The temporary file is made and written; replacing a directory by it fails.
        {"Settings.dat is a directory", [](const std::string& path) { gf_MakeDirectory(path); }},
        // Nothing can be made at all.
        {"the folder is gone", [](const std::string&) {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.m_pName);
        CTempDirectory directory;
        const bool folderGone = c.m_pName[0] == 't';
        const std::string folder = folderGone ? directory.f_Path("gone") : directory.f_GetPath();
        CSeamEngine engine;
        engine.f_SetSettingsDirectory(folder.c_str());
        c.m_Prepare(folder + "/Settings.dat");
        EXPECT_FALSE(engine.f_CreateTable("Main"));
        EXPECT_TRUE(engine.f_ListTableNames().empty());
        CMessageHookBase::CSaveFailure failure;
        ASSERT_TRUE(engine.f_TakeSaveFailure(failure));
        EXPECT_FALSE(failure.m_Error.f_IsEmpty());
        EXPECT_FALSE(gf_PathExists(folder + "/Settings.dat.new")) << "the temporary file is removed";
        EXPECT_EQ(gf_PathExists(folder + "/Settings.dat"), !folderGone);
    }
}

TEST_F(CSaveFailure, SavesFromTwoThreadsLandInTheOrderTheyWereMade)
{
    // Each edit adds a table, so each image is larger than every image made before it: the
    // disk must see them growing.
    m_Engine.m_WrittenSizes.clear();
    constexpr int c_EditsEach = 25;
    auto edits = [&](const char* prefix)
    {
        for (int i = 0; i < c_EditsEach; ++i)
            EXPECT_TRUE(m_Engine.f_CreateTable((prefix + std::to_string(i)).c_str()));
    };
    std::thread first(edits, "A");
    std::thread second(edits, "B");
    first.join();
    second.join();
    ASSERT_FALSE(m_Engine.m_WrittenSizes.empty());
    for (std::size_t i = 1; i < m_Engine.m_WrittenSizes.size(); ++i)
        EXPECT_LT(m_Engine.m_WrittenSizes[i - 1], m_Engine.m_WrittenSizes[i]) << "write " << i;

    CSeamEngine reader;
    reader.f_SetSettingsDirectory(m_Directory.f_GetPath().c_str());
    ASSERT_TRUE(reader.f_LoadSettings("Settings.dat"));
    EXPECT_EQ(reader.f_ListTableNames().size(), 2u + 2 * c_EditsEach) << "the last image holds every edit";
}
