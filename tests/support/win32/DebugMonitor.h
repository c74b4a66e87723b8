#pragma once
// Collects what the processes of this Wine session write to the debug output (the
// DBWIN_BUFFER protocol of OutputDebugStringA), so that a failing test can show the last
// trace lines of the programs it ran. One monitor per session: a second one stays idle.
// Writes that a CTraceCapture of this process takes never reach it.

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace NQuillonTest
{
class CDebugMonitor
{
public:
    CDebugMonitor();
    ~CDebugMonitor();
    CDebugMonitor(const CDebugMonitor&) = delete;
    CDebugMonitor& operator=(const CDebugMonitor&) = delete;

    // False when another monitor held the buffer or it could not be made.
    bool f_IsActive() const noexcept { return m_bActive; }
    // The last count lines, oldest first, each as "[pid] text".
    std::string f_GetLastLines(std::size_t count) const;
    // How many lines came so far; the texts of those after a mark that are still kept.
    std::uint64_t f_GetMark() const;
    std::vector<std::string> f_GetLinesSince(std::uint64_t mark) const;

    // Called by the monitor's thread.
    void f_Add(std::uint32_t processId, const char* text);

private:
    struct CLine
    {
        std::uint32_t m_ProcessId;
        std::string m_Text;
    };

    void fp_Run();

    bool m_bActive = false;
    void* m_hBufferReady = nullptr;
    void* m_hDataReady = nullptr;
    void* m_hStop = nullptr;
    void* m_hMapping = nullptr;
    const char* m_pView = nullptr;
    std::thread m_Thread;
    mutable std::mutex m_Lock;
    std::deque<CLine> m_Lines;
    std::uint64_t m_LineCount = 0;
};

// The session's monitor, started on first use.
CDebugMonitor& gf_GetDebugMonitor();
} // namespace NQuillonTest
