#pragma once
// Configurations of a given size for the benchmarks.

#include "actions/EngineActions.h"
#include "config/Configuration.h"

#include <memory>
#include <string>

namespace NQuillonBench
{
// tables x groups x bindings Input actions; binding b of a group is triggered by
// [LCtrl (any order), key b] and generates [key b + 1]. Table "T0" is the default.
inline void gf_FillConfiguration(NQuillon::CMessageHookBase& engine, int tables, int groups, int bindings)
{
    using CHook = NQuillon::CMessageHookBase;
    auto configuration = std::make_unique<CHook::CConfiguration>(engine);
    for (int t = 0; t < tables; ++t)
    {
        auto table = std::make_unique<CHook::CRemapTable>(("T" + std::to_string(t)).c_str());
        for (int g = 0; g < groups; ++g)
        {
            auto group = std::make_unique<CHook::CRemapGroup>(("G" + std::to_string(g)).c_str(), g);
            for (int b = 0; b < bindings; ++b)
            {
                auto action = std::make_unique<CHook::CAccelerator_Input>();
                // Keys 0x10.. (letters and more), spread over the groups; never LCtrl itself,
                // since [LCtrl, LCtrl] could not fire.
                std::int32_t key = 0x10 + (b + g * 7) % 0x40;
                if (key >= 0x1D)
                    ++key;
                action->m_TriggerKeys = CHook::CKeys{CHook::CKey{0, 0x1D, 0}, CHook::CKey{0, key, 1}};
                if (bindings == 1)
                    action->m_TriggerKeys = CHook::CKeys{CHook::CKey{0, key, 1}};
                action->m_Sequences.push_back(CHook::CKeys{CHook::CKey{0, key + 1, 0}});
                group->f_InsertAction(std::move(action));
            }
            table->f_AddGroup(std::move(group));
        }
        configuration->m_Tables.emplace(table->m_Name, std::move(table));
    }
    configuration->f_ResolveDefaults("T0", "");
    engine.f_InstallConfiguration(std::move(configuration), 0);
}
} // namespace NQuillonBench
