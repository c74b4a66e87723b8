// Loading and saving Settings.dat. A load reads with every kind of sharing, and retries while
// another program holds the file without sharing; a file that defeated a load is read again
// later (config/LoadRetry.h). A load reads into a fresh configuration and swaps it in
// only when the whole file was read; a save writes a complete temporary file and replaces the
// settings file with it in one step, so a crash never leaves a truncated file.

#include "config/Configuration.h"
#include "core/BinaryStreamMemory.h"
#include "core/Clock.h"
#include "core/CommandLine.h"
#include "core/Exception.h"
#include "core/File.h"
#include "core/SysFile.h"
#include "core/SysFind.h"

#include <chrono>
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
                CLockGuard lock(m_Lock);
                if (!m_bLoadFailed)
                    fp_AfterLoad();
                return !m_bLoadFailed;
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
            NTev::NStream::CBinaryStreamMemory stream(fg_ReadAll(file));
            file.f_Close();
            std::uint32_t configurationFlags = 0;
            std::uint32_t fileVersion = 0;
            std::unique_ptr<CConfiguration> configuration =
                f_ReadSettings(stream, configurationFlags, fileVersion);
            scope.reset();
            CLockGuard lock(m_Lock);
            // Another load installed this file meanwhile, or this process saved since the
            // read: what was read is not newer than what the engine holds. A file of a source
            // no longer used is never installed.
            if (sourceChangeCount != m_SourceChangeCount)
                return false;
            if (writeTime == m_LastLoadedWriteTime || saveCount != m_SaveCount)
                return true;
            m_LastLoadedWriteTime = writeTime;
            m_LoadRetry.f_OnLoaded();
            f_InstallConfiguration(static_cast<std::unique_ptr<CConfiguration>&&>(configuration),
                                   configurationFlags);
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
            CLockGuard lock(m_Lock);
            f_InstallConfiguration(static_cast<std::unique_ptr<CConfiguration>&&>(configuration),
                                   m_ConfigurationFlags);
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
    using namespace NTev::NSys::NFile;
    CLockGuard lock(m_Lock);
    ++m_ChangeCount;
    if (m_bSavingSuppressed)
        return true;
    ++m_SaveCount;
    NTev::NStream::CBinaryStreamMemory image;
    f_WriteSettings(image);
    const std::vector<unsigned char>& bytes = image.f_GetBytes();
    NTev::CStr path = f_GetSettingsDirectory() + "/";
    path += mc_SettingsFileName;
    NTev::CStr temporary = path + mc_TemporarySuffix;
    CSettingsSourceScope scope(m_pSettingsSource.get());
    if (!scope.f_IsOpen())
        return false;
    for (int attempt = 0; attempt < mc_Attempts; ++attempt)
    {
        if (attempt)
            fg_PauseBeforeRetry();
        try
        {
            NTev::NFile::CFile file;
            file.f_Open(temporary.f_GetStr(), NTev::NFile::OpenWrite | NTev::NFile::OpenWriteThrough);
            file.f_Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
            file.f_Close();
            // The replaced file keeps this write time: the watch that this save wakes finds
            // the file already loaded, rather than read back what this process holds (and
            // lose its current table and preset, which the file does not keep).
            NTev::CTime writeTime;
            const bool bWriteTimeKnown = gf_GetWriteTime(temporary.f_GetStr(), writeTime);
            gf_Replace(temporary.f_GetStr(), path.f_GetStr());
            if (bWriteTimeKnown)
                m_LastLoadedWriteTime = writeTime;
            return true;
        }
        catch (const NTev::NException::CException&)
        {
        }
    }
    return false;
}
} // namespace NQuillon
