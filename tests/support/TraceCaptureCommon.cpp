#include "tests/support/TraceCapture.h"

namespace NQuillonTest
{
std::vector<std::string> CTraceCapture::f_GetWrites() const
{
    std::lock_guard<std::mutex> guard(m_Lock);
    return m_Writes;
}

std::string CTraceCapture::f_GetText() const
{
    std::lock_guard<std::mutex> guard(m_Lock);
    std::string text;
    for (const std::string& write : m_Writes)
        text += write;
    return text;
}

void CTraceCapture::f_Clear()
{
    std::lock_guard<std::mutex> guard(m_Lock);
    m_Writes.clear();
}

void CTraceCapture::f_Add(const char* text, std::size_t length)
{
    std::lock_guard<std::mutex> guard(m_Lock);
    m_Writes.emplace_back(text, length);
}
} // namespace NQuillonTest
