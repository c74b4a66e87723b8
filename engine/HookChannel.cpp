// The hook channel: evaluation of hook events, the pass rule, and ordered injection.

#include "engine/HookChannel.h"

#include "engine/InputState.h"

#include "core/Format.h"
#include "core/SysThread.h"

namespace NQuillon
{
namespace
{
using CGuard = NTev::TCMutualLock<NTev::CMutual>;

// Whether the engine wrote back exactly what came in: the record passes as it came.
bool fg_IsSameEvent(const CDriverRecord& written, const CDriverRecord& received) noexcept
{
    if (written.m_Kind != received.m_Kind)
        return false;
    if (written.m_Kind == EDriverRecordKind_Keyboard)
    {
        constexpr std::uint16_t relevant = KEY_BREAK | KEY_E0;
        return written.m_Keyboard.MakeCode == received.m_Keyboard.MakeCode &&
               (written.m_Keyboard.Flags & relevant) == (received.m_Keyboard.Flags & relevant);
    }
    const MOUSE_INPUT_DATA& a = written.m_Mouse;
    const MOUSE_INPUT_DATA& b = received.m_Mouse;
    return a.ButtonFlags == b.ButtonFlags && a.LastX == 0 && a.LastY == 0 &&
           (!(a.ButtonFlags & MOUSE_WHEEL) || a.ButtonData == b.ButtonData);
}

struct CDrainFlag
{
    bool& m_bFlag;
    explicit CDrainFlag(bool& flag) noexcept : m_bFlag(flag) { m_bFlag = true; }
    ~CDrainFlag() { m_bFlag = false; }
};
} // namespace

bool CHookChannel::f_OnKeyEvent(const CHookKeyEvent& event)
{
    CDriverRecord record{};
    record.m_Kind = EDriverRecordKind_Keyboard;
    if (!gf_HookKeyToRecord(event, record.m_Keyboard))
        return false;
    return fp_Evaluate(record);
}

bool CHookChannel::f_OnMouseEvent(const CHookMouseEvent& event)
{
    CDriverRecord record{};
    record.m_Kind = EDriverRecordKind_Mouse;
    if (!gf_HookMouseToRecord(event, record.m_Mouse))
        return false;
    return fp_Evaluate(record);
}

bool CHookChannel::fp_TryLockEngine()
{
    NTev::CMutual& lock = m_Engine.f_GetLock();
    for (int attempt = 0; attempt < m_LockTries; ++attempt)
    {
        if (lock.f_TryLock())
            return true;
        if (attempt + 1 < m_LockTries)
            NTev::NSys::gf_Sleep(1);
    }
    return false;
}

bool CHookChannel::fp_Evaluate(const CDriverRecord& record)
{
    // What other threads wrote before this event goes out before its output.
    f_Drain();
    if (!fp_TryLockEngine())
    {
        if (m_BusyPasses.fetch_add(1) == 0)
            NTev::gf_DebugOutput("The engine stayed busy: an input event passed unevaluated\n");
        return false;
    }
    bool swallow;
    {
        struct CUnlock
        {
            NTev::CMutual& m_Lock;
            ~CUnlock() { m_Lock.f_Unlock(); }
        } unlock{m_Engine.f_GetLock()};
        const bool ownsInput = m_Engine.m_bOwnsInput;
        const bool recording = m_Engine.m_CaptureMode > 0;
        std::size_t mark;
        {
            CGuard queue(m_QueueLock);
            mark = m_Queue.size();
        }
        m_Engine.f_ProcessDriverRecords(&record, 1);
        CGuard queue(m_QueueLock);
        if (!ownsInput)
            swallow = recording;
        else if (mark == 0 && m_Queue.size() == 1 && fg_IsSameEvent(m_Queue.front(), record))
        {
            m_Queue.clear();
            swallow = false;
        }
        else
            swallow = true;
    }
    f_Drain();
    return swallow;
}

void CHookChannel::f_Drain()
{
    // An injection re-enters the hook on this thread (Wine calls the hooks inside SendInput):
    // the outer drain goes on with what the inner call would have taken.
    if (m_bDraining)
        return;
    CDrainFlag draining(m_bDraining);
    m_bDrainRequested = false;
    for (;;)
    {
        {
            CGuard queue(m_QueueLock);
            if (m_Queue.empty())
                return;
            m_Draining.swap(m_Queue);
        }
        m_Injections.clear();
        for (const CDriverRecord& record : m_Draining)
        {
            CInjection injections[gc_MaxInjectionsPerRecord];
            const std::size_t count = gf_RecordToInjections(record, injections);
            m_Injections.insert(m_Injections.end(), injections, injections + count);
        }
        m_Draining.clear();
        if (!m_Injections.empty())
            m_Injector.f_Inject(m_Injections.data(), m_Injections.size());
    }
}

void CHookChannel::fp_Queue(const CDriverRecord& record)
{
    {
        CGuard queue(m_QueueLock);
        m_Queue.push_back(record);
    }
    if (NTev::NSys::gf_Thread_GetCurrentId() != m_InjectingThread && !m_bDrainRequested.exchange(true))
        m_Injector.f_RequestDrain();
}

void CHookChannel::f_WriteKeyboardRecord(const KEYBOARD_INPUT_DATA& data)
{
    CDriverRecord record{};
    record.m_Kind = EDriverRecordKind_Keyboard;
    record.m_Keyboard = data;
    fp_Queue(record);
}

void CHookChannel::f_WriteMouseRecord(const MOUSE_INPUT_DATA& data)
{
    CDriverRecord record{};
    record.m_Kind = EDriverRecordKind_Mouse;
    record.m_Mouse = data;
    fp_Queue(record);
}

void CHookChannel::f_OnInputSuspended()
{
    {
        CMessageHook::CLockGuard lock(m_Engine.f_GetLock());
        const auto& generated = m_Engine.f_GetInputState().m_GeneratedKeys;
        for (std::int32_t key = 1; key < CMessageHook::CInputState::mc_KeyCount; ++key)
            if (generated[static_cast<std::size_t>(key)] != 0)
                m_HeldAtSuspension.push_back(key);
        m_Engine.f_ReleaseAllKeys();
    }
    f_Drain();
}

void CHookChannel::fp_InjectReleases(const std::vector<std::int32_t>& keys)
{
    f_Drain();
    m_Injections.clear();
    for (std::int32_t key : keys)
    {
        CDriverRecord record{};
        record.m_Kind = EDriverRecordKind_Keyboard;
        record.m_Keyboard.MakeCode = static_cast<std::uint16_t>(key & 0x7F);
        record.m_Keyboard.Flags = static_cast<std::uint16_t>(KEY_BREAK | (key >= 0x80 ? KEY_E0 : 0));
        CInjection injection[gc_MaxInjectionsPerRecord];
        m_Injections.insert(m_Injections.end(), injection,
                            injection + gf_RecordToInjections(record, injection));
    }
    if (!m_Injections.empty())
        m_Injector.f_Inject(m_Injections.data(), m_Injections.size());
}
} // namespace NQuillon
