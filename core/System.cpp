#include "core/System.h"

#include "core/Clock.h"
#include "core/SysClock.h"
#include "core/SysCrash.h"
#include "core/ThreadStorage.h"
#include "core/TimeBase.h"

#include <new>

namespace NTev
{
namespace
{
// Static storage for the parts: nothing of the system object is ever freed.
alignas(CTimeBase) unsigned char g_TimeBaseStorage[sizeof(CTimeBase)];
alignas(CSystem::CThreadStorageContext) unsigned char g_ThreadStorageStorage[sizeof(
    CSystem::CThreadStorageContext)];
} // namespace

CSystem::CSystem()
    : m_pTimeBase(new (g_TimeBaseStorage) CTimeBase(gf_GetRealTimeSource(), NSys::gf_Clock_GetWallTime())),
      m_pThreadStorage(new (g_ThreadStorageStorage) CThreadStorageContext()),
      m_LocalTimeOffset(NSys::gf_Clock_GetLocalTimeOffset())
{
    NSys::gf_Crash_Install();
}

CSystem& CSystem::fs_Get()
{
    alignas(CSystem) static unsigned char s_Storage[sizeof(CSystem)];
    static CSystem* s_pSystem = new (s_Storage) CSystem();
    return *s_pSystem;
}

namespace
{
// Built during static initialisation, so that the crash filter is in place before the
// program's own code runs.
[[maybe_unused]] const CSystem& g_System = CSystem::fs_Get();
} // namespace
} // namespace NTev
