// Raytracer natives over the patch scene read from its file (g_scene).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "render/raytrace/raytracer.h"
#include "scene/scene.h"
#include "script/script_api.h"
#include "tests/scriptapi/api_fixture.h"
#include "tests/support/files.h"
#include "tests/support/patch_scene.h"

namespace {

class RaytracerApi : public ScriptApiFixture {
  public:
    void SetUp() override {
        ScriptApiFixture::SetUp();
        WriteFile("t.zms", PatchSceneFile);
        WriteFile("patch.zml", PatchGeometryFile);
        scene = zSharedPtr<zScene>(new zScene(&engine, &vm));
        ASSERT_TRUE(scene->LoadFromFile("t.zms"));
        SetHandle("g_scene", scene.Get(), ScriptKindScene);
        SetHandle("g_noEngine", nullptr, ScriptKindEngine);
        // Frames go to the scratch folder by absolute path: writes go to the
        // disk, not to the search path.
        sq_pushstring(V(), (Folder().string() + "/").c_str(), -1);
        SetRoot("dir");
        log.Reset();
    }

    void TearDown() override {
        vm.Close();
        scene = zSharedPtr<zScene>();
        ScriptApiFixture::TearDown();
    }

    std::string ReadBytes(const char* name) { return ReadWholeFile((Folder() / name).string()); }

    // The raytracer of the root slot rt.
    zRaytracer* RootRaytracer() {
        sq_pushroottable(V());
        sq_pushstring(V(), "rt", -1);
        void* object = nullptr;
        if (SQ_SUCCEEDED(sq_get(V(), -2))) FetchScriptObject(V(), -1, &object, ScriptKindRaytracer);
        sq_pop(V(), 2);
        return static_cast<zRaytracer*>(object);
    }

    zSharedPtr<zScene> scene;
};

u32 Word16At(const std::string& bytes, size_t at) {
    return u32(u8(bytes[at])) | u32(u8(bytes[at + 1])) << 8;
}

// B, G, R, A of a pixel of a top-first 32-bit TGA.
std::vector<int> PixelOf(const std::string& bytes, u32 width, u32 x, u32 y) {
    const size_t at = 18 + (size_t(y) * width + x) * 4;
    return {u8(bytes[at]), u8(bytes[at + 1]), u8(bytes[at + 2]), u8(bytes[at + 3])};
}

// An uncompressed 32-bit TGA of 16 x 12, rows top first, the patch in the
// centre and the background in the corner.
void ExpectTracedPatch(const std::string& bytes) {
    ASSERT_EQ(bytes.size(), 18u + 16u * 12u * 4u);
    EXPECT_EQ(bytes[2], 2);
    EXPECT_EQ(Word16At(bytes, 12), 16u);
    EXPECT_EQ(Word16At(bytes, 14), 12u);
    EXPECT_EQ(bytes[16], 32);
    EXPECT_EQ(u8(bytes[17]), 0x28);
    EXPECT_EQ(PixelOf(bytes, 16, 8, 6), (std::vector<int>{51, 102, 204, 255}));
    EXPECT_EQ(PixelOf(bytes, 16, 0, 0), (std::vector<int>{255, 0, 0, 255}));
}

TEST_F(RaytracerApi, ASceneTracedIntoATgaFile) {
    EXPECT_EQ(Printed("local rt = EngineNewRaytracer(g_engine);"
                      "print(RaytracerSetScene(rt, g_scene) + \" \" + RaytracerTrace(rt, dir + \"shot.tga\", 16, 12))"),
              "true true");
    ExpectTracedPatch(ReadBytes("shot.tga"));
}

TEST_F(RaytracerApi, NothingIsWrittenWithoutAFrame) {
    const ScriptRow rows[] = {
        {"::rt <- EngineNewRaytracer(g_engine); print(RaytracerTrace(rt, dir + \"noscene.tga\", 16, 12))", "false"},
        {"RaytracerSetScene(rt, g_scene); print(RaytracerTrace(rt, dir + \"narrow.tga\", 0, 12))", "false"},
        {"print(RaytracerTrace(rt, dir + \"flat.tga\", 16, -3))", "false"},
        // Interlaced frames need an even height.
        {"RaytracerSetInterlace(rt, true, true); print(RaytracerTrace(rt, dir + \"odd.tga\", 16, 11))", "false"},
    };
    ExpectScripts(rows);
    for (const char* name : {"noscene.tga", "narrow.tga", "flat.tga", "odd.tga"})
        EXPECT_FALSE(std::filesystem::exists(Folder() / name)) << name;
    EXPECT_NE(log.Text().find("[!] Interlaced frame height must be a multiple of 2.\n"), std::string::npos);
}

// Grab first, trace later: the scene and every cached resource may be gone
// by then.
TEST_F(RaytracerApi, TheGrabOutlivesTheScene) {
    EXPECT_EQ(Printed("::rt <- EngineNewRaytracer(g_engine); print(RaytracerSetScene(rt, g_scene))"), "true");
    scene = zSharedPtr<zScene>();
    engine.FreeResourceCaches();
    EXPECT_EQ(Printed("print(RaytracerTrace(rt, dir + \"late.tga\", 16, 12))"), "true");
    ExpectTracedPatch(ReadBytes("late.tga"));
}

TEST_F(RaytracerApi, OptionsPassThroughInArgumentOrder) {
    Printed("::rt <- EngineNewRaytracer(g_engine);"
            "RaytracerSetAntialias(rt, false, 3, 0.5, true);"
            "RaytracerSetGlobalIllum(rt, true, 5, 2);"
            "RaytracerSetInterlace(rt, true, false);");
    zRaytracer* raytracer = RootRaytracer();
    ASSERT_NE(raytracer, nullptr);
    const zRaytracerOptions& options = raytracer->GetOptions();
    EXPECT_EQ(options.antialiasing, 0);
    EXPECT_EQ(options.aaGrid, 3u);
    EXPECT_EQ(options.aaThreshold, 0.5f);
    EXPECT_EQ(options.aaJitter, 1);
    EXPECT_EQ(options.globalIllumination, 1);
    EXPECT_EQ(options.giSamples, 5u);
    EXPECT_EQ(options.giDepth, 2u);
    EXPECT_EQ(options.interlaced, 1);
    EXPECT_EQ(options.firstField, 0);
    // Negative counts and depths are none, not four billion.
    Printed("RaytracerSetAntialias(rt, true, -4, 0.01, false); RaytracerSetGlobalIllum(rt, true, -1, 0x80000000);");
    EXPECT_EQ(raytracer->GetOptions().aaGrid, 0u);
    EXPECT_EQ(raytracer->GetOptions().giSamples, 0u);
    EXPECT_EQ(raytracer->GetOptions().giDepth, 0u);
}

TEST_F(RaytracerApi, TheHandleOwnsItsRaytracer) {
    const u32 before = GetScriptObjectCount();
    EXPECT_EQ(Printed("local rt = EngineNewRaytracer(g_engine); RaytracerStartInterlacedSequence(rt);"
                      "print(typeof rt + \" \" + rt.type() + \" \" + ObjectIsValid(rt)); rt = null;"),
              "CObject 7 true");
    EXPECT_EQ(GetScriptObjectCount(), before);
}

TEST_F(RaytracerApi, DeleteSelfIsObsolete) {
    EXPECT_EQ(Printed("local rt = EngineNewRaytracer(g_engine); print(RaytracerDeleteSelf(rt) == null);"
                      "print(ObjectIsValid(rt))"),
              "true\ntrue");
    EXPECT_NE(log.Text().find("[*] RaytracerDeleteSelf() is now obsolete, you can remove this call.\n"),
              std::string::npos);
}

TEST_F(RaytracerApi, ArgumentErrors) {
    const ScriptRow rows[] = {
        {"EngineNewRaytracer(g_scene)", "error: Expected 'Engine' got 'Scene'"},
        {"EngineNewRaytracer(g_noEngine)", "error: CObject is null"},
        {"RaytracerTrace(g_engine, dir + \"x.tga\", 4, 4)", "error: Expected 'Raytracer' got 'Engine'"},
        {"RaytracerSetScene(EngineNewRaytracer(g_engine), g_engine)", "error: Expected 'Scene' got 'Engine'"},
        {"RaytracerSetAntialias(EngineNewRaytracer(g_engine), 1, 4, 0.1, true)",
         "error: parameter 2 has an invalid type 'integer' ; expected: 'bool'"},
        {"RaytracerTrace(EngineNewRaytracer(g_engine), dir + \"x.tga\", 4.5, 4)",
         "error: parameter 3 has an invalid type 'float' ; expected: 'integer'"},
    };
    ExpectScripts(rows);
}

} // namespace
