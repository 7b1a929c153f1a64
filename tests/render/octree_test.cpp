#include "render/octree.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "render/geometry.h"
#include "tests/render/geometry_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

// Records which geometries the renderer set up.
struct SetupRecorder : RecordingRenderer {
    explicit SetupRecorder(zRenderHost* host) : RecordingRenderer(host, true) {}
    bool SetupGeometry(zGeometry* geometry) override {
        setups.push_back(geometry);
        return true;
    }
    std::vector<zGeometry*> setups;
};

struct DroppingHost : GeometryHost {
    bool GetKeepSource() const override { return false; }
};

std::vector<zGeometry*> Leaves(const zGeometry& geometry) {
    std::vector<zGeometry*> leaves;
    if (geometry.GetOctree()) geometry.GetOctree()->GetLeafGeometries(leaves);
    return leaves;
}

// The corners of a polygon as positions, which survive renumbering.
std::vector<f32> PolygonKey(const zGeometry& geometry, u32 polygon) {
    std::vector<f32> key;
    const zPolygon& record = geometry.GetPolygons()[polygon];
    for (u32 corner = 0; corner < record.cornerCount; ++corner) {
        const zVector& v = geometry.GetVertices()[record.bindings[corner]];
        key.insert(key.end(), {v.x, v.y, v.z});
    }
    return key;
}

u32 CountLines(const std::string& text, const std::string& start) {
    u32 count = 0;
    for (size_t at = text.find(start); at != std::string::npos; at = text.find(start, at + 1))
        count += at == 0 || text[at - 1] == '\n';
    return count;
}

TEST(Octree, EveryPolygonLandsInExactlyOneLeaf) {
    LogCapture log;
    GeometryHost host;
    SetupRecorder renderer(&host);
    auto geometry = TriangleStrip(&host, 8193);
    std::map<std::vector<f32>, u32> seen;
    for (u32 p = 0; p < geometry->GetPolygonCount(); ++p)
        seen[PolygonKey(*geometry, p)] = 0;
    ASSERT_EQ(seen.size(), 8193u);

    ASSERT_TRUE(geometry->Optimize(512));
    const std::vector<zGeometry*> leaves = Leaves(*geometry);
    ASSERT_GT(leaves.size(), 1u);
    u32 total = 0;
    for (size_t i = 0; i < leaves.size(); ++i) {
        const zGeometry& leaf = *leaves[i];
        EXPECT_EQ(leaf.GetName(), zString(("mesh (Leaf " + std::to_string(i) + ")").c_str()));
        EXPECT_LE(leaf.GetPolygonCount(), 1024u); // twice the budget
        total += leaf.GetPolygonCount();
        for (u32 p = 0; p < leaf.GetPolygonCount(); ++p)
            ++seen[PolygonKey(leaf, p)];
    }
    EXPECT_EQ(total, 8193u);
    for (const auto& entry : seen)
        EXPECT_EQ(entry.second, 1u);
    EXPECT_NE(log.Text().find("Octree summary: " + std::to_string(leaves.size()) +
                              " leaves referencing 8193 polygon(s).\n"),
              std::string::npos);
    EXPECT_EQ(CountLines(log.Text(), "Octree node depth "), leaves.size());

    // A second run replaces the tree and numbers from 0 again.
    log.Reset();
    ASSERT_TRUE(geometry->Optimize(512));
    EXPECT_EQ(Leaves(*geometry).front()->GetName(), zString("mesh (Leaf 0)"));
    EXPECT_EQ(Leaves(*geometry).size(), leaves.size());
}

TEST(Octree, LeafLimitIsTwiceTheBudgetAtLeast512) {
    struct Case {
        u32 triangles, budget, leaves;
    };
    // Leaves per limit: 1024 for budgets up to 512, else twice the budget.
    const Case cases[] = {{1024, 0, 1}, {1024, 100, 1}, {1025, 512, 2}, {2048, 1024, 1}, {2049, 1024, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.triangles) + " triangles, budget " + std::to_string(c.budget));
        LogCapture log;
        GeometryHost host;
        auto geometry = TriangleStrip(&host, c.triangles);
        ASSERT_TRUE(geometry->Optimize(c.budget));
        EXPECT_EQ(Leaves(*geometry).size(), c.leaves);
    }
}

TEST(Octree, SmallGeometryIsOneLeafOfTheVerticesItUsesInFirstUseOrder) {
    LogCapture log;
    GeometryHost host;
    SetupRecorder renderer(&host);
    std::vector<zVector> vertices;
    for (u32 i = 0; i < 6; ++i)
        vertices.push_back(zVector(f32(i), f32(i % 2), 0.0f));
    auto geometry = MakeGeometry(&host, vertices, {{{4, 2, 5}, 0}, {{2, 0, 4, 3}, 1}}, 2);
    geometry->SetName("small");
    ASSERT_TRUE(geometry->AllocateBindingColors());
    ASSERT_TRUE(geometry->AllocateUVChannels(2));
    for (u32 b = 0; b < 7; ++b) {
        geometry->GetBindingColors()[b] = zVector(f32(b), 0, 0, 1);
        geometry->GetUVChannel(1)[b] = zVector2(f32(b), 0.5f);
    }
    ASSERT_TRUE(geometry->ComputePolygonNormals(false));

    ASSERT_TRUE(geometry->Optimize(512));
    const std::vector<zGeometry*> leaves = Leaves(*geometry);
    ASSERT_EQ(leaves.size(), 1u);
    EXPECT_EQ(geometry->GetOctree()->GetLeafGeometry(), leaves[0]); // the root itself
    const zGeometry& leaf = *leaves[0];
    EXPECT_EQ(leaf.GetName(), zString("small (Leaf 0)"));
    ASSERT_EQ(leaf.GetVertexCount(), 5u); // vertex 1 is unused
    const u32 sourceOf[5] = {4, 2, 5, 0, 3};
    for (u32 v = 0; v < 5; ++v)
        EXPECT_EQ(leaf.GetVertices()[v].x, f32(sourceOf[v])) << v;
    ASSERT_EQ(leaf.GetPolygonCount(), 2u);
    ASSERT_EQ(leaf.GetBindingCount(), 7u);
    const u32 bindings[7] = {0, 1, 2, 1, 3, 0, 4};
    for (u32 b = 0; b < 7; ++b) {
        EXPECT_EQ(leaf.GetBindings()[b], bindings[b]) << b;
        EXPECT_EQ(leaf.GetBindingColors()[b].x, f32(b));
        EXPECT_EQ(leaf.GetUVChannel(1)[b].x, f32(b));
    }
    EXPECT_EQ(leaf.GetPolygons()[1].material, 1u);
    EXPECT_EQ(leaf.GetPolygons()[1].bindings, leaf.GetBindings() + 3);
    EXPECT_EQ(leaf.GetUVChannelCount(), 2u);
    EXPECT_EQ(leaf.GetPolygonNormals()[1].z, geometry->GetPolygonNormals()[1].z);
    EXPECT_EQ(leaf.GetBindingNormals(), nullptr);
    EXPECT_EQ(leaf.GetSkinWeights(), nullptr);
    ASSERT_EQ(leaf.GetMaterialCount(), 2u);
    EXPECT_EQ(leaf.GetMaterial(1), geometry->GetMaterial(1)); // shared, not copied
    EXPECT_EQ(leaf.GetBounds().max.x, 5.0f);

    // Without colours and UVs the leaves have none.
    auto plain = TriangleStrip(&host, 4);
    ASSERT_TRUE(plain->Optimize(512));
    EXPECT_EQ(Leaves(*plain)[0]->GetBindingColors(), nullptr);
    EXPECT_EQ(Leaves(*plain)[0]->GetUVChannelCount(), 0u);
}

TEST(Octree, SetupOfAnOptimisedGeometrySetsUpItsLeavesOnly) {
    LogCapture log;
    GeometryHost host;
    SetupRecorder renderer(&host);
    auto geometry = TriangleStrip(&host, 3000);
    ASSERT_TRUE(geometry->Optimize(512));
    const std::vector<zGeometry*> leaves = Leaves(*geometry);
    EXPECT_EQ(renderer.setups, leaves); // each leaf as it is made
    renderer.setups.clear();
    EXPECT_TRUE(geometry->Setup());
    EXPECT_EQ(renderer.setups, leaves);
}

TEST(Octree, TheSourceIsFreedUnlessTheEngineKeepsIt) {
    LogCapture log;
    {
        GeometryHost host;
        auto geometry = TriangleStrip(&host, 2000);
        ASSERT_TRUE(geometry->Optimize(512));
        EXPECT_EQ(geometry->GetPolygonCount(), 2000u);
    }
    DroppingHost host;
    auto geometry = TriangleStrip(&host, 2000);
    ASSERT_TRUE(geometry->Optimize(512));
    EXPECT_EQ(geometry->GetPolygonCount(), 0u);
    EXPECT_EQ(geometry->GetVertexCount(), 0u);
    EXPECT_EQ(geometry->GetMaterialCount(), 1u);
    EXPECT_EQ(Leaves(*geometry).size(), 2u);
    EXPECT_EQ(geometry->GetBounds().max.x, 1000.0f); // kept from the vertices
    zMinMax box;
    EXPECT_EQ(geometry->GetMinMax(box).max.y, 1.0f);
    // Its leaves are still set up through it.
    SetupRecorder renderer(&host);
    EXPECT_TRUE(geometry->Setup());
    EXPECT_EQ(renderer.setups, Leaves(*geometry));
}

TEST(Octree, GeometryWithoutPolygonsIsRefused) {
    LogCapture log;
    GeometryHost host;
    zGeometry geometry(&host);
    EXPECT_FALSE(geometry.Optimize(512));
    EXPECT_EQ(log.Text(), "[!] Octree failed to allocate polygon list.\n");
    EXPECT_TRUE(Leaves(geometry).empty());
}

TEST(Octree, PolygonsNoPositionDividesAreSplitByCount) {
    // Every triangle shares the fan centre at x = 0, below any split: the
    // positions never divide them, the list is halved instead.
    LogCapture log;
    GeometryHost host;
    std::vector<zVector> vertices = {zVector(0, 0, 0)};
    std::vector<PolygonSpec> polygons;
    for (u32 i = 0; i < 3000; ++i) {
        vertices.push_back(zVector(10.0f, f32(i), 0.0f));
        vertices.push_back(zVector(10.0f, f32(i) + 1.0f, 0.0f));
        polygons.push_back({{0, 2 * i + 1, 2 * i + 2}});
    }
    auto geometry = MakeGeometry(&host, vertices, polygons);
    ASSERT_TRUE(geometry->Optimize(512));
    u32 total = 0;
    for (zGeometry* leaf : Leaves(*geometry)) {
        EXPECT_LE(leaf->GetPolygonCount(), 1024u);
        total += leaf->GetPolygonCount();
    }
    EXPECT_EQ(total, 3000u);
}

TEST(Octree, LocateAndNextLeafFollowSplitsAndVisibility) {
    LogCapture log;
    GeometryHost host;
    auto geometry = TriangleStrip(&host, 4096); // x from 0 to 2048: four leaves of 1024
    ASSERT_TRUE(geometry->Optimize(512));
    zOctreeNode* root = geometry->GetOctree();
    ASSERT_EQ(Leaves(*geometry).size(), 4u);
    ASSERT_EQ(root->GetSplitAxis(), 0u);
    EXPECT_EQ(root->GetSplitPosition(), 1024.0f);
    // A point on the split goes to the second child.
    EXPECT_EQ(root->Locate(zVector(1024.0f, 0.5f, 0.0f))->GetLeafGeometry(), Leaves(*geometry)[2]);
    EXPECT_EQ(root->Locate(zVector(1023.9f, 0.5f, 0.0f))->GetLeafGeometry(), Leaves(*geometry)[1]);
    EXPECT_EQ(root->Locate(zVector(5.0f, 0.5f, 0.0f))->GetLeafGeometry(), Leaves(*geometry)[0]);

    struct Case {
        const char* name;
        u32 rootVisibility, firstVisibility, secondLeafVisibility;
        std::vector<u32> leaves;
    };
    const Case cases[] = {
        {"all visible", 1, 1, 1, {0, 1, 2, 3}},
        {"first subtree skipped", 2, 0, 1, {2, 3}},
        {"one leaf skipped", 2, 2, 0, {0, 2, 3}},
        {"root skipped", 0, 1, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        root->SetVisibility(c.rootVisibility);
        root->GetFirst()->SetVisibility(c.firstVisibility);
        root->GetFirst()->GetSecond()->SetVisibility(c.secondLeafVisibility);
        std::vector<zGeometry*> expected;
        for (u32 index : c.leaves)
            expected.push_back(Leaves(*geometry)[index]);
        std::vector<zGeometry*> walked;
        zOctreeNode* cursor = nullptr;
        while (zGeometry* leaf = root->NextLeaf(cursor))
            walked.push_back(leaf);
        EXPECT_EQ(walked, expected);
        EXPECT_EQ(cursor, nullptr);
    }
}

TEST(Octree, CullingWalkMarksNodesAgainstTheView) {
    LogCapture log;
    GeometryHost host;
    auto geometry = TriangleStrip(&host, 4096);
    ASSERT_TRUE(geometry->Optimize(512));
    zOctreeNode* root = geometry->GetOctree();
    // An orthographic view 200 wide around x = 100, looking along +z.
    zFrustum view;
    view.SetOrthographic(200.0f, 200.0f, 0.0f, 100.0f, nullptr, 1.0f, 1.0f);
    const zMatrix4 moved = zMatrix4::Translation(zVector(-100.0f, 0.0f, 5.0f));
    CullOctree(root, view, &moved);
    EXPECT_EQ(root->GetVisibility(), 2u);
    EXPECT_EQ(root->GetFirst()->GetVisibility(), 2u);
    EXPECT_EQ(root->GetSecond()->GetVisibility(), 0u);
    EXPECT_EQ(root->GetFirst()->GetFirst()->GetVisibility(), 2u);
    EXPECT_EQ(root->GetFirst()->GetSecond()->GetVisibility(), 0u);
    zOctreeNode* cursor = nullptr;
    EXPECT_EQ(root->NextLeaf(cursor), Leaves(*geometry)[0]);
    EXPECT_EQ(root->NextLeaf(cursor), nullptr);
}

TEST(Octree, DebugDrawingBoxesEveryLeaf) {
    LogCapture log;
    GeometryHost host;
    RecordingRenderer renderer(&host, true);
    renderer.Open(640, 480, 32, false);
    auto geometry = TriangleStrip(&host, 4096);
    ASSERT_TRUE(geometry->Optimize(512));
    geometry->GetOctree()->DrawDebug(&renderer, nullptr);
    EXPECT_EQ(renderer.lines.size(), 4u * 12u);
    renderer.lines.clear();
    const zMatrix4 moved = zMatrix4::Translation(zVector(0.0f, 10.0f, 0.0f));
    geometry->GetOctree()->DrawDebug(&renderer, &moved);
    ASSERT_EQ(renderer.lines.size(), 4u * 12u);
    for (const auto& line : renderer.lines)
        EXPECT_GE(line.from.y, 10.0f);
}

} // namespace
