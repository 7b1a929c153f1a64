// Light natives over a point light of a small scene.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/scriptapi/item_parts_fixture.h"

namespace {

using LightApi = ItemPartsApi;

TEST_F(LightApi, ALightTurnedRedAndOff) {
    EXPECT_EQ(Printed("LightSetDiffuseColor(g_light, TestVector(1.0, 0.0, 0.0, 1.0));"
                      "LightSetDiffuseIntensity(g_light, 0);"
                      "print(TestShow(LightGetDiffuseColor(g_light)));"
                      "print(LightGetDiffuseIntensity(g_light));"),
              "1 0 0 1\n0");
    EXPECT_EQ(lamp->diffuse.x, 1.0f);
    EXPECT_EQ(lamp->diffuse.y, 0.0f);
    EXPECT_EQ(lamp->diffuseIntensity, 0.0f);
    // Off, a managed light no longer counts as active.
    EXPECT_FALSE(lamp->IsActive());
}

TEST_F(LightApi, ValuesReadBackAsSet) {
    const ScriptRow rows[] = {
        {"LightSetSpecularColor(g_light, TestVector(0.25, 0.5, 0.75, 0.5));"
         "print(TestShow(LightGetSpecularColor(g_light)))",
         "0.25 0.5 0.75 0.5"},
        {"LightSetSpecularIntensity(g_light, 2.5); print(LightGetSpecularIntensity(g_light))", "2.5"},
        // Integers are numbers too ("n").
        {"LightSetDiffuseIntensity(g_light, 3); print(LightGetDiffuseIntensity(g_light))", "3"},
        {"LightSetConeAngle(g_light, 0.25); LightSetEdgeAngle(g_light, 0.125);"
         "print(LightGetConeAngle(g_light) + \" \" + LightGetEdgeAngle(g_light))",
         "0.25 0.125"},
        {"LightSetRange(g_light, 40); print(LightGetRange(g_light))", "40"},
        {"LightSetVolumeRange(g_light, 75.5); print(LightGetVolumeRange(g_light))", "75.5"},
        {"print(LightGetType(g_light)); LightSetType(g_light, 3); print(LightGetType(g_light))", "1\n3"},
        // The colour a new light starts with.
        {"print(TestShow(LightGetDiffuseColor(g_light)))", "1 1 1 1"},
    };
    ExpectScripts(rows);
}

TEST_F(LightApi, TheSpotAnglesShapeTheLightsProjection) {
    Printed("LightSetType(g_light, 3); LightSetConeAngle(g_light, 0.5); LightSetEdgeAngle(g_light, 0.25);");
    ASSERT_EQ(lamp->type, LightTypeSpot);
    EXPECT_FLOAT_EQ(lamp->GetSpotFov(), 1.5f);
    EXPECT_NEAR(lamp->GetProjectionMatrix().e[0], 1.0f / std::tan(0.75f), 1e-5f);
}

TEST_F(LightApi, TheProjectionTextureIsTheHandlesTexture) {
    zSharedPtr<zTexture> texture = NewTexture();
    SetHandle("g_texture", texture.Get(), ScriptKindTexture);
    EXPECT_EQ(Printed("LightSetProjectionTexture(g_light, g_texture)"), "");
    EXPECT_EQ(lamp->GetProjectionTexture(), texture.Get());
    EXPECT_EQ(Printed("LightSetProjectionTexture(g_light, g_light)"), "error: Expected 'Texture' got 'Light'");
    EXPECT_EQ(lamp->GetProjectionTexture(), texture.Get());
}

TEST_F(LightApi, TheItemOfALightIsTheSameManagedItem) {
    const ScriptRow rows[] = {
        {"print(ObjectIsSame(LightGetItem(g_light), g_lampItem))", "true"},
        {"LightGetType(LightGetItem(g_light))", "error: Expected 'Light' got 'Item'"},
    };
    ExpectScripts(rows);
}

TEST_F(LightApi, ArgumentErrors) {
    const ScriptRow rows[] = {
        {"LightGetType(g_camera)", "error: Expected 'Light' got 'Camera'"},
        {"LightGetRange(g_lampItem)", "error: Expected 'Light' got 'Item'"},
        {"LightGetRange(g_noLight)", "error: CObject is null"},
        {"LightSetDiffuseColor(g_light, TestTranslation(1.0, 2.0, 3.0))", "error: Invalid instance type"},
        {"LightSetType(g_light, 2.0)", "error: parameter 2 has an invalid type 'float' ; expected: 'integer'"},
        {"LightSetRange(g_light, \"far\")",
         "error: parameter 2 has an invalid type 'string' ; expected: 'integer|float'"},
        {"LightGetRange(g_light, 1)", "error: wrong number of parameters"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(lamp->type, LightTypePoint);
}

TEST_F(LightApi, AHandleOfADeletedLightIsDead) {
    delete lamp;
    lamp = nullptr;
    const ScriptRow rows[] = {
        {"print(ObjectIsValid(g_light) + \" \" + ObjectIsValid(g_lampItem))", "false false"},
        {"LightGetRange(g_light)", "error: Expected 'Light' got 'Deleted native'"},
    };
    ExpectScripts(rows);
}

} // namespace
