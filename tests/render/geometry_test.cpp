#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "core/log.h"
#include "render/trilist.h"
#include "tests/render/geometry_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

constexpr f32 Tolerance = 1e-6f;

void ExpectVector(const zVector& actual, f32 x, f32 y, f32 z, f32 tolerance = Tolerance) {
    EXPECT_NEAR(actual.x, x, tolerance);
    EXPECT_NEAR(actual.y, y, tolerance);
    EXPECT_NEAR(actual.z, z, tolerance);
}

std::vector<zVector> CubeVertices() {
    std::vector<zVector> vertices;
    for (int i = 0; i < 8; ++i)
        vertices.emplace_back(f32(i & 1), f32((i >> 1) & 1), f32((i >> 2) & 1));
    return vertices;
}

// ---- Bounds and centre -----------------------------------------------------

TEST(Geometry, EmptyGeometryReturnsItsStoredBox) {
    GeometryHost host;
    zGeometry geometry(&host);
    geometry.SetBounds(zMinMax(zVector(0, 0, 0), zVector(2, 1, 1)));
    zMinMax box;
    geometry.GetMinMax(box);
    ExpectVector(box.min, 0, 0, 0);
    ExpectVector(box.max, 2, 1, 1);

    const zMatrix4 quarterTurn = zMatrix4::FromMatrix3(zMatrix3::RotationZ(1.5707963f));
    geometry.GetMinMax(box, &quarterTurn);
    ExpectVector(box.min, -1, 0, 0, 1e-5f);
    ExpectVector(box.max, 0, 2, 1, 1e-5f);
}

TEST(Geometry, BoundsOfTranslatedCube) {
    GeometryHost host;
    auto geometry = MakeGeometry(&host, CubeVertices(), {{{0, 1, 3, 2}}});
    const zMatrix4 move = zMatrix4::Translation(zVector(10, 0, 0));
    zMinMax box;
    geometry->GetMinMax(box, &move);
    ExpectVector(box.min, 10, 0, 0);
    ExpectVector(box.max, 11, 1, 1);
}

TEST(Geometry, SetupMakesTheCentreTheMeanOfTheVertices) {
    GeometryHost host;
    RecordingRenderer renderer(&host, true);
    auto geometry = MakeGeometry(
        &host, {zVector(0, 0, 0), zVector(4, 0, 0), zVector(4, 2, 0), zVector(0, 2, 6)}, {{{0, 1, 2, 3}}});
    EXPECT_TRUE(geometry->Setup());
    ExpectVector(geometry->GetCenter(), 2, 1, 1.5f);
    ExpectVector(geometry->GetBounds().max, 4, 2, 6);
}

// ---- Normals ----------------------------------------------------------------

TEST(Geometry, CounterClockwiseQuadFacesNegativeZ) {
    GeometryHost host;
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    ASSERT_TRUE(geometry->ComputePolygonNormals(false));
    const zVector& normal = geometry->GetPolygonNormals()[0];
    EXPECT_EQ(normal.x, 0.0f);
    EXPECT_EQ(normal.y, 0.0f);
    EXPECT_EQ(normal.z, -1.0f);
}

TEST(Geometry, NormalSkipsCollinearFirstCorners) {
    GeometryHost host;
    // The first three corners lie on one line; the next fan triangle decides.
    auto geometry =
        MakeGeometry(&host, {zVector(0, 0, 0), zVector(1, 0, 0), zVector(2, 0, 0), zVector(2, 1, 0)},
                     {{{0, 1, 2, 3}}, {{0, 1}}});
    ASSERT_TRUE(geometry->ComputePolygonNormals(false));
    ExpectVector(geometry->GetPolygonNormals()[0], 0, 0, -1);
    ExpectVector(geometry->GetPolygonNormals()[1], 0, 0, 0);
}

// Front face (normal -z) and top face (normal +y) of a box meet at the ridge
// v2-v3.
zSharedPtr<zGeometry> Roof(zRenderHost* host, f32 angle) {
    auto geometry = MakeGeometry(host,
                                 {zVector(0, 0, 0), zVector(1, 0, 0), zVector(1, 1, 0), zVector(0, 1, 0),
                                  zVector(1, 1, 1), zVector(0, 1, 1)},
                                 {{{0, 1, 2, 3}}, {{3, 2, 4, 5}}});
    geometry->GetMaterial(0)->SetMaxSmoothingAngle(angle);
    return geometry;
}

TEST(Geometry, SmoothingFollowsTheMaterialAngleInDegrees) {
    struct Case {
        f32 angle;
        bool smoothed;
    } cases[] = {{0.0f, false}, {89.0f, false}, {91.0f, true}, {180.0f, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angle);
        GeometryHost host;
        auto geometry = Roof(&host, c.angle);
        ASSERT_TRUE(geometry->ComputeVertexNormals(false));
        const zVector* normals = geometry->GetBindingNormals();
        ASSERT_NE(normals, nullptr);
        // Corner 2 of the front face is vertex 2 (ridge), corner 0 vertex 0.
        ExpectVector(normals[0], 0, 0, -1);
        ExpectVector(normals[4 + 3], 0, 1, 0); // vertex 5, off the ridge
        if (c.smoothed) {
            ExpectVector(normals[2], 0, 0.70710678f, -0.70710678f);
            ExpectVector(normals[4 + 1], 0, 0.70710678f, -0.70710678f);
        } else {
            ExpectVector(normals[2], 0, 0, -1);
            ExpectVector(normals[4 + 1], 0, 1, 0);
        }
    }
}

TEST(Geometry, SmoothingAngleIsThatOfEachPolygonsMaterial) {
    GeometryHost host;
    auto geometry = Roof(&host, 0.0f);
    ASSERT_TRUE(geometry->AllocateMaterials(2, true));
    geometry->GetMaterial(1)->SetMaxSmoothingAngle(180.0f);
    geometry->GetPolygons()[1].material = 1;
    ASSERT_TRUE(geometry->ComputeVertexNormals(false));
    ExpectVector(geometry->GetBindingNormals()[2], 0, 0, -1);
    ExpectVector(geometry->GetBindingNormals()[4 + 1], 0, 0.70710678f, -0.70710678f);
}

TEST(Geometry, VertexNormalsAreNotRecomputedUnlessForced) {
    GeometryHost host;
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    ASSERT_TRUE(geometry->ComputeVertexNormals(false));
    geometry->GetBindingNormals()[0] = zVector(1, 0, 0, 0);
    ASSERT_TRUE(geometry->ComputeVertexNormals(false));
    ExpectVector(geometry->GetBindingNormals()[0], 1, 0, 0);
    ASSERT_TRUE(geometry->ComputeVertexNormals(true));
    ExpectVector(geometry->GetBindingNormals()[0], 0, 0, -1);
}

// ---- Tangents -----------------------------------------------------------------

void GiveNormalStage(GeometryHost& host, zMaterial& material, u8 channel) {
    zTextureStage& stage = material.GetStage(0);
    stage.type = StageTypeNormal;
    stage.active = 1;
    stage.uvMapIndex = channel;
    stage.texture = host.Add("normal.tga");
    material.CheckStages();
}

void SetQuadUVs(zGeometry& geometry, bool flipV) {
    ASSERT_TRUE(geometry.AllocateUVChannels(1));
    for (u32 c = 0; c < 4; ++c) {
        const zVector& p = geometry.GetVertices()[geometry.GetPolygons()[0].bindings[c]];
        geometry.GetUVChannel(0)[c] = zVector2(p.x, flipV ? 1.0f - p.y : p.y);
    }
}

TEST(Geometry, ComputationsLogWhatTheyCompute) {
    struct Case {
        const char* name;
        bool tangents;
        const char* expected;
    } cases[] = {
        {"vertex normals", false, "Compute polygon normal for mesh.\nCompute vertex normal for mesh.\n"},
        {"tangent frames", true, "Compute vertex tangent for mesh.\nCompute polygon normal for mesh.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GeometryHost host;
        auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
        if (c.tangents) {
            GiveNormalStage(host, *geometry->GetMaterial(0), 0);
            SetQuadUVs(*geometry, false);
        }
        LogCapture log;
        EXPECT_TRUE(c.tangents ? geometry->ComputeTangentFrames(false)
                               : geometry->ComputeVertexNormals(false));
        EXPECT_EQ(log.Text(), c.expected);
        log.Reset();
        // Present data is not computed again: nothing is logged.
        EXPECT_TRUE(c.tangents ? geometry->ComputeTangentFrames(false)
                               : geometry->ComputeVertexNormals(false));
        EXPECT_EQ(log.Text(), "");
    }
}

// An importer that sized its polygons and pointed them at its own indices
// but never counted the bindings.
zSharedPtr<zGeometry> UncountedQuad(GeometryHost& host, u32* corners) {
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    EXPECT_TRUE(geometry->AllocatePolygons(1));
    geometry->GetPolygons()[0].cornerCount = 4;
    geometry->GetPolygons()[0].bindings = corners;
    EXPECT_EQ(geometry->GetBindingCount(), 0u);
    return geometry;
}

TEST(Geometry, VertexNormalsRecountAZeroBindingCount) {
    GeometryHost host;
    u32 corners[4] = {0, 1, 2, 3};
    auto geometry = UncountedQuad(host, corners);
    LogCapture log;
    ASSERT_TRUE(geometry->ComputeVertexNormals(false));
    EXPECT_NE(log.Text().find("[!] The total binding count is wrong. Check that the importer did properly "
                              "update this flag.\n"),
              std::string::npos);
    EXPECT_EQ(geometry->GetBindingCount(), 4u);
    for (u32 b = 0; b < 4; ++b)
        ExpectVector(geometry->GetBindingNormals()[b], 0, 0, -1);
}

// The UV channel was made while the binding count was 0, so it holds nothing:
// the tangents and the triangle lists must not read it.
TEST(Geometry, UVChannelMadeBeforeTheBindingsWereCountedIsNotRead) {
    GeometryHost host;
    u32 corners[4] = {0, 1, 2, 3};
    auto geometry = UncountedQuad(host, corners);
    GiveNormalStage(host, *geometry->GetMaterial(0), 0);
    ASSERT_TRUE(geometry->AllocateUVChannels(1));
    LogCapture log;
    EXPECT_FALSE(geometry->ComputeTangentFrames(false));
    EXPECT_NE(log.Text().find("[*] Missing UV sets to compute tangent frame in 'mesh'.\n"),
              std::string::npos);
    EXPECT_NE(log.Text().find("[!] ComputeVertexTangent() pol_binding_count member wasn't set! Check that "
                              "the importer updates this flag.\n"),
              std::string::npos);
    EXPECT_EQ(geometry->GetBindingCount(), 4u);
    EXPECT_EQ(geometry->GetTangentFrames(), nullptr);

    std::unique_ptr<zLinkedList> lists(zTrilist::BuildFromGeometry(geometry.Get(), 16384));
    ASSERT_NE(lists, nullptr);
    ASSERT_EQ(lists->GetCount(), 1u);
    const zTrilist* list = static_cast<const zTrilist*>(lists->GetHead());
    EXPECT_EQ(list->triangleCount, 2u);
    EXPECT_EQ(list->uvs[0][3].x, 0.0f);
}

TEST(Geometry, TangentFrameFollowsTheUVs) {
    for (bool flipV : {false, true}) {
        SCOPED_TRACE(flipV);
        GeometryHost host;
        auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
        GiveNormalStage(host, *geometry->GetMaterial(0), 0);
        SetQuadUVs(*geometry, flipV);
        ASSERT_TRUE(geometry->ComputeTangentFrames(false));
        ExpectVector(geometry->GetPolygonTangents()[0].tangent, 1, 0, 0);
        ExpectVector(geometry->GetPolygonTangents()[0].bitangent, 0, flipV ? -1.0f : 1.0f, 0);
        for (u32 b = 0; b < 4; ++b) {
            ExpectVector(geometry->GetTangentFrames()[b].tangent, 1, 0, 0);
            ExpectVector(geometry->GetTangentFrames()[b].bitangent, 0, flipV ? -1.0f : 1.0f, 0);
        }
    }
}

TEST(Geometry, NoTangentsWithoutANormalStage) {
    GeometryHost host;
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    SetQuadUVs(*geometry, false);
    EXPECT_FALSE(geometry->ComputeTangentFrames(false));
    EXPECT_EQ(geometry->GetPolygonTangents(), nullptr);
    EXPECT_EQ(geometry->GetTangentFrames(), nullptr);
}

TEST(Geometry, MissingUVChannelIsReported) {
    LogCapture log;
    GeometryHost host;
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    GiveNormalStage(host, *geometry->GetMaterial(0), 1);
    SetQuadUVs(*geometry, false); // channel 0 only
    EXPECT_FALSE(geometry->ComputePolygonTangents());
    EXPECT_NE(log.Text().find("[*] Missing UV sets to compute tangent frame in 'mesh'.\n"),
              std::string::npos);
}

// ---- Material flags -----------------------------------------------------------

TEST(Geometry, UpdateMaterialFlagsTable) {
    struct Case {
        u32 flags;
        u32 renderWord;
        u32 rigid;
    } cases[] = {
        {MaterialFlagSmoothing, GeometryRenderLit, 1},
        {MaterialFlagSmoothing | MaterialFlagShadeless, 0, 1},
        {MaterialFlagForceVertexNormal, GeometryRenderLit, 1},
        {MaterialFlagNormalMapTangent, GeometryRenderTangents, 1},
        {MaterialFlagSoftBody, 0, 0},
        {0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        GeometryHost host;
        auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
        geometry->SetRenderWord(GeometryRenderUseNormal);
        geometry->GetMaterial(0)->SetFlags(c.flags);
        geometry->UpdateMaterialFlags();
        EXPECT_EQ(geometry->GetRenderWord(), c.renderWord);
        EXPECT_EQ(geometry->GetRigid(), c.rigid);
        EXPECT_EQ(geometry->GetMaterialFlags(), c.flags);
    }
}

TEST(Geometry, MaterialFlagsDroppedByAMaterialDoNotLinger) {
    GeometryHost host;
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}}, 2);
    geometry->GetMaterial(0)->SetFlags(MaterialFlagAdditive | MaterialFlagSoftBody);
    geometry->GetMaterial(1)->SetFlags(MaterialFlagSmoothing);
    geometry->UpdateMaterialFlags();
    EXPECT_EQ(geometry->GetMaterialFlags(),
              MaterialFlagAdditive | MaterialFlagSoftBody | MaterialFlagSmoothing);
    EXPECT_EQ(geometry->GetRigid(), 0u);

    geometry->GetMaterial(0)->SetFlags(0);
    geometry->UpdateMaterialFlags();
    EXPECT_EQ(geometry->GetMaterialFlags(), MaterialFlagSmoothing);
    EXPECT_EQ(geometry->GetRigid(), 1u);
}

// ---- Materials ----------------------------------------------------------------

TEST(Geometry, MaterialLookup) {
    GeometryHost host;
    zGeometry geometry(&host);
    EXPECT_EQ(geometry.GetMaterial(0), nullptr);
    ASSERT_TRUE(geometry.AllocateMaterials(3, true));
    geometry.GetMaterial(1)->SetName("stone");
    geometry.GetMaterial(2)->SetName("stone");
    EXPECT_EQ(geometry.GetMaterial(3), geometry.GetMaterial(0));
    EXPECT_EQ(geometry.FindMaterial("stone"), geometry.GetMaterial(1));
    EXPECT_EQ(geometry.FindMaterial("wood"), geometry.GetMaterial(0));

    ASSERT_TRUE(geometry.AllocateMaterials(2, false));
    EXPECT_EQ(geometry.GetMaterialCount(), 2u);
    EXPECT_EQ(geometry.GetMaterial(1), nullptr);
}

TEST(Geometry, AllocatingNoMaterialsWarnsAndSucceeds) {
    LogCapture log;
    GeometryHost host;
    zGeometry geometry(&host);
    geometry.SetName("empty");
    EXPECT_TRUE(geometry.AllocateMaterials(0, true));
    EXPECT_EQ(geometry.GetMaterialCount(), 0u);
    EXPECT_EQ(log.Text(), "[*] No materials allocated for geometry 'empty'.\n");
}

// ---- Set-up -------------------------------------------------------------------

std::vector<std::string> SetupCalls(const std::vector<std::string>& journal) {
    std::vector<std::string> calls;
    for (const std::string& entry : journal) {
        if (entry.find("Setup") == 0 || entry == "UpdateMaterial") calls.push_back(entry);
    }
    return calls;
}

TEST(Geometry, SetupOfAnEmptyGeometryCallsNoRenderer) {
    std::vector<std::string> journal;
    GeometryHost host;
    GeometryJournalRenderer renderer(&host, &journal);
    zGeometry geometry(&host);
    geometry.AllocateMaterials(1, true);
    EXPECT_TRUE(geometry.Setup());
    EXPECT_TRUE(SetupCalls(journal).empty());
}

TEST(Geometry, SetupSetsUpEachMaterialThenTheGeometry) {
    std::vector<std::string> journal;
    GeometryHost host;
    GeometryJournalRenderer renderer(&host, &journal);
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}}, 2);
    EXPECT_TRUE(geometry->Setup());
    const std::vector<std::string> expected = {"SetupMaterial 0", "UpdateMaterial", "SetupMaterial 0",
                                               "UpdateMaterial", "SetupGeometry"};
    EXPECT_EQ(SetupCalls(journal), expected);
    EXPECT_EQ(geometry->GetKeepMask() & 49u, 49u);
}

TEST(Geometry, SkinnedGeometryMarksItsMaterialsBeforeSetup) {
    std::vector<std::string> journal;
    GeometryHost host;
    GeometryJournalRenderer renderer(&host, &journal);
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    ASSERT_TRUE(geometry->AllocateSkin(1));
    EXPECT_TRUE(geometry->Setup());
    const std::vector<std::string> expected = {"SetupMaterial 32768", "UpdateMaterial", "SetupGeometry"};
    EXPECT_EQ(SetupCalls(journal), expected);
}

TEST(Geometry, SetupComputesNormalsWhenAMaterialSmooths) {
    GeometryHost host;
    RecordingRenderer renderer(&host, true);
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    EXPECT_TRUE(geometry->Setup());
    EXPECT_EQ(geometry->GetBindingNormals(), nullptr);
    geometry->GetMaterial(0)->SetFlags(MaterialFlagSmoothing);
    EXPECT_TRUE(geometry->Setup());
    ASSERT_NE(geometry->GetBindingNormals(), nullptr);
    ExpectVector(geometry->GetBindingNormals()[3], 0, 0, -1);
}

// ---- Tables -------------------------------------------------------------------

TEST(Geometry, VertexUsedTwiceByAPolygonCountsTwice) {
    GeometryHost host;
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 0, 2}}, {{0, 2, 3}}});
    ASSERT_TRUE(geometry->BuildVertexToPolygonTable());
    const zVertexPolygons* table = geometry->GetVertexToPolygonTable();
    ASSERT_EQ(table[0].count, 3u);
    EXPECT_EQ(table[0].polygons[0], 0u);
    EXPECT_EQ(table[0].polygons[1], 0u);
    EXPECT_EQ(table[0].polygons[2], 1u);
    EXPECT_EQ(table[1].count, 1u);
    EXPECT_EQ(table[3].count, 1u);
}

TEST(Geometry, FanCentreSharedByMoreThan65535Polygons) {
    GeometryHost host;
    constexpr u32 fan = 70000;
    std::vector<zVector> vertices{zVector(0, 0, 0)};
    std::vector<PolygonSpec> polygons;
    for (u32 i = 0; i <= fan; ++i) {
        const f32 angle = f32(i) * 6.2831853f / f32(fan + 1);
        vertices.emplace_back(std::cos(angle), std::sin(angle), 0.0f);
    }
    for (u32 i = 0; i < fan; ++i)
        polygons.push_back({{0, i + 2, i + 1}});
    auto geometry = MakeGeometry(&host, vertices, polygons);
    ASSERT_TRUE(geometry->BuildVertexToPolygonTable());
    const zVertexPolygons& centre = geometry->GetVertexToPolygonTable()[0];
    ASSERT_EQ(centre.count, fan);
    EXPECT_EQ(centre.polygons[fan - 1], fan - 1);
    EXPECT_EQ(geometry->GetVertexToPolygonTable()[1].count, 1u);
    EXPECT_EQ(geometry->GetVertexToPolygonTable()[2].polygons[1], 1u);
    ASSERT_TRUE(geometry->ComputeVertexNormals(false));
    ExpectVector(geometry->GetBindingNormals()[0], 0, 0, 1);
}

TEST(Geometry, VertexToVertexTableListsNeighbourCorners) {
    GeometryHost host;
    auto geometry = MakeGeometry(
        &host, {zVector(0, 0, 0), zVector(1, 0, 0), zVector(1, 1, 0), zVector(0, 1, 0), zVector(2, 0, 0)},
        {{{0, 1, 2, 3}}, {{1, 4, 2}}});
    ASSERT_TRUE(geometry->BuildVertexToVertexTable());
    const zVertexNeighbours* table = geometry->GetVertexToVertexTable();
    ASSERT_EQ(table[0].count, 2u);
    EXPECT_EQ(table[0].pairs[0].polygon, 0u);
    EXPECT_EQ(table[0].pairs[0].corner, 3u);
    EXPECT_EQ(table[0].pairs[1].corner, 1u);
    ASSERT_EQ(table[1].count, 4u); // corners 0 and 2 of the quad, 2 and 1 of the triangle
    EXPECT_EQ(table[1].pairs[2].polygon, 1u);
    EXPECT_EQ(table[1].pairs[2].corner, 2u);
    EXPECT_EQ(table[1].pairs[3].corner, 1u);
}

TEST(Geometry, VertexToVertexLimitIsLogged) {
    GeometryHost host;
    // The centre of a 600-triangle fan has 1200 neighbour corners.
    constexpr u32 fan = 600;
    std::vector<zVector> vertices{zVector(0, 0, 0)};
    std::vector<PolygonSpec> polygons;
    for (u32 i = 0; i <= fan; ++i) {
        const f32 angle = f32(i) * 6.2831853f / f32(fan + 1);
        vertices.emplace_back(std::cos(angle), std::sin(angle), 0.0f);
    }
    for (u32 i = 0; i < fan; ++i)
        polygons.push_back({{0, i + 2, i + 1}});
    auto geometry = MakeGeometry(&host, vertices, polygons);
    LogCapture log;
    ASSERT_TRUE(geometry->BuildVertexToVertexTable());
    EXPECT_EQ(log.Text(), "[!] Temporary list exceeded, V2V lut is corrupt.\n");
    const zVertexNeighbours* table = geometry->GetVertexToVertexTable();
    ASSERT_EQ(table[0].count, GeometryMaxNeighbourPairs);
    EXPECT_EQ(table[0].pairs[1023].polygon, 511u);
    ASSERT_EQ(table[2].count, 4u);
    EXPECT_EQ(table[2].pairs[3].polygon, 1u);
}

TEST(Geometry, HomogeneousTable) {
    struct Case {
        const char* name;
        u16 secondMaterial;
        f32 normalOffset;
        i32 material;
        u8 expected;
    } cases[] = {
        {"same", 0, 0.0f, -1, 1},
        {"materials differ", 1, 0.0f, -1, 0},
        {"materials differ, one looked at", 1, 0.0f, 1, 1},
        {"normals differ by 0.01", 0, 0.01f, -1, 0},
        {"normals differ by 0.003", 0, 0.003f, -1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GeometryHost host;
        // Vertex 1 is shared by both quads.
        auto geometry = MakeGeometry(&host,
                                     {zVector(0, 0, 0), zVector(1, 0, 0), zVector(1, 1, 0), zVector(0, 1, 0),
                                      zVector(2, 0, 0), zVector(2, 1, 0)},
                                     {{{0, 1, 2, 3}}, {{1, 4, 5, 2}, c.secondMaterial}}, 2);
        ASSERT_TRUE(geometry->AllocateBindingNormals());
        for (u32 b = 0; b < 8; ++b)
            geometry->GetBindingNormals()[b] = zVector(0, 0, -1, 0);
        geometry->GetBindingNormals()[4].x += c.normalOffset;
        ASSERT_TRUE(geometry->BuildHomogeneousTable(c.material));
        EXPECT_EQ(geometry->GetHomogeneousTable()[1], c.expected);
        EXPECT_EQ(geometry->GetHomogeneousTable()[0], 1);
    }
}

TEST(Geometry, HomogeneityComparesColoursAndUVs) {
    GeometryHost host;
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2}}, {{0, 2, 3}}});
    ASSERT_TRUE(geometry->AllocateBindingColors());
    ASSERT_TRUE(geometry->AllocateUVChannels(2));
    ASSERT_TRUE(geometry->BuildHomogeneousTable());
    EXPECT_EQ(geometry->GetHomogeneousTable()[0], 1);
    geometry->GetUVChannel(1)[3] = zVector2(0.5f, 0.0f); // vertex 0 in the second triangle
    ASSERT_TRUE(geometry->BuildHomogeneousTable());
    EXPECT_EQ(geometry->GetHomogeneousTable()[0], 0);
    EXPECT_EQ(geometry->GetHomogeneousTable()[2], 1);
    geometry->GetUVChannel(1)[3] = zVector2(0.0f, 0.0f);
    geometry->GetBindingColors()[5].w = 0.5f; // vertex 3, only in the second triangle
    geometry->GetBindingColors()[4].w = 0.5f; // vertex 2 in the second triangle
    ASSERT_TRUE(geometry->BuildHomogeneousTable());
    EXPECT_EQ(geometry->GetHomogeneousTable()[0], 1);
    EXPECT_EQ(geometry->GetHomogeneousTable()[2], 0);
    EXPECT_EQ(geometry->GetHomogeneousTable()[3], 1);
}

// ---- Storage ------------------------------------------------------------------

TEST(Geometry, StorageOperationsLayBindingsOutInPolygonOrder) {
    GeometryHost host;
    zGeometry geometry(&host);
    ASSERT_TRUE(geometry.AllocatePolygons(3));
    geometry.GetPolygons()[0].cornerCount = 3;
    geometry.GetPolygons()[1].cornerCount = 0;
    geometry.GetPolygons()[2].cornerCount = 5;
    ASSERT_TRUE(geometry.AllocateBindings());
    EXPECT_EQ(geometry.GetBindingCount(), 8u);
    EXPECT_EQ(geometry.GetPolygons()[0].bindings, geometry.GetBindings());
    EXPECT_EQ(geometry.GetPolygons()[2].bindings, geometry.GetBindings() + 3);
    ASSERT_TRUE(geometry.BuildFirstBindingTable());
    EXPECT_EQ(geometry.GetFirstBindings()[2], 3u);

    ASSERT_TRUE(geometry.AllocatePolygons(1));
    EXPECT_EQ(geometry.GetBindingCount(), 0u);
    EXPECT_EQ(geometry.GetFirstBindings(), nullptr);
    EXPECT_EQ(geometry.GetPolygons()[0].bindings, nullptr);
}

TEST(Geometry, FreeDataKeepsTheMaskedParts) {
    GeometryHost host;
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    auto proxy = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    ASSERT_TRUE(geometry->SetLodProxy(proxy.Get()));
    geometry->SetLodDistance(40.0f);
    geometry->SetFarDistance(500.0f);
    geometry->SetFlags(GeometryNotDrawnBeyondLod | GeometryNoShadow);
    ASSERT_TRUE(geometry->AllocateBindingColors());
    ASSERT_TRUE(geometry->BuildVertexToPolygonTable());

    geometry->SetKeepMask(GeometryKeepMesh | GeometryKeepChannels);
    geometry->FreeData();
    EXPECT_EQ(geometry->GetVertexCount(), 4u);
    EXPECT_NE(geometry->GetBindingColors(), nullptr);
    EXPECT_EQ(geometry->GetVertexToPolygonTable(), nullptr);
    EXPECT_EQ(geometry->GetMaterialCount(), 0u);
    EXPECT_EQ(geometry->GetFarDistance(), -1.0f);
    EXPECT_EQ(geometry->GetLodProxy(), nullptr);
    EXPECT_EQ(geometry->GetLodDistance(), 100.0f);
    EXPECT_EQ(geometry->GetFlags(), 0u);

    geometry->SetKeepMask(0);
    geometry->FreeData();
    EXPECT_EQ(geometry->GetVertexCount(), 0u);
    EXPECT_EQ(geometry->GetPolygons(), nullptr);
    EXPECT_EQ(geometry->GetBindingColors(), nullptr);
}

// Allocating anew used to keep the tables and attributes of the old arrays,
// which the computations then took as present and read past their end.
TEST(Geometry, ReallocatedStorageDropsWhatWasDerivedFromIt) {
    GeometryHost host;
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    ASSERT_TRUE(geometry->AllocateSkin(2));
    ASSERT_TRUE(geometry->AllocateUVChannels(1));
    ASSERT_TRUE(geometry->AllocateBindingColors());
    ASSERT_TRUE(geometry->ComputeVertexNormals(false));
    ASSERT_TRUE(geometry->BuildVertexToVertexTable());
    ASSERT_TRUE(geometry->BuildHomogeneousTable());

    // Two quads over six vertices.
    ASSERT_TRUE(geometry->AllocateVertices(6));
    const zVector positions[6] = {zVector(0, 0, 0), zVector(1, 0, 0), zVector(1, 1, 0),
                                  zVector(0, 1, 0), zVector(2, 0, 0), zVector(2, 1, 0)};
    for (u32 v = 0; v < 6; ++v)
        geometry->GetVertices()[v] = positions[v];
    EXPECT_EQ(geometry->GetVertexToPolygonTable(), nullptr);
    EXPECT_EQ(geometry->GetVertexToVertexTable(), nullptr);
    EXPECT_EQ(geometry->GetHomogeneousTable(), nullptr);
    EXPECT_EQ(geometry->GetSkinWeights(), nullptr);
    EXPECT_EQ(geometry->GetBoneCount(), 2u);

    ASSERT_TRUE(geometry->AllocatePolygons(2));
    EXPECT_EQ(geometry->GetPolygonNormals(), nullptr);
    EXPECT_EQ(geometry->GetBindingNormals(), nullptr);
    EXPECT_EQ(geometry->GetBindingColors(), nullptr);
    EXPECT_EQ(geometry->GetUVChannelCount(), 0u);
    const u32 corners[2][4] = {{0, 1, 2, 3}, {1, 4, 5, 2}};
    for (u32 p = 0; p < 2; ++p)
        geometry->GetPolygons()[p].cornerCount = 4;
    ASSERT_TRUE(geometry->AllocateBindings());
    for (u32 p = 0; p < 2; ++p) {
        for (u32 c = 0; c < 4; ++c)
            geometry->GetPolygons()[p].bindings[c] = corners[p][c];
    }
    ASSERT_TRUE(geometry->ComputeVertexNormals(false));
    ASSERT_NE(geometry->GetBindingNormals(), nullptr);
    ExpectVector(geometry->GetBindingNormals()[7], 0, 0, -1);
    ASSERT_TRUE(geometry->BuildVertexToVertexTable());
    EXPECT_EQ(geometry->GetVertexToPolygonTable()[1].count, 2u);
    EXPECT_EQ(geometry->GetVertexToPolygonTable()[5].count, 1u);

    // New corner counts: the first-binding table follows them.
    ASSERT_TRUE(geometry->BuildFirstBindingTable());
    geometry->GetPolygons()[0].cornerCount = 3;
    ASSERT_TRUE(geometry->AllocateBindings());
    EXPECT_EQ(geometry->GetBindingCount(), 7u);
    EXPECT_EQ(geometry->GetBindingNormals(), nullptr);
    ASSERT_TRUE(geometry->BuildFirstBindingTable());
    EXPECT_EQ(geometry->GetFirstBindings()[1], 3u);
}

TEST(Geometry, DestructorTellsTheEngineBeforeAndAfterFreeing) {
    std::vector<std::string> journal;
    GeometryHost host;
    host.journal = &journal;
    GeometryJournalRenderer renderer(&host, &journal);
    auto proxy = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    zGeometry* geometry = new zGeometry(&host);
    geometry->AddRef();
    ASSERT_TRUE(geometry->SetShadowProxy(proxy.Get()));
    EXPECT_EQ(proxy->GetRefCount(), 2u);
    journal.clear();
    host.events.clear();
    geometry->Release();
    const std::vector<std::string> expected = {"event 5", "FreeGeometry", "event 6"};
    EXPECT_EQ(journal, expected);
    ASSERT_EQ(host.events.size(), 2u);
    EXPECT_EQ(host.events[0].record.geometry, geometry);
    EXPECT_EQ(host.events[1].record.geometry, geometry);
    EXPECT_EQ(proxy->GetRefCount(), 1u);
    host.journal = nullptr;
}

// ---- Proxies and the tree -------------------------------------------------------

TEST(Geometry, ProxyCyclesAreRefused) {
    LogCapture log;
    GeometryHost host;
    auto a = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    auto b = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    auto c = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    a->SetName("a");
    b->SetName("b");
    c->SetName("c");
    EXPECT_FALSE(a->SetLodProxy(a.Get()));
    EXPECT_TRUE(a->SetLodProxy(b.Get()));
    EXPECT_TRUE(b->SetShadowProxy(c.Get()));
    EXPECT_FALSE(c->SetLodProxy(a.Get()));
    EXPECT_EQ(c->GetLodProxy(), nullptr);
    EXPECT_TRUE(c->SetLodProxy(nullptr));
    EXPECT_NE(log.Text().find("[!] Proxy 'a' of geometry 'c' refers back to it, proxy refused.\n"),
              std::string::npos);
}

struct CountingTree : zGeometryTree {
    static int builds;
    bool Build(zGeometry*) override {
        ++builds;
        return true;
    }
    void Clear() override {}
};
int CountingTree::builds = 0;

TEST(Geometry, BuildTreeBuildsOnceThroughTheFactory) {
    LogCapture log;
    GeometryHost host;
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    SetGeometryTreeFactory(nullptr);
    EXPECT_FALSE(geometry->BuildTree(GeometryTreeBIH));
    EXPECT_EQ(log.Text(), "[!] Failed to allocate geotree.\n");

    CountingTree::builds = 0;
    SetGeometryTreeFactory([](u32) -> zGeometryTree* { return new CountingTree; });
    EXPECT_TRUE(geometry->BuildTree(GeometryTreeBIH));
    EXPECT_TRUE(geometry->BuildTree(GeometryTreeKD));
    EXPECT_EQ(CountingTree::builds, 1);
    EXPECT_NE(geometry->GetTree(), nullptr);
    SetGeometryTreeFactory(nullptr);
}

} // namespace
