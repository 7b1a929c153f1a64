// Frames of small scenes built here: the camera at the origin looking along
// +z (zoom 3.2), a blue background, no ambient light, lights without
// specular, materials with colours only. A wall at z = 5 spans ndc x = X 3.2 / 5.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/random.h"
#include "render/raytrace/raytracer.h"
#include "render/shader/shader_map.h"
#include "tests/render/geometry_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

struct Rgba {
    int r, g, b, a;
};

struct RaytraceScene {
    GeometryHost host;
    zRaytraceScene scene;
    std::vector<zSharedPtr<zGeometry>> geometries;
    LogCapture quiet;

    RaytraceScene() {
        scene.background = zVector(0, 0, 1, 1);
        scene.ambient = zVector(0, 0, 0, 1);
        scene.hasCamera = true;
        scene.objects.reserve(16);
    }

    // A quad [x0, x1] x [y0, y1] at z; facing the camera (normal -z) or, when
    // reversed, facing +z. One material of that diffuse colour and opacity.
    zGeometry* Quad(f32 x0, f32 x1, f32 y0, f32 y1, f32 z, zVector diffuse, bool reversed = false,
                    f32 opacity = 1.0f) {
        std::vector<zVector> corners = {zVector(x0, y0, z), zVector(x1, y0, z), zVector(x1, y1, z),
                                        zVector(x0, y1, z)};
        std::vector<u32> order = reversed ? std::vector<u32>{0, 3, 2, 1} : std::vector<u32>{0, 1, 2, 3};
        auto geometry = MakeGeometry(&host, corners, {{order}});
        Paint(*geometry->GetMaterial(0), diffuse, opacity);
        geometries.push_back(geometry);
        return geometry.Get();
    }

    static void Paint(zMaterial& material, zVector diffuse, f32 opacity) {
        material.SetColor(MaterialColorDiffuse, diffuse.x, diffuse.y, diffuse.z, 1.0f);
        material.SetColor(MaterialColorSpecular, 0, 0, 0, 1);
        material.SetOpacity(opacity);
        // As a material file leaves it: a shader map built from the colours.
        material.SetShaderMap(material.BuildShaderMapFromFixedFunction());
    }

    zRayObject& Add(zGeometry* geometry, const zMatrix4& world = zMatrix4()) {
        zRayObject object;
        object.geometry = geometry;
        object.world = world;
        object.inverse = world.Inverse();
        scene.objects.push_back(object);
        return scene.objects.back();
    }

    // A directional light shining along direction.
    zRayLight& Directional(const zVector& direction, f32 intensity = 1.0f, u32 shadow = 0) {
        zRayLight light;
        light.type = RayLightDirectional;
        light.world.SetRow(2, direction.Normalize(), true);
        light.diffuseIntensity = intensity;
        light.shadow = shadow;
        scene.lights.push_back(light);
        return scene.lights.back();
    }

    zRayObject& Wall(zVector diffuse = zVector(0.8f, 0.4f, 0.2f)) {
        return Add(Quad(-100, 100, -100, 100, 5, diffuse));
    }
};

Rgba PixelAt(const zPicture& picture, u32 x, u32 y) {
    const u8* p = picture.GetPixels() + 4 * (size_t(y) * picture.GetWidth() + x);
    return {p[0], p[1], p[2], p[3]};
}

::testing::AssertionResult Near(const Rgba& actual, const Rgba& expected, int tolerance = 1) {
    if (std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance &&
        std::abs(actual.b - expected.b) <= tolerance && actual.a == expected.a)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << actual.r << "," << actual.g << "," << actual.b << "," << actual.a << ") instead of ("
           << expected.r << "," << expected.g << "," << expected.b << "," << expected.a << ")";
}

::testing::AssertionResult Uniform(const zPicture& picture, const Rgba& expected) {
    for (u32 y = 0; y < picture.GetHeight(); ++y)
        for (u32 x = 0; x < picture.GetWidth(); ++x) {
            auto near = Near(PixelAt(picture, x, y), expected);
            if (!near) return near << " at " << x << ", " << y;
        }
    return ::testing::AssertionSuccess();
}

bool Render(zRaytracer& raytracer, RaytraceScene& s, zPicture& picture, i32 width = 64, i32 height = 64) {
    if (!raytracer.SetScene(&s.scene)) return false;
    return raytracer.Trace(picture, width, height);
}

const Rgba Wall{204, 102, 51, 255};
const Rgba Background{0, 0, 255, 255};

TEST(RaytraceFrame, LitWallFillsTheFrameWithOneRayPerPixel) {
    RaytraceScene s;
    s.Wall();
    s.Directional(zVector(0, 0, 1));
    zRaytracer raytracer;
    zPicture picture;
    ASSERT_TRUE(Render(raytracer, s, picture));
    EXPECT_EQ(picture.GetWidth(), 64u);
    EXPECT_EQ(picture.GetHeight(), 64u);
    EXPECT_TRUE(Uniform(picture, Wall));
    EXPECT_EQ(raytracer.GetRayCount(), 64u * 64u);
    EXPECT_NE(s.quiet.Text().find("Raytracing done. Took "), std::string::npos);
}

TEST(RaytraceFrame, WallSeenFromBehindIsCulledUnlessDoubleSided) {
    RaytraceScene s;
    zGeometry* wall = s.Quad(-100, 100, -100, 100, 5, zVector(0.8f, 0.4f, 0.2f), true);
    s.Add(wall);
    s.Directional(zVector(0, 0, 1));
    zRaytracer raytracer;
    zPicture picture;
    ASSERT_TRUE(Render(raytracer, s, picture));
    EXPECT_TRUE(Uniform(picture, Background));
    // Double-sided, its back is lit through the turned normal.
    wall->GetMaterial(0)->SetFlags(MaterialFlagDoubleSided);
    ASSERT_TRUE(Render(raytracer, s, picture));
    EXPECT_TRUE(Uniform(picture, Wall));
}

TEST(RaytraceFrame, EdgesAreRefinedBetweenTheirColoursAndBordersNever) {
    RaytraceScene s;
    s.Add(s.Quad(-0.5f, 0.5f, -0.5f, 0.5f, 5, zVector(0.8f, 0.4f, 0.2f)));
    s.Directional(zVector(0, 0, 1));
    zRaytracer raytracer;
    zPicture picture;
    ASSERT_TRUE(Render(raytracer, s, picture));
    EXPECT_TRUE(Near(PixelAt(picture, 0, 0), Background));
    EXPECT_TRUE(Near(PixelAt(picture, 32, 32), Wall));
    EXPECT_GT(raytracer.GetRayCount(), 64u * 64u);
    u32 mixed = 0;
    for (u32 y = 0; y < 64; ++y) {
        for (u32 x = 0; x < 64; ++x) {
            const Rgba p = PixelAt(picture, x, y);
            EXPECT_LE(p.r, Wall.r + 1);
            EXPECT_LE(p.g, Wall.g + 1);
            EXPECT_GE(p.b, Wall.b - 1);
            const bool pure = Near(p, Wall) || Near(p, Background);
            mixed += pure ? 0 : 1;
            if (x == 0 || y == 0 || x == 63 || y == 63) {
                EXPECT_TRUE(Near(p, Background)) << x << ", " << y;
            }
        }
    }
    EXPECT_GT(mixed, 0u);
}

// A light turned 45 degrees about Y with shadows; an occluder between the
// wall and the light at z = 4.
struct ShadowScene : RaytraceScene {
    zGeometry* occluder;
    ShadowScene(bool occluderFacesCamera, f32 occluderOpacity) {
        Wall();
        occluder = Quad(-3, -1, -1, 1, 4, zVector(1, 1, 1), !occluderFacesCamera, occluderOpacity);
        Add(occluder);
        Directional(zVector(1, 0, 1), 1.0f, 1);
    }
};

TEST(RaytraceFrame, ShadowsFollowOccluderOpacityAndFacing) {
    const Rgba lit{144, 72, 36, 255};
    struct Case {
        const char* name;
        bool facesCamera;
        f32 opacity;
        bool doubleSided;
        Rgba shadowed;
    };
    const Case cases[] = {
        {"opaque occluder facing the wall", false, 1.0f, false, {0, 0, 0, 255}},
        {"half transparent occluder", false, 0.5f, false, {72, 36, 18, 255}},
        // Shadow rays meet its back, which is culled.
        {"occluder facing the light casts nothing", true, 1.0f, false, lit},
        {"double-sided occluder facing the light", true, 1.0f, true, {0, 0, 0, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShadowScene s(c.facesCamera, c.opacity);
        if (c.doubleSided) s.occluder->GetMaterial(0)->SetFlags(MaterialFlagDoubleSided);
        zRaytracer raytracer;
        zPicture picture;
        ASSERT_TRUE(Render(raytracer, s, picture));
        EXPECT_TRUE(Near(PixelAt(picture, 52, 32), lit));
        EXPECT_TRUE(Near(PixelAt(picture, 21, 32), c.shadowed));
        if (c.facesCamera) {
            EXPECT_FALSE(Near(PixelAt(picture, 3, 32), Background, 10));
        }
    }
}

TEST(RaytraceFrame, TransparentSurfacesBlendWithWhatIsBehind) {
    struct Case {
        f32 opacity;
        Rgba centre;
    };
    // 0.5 (0.5, 0.5, 0.5) + 0.5 (0.8, 0.4, 0.2); at or below the alpha threshold only what is behind, 0.95 of
    // it.
    const Case cases[] = {{0.5f, {165, 114, 89, 255}}, {0.05f, {193, 96, 48, 255}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opacity);
        RaytraceScene s;
        s.Wall();
        s.Add(s.Quad(-0.5f, 0.5f, -0.5f, 0.5f, 3, zVector(1, 1, 1), false, c.opacity));
        s.Directional(zVector(0, 0, 1));
        zRaytracer raytracer;
        zPicture picture;
        ASSERT_TRUE(Render(raytracer, s, picture));
        EXPECT_TRUE(Near(PixelAt(picture, 32, 32), c.centre));
        EXPECT_TRUE(Near(PixelAt(picture, 2, 2), Wall));
    }
}

TEST(RaytraceFrame, LightIntensityAppliesOnce) {
    RaytraceScene s;
    s.Wall();
    s.Directional(zVector(0, 0, 1), 2.0f);
    zRaytracer raytracer;
    zPicture picture;
    ASSERT_TRUE(Render(raytracer, s, picture));
    EXPECT_TRUE(Uniform(picture, {255, 204, 102, 255}));
}

TEST(RaytraceFrame, ScaledItemsShadeLikeUnscaledOnes) {
    const zMatrix4 scales[] = {zMatrix4::Scale(zVector(3, 3, 3)), zMatrix4::Scale(zVector(1, 1, 0.25f)),
                               zMatrix4::Scale(zVector(4, 0.5f, 2))};
    for (const zMatrix4& scale : scales) {
        RaytraceScene s;
        s.Add(s.Quad(-100, 100, -100, 100, 5, zVector(0.8f, 0.4f, 0.2f)), scale);
        s.Directional(zVector(0, 0, 1));
        zRaytracer raytracer;
        zPicture picture;
        ASSERT_TRUE(Render(raytracer, s, picture, 16, 16));
        EXPECT_TRUE(Uniform(picture, Wall));
    }
}

// A wall of 60 x 75 quads, each cut into two triangles.
zGeometry* GridWall(RaytraceScene& s, u32 firstRow, u32 rows) {
    std::vector<zVector> vertices;
    std::vector<PolygonSpec> polygons;
    const u32 columns = 60;
    const f32 cell = 200.0f / 75.0f;
    for (u32 r = firstRow; r <= firstRow + rows; ++r)
        for (u32 c = 0; c <= columns; ++c)
            vertices.push_back(zVector(-100.0f + f32(c) * 200.0f / columns, -100.0f + f32(r) * cell, 5.0f));
    for (u32 r = 0; r < rows; ++r)
        for (u32 c = 0; c < columns; ++c) {
            const u32 a = r * (columns + 1) + c, b = a + 1, d = a + columns + 1, e = d + 1;
            polygons.push_back({{a, b, e}});
            polygons.push_back({{a, e, d}});
        }
    auto geometry = MakeGeometry(&s.host, vertices, polygons);
    RaytraceScene::Paint(*geometry->GetMaterial(0), zVector(0.8f, 0.4f, 0.2f), 1.0f);
    s.geometries.push_back(geometry);
    return geometry.Get();
}

TEST(RaytraceFrame, LargeAndOptimisedMeshesStayVisible) {
    {
        RaytraceScene s;
        zGeometry* wall = GridWall(s, 0, 75);
        ASSERT_EQ(wall->GetPolygonCount(), 9000u);
        s.Add(wall);
        s.Directional(zVector(0, 0, 1));
        zRaytracer raytracer;
        zPicture picture;
        ASSERT_TRUE(Render(raytracer, s, picture, 32, 32));
        EXPECT_TRUE(Uniform(picture, Wall));
    }
    {
        // Optimised: the source's polygons are gone, its leaf geometries remain.
        RaytraceScene s;
        zGeometry* source = GridWall(s, 0, 75);
        source->SetKeepMask(0);
        source->FreeData();
        ASSERT_EQ(source->GetPolygonCount(), 0u);
        zRayObject& object = s.Add(source);
        for (u32 part = 0; part < 5; ++part)
            object.parts.push_back(GridWall(s, part * 15, 15));
        s.Directional(zVector(0, 0, 1));
        zRaytracer raytracer;
        zPicture picture;
        ASSERT_TRUE(Render(raytracer, s, picture, 32, 32));
        EXPECT_TRUE(Uniform(picture, Wall));
        EXPECT_EQ(raytracer.GetTree(0).GetPrimitives().size(), 5u);
    }
}

TEST(RaytraceFrame, SkinnedGeometryIsTracedPosed) {
    struct Case {
        const char* name;
        f32 weight;
        u32 litColumn, emptyColumn;
    };
    // Bone 0 moves the patch 1 to the right (column 52); with no weight it stays (column 32).
    const Case cases[] = {{"weighted vertices follow the bone", 1.0f, 52, 32},
                          {"vertices without weight keep their place", 0.0f, 32, 52}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RaytraceScene s;
        zGeometry* patch = s.Quad(-0.5f, 0.5f, -0.5f, 0.5f, 5, zVector(0.8f, 0.4f, 0.2f));
        ASSERT_TRUE(patch->AllocateSkin(1));
        for (u32 v = 0; v < 4; ++v)
            patch->GetSkinWeights()[v].weights[0] = c.weight;
        patch->GetMaterial(0)->SetFlags(MaterialFlagSkinned);
        zRayObject& object = s.Add(patch);
        object.bones.push_back(zMatrix4::Translation(zVector(1, 0, 0)));
        s.Directional(zVector(0, 0, 1));
        zRaytracer raytracer;
        zPicture picture;
        ASSERT_TRUE(Render(raytracer, s, picture));
        EXPECT_TRUE(Near(PixelAt(picture, c.litColumn, 32), Wall));
        EXPECT_TRUE(Near(PixelAt(picture, c.emptyColumn, 32), Background));
        // The source stays as it was.
        EXPECT_FLOAT_EQ(patch->GetVertices()[0].x, -0.5f);
    }
}

TEST(RaytraceFrame, SceneWithNothingToTraceGivesTheBackground) {
    RaytraceScene s;
    s.Add(nullptr);
    s.Add(s.Quad(-100, 100, -100, 100, 5, zVector(1, 1, 1))).opacity = 0.0f;
    s.Add(s.Quad(-100, 100, -100, 100, 5, zVector(1, 1, 1))).hidden = true;
    zRaytracer raytracer;
    zPicture picture;
    ASSERT_TRUE(Render(raytracer, s, picture, 8, 8));
    EXPECT_TRUE(Uniform(picture, Background));
    EXPECT_EQ(s.quiet.Text().find("[!]"), std::string::npos);
}

TEST(RaytraceFrame, ShadowNullGeometriesAndShadowProxies) {
    // The occluder casts no shadow when marked ShadowNull, and its proxy
    // casts it in its place.
    for (int mode = 0; mode < 2; ++mode) {
        ShadowScene s(false, 1.0f);
        if (mode == 0) {
            s.occluder->SetFlags(GeometryNoShadow);
        } else {
            zGeometry* proxy = s.Quad(100, 101, 100, 101, 4, zVector(1, 1, 1), true);
            ASSERT_TRUE(s.occluder->SetShadowProxy(proxy));
        }
        zRaytracer raytracer;
        zPicture picture;
        ASSERT_TRUE(Render(raytracer, s, picture));
        EXPECT_TRUE(Near(PixelAt(picture, 21, 32), {144, 72, 36, 255})) << mode;
        s.occluder->SetShadowProxy(nullptr);
    }
}

TEST(RaytraceFrame, RefusedFrames) {
    RaytraceScene s;
    s.Wall();
    zRaytracer raytracer;
    ASSERT_TRUE(raytracer.SetScene(&s.scene));
    zPicture picture;
    ASSERT_TRUE(picture.Allocate(2, 2, PixelFormatRGBA8));

    zRaytracerOptions options;
    options.interlaced = 1;
    raytracer.SetOptions(options);
    {
        LogCapture log;
        EXPECT_FALSE(raytracer.Trace(picture, 64, 481));
        EXPECT_EQ(log.Text(), "[!] Interlaced frame height must be a multiple of 2.\n");
        EXPECT_EQ(picture.GetWidth(), 2u);
    }
    raytracer.SetOptions(zRaytracerOptions());
    for (auto size : {std::pair<i32, i32>{0, 4}, {4, -1}, {-5, -5}}) {
        LogCapture log;
        EXPECT_FALSE(raytracer.Trace(picture, size.first, size.second));
        EXPECT_EQ(log.Text().rfind("[!] Invalid raytrace frame size ", 0), 0u);
        EXPECT_EQ(picture.GetWidth(), 2u);
    }
    {
        // Sizes whose byte counts pass 32 bits.
        LogCapture log;
        EXPECT_FALSE(raytracer.Trace(picture, 65536, 65536));
        EXPECT_NE(log.Text().find("[!] Failed to allocate floating point frame buffer.\n"),
                  std::string::npos);
        EXPECT_EQ(picture.GetWidth(), 2u);
    }
    s.scene.hasCamera = false;
    {
        LogCapture log;
        EXPECT_FALSE(raytracer.Trace(picture, 4, 4));
        EXPECT_EQ(log.Text(), "");
    }
}

TEST(RaytraceFrame, TinyFramesAndZeroSettingsStayFinite) {
    struct Case {
        const char* name;
        i32 width, height;
        u32 grid, samples;
        u8 gi;
    };
    const Case cases[] = {
        {"grid 0", 8, 8, 0, 8, 0},
        {"one column", 1, 8, 4, 8, 0},
        {"one pixel", 1, 1, 4, 8, 0},
        {"two by two", 2, 2, 4, 8, 0},
        {"no global illumination samples", 8, 8, 4, 0, 1},
        {"huge grid", 8, 8, 4000000000u, 8, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RaytraceScene s;
        s.Add(s.Quad(-0.3f, 0.3f, -0.3f, 0.3f, 5, zVector(0.8f, 0.4f, 0.2f)));
        s.Directional(zVector(0, 0, 1));
        s.scene.ambient = zVector(0.5f, 0.5f, 0.5f, 1);
        zRaytracerOptions options;
        options.aaGrid = c.grid;
        options.giSamples = c.samples;
        options.globalIllumination = c.gi;
        zRaytracer raytracer;
        raytracer.SetOptions(options);
        for (u32 t = 0; t < zRaytracer::SpreadTableCount; ++t)
            EXPECT_GE(raytracer.GetSpreadTable(t).size(), 1u);
        zPicture picture;
        ASSERT_TRUE(Render(raytracer, s, picture, c.width, c.height));
        EXPECT_EQ(picture.GetWidth(), u32(c.width));
        EXPECT_EQ(picture.GetHeight(), u32(c.height));
        for (u32 y = 0; y < picture.GetHeight(); ++y)
            for (u32 x = 0; x < picture.GetWidth(); ++x)
                EXPECT_EQ(PixelAt(picture, x, y).a, 255);
        // Frames below 3 x 3 are not refined.
        if (c.width < 3 || c.height < 3) {
            EXPECT_EQ(raytracer.GetRayCount(), u64(c.width) * u64(c.height));
        }
    }
}

TEST(RaytraceFrame, GlobalIlluminationSpreadTables) {
    zRaytracerOptions options;
    options.globalIllumination = 1;
    options.giSamples = 4;
    options.giDepth = 2;
    zRaytracer raytracer;
    raytracer.SetOptions(options);
    for (u32 t = 0; t < zRaytracer::SpreadTableCount; ++t) {
        const std::vector<zVector>& table = raytracer.GetSpreadTable(t);
        ASSERT_EQ(table.size(), 16u);
        for (const zVector& direction : table) {
            EXPECT_NEAR(direction.Length(), 1.0f, 1e-5);
            EXPECT_GT(direction.z, 0.0f);
        }
    }
    // A lit wall under global illumination: the sky it sees is blue, so its
    // blue doubles: 0.2 x (sky 1 + light 1).
    RaytraceScene s;
    s.Wall();
    s.Directional(zVector(0, 0, 1));
    zPicture picture;
    ASSERT_TRUE(Render(raytracer, s, picture, 4, 4));
    const Rgba p = PixelAt(picture, 1, 1);
    EXPECT_TRUE(Near(p, {204, 102, 102, 255}, 2));
}

TEST(RaytraceFrame, AmbientOcclusionDarkensCorners) {
    RaytraceScene s;
    s.Wall(zVector(1, 1, 1));
    s.scene.ambient = zVector(1, 1, 1, 1);
    // A floor at y = -0.5 meeting the wall: points near the corner are occluded.
    std::vector<zVector> floor = {zVector(-100, -0.5f, 0), zVector(-100, -0.5f, 5), zVector(100, -0.5f, 5),
                                  zVector(100, -0.5f, 0)};
    auto geometry = MakeGeometry(&s.host, floor, {{{0, 3, 2, 1}}}); // facing up
    RaytraceScene::Paint(*geometry->GetMaterial(0), zVector(1, 1, 1), 1.0f);
    s.geometries.push_back(geometry);
    s.Add(geometry.Get());
    zRaytracerOptions options;
    options.ambientOcclusion = 1;
    options.antialiasing = 0;
    zRaytracer raytracer;
    raytracer.SetOptions(options);
    zPicture picture;
    ASSERT_TRUE(Render(raytracer, s, picture, 32, 32));
    // Far above the floor the wall is open; right above it, occluded.
    EXPECT_TRUE(Near(PixelAt(picture, 16, 0), {255, 255, 255, 255}));
    const Rgba corner = PixelAt(picture, 16, 17);
    EXPECT_LT(corner.r, 250);
    EXPECT_GT(corner.r, 0);
}

TEST(RaytraceRay, MissGivesTheBackgroundAndCountsOneRay) {
    RaytraceScene s;
    s.Wall();
    zRaytracer raytracer;
    ASSERT_TRUE(raytracer.SetScene(&s.scene));
    zVector colour;
    zRayDepth depth{1, 2, 6};
    raytracer.TraceRay(zVector(0, 0, 0), zVector(0, 0, -1), colour, depth, nullptr);
    EXPECT_EQ(raytracer.GetRayCount(), 1u);
    EXPECT_FLOAT_EQ(colour.z, 1.0f);
    EXPECT_FLOAT_EQ(colour.x, 0.0f);
}

// A surface of index 1.5, half transparent and half reflective, struck at 60
// degrees from its normal by a ray travelling inside a medium of 1.5.
TEST(RaytraceRay, TotalInternalReflectionSendsNoTransmissionRay) {
    const f32 s60 = std::sin(60.0f * 3.14159265f / 180.0f);
    const zVector direction(s60, 0.0f, 0.5f);
    const zVector origin = zVector(0.5f, 0.5f, 0).Sub(direction);
    for (f32 parentMedium : {1.5f, 1.0f}) {
        SCOPED_TRACE(parentMedium);
        RaytraceScene s;
        s.scene.ambient = zVector(0.2f, 0.2f, 0.2f, 1);
        zGeometry* glass = s.Quad(0, 1, 0, 1, 0, zVector(1, 1, 1), false, 0.5f);
        glass->GetMaterial(0)->SetIOR(1.5f);
        glass->GetMaterial(0)->SetReflection(0.5f);
        s.Add(glass);
        zRaytracer raytracer;
        ASSERT_TRUE(raytracer.SetScene(&s.scene));
        zRayHit parent;
        parent.mediumIndex = parentMedium;
        zVector colour;
        zRayDepth depth{1, 2, 6};
        raytracer.TraceRay(origin, direction, colour, depth, &parent);
        if (parentMedium == 1.5f) {
            // The ray, its reflection; surface 0.2 x 0.5, reflected sky x 0.5 x F = 1.
            EXPECT_EQ(raytracer.GetRayCount(), 2u);
            EXPECT_NEAR(colour.x, 0.1f, 1e-4);
            EXPECT_NEAR(colour.z, 0.6f, 1e-4);
        } else {
            EXPECT_EQ(raytracer.GetRayCount(), 3u); // and the transmitted ray
        }
        EXPECT_EQ(colour.w, 1.0f);
        EXPECT_EQ(depth.reflection, 2u);
        EXPECT_EQ(depth.transmission, 6u);
    }
}

// A mirror sends the ray onto glass at 60 degrees; arriving through air, it
// enters the glass. Had the reflection taken the mirror's index as its
// medium, it would be totally reflected instead.
TEST(RaytraceRay, ReflectedRaysKeepTheirMedium) {
    const f32 s60 = std::sin(60.0f * 3.14159265f / 180.0f);
    const zVector direction(s60, 0.0f, 0.5f);
    RaytraceScene s;
    zGeometry* mirror = s.Quad(-1, 1, 0, 1, 0, zVector(1, 1, 1));
    mirror->GetMaterial(0)->SetIOR(1.5f);
    mirror->GetMaterial(0)->SetReflection(1.0f);
    s.Add(mirror);
    zGeometry* glass = s.Quad(1, 2.5f, 0, 1, -1, zVector(1, 1, 1), true, 0.5f);
    glass->GetMaterial(0)->SetIOR(1.5f);
    s.Add(glass);
    zRaytracer raytracer;
    ASSERT_TRUE(raytracer.SetScene(&s.scene));
    zVector colour;
    zRayDepth depth{1, 2, 6};
    raytracer.TraceRay(zVector(0, 0.5f, 0).Sub(direction), direction, colour, depth, nullptr);
    EXPECT_EQ(raytracer.GetRayCount(), 3u); // primary, reflected, refracted into the glass
}

TEST(RaytraceRay, ShadowRaysStopAtTheLight) {
    RaytraceScene s;
    // Along +z: a half-transparent sheet at 1, an opaque one at 3 (both facing the ray).
    s.Add(s.Quad(-1, 1, -1, 1, 1, zVector(1, 1, 1), false, 0.5f));
    s.Add(s.Quad(-1, 1, -1, 1, 3, zVector(1, 1, 1), false, 1.0f));
    zRaytracer raytracer;
    ASSERT_TRUE(raytracer.SetScene(&s.scene));
    const zVector origin(0, 0, 0), along(0, 0, 1);
    struct Case {
        const char* name;
        u8 transparent;
        f32 distance;
        f32 expected;
    };
    const Case cases[] = {
        {"light before the first sheet", 1, 0.5f, 1.0f},
        {"light just past the first sheet", 1, 1.0005f, 0.5f},
        {"light past both", 1, 10.0f, 0.0f},
        {"no distance", 1, 0.0f, 1.0f},
        {"opaque mode, no distance", 0, 0.0f, 1.0f},
        {"opaque mode, past a sheet", 0, 2.0f, 0.0f},
        {"opaque mode, before it", 0, 0.5f, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        zRaytracerOptions options;
        options.transparentShadows = c.transparent;
        raytracer.SetOptions(options);
        EXPECT_FLOAT_EQ(raytracer.ShadowTransmission(origin, along, c.distance, 32), c.expected);
    }
    // No budget: the light is reached.
    raytracer.SetOptions(zRaytracerOptions());
    EXPECT_FLOAT_EQ(raytracer.ShadowTransmission(origin, along, 10.0f, 0), 1.0f);
}

TEST(RaytraceFrame, ProgressIsReportedPerPass) {
    RaytraceScene s;
    s.Add(s.Quad(-0.5f, 0.5f, -0.5f, 0.5f, 5, zVector(0.8f, 0.4f, 0.2f)));
    s.Directional(zVector(0, 0, 1));
    zRaytracer raytracer;
    std::vector<std::pair<std::string, f32>> reports;
    raytracer.SetProgressCallback(
        [](const zRaytraceProgress& progress, void* user) {
            static_cast<std::vector<std::pair<std::string, f32>>*>(user)->push_back(
                {progress.label.CStr(), progress.fraction});
        },
        &reports);
    zPicture picture;
    ASSERT_TRUE(Render(raytracer, s, picture, 8, 8));
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.front().first, "[1/2] - Rendering");
    EXPECT_EQ(reports.back().first, "[2/2] - Antialiasing");
    EXPECT_FLOAT_EQ(reports.back().second, 1.0f);
}

TEST(RaytraceFrame, InterlacedFieldsTraceHalfTheRowsAndInterleave) {
    RaytraceScene s;
    s.Wall();
    s.Directional(zVector(0, 0, 1));
    zRaytracerOptions options;
    options.interlaced = 1;
    options.antialiasing = 0;
    zRaytracer raytracer;
    raytracer.SetOptions(options);
    raytracer.StartInterlacedSequence();
    zPicture first, second;
    ASSERT_TRUE(Render(raytracer, s, first, 8, 6));
    EXPECT_EQ(raytracer.GetRayCount(), 8u * 3u);
    EXPECT_EQ(first.GetHeight(), 6u);
    EXPECT_TRUE(Uniform(first, Wall));
    // The second field sees a brighter light: its rows alternate with the first's.
    s.scene.lights[0].diffuseIntensity = 0.5f;
    ASSERT_TRUE(Render(raytracer, s, second, 8, 6));
    ASSERT_EQ(second.GetHeight(), 6u);
    const Rgba half{102, 51, 25, 255};
    for (u32 y = 0; y < 6; ++y) {
        const bool fromSecond = (y % 2) == 1; // the first field is even, the second odd
        EXPECT_TRUE(Near(PixelAt(second, 3, y), fromSecond ? half : Wall)) << y;
    }
}

TEST(RaytraceFrame, FramesAreWrittenAsNumberedTgaFiles) {
    RaytraceScene s;
    s.Wall();
    s.Directional(zVector(0, 0, 1));
    zRaytracer raytracer;
    zPicture picture;
    ASSERT_TRUE(Render(raytracer, s, picture, 32, 24));
    char pattern[] = "/tmp/raytrace_frames_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string directory = pattern;
    for (u32 frame = 0; frame < 2; ++frame)
        ASSERT_TRUE(WriteRaytracedFrame(directory.c_str(), frame, picture));
    for (const char* name : {"out_00000.tga", "out_00001.tga"}) {
        std::ifstream in(directory + "/" + name, std::ios::binary);
        std::vector<u8> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_EQ(bytes.size(), 18u + 32u * 24u * 4u) << name;
        EXPECT_EQ(bytes[2], 2);
        EXPECT_EQ(bytes[12] | (bytes[13] << 8), 32);
        EXPECT_EQ(bytes[14] | (bytes[15] << 8), 24);
        EXPECT_EQ(bytes[16], 32);
        EXPECT_EQ(bytes[17], 0x28);
        // B, G, R, A.
        EXPECT_NEAR(bytes[18], 51, 1);
        EXPECT_NEAR(bytes[19], 102, 1);
        EXPECT_NEAR(bytes[20], 204, 1);
        EXPECT_EQ(bytes[21], 255);
    }
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

} // namespace

namespace {

TEST(RaytraceFrame, AbortFinishesTheFrameWithWhatWasTraced) {
    RaytraceScene s;
    s.Wall();
    s.Directional(zVector(0, 0, 1));
    zRaytracer raytracer;
    raytracer.SetProgressCallback(
        [](const zRaytraceProgress&, void* user) { static_cast<zRaytracer*>(user)->Abort(); }, &raytracer);
    zPicture picture;
    ASSERT_TRUE(Render(raytracer, s, picture, 8, 8));
    // Aborted after the first row: that row is traced, the rest stays opaque black, nothing is refined.
    EXPECT_EQ(raytracer.GetRayCount(), 8u);
    EXPECT_EQ(picture.GetWidth(), 8u);
    EXPECT_EQ(picture.GetHeight(), 8u);
    for (u32 x = 0; x < 8; ++x) {
        EXPECT_TRUE(Near(PixelAt(picture, x, 0), Wall));
        for (u32 y = 1; y < 8; ++y)
            EXPECT_TRUE(Near(PixelAt(picture, x, y), {0, 0, 0, 255}));
    }
    // The next frame starts afresh.
    raytracer.SetProgressCallback(nullptr, nullptr);
    ASSERT_TRUE(raytracer.Trace(picture, 8, 8));
    EXPECT_TRUE(Uniform(picture, Wall));
}

} // namespace

namespace {

// A room: a mirror-like back wall at z = 8, a wall behind the camera facing
// it, six small quads (one half transparent) that cast shadows on the back
// wall, and a slanted light. Every quad has its own geometry, so the trees
// are built during the first frame.
struct Room : RaytraceScene {
    Room() {
        Add(Quad(-40, 40, -40, 40, 8, zVector(0.7f, 0.7f, 0.6f)));
        scene.objects.back().geometry->GetMaterial(0)->SetReflection(0.5f);
        Add(Quad(-40, 40, -40, 40, -5, zVector(0.2f, 0.6f, 0.3f), true));
        for (int i = 0; i < 6; ++i) {
            const f32 x = -2.0f + 0.8f * f32(i), y = (i % 2) ? 0.3f : -0.5f;
            Add(Quad(x, x + 0.5f, y, y + 0.6f, 3.0f + 0.3f * f32(i),
                     zVector(0.2f * f32(i), 0.9f - 0.1f * f32(i), 0.5f), false, i == 3 ? 0.5f : 1.0f));
        }
        Directional(zVector(0.3f, -0.2f, 1.0f), 1.0f, 1);
    }
};

// The log with the milliseconds and the ray rate left out.
std::string WithoutTimes(std::string text) {
    for (const char* mark : {"Done in ", "Took ", "Ray/s = "}) {
        for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + 1)) {
            size_t end = at + std::strlen(mark);
            while (end < text.size() &&
                   (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '.'))
                ++end;
            text.erase(at + std::strlen(mark), end - at - std::strlen(mark));
        }
    }
    return text;
}

struct Traced {
    std::vector<u8> bytes;
    std::string log;
    u64 rays = 0;
    std::vector<f32> reports;
};

Traced TraceRoom(const zRaytracerOptions& options, u32 threads, i32 width, i32 height) {
    SeedRand(77);
    Room room;
    zRaytracer raytracer;
    raytracer.SetOptions(options);
    raytracer.SetThreadCount(threads);
    Traced traced;
    raytracer.SetProgressCallback(
        [](const zRaytraceProgress& progress, void* user) {
            static_cast<std::vector<f32>*>(user)->push_back(progress.fraction);
        },
        &traced.reports);
    zPicture picture;
    room.quiet.Reset();
    EXPECT_TRUE(Render(raytracer, room, picture, width, height));
    traced.log = WithoutTimes(room.quiet.Text());
    traced.rays = raytracer.GetRayCount();
    traced.bytes.assign(picture.GetPixels(), picture.GetPixels() + size_t(width) * size_t(height) * 4);
    return traced;
}

TEST(RaytraceFrame, FramesOnSeveralThreadsEqualTheOneThreadFrame) {
    struct Case {
        const char* name;
        void (*set)(zRaytracerOptions& options);
    };
    const Case cases[] = {
        {"defaults: transparent shadows, reflections, antialiasing", [](zRaytracerOptions&) {}},
        {"opaque shadows (any-hit rays)", [](zRaytracerOptions& o) { o.transparentShadows = 0; }},
        {"a finer grid and a lower threshold",
         [](zRaytracerOptions& o) {
             o.aaGrid = 5;
             o.aaThreshold = 0.001f;
         }},
        {"jitter: the refinement in order", [](zRaytracerOptions& o) { o.aaJitter = 1; }},
        {"global illumination: one thread's order throughout",
         [](zRaytracerOptions& o) {
             o.globalIllumination = 1;
             o.giSamples = 2;
         }},
        {"half-height fields", [](zRaytracerOptions& o) { o.interlaced = 1; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        zRaytracerOptions options;
        c.set(options);
        const Traced one = TraceRoom(options, 1, 61, 40);
        // The trees are built while the frame is traced, once each.
        EXPECT_NE(one.log.find("Building bounding interval hierarchy BIH..."), std::string::npos);
        ASSERT_FALSE(one.bytes.empty());
        for (u32 threads : {2u, 5u}) {
            SCOPED_TRACE(threads);
            const Traced many = TraceRoom(options, threads, 61, 40);
            EXPECT_TRUE(many.bytes == one.bytes);
            EXPECT_EQ(many.log, one.log);
            EXPECT_EQ(many.rays, one.rays);
            EXPECT_EQ(many.reports, one.reports);
        }
    }
}

TEST(RaytraceFrame, AFrameWhoseTreesAreBuiltEqualsTheFirstFrame) {
    Room room;
    zRaytracer raytracer;
    raytracer.SetThreadCount(4);
    zPicture first, second;
    ASSERT_TRUE(Render(raytracer, room, first, 40, 30));
    ASSERT_TRUE(Render(raytracer, room, second, 40, 30));
    ASSERT_EQ(first.GetWidth(), second.GetWidth());
    EXPECT_TRUE(std::equal(first.GetPixels(), first.GetPixels() + 40 * 30 * 4, second.GetPixels()));
}

TEST(RaytraceFrame, AbortOnSeveralThreadsLeavesTheRowsAfterTheStopUntraced) {
    RaytraceScene s;
    s.Wall();
    s.Directional(zVector(0, 0, 1));
    zRaytracer raytracer;
    raytracer.SetThreadCount(4);
    raytracer.SetProgressCallback(
        [](const zRaytraceProgress&, void* user) { static_cast<zRaytracer*>(user)->Abort(); }, &raytracer);
    zPicture picture;
    ASSERT_TRUE(Render(raytracer, s, picture, 8, 8));
    EXPECT_EQ(raytracer.GetRayCount(), 8u);
    for (u32 x = 0; x < 8; ++x) {
        EXPECT_TRUE(Near(PixelAt(picture, x, 0), Wall));
        for (u32 y = 1; y < 8; ++y)
            EXPECT_TRUE(Near(PixelAt(picture, x, y), {0, 0, 0, 255}));
    }
}

} // namespace
