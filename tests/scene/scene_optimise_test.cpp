// The scene's geometry optimisation: which of its objects' geometries are cut
// into octree leaves, and what the log says of each.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "render/geometry.h"
#include "render/octree.h"
#include "scene/managed_object.h"
#include "tests/render/geometry_fixtures.h"
#include "tests/scene/scene_fixture.h"
#include "tests/support/log_capture.h"

namespace {

const char* const Generating = "   Generating octree for geometry 'mesh'.\n";
const char* const Shared =
    "[*] Geometry 'mesh' should be optimized but will not be as it is used by more than one item.\n";

bool Mentions(const std::string& log, const std::string& line) {
    return log.find(line) != std::string::npos;
}

using SceneOptimiseTest = SceneFixture;

TEST_F(SceneOptimiseTest, WhichGeometriesAreCut) {
    struct Case {
        const char* name;
        u32 triangles;
        std::function<void(zScene&, zGeometry&)> arrange;
        bool optimised;
        const char* line; // expected in the log, or null: neither line
    };
    const Case cases[] = {
        {"8192 polygons", 8192, [](zScene&, zGeometry&) {}, false, nullptr},
        {"8193 polygons", 8193, [](zScene&, zGeometry&) {}, true, Generating},
        {"skinned", 8193, [](zScene&, zGeometry& g) { ASSERT_TRUE(g.AllocateSkin(1)); }, false, nullptr},
        {"used by two objects", 8193, [](zScene& s, zGeometry& g) { s.AddObject("twin", &g); }, false,
         Shared},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        zSharedPtr<zGeometry> geometry = TriangleStrip(&engine, c.triangles);
        zMObject* object = scene->AddObject("strip", geometry.Get());
        c.arrange(*scene, *geometry);
        scene->OptimizeGeometries(1024);
        EXPECT_EQ(geometry->GetOctree() != nullptr, c.optimised);
        EXPECT_EQ(Mentions(log.Text(), Generating), c.line == Generating);
        EXPECT_EQ(Mentions(log.Text(), Shared), c.line == Shared);
        if (c.optimised) {
            EXPECT_TRUE(Mentions(log.Text(), "Octree summary: 5 leaves referencing 8193 polygon(s).\n"));
            // Optimised once: a second run leaves it.
            log.Reset();
            scene->OptimizeGeometries(1024);
            EXPECT_EQ(log.Text(), "");
        }
        scene->DeleteContent(1);
        (void)object;
    }
}

TEST_F(SceneOptimiseTest, SetupRunsTheOptimisationWhenAsked) {
    for (bool run : {false, true}) {
        SCOPED_TRACE(run ? "asked" : "not asked");
        LogCapture log;
        zSharedPtr<zGeometry> geometry = TriangleStrip(&engine, 9000);
        scene->AddObject("strip", geometry.Get());
        scene->Setup(run, 1024);
        EXPECT_EQ(geometry->GetOctree() != nullptr, run);
        EXPECT_EQ(Mentions(log.Text(), Generating), run);
        scene->DeleteContent(1);
    }
}

TEST_F(SceneOptimiseTest, ProxiesAreTreatedAsTheirGeometry) {
    LogCapture log;
    zSharedPtr<zGeometry> small = TriangleStrip(&engine, 10);
    small->SetName("small");
    zSharedPtr<zGeometry> lod = TriangleStrip(&engine, 9000);
    zSharedPtr<zGeometry> shadow = TriangleStrip(&engine, 9000);
    shadow->SetName("shadow");
    ASSERT_TRUE(small->SetLodProxy(lod.Get()));
    ASSERT_TRUE(small->SetShadowProxy(shadow.Get()));
    // A cycle between proxies is refused where it would be made.
    EXPECT_FALSE(lod->SetLodProxy(small.Get()));
    ASSERT_TRUE(lod->SetShadowProxy(shadow.Get()));
    scene->AddObject("strip", small.Get());
    scene->OptimizeGeometries(1024);
    EXPECT_EQ(small->GetOctree(), nullptr);
    EXPECT_NE(lod->GetOctree(), nullptr);
    EXPECT_NE(shadow->GetOctree(), nullptr);
    // The shadow proxy, reached twice, is cut once.
    EXPECT_TRUE(Mentions(log.Text(), "   Generating octree for geometry 'shadow'.\n"));
    EXPECT_EQ(log.Text().find("'shadow'"), log.Text().rfind("'shadow'"));
    scene->DeleteContent(1);

    // The proxy of a geometry two objects use is theirs too.
    zSharedPtr<zGeometry> sharedLod = TriangleStrip(&engine, 9000);
    zSharedPtr<zGeometry> sharedSmall = TriangleStrip(&engine, 10);
    ASSERT_TRUE(sharedSmall->SetLodProxy(sharedLod.Get()));
    log.Reset();
    scene->AddObject("a", sharedSmall.Get());
    scene->AddObject("b", sharedSmall.Get());
    scene->OptimizeGeometries(1024);
    EXPECT_EQ(sharedLod->GetOctree(), nullptr);
    EXPECT_TRUE(Mentions(log.Text(), Shared));
    scene->DeleteContent(1);
    small->SetLodProxy(nullptr);
    small->SetShadowProxy(nullptr);
    lod->SetShadowProxy(nullptr);
    sharedSmall->SetLodProxy(nullptr);
}

} // namespace
