// The engine object: construction, clock, the remapping gate, and letting go of actions
// before the configuration changes.

#include "engine/InputState.h"
#include "engine/RepeatThread.h"

#include "config/Configuration.h"
#include "core/Clock.h"

// Engine times are doubles, and decisions fall on exact boundaries (a step due 100 ms after
// the last one). The x87 unit's extended precision would decide them otherwise than a 64-bit
// build does: 32-bit builds compute in SSE2 doubles.
#if defined(__i386__) && !defined(__SSE2_MATH__)
#error "32-bit x86 builds need -msse2 -mfpmath=sse"
#endif

namespace NQuillon
{
CMessageHook::CMessageHook(ICRecordChannel* channel)
    : m_pChannel(channel), m_pInput(std::make_unique<CInputState>()),
      m_pRepeatThread(std::make_unique<CRepeatThread>(*this)), m_ClockOrigin(NTev::gf_GetCounter()),
      m_CounterFrequency(static_cast<double>(NTev::gf_GetCounterFrequency()))
{
    m_pPlatform = fs_CreatePlatform(*this);
    if (!m_pChannel)
        m_pChannel = fp_GetPlatformChannel();
}

CMessageHook::~CMessageHook()
{
    // The engine thread uses everything below: it ends first.
    f_Stop(true);
    m_pRepeatThread.reset();
    fs_DestroyPlatform(m_pPlatform);
}

double CMessageHook::f_GetEngineTime() const
{
    if (!m_bInBatch)
        return fp_ReadClock();
    if (!m_bBatchTimeRead)
    {
        m_BatchTime = fp_ReadClock();
        m_bBatchTimeRead = true;
    }
    return m_BatchTime;
}

double CMessageHook::fp_ReadClock() const
{
    return static_cast<double>(NTev::gf_GetCounter() - m_ClockOrigin) / m_CounterFrequency;
}

void CMessageHook::f_OnConfigurationChanging()
{
    // Held inputs name actions of the configuration about to go.
    for (CHeldInput* entry = m_pInput->f_GetFront(); entry; entry = entry->m_pNext)
        if (entry->m_pAction)
        {
            f_ReleaseAllKeys();
            return;
        }
}

void CMessageHook::f_OnRemappingMayHaveStopped()
{
    // Releases would now pass unevaluated: what the engine holds would stay down.
    if (!f_IsRemappingActive() && m_pInput->f_HoldsAnything())
        f_ReleaseAllKeys();
}
} // namespace NQuillon
