// Material natives over a material "steel" whose stage 0 shows a diffuse
// texture; a second texture waits to be swapped in.
#include <gtest/gtest.h>

#include <string>

#include "render/material.h"
#include "render/texture.h"
#include "tests/scriptapi/api_fixture.h"
#include "tests/scriptapi/value_probe.h"

namespace {

class MaterialApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        value_probe::Register(V());
        material = zSharedPtr<zMaterial>(new zMaterial(&engine, &engine));
        material->SetName("steel");
        zTextureStage& stage = material->GetStage(0);
        stage.type = StageTypeDiffuse;
        stage.active = 1;
        stage.texture = first.Get();
        material->CheckStages();
        SetHandle("g_material", material.Get(), ScriptKindMaterial);
        SetHandle("g_first", first.Get(), ScriptKindTexture);
        SetHandle("g_second", second.Get(), ScriptKindTexture);
        SetHandle("g_noMaterial", nullptr, ScriptKindMaterial);
        log.Reset();
    }

    void TearDown() override {
        vm.Close();
        ScriptApiFixture::TearDown();
    }

    bool Logged(const std::string& line) const { return log.Text().find(line) != std::string::npos; }

    zSharedPtr<zTexture> first{new zTexture(&engine)};
    zSharedPtr<zTexture> second{new zTexture(&engine)};
    zSharedPtr<zMaterial> material;
};

TEST_F(MaterialApi, AStagesTextureIsSwapped) {
    EXPECT_EQ(Printed("MaterialChannelSetTexture(g_material, g_second, 0);"
                      "print(ObjectIsSame(MaterialChannelGetTexture(g_material, 0), g_second));"
                      "print(MaterialChannelGetActive(g_material, 0))"),
              "true\ntrue");
    EXPECT_EQ(material->GetStage(0).texture.Get(), second.Get());
    // The stage holds its own reference; the first texture is let go.
    EXPECT_EQ(second->GetRefCount(), 3u) << "test, script handle and stage";
    EXPECT_EQ(first->GetRefCount(), 2u) << "test and script handle";
}

TEST_F(MaterialApi, AMissingStageLogsAndAnswersMinusOne) {
    const struct {
        const char* script;
        const char* index;
    } cases[] = {
        {"print(MaterialChannelGetUVIndex(g_material, 7))", "7"},
        {"print(MaterialChannelGetActive(g_material, 6))", "6"},
        {"print(MaterialChannelSetTexture(g_material, g_second, -1))", "-1"},
        {"print(MaterialChannelSetActive(g_material, 6, true))", "6"},
        {"print(MaterialChannelSetUVIndex(g_material, 6, 1))", "6"},
        {"print(MaterialChannelGetTexture(g_material, 6))", "6"},
        {"print(MaterialChannelGetUVMatrix(g_material, 6))", "6"},
        {"print(MaterialChannelSetUVMatrix(g_material, 6, TestTranslation(1.0, 2.0, 3.0)))", "6"},
        {"print(MaterialStageGetChannel(g_material, 6))", "6"},
        {"print(MaterialStageSetChannel(g_material, 6, 2))", "6"},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(Printed(row.script), "-1") << row.script;
        EXPECT_TRUE(Logged(std::string("[!] Could not fetch texture stage (") + row.index +
                           ") from material 'steel'.\n"))
            << row.script << "\n"
            << log.Text();
    }
    EXPECT_EQ(material->GetStage(0).texture.Get(), first.Get());
}

// A bad argument is still the error it is, even with a missing stage.
TEST_F(MaterialApi, ArgumentErrorsComeBeforeTheStage) {
    const ScriptRow rows[] = {
        {"MaterialChannelSetTexture(g_material, g_material, 7)", "error: Expected 'Texture' got 'Material'"},
        {"MaterialChannelSetUVMatrix(g_material, 0, TestVector(1.0, 2.0, 3.0, 1.0))",
         "error: Invalid instance type"},
        {"MaterialGetName(g_first)", "error: Expected 'Material' got 'Texture'"},
        {"MaterialGetName(g_noMaterial)", "error: CObject is null"},
        {"MaterialSetAmbient(g_material, TestRotation(0.0, 0.0, 0.0, 0))", "error: Invalid instance type"},
        {"MaterialFlagSet(g_material, 8, 1)", "error: parameter 3 has an invalid type 'integer' ; expected: 'bool'"},
    };
    ExpectScripts(rows);
}

TEST_F(MaterialApi, NameAndColours) {
    const ScriptRow rows[] = {
        {"print(MaterialGetName(g_material))", "steel"},
        {"print(TestShow(MaterialGetSelfIllum(g_material)))", "0 0 0 1"},
        {"MaterialSetAmbient(g_material, TestVector(0.5, 0.25, 0.0, 1.0));"
         "print(TestShow(MaterialGetAmbient(g_material)))",
         "0.5 0.25 0 1"},
        {"MaterialSetSecular(g_material, TestVector(0.0, 1.0, 0.0, 0.5));"
         "print(TestShow(MaterialGetSpecular(g_material)))",
         "0 1 0 0.5"},
        {"MaterialSetDiffuse(g_material, TestVector(0.125, 0.0, 1.0, 1.0));"
         "print(TestShow(MaterialGetDiffuse(g_material)))",
         "0.125 0 1 1"},
        {"MaterialSetSelfIllum(g_material, TestVector(1.0, 1.0, 0.0, 1.0));"
         "print(TestShow(MaterialGetSelfIllum(g_material)))",
         "1 1 0 1"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(material->GetDiffuse()[0], 0.125f);
    EXPECT_EQ(material->GetSpecular()[3], 0.5f);
}

TEST_F(MaterialApi, FlagsAreSetAndCleared) {
    const ScriptRow rows[] = {
        {"print(MaterialFlagGet(g_material, 8))", "false"},
        {"MaterialFlagSet(g_material, 0x8 | 0x4000, true);"
         "print(MaterialFlagGet(g_material, 8) + \" \" + MaterialFlagGet(g_material, 0x4000))",
         "true true"},
        {"MaterialFlagSet(g_material, 8, false);"
         "print(MaterialFlagGet(g_material, 8) + \" \" + MaterialFlagGet(g_material, 0x4000))",
         "false true"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(material->GetFlags(), u32(MaterialFlagNoZTest));
}

TEST_F(MaterialApi, ChannelsAreStageTypes) {
    const ScriptRow rows[] = {
        {"print(MaterialHasChannel(g_material, 1) + \" \" + MaterialHasChannel(g_material, 6))", "true false"},
        {"print(MaterialStageGetChannel(g_material, 0))", "1"},
        // The stage-by-type table is rebuilt at once.
        {"MaterialStageSetChannel(g_material, 1, 6);"
         "print(MaterialStageGetChannel(g_material, 1) + \" \" + MaterialHasChannel(g_material, 6))",
         "6 true"},
        {"print(MaterialHasChannel(g_material, -1) + \" \" + MaterialHasChannel(g_material, 11))", "false false"},
    };
    ExpectScripts(rows);
}

TEST_F(MaterialApi, ActivityAndUVSetAreCheckedByTheUpdate) {
    const ScriptRow rows[] = {
        {"MaterialChannelSetActive(g_material, 0, false); print(MaterialChannelGetActive(g_material, 0))",
         "false"},
        {"MaterialChannelSetActive(g_material, 0, true); print(MaterialChannelGetActive(g_material, 0))", "true"},
        // Stage 1 has no texture: the update refuses it.
        {"MaterialChannelSetActive(g_material, 1, true); print(MaterialChannelGetActive(g_material, 1))", "false"},
        {"MaterialChannelSetUVIndex(g_material, 0, 2); print(MaterialChannelGetUVIndex(g_material, 0))", "2"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(Printed("MaterialChannelSetActive(g_material, 1, true)"), "");
    EXPECT_TRUE(Logged("[*] No stage texture in material 'steel', 'None' stage deactivated.\n")) << log.Text();
    // A UV set from 3 on deactivates the stage; one past a byte does not wrap
    // round to a valid set.
    const struct {
        const char* index;
        const char* stored;
    } invalid[] = {{"3", "3"}, {"256", "255"}, {"-1", "255"}};
    for (const auto& row : invalid) {
        EXPECT_EQ(Printed(std::string("MaterialChannelSetActive(g_material, 0, true);"
                                      "MaterialChannelSetUVIndex(g_material, 0, ") +
                          row.index +
                          ");"
                          "print(MaterialChannelGetUVIndex(g_material, 0) + \" \" + "
                          "MaterialChannelGetActive(g_material, 0))"),
                  std::string(row.stored) + " false")
            << row.index;
        EXPECT_TRUE(Logged("[*] Invalid UVmap index in material 'steel', 'Diffuse' stage deactivated.\n"))
            << log.Text();
    }
}

TEST_F(MaterialApi, TheUVMatrixReadsBackAsSet) {
    EXPECT_EQ(Printed("MaterialChannelSetUVMatrix(g_material, 2, TestTranslation(1.0, 2.0, 3.0));"
                      "print(TestShow(MaterialChannelGetUVMatrix(g_material, 2)) =="
                      "      TestShow(TestTranslation(1.0, 2.0, 3.0)));"
                      "print(TestShow(MaterialChannelGetUVMatrix(g_material, 0)) =="
                      "      TestShow(TestTranslation(0.0, 0.0, 0.0)))"),
              "true\ntrue");
    EXPECT_FALSE(material->GetStage(2).matrix.DiffersFrom(zMatrix4::Translation(zVector(1.0f, 2.0f, 3.0f))));
}

TEST_F(MaterialApi, UpdateRunsTheStageCheck) {
    material->GetStage(3).active = 1;
    EXPECT_EQ(Printed("MaterialUpdate(g_material)"), "");
    EXPECT_TRUE(Logged("[*] No stage texture in material 'steel', 'None' stage deactivated.\n")) << log.Text();
    EXPECT_EQ(material->GetStage(3).active, 0);
}

TEST_F(MaterialApi, TheShaderTreeIsRebuiltFromTheStages) {
    EXPECT_EQ(material->GetShaderMap(), nullptr);
    EXPECT_EQ(Printed("MaterialBuildShaderTreeFromFixedFunction(g_material)"), "");
    const zShaderMap* built = material->GetShaderMap();
    EXPECT_NE(built, nullptr);
    EXPECT_EQ(Printed("MaterialBuildShaderTreeFromFixedFunction(g_material)"), "");
    EXPECT_NE(material->GetShaderMap(), nullptr);
}

} // namespace
