#include <gtest/gtest.h>

#include <cmath>

#include "render/raytrace/light_model.h"
#include "tests/support/log_capture.h"

namespace {

constexpr f32 Degree = 3.14159265358979f / 180.0f;

zRayLight Directional() {
    zRayLight light;
    light.type = RayLightDirectional; // identity: shines along +Z
    return light;
}

zRayLight AtPosition(u32 type, const zVector& position, f32 range) {
    zRayLight light;
    light.type = type;
    light.world.SetRow(3, position, true);
    light.range = range;
    return light;
}

zRayLight Spot(f32 inner, f32 falloff) {
    zRayLight light = AtPosition(RayLightSpot, zVector(0, 0, 0), 0.0f);
    light.innerAngle = inner * Degree;
    light.falloffAngle = falloff * Degree;
    return light;
}

// A point seen from the origin at angle degrees off +Z, facing the origin.
zVector OffAxis(f32 angle) {
    return zVector(5.0f * std::sin(angle * Degree), 0.0f, 5.0f * std::cos(angle * Degree));
}

TEST(EvaluateLight, DiffuseTable) {
    struct Case {
        const char* name;
        zRayLight light;
        zVector point;
        zVector normal;
        bool reached;
        f32 diffuse;
    };
    zRayLight doubled = Directional();
    doubled.diffuseIntensity = 2.0f;
    const Case cases[] = {
        {"directional along +Z", Directional(), zVector(3, 4, 5), zVector(0, 0, -1), true, 1.0f},
        {"directional intensity 2", doubled, zVector(0, 0, 0), zVector(0, 0, -1), true, 2.0f},
        {"point at half its range", AtPosition(RayLightPoint, zVector(0, 0, -5), 10.0f), zVector(0, 0, 0),
         zVector(0, 0, -1), true, 0.5f},
        {"point at its range", AtPosition(RayLightPoint, zVector(0, 0, -10), 10.0f), zVector(0, 0, 0),
         zVector(0, 0, -1), false, 0.0f},
        {"range 0 does not attenuate", AtPosition(RayLightPoint, zVector(0, 0, -100), 0.0f), zVector(0, 0, 0),
         zVector(0, 0, -1), true, 1.0f},
        {"spot inside the falloff", Spot(30, 30), OffAxis(45), OffAxis(45).Normalize().MulReal(-1), true,
         0.5f},
        {"spot inside the cone", Spot(30, 30), OffAxis(20), OffAxis(20).Normalize().MulReal(-1), true, 1.0f},
        {"spot beyond the falloff", Spot(30, 30), OffAxis(61), OffAxis(61).Normalize().MulReal(-1), false,
         0.0f},
        {"surface facing away", Directional(), zVector(0, 0, 0), zVector(0, 0, 1), false, 0.0f},
        {"surface edge-on", Directional(), zVector(0, 0, 0), zVector(1, 0, 0), false, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        f32 diffuse = -1.0f;
        EXPECT_EQ(EvaluateLight(c.light, c.point, c.normal, &diffuse, nullptr, nullptr, 0.5f, false, false),
                  c.reached);
        EXPECT_NEAR(diffuse, c.diffuse, 1e-4);
    }
}

TEST(EvaluateLight, SpecularForms) {
    zRayLight light = Directional();
    light.specularIntensity = 2.0f;
    const zVector normal(0, 0, -1);
    // R = (0, 0, -1); a view at R . V = 0.99.
    const zVector view(std::sqrt(1.0f - 0.99f * 0.99f), 0.0f, -0.99f);
    f32 diffuse = 0.0f, specular = 0.0f;
    ASSERT_TRUE(
        EvaluateLight(light, zVector(0, 0, 0), normal, &diffuse, &specular, &view, 0.5f, false, false));
    EXPECT_NEAR(specular, 2.0f * std::pow(0.99f, 48.0f), 1e-4);
    EXPECT_NEAR(std::pow(0.99f, 48.0f), 0.6173f, 1e-4);

    // Half vector: a view along L gives N . H = 1.
    const zVector alongLight(0, 0, -1);
    ASSERT_TRUE(
        EvaluateLight(light, zVector(0, 0, 0), normal, nullptr, &specular, &alongLight, 0.5f, true, false));
    EXPECT_NEAR(specular, 2.0f, 1e-5);

    // A view behind the reflection gets nothing; no view gets 0.
    const zVector behind(0, 0, 1);
    ASSERT_TRUE(
        EvaluateLight(light, zVector(0, 0, 0), normal, nullptr, &specular, &behind, 0.5f, false, false));
    EXPECT_EQ(specular, 0.0f);
    specular = -1.0f;
    ASSERT_TRUE(
        EvaluateLight(light, zVector(0, 0, 0), normal, &diffuse, &specular, nullptr, 0.5f, false, false));
    EXPECT_EQ(specular, 0.0f);
}

TEST(EvaluateLight, CookTorranceWarnsAndGivesNoSpecular) {
    LogCapture log;
    zRayLight light = Directional();
    light.specularIntensity = 1.0f;
    const zVector view(0, 0, -1);
    f32 diffuse = 0.0f, specular = -1.0f;
    EXPECT_TRUE(EvaluateLight(light, zVector(0, 0, 0), zVector(0, 0, -1), &diffuse, &specular, &view, 0.5f,
                              false, true));
    EXPECT_EQ(specular, 0.0f);
    EXPECT_FLOAT_EQ(diffuse, 1.0f);
    EXPECT_EQ(log.Text(), "[*] Cook-Torrance specular model not implemented.\n");
}

TEST(EvaluateLight, NoOutputWantedIsFalse) {
    EXPECT_FALSE(EvaluateLight(Directional(), zVector(0, 0, 0), zVector(0, 0, -1), nullptr, nullptr, nullptr,
                               0.5f, false, false));
}

} // namespace
