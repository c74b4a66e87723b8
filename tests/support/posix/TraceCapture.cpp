#include "tests/support/TraceCapture.h"

#include "core/DebugOutput.h"

#include <cstring>

namespace NQuillonTest
{
namespace
{
class CListener final : public NTev::NSys::ICDebugOutputListener
{
public:
    explicit CListener(CTraceCapture& capture) : m_Capture(capture) {}
    void f_OnDebugOutput(const char* text) noexcept override { m_Capture.f_Add(text, std::strlen(text)); }

private:
    CTraceCapture& m_Capture;
};
CListener* g_pListener = nullptr;
} // namespace

CTraceCapture::CTraceCapture()
{
    g_pListener = new CListener(*this);
    NTev::NSys::gf_SetDebugOutputListener(g_pListener);
}

CTraceCapture::~CTraceCapture()
{
    NTev::NSys::gf_SetDebugOutputListener(nullptr);
    delete g_pListener;
    g_pListener = nullptr;
}
} // namespace NQuillonTest
