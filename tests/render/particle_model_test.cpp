#include "render/particle_model.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "markup/meta_tag.h"
#include "tests/render/material_fixtures.h"
#include "tests/support/log_capture.h"

namespace {

f32 At(const zParticleModel& model, u32 curve, f32 age) {
    f32 value = -99.0f;
    model.GetCurve(curve).Evaluate(age, value, LoopModeConstant);
    return value;
}

struct ParticleModelTest : ::testing::Test {
    FakeMaterialHost host;
    zSharedPtr<zParticleModel> model{new zParticleModel(&host, &host)};

    bool Parse(const std::string& body) {
        MaterialDocument document(body);
        return model->ParseTag(document.root);
    }
};

TEST_F(ParticleModelTest, Defaults) {
    EXPECT_EQ(model->ttl, 4.0f);
    EXPECT_EQ(model->damping, 1.0f);
    EXPECT_FALSE(model->gravity.DiffersFrom(zVector(0.0f, 0.0f, 0.0f, 1.0f)));
    EXPECT_EQ(model->gravity.w, 1.0f);
    ASSERT_NE(model->GetMaterial(), nullptr);
    // Angle 0; size and colours 1, with no keys at any age.
    const f32 expected[zParticleModel::CurveCount] = {0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
    for (u32 curve = 0; curve < zParticleModel::CurveCount; ++curve)
        EXPECT_EQ(At(*model, curve, 2.5f), expected[curve]) << zParticleModel::CurveTagNames[curve];
}

TEST_F(ParticleModelTest, ReaderTakesEveryChildAndMarksTheMaterial) {
    LogCapture log;
    ASSERT_TRUE(
        Parse("<ParticleModel=<Material=<Id=\"smoke\">><TTL=2.5><Damping=0.5><Gravity=<X=0><Y=-9.8><Z=1>>"
              "<SizeCurve=<Curve=<Knot=<Count=2><Knot=\"0:1\"><Knot=\"1:3\">>>>"
              "<AngleCurve=<Curve=<Knot=<Count=1><Knot=\"0:0.5\">>>>>"));
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(model->ttl, 2.5f);
    EXPECT_EQ(model->damping, 0.5f);
    EXPECT_FALSE(model->gravity.DiffersFrom(zVector(0.0f, -9.8f, 1.0f)));
    EXPECT_EQ(model->GetMaterial()->GetName(), "smoke");
    EXPECT_EQ(model->GetMaterial()->GetFlags() & MaterialFlagParticle, MaterialFlagParticle);
    EXPECT_FLOAT_EQ(At(*model, zParticleModel::CurveSize, 0.5f), 2.0f);
    EXPECT_FLOAT_EQ(At(*model, zParticleModel::CurveAngle, 3.0f), 0.5f);
    EXPECT_EQ(At(*model, zParticleModel::CurveRed, 0.5f), 1.0f);
}

TEST_F(ParticleModelTest, AnEmptyModelStillMarksItsMaterial) {
    ASSERT_TRUE(Parse("<ParticleModel>"));
    EXPECT_EQ(model->GetMaterial()->GetFlags(), MaterialFlagParticle);
}

TEST_F(ParticleModelTest, ReaderWarnings) {
    const struct {
        const char* body;
        bool result;
        const char* log;
    } cases[] = {
        {"<Model=<TTL=1>>", false, "[!] Could not parse particle model. Root tag id is incorrect (Model).\n"},
        {"<ParticleModel=<Speed=1>>", true, "[*] Unknown tag 'Speed' in <ParticleModel>.\n"},
        // A curve tag without its "Curve" child is not read.
        {"<ParticleModel=<RedCurve=<Knot=1>>>", true, "[*] Unknown tag 'RedCurve' in <ParticleModel>.\n"},
    };
    for (const auto& entry : cases) {
        LogCapture log;
        EXPECT_EQ(Parse(entry.body), entry.result) << entry.body;
        EXPECT_EQ(log.Text(), entry.log) << entry.body;
    }
}

TEST_F(ParticleModelTest, AddColorKeyKeysTheFourColourCurves) {
    model->AddColorKey(0.0f, 1.0f, 0.5f, 0.25f, 1.0f);
    model->AddColorKey(2.0f, 0.0f, 0.0f, 0.0f, 0.0f);
    for (u32 curve : {zParticleModel::CurveRed, zParticleModel::CurveGreen, zParticleModel::CurveBlue,
                      zParticleModel::CurveOpacity}) {
        ASSERT_EQ(model->GetCurve(curve).GetKeyCount(), 2u);
        EXPECT_EQ(model->GetCurve(curve).GetKey(1)->type, CurveKindLinear);
    }
    EXPECT_EQ(model->GetCurve(zParticleModel::CurveSize).GetKeyCount(), 0u);
    EXPECT_FLOAT_EQ(At(*model, zParticleModel::CurveRed, 1.0f), 0.5f);
    EXPECT_FLOAT_EQ(At(*model, zParticleModel::CurveGreen, 1.0f), 0.25f);
    EXPECT_FLOAT_EQ(At(*model, zParticleModel::CurveBlue, 1.0f), 0.125f);
    EXPECT_FLOAT_EQ(At(*model, zParticleModel::CurveOpacity, 1.0f), 0.5f);
}

TEST_F(ParticleModelTest, WriterOrderAndRoundTrip) {
    model->ttl = 3.0f;
    model->damping = 0.25f;
    model->gravity = zVector(0.0f, -2.0f, 0.0f);
    model->AddColorKey(0.0f, 1.0f, 1.0f, 1.0f, 1.0f);
    model->AddColorKey(1.0f, 0.0f, 0.5f, 0.0f, 0.0f);
    std::unique_ptr<zMetaTag> tag(model->SerializeTag());
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(ChildNames(tag.get()),
              "Material TTL Damping Gravity AngleCurve SizeCurve RedCurve GreenCurve BlueCurve OpacityCurve");
    const std::string text = MaterialTagText(tag.release());

    zSharedPtr<zParticleModel> copy(new zParticleModel(&host, &host));
    MaterialDocument document(text.c_str(), text.size());
    LogCapture log;
    ASSERT_TRUE(copy->ParseTag(document.root));
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(copy->ttl, 3.0f);
    EXPECT_EQ(copy->damping, 0.25f);
    EXPECT_FALSE(copy->gravity.DiffersFrom(zVector(0.0f, -2.0f, 0.0f)));
    EXPECT_FLOAT_EQ(At(*copy, zParticleModel::CurveGreen, 0.5f), 0.75f);
    EXPECT_EQ(copy->GetCurve(zParticleModel::CurveSize).GetKeyCount(), 0u);
    // The material reader adds a shader map and the particle flag, so the
    // text is stable from the first reload on.
    const std::string reloaded = MaterialTagText(copy->SerializeTag());
    zSharedPtr<zParticleModel> again(new zParticleModel(&host, &host));
    MaterialDocument second(reloaded.c_str(), reloaded.size());
    ASSERT_TRUE(again->ParseTag(second.root));
    EXPECT_EQ(MaterialTagText(again->SerializeTag()), reloaded);
}

} // namespace
