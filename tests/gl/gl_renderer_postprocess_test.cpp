// The "gl2" post-process chain on Mesa: which core programs a camera's
// settings and the renderer's exclusions run (a trace of the programs used),
// the ping-pong of the two buffers, the film noise's random draws, what the
// blur and bloom do to a picture, and the present of every supersample factor.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/random.h"
#include "markup/variant.h"
#include "tests/gl/gl_frame_fixture.h"

namespace {

const char* const PostPrograms[] = {
    "core::radial_blur",  "core::chromatic_dispersion", "core::hsl",        "core::sharpen",
    "core::noise",        "core::h_gaussian_blur",      "core::v_gaussian_blur", "core::hdr_no_ldr",
    "core::light_streak", "core::tone_mapping",         "core::h_dof",      "core::v_dof",
    "core::dof_radius",   "core::dof_spread",           "core::dof_blur",   "core::motionblur",
    "core::ssao",         "core::normal_depth_blur",    "core::fog",
};

// The programs made current while the table is wrapped.
struct ProgramRecorder {
    static inline void (*use)(GLhandleARB) = nullptr;
    static inline std::vector<GLhandleARB> used;
    static void Use(GLhandleARB program) {
        if (program) used.push_back(program);
        use(program);
    }
};

// One camera setting: a key of the camera registry (a child of
// "PostProcess;" when value is null) or of the renderer registry.
struct Setting {
    const char* key;
    enum { Child, Float, Bool, Int } type;
    f32 value;
    bool renderer;
};

bool Has(const std::vector<std::string>& names, const char* name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::string Join(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += name + " ";
    return text;
}

// Settings, the programs a frame must run and those it must not.
struct ProgramCase {
    const char* name;
    std::vector<Setting> settings;
    std::vector<const char*> run;
    std::vector<const char*> absent;
};

struct GLRendererPost : GLRendererFrame {
    void Apply(const std::vector<Setting>& settings) {
        for (const Setting& setting : settings) {
            zRegistry& registry = setting.renderer ? renderer->GetRegistry() : view.registry;
            if (setting.type == Setting::Child) {
                const std::string key = std::string("PostProcess:") + setting.key + ";";
                registry.SetKey(key.c_str(), nullptr);
                continue;
            }
            zVariant value;
            if (setting.type == Setting::Float) value.SetFloat(setting.value);
            if (setting.type == Setting::Bool) value.SetBool(setting.value != 0.0f);
            if (setting.type == Setting::Int) value.SetInt(i32(setting.value));
            registry.SetKey(setting.key, &value);
        }
    }
    // The post-process programs one frame used, by name, in order.
    std::vector<std::string> TraceFrame(std::string* log = nullptr) {
        zGLFunctions& table = renderer->GetGLTable();
        ProgramRecorder::use = table.glUseProgramObjectARB;
        ProgramRecorder::used.clear();
        table.glUseProgramObjectARB = &ProgramRecorder::Use;
        renderer->SetViewItem(&view);
        renderer->SetSceneInterface(&scene);
        renderer->ApplyView();
        renderer->ResetRenderQueue();
        renderer->QueueRenderable(&mesh);
        {
            LogCapture capture;
            renderer->ClearFrame(0.2f, 0.4f, 0.6f, 1.0f, 1.0f, ClearAll);
            renderer->RenderQueue();
            if (log) *log = capture.Text();
        }
        table.glUseProgramObjectARB = ProgramRecorder::use;
        std::vector<std::string> names;
        for (GLhandleARB program : ProgramRecorder::used) {
            for (const char* name : PostPrograms) {
                auto* shader = static_cast<zGL3Shader*>(renderer->GetShaderLibrary()->Find(name));
                if (shader && shader->GetProgram() == program &&
                    (names.empty() || names.back() != name))
                    names.push_back(name);
            }
        }
        return names;
    }
    // Each case on a renderer of its own, with no missing program logged.
    template <size_t Count>
    void ExpectPrograms(const ProgramCase (&cases)[Count]) {
        for (const ProgramCase& c : cases) {
            SCOPED_TRACE(c.name);
            renderer = std::make_unique<zGL3Renderer>(&host, true);
            view.registry.Clear();
            ASSERT_TRUE(OpenHidden());
            RedQuad(0);
            Apply(c.settings);
            std::string log;
            const std::vector<std::string> names = TraceFrame(&log);
            SCOPED_TRACE(Join(names));
            for (const char* name : c.run)
                EXPECT_TRUE(Has(names, name)) << name;
            for (const char* name : c.absent)
                EXPECT_FALSE(Has(names, name)) << name;
            EXPECT_EQ(log.find("[!]"), std::string::npos) << log;
            TearDown();
            SetUp();
        }
    }
};


constexpr f32 Pi4 = 0.785398f;

// Which programs run for which settings, and that none is missing.
TEST_F(GLRendererPost, CameraSettingsAndExclusionsChooseTheEffectPrograms) {
    const ProgramCase cases[] = {
        {"no effect", {}, {}, {"core::hdr_no_ldr", "core::hsl", "core::sharpen"}},
        {"bloom", {{"Bloom", Setting::Child, 0, false}},
         {"core::hdr_no_ldr", "core::h_gaussian_blur", "core::v_gaussian_blur", "core::tone_mapping"},
         {"core::light_streak"}},
        {"bloom excluded by a true boolean",
         {{"Bloom", Setting::Child, 0, false}, {"PostProcess:Exclusion:Bloom;", Setting::Bool, 1, true}},
         {},
         {"core::hdr_no_ldr", "core::tone_mapping"}},
        {"bloom not excluded by an integer",
         {{"Bloom", Setting::Child, 0, false}, {"PostProcess:Exclusion:Bloom;", Setting::Int, 1, true}},
         {"core::hdr_no_ldr", "core::tone_mapping"},
         {}},
        {"bloom without blur",
         {{"Bloom", Setting::Child, 0, false}, {"PostProcess:Bloom:Radius", Setting::Float, 0, false}},
         {"core::hdr_no_ldr", "core::tone_mapping"},
         {"core::h_gaussian_blur", "core::v_gaussian_blur"}},
        {"bloom of strength 0",
         {{"Bloom", Setting::Child, 0, false}, {"PostProcess:Bloom:Strength", Setting::Float, 0, false}},
         {},
         {"core::hdr_no_ldr", "core::tone_mapping"}},
        {"bloom with streaks",
         {{"Bloom", Setting::Child, 0, false},
          {"PostProcess:Bloom:Streak:Enabled", Setting::Bool, 1, false},
          {"PostProcess:Bloom:Streak:CrossShaped", Setting::Bool, 1, false}},
         {"core::hdr_no_ldr", "core::light_streak", "core::tone_mapping"},
         {}},
        {"hue keys missing", {{"HueSaturation", Setting::Child, 0, false}}, {}, {"core::hsl"}},
        {"hue below the step",
         {{"HueSaturation", Setting::Child, 0, false},
          {"PostProcess:HueSaturation:H;", Setting::Float, 1.0000001f, false}},
         {},
         {"core::hsl"}},
        {"hue 1.1",
         {{"HueSaturation", Setting::Child, 0, false},
          {"PostProcess:HueSaturation:H;", Setting::Float, 1.1f, false}},
         {"core::hsl"},
         {}},
        {"sharpen of strength 0",
         {{"Sharpen", Setting::Child, 0, false}, {"PostProcess:Sharpen:Strength;", Setting::Float, 0, false}},
         {},
         {"core::sharpen"}},
        {"inline effects at their defaults",
         {{"RadialBlur", Setting::Child, 0, false},
          {"ChromDisp", Setting::Child, 0, false},
          {"Sharpen", Setting::Child, 0, false},
          {"Noise", Setting::Child, 0, false},
          {"GaussianBlur", Setting::Child, 0, false}},
         {"core::radial_blur", "core::chromatic_dispersion", "core::sharpen", "core::h_gaussian_blur",
          "core::v_gaussian_blur", "core::noise"},
         {}},
        {"depth of field without a focal distance",
         {{"Dof", Setting::Child, 0, false}, {"PostProcess:Dof:FStop", Setting::Float, 2, false}},
         {},
         {"core::h_dof", "core::dof_radius"}},
        {"fast depth of field",
         {{"Dof", Setting::Child, 0, false},
          {"PostProcess:Dof:FStop", Setting::Float, 2, false},
          {"PostProcess:Dof:FDist", Setting::Float, 1, false}},
         {"core::h_dof", "core::v_dof"},
         {"core::dof_radius"}},
        {"three-step depth of field",
         {{"Dof", Setting::Child, 0, false},
          {"PostProcess:Dof:FStop", Setting::Float, 2, false},
          {"PostProcess:Dof:FDist", Setting::Float, 1, false},
          {"PostProcess:Dof:Fast", Setting::Bool, 0, true}},
         {"core::dof_radius", "core::dof_spread", "core::dof_blur"},
         {"core::h_dof"}},
        {"motion blur", {{"MotionBlur", Setting::Child, 0, false}}, {"core::motionblur"}, {}},
        {"motion blur excluded",
         {{"MotionBlur", Setting::Child, 0, false}, {"PostProcess:Exclusion:MotionBlur", Setting::Bool, 1, true}},
         {},
         {"core::motionblur"}},
    };
    ExpectPrograms(cases);
}

// The effects run in their fixed order, whatever the order of the children.
TEST_F(GLRendererPost, EffectsRunInTheirFixedOrder) {
    ASSERT_TRUE(OpenHidden());
    RedQuad(0);
    Apply({{"Noise", Setting::Child, 0, false},
           {"Sharpen", Setting::Child, 0, false},
           {"RadialBlur", Setting::Child, 0, false},
           {"MotionBlur", Setting::Child, 0, false}});
    const std::vector<std::string> names = TraceFrame();
    EXPECT_EQ(Join(names), "core::motionblur core::radial_blur core::sharpen core::noise ");
}

// Each effect that draws reads the previous one's result: a darkening of
// the lightness survives the effects after it, and the present shows the
// last result whichever buffer holds it.
TEST_F(GLRendererPost, EachEffectReadsThePreviousResult) {
    const Setting darken[] = {{"HueSaturation", Setting::Child, 0, false},
                              {"PostProcess:HueSaturation:L;", Setting::Float, 0.5f, false}};
    const Setting sharpen = {"Sharpen", Setting::Child, 0, false};
    const Setting dispersion = {"ChromDisp", Setting::Child, 0, false};
    const struct {
        const char* name;
        std::vector<Setting> settings;
        int red;
    } cases[] = {
        {"no chain", {}, 255},
        {"no children", {{"PostProcess", Setting::Float, 0, false}}, 255},
        {"lightness halved", {darken[0], darken[1]}, 128},
        {"then sharpened", {darken[0], darken[1], sharpen}, 128},
        {"then sharpened and dispersed", {darken[0], darken[1], sharpen, dispersion}, 128},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        renderer = std::make_unique<zGL3Renderer>(&host, true);
        view.registry.Clear();
        ASSERT_TRUE(OpenHidden());
        RedQuad(0);
        if (std::string(c.name) == "no children") {
            view.registry.SetKey("PostProcess;", nullptr);
        } else {
            Apply(c.settings);
        }
        const zPicture frame = DrawFrame();
        EXPECT_TRUE(Near(frame, Width / 2, Height / 2, c.red, 0, 0, 3));
        // The flat background keeps its colour through every effect but the
        // lightness.
        if (c.red == 255) {
            EXPECT_TRUE(Near(frame, 2, 2, 51, 102, 153));
        }
        TearDown();
        SetUp();
    }
}

// Film noise takes exactly two values of the engine's generator a frame.
TEST_F(GLRendererPost, FilmNoiseDrawsTwoRandomValuesAFrame) {
    ASSERT_TRUE(OpenHidden());
    RedQuad(0);
    Apply({{"Noise", Setting::Child, 0, false}});
    SeedRand(77);
    TraceFrame();
    const f32 afterFrame = RandFloat(1.0f);
    SeedRand(77);
    RandFloat(1.0f);
    RandFloat(1.0f);
    EXPECT_EQ(afterFrame, RandFloat(1.0f));
}

// The Gaussian blur spreads the quad's red past its edge; bloom brightens
// the surroundings of a highlight. Both leave far regions as they were.
TEST_F(GLRendererPost, BlurAndBloomSpreadTheQuadsColourOverItsEdge) {
    // The quad spans pixels 16 .. 47 across: pixel 14 lies just outside it.
    const u32 outside = 14;
    for (const char* effect : {"GaussianBlur", "Bloom"}) {
        SCOPED_TRACE(effect);
        renderer = std::make_unique<zGL3Renderer>(&host, true);
        view.registry.Clear();
        ASSERT_TRUE(OpenHidden());
        zMaterial* material = RedQuad(0);
        // A highlight above the bloom threshold.
        material->SetColor(MaterialColorSelfIllum, 1.0f, 1.0f, 1.0f, 1.0f);
        {
            LogCapture quiet;
            material->Update();
        }
        const zPicture plain = DrawFrame();
        Apply({{effect, Setting::Child, 0, false}});
        const zPicture changed = DrawFrame();
        int before[3], after[3];
        PixelAt(plain, outside, Height / 2, before);
        PixelAt(changed, outside, Height / 2, after);
        EXPECT_TRUE(Near(plain, outside, Height / 2, 51, 102, 153));
        EXPECT_GT(after[0], before[0] + 10);
        EXPECT_TRUE(Near(changed, 1, 1, 51, 102, 153, 3));
        TearDown();
        SetUp();
    }
}

// Every supersample factor presents the frame, a factor of 2 or more that
// is not a power of two included (its last halving step goes below 1).
TEST_F(GLRendererPost, EverySupersampleFactorPresentsTheFrame) {
    for (f32 sample : {1.0f, 1.3f, 2.0f, 3.0f, 4.0f, 6.0f}) {
        SCOPED_TRACE(sample);
        renderer = std::make_unique<zGL3Renderer>(&host, true);
        const zVariant enable(true), factor(sample);
        renderer->GetRegistry().SetKey("Antialising:Enable;", &enable);
        renderer->GetRegistry().SetKey("Antialising:Sample;", &factor);
        ASSERT_TRUE(OpenHidden());
        RedQuad(0);
        const zPicture frame = DrawFrame();
        EXPECT_TRUE(Near(frame, Width / 2, Height / 2, 255, 0, 0, 3));
        EXPECT_TRUE(Near(frame, 2, 2, 51, 102, 153, 3));
        TearDown();
        SetUp();
    }
}

// Ambient occlusion runs when the camera asks it, with the blur its keys
// choose, unless the renderer excludes it.
TEST_F(GLRendererPost, AmbientOcclusionProgramsFollowTheSettings) {
    const Setting ssao = {"SSAO", Setting::Child, 0, false};
    const ProgramCase cases[] = {
        {"not asked", {}, {}, {"core::ssao"}},
        {"fast blur", {ssao}, {"core::ssao", "core::h_gaussian_blur", "core::v_gaussian_blur"}, {}},
        {"no blur",
         {ssao, {"PostProcess:SSAO:BlurRadius", Setting::Float, 0, false}},
         {"core::ssao"},
         {"core::h_gaussian_blur", "core::normal_depth_blur"}},
        {"normal-aware blur",
         {ssao, {"PostProcess:SSAO:FastBlur", Setting::Bool, 0, true}},
         {"core::ssao", "core::normal_depth_blur"},
         {"core::h_gaussian_blur"}},
        {"strength 0", {ssao, {"PostProcess:SSAO:Strength", Setting::Float, 0, false}}, {}, {"core::ssao"}},
        {"excluded", {ssao, {"PostProcess:Exclusion:SSAO", Setting::Bool, 1, true}}, {}, {"core::ssao"}},
    };
    ExpectPrograms(cases);
}

// A far square behind a near one darkens next to the near one's edge, and
// only there.
TEST_F(GLRendererPost, AmbientOcclusionDarkensWhatLiesBesideANearerSurface) {
    ASSERT_TRUE(OpenHidden());
    RedQuad(0);
    mesh.world = zMatrix4::Translation(zVector(0.0f, 0.0f, 0.5f));
    zSharedPtr<zGeometry> far = Quad(-0.9f, -0.9f, 0.9f, 0.9f);
    zMaterial* material = far->GetMaterial(0);
    material->SetColor(MaterialColorDiffuse, 0.0f, 1.0f, 0.0f, 1.0f);
    material->SetColor(MaterialColorSelfIllum, 0.0f, 0.0f, 0.0f, 1.0f);
    {
        LogCapture quiet;
        ASSERT_TRUE(renderer->SetupMaterial(material));
        ASSERT_TRUE(renderer->SetupGeometry(far.Get()));
    }
    MeshRenderable back;
    back.geometry = far.Get();
    back.world = zMatrix4::Translation(zVector(0.0f, 0.0f, -0.5f));
    auto draw = [&]() {
        renderer->SetViewItem(&view);
        renderer->SetSceneInterface(&scene);
        renderer->ApplyView();
        renderer->ResetRenderQueue();
        renderer->QueueRenderable(&mesh);
        renderer->QueueRenderable(&back);
        LogCapture quiet;
        renderer->ClearFrame(0.2f, 0.4f, 0.6f, 1.0f, 1.0f, ClearAll);
        renderer->RenderQueue();
        return Grab();
    };
    const zPicture plain = draw();
    Apply({{"SSAO", Setting::Child, 0, false}, {"PostProcess:SSAO:BlurRadius", Setting::Float, 0, false}});
    const zPicture occluded = draw();
    renderer->FreeGeometry(far.Get());
    // The near square spans pixels 16 .. 47 across.
    EXPECT_TRUE(Near(plain, 50, Height / 2, 0, 255, 0));
    int beside[3];
    PixelAt(occluded, 50, Height / 2, beside);
    EXPECT_LT(beside[1], 235);
    EXPECT_TRUE(Near(occluded, 58, 6, 0, 255, 0));
    EXPECT_TRUE(Near(occluded, Width / 2, Height / 2, 255, 0, 0));
}

// Fog mixes its colour in by depth: nothing before its near distance, all
// past its far one (the cleared background lies past every distance).
TEST_F(GLRendererPost, FogMixesItsColourInByDepth) {
    const f32 fogColour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    // The quad's depth in the g-buffer: its clip-space z, 0.394 at view z -7.
    const struct {
        const char* name;
        bool enabled;
        f32 nearDistance, farDistance;
        int quad[3];
        int background[3];
    } cases[] = {
        {"off", false, 1.0f, 2.0f, {255, 0, 0}, {51, 102, 153}},
        {"quad before the fog", true, 5.0f, 6.0f, {255, 0, 0}, {255, 255, 255}},
        {"quad past the fog", true, 0.001f, 0.002f, {255, 255, 255}, {255, 255, 255}},
        {"quad half way", true, 0.001f, 0.787f, {255, 128, 128}, {255, 255, 255}},
    };
    ASSERT_TRUE(OpenHidden());
    RedQuad(0);
    mesh.world = zMatrix4::Translation(zVector(0.0f, 0.0f, -5.0f));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        renderer->SetFog(c.enabled, fogColour, c.nearDistance, c.farDistance);
        const zPicture frame = DrawFrame();
        EXPECT_TRUE(Near(frame, Width / 2, Height / 2, c.quad[0], c.quad[1], c.quad[2], 4));
        EXPECT_TRUE(Near(frame, 2, 2, c.background[0], c.background[1], c.background[2], 4));
    }
}

} // namespace
namespace {
// Depth of field, both forms, blurs what lies away from the focal distance
// and keeps what the frame shows: the middle of the quad stays red, the
// background keeps its colour, and the quad's edge softens.
TEST_F(GLRendererPost, DepthOfFieldBlursWhatIsOutOfFocus) {
    for (bool fast : {true, false}) {
        SCOPED_TRACE(fast ? "fast" : "three steps");
        renderer = std::make_unique<zGL3Renderer>(&host, true);
        view.registry.Clear();
        ASSERT_TRUE(OpenHidden(false, 160, 120));
        RedQuad(0);
        Apply({{"Dof", Setting::Child, 0, false},
               {"PostProcess:Dof:FStop", Setting::Float, 0.5f, false},
               {"PostProcess:Dof:FDist", Setting::Float, 8.0f, false},
               {"PostProcess:Dof:Fast", Setting::Bool, fast ? 1.0f : 0.0f, true}});
        const zPicture frame = DrawFrame();
        EXPECT_TRUE(Near(frame, 80, 60, 255, 0, 0, 3));
        EXPECT_TRUE(Near(frame, 4, 4, 51, 102, 153, 3));
        int edge[3];
        PixelAt(frame, 40, 60, edge);
        EXPECT_GT(edge[0], 51 + 10);
        EXPECT_LT(edge[0], 255 - 10);
        TearDown();
        SetUp();
    }
}
// Motion blur smears the quad along the way the camera moved since the
// last frame; with a camera that stood still the frame stays sharp.
TEST_F(GLRendererPost, MotionBlurSmearsAlongTheCamerasMotion) {
    const zMatrix4 before = zMatrix4::Translation(zVector(0.3f, 0.0f, 2.0f));
    for (bool moved : {false, true}) {
        SCOPED_TRACE(moved ? "moved" : "still");
        renderer = std::make_unique<zGL3Renderer>(&host, true);
        view.registry.Clear();
        view.previousWorld = moved ? &before : nullptr;
        ASSERT_TRUE(OpenHidden(false, 160, 120));
        RedQuad(0);
        Apply({{"MotionBlur", Setting::Child, 0, false}});
        const zPicture frame = DrawFrame();
        EXPECT_TRUE(Near(frame, 80, 60, 255, 0, 0, 3));
        // Just inside the quad's left and right edges (pixels 40 and 119):
        // a moving surface takes in what lies behind it along its motion.
        int left[3], right[3];
        PixelAt(frame, 43, 60, left);
        PixelAt(frame, 116, 60, right);
        if (moved) {
            EXPECT_LT(std::min(left[0], right[0]), 255 - 20);
        } else {
            EXPECT_TRUE(Near(frame, 43, 60, 255, 0, 0, 3));
            EXPECT_TRUE(Near(frame, 116, 60, 255, 0, 0, 3));
        }
        view.previousWorld = nullptr;
        TearDown();
        SetUp();
    }
}
} // namespace
