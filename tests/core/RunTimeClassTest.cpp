#include "core/RunTimeClass.h"
#include "tests/support/ExceptionMatch.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

using NTev::CRunTimeObjectInfo;

namespace
{
struct CShape
{
    using CRunTimeRoot = CShape;
    virtual ~CShape() = default;
    virtual int f_Sides() const = 0;
};

struct CPadding
{
    virtual ~CPadding() = default;
    char m_Bytes[24] = {};
};

// A second base placed first, so that the object and its runtime root differ in address.
struct CSquare final : CPadding, CShape
{
    int f_Sides() const override { return 4; }
};

struct CTriangle final : CShape
{
    int f_Sides() const override { return 3; }
};

// Registered statically, derived before base.
NTev::TRuntimeClassNamed<CTriangle> g_TriangleRecord("NRtcStatic::CTriangle", "NRtcStatic::CShape");
NTev::TRuntimeClassNamedBase<CShape> g_ShapeRecord("NRtcStatic::CShape");
} // namespace

TEST(RunTimeClass, DerivedBeforeBaseIsTakenOver)
{
    const CRunTimeObjectInfo* shape = CRunTimeObjectInfo::fs_Find("NRtcStatic::CShape");
    const CRunTimeObjectInfo* triangle = CRunTimeObjectInfo::fs_Find("NRtcStatic::CTriangle");
    ASSERT_EQ(shape, &g_ShapeRecord);
    ASSERT_EQ(triangle, &g_TriangleRecord);
    EXPECT_EQ(triangle->f_GetBase(), shape);
    EXPECT_EQ(shape->f_GetDerived().count(const_cast<CRunTimeObjectInfo*>(triangle)), 1u);
    EXPECT_TRUE(triangle->f_IsDerivedFrom(shape));
    EXPECT_TRUE(shape->f_IsRegistered());
    EXPECT_STREQ(triangle->f_GetQualifiedName().f_GetStr(), "NRtcStatic::CTriangle");
}

TEST(RunTimeClass, CreatesObjectsByName)
{
    NTev::TRuntimeClassNamed<CSquare> squareRecord("NRtcCreate::CSquare", "NRtcStatic::CShape");
    const CRunTimeObjectInfo* record = CRunTimeObjectInfo::fs_Find("NRtcCreate::CSquare");
    ASSERT_EQ(record, &squareRecord);
    std::unique_ptr<CShape> shape(static_cast<CShape*>(record->CreateObject()));
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->f_Sides(), 4);
    EXPECT_EQ(record->GetObjectSize(), sizeof(CSquare));
    EXPECT_EQ(record->CreateObject(nullptr), nullptr);

    alignas(CSquare) unsigned char memory[sizeof(CSquare)];
    CShape* placed = static_cast<CShape*>(record->CreateObject(memory));
    EXPECT_EQ(placed->f_Sides(), 4);
    placed->~CShape();
}

TEST(RunTimeClass, RegisteringTwiceThrows)
{
    NTev::TRuntimeClassNamed<CTriangle> first("NRtcTwice::CTriangle");
    EXPECT_TEV_THROW(NTev::TRuntimeClassNamed<CTriangle>("NRtcTwice::CTriangle"), "CException",
                     "This runtimeclass is already registered");
    // A placeholder for an existing name is refused as well.
    EXPECT_TEV_THROW(NTev::CRunTimeObjectInfoContainer("NRtcTwice", nullptr, 0), "CException",
                     "This runtimeclass is already registered");
}

TEST(RunTimeClass, NamespacesAndBasesCreateNothing)
{
    const CRunTimeObjectInfo* space = CRunTimeObjectInfo::fs_Find("NRtcStatic");
    ASSERT_NE(space, nullptr);
    EXPECT_FALSE(space->f_IsRegistered());
    EXPECT_TEV_THROW(space->CreateObject(), "CException",
                     "Trying to create an run time object with an unregistered class");
    EXPECT_TEV_THROW(space->GetObjectSize(), "CException",
                     "Trying to create an run time object with an unregistered class");
    EXPECT_TEV_THROW(g_ShapeRecord.CreateObject(), "CException", "Not valid on a base type");
    EXPECT_TEV_THROW(g_ShapeRecord.GetObjectAlign(), "CException", "Not implemented");
    EXPECT_TEV_THROW(g_TriangleRecord.GetObjectAlign(), "CException", "Not implemented");
}

TEST(RunTimeClass, UnknownNamesFindNothing)
{
    EXPECT_EQ(CRunTimeObjectInfo::fs_Find("NRtcMissing::CShape"), nullptr);
    EXPECT_EQ(CRunTimeObjectInfo::fs_Find("NRtcStatic::CMissing"), nullptr);
    EXPECT_EQ(CRunTimeObjectInfo::fs_Find(""), nullptr);
}

TEST(RunTimeClass, DestroyedRecordsLeaveTheRegistry)
{
    {
        NTev::TRuntimeClassNamed<CTriangle> record("NRtcScoped::CTriangle", "NRtcStatic::CShape");
        EXPECT_NE(CRunTimeObjectInfo::fs_Find("NRtcScoped::CTriangle"), nullptr);
    }
    EXPECT_EQ(CRunTimeObjectInfo::fs_Find("NRtcScoped::CTriangle"), nullptr);
    EXPECT_EQ(g_ShapeRecord.f_GetDerived().size(), 1u);
}

TEST(RunTimeClass, PlaceholderBaseKeepsAllItsDerivedRecords)
{
    NTev::TRuntimeClassNamed<CTriangle> a("NRtcLate::CA", "NRtcLate::CBase");
    NTev::TRuntimeClassNamed<CSquare> b("NRtcLate::CB", "NRtcLate::CBase");
    const CRunTimeObjectInfo* placeholder = CRunTimeObjectInfo::fs_Find("NRtcLate::CBase");
    ASSERT_NE(placeholder, nullptr);
    EXPECT_FALSE(placeholder->f_IsRegistered());
    {
        NTev::TRuntimeClassNamedBase<CShape> base("NRtcLate::CBase");
        EXPECT_EQ(CRunTimeObjectInfo::fs_Find("NRtcLate::CBase"), &base);
        EXPECT_EQ(a.f_GetBase(), &base);
        EXPECT_EQ(b.f_GetBase(), &base);
        EXPECT_EQ(base.f_GetDerived().size(), 2u);
    }
    EXPECT_EQ(a.f_GetBase(), nullptr);
}
