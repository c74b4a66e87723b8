#pragma once
// The configuration without an engine behind it: for tools that read, edit and write settings
// files. The input side does nothing.

#include "config/MessageHookBase.h"

namespace NQuillon
{
class CConfigurationHolder final : public CMessageHookBase
{
public:
    void f_GeneratePress(const CKey&) override {}
    void f_GenerateRelease(const CKey&) override {}
    void f_ReleaseAllKeys() override {}
};
} // namespace NQuillon
