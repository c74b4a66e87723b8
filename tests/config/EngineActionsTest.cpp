#include "actions/EngineActions.h"
#include "tests/config/TestEngine.h"

#include <gtest/gtest.h>

using NQuillon::CMessageHookBase;
using NQuillonTest::CTestEngine;
using CKeys = CMessageHookBase::CKeys;
using CKey = CMessageHookBase::CKey;
using CLog = std::vector<std::string>;

namespace
{
const CKey mc_LCtrl{0, 0x1D, 0};
const CKey mc_LShift{0, 0x2A, 0};
const CKey mc_C{0, 0x2E, 0};
const CKey mc_V{0, 0x2F, 0};

std::unique_ptr<CMessageHookBase::CAccelerator_Input>
fg_MakeInput(CTestEngine& engine, std::vector<CKeys> sequences, CKeys release = {})
{
    auto input = std::make_unique<CMessageHookBase::CAccelerator_Input>();
    input->m_pOwner = &engine;
    input->m_Sequences = std::move(sequences);
    input->m_ReleaseKeys = release;
    return input;
}
} // namespace

TEST(InputAction, OneSequenceIsHeldWithTheBinding)
{
    CTestEngine engine;
    auto input = fg_MakeInput(engine, {CKeys{mc_LCtrl, mc_C}});
    input->f_OnPress();
    EXPECT_EQ(engine.m_Log, (CLog{"+LCtrl", "+C"}));
    input->f_OnRelease();
    EXPECT_EQ(engine.m_Log, (CLog{"+LCtrl", "+C", "-C", "-LCtrl"}));
}

TEST(InputAction, SeveralSequencesAreTypedAtOnce)
{
    CTestEngine engine;
    auto input = fg_MakeInput(engine, {CKeys{mc_LCtrl, mc_C}, CKeys{mc_V}});
    input->f_OnPress();
    input->f_OnRelease();
    EXPECT_EQ(engine.m_Log, (CLog{"+LCtrl", "+C", "-C", "-LCtrl", "+V", "-V"}));
}

TEST(InputAction, ReleaseKeysAreLetGoAroundTheGeneratedInput)
{
    CTestEngine engine;
    auto one = fg_MakeInput(engine, {CKeys{mc_C}}, CKeys{mc_LShift});
    one->f_OnPress();
    one->f_OnRelease();
    EXPECT_EQ(engine.m_Log, (CLog{"-LShift", "+C", "-C", "+LShift"}));

    engine.m_Log.clear();
    auto several = fg_MakeInput(engine, {CKeys{mc_C}, CKeys{mc_V}}, CKeys{mc_LShift});
    several->f_OnPress();
    several->f_OnRelease();
    EXPECT_EQ(engine.m_Log, (CLog{"-LShift", "+C", "-C", "+V", "-V", "+LShift"}));
}

TEST(InputAction, WithoutSequencesNothingHappens)
{
    CTestEngine engine;
    auto input = fg_MakeInput(engine, {}, CKeys{mc_LShift});
    input->f_OnPress();
    input->f_OnRelease();
    EXPECT_TRUE(engine.m_Log.empty());
}

TEST(InputAction, Descriptions)
{
    CTestEngine engine;
    EXPECT_STREQ(fg_MakeInput(engine, {CKeys{mc_LCtrl, mc_C}, CKeys{mc_V}})->f_GetDescription().f_GetStr(),
                 "Mouse/Keyboard Generate ( LCtrl + C ; V )");
    EXPECT_STREQ(fg_MakeInput(engine, {CKeys{mc_C}}, CKeys{mc_LShift})->f_GetDescription().f_GetStr(),
                 "Mouse/Keyboard Generate ( C ) Release ( LShift )");
    EXPECT_STREQ(CMessageHookBase::CAccelerator_Input().f_GetTypeName().f_GetStr(), "Mouse/Keboard Generate");
}

TEST(OtherEngineActions, TextsAndBehaviour)
{
    CTestEngine engine;
    engine.m_bSavingSuppressed = true;
    ASSERT_TRUE(engine.f_CreateTable("Games"));
    CMessageHookBase::CAccelerator_RemapTable remap;
    remap.m_pOwner = &engine;
    remap.m_TableName = "games";
    EXPECT_STREQ(remap.f_GetDescription().f_GetStr(), "ChangeTable ( games )");
    remap.f_OnPress();
    EXPECT_TRUE(engine.f_GetCurrentTableName().f_IsEmpty()); // names are case-sensitive
    remap.m_TableName = "Games";
    remap.f_OnPress();
    EXPECT_STREQ(engine.f_GetCurrentTableName().f_GetStr(), "Games");

    CMessageHookBase::CAccelerator_ReleaseAllKeys releaseAll;
    releaseAll.m_pOwner = &engine;
    releaseAll.f_OnPress();
    EXPECT_EQ(engine.m_Log, (CLog{"release all"}));
    EXPECT_STREQ(releaseAll.f_GetDescription().f_GetStr(), "Release all keys");
    EXPECT_STREQ(CMessageHookBase::CAccelerator_Kill().f_GetDescription().f_GetStr(), "Kill Key");
}

TEST(ActionTypes, BuiltInRowsComeFirst)
{
    auto types = CMessageHookBase::CAccelerator::fs_GetActionTypes();
    ASSERT_GE(types.size(), 4u);
    EXPECT_STREQ(types[0].m_Text.f_GetStr(), "Keboard / Mouse Generate");
    EXPECT_STREQ(types[1].m_Text.f_GetStr(), "Change Remapping Table");
    EXPECT_STREQ(types[2].m_Text.f_GetStr(), "Kill Key");
    EXPECT_STREQ(types[3].m_Text.f_GetStr(), "Release All Keys");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(types[i].m_Kind, static_cast<NQuillon::EActionKind>(i));
    EXPECT_EQ(CMessageHookBase::CAccelerator::fs_Create(NQuillon::EActionKind_ByClassName, "CAccelerator"),
              nullptr);
    EXPECT_EQ(CMessageHookBase::CAccelerator::fs_Create(NQuillon::EActionKind_ByClassName, "Nope"), nullptr);
}
