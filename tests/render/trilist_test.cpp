#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>

#include "render/trilist.h"
#include "tests/render/geometry_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

constexpr u32 RendererLimit = 16384;

using Triangle = std::array<f32, 9>;

std::unique_ptr<zLinkedList> Build(zGeometry& geometry, u32 limit = RendererLimit) {
    return std::unique_ptr<zLinkedList>(zTrilist::BuildFromGeometry(&geometry, limit));
}

std::vector<zTrilist*> Lists(const zLinkedList& lists) {
    std::vector<zTrilist*> out;
    for (zLinkedListEntry* entry = lists.GetHead(); entry; entry = entry->GetNext()) {
        out.push_back(static_cast<zTrilist*>(entry));
    }
    return out;
}

Triangle Positions(const zVector& a, const zVector& b, const zVector& c) {
    return {a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z};
}

// Every fan triangle of every drawable polygon (one of the geometry's
// materials), by position.
std::vector<Triangle> GeometryTriangles(const zGeometry& geometry) {
    std::vector<Triangle> triangles;
    for (u32 p = 0; p < geometry.GetPolygonCount(); ++p) {
        const zPolygon& polygon = geometry.GetPolygons()[p];
        if (polygon.material >= geometry.GetMaterialCount()) continue;
        for (u32 k = 1; k + 1 < polygon.cornerCount; ++k) {
            const zVector* v = geometry.GetVertices();
            triangles.push_back(
                Positions(v[polygon.bindings[0]], v[polygon.bindings[k]], v[polygon.bindings[k + 1]]));
        }
    }
    std::sort(triangles.begin(), triangles.end());
    return triangles;
}

// The lists' triangles by position, after checking every index and limit.
std::vector<Triangle> ListTriangles(const zLinkedList& lists, u32 limit = RendererLimit) {
    std::vector<Triangle> triangles;
    for (const zTrilist* list : Lists(lists)) {
        EXPECT_LT(list->triangleCount, limit);
        EXPECT_EQ(list->indices.GetCount(), list->triangleCount * 3);
        EXPECT_EQ(list->vertices.GetCount(), list->vertexCount);
        for (u32 t = 0; t < list->triangleCount; ++t) {
            const u32* index = list->indices.Get() + t * 3;
            for (int i = 0; i < 3; ++i)
                EXPECT_LT(index[i], list->vertexCount);
            if (index[0] >= list->vertexCount || index[1] >= list->vertexCount ||
                index[2] >= list->vertexCount)
                continue;
            triangles.push_back(
                Positions(list->vertices[index[0]], list->vertices[index[1]], list->vertices[index[2]]));
        }
    }
    std::sort(triangles.begin(), triangles.end());
    return triangles;
}

std::vector<zVector> Grid(u32 columns, u32 rows, std::vector<PolygonSpec>& quads) {
    std::vector<zVector> vertices;
    for (u32 y = 0; y <= rows; ++y) {
        for (u32 x = 0; x <= columns; ++x)
            vertices.emplace_back(f32(x), f32(y), 0.0f);
    }
    for (u32 y = 0; y < rows; ++y) {
        for (u32 x = 0; x < columns; ++x) {
            const u32 corner = y * (columns + 1) + x;
            quads.push_back({{corner, corner + 1, corner + columns + 2, corner + columns + 1}});
        }
    }
    return vertices;
}

std::vector<zVector> CirclePolygon(u32 corners, std::vector<u32>& indices) {
    std::vector<zVector> vertices;
    for (u32 i = 0; i < corners; ++i) {
        const f32 angle = f32(i) * 6.2831853f / f32(corners);
        vertices.emplace_back(std::cos(angle), std::sin(angle), 0.0f);
        indices.push_back(i);
    }
    return vertices;
}

TEST(Trilist, QuadGivesTwoTriangles) {
    GeometryHost host;
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}});
    auto lists = Build(*geometry);
    ASSERT_NE(lists, nullptr);
    ASSERT_EQ(lists->GetCount(), 1u);
    const zTrilist* list = Lists(*lists)[0];
    EXPECT_EQ(list->vertexCount, 4u);
    ASSERT_EQ(list->triangleCount, 2u);
    const std::vector<u32> indices(list->indices.Get(), list->indices.Get() + 6);
    EXPECT_EQ(indices, (std::vector<u32>{0, 1, 2, 0, 2, 3}));
    EXPECT_EQ(list->materialIndex, 0u);
    EXPECT_TRUE(list->normals.IsEmpty());
    EXPECT_TRUE(list->colors.IsEmpty());
    EXPECT_TRUE(list->skin.IsEmpty());
    for (const auto& channel : list->uvs) {
        ASSERT_EQ(channel.GetCount(), 4u);
        EXPECT_EQ(channel[3].x, 0.0f);
    }
}

std::vector<PolygonSpec> CubeFaces() {
    return {{{0, 2, 3, 1}}, {{4, 5, 7, 6}}, {{0, 1, 5, 4}}, {{2, 6, 7, 3}}, {{0, 4, 6, 2}}, {{1, 3, 7, 5}}};
}

std::vector<zVector> CubeCorners() {
    std::vector<zVector> vertices;
    for (int i = 0; i < 8; ++i)
        vertices.emplace_back(f32(i & 1), f32((i >> 1) & 1), f32((i >> 2) & 1));
    return vertices;
}

TEST(Trilist, SharingFollowsHomogeneity) {
    struct Case {
        const char* name;
        f32 smoothingAngle;
        bool normals;
        u32 vertices;
    } cases[] = {
        {"flat shaded cube", 0.0f, true, 24},
        {"smooth cube", 180.0f, true, 8},
        {"cube without normals", 0.0f, false, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GeometryHost host;
        auto geometry = MakeGeometry(&host, CubeCorners(), CubeFaces());
        geometry->GetMaterial(0)->SetMaxSmoothingAngle(c.smoothingAngle);
        if (c.normals) {
            ASSERT_TRUE(geometry->ComputeVertexNormals(false));
        }
        auto lists = Build(*geometry);
        ASSERT_NE(lists, nullptr);
        ASSERT_EQ(lists->GetCount(), 1u);
        EXPECT_EQ(Lists(*lists)[0]->vertexCount, c.vertices);
        EXPECT_EQ(Lists(*lists)[0]->triangleCount, 12u);
        EXPECT_EQ(ListTriangles(*lists), GeometryTriangles(*geometry));
        if (c.normals) {
            const zTrilist* list = Lists(*lists)[0];
            ASSERT_EQ(list->normals.GetCount(), c.vertices);
            EXPECT_NEAR(list->normals[0].Length(), 1.0f, 1e-6f);
        }
    }
}

TEST(Trilist, EachMaterialGetsItsOwnLists) {
    GeometryHost host;
    auto faces = CubeFaces();
    faces[1].material = 1;
    faces[4].material = 1;
    faces[5].material = 7; // past the materials: not drawn
    auto geometry = MakeGeometry(&host, CubeCorners(), faces, 2);
    auto lists = Build(*geometry);
    ASSERT_NE(lists, nullptr);
    ASSERT_EQ(lists->GetCount(), 2u);
    EXPECT_EQ(Lists(*lists)[0]->materialIndex, 0u);
    EXPECT_EQ(Lists(*lists)[0]->triangleCount, 6u);
    EXPECT_EQ(Lists(*lists)[1]->materialIndex, 1u);
    EXPECT_EQ(Lists(*lists)[1]->triangleCount, 4u);
    EXPECT_EQ(ListTriangles(*lists), GeometryTriangles(*geometry));
}

// A polygon whose material index is past the material count goes into no
// list, whatever the index; the other polygons keep their lists.
TEST(Trilist, PolygonsPastTheMaterialCountAreLeftOut) {
    const struct {
        const char* label;
        u32 materialCount;
        std::vector<u16> faceMaterials;
        std::vector<u32> listTriangles; // per list, in order
        std::vector<u32> listMaterials;
    } cases[] = {
        {"index equal to the count", 2, {0, 1, 2, 0, 1, 2}, {4, 4}, {0, 1}},
        {"index far past the count", 1, {0, 0, 0, 9, 0, 65535}, {8}, {0}},
        {"every polygon past the count", 1, {1, 1, 1, 1, 1, 1}, {}, {}},
        {"a material with no polygon", 3, {0, 0, 2, 2, 0, 3}, {6, 4}, {0, 2}},
        {"geometry without materials", 0, {0, 0, 0, 0, 0, 0}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        GeometryHost host;
        auto faces = CubeFaces();
        for (size_t f = 0; f < faces.size(); ++f)
            faces[f].material = c.faceMaterials[f];
        auto geometry = MakeGeometry(&host, CubeCorners(), faces, c.materialCount);
        auto lists = Build(*geometry);
        ASSERT_NE(lists, nullptr);
        std::vector<u32> triangles, materials;
        for (const zTrilist* list : Lists(*lists)) {
            triangles.push_back(list->triangleCount);
            materials.push_back(list->materialIndex);
        }
        EXPECT_EQ(triangles, c.listTriangles);
        EXPECT_EQ(materials, c.listMaterials);
        EXPECT_EQ(ListTriangles(*lists), GeometryTriangles(*geometry));
    }
}

TEST(Trilist, LargeGridIsCutBelowTheLimit) {
    GeometryHost host;
    std::vector<PolygonSpec> quads;
    auto vertices = Grid(200, 50, quads);
    auto geometry = MakeGeometry(&host, vertices, quads);
    auto lists = Build(*geometry);
    ASSERT_NE(lists, nullptr);
    ASSERT_GE(lists->GetCount(), 2u);
    u32 total = 0;
    for (const zTrilist* list : Lists(*lists))
        total += list->triangleCount;
    EXPECT_EQ(total, 20000u);
    EXPECT_EQ(ListTriangles(*lists), GeometryTriangles(*geometry));
}

TEST(Trilist, PolygonsWithFewerThanThreeCornersAreSkipped) {
    GeometryHost host;
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1}}, {{2}}, {{0, 1, 2}}, {{}}});
    auto lists = Build(*geometry);
    ASSERT_NE(lists, nullptr);
    ASSERT_EQ(lists->GetCount(), 1u);
    EXPECT_EQ(Lists(*lists)[0]->triangleCount, 1u);
    EXPECT_EQ(Lists(*lists)[0]->vertexCount, 3u);
}

TEST(Trilist, PolygonOfMoreThan256CornersIsFannedWhole) {
    GeometryHost host;
    std::vector<u32> corners;
    auto vertices = CirclePolygon(300, corners);
    auto geometry = MakeGeometry(&host, vertices, {{corners}});
    auto lists = Build(*geometry);
    ASSERT_NE(lists, nullptr);
    ASSERT_EQ(lists->GetCount(), 1u);
    EXPECT_EQ(Lists(*lists)[0]->triangleCount, 298u);
    EXPECT_EQ(Lists(*lists)[0]->vertexCount, 300u);
    EXPECT_EQ(ListTriangles(*lists), GeometryTriangles(*geometry));
}

TEST(Trilist, PolygonThatReachesTheLimitIsSplitAcrossLists) {
    GeometryHost host;
    std::vector<u32> corners;
    auto vertices = CirclePolygon(40, corners); // 38 triangles
    vertices.emplace_back(5.0f, 5.0f, 0.0f);
    auto geometry = MakeGeometry(&host, vertices, {{{0, 1, 40}}, {corners}, {{2, 3, 40}}});
    auto lists = Build(*geometry, 16);
    ASSERT_NE(lists, nullptr);
    std::vector<u32> counts;
    for (const zTrilist* list : Lists(*lists))
        counts.push_back(list->triangleCount);
    EXPECT_EQ(counts, (std::vector<u32>{1, 15, 15, 9}));
    EXPECT_EQ(ListTriangles(*lists, 16), GeometryTriangles(*geometry));
}

TEST(Trilist, TinyLimitStillMakesProgress) {
    GeometryHost host;
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}, {{0, 2, 3}}});
    for (u32 limit : {0u, 1u, 2u}) {
        SCOPED_TRACE(limit);
        auto lists = Build(*geometry, limit);
        ASSERT_NE(lists, nullptr);
        EXPECT_EQ(lists->GetCount(), 3u);
        EXPECT_EQ(ListTriangles(*lists, 3), GeometryTriangles(*geometry));
    }
}

// A strip of quads along x, one column of two vertices per bone, each vertex
// weighed equally by its column's bone and the three after it.
zSharedPtr<zGeometry> SkinnedStrip(GeometryHost& host, u32 bones) {
    std::vector<zVector> vertices;
    std::vector<PolygonSpec> quads;
    for (u32 i = 0; i <= bones; ++i) {
        vertices.emplace_back(f32(i), 0.0f, 0.0f);
        vertices.emplace_back(f32(i), 1.0f, 0.0f);
    }
    for (u32 i = 0; i < bones; ++i)
        quads.push_back({{2 * i, 2 * i + 2, 2 * i + 3, 2 * i + 1}});
    auto geometry = MakeGeometry(&host, vertices, quads);
    if (!geometry->AllocateSkin(bones)) return {};
    for (u32 v = 0; v < vertices.size(); ++v) {
        zSkinWeight& weight = geometry->GetSkinWeights()[v];
        for (u32 i = 0; i < 4; ++i) {
            weight.bones[i] = u16((v / 2 + i) % bones);
            weight.weights[i] = 0.25f;
        }
    }
    return geometry;
}

TEST(Trilist, SkinnedStripKeepsEveryPaletteSmall) {
    GeometryHost host;
    constexpr u32 bones = 40;
    auto geometry = SkinnedStrip(host, bones);
    ASSERT_TRUE(geometry);
    LogCapture log;
    auto lists = Build(*geometry);
    ASSERT_NE(lists, nullptr);
    EXPECT_GE(lists->GetCount(), 2u);
    EXPECT_EQ(log.Text().find("Bone array safeguard"), std::string::npos);
    EXPECT_EQ(ListTriangles(*lists), GeometryTriangles(*geometry));
    for (const zTrilist* list : Lists(*lists)) {
        EXPECT_LE(list->boneCount, TrilistMaxBones);
        ASSERT_EQ(list->skin.GetCount(), list->vertexCount);
        for (u32 i = 0; i < list->boneCount; ++i)
            EXPECT_LT(list->bonePalette[i], bones);
        for (u32 v = 0; v < list->vertexCount; ++v) {
            f32 sum = 0.0f;
            for (int i = 0; i < 4; ++i) {
                EXPECT_LT(list->skin[v].bones[i], list->boneCount);
                sum += list->skin[v].weights[i];
            }
            EXPECT_EQ(sum, 1.0f); // no influence dropped
        }
    }
}

// Below the 28-bone threshold a polygon may still bring more bones than the
// palette has room for; it starts the next list instead of losing influences.
TEST(Trilist, PolygonThatWouldOverflowThePaletteStartsANewList) {
    const struct {
        const char* label;
        u32 bonesBefore; // distinct bones of the first triangle strip
        std::vector<u32> listBones;
    } cases[] = {
        {"27 bones, then 12 new", 27, {27, 12}},
        {"20 bones, then 12 new: they fit", 20, {32}},
        {"21 bones, then 12 new: one too many", 21, {21, 12}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        GeometryHost host;
        // One triangle per three bones of the first run (its vertices use bone
        // v and three more bones of that run), then a triangle of 12 new bones.
        const u32 firstTriangles = (c.bonesBefore + 2) / 3;
        std::vector<zVector> vertices;
        std::vector<PolygonSpec> polygons;
        for (u32 t = 0; t <= firstTriangles; ++t) {
            for (u32 k = 0; k < 3; ++k)
                vertices.emplace_back(f32(t), f32(k), 0.0f);
            polygons.push_back({{3 * t, 3 * t + 1, 3 * t + 2}});
        }
        auto geometry = MakeGeometry(&host, vertices, polygons);
        const u32 boneCount = c.bonesBefore + 12;
        ASSERT_TRUE(geometry->AllocateSkin(boneCount));
        for (u32 v = 0; v < vertices.size(); ++v) {
            zSkinWeight& weight = geometry->GetSkinWeights()[v];
            for (u32 i = 0; i < 4; ++i) {
                // The first run repeats its own bones; the last triangle's
                // 12 influences are the 12 bones past it.
                weight.bones[i] = v < 3 * firstTriangles ? u16((v + i) % c.bonesBefore)
                                                         : u16(c.bonesBefore + (v % 3) * 4 + i);
                weight.weights[i] = 0.25f;
            }
        }
        LogCapture log;
        auto lists = Build(*geometry);
        ASSERT_NE(lists, nullptr);
        EXPECT_EQ(log.Text().find("Bone array safeguard"), std::string::npos);
        std::vector<u32> bones;
        for (const zTrilist* list : Lists(*lists)) {
            bones.push_back(list->boneCount);
            for (u32 v = 0; v < list->vertexCount; ++v) {
                f32 sum = 0.0f;
                for (int i = 0; i < 4; ++i)
                    sum += list->skin[v].weights[i];
                EXPECT_EQ(sum, 1.0f); // no influence dropped
            }
        }
        EXPECT_EQ(bones, c.listBones);
        EXPECT_EQ(ListTriangles(*lists), GeometryTriangles(*geometry));
    }
}

TEST(Trilist, PolygonWithMoreBonesThanThePaletteDropsTheRest) {
    GeometryHost host;
    std::vector<u32> corners;
    auto vertices = CirclePolygon(10, corners);
    auto geometry = MakeGeometry(&host, vertices, {{corners}});
    ASSERT_TRUE(geometry->AllocateSkin(40));
    for (u32 v = 0; v < 10; ++v) {
        for (u32 i = 0; i < 4; ++i) {
            geometry->GetSkinWeights()[v].bones[i] = u16(v * 4 + i);
            geometry->GetSkinWeights()[v].weights[i] = 0.25f;
        }
    }
    LogCapture log;
    auto lists = Build(*geometry);
    ASSERT_NE(lists, nullptr);
    EXPECT_NE(log.Text().find("[!] Bone array safeguard exceeded!\n"), std::string::npos);
    // One line per dropped bone: 40 bones, 32 entries.
    size_t dropped = 0;
    for (size_t at = log.Text().find("Bone array safeguard"); at != std::string::npos;
         at = log.Text().find("Bone array safeguard", at + 1))
        ++dropped;
    EXPECT_EQ(dropped, 8u);
    const zTrilist* list = Lists(*lists)[0];
    EXPECT_EQ(list->boneCount, 32u);
    EXPECT_EQ(list->skin[9].weights[3], 0.0f);
    EXPECT_EQ(list->skin[9].bones[3], 0);
    EXPECT_EQ(list->skin[0].weights[0], 0.25f);
}

TEST(Trilist, AttributesFollowTheirBindings) {
    GeometryHost host;
    auto geometry = MakeGeometry(&host, QuadVertices(), {{{0, 1, 2, 3}}}, 1);
    ASSERT_TRUE(geometry->AllocateBindingColors());
    ASSERT_TRUE(geometry->AllocateUVChannels(2));
    for (u32 b = 0; b < 4; ++b) {
        geometry->GetBindingColors()[b] = zVector(f32(b), 0, 0, 1);
        geometry->GetUVChannel(1)[b] = zVector2(0.0f, f32(b));
    }
    zTextureStage& stage = geometry->GetMaterial(0)->GetStage(0);
    stage.type = StageTypeNormal;
    stage.active = 1;
    stage.texture = host.Add("n.tga");
    geometry->GetMaterial(0)->CheckStages();
    ASSERT_TRUE(geometry->AllocateUVChannels(1));
    for (u32 b = 0; b < 4; ++b) {
        geometry->GetUVChannel(0)[b] = zVector2(geometry->GetVertices()[b].x, geometry->GetVertices()[b].y);
    }
    ASSERT_TRUE(geometry->ComputeTangentFrames(false));

    auto lists = Build(*geometry);
    ASSERT_NE(lists, nullptr);
    const zTrilist* list = Lists(*lists)[0];
    EXPECT_TRUE(list->tangentFrames.IsEmpty()); // the material lacks NormalMapTangent
    ASSERT_EQ(list->colors.GetCount(), 4u);
    EXPECT_EQ(list->colors[2].x, 2.0f);
    EXPECT_EQ(list->uvs[0][2].y, 1.0f);
    EXPECT_EQ(list->uvs[1][3].y, 0.0f); // channel 1 is gone

    geometry->GetMaterial(0)->SetFlags(MaterialFlagNormalMapTangent);
    lists = Build(*geometry);
    ASSERT_NE(lists, nullptr);
    ASSERT_EQ(Lists(*lists)[0]->tangentFrames.GetCount(), 4u);
    EXPECT_EQ(Lists(*lists)[0]->tangentFrames[1].tangent.x, 1.0f);
}

TEST(Trilist, BuildLogsItsAverages) {
    struct Case {
        const char* name;
        bool grid;
        const char* averages;
    } cases[] = {
        {"grid of two lists", true, "ms. Average: 10000.000 tri/list, 0.000 bone/list.\n"},
        // The unweighted influences of bone 0 take an entry too.
        {"skinned quad", false, "ms. Average: 2.000 tri/list, 2.000 bone/list.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GeometryHost host;
        std::vector<PolygonSpec> quads{{{0, 1, 2, 3}}};
        std::vector<zVector> vertices = QuadVertices();
        if (c.grid) {
            quads.clear();
            vertices = Grid(200, 50, quads);
        }
        auto geometry = MakeGeometry(&host, vertices, quads);
        if (!c.grid) {
            ASSERT_TRUE(geometry->AllocateSkin(2));
            for (u32 v = 0; v < 4; ++v) {
                geometry->GetSkinWeights()[v].bones[0] = 1;
                geometry->GetSkinWeights()[v].weights[0] = 1.0f;
            }
        }
        LogCapture log;
        auto lists = Build(*geometry);
        ASSERT_NE(lists, nullptr);
        const std::string text = log.Text();
        EXPECT_EQ(text.find("Building geometry triangle list...\nDone, in "), 0u) << text;
        ASSERT_GE(text.size(), strlen(c.averages));
        EXPECT_EQ(text.substr(text.size() - strlen(c.averages)), c.averages);
        if (!c.grid) {
            const zTrilist* list = Lists(*lists)[0];
            ASSERT_EQ(list->boneCount, 2u);
            EXPECT_EQ(list->bonePalette[0], 1);
            EXPECT_EQ(list->bonePalette[1], 0);
            const zTrilistSkin& skin = list->skin[2];
            EXPECT_EQ(std::vector<u8>(skin.bones, skin.bones + 4), (std::vector<u8>{0, 1, 1, 1}));
            EXPECT_EQ(std::vector<f32>(skin.weights, skin.weights + 4), (std::vector<f32>{1, 0, 0, 0}));
        }
    }
}

TEST(Trilist, GeometryWithoutPolygonsIsInvalid) {
    LogCapture log;
    GeometryHost host;
    zGeometry geometry(&host);
    geometry.SetName("hollow");
    EXPECT_EQ(zTrilist::BuildFromGeometry(&geometry, RendererLimit), nullptr);
    EXPECT_EQ(zTrilist::BuildFromGeometry(nullptr, RendererLimit), nullptr);
    EXPECT_EQ(log.Text(), "Building geometry triangle list...\n[!] Invalid geometry (hollow).\n"
                          "Building geometry triangle list...\n[!] Invalid geometry ().\n");
}

} // namespace

namespace {

// A renderer whose programs hold fewer bones than the builder's own palette
// gives its limit: every list's palette fits it, and no influence is lost.
TEST(Trilist, PalettesStayWithinTheCallersBoneLimit) {
    for (u32 limit : {16u, 8u}) {
        SCOPED_TRACE(limit);
        GeometryHost host;
        auto geometry = SkinnedStrip(host, 40);
        ASSERT_TRUE(geometry);
        LogCapture log;
        std::unique_ptr<zLinkedList> lists(zTrilist::BuildFromGeometry(geometry.Get(), RendererLimit, limit));
        ASSERT_NE(lists, nullptr);
        EXPECT_EQ(log.Text().find("Bone array safeguard"), std::string::npos);
        EXPECT_EQ(ListTriangles(*lists), GeometryTriangles(*geometry));
        for (const zTrilist* list : Lists(*lists)) {
            EXPECT_LE(list->boneCount, limit);
            for (u32 v = 0; v < list->vertexCount; ++v) {
                f32 sum = 0.0f;
                for (int i = 0; i < 4; ++i) {
                    EXPECT_LT(list->skin[v].bones[i], list->boneCount);
                    sum += list->skin[v].weights[i];
                }
                EXPECT_EQ(sum, 1.0f);
            }
        }
    }
}

// Without binding normals but with polygon normals (flat shading) each corner
// takes its polygon's normal, so a vertex is split where normals differ and
// shared where the surface is flat.
TEST(Trilist, FlatGeometryTakesItsPolygonNormals) {
    const struct {
        const char* name;
        bool cube; // else a flat 2 x 2 grid
        u32 vertices;
    } cases[] = {{"cube", true, 24}, {"flat grid", false, 9}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GeometryHost host;
        std::vector<PolygonSpec> quads;
        auto geometry = c.cube ? MakeGeometry(&host, CubeCorners(), CubeFaces())
                               : MakeGeometry(&host, Grid(2, 2, quads), quads);
        ASSERT_TRUE(geometry->ComputePolygonNormals(true));
        auto lists = Build(*geometry);
        ASSERT_NE(lists, nullptr);
        ASSERT_EQ(lists->GetCount(), 1u);
        const zTrilist* list = Lists(*lists)[0];
        EXPECT_EQ(list->vertexCount, c.vertices);
        ASSERT_EQ(list->normals.GetCount(), list->vertexCount);
        // Each triangle's corners carry the normal of the polygon it came from.
        for (u32 t = 0; t < list->triangleCount; ++t) {
            const u32* index = list->indices.Get() + t * 3;
            const zVector& a = list->vertices[index[0]];
            const zVector& b = list->vertices[index[1]];
            const zVector& d = list->vertices[index[2]];
            const zVector face = b.Sub(a).Cross(d.Sub(a)).Normalize();
            for (u32 k = 0; k < 3; ++k) {
                const zVector& n = list->normals[index[k]];
                EXPECT_NEAR(std::fabs(n.x * face.x + n.y * face.y + n.z * face.z), 1.0f, 1e-5f) << t;
            }
        }
    }
}

} // namespace
