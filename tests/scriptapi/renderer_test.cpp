// The Renderer and Writer group: g_render is the fixture's null renderer,
// "rec" a recording renderer opened at 1280 x 720 that keeps the lines,
// triangles, text and viewport it is given, "nr" a Renderer handle holding
// nothing.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "picture/picture.h"
#include "render/debug_draw.h"
#include "render/texture.h"
#include "scene/managed_camera.h"
#include "scene/scene.h"
#include "script/script_object.h"
#include "tests/scriptapi/api_fixture.h"
#include "tests/support/files.h"
#include "tests/support/recording_renderer.h"

namespace {

// A raster font of one page: line height 16, baseline 12, glyphs ' ' and 'A'.
const char* const FontDescription = "<ZML=1.0>\n<Font=<Common=<Height=16.0><BaseLine=12.0><PageCount=1>>"
                                    "<Char=<Id=32><U=0.0><V=0.0><W=0.1><H=0.1><Step=4.0><Page=0>>"
                                    "<Char=<Id=65><U=0.1><V=0.0><W=0.1><H=0.1><Step=9.0><Page=0>>>\n";

class RendererApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        ASSERT_TRUE(recorder.Open(1280, 720, 32, false));
        SetHandle("rec", &recorder, ScriptKindRenderer);
        SetHandle("nr", nullptr, ScriptKindRenderer);
        log.Reset();
    }

    void TearDown() override {
        recorder.SetViewItem(nullptr);
        ScriptApiFixture::TearDown();
    }

    RecordingRenderer recorder{&engine, false};
};

TEST_F(RendererApi, ViewportIsSetInFractionsOfTheOutput) {
    EXPECT_EQ(Printed("RendererSetViewport(rec, 0.5, 0, 0.5, 1)"), "");
    ASSERT_TRUE(recorder.viewportSet);
    EXPECT_EQ(recorder.viewport[0], 640);
    EXPECT_EQ(recorder.viewport[1], 0);
    EXPECT_EQ(recorder.viewport[2], 640);
    EXPECT_EQ(recorder.viewport[3], 720);
    // Each product is truncated: 0.3333 x 1280 = 426.6, 0.999 x 720 = 719.28.
    EXPECT_EQ(Printed("RendererSetViewport(rec, 0.3333, 0.25, 0.999, 0.999)"), "");
    EXPECT_EQ(recorder.viewport[0], 426);
    EXPECT_EQ(recorder.viewport[1], 180);
    EXPECT_EQ(recorder.viewport[2], 1278);
    EXPECT_EQ(recorder.viewport[3], 719);

    const ScriptRow rows[] = {
        // The output, not the viewport last set.
        {"local v = RendererGetViewport(rec); print(v.x + \" \" + v.y + \" \" + v.z + \" \" + v.w)",
         "0 0 1280 720"},
        {"print(typeof RendererGetViewport(rec))", "Vector"},
        {"RendererSetViewport(rec, \"0\", 0, 1, 1)",
         "error: parameter 2 has an invalid type 'string' ; expected: 'integer|float'"},
        {"RendererSetViewport(nr, 0, 0, 1, 1)", "error: CObject is null"},
    };
    ExpectScripts(rows);
}

TEST_F(RendererApi, AspectRatioSetterReturnsThePreviousRatio) {
    const ScriptRow rows[] = {
        {"print(RendererGetGlobalAspectRatio(g_render))", "1"},
        {"print(RendererSetGlobalAspectRatio(g_render, 1.5))", "1"},
        {"print(RendererSetGlobalAspectRatio(g_render, 2))", "1.5"},
        {"print(RendererGetGlobalAspectRatio(g_render))", "2"},
    };
    ExpectScripts(rows);
}

TEST_F(RendererApi, ControlAndSystemWordsSetAndTestMasks) {
    const ScriptRow rows[] = {
        {"RendererSetControlFlag(g_render, 4, true); print(RendererGetControlFlag(g_render, 6))", "true"},
        {"print(RendererGetControlFlag(g_render, 3))", "false"},
        // The Word names share the Flag natives.
        {"RendererSetControlWord(g_render, 6, false); print(RendererGetControlWord(g_render, 4))", "false"},
        {"RendererSetControlWord(g_render, RenderBloom | RenderMotionBlur, true);"
         "print(RendererGetControlFlag(g_render, RenderBloom) + \" \" + RendererGetControlFlag(g_render, 2))",
         "true false"},
        {"RendererSetSystemWord(g_render, 0x400, true); print(RendererGetSystemWord(g_render, 0x600))",
         "true"},
        {"print(RendererGetSystemWord(g_render, 0x200))", "false"},
        {"RendererSetControlFlag(g_render, 1.0, true)",
         "error: parameter 2 has an invalid type 'float' ; expected: 'integer'"},
        {"RendererGetSystemWord(g_engine, 1)", "error: Expected 'Renderer' got 'Engine'"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(renderer.GetControlWordValue(), u32(ControlBloom | ControlMotionBlur));
    EXPECT_EQ(renderer.GetSystemWordValue(), 0x400u);
}

TEST_F(RendererApi, RegistryKeysKeepTheirTypes) {
    const ScriptRow rows[] = {
        {"RendererRegistrySetKey(g_render, \"Antialising:Enable;\", true);"
         "print(RendererRegistryGetKey(g_render, \"Antialising:Enable;\"))",
         "true"},
        {"print(RendererRegistryGetKey(g_render, \"Missing:Key;\"))", "-1"},
        {"RendererRegistrySetKey(g_render, \"Video:Gamma;\", 1.25); print(RendererRegistryGetKey(g_render, "
         "\"Video:Gamma;\"))",
         "1.25"},
        {"RendererRegistrySetKey(g_render, \"Video:Width;\", 640);"
         "local w = RendererRegistryGetKey(g_render, \"Video:Width;\"); print(typeof w + \" \" + w)",
         "integer 640"},
        {"RendererRegistrySetKey(g_render, \"Name\", \"null\"); print(RendererRegistryGetKey(g_render, "
         "\"Name\"))",
         "null"},
        // A tag without a value of its own reads as -1.
        {"print(RendererRegistryGetKey(g_render, \"Video\"))", "-1"},
        {"RendererRegistryGetKey(g_render, 1)",
         "error: parameter 2 has an invalid type 'integer' ; expected: 'string'"},
    };
    ExpectScripts(rows);

    // An unsupported value still makes the key, empty, and is logged.
    EXPECT_EQ(Printed("RendererRegistrySetKey(g_render, \"Odd:Table;\", {});"
                      "print(RendererRegistryGetKey(g_render, \"Odd:Table;\"))"),
              "-1");
    EXPECT_NE(log.Text().find("[*] Incorrect binding argument count.\n"), std::string::npos) << log.Text();
    EXPECT_NE(renderer.GetRegistry().GetKey("Odd:Table;"), nullptr);
    // A supported one does not log.
    EXPECT_EQ(Printed("RendererRegistrySetKey(g_render, \"Odd:Table;\", 3)"), "");
    EXPECT_EQ(log.Text().find("Incorrect binding"), std::string::npos) << log.Text();
}

TEST_F(RendererApi, FogIsSetWithItsCorrections) {
    const ScriptRow rows[] = {
        {"RendererSetFog(g_render, true, Vector(0.1, 0.2, 0.3, 0.4), 10, 100);"
         "print(RendererGetFogNear(g_render) + \" \" + RendererGetFogFar(g_render))",
         "10 100"},
        // A near below 0.001 keeps the previous one; a far not past near
        // becomes near + 0.001.
        {"RendererSetFog(g_render, false, Vector(0, 0, 0, 1), 0.0005, 5);"
         "print(RendererGetFogNear(g_render) + \" \" + RendererGetFogFar(g_render))",
         "10 10.001"},
        {"RendererSetFog(g_render, true, UV(1, 2), 1, 2)", "error: invalid type tag"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(Printed("RendererSetFog(g_render, true, Vector(0.1, 0.2, 0.3, 0.4), 10, 100)"), "");
    const zFogState& fog = renderer.GetFog();
    EXPECT_TRUE(fog.enabled);
    EXPECT_FLOAT_EQ(fog.color[0], 0.1f);
    EXPECT_FLOAT_EQ(fog.color[3], 0.4f);
}

TEST_F(RendererApi, LinesAndCrossesAreDrawnWithOpaqueColours) {
    EXPECT_EQ(Printed("RendererDrawLine(rec, Vector(1, 2, 3, 7), Vector(4, 5, 6))"), "");
    ASSERT_EQ(recorder.lines.size(), 1u);
    EXPECT_EQ(recorder.lines[0].color, nullptr);
    EXPECT_FLOAT_EQ(recorder.lines[0].from.w, 1.0f); // a point
    EXPECT_FLOAT_EQ(recorder.lines[0].to.z, 6.0f);

    EXPECT_EQ(
        Printed("RendererDrawLineColored(rec, Vector(0, 0, 0), Vector(1, 0, 0), Vector(0.5, 0.25, 1, 0.25))"),
        "");
    ASSERT_EQ(recorder.lines.size(), 2u);
    const RecordedColor& color = recorder.lines[1].colorValue;
    ASSERT_NE(color.pointer, nullptr);
    EXPECT_FLOAT_EQ(color.rgba[0], 0.5f);
    EXPECT_FLOAT_EQ(color.rgba[1], 0.25f);
    EXPECT_FLOAT_EQ(color.rgba[3], 1.0f);

    recorder.lines.clear();
    EXPECT_EQ(Printed("RendererDrawCross(rec, Vector(1, 2, 3))"), "");
    EXPECT_EQ(recorder.CountShape([](zRenderer* r) { DrawCross(r, zVector(1, 2, 3), 1.0f); }), 1);
    EXPECT_EQ(Printed("RendererDrawCrossColored(rec, Vector(1, 2, 3), Vector(0, 1, 0, 0))"), "");
    const f32 green[4] = {0.0f, 1.0f, 0.0f, 1.0f};
    EXPECT_EQ(recorder.CountShape([&](zRenderer* r) { DrawCross(r, zVector(1, 2, 3), 1.0f, green); }), 1);

    const ScriptRow errors[] = {
        {"RendererDrawLine(rec, UV(1, 2), Vector())", "error: Invalid instance type"},
        {"RendererDrawCrossColored(rec, Vector(), 1)",
         "error: parameter 3 has an invalid type 'integer' ; expected: 'instance'"},
        {"RendererDrawCross(nr, Vector())", "error: CObject is null"},
    };
    ExpectScripts(errors);
}

TEST_F(RendererApi, TrianglesKeepTheirColourAndFlags) {
    EXPECT_EQ(Printed("RendererDrawTriangle(rec, Vector(0, 0, 0, 2), Vector(1, 0, 0), Vector(0, 1, 0),"
                      " Vector(1, 0.5, 0, 0.25), MaterialRenderAdd | MaterialRenderNoZTest)"),
              "");
    ASSERT_EQ(recorder.triangles.size(), 1u);
    const RecordedTriangle& plain = recorder.triangles[0];
    EXPECT_FLOAT_EQ(plain.corners[0].w, 2.0f); // exact
    EXPECT_FLOAT_EQ(plain.colorValue.rgba[3], 0.25f);
    EXPECT_EQ(plain.uvs, nullptr);
    EXPECT_EQ(plain.texture, nullptr);
    EXPECT_EQ(plain.flags, 4u | 16384u);

    zSharedPtr<zTexture> texture(new zTexture(&engine));
    SetHandle("tex", texture.Get(), ScriptKindTexture);
    SetHandle("ntex", nullptr, ScriptKindTexture);
    EXPECT_EQ(Printed("RendererDrawTriangleTextured(rec, Vector(), Vector(1, 0, 0), Vector(0, 1, 0), tex,"
                      " UV(0, 0), UV(1, 0), UV(0.5, 1), Vector(1, 1, 1, 0.5), MaterialRenderDoubleSided)"),
              "");
    ASSERT_EQ(recorder.triangles.size(), 2u);
    const RecordedTriangle& textured = recorder.triangles[1];
    EXPECT_EQ(textured.texture, texture.Get());
    EXPECT_EQ(textured.flags, 8u);
    EXPECT_FLOAT_EQ(textured.colorValue.rgba[3], 0.5f);

    const ScriptRow errors[] = {
        {"RendererDrawTriangleTextured(rec, Vector(), Vector(), Vector(), ntex, UV(), UV(), UV(), Vector(), "
         "0)",
         "error: CObject is null"},
        {"RendererDrawTriangleTextured(rec, Vector(), Vector(), Vector(), tex, Vector(), UV(), UV(), "
         "Vector(), 0)",
         "error: invalid type tag"},
        {"RendererDrawTriangle(rec, Vector(), Vector(), Vector(), Vector(), 1.5)",
         "error: parameter 6 has an invalid type 'float' ; expected: 'integer'"},
    };
    ExpectScripts(errors);
    EXPECT_EQ(recorder.triangles.size(), 2u);
}

TEST_F(RendererApi, StatisticsTableHoldsThreeCounters) {
    renderer.AddStatistic(StatisticObjectSent, 7);
    renderer.AddStatistic(StatisticObjectDrawn, 5);
    renderer.AddStatistic(StatisticTriangleDrawn, 120);
    renderer.AddStatistic(StatisticLightDrawn, 2);
    const char* const show =
        "local s = RendererGetStatistics(g_render); local n = 0; foreach (k, v in s) ++n;"
        "print(n + \" \" + s.object_sent + \" \" + s.object_drawn + \" \" + s.triangle_drawn)";
    EXPECT_EQ(Printed(show), "3 7 5 120");
    EXPECT_EQ(Printed("RendererResetStatistics(g_render)"), "");
    EXPECT_EQ(Printed(show), "3 0 0 0");
    EXPECT_EQ(renderer.GetStatistic(StatisticLightDrawn), 0u);
}

TEST_F(RendererApi, WriterFontsLoadAndDieWithTheirHandle) {
    WriteFile("font.zml", FontDescription);
    WriteFile("font_00.tga", SmallTgaFile());
    const ScriptRow rows[] = {
        {"local f = RendererLoadWriterFont(g_render, \"font.zml\", \"font\");"
         "print(f.type() + \" \" + WriterFontGetLineHeight(f) + \" \" + WriterFontGetBaseline(f))",
         "11 16 12"},
        {"local f = RendererLoadWriterFont(g_render, \"absent.zml\", \"font\"); print(ObjectIsValid(f))",
         "false"},
        {"WriterFontGetLineHeight(RendererLoadWriterFont(g_render, \"absent.zml\", \"x\"))",
         "error: CObject is null"},
        {"WriterFontGetBaseline(g_render)", "error: Expected 'Raster Font' got 'Renderer'"},
        {"RendererLoadWriterFont(nr, \"font.zml\", \"font\")", "error: CObject is null"},
    };
    ExpectScripts(rows);

    // The handle owns the font: the font's page reference goes with it.
    ASSERT_EQ(Printed("font <- RendererLoadWriterFont(g_render, \"font.zml\", \"font\")"), "");
    zTexture* page = engine.LoadTexture("font_00.tga", false, false);
    ASSERT_NE(page, nullptr);
    const u32 held = page->GetRefCount();
    EXPECT_EQ(Printed("font = null"), "");
    EXPECT_EQ(page->GetRefCount(), held - 1);
    EXPECT_EQ(log.Text().find("lifetime should not be managed"), std::string::npos) << log.Text();
}

TEST_F(RendererApi, WriteHandsItsArgumentsOn) {
    WriteFile("font.zml", FontDescription);
    WriteFile("font_00.tga", SmallTgaFile());
    EXPECT_EQ(
        Printed(
            "font <- RendererLoadWriterFont(g_render, \"font.zml\", \"font\");"
            "RendererWrite(rec, font, \"AA\", 0.25, 0.5, 2, true, WriterAlignRight, Vector(1, 0, 0, 0.5))"),
        "");
    ASSERT_EQ(recorder.writes.size(), 1u);
    const RecordedWrite& write = recorder.writes[0];
    ASSERT_NE(write.font, nullptr);
    EXPECT_FLOAT_EQ(write.font->GetHeight(), 16.0f);
    EXPECT_EQ(write.text, "AA");
    EXPECT_FLOAT_EQ(write.x, 0.25f);
    EXPECT_FLOAT_EQ(write.y, 0.5f);
    EXPECT_FLOAT_EQ(write.size, 2.0f);
    EXPECT_TRUE(write.flag);
    EXPECT_EQ(write.value, 2);
    EXPECT_FLOAT_EQ(write.color.rgba[0], 1.0f);
    EXPECT_FLOAT_EQ(write.color.rgba[3], 0.5f);

    const ScriptRow errors[] = {
        {"RendererWrite(rec, font, \"A\", 0, 0, 1, false, 0, UV(1, 1))", "error: Invalid instance type"},
        {"RendererWrite(rec, RendererLoadWriterFont(rec, \"absent.zml\", \"x\"), \"A\", 0, 0, 1, false, 0, "
         "Vector())",
         "error: CObject is null"},
        {"RendererWrite(nr, font, \"A\", 0, 0, 1, false, 0, Vector())", "error: CObject is null"},
        {"RendererWrite(rec, g_render, \"A\", 0, 0, 1, false, 0, Vector())",
         "error: Expected 'Raster Font' got 'Renderer'"},
    };
    ExpectScripts(errors);
    EXPECT_EQ(recorder.writes.size(), 1u);
}

TEST_F(RendererApi, ViewItemMustBeACamera) {
    WriteFile("view.zms", "<ZML=1.0>\n<Scene=<Items=\n"
                          "<MCamera=<MItem=<Id=\"eye\"><UId=0><Active>>>\n"
                          "<MObject=<MItem=<Id=\"box\"><UId=1><Active>><Object=<Item=>>>\n"
                          ">>\n");
    auto scene = std::make_unique<zScene>(&engine, &vm);
    SetHandle("s", scene.get(), ScriptKindScene);
    ASSERT_EQ(Printed("print(SceneFromFile(s, \"view.zms\"))"), "true");
    const ScriptRow rows[] = {
        {"RendererSetViewItemAndApplyView(rec, SceneFindItem(s, \"box\"))", "error: Item is not a camera"},
        {"RendererSetViewItemAndApplyView(rec, NullItem)", "error: CObject is null"},
        {"RendererSetViewItemAndApplyView(rec, g_engine)", "error: Expected 'Item' got 'Engine'"},
        {"RendererSetViewItemAndApplyView(rec, SceneFindItem(s, \"eye\")); print(\"viewed\")", "viewed"},
    };
    ExpectScripts(rows);
    auto* eye = dynamic_cast<zMCamera*>(scene->FindItem("eye", nullptr));
    ASSERT_NE(eye, nullptr);
    EXPECT_EQ(recorder.GetViewItem(), static_cast<zRenderViewItem*>(eye));
    recorder.SetViewItem(nullptr);
}

TEST_F(RendererApi, OutputTextureClippingPlaneAndCleanFlag) {
    zSharedPtr<zTexture> texture(new zTexture(&engine));
    SetHandle("tex", texture.Get(), ScriptKindTexture);
    SetHandle("ntex", nullptr, ScriptKindTexture);
    EXPECT_EQ(Printed("RendererSetOutputTexture(g_render, tex)"), "");
    EXPECT_EQ(renderer.GetOutputTexture(), texture.Get());
    // A null handle renders to the window again.
    EXPECT_EQ(Printed("RendererSetOutputTexture(g_render, ntex)"), "");
    EXPECT_EQ(renderer.GetOutputTexture(), nullptr);

    EXPECT_EQ(Printed("RendererSetCleanResourceOnSetup(g_render, false)"), "");
    EXPECT_FALSE(renderer.GetCleanResourceOnSetup());

    zPicture picture;
    SetHandle("pic", &picture, ScriptKindPicture);
    const ScriptRow rows[] = {
        {"RendererSetClippingPlane(g_render, Vector(0, 1, 0), Vector(0, 1, 0)); "
         "RendererClearClippingPlane(g_render);"
         "RendererClearFrame(g_render, 0.1, 0.2, 0.3); RendererRenderQueue(g_render);"
         "RendererRenderQueueReset(g_render); RendererGrabDisplayToPicture(g_render, pic); print(\"drawn\")",
         "drawn"},
        {"RendererSetClippingPlane(g_render, Vector(), 5)",
         "error: parameter 3 has an invalid type 'integer' ; expected: 'instance'"},
        {"RendererGrabDisplayToPicture(g_render, tex)", "error: Expected 'Picture' got 'Texture'"},
        {"RendererSetOutputTexture(g_render, pic)", "error: Expected 'Texture' got 'Picture'"},
        {"RendererClearFrame(g_render, 0, 0)", "error: wrong number of parameters"},
    };
    ExpectScripts(rows);
}

TEST_F(RendererApi, ConstantsHaveTheirValues) {
    const ScriptRow rows[] = {
        {"print(RenderVSync + \" \" + RenderMotionBlur + \" \" + RenderShadowMapping + \" \" + RenderBloom + "
         "\" \" + "
         "RenderDepthOfField)",
         "2048 1 2 8 32"},
        {"print(MaterialRenderDefault + \" \" + MaterialRenderAdd + \" \" + MaterialRenderDoubleSided + \" "
         "\" + "
         "MaterialRenderNoZWrite + \" \" + MaterialRenderNoZTest)",
         "0 4 8 8192 16384"},
        {"print(WriterAlignLeft + \" \" + WriterAlignMiddle + \" \" + WriterAlignRight)", "0 1 2"},
    };
    ExpectScripts(rows);
}

} // namespace
