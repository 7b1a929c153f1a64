#include "scene/light.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "markup/meta_tag.h"
#include "render/texture.h"
#include "scene/camera.h"
#include "scene/managed_object.h"
#include "tests/scene/scene_fixture.h"
#include "tests/scene/scene_fixtures.h"
#include "tests/support/recording_renderer.h"

namespace {

using LightTest = SceneFixture;

// The order of the renderer's light calls.
struct LightRenderer : RecordingRenderer {
    using RecordingRenderer::RecordingRenderer;
    // Every light reaching this renderer is a scene light.
    static zLight* AsLight(zRenderLight* light) { return static_cast<zLight*>(light); }
    bool SetupLight(zRenderLight* light) override {
        calls.push_back("SetupLight " + Name(light));
        return true;
    }
    void UpdateLight(zRenderLight* light) override { calls.push_back("UpdateLight " + Name(light)); }
    void FreeLight(zRenderLight* light) override {
        calls.push_back("FreeLight " + Name(light));
        freed.push_back(AsLight(light));
    }
    static std::string Name(zRenderLight* base) {
        zLight* light = AsLight(base);
        return light && light->owner ? light->owner->GetName().CStr() : "bare";
    }
    std::vector<std::string> calls;
    std::vector<zLight*> freed;
};

std::vector<std::string> ChildNames(const zMetaTag* tag) {
    std::vector<std::string> names;
    zLinkedListIterator iterator{};
    while (const zMetaTag* child = tag->GetNextChild(iterator))
        names.push_back(child->GetName().CStr());
    return names;
}

TEST(Light, DefaultsAndSetDefaults) {
    zLight light;
    EXPECT_EQ(light.type, LightTypePoint);
    EXPECT_EQ(light.zNear, 0.02f);
    EXPECT_EQ(light.volumeRange, 500.0f);
    EXPECT_EQ(light.coneAngle, 0.5235988f);
    EXPECT_EQ(light.specularIntensity, 0.0f);
    light.type = LightTypeSpot;
    light.shaderName.Set("glow");
    light.diffuse = zVector(0.5f, 0.5f, 0.5f, 1.0f);
    light.range = 20.0f;
    light.SetDefaults();
    EXPECT_EQ(light.type, LightTypePoint);
    EXPECT_TRUE(light.shaderName.IsEmpty());
    EXPECT_EQ(light.diffuse.x, 1.0f);
    EXPECT_EQ(light.range, 0.0f);
}

TEST(Light, SpotFrustumAndProjection) {
    zLight light;
    light.type = LightTypeSpot;
    light.UpdateMatrices();
    EXPECT_FLOAT_EQ(light.GetSpotFov(), 2.0943952f);
    const zMatrix4 projection = light.GetProjectionMatrix();
    const f32 expected[16] = {0.57735f, 0, 0, 0, 0, 0.57735f, 0, 0, 0, 0, 1.00004f, -0.0200008f, 0, 0, 1, 0};
    for (int index = 0; index < 16; ++index)
        EXPECT_NEAR(projection.e[index], expected[index], 1e-5f) << index;
    // Row 2 of TransformArray: a point at the volume range lands on depth 1.
    zVector far(0.0f, 0.0f, 500.0f, 1.0f);
    projection.TransformArray(&far, &far, 1);
    EXPECT_FLOAT_EQ(far.z / far.w, 1.0f);
    // The frustum opens 60 degrees to each side: a point at 59 degrees off
    // the axis is inside, one at 61 outside.
    const auto inside = [&](f32 degrees) {
        const f32 angle = degrees * 3.1415927f / 180.0f;
        const zVector point(std::sin(angle) * 10.0f, 0.0f, std::cos(angle) * 10.0f, 1.0f);
        return light.frustum.ClassifyPoints(1, &point, 0.0f) != ClassifyOutside;
    };
    EXPECT_TRUE(inside(59.0f));
    EXPECT_FALSE(inside(61.0f));
}

TEST(Light, OtherTypesProjectThroughTheIdentity) {
    for (u32 type : {LightTypeNone, LightTypePoint, LightTypeParallel, LightTypeArea}) {
        zLight light;
        light.type = type;
        EXPECT_FALSE(light.GetProjectionMatrix().DiffersFrom(zMatrix4())) << type;
    }
}

TEST(Light, AScaledLightKeepsUnitAxes) {
    zLight light;
    light.SetScale(zVector(3.0f, 3.0f, 3.0f, 1.0f));
    light.SetPosition(zVector(1.0f, 2.0f, 3.0f, 1.0f));
    const zMatrix4 world = *light.GetWorldMatrix();
    for (int axis = 0; axis < 3; ++axis) {
        EXPECT_FLOAT_EQ(world.GetRow(axis, false).Length(), 1.0f) << axis;
        EXPECT_EQ(world.GetRow(axis, false).w, 0.0f) << axis;
    }
    EXPECT_EQ(world.e[3], 1.0f);
    EXPECT_EQ(world.e[11], 3.0f);
    // The inverse takes the light's place back to the origin, w kept.
    zVector place(1.0f, 2.0f, 3.0f, 1.0f);
    world.Inverse().TransformArray(&place, &place, 1);
    EXPECT_NEAR(place.x, 0.0f, 1e-6f);
    EXPECT_NEAR(place.y, 0.0f, 1e-6f);
    EXPECT_NEAR(place.z, 0.0f, 1e-6f);
    EXPECT_FLOAT_EQ(place.w, 1.0f);
}

TEST_F(LightTest, BothIntensitiesAtTheThresholdMakeALightInactive) {
    zMLight* light = scene->AddLight("lamp", LightTypePoint, 1.0f);
    ASSERT_TRUE(light);
    struct Case {
        f32 diffuse, specular;
        bool active;
    } const cases[] = {{1.0f, 0.0f, true},
                       {0.001f, 0.001f, false},
                       {0.0f, 0.0f, false},
                       {0.0011f, 0.0f, true},
                       {0.0f, 0.002f, true}};
    for (const Case& entry : cases) {
        light->diffuseIntensity = entry.diffuse;
        light->specularIntensity = entry.specular;
        EXPECT_EQ(light->IsActive(), entry.active) << entry.diffuse << " " << entry.specular;
    }
    light->diffuseIntensity = 1.0f;
    light->SetActiveByte(0);
    EXPECT_FALSE(light->IsActive());
}

TEST_F(LightTest, AddLightSetsTypePriorityAndTheSceneSortsByPriority) {
    zMLight* high = scene->AddLight("high", LightTypeSpot, 2.0f);
    zMLight* low = scene->AddLight("low", LightTypeParallel, 0.5f);
    zMLight* plain = scene->AddLight("plain", LightTypePoint, zMLight::DefaultPriority);
    ASSERT_TRUE(high && low && plain);
    EXPECT_EQ(high->type, LightTypeSpot);
    EXPECT_EQ(low->GetPriority(), 0.5f);
    EXPECT_EQ(low->owner, low);
    scene->Setup(false, 0);
    const zList<zMItem*>& lights = scene->GetKindList(ManagedKindLight);
    EXPECT_EQ(lights.GetAt(0), low);
    EXPECT_EQ(lights.GetAt(1), plain);
    EXPECT_EQ(lights.GetAt(2), high);
    // A new light starts at priority 1, not the managed item's 0.5.
    zMLight bare(nullptr);
    EXPECT_EQ(bare.GetPriority(), 1.0f);
}

TEST_F(LightTest, TheRendererSetsUpRefreshesAndFreesTheLight) {
    LightRenderer renderer(&engine, true);
    zMLight* light = scene->AddLight("lamp", LightTypeSpot, 1.0f);
    ASSERT_TRUE(light);
    scene->Setup(false, 0);
    scene->Update(UpdateAll);
    light->SetupRenderData();
    zLight* lightPart = light;
    delete light;
    // The managed part is gone when the light part is freed.
    EXPECT_EQ(renderer.calls,
              (std::vector<std::string>{"SetupLight lamp", "UpdateLight lamp", "SetupLight lamp",
                                        "UpdateLight lamp", "FreeLight bare"}));
    EXPECT_EQ(renderer.freed, std::vector<zLight*>{lightPart});
}

TEST_F(LightTest, UpdateRebuildsTheSpotFrustum) {
    zMLight* light = scene->AddLight("spot", LightTypeSpot, 1.0f);
    ASSERT_TRUE(light);
    light->zItem::SetPosition(zVector(0.0f, 0.0f, 100.0f, 1.0f));
    scene->Update(UpdateAll);
    const zVector ahead(0.0f, 0.0f, 110.0f, 1.0f), behind(0.0f, 0.0f, 90.0f, 1.0f);
    EXPECT_NE(light->frustum.ClassifyPoints(1, &ahead, 0.0f), ClassifyOutside);
    EXPECT_EQ(light->frustum.ClassifyPoints(1, &behind, 0.0f), ClassifyOutside);
}

TEST(Light, CameraSetsUpFromASpotLight) {
    zLight light;
    light.type = LightTypeSpot;
    light.zNear = 0.5f;
    light.volumeRange = 80.0f;
    light.SetPosition(zVector(4.0f, 5.0f, 6.0f, 1.0f));
    zCamera camera;
    camera.SetupFromSpotLight(light);
    EXPECT_EQ(camera.GetZNear(), 0.5f);
    EXPECT_EQ(camera.GetZFar(), 80.0f);
    EXPECT_EQ(camera.GetAspect(), 1.0f);
    EXPECT_NEAR(camera.GetZoom(), 0.57735f, 1e-5f);
    EXPECT_EQ(camera.GetWorldMatrix()->e[7], 5.0f);
}

// ---- The "Light" tag --------------------------------------------------------

TEST(LightTag, ADefaultLightWritesOnlyItemAndTheVolumetricValues) {
    zLight light;
    std::unique_ptr<zMetaTag> tag(SerializeLight(light));
    ASSERT_TRUE(tag);
    EXPECT_EQ(ChildNames(tag.get()), (std::vector<std::string>{"Item", "VolumetricSampleStep",
                                                               "VolumetricThick", "VolumetricRange"}));
}

TEST(LightTag, EveryFieldChangedRoundTripsInOrder) {
    zLight light;
    light.type = LightTypeSpot;
    light.shadowMode = LightShadowMap;
    light.shadowRange = 50.0f;
    light.shadowBias = 0.02f;
    light.shadowDistribution = 0.5f;
    light.shadowColor = zVector(0.1f, 0.2f, 0.3f, 0.5f);
    light.volumetric = 1;
    light.volumetricSampleStep = 0.25f;
    light.volumetricThickness = 2.0f;
    light.volumetricRange = 16.0f;
    light.zNear = 0.5f;
    light.falloff = LightFalloffInvDist2;
    light.range = 40.0f;
    light.volumeRange = 250.0f;
    light.clipDistance = 150.0f;
    light.diffuse = zVector(1.0f, 0.5f, 0.25f, 1.0f);
    light.specular = zVector(0.5f, 0.5f, 0.5f, 0.75f);
    light.diffuseIntensity = 2.0f;
    light.specularIntensity = 0.5f;
    light.coneAngle = 0.25f;
    light.edgeAngle = 0.125f;
    light.shaderName.Set("lights/soft");
    light.SetPosition(zVector(1.0f, 2.0f, 3.0f, 1.0f));
    std::unique_ptr<zMetaTag> tag(SerializeLight(light));
    ASSERT_TRUE(tag);
    EXPECT_EQ(ChildNames(tag.get()), (std::vector<std::string>{"Item",
                                                               "Type",
                                                               "Shadow",
                                                               "ShadowRange",
                                                               "ShadowBias",
                                                               "ShadowDistribution",
                                                               "ShadowColor",
                                                               "Volumetric",
                                                               "VolumetricSampleStep",
                                                               "VolumetricThick",
                                                               "VolumetricRange",
                                                               "ZNear",
                                                               "Falloff",
                                                               "Range",
                                                               "VolumeRange",
                                                               "ClipDistance",
                                                               "Diffuse",
                                                               "Specular",
                                                               "DiffuseIntensity",
                                                               "SpecularIntensity",
                                                               "ConeAngle",
                                                               "EdgeAngle",
                                                               "Shader"}));
    auto text = ThroughText(tag.release());
    zLight copy;
    ASSERT_TRUE(ParseLight(copy, text->Root()));
    std::unique_ptr<zMetaTag> again(SerializeLight(copy));
    EXPECT_EQ(DumpOne(again.get()), DumpOne(text->Root()));
    EXPECT_EQ(copy.falloff, LightFalloffInvDist2);
    EXPECT_EQ(copy.shadowColor.w, 0.5f);
    EXPECT_EQ(copy.volumetricThickness, 2.0f);
}

TEST(LightTag, ReaderRulesAndWarnings) {
    struct Case {
        const char* children;
        const char* logLine;
        u32 type;
        f32 zNear;
        f32 volumeRange;
    } const cases[] = {
        {"<ZNear=0.05>", "", LightTypePoint, 0.1f, 500.0f},
        {"<ZNear=0.3>", "", LightTypePoint, 0.3f, 500.0f},
        {"<VolumeRange=0.0>", "", LightTypePoint, 0.02f, 500.0f},
        {"<VolumeRange=-3.0>", "", LightTypePoint, 0.02f, 500.0f},
        {"<VolumeRange=0.0> <Range=20.0>", "", LightTypePoint, 0.02f, 500.0f},
        {"<VolumeRange=70.0>", "", LightTypePoint, 0.02f, 70.0f},
        {"<Type=\"Spot\">", "", LightTypeSpot, 0.02f, 500.0f},
        {"<Type=\"None\">", "", LightTypeNone, 0.02f, 500.0f},
        {"<Type=\"Laser\">", "[*] Bogus light type 'Laser'.\n", LightTypePoint, 0.02f, 500.0f},
        {"<Type=\"Area\"> <Type=\"Laser\">", "[*] Bogus light type 'Laser'.\n", LightTypeArea, 0.02f, 500.0f},
        {"<Shadow=\"Soft\">", "[*] Bogus light shadow 'Soft'.\n", LightTypePoint, 0.02f, 500.0f},
        {"<Falloff=\"Cubic\">", "[*] Bogus light falloff 'Cubic'.\n", LightTypePoint, 0.02f, 500.0f},
        {"<Glow=1.0>", "[*] Unknown tag 'Glow' in <Light>.\n", LightTypePoint, 0.02f, 500.0f},
        {"<ZNear=\"near\">", "[*] Invalid value of 'ZNear' in <Light>.\n", LightTypePoint, 0.02f, 500.0f},
    };
    for (const Case& entry : cases) {
        LogCapture log;
        zLight light;
        light.type = LightTypeParallel; // the reset puts it back
        ASSERT_TRUE(ParseLight(light, ZmlDocument(std::string("<Light= ") + entry.children + " >").Root()));
        EXPECT_EQ(log.Text(), entry.logLine) << entry.children;
        EXPECT_EQ(light.type, entry.type) << entry.children;
        EXPECT_EQ(light.zNear, entry.zNear) << entry.children;
        EXPECT_EQ(light.volumeRange, entry.volumeRange) << entry.children;
    }
}

TEST(LightTag, EnumeratedCodesOutsideTheirWordsAreWrittenAsTheFirstWord) {
    zLight light;
    light.type = 9;
    light.shadowMode = 7;
    light.falloff = 5;
    std::unique_ptr<zMetaTag> tag(SerializeLight(light));
    ASSERT_TRUE(tag);
    const char* text = nullptr;
    ASSERT_TRUE(tag->GetTag("Type;")->GetValue().GetString(text));
    EXPECT_STREQ(text, "None");
    ASSERT_TRUE(tag->GetTag("Shadow;")->GetValue().GetString(text));
    EXPECT_STREQ(text, "None");
    ASSERT_TRUE(tag->GetTag("Falloff;")->GetValue().GetString(text));
    EXPECT_STREQ(text, "Linear");
}

TEST(LightTag, TheOldThicknessNameSetsTheVolumetricRange) {
    zLight light;
    ASSERT_TRUE(ParseLight(light, ZmlDocument("<Light= <VolumetricThickness=12.0> <Volumetric> >").Root()));
    EXPECT_EQ(light.volumetricRange, 12.0f);
    EXPECT_EQ(light.volumetricThickness, 1.0f);
    EXPECT_EQ(light.volumetric, 1u);
}

TEST(LightTag, AWrongRootIsRefused) {
    LogCapture log;
    zLight light;
    EXPECT_FALSE(ParseLight(light, ZmlDocument("<Lamp>").Root()));
    EXPECT_FALSE(ParseLight(light, nullptr));
    EXPECT_EQ(log.Text(), "[!] Could not parse light. Root tag id is incorrect (Lamp).\n"
                          "[!] Could not parse light. Root tag id is incorrect ().\n");
}

TEST_F(LightTest, AProjectionMapLoadsThroughTheTextureCacheAndIsWrittenBack) {
    zMLight* light = scene->AddLight("lamp", LightTypeSpot, 1.0f);
    ASSERT_TRUE(light);
    ClearMissingResourceFlag();
    ASSERT_TRUE(ParseLight(*light, ZmlDocument("<Light= <ProjectionMap=\"gobo.tga\"> >").Root()));
    ASSERT_TRUE(light->GetProjectionTexture());
    EXPECT_EQ(light->GetProjectionTexture(), engine.LoadTexture("gobo.tga", false, false));
    EXPECT_TRUE(IsMissingResourceFlagRaised());
    ClearMissingResourceFlag();
    std::unique_ptr<zMetaTag> tag(SerializeLight(*light));
    const char* text = nullptr;
    ASSERT_TRUE(tag->GetTag("ProjectionMap;")->GetValue().GetString(text));
    EXPECT_STREQ(text, "gobo.tga");
    light->SetDefaults();
    EXPECT_FALSE(light->GetProjectionTexture());
}

// ---- "MLight" ---------------------------------------------------------------

TEST_F(LightTest, ManagedLightTagRoundTripAndErrors) {
    zMLight* light = scene->AddLight("lamp", LightTypeSpot, 1.0f);
    ASSERT_TRUE(light);
    light->range = 30.0f;
    std::unique_ptr<zMetaTag> tag(light->SerializeTag());
    ASSERT_TRUE(tag);
    EXPECT_EQ(ChildNames(tag.get()), (std::vector<std::string>{"MItem", "Light"}));
    zMLight* copy = scene->AddLight("copy", LightTypePoint, 1.0f);
    ASSERT_TRUE(copy->ParseTag(nullptr, tag.get()));
    EXPECT_EQ(copy->GetName(), "lamp");
    EXPECT_EQ(copy->type, LightTypeSpot);
    EXPECT_EQ(copy->range, 30.0f);
    std::unique_ptr<zMetaTag> again(copy->SerializeTag());
    EXPECT_EQ(DumpOne(again.get()), DumpOne(tag.get()));

    log.Reset();
    EXPECT_FALSE(copy->ParseTag(nullptr, ZmlDocument("<Light>").Root()));
    EXPECT_EQ(log.Text(), "[!] Could not parse managed light. Root tag id is incorrect (Light).\n");
    log.Reset();
    EXPECT_TRUE(copy->ParseTag(nullptr, ZmlDocument("<MLight= <MItem= <UId=4> > <Camera> >").Root()));
    EXPECT_EQ(log.Text(), "[*] Unknown tag 'Camera' in <MLight>.\n");
}

// Which lights the scene hands the renderer for a view: the camera at the
// origin, the view box around it.
struct CollectCase {
    const char* name;
    u32 type;
    zVector place;
    f32 range;
    u32 falloff;
    f32 intensity;
    zMinMax bounds;
    bool collected;
};

const zMinMax NearBox(zVector(-1.0f, -1.0f, -1.0f), zVector(1.0f, 1.0f, 1.0f));
const zMinMax FarBox(zVector(50.0f, 50.0f, 50.0f), zVector(60.0f, 60.0f, 60.0f));

const CollectCase CollectCases[] = {
    {"no range reaches everywhere", LightTypePoint, zVector(1000.0f, 0.0f, 0.0f), 0.0f, 0, 1.0f, FarBox,
     true},
    {"too far for its range", LightTypePoint, zVector(100.0f, 0.0f, 0.0f), 5.0f, 0, 1.0f, NearBox, false},
    {"within range, sphere on the box", LightTypePoint, zVector(8.0f, 0.0f, 0.0f), 10.0f, 0, 1.0f, NearBox,
     true},
    {"within range, sphere off the box", LightTypePoint, zVector(0.0f, 9.0f, 0.0f), 10.0f, 0, 1.0f, FarBox,
     false},
    {"the falloff extends the reach", LightTypePoint, zVector(11.0f, 0.0f, 0.0f), 10.0f, 2, 1.0f, NearBox,
     true},
    {"without it the light stops short", LightTypePoint, zVector(11.0f, 0.0f, 0.0f), 10.0f, 0, 1.0f, NearBox,
     false},
    {"inactive", LightTypePoint, zVector(0.0f, 0.0f, 0.0f), 0.0f, 0, 0.0f, NearBox, false},
    {"spot aimed at the box", LightTypeSpot, zVector(0.0f, 0.0f, -20.0f), 30.0f, 0, 1.0f, NearBox, true},
    {"spot aimed away", LightTypeSpot, zVector(0.0f, 0.0f, 20.0f), 30.0f, 0, 1.0f, NearBox, false},
    {"parallel needs no shape", LightTypeParallel, zVector(0.0f, 20.0f, 0.0f), 30.0f, 0, 1.0f, FarBox, true},
};

TEST_F(LightTest, CollectLightsKeepsTheActiveLightsThatReachTheView) {
    for (const CollectCase& row : CollectCases) {
        SCOPED_TRACE(row.name);
        scene->DeleteContent(false);
        zMLight* light = scene->AddLight("lamp", row.type, 1.0f);
        ASSERT_TRUE(light);
        light->SetPosition(row.place);
        light->range = row.range;
        light->falloff = row.falloff;
        light->diffuseIntensity = row.intensity;
        light->UpdateMatrices();
        zList<zRenderLight*> out;
        out.Add(nullptr); // emptied first
        scene->CollectLights(zVector(0.0f, 0.0f, 0.0f), row.bounds, out, 8);
        ASSERT_EQ(out.GetCount(), row.collected ? 1u : 0u);
        if (row.collected) {
            EXPECT_EQ(out.GetAt(0), static_cast<zRenderLight*>(light));
        }
    }
}

TEST_F(LightTest, CollectLightsStopsAtTheCountInListOrder) {
    zMLight* lights[3];
    for (int i = 0; i < 3; ++i) {
        lights[i] = scene->AddLight("lamp", LightTypePoint, 1.0f);
        ASSERT_TRUE(lights[i]);
    }
    zList<zRenderLight*> out;
    scene->CollectLights(zVector(0.0f, 0.0f, 0.0f), NearBox, out, 2);
    ASSERT_EQ(out.GetCount(), 2u);
    EXPECT_EQ(out.GetAt(0), static_cast<zRenderLight*>(lights[0]));
    EXPECT_EQ(out.GetAt(1), static_cast<zRenderLight*>(lights[1]));
    scene->CollectLights(zVector(0.0f, 0.0f, 0.0f), NearBox, out, 0);
    EXPECT_EQ(out.GetCount(), 0u);
}

TEST_F(LightTest, SortLightsGivesTheActiveLightsNearestFirst) {
    const f32 distances[] = {5.0f, 1.0f, 3.0f, 2.0f};
    zMLight* lights[4];
    for (int i = 0; i < 4; ++i) {
        lights[i] = scene->AddLight("lamp", LightTypePoint, 1.0f);
        ASSERT_TRUE(lights[i]);
        lights[i]->SetPosition(zVector(0.0f, distances[i], 10.0f));
        lights[i]->UpdateMatrices();
    }
    lights[3]->diffuseIntensity = 0.0f; // inactive
    zList<zRenderLight*> out;
    scene->SortLights(zVector(0.0f, 0.0f, 10.0f), out, 8);
    ASSERT_EQ(out.GetCount(), 3u);
    EXPECT_EQ(out.GetAt(0), static_cast<zRenderLight*>(lights[1]));
    EXPECT_EQ(out.GetAt(1), static_cast<zRenderLight*>(lights[2]));
    EXPECT_EQ(out.GetAt(2), static_cast<zRenderLight*>(lights[0]));
    scene->SortLights(zVector(0.0f, 0.0f, 10.0f), out, 1);
    ASSERT_EQ(out.GetCount(), 1u);
    EXPECT_EQ(out.GetAt(0), static_cast<zRenderLight*>(lights[1]));
}

TEST(Light, RenderProjectionMatchesTheSpotProjectionAndRenderWorldTheItem) {
    zLight light;
    light.type = LightTypeSpot;
    light.SetPosition(zVector(1.0f, 2.0f, 3.0f));
    light.UpdateMatrices();
    const zMatrix4 world = light.GetRenderWorld();
    EXPECT_EQ(world.e[3], 1.0f);
    EXPECT_EQ(world.e[7], 2.0f);
    EXPECT_EQ(world.e[11], 3.0f);
    EXPECT_NEAR(light.GetRenderProjection().e[0], 0.57735f, 1e-5f);
    light.type = LightTypePoint;
    EXPECT_EQ(light.GetRenderProjection().e[14], 0.0f);
}

} // namespace
