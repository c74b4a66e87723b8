#include "actions/plugins/WindowManipulation.h"

#include "actions/plugins/WindowOperations.h"

#include "core/RunTimeClass.h"

#include <iterator>

namespace NQuillon
{
namespace
{
constexpr const char* gc_Options[] = {
    "Window: Change Monitor",   "Window: Zoom",          "Window: Center",  "Window: Toggle Maxmized",
    "Window: Toggle Minimized", "Window: Toggle On Top", "Window: Move Up", "Window: Move Down",
    "Window: Move Left",        "Window: Move Right",
};
constexpr const char* gc_Labels[] = {
    "Change Monitor", "Zoom",    "Center",    "Toggle Maxmized", "Toggle Minimized",
    "Toggle On Top",  "Move Up", "Move Down", "Move Left",       "Move Right",
};

NTev::TRuntimeClassNamed<CAccelerator_WindowManipulation>
    g_Record("NQuillon::CAccelerator_WindowManipulation", "NQuillon::CAccelerator");
CAccelerator_WindowManipulation::CGlobal g_Global;
} // namespace

NTev::CStr CAccelerator_WindowManipulation::f_GetDescription() const
{
    return fp_Label(gc_Labels, std::size(gc_Labels));
}

void CAccelerator_WindowManipulation::f_GetOptions(std::vector<CActionOptionGroup>& options) const
{
    fp_GetOptions(options, gc_Options, std::size(gc_Options));
}

void CAccelerator_WindowManipulation::f_OnPress()
{
    auto* engine = dynamic_cast<CMessageHook*>(m_pOwner);
    if (!engine)
        return;
    if (CMessageHook::ICSessionAgent* agent = engine->f_GetSessionAgent())
        agent->f_RunWindowOperation(m_Operation);
    else
        g_Global.f_Queue(*engine, m_Operation);
}

CAccelerator_WindowManipulation::CGlobal& CAccelerator_WindowManipulation::fs_GetGlobal()
{
    return g_Global;
}

bool CAccelerator_WindowManipulation::CGlobal::f_Queue(CMessageHook& engine, std::int32_t code)
{
    const std::optional<std::uint64_t> ticket = m_Codes.f_Push(code);
    if (!ticket)
        return false;
    if (engine.f_PostToInputDesktop(this))
        return true;
    // No input desktop thread: the press is dropped, not kept for a later one.
    m_Codes.f_TakeBack(*ticket);
    return false;
}

void CAccelerator_WindowManipulation::CGlobal::f_Run()
{
    ICWindowSystem* system = m_pSystem ? m_pSystem : gf_GetPlatformWindowSystem();
    // Each code is taken out before it runs, so a press during the run finds room.
    while (const std::optional<std::int32_t> code = m_Codes.f_Pop())
        if (system)
            gf_RunWindowOperation(*system, *code);
}
} // namespace NQuillon
