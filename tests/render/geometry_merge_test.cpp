#include "render/geometry_merge.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "markup/writer.h"
#include "render/material.h"
#include "tests/render/geometry_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

zSharedPtr<zGeometry> UnitTriangle(GeometryHost& host) {
    return MakeGeometry(&host, {zVector(0, 0, 0), zVector(1, 0, 0), zVector(0, 1, 0)}, {{{0, 1, 2}}});
}

zTextureStage* Diffuse(zMaterial& material, zTexture* texture) {
    zTextureStage* stage = material.AddStage(StageTypeDiffuse, texture, StageUVSourceUVMap, 0);
    material.CheckStages();
    return stage;
}

TEST(GeometryMerge, AGeometryMergedWithItselfDoublesItsMeshAndKeepsItsMaterials) {
    LogCapture log;
    GeometryHost host;
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2}, 0}, {{0, 2, 3}, 1}}, 2);
    geometry->GetMaterial(0)->SetName("red");
    geometry->GetMaterial(1)->SetName("blue");
    geometry->GetMaterial(1)->SetColor(MaterialColorDiffuse, 0, 0, 1, 1);
    zSharedPtr<zGeometry> merged = MergeItemGeometries(geometry.Get(), geometry.Get(), nullptr, nullptr);
    ASSERT_TRUE(merged);
    EXPECT_EQ(merged->GetVertexCount(), 8u);
    EXPECT_EQ(merged->GetPolygonCount(), 4u);
    EXPECT_EQ(merged->GetBindingCount(), 12u);
    ASSERT_EQ(merged->GetMaterialCount(), 2u);
    EXPECT_EQ(merged->GetMaterial(0)->GetName(), zString("red"));
    EXPECT_EQ(merged->GetMaterial(1)->GetName(), zString("blue"));
    EXPECT_NE(merged->GetMaterial(0), geometry->GetMaterial(0)); // copies, not shared
    const u16 materials[4] = {0, 1, 0, 1};
    for (u32 p = 0; p < 4; ++p)
        EXPECT_EQ(merged->GetPolygons()[p].material, materials[p]) << p;
    EXPECT_NE(log.Text().find("[H] Merging materials in geometry ''...\nDone, merged 2 material(s).\n"),
              std::string::npos);
}

TEST(GeometryMerge, EachSideMovesByItsMatrix) {
    LogCapture log;
    GeometryHost host;
    auto triangle = UnitTriangle(host);
    ASSERT_TRUE(triangle->ComputePolygonNormals(false));
    const zMatrix4 moved = zMatrix4::Translation(zVector(10, 0, 0));
    zSharedPtr<zGeometry> merged = MergeItemGeometries(triangle.Get(), triangle.Get(), nullptr, &moved);
    ASSERT_TRUE(merged);
    ASSERT_EQ(merged->GetVertexCount(), 6u);
    for (u32 v = 0; v < 3; ++v) {
        EXPECT_EQ(merged->GetVertices()[v + 3].x, triangle->GetVertices()[v].x + 10.0f);
        EXPECT_EQ(merged->GetVertices()[v + 3].y, triangle->GetVertices()[v].y);
    }
    const u32 bindings[6] = {0, 1, 2, 3, 4, 5};
    for (u32 b = 0; b < 6; ++b)
        EXPECT_EQ(merged->GetBindings()[b], bindings[b]);
    EXPECT_EQ(merged->GetPolygons()[1].bindings, merged->GetBindings() + 3);
    EXPECT_EQ(merged->GetMaterialCount(), 1u);
    EXPECT_EQ(merged->GetPolygons()[1].material, 0u); // the folded twin
    EXPECT_EQ(merged->GetPolygonNormals()[1].z, triangle->GetPolygonNormals()[0].z);
}

TEST(GeometryMerge, NormalsStayPerpendicularUnderTheSidesMatrix) {
    LogCapture log;
    GeometryHost host;
    auto a = UnitTriangle(host);
    // A slanted triangle; b has no normals of its own: a's make both sides
    // compute theirs.
    auto b = MakeGeometry(&host, {zVector(0, 0, 0), zVector(1, 0, 1), zVector(0, 1, 0)}, {{{0, 1, 2}}});
    ASSERT_TRUE(a->ComputePolygonNormals(false));
    ASSERT_TRUE(a->ComputeVertexNormals(false));
    const zMatrix4 turned =
        zMatrix4::Compose(zVector(5, 0, 0), zVector(0.3f, 1.1f, 0), zVector(3, 1, 0.5f), zVector(0, 0, 0));
    zSharedPtr<zGeometry> merged = MergeItemGeometries(a.Get(), b.Get(), nullptr, &turned);
    ASSERT_TRUE(merged);
    ASSERT_NE(b->GetPolygonNormals(), nullptr);
    ASSERT_NE(merged->GetBindingNormals(), nullptr);
    const zVector* v = merged->GetVertices() + 3;
    const zVector edges[2] = {v[1].Sub(v[0]), v[2].Sub(v[0])};
    const zVector normals[4] = {merged->GetPolygonNormals()[1], merged->GetBindingNormals()[3],
                                merged->GetBindingNormals()[4], merged->GetBindingNormals()[5]};
    for (const zVector& n : normals) {
        EXPECT_NEAR(n.Length(), 1.0f, 1e-5f);
        for (const zVector& edge : edges)
            EXPECT_NEAR(n.Dot(edge), 0.0f, 1e-4f);
    }
}

TEST(GeometryMerge, ColoursAndUVsOfOneSideLeaveZerosForTheOther) {
    LogCapture log;
    GeometryHost host;
    auto a = UnitTriangle(host);
    auto b = UnitTriangle(host);
    ASSERT_TRUE(a->AllocateBindingColors());
    ASSERT_TRUE(b->AllocateUVChannels(2));
    for (u32 i = 0; i < 3; ++i) {
        a->GetBindingColors()[i] = zVector(1, 0.5f, 0.25f, 1);
        b->GetUVChannel(1)[i] = zVector2(0.5f, f32(i));
    }
    zSharedPtr<zGeometry> merged = MergeItemGeometries(a.Get(), b.Get(), nullptr, nullptr);
    ASSERT_TRUE(merged);
    ASSERT_NE(merged->GetBindingColors(), nullptr);
    ASSERT_EQ(merged->GetUVChannelCount(), 2u);
    for (u32 i = 0; i < 3; ++i) {
        EXPECT_EQ(merged->GetBindingColors()[i].y, 0.5f);
        EXPECT_EQ(merged->GetBindingColors()[i + 3].x, 0.0f);
        EXPECT_EQ(merged->GetUVChannel(1)[i].x, 0.0f);
        EXPECT_EQ(merged->GetUVChannel(1)[i + 3].y, f32(i));
    }
}

TEST(GeometryMerge, NullInputIsRefused) {
    LogCapture log;
    GeometryHost host;
    auto triangle = UnitTriangle(host);
    EXPECT_FALSE(MergeItemGeometries(nullptr, triangle.Get(), nullptr, nullptr));
    EXPECT_FALSE(MergeItemGeometries(triangle.Get(), nullptr, nullptr, nullptr));
    EXPECT_EQ(log.Text(), "[!] Cannot merge NULL geometry.\n[!] Cannot merge NULL geometry.\n");
}

TEST(GeometryMerge, AMergedGeometrySavesAndReloadsTheSame) {
    LogCapture log;
    GeometryHost host;
    zTexture* wood = host.Add("wood.tga");
    auto a = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    a->GetMaterial(0)->SetName("wood");
    Diffuse(*a->GetMaterial(0), wood);
    auto b = UnitTriangle(host);
    b->GetMaterial(0)->SetName("paint");
    b->GetMaterial(0)->SetColor(MaterialColorDiffuse, 0.25f, 0.5f, 0.75f, 0.5f);
    const zMatrix4 moved = zMatrix4::Translation(zVector(0, 0, 3));
    zSharedPtr<zGeometry> merged = MergeItemGeometries(a.Get(), b.Get(), nullptr, &moved);
    ASSERT_TRUE(merged);
    ASSERT_EQ(merged->GetMaterialCount(), 2u);
    EXPECT_EQ(merged->GetMaterial(0)->GetStageByType(StageTypeDiffuse)->texture.Get(), wood);

    zMetafile doc;
    ASSERT_TRUE(merged->SaveToMetafile(doc));
    std::string text;
    ASSERT_TRUE(SerializeMetafile(doc, text));
    zGeometry copy(&host);
    ASSERT_TRUE(LoadText(copy, text));
    EXPECT_EQ(copy.GetVertexCount(), 7u);
    EXPECT_EQ(copy.GetPolygonCount(), 2u);
    EXPECT_EQ(copy.GetBindingCount(), 7u);
    EXPECT_EQ(copy.GetVertices()[6].z, 3.0f);
    ASSERT_EQ(copy.GetMaterialCount(), 2u);
    EXPECT_EQ(copy.GetPolygons()[1].material, 1u);
    EXPECT_EQ(copy.GetMaterial(0)->GetName(), zString("wood"));
    EXPECT_EQ(copy.GetMaterial(0)->GetStageByType(StageTypeDiffuse)->texture.Get(), wood);
    EXPECT_EQ(copy.GetMaterial(1)->GetName(), zString("paint"));
    const f32* diffuse = copy.GetMaterial(1)->GetDiffuse();
    EXPECT_EQ(std::vector<f32>(diffuse, diffuse + 4), (std::vector<f32>{0.25f, 0.5f, 0.75f, 0.5f}));
}

TEST(GeometryMerge, MaterialsFoldOnlyWhenTheyLookTheSame) {
    struct Case {
        const char* name;
        const char *firstName, *secondName;
        const char *firstTexture, *secondTexture; // null: no diffuse stage
        f32 secondRed;
        u32 mode;
        u32 removed;
    };
    const Case cases[] = {
        {"same name and texture", "m", "m", "a.tga", "a.tga", 1.0f, 3, 1},
        {"same name, other textures", "m", "m", "a.tga", "b.tga", 1.0f, 3, 0},
        {"same name, one textured", "m", "m", "a.tga", nullptr, 1.0f, 3, 0},
        {"other names", "m", "n", "a.tga", "a.tga", 1.0f, 3, 0},
        {"other names, names not asked", "m", "n", "a.tga", "a.tga", 1.0f, 2, 1},
        {"other textures, stages not asked", "m", "m", "a.tga", "b.tga", 1.0f, 1, 1},
        {"untextured, other colours", "m", "m", nullptr, nullptr, 0.5f, 3, 0},
        {"untextured, same colours", "m", "m", nullptr, nullptr, 1.0f, 3, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        GeometryHost host;
        host.Add("a.tga");
        host.Add("b.tga");
        // Three materials: the pair under test, then a distinct one.
        auto geometry =
            MakeGeometry(&host, QuadVertices(), {{{0, 1, 2}, 2}, {{0, 2, 3}, 1}, {{1, 2, 3}, 0}}, 3);
        zMaterial& first = *geometry->GetMaterial(0);
        zMaterial& second = *geometry->GetMaterial(1);
        zMaterial& third = *geometry->GetMaterial(2);
        first.SetName(c.firstName);
        second.SetName(c.secondName);
        third.SetName("other");
        third.SetGlossiness(2.0f);
        if (c.firstTexture) Diffuse(first, host.textures[c.firstTexture].Get());
        if (c.secondTexture) Diffuse(second, host.textures[c.secondTexture].Get());
        second.SetColor(MaterialColorDiffuse, c.secondRed, 1, 1, 1);
        EXPECT_EQ(geometry->MergeMaterials(c.mode), c.removed);
        ASSERT_EQ(geometry->GetMaterialCount(), 3u - c.removed);
        EXPECT_EQ(geometry->GetMaterial(0), &first);
        EXPECT_EQ(geometry->GetMaterial(2 - c.removed), &third);
        const u16 expected[3] = {u16(2 - c.removed), u16(1 - c.removed), 0};
        for (u32 p = 0; p < 3; ++p)
            EXPECT_EQ(geometry->GetPolygons()[p].material, expected[p]) << p;
        EXPECT_NE(log.Text().find("Done, merged " + std::to_string(c.removed) + " material(s).\n"),
                  std::string::npos);
    }
    LogCapture log;
    GeometryHost host;
    auto single = UnitTriangle(host);
    EXPECT_EQ(single->MergeMaterials(3), 0u);
    EXPECT_EQ(log.Text(), "");
}

} // namespace
