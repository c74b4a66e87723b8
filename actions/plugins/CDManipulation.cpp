#include "actions/plugins/CDManipulation.h"

#include "actions/plugins/CdEject.h"

#include "core/RunTimeClass.h"

namespace NQuillon
{
namespace
{
constexpr const char* gc_Options[] = {"Eject CD"};
constexpr const char* gc_Labels[] = {"CD: Eject"};

NTev::TRuntimeClassNamed<CAccelerator_CDManipulation> g_Record("NQuillon::CAccelerator_CDManipulation",
                                                               "NQuillon::CAccelerator");
CAccelerator_CDManipulation::CGlobal g_Global;
} // namespace

NTev::CStr CAccelerator_CDManipulation::f_GetDescription() const
{
    return fp_Label(gc_Labels, 1);
}

void CAccelerator_CDManipulation::f_GetOptions(std::vector<CActionOptionGroup>& options) const
{
    fp_GetOptions(options, gc_Options, 1);
}

void CAccelerator_CDManipulation::f_OnPress()
{
    g_Global.f_Queue(m_Operation);
}

CAccelerator_CDManipulation::CGlobal& CAccelerator_CDManipulation::fs_GetGlobal()
{
    return g_Global;
}

void CAccelerator_CDManipulation::CGlobal::f_RunOperation(std::int32_t code)
{
    ICCdSystem* system = m_pSystem ? m_pSystem : gf_GetPlatformCdSystem();
    if (code == 0 && system)
        gf_EjectAllCds(*system);
}
} // namespace NQuillon
