#pragma once
// Ejects every CD. The eject is slow device work: a press queues it on the process-wide CD
// worker.

#include "actions/plugins/ActionWorker.h"
#include "actions/plugins/OperationAction.h"

namespace NQuillon
{
class ICCdSystem;

class CAccelerator_CDManipulation final : public CAccelerator_Operation
{
public:
    class CGlobal;

    NTev::CStr f_GetTypeName() const override { return "CD Manipulation"; }
    NTev::CStr f_GetDescription() const override;
    void f_GetOptions(std::vector<CActionOptionGroup>& options) const override;
    void f_OnPress() override;
    NTev::CStr f_GetClassName() const override { return "CAccelerator_CDManipulation"; }

    static CGlobal& fs_GetGlobal();
};

class CAccelerator_CDManipulation::CGlobal final : public CActionWorker
{
public:
    // Null: the platform's calls.
    explicit CGlobal(ICCdSystem* system = nullptr) noexcept : CActionWorker(false), m_pSystem(system) {}
    ~CGlobal() override { f_Shutdown(); }

protected:
    // Code 0 ejects every CD; other codes are dropped.
    void f_RunOperation(std::int32_t code) override;

private:
    ICCdSystem* m_pSystem;
};
} // namespace NQuillon
