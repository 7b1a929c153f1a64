// The Geometry group over a small geometry file loaded through the engine
// ("g": two triangles, materials "red" and "blue"), one made without materials
// ("bare") and "ng", a Geometry handle holding nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render/geometry.h"
#include "render/octree.h"
#include "tests/render/geometry_fixtures.h"
#include "tests/scriptapi/api_fixture.h"

namespace {

const char* const TwoTriangles = "<ZML=1.0>\n<Geometry=\n"
                                 "  <Materials=<Material=<Id=\"red\">><Material=<Id=\"blue\">>>\n"
                                 "  <AVertex=<Count=4><Data=\n"
                                 "    <V=<X=-1.0><Y=0.0><Z=2.0>><V=<X=3.0><Y=1.0><Z=0.0>>\n"
                                 "    <V=<X=0.0><Y=-2.0><Z=1.0>><V=<X=0.5><Y=0.5><Z=0.5>>>>\n"
                                 "  <APolygon=<Count=2><BindingCount=6><Data=\n"
                                 "    <P=<Count=3><Material=0><Index=0><Index=1><Index=2>>\n"
                                 "    <P=<Count=3><Material=1><Index=1><Index=2><Index=3>>>>\n"
                                 ">\n";

class GeometryApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        WriteFile("two.zge", TwoTriangles);
        geometry = engine.LoadGeometry("two.zge", false, false);
        ASSERT_NE(geometry, nullptr);
        ASSERT_EQ(geometry->GetPolygonCount(), 2u);
        SetHandle("g", geometry, ScriptKindGeometry);
        SetHandle("bare", bare.Get(), ScriptKindGeometry);
        SetHandle("ng", nullptr, ScriptKindGeometry);
        log.Reset();
    }

    zGeometry* geometry = nullptr;
    // Loaded files always get a material; a geometry made here has none.
    zSharedPtr<zGeometry> bare{new zGeometry(&engine)};
};

TEST_F(GeometryApi, NameAndBounds) {
    const ScriptRow rows[] = {
        {"print(GeometryGetName(g))", "two.zge"},
        {"local b = GeometryGetMinMax(g);"
         "print(b.min.x + \",\" + b.min.y + \",\" + b.min.z + \" \" + b.max.x + \",\" + b.max.y + \",\" + "
         "b.max.z)",
         "-1,-2,0 3,1,2"},
        {"print(GeometryGetMinMax(g) instanceof MinMax)", "true"},
        {"GeometryGetName(ng)", "error: CObject is null"},
        {"GeometryGetMinMax(g_render)", "error: Expected 'Geometry' got 'Renderer'"},
        {"GeometryGetName(g, 1)", "error: wrong number of parameters"},
    };
    ExpectScripts(rows);
}

TEST_F(GeometryApi, MaterialsByIndexAndName) {
    const ScriptRow rows[] = {
        {"print(GeometryGetMaterialCount(g) + \" \" + GeometryGetMaterialCount(bare))", "2 0"},
        {"local l = GeometryGetMaterialList(g);"
         "print(l.len() + \" \" + l[0].type() + \" \" + ObjectIsSame(l[1], GeometryGetMaterialFromIndex(g, "
         "1)))",
         "2 36 true"},
        {"print(GeometryGetMaterialList(bare).len())", "0"},
        {"print(ObjectIsSame(GeometryGetMaterial(g, \"blue\"), GeometryGetMaterialFromIndex(g, 1)))", "true"},
        {"print(ObjectIsSame(GeometryGetMaterial(g, \"red\"), GeometryGetMaterialFromIndex(g, 0)))", "true"},
        {"print(ObjectIsSame(GeometryGetMaterial(g, \"blue\"), GeometryGetMaterialFromIndex(g, 0)))",
         "false"},
        // A name or index that matches none gives material 0.
        {"print(ObjectIsSame(GeometryGetMaterial(g, \"green\"), GeometryGetMaterialFromIndex(g, 0)))",
         "true"},
        {"print(ObjectIsSame(GeometryGetMaterialFromIndex(g, 2), GeometryGetMaterialFromIndex(g, 0)))",
         "true"},
        {"print(ObjectIsSame(GeometryGetMaterialFromIndex(g, -1), GeometryGetMaterialFromIndex(g, 0)))",
         "true"},
        // Without materials there is none to give.
        {"print(ObjectIsValid(GeometryGetMaterialFromIndex(bare, 0)) + \" \" + "
         "ObjectIsValid(GeometryGetMaterial(bare, \"red\")))",
         "false false"},
        {"GeometryGetMaterialFromIndex(g, 1.5)",
         "error: parameter 2 has an invalid type 'float' ; expected: 'integer'"},
        {"GeometryGetMaterialList(ng)", "error: CObject is null"},
    };
    ExpectScripts(rows);
}

TEST_F(GeometryApi, HiddenIsBitOneOfTheProxyFlags) {
    geometry->SetFlags(GeometryNoShadow);
    EXPECT_EQ(Printed("GeometrySetHidden(g, true)"), "");
    EXPECT_EQ(geometry->GetFlags(), u32(GeometryNotDrawn | GeometryNoShadow));
    EXPECT_EQ(Printed("GeometrySetHidden(g, false)"), "");
    EXPECT_EQ(geometry->GetFlags(), u32(GeometryNoShadow));
    EXPECT_EQ(Printed("GeometrySetHidden(g, 1)"),
              "error: parameter 2 has an invalid type 'integer' ; expected: 'bool'");
}

TEST_F(GeometryApi, SetupGoesThroughTheRenderer) {
    EXPECT_EQ(Printed("GeometrySetup(g); GeometrySetup(bare); print(\"set up\")"), "set up");
    EXPECT_EQ(Printed("GeometrySetup(ng)"), "error: CObject is null");
}

// Four times the renderer's limit of 8192 polygons is left alone; one more
// is cut into leaves of at most twice that limit.
TEST_F(GeometryApi, OptimizeOnlyAboveFourTimesTheRendererLimit) {
    ASSERT_EQ(renderer.QueryLimit(), 8192u);
    zSharedPtr<zGeometry> whole = TriangleStrip(&engine, 32768);
    zSharedPtr<zGeometry> large = TriangleStrip(&engine, 32769);
    SetHandle("whole", whole.Get(), ScriptKindGeometry);
    SetHandle("large", large.Get(), ScriptKindGeometry);
    EXPECT_EQ(Printed("GeometryOptimize(whole); GeometryOptimize(g); print(\"left\")"), "left");
    EXPECT_EQ(whole->GetOctree(), nullptr);
    EXPECT_EQ(geometry->GetOctree(), nullptr);
    EXPECT_EQ(log.Text().find("Octree"), std::string::npos) << log.Text();

    EXPECT_EQ(Printed("GeometryOptimize(large)"), "");
    ASSERT_NE(large->GetOctree(), nullptr);
    std::vector<zGeometry*> leaves;
    large->GetOctree()->GetLeafGeometries(leaves);
    ASSERT_GT(leaves.size(), 2u);
    u32 total = 0;
    for (const zGeometry* leaf : leaves) {
        EXPECT_LE(leaf->GetPolygonCount(), 16384u);
        total += leaf->GetPolygonCount();
    }
    EXPECT_EQ(total, 32769u);
    // One line per leaf, then the summary.
    const std::string text = log.Text();
    size_t nodeLines = 0;
    for (size_t at = text.find("Octree node depth "); at != std::string::npos;
         at = text.find("Octree node depth ", at + 1))
        ++nodeLines;
    EXPECT_EQ(nodeLines, leaves.size()) << text;
    const std::string summary =
        "Octree summary: " + std::to_string(leaves.size()) + " leaves referencing 32769 polygon(s).\n";
    ASSERT_GE(text.size(), summary.size());
    EXPECT_EQ(text.substr(text.size() - summary.size()), summary) << text;

    EXPECT_EQ(Printed("GeometryOptimize(ng)"), "error: CObject is null");
}

} // namespace
