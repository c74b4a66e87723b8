#pragma once
// The configuration as JSON, losslessly: what quillon-config dumps and builds, and what the
// transcript tests describe their settings in. Keys are [device, code, order] triples (a
// label such as "LCtrl(A) + C(1)" is accepted too when building); labels and descriptions are
// written beside them for reading and ignored when building.

#include "config/MessageHookBase.h"
#include "tools/config/CodePage.h"

#include <nlohmann/json.hpp>
#include <string>

namespace NQuillonConfigTool
{
struct CJsonError
{
    std::string m_Message;
};

// The configuration of engine as JSON; fileVersion is the version the file was read in. Names
// and texts are converted from the code page to UTF-8.
nlohmann::ordered_json gf_DumpConfiguration(NQuillon::CMessageHookBase& engine, std::uint32_t fileVersion,
                                            const CCodePage& codePage = CCodePage());
// Replaces the configuration of engine with the one described; throws CJsonError naming the
// offending place (also for a text the code page cannot hold).
void gf_BuildConfiguration(const nlohmann::json& description, NQuillon::CMessageHookBase& engine,
                           const CCodePage& codePage = CCodePage());
} // namespace NQuillonConfigTool
