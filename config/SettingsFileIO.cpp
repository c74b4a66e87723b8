// Loading and saving Settings.dat. A load reads with every kind of sharing, and retries while
// another program holds the file without sharing; a file that defeated a load is read again
// later (config/LoadRetry.h). A load reads into a fresh configuration and swaps it in
// only when the whole file was read. A save makes the file image under the engine lock and
// writes it without the lock: a complete temporary file that replaces the settings file in one
// step, so a crash never leaves a truncated file. A save that fails puts the configuration
// back to the last image loaded or saved, so that what the dialog shows is what the file holds.

#include "config/Configuration.h"
#include "core/BinaryStreamMemory.h"
#include "core/Clock.h"
#include "core/CommandLine.h"
#include "core/DebugOutput.h"
#include "core/ErrorText.h"
#include "core/Exception.h"
#include "core/File.h"
#include "core/Format.h"
#include "core/FullPath.h"
#include "core/SysFile.h"
#include "core/SysFind.h"

#include <chrono>
#include <cstring>
#include <exception>
#include <functional>
#include <optional>
#include <random>
#include <thread>
#include <vector>

namespace NQuillon
{
namespace
{
constexpr int mc_Attempts = 60;
// A save tries a file held by another program a few times, about half a second in all,
// without the engine lock; any other failure (a folder the user may not write) ends it at once.
constexpr int mc_WriteAttempts = 10;
constexpr const char* mc_SettingsFileName = "Settings.dat";
constexpr const char* mc_TemporarySuffix = ".new";

// The other process holds the file for a few milliseconds at a time: wait a pseudo-random
// 0 to 99 ms before the next attempt.
void fg_PauseBeforeRetry()
{
    thread_local std::minstd_rand s_Random(static_cast<unsigned>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^
        static_cast<long long>(std::hash<std::thread::id>()(std::this_thread::get_id()))));
    std::this_thread::sleep_for(std::chrono::milliseconds(s_Random() % 100));
}

// The system's text without its closing full stop and line break, to stand inside a sentence.
NTev::CStr fg_TrimErrorText(const char* text)
{
    std::size_t length = std::strlen(text);
    while (length && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ' ||
                      text[length - 1] == '.'))
        --length;
    return NTev::CStr(text, length);
}

// The path in the system's form, as the user knows it; as given when it cannot be resolved.
NTev::CStr fg_DisplayPath(const char* path)
{
    try
    {
        return NTev::NSys::NFile::gf_GetFullPath(path, "NQuillon::fg_DisplayPath");
    }
    catch (const NTev::NException::CException&)
    {
        return NTev::CStr(path);
    }
}

// Seconds on the library clock, which tests drive.
double fg_Now()
{
    return static_cast<double>(NTev::gf_GetCounter()) / static_cast<double>(NTev::gf_GetCounterFrequency());
}

// The whole content of an open file.
std::vector<unsigned char> fg_ReadAll(NTev::NFile::CFile& file)
{
    std::vector<unsigned char> bytes(static_cast<std::size_t>(file.f_GetSize()));
    if (!bytes.empty())
        file.f_Read(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    return bytes;
}
} // namespace

NTev::CStr CMessageHookBase::f_GetSettingsDirectory()
{
    CLockGuard lock(m_Lock);
    if (m_SettingsDirectory.f_IsEmpty())
        m_SettingsDirectory = NTev::NSys::NFile::gf_GetProgramDirectory();
    return m_SettingsDirectory;
}

void CMessageHookBase::f_SetSettingsDirectory(const char* directory)
{
    CLockGuard lock(m_Lock);
    m_SettingsDirectory = directory;
}

void CMessageHookBase::f_SetSettingsSource(std::shared_ptr<ICSettingsSource> source)
{
    CLockGuard lock(m_Lock);
    if (source)
        m_SettingsDirectory = source->f_GetDirectory();
    m_pSettingsSource = static_cast<std::shared_ptr<ICSettingsSource>&&>(source);
    ++m_SourceChangeCount;
    m_bSourceChanged = true;
    m_LastLoadedWriteTime = NTev::CTime{-1, -1};
    m_LoadRetry = CLoadRetry();
    f_InstallConfiguration(std::make_unique<CConfiguration>(*this), 0);
}

std::shared_ptr<ICSettingsSource> CMessageHookBase::f_GetSettingsSource()
{
    CLockGuard lock(m_Lock);
    return m_pSettingsSource;
}

bool CMessageHookBase::f_TakeSettingsSourceChange()
{
    CLockGuard lock(m_Lock);
    const bool changed = m_bSourceChanged;
    m_bSourceChanged = false;
    return changed;
}

NTev::CStr CMessageHookBase::f_GetProgramDirectory()
{
    CLockGuard lock(m_Lock);
    if (m_ProgramDirectory.f_IsEmpty())
        return f_GetSettingsDirectory();
    return m_ProgramDirectory;
}

void CMessageHookBase::f_SetProgramDirectory(const char* directory)
{
    CLockGuard lock(m_Lock);
    m_ProgramDirectory = directory;
}

bool CMessageHookBase::f_LoadSettings(const char* fileName)
{
    using namespace NTev::NSys::NFile;
    // The file is read and parsed without the engine lock: another process may hold it for
    // seconds, and every evaluation of input needs the lock. Only the swap takes it.
    std::shared_ptr<ICSettingsSource> source;
    NTev::CStr path;
    std::uint64_t sourceChangeCount;
    {
        CLockGuard lock(m_Lock);
        source = m_pSettingsSource;
        path = f_GetSettingsDirectory() + "/";
        sourceChangeCount = m_SourceChangeCount;
    }
    path += fileName;
    // The source is left before what was read takes effect: the actions a load runs act as
    // this process, not as the user whose folder was read.
    std::optional<CSettingsSourceScope> scope;
    scope.emplace(source.get());
    if (!scope->f_IsOpen())
        return false;
    NTev::CTime seenWriteTime;
    const bool bWriteTimeSeen = gf_GetWriteTime(path.f_GetStr(), seenWriteTime);
    std::uint64_t saveCount;
    {
        CLockGuard lock(m_Lock);
        if (sourceChangeCount != m_SourceChangeCount)
            return false;
        if (bWriteTimeSeen && seenWriteTime == m_LastLoadedWriteTime)
            return true;
        // The file that defeated the last load is read again once it changed or its pause
        // has passed: each try of a file that cannot be read costs its retries.
        if (bWriteTimeSeen && !m_LoadRetry.f_IsDue(fg_Now(), seenWriteTime))
            return false;
        saveCount = m_SaveCount;
    }
    for (int attempt = 0; attempt < mc_Attempts; ++attempt)
    {
        if (attempt)
            fg_PauseBeforeRetry();
        // A try that left the source enters it again; a source that refuses now is not a
        // failed load.
        if (!scope && !scope.emplace(source.get()).f_IsOpen())
            return false;
        try
        {
            if (!gf_Exists(path.f_GetStr(), ExistsNotDirectory))
            {
                // Nothing to read: the configuration keeps what it holds.
                scope.reset();
                bool loaded;
                {
                    CLockGuard lock(m_Lock);
                    if (!m_bLoadFailed)
                        fp_AfterLoad();
                    loaded = !m_bLoadFailed;
                }
                fp_SaveIfDue();
                return loaded;
            }
            // Sharing everything: another program that merely looks at the file, or a save
            // that replaces it meanwhile, does not keep the engine from reading it.
            NTev::NFile::CFile file;
            file.f_Open(path.f_GetStr(), NTev::NFile::OpenRead | NTev::NFile::OpenShareRead |
                                             NTev::NFile::OpenShareWrite | NTev::NFile::OpenShareDelete);
            NTev::CTime writeTime = file.f_GetWriteTime();
            seenWriteTime = writeTime;
            {
                CLockGuard lock(m_Lock);
                if (writeTime == m_LastLoadedWriteTime)
                    return true;
            }
            std::vector<unsigned char> bytes = fg_ReadAll(file);
            NTev::NStream::CBinaryStreamMemory stream(bytes);
            file.f_Close();
            std::uint32_t configurationFlags = 0;
            std::uint32_t fileVersion = 0;
            std::unique_ptr<CConfiguration> configuration =
                f_ReadSettings(stream, configurationFlags, fileVersion);
            scope.reset();
            {
                CLockGuard lock(m_Lock);
                // A file of a source no longer used is never installed.
                if (sourceChangeCount != m_SourceChangeCount)
                    return false;
                // Another load installed this file meanwhile, or this process saved since the
                // read, or a save of it is being written: what was read is not newer than what
                // the engine holds.
                if (writeTime == m_LastLoadedWriteTime || saveCount != m_SaveCount ||
                    m_FinishedSaveSequence != m_SaveCount)
                    return true;
                m_LastLoadedWriteTime = writeTime;
                m_LastGoodImage = static_cast<std::vector<unsigned char>&&>(bytes);
                m_LoadRetry.f_OnLoaded();
                f_InstallConfiguration(static_cast<std::unique_ptr<CConfiguration>&&>(configuration),
                                       configurationFlags);
            }
            fp_SaveIfDue();
            return true;
        }
        catch (const NTev::NException::CException&)
        {
        }
    }
    // The configuration stays as it was; edits are refused so that the file is not replaced
    // by what this process holds.
    CLockGuard lock(m_Lock);
    m_bLoadFailed = true;
    m_LoadRetry.f_OnFailed(fg_Now(), seenWriteTime);
    return false;
}

bool CMessageHookBase::f_IsLoadRetryDue()
{
    CLockGuard lock(m_Lock);
    return m_LoadRetry.f_IsRetryDue(fg_Now());
}

bool CMessageHookBase::f_ReplaceConfigurationFromFile(const char* fileName)
{
    NTev::CStr path = f_GetProgramDirectory() + "/";
    path += fileName;
    for (int attempt = 0; attempt < mc_Attempts; ++attempt)
    {
        if (attempt)
            fg_PauseBeforeRetry();
        try
        {
            if (!NTev::NSys::NFile::gf_Exists(path.f_GetStr(), NTev::NSys::NFile::ExistsNotDirectory))
                return false;
            NTev::NFile::CFile file;
            file.f_Open(path.f_GetStr(), NTev::NFile::OpenRead);
            NTev::NStream::CBinaryStreamMemory stream(fg_ReadAll(file));
            file.f_Close();
            std::uint32_t fileFlags = 0;
            std::uint32_t fileVersion = 0;
            std::unique_ptr<CConfiguration> configuration = f_ReadSettings(stream, fileFlags, fileVersion);
            {
                CLockGuard lock(m_Lock);
                f_InstallConfiguration(static_cast<std::unique_ptr<CConfiguration>&&>(configuration),
                                       m_ConfigurationFlags);
            }
            fp_SaveIfDue();
            return true;
        }
        catch (const NTev::NException::CException&)
        {
        }
    }
    return false;
}

bool CMessageHookBase::f_SaveSettings()
{
    CEdit edit(*this);
    return edit.f_Save();
}

bool CMessageHookBase::CEdit::f_Save()
{
    CPendingSave pending = m_Engine.fp_PrepareSave();
    m_Engine.m_Lock.f_Unlock();
    m_bLocked = false;
    return m_Engine.fp_FinishSave(pending);
}

CMessageHookBase::CPendingSave CMessageHookBase::fp_PrepareSave()
{
    CLockGuard lock(m_Lock);
    ++m_ChangeCount;
    CPendingSave pending;
    if (m_bSavingSuppressed)
    {
        pending.m_bSuppressed = true;
        return pending;
    }
    m_bSaveFailed = false;
    NTev::NStream::CBinaryStreamMemory image;
    f_WriteSettings(image);
    pending.m_Bytes = image.f_GetBytes();
    pending.m_Path = f_GetSettingsDirectory() + "/";
    pending.m_Path += mc_SettingsFileName;
    pending.m_pSource = m_pSettingsSource;
    // Counted last: from here the save is sure to finish, and loads wait for it.
    pending.m_Sequence = ++m_SaveCount;
    return pending;
}

bool CMessageHookBase::fp_FinishSave(CPendingSave& pending)
{
    if (pending.m_bSuppressed)
        return true;
    CLockGuard writeLock(m_WriteLock);
    {
        CLockGuard lock(m_Lock);
        // A save made later has been written (or has failed) already: it holds this one's
        // change too, and an older image must not land after it.
        if (pending.m_Sequence <= m_FinishedSaveSequence)
            return m_bLastSaveSucceeded;
    }
    CWriteOutcome outcome;
    bool bWritten = false;
    NTev::CStr error;
    // The user's folder is written as that user.
    std::optional<CSettingsSourceScope> scope;
    scope.emplace(pending.m_pSource.get());
    if (!scope->f_IsOpen())
        error = "the settings folder's user could not be taken on";
    for (int attempt = 0; !bWritten && scope->f_IsOpen(); ++attempt)
    {
        try
        {
            outcome = CWriteOutcome();
            f_WriteSettingsImage(pending.m_Path.f_GetStr(), pending.m_Bytes, outcome);
            bWritten = true;
        }
        catch (const NTev::NException::CException& exception)
        {
            const unsigned long code = exception.f_GetSystemError();
            error = code ? fg_TrimErrorText(NTev::gf_GetErrorText(code).f_GetStr())
                         : NTev::CStr(exception.f_GetMessage());
            const bool bHeld = code && (NTev::gf_IsSharingViolation(code) || outcome.m_bReplacing);
            if (!bHeld || attempt + 1 >= mc_WriteAttempts)
                break;
            f_PauseBeforeWriteRetry();
        }
        catch (const std::exception& exception)
        {
            error = exception.what();
            break;
        }
    }
    scope.reset();
    CLockGuard lock(m_Lock);
    m_FinishedSaveSequence = pending.m_Sequence;
    m_bLastSaveSucceeded = bWritten;
    if (bWritten)
    {
        // The replaced file keeps this write time: the watch that this save wakes finds the
        // file already loaded, rather than read back what this process holds (and lose its
        // current table and preset, which the file does not keep).
        if (outcome.m_bWriteTimeKnown)
            m_LastLoadedWriteTime = outcome.m_WriteTime;
        m_LastGoodImage = static_cast<std::vector<unsigned char>&&>(pending.m_Bytes);
        return true;
    }
    m_bSaveFailed = true;
    m_SaveFailure.m_Path = fg_DisplayPath(pending.m_Path.f_GetStr());
    m_SaveFailure.m_Error = error;
    NTev::gf_DebugOutput("The settings were not saved to {}: {}\n", m_SaveFailure.m_Path, error);
    // An edit made since holds this one's change and undoes it when its own save fails.
    if (pending.m_Sequence == m_SaveCount)
        fp_RevertToLastGoodImage();
    return false;
}

void CMessageHookBase::f_WriteSettingsImage(const char* path, const std::vector<unsigned char>& bytes,
                                            CWriteOutcome& outcome)
{
    using namespace NTev::NSys::NFile;
    NTev::CStr temporary(path);
    temporary += mc_TemporarySuffix;
    bool bCreated = false;
    try
    {
        NTev::NFile::CFile file;
        file.f_Open(temporary.f_GetStr(), NTev::NFile::OpenWrite | NTev::NFile::OpenWriteThrough);
        bCreated = true;
        file.f_Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        file.f_Close();
        outcome.m_bWriteTimeKnown = gf_GetWriteTime(temporary.f_GetStr(), outcome.m_WriteTime);
        outcome.m_bReplacing = true;
        gf_Replace(temporary.f_GetStr(), path);
    }
    catch (const NTev::NException::CException&)
    {
        // Nothing half-written stays beside the settings file.
        if (bCreated)
        {
            try
            {
                gf_Delete(temporary.f_GetStr());
            }
            catch (const NTev::NException::CException&)
            {
            }
        }
        throw;
    }
}

void CMessageHookBase::f_PauseBeforeWriteRetry()
{
    fg_PauseBeforeRetry();
}

void CMessageHookBase::fp_RevertToLastGoodImage()
{
    CLockGuard lock(m_Lock);
    std::unique_ptr<CConfiguration> configuration;
    std::uint32_t configurationFlags = 0;
    if (!m_LastGoodImage.empty())
    {
        try
        {
            NTev::NStream::CBinaryStreamMemory stream(m_LastGoodImage);
            std::uint32_t fileVersion = 0;
            configuration = f_ReadSettings(stream, configurationFlags, fileVersion);
        }
        catch (const NTev::NException::CException&)
        {
            configurationFlags = 0;
        }
    }
    if (!configuration)
        configuration = std::make_unique<CConfiguration>(*this);
    const NTev::CStr currentTable = f_GetCurrentTableName();
    const NTev::CStr currentPreset =
        m_pConfiguration->m_pCurrentPreset ? m_pConfiguration->m_pCurrentPreset->m_Name : NTev::CStr();
    f_OnConfigurationChanging();
    m_pConfiguration = static_cast<std::unique_ptr<CConfiguration>&&>(configuration);
    m_ConfigurationFlags = configurationFlags;
    m_pConfiguration->f_SetBackReferences();
    if (CRemapTable* table = m_pConfiguration->f_FindTable(currentTable.f_GetStr()))
        m_pConfiguration->m_pCurrentTable = table;
    if (CPreset* preset = m_pConfiguration->f_FindPreset(currentPreset.f_GetStr()))
        m_pConfiguration->m_pCurrentPreset = preset;
    ++m_ChangeCount;
    f_OnRemappingMayHaveStopped();
    f_ApplyPresetSettings();
}

bool CMessageHookBase::f_TakeSaveFailure(CSaveFailure& failure)
{
    CLockGuard lock(m_Lock);
    if (!m_bSaveFailed)
        return false;
    failure = m_SaveFailure;
    m_bSaveFailed = false;
    return true;
}

void CMessageHookBase::fp_SaveIfDue()
{
    {
        CLockGuard lock(m_Lock);
        if (!m_bSaveDue)
            return;
        m_bSaveDue = false;
    }
    f_SaveSettings();
}
} // namespace NQuillon
