#include "tests/support/win32/DebugMonitor.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace NQuillonTest
{
namespace
{
constexpr std::size_t gc_BufferSize = 4096;
constexpr std::size_t gc_KeptLines = 400;
} // namespace

CDebugMonitor::CDebugMonitor()
{
    m_hBufferReady = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
    const bool otherMonitor = GetLastError() == ERROR_ALREADY_EXISTS;
    m_hDataReady = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
    m_hStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_hMapping =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, gc_BufferSize, "DBWIN_BUFFER");
    if (m_hMapping)
        m_pView = static_cast<const char*>(MapViewOfFile(m_hMapping, FILE_MAP_READ, 0, 0, gc_BufferSize));
    if (otherMonitor || !m_hBufferReady || !m_hDataReady || !m_hStop || !m_pView)
        return;
    m_bActive = true;
    m_Thread = std::thread([this] { fp_Run(); });
}

CDebugMonitor::~CDebugMonitor()
{
    if (m_Thread.joinable())
    {
        SetEvent(m_hStop);
        m_Thread.join();
    }
    if (m_pView)
        UnmapViewOfFile(m_pView);
    for (void* handle : {m_hMapping, m_hStop, m_hDataReady, m_hBufferReady})
        if (handle)
            CloseHandle(handle);
}

void CDebugMonitor::fp_Run()
{
    // Never writes to the debug output itself: a writer waits for this thread.
    const HANDLE waits[2] = {m_hStop, m_hDataReady};
    SetEvent(m_hBufferReady);
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1)
    {
        DWORD processId = 0;
        std::memcpy(&processId, m_pView, sizeof(processId));
        const char* text = m_pView + sizeof(processId);
        f_Add(processId, std::string(text, strnlen(text, gc_BufferSize - sizeof(processId))).c_str());
        SetEvent(m_hBufferReady);
    }
}

void CDebugMonitor::f_Add(std::uint32_t processId, const char* text)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    const std::string all(text);
    std::size_t start = 0;
    while (start < all.size())
    {
        std::size_t end = all.find('\n', start);
        if (end == std::string::npos)
            end = all.size();
        if (end > start)
        {
            m_Lines.push_back({processId, all.substr(start, end - start)});
            ++m_LineCount;
        }
        start = end + 1;
    }
    while (m_Lines.size() > gc_KeptLines)
        m_Lines.pop_front();
}

std::string CDebugMonitor::f_GetLastLines(std::size_t count) const
{
    std::lock_guard<std::mutex> lock(m_Lock);
    if (!m_bActive)
        return "  (no trace lines: another debug monitor runs in this Wine session)\n";
    std::string text;
    const std::size_t first = m_Lines.size() > count ? m_Lines.size() - count : 0;
    for (std::size_t i = first; i < m_Lines.size(); ++i)
        text += "  [" + std::to_string(m_Lines[i].m_ProcessId) + "] " + m_Lines[i].m_Text + "\n";
    if (text.empty())
        text = "  (no trace lines)\n";
    return text;
}

std::uint64_t CDebugMonitor::f_GetMark() const
{
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_LineCount;
}

std::vector<std::string> CDebugMonitor::f_GetLinesSince(std::uint64_t mark) const
{
    std::lock_guard<std::mutex> lock(m_Lock);
    std::vector<std::string> lines;
    const std::uint64_t newer = m_LineCount - std::min<std::uint64_t>(mark, m_LineCount);
    const std::size_t kept = static_cast<std::size_t>(std::min<std::uint64_t>(newer, m_Lines.size()));
    for (std::size_t i = m_Lines.size() - kept; i < m_Lines.size(); ++i)
        lines.push_back(m_Lines[i].m_Text);
    return lines;
}

CDebugMonitor& gf_GetDebugMonitor()
{
    static CDebugMonitor monitor;
    return monitor;
}
} // namespace NQuillonTest
