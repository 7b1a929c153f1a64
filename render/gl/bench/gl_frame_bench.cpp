// Frame times of the "gl2" deferred pipeline on the context SDL's offscreen
// driver gives (Mesa llvmpipe; run it with LP_NUM_THREADS=1 under taskset,
// see run_gl_frame_bench.sh). One scene, a floor and four boxes under a spot
// light and an ambient colour, in two configurations:
//   plain: g-buffer, ambient, the light without a shadow, present;
//   full:  the same with ambient occlusion, the light's shadow map, bloom,
//          depth of field and motion blur.
// Each frame is ClearFrame + RenderQueue + glFinish; the configurations take
// turns in short runs, so both see the same load of the machine. Then a few
// profiled frames of each wrap the renderer's GL table: every draw and clear
// is followed by glFinish, and the time since the previous one is charged to
// the program in use and the target drawn into (a label drawn again in a
// frame gets a row of its own). The profile's own finishes put its total
// above the frame time; its shares tell where the time goes.
//
// Usage: gl_frame_bench [frames] [warm-up frames] [width] [height]
// With ZE_BENCH_PICTURES set to a folder, the last frame of each
// configuration is saved there (plain.ppm, full.ppm). ZE_BENCH_SHADER_LIBRARY
// names another core shader library than the source tree's.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/log.h"
#include "io/file_road.h"
#include "io/memory_fs.h"
#include "markup/variant.h"
#include "picture/picture.h"
#include "render/geometry.h"
#include "render/gl/gl_renderer.h"
#include "render/gl/gl_renderer_data.h"
#include "render/material.h"
#include "render/render_host.h"
#include "render/renderable.h"
#include "render/texture.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Host : zRenderHost {
    zRenderer* current = nullptr;
    zRenderer* GetRenderer() const override { return current; }
    zRenderer* GetDefaultRenderer() const override { return nullptr; }
    void SetRenderer(zRenderer* renderer) override { current = renderer; }
    void SendEvent(u32, void*) override {}
    u32 GetStateWord() const override { return 0; }
};

// Keeps the lines; warnings and errors are printed at the end.
struct QuietLog : zLog {
    std::string text;
    void OutputLine(const char* line) override {
        if (line) text += line;
    }
};

// From (0, 1.5, -7) along +z, tilted down a little, 90 degrees across.
struct Camera : zRenderViewItem {
    zCameraBlock block;
    zMatrix4 world;
    zMatrix4 previous;
    f32 aspect = 16.0f / 9.0f;
    zRegistry registry;
    Camera() {
        const zMatrix4 tilt = zMatrix4::FromMatrix3(zMatrix3::RotationX(0.15f));
        world = zMatrix4::Multiply(tilt, zMatrix4::Translation(zVector(0.0f, 1.5f, -7.0f)));
        // A frame ago it stood a little to the left: the whole view moves.
        previous = zMatrix4::Multiply(tilt, zMatrix4::Translation(zVector(-0.1f, 1.5f, -7.0f)));
    }
    zMatrix4 GetViewMatrix() override { return world.Inverse(); }
    zMatrix4 GetProjectionMatrix() override {
        zMatrix4 m = PerspectiveProjection(1.0f, block.zNear, 100.0f);
        m.e[5] *= aspect;
        return m;
    }
    void UpdateFrustum(zFrustum*, f32, f32) override {}
    const zCameraBlock& GetCameraBlock() const override { return block; }
    const zMatrix4* GetTransformBlock() const override { return &world; }
    zRegistry* GetViewRegistry() override { return &registry; }
    const zMatrix4* GetPreviousTransformBlock() const override { return &previous; }
};

struct Mesh : zRenderable {
    zGeometry* geometry = nullptr;
    void AppendPrimitives(zRenderViewItem*, zList<zRenderablePrimitive*>& out, u32) override {
        auto* primitive = new zMeshPrimitive();
        primitive->renderable = this;
        primitive->payload = geometry;
        out.Add(primitive);
    }
};

struct Spot : zRenderLight {
    zVector place{-2.0f, 5.0f, -4.0f, 1.0f};
    zVector axis{0.25f, -0.65f, 0.72f, 0.0f};
    void GetRenderAxes(zVector& position, zVector& zAxis) override {
        position = place;
        zAxis = axis.Normalize();
    }
};

struct Scene : zRendererSceneInterface {
    zRenderLight* light = nullptr;
    void GetAmbient(zVector& out) override { out = zVector(0.25f, 0.25f, 0.3f, 1.0f); }
    void CollectLights(const zVector&, const zMinMax&, zList<zRenderLight*>& out, u32 maxCount) override {
        out.Clear();
        if (light && maxCount) out.Add(light);
    }
};

// A box from low to high, its faces wound outwards, in one colour.
zSharedPtr<zGeometry> Box(zRenderHost* host, const zVector& low, const zVector& high, const f32 colour[3]) {
    zSharedPtr<zGeometry> box(new zGeometry(host));
    box->SetName("box");
    box->AllocateVertices(8);
    for (u32 i = 0; i < 8; ++i) {
        box->GetVertices()[i] =
            zVector((i & 1) ? high.x : low.x, (i & 2) ? high.y : low.y, (i & 4) ? high.z : low.z);
    }
    const u32 faces[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1},
                             {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
    box->AllocatePolygons(6);
    for (u32 p = 0; p < 6; ++p)
        box->GetPolygons()[p].cornerCount = 4;
    box->AllocateBindings();
    for (u32 p = 0; p < 6; ++p)
        for (u32 c = 0; c < 4; ++c)
            box->GetPolygons()[p].bindings[c] = faces[p][c];
    box->AllocateMaterials(1, true);
    box->ComputePolygonNormals(true);
    zMaterial* material = box->GetMaterial(0);
    material->SetColor(MaterialColorDiffuse, colour[0], colour[1], colour[2], 1.0f);
    material->SetColor(MaterialColorAmbient, colour[0], colour[1], colour[2], 1.0f);
    material->SetColor(MaterialColorSelfIllum, 0.0f, 0.0f, 0.0f, 1.0f);
    return box;
}

void SetFloat(zRegistry& registry, const char* key, f32 value) {
    zVariant variant;
    variant.SetFloat(value);
    registry.SetKey(key, &variant);
}

struct Bench {
    Host host;
    QuietLog log;
    zLog* previousLog = nullptr;
    std::unique_ptr<zGL3Renderer> renderer;
    Camera camera;
    Scene scene;
    Spot light;
    std::vector<zSharedPtr<zGeometry>> geometries;
    std::vector<std::unique_ptr<Mesh>> meshes;

    bool Open(u32 width, u32 height) {
        previousLog = &GetLog();
        SetLog(&log);
        const char* path = getenv("ZE_BENCH_SHADER_LIBRARY");
        std::ifstream file(path ? path : ZE_GL_SHADER_LIBRARY, std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        const std::string library = text.str();
        zIORecord* record = GetMemoryFileSystem()->Open("default_shaders.zml", false, true, false);
        if (!record || library.empty()) return false;
        GetMemoryFileSystem()->Write(record, library.data(), u32(library.size()));
        GetMemoryFileSystem()->Close(record);
        renderer = std::make_unique<zGL3Renderer>(&host, true);
        if (!renderer->OpenMode(width, height, 32, zGL3Renderer::ModeHidden)) return false;
        renderer->SetCleanResourceOnSetup(false);
        camera.aspect = f32(width) / f32(height);

        const f32 grey[3] = {0.7f, 0.7f, 0.7f}, red[3] = {0.9f, 0.2f, 0.15f}, green[3] = {0.2f, 0.8f, 0.25f},
                  blue[3] = {0.2f, 0.3f, 0.9f}, white[3] = {1.0f, 1.0f, 1.0f};
        geometries.push_back(Box(&host, zVector(-12.0f, -0.5f, -4.0f), zVector(12.0f, 0.0f, 20.0f), grey));
        geometries.push_back(Box(&host, zVector(-2.5f, 0.0f, 1.0f), zVector(-0.5f, 2.0f, 3.0f), red));
        geometries.push_back(Box(&host, zVector(0.5f, 0.0f, 3.0f), zVector(2.5f, 3.0f, 5.0f), green));
        geometries.push_back(Box(&host, zVector(-5.0f, 0.0f, 6.0f), zVector(-3.0f, 1.5f, 8.0f), blue));
        // Bright enough to bloom.
        geometries.push_back(Box(&host, zVector(3.5f, 0.0f, 0.0f), zVector(4.5f, 1.0f, 1.0f), white));
        for (auto& geometry : geometries) {
            if (!renderer->SetupMaterial(geometry->GetMaterial(0)) ||
                !renderer->SetupGeometry(geometry.Get()))
                return false;
            meshes.push_back(std::make_unique<Mesh>());
            meshes.back()->geometry = geometry.Get();
        }
        light.type = 3;
        light.range = 40.0f;
        light.coneAngle = 0.6f;
        light.edgeAngle = 0.1f;
        light.zNear = 0.1f;
        light.volumeRange = 40.0f;
        light.diffuseIntensity = 1.5f;
        scene.light = &light;
        renderer->SetSceneInterface(&scene);
        return true;
    }

    void Configure(bool full) {
        camera.registry.Clear();
        light.shadowMode = full ? 2 : 0;
        renderer->SetControlWord(ControlShadowMapping, full);
        renderer->FreeLight(&light);
        renderer->SetupLight(&light);
        if (!full) return;
        for (const char* key :
             {"PostProcess:SSAO;", "PostProcess:Bloom;", "PostProcess:Dof;", "PostProcess:MotionBlur;"})
            camera.registry.SetKey(key, nullptr);
        SetFloat(camera.registry, "PostProcess:Bloom:Threshold", 0.2f);
        SetFloat(camera.registry, "PostProcess:Bloom:Radius", 16.0f);
        SetFloat(camera.registry, "PostProcess:Dof:FStop", 0.5f);
        SetFloat(camera.registry, "PostProcess:Dof:FDist", 8.0f);
        SetFloat(camera.registry, "PostProcess:MotionBlur:Strength", 1.0f);
    }

    void DrawFrame() {
        renderer->SetViewItem(&camera);
        renderer->ApplyView();
        renderer->ResetRenderQueue();
        for (auto& mesh : meshes)
            renderer->QueueRenderable(mesh.get());
        renderer->ClearFrame(0.0f, 0.0f, 0.3f, 1.0f, 1.0f, ClearAll);
        renderer->RenderQueue();
        renderer->GetGL().glFinish();
    }

    // The last frame as a binary PPM, for comparing pictures across changes.
    void SavePicture(const std::string& path) {
        zPicture picture;
        renderer->GrabDisplay(&picture);
        std::ofstream out(path, std::ios::binary);
        out << "P6\n" << picture.GetWidth() << " " << picture.GetHeight() << "\n255\n";
        const u8* pixels = picture.GetPixels();
        for (u32 i = 0; pixels && i < picture.GetWidth() * picture.GetHeight(); ++i) {
            const char rgb[3] = {char(pixels[i * 4 + 2]), char(pixels[i * 4 + 1]), char(pixels[i * 4])};
            out.write(rgb, 3);
        }
    }

    // Milliseconds of one frame.
    double TimeFrame() {
        const Clock::time_point start = Clock::now();
        DrawFrame();
        return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    }

    void Close() {
        renderer->ResetRenderQueue();
        renderer->SetViewItem(nullptr);
        renderer->SetSceneInterface(nullptr);
        renderer->FreeLight(&light);
        for (auto& geometry : geometries)
            renderer->FreeGeometry(geometry.Get());
        meshes.clear();
        geometries.clear();
        renderer.reset();
        SetLog(previousLog);
        std::istringstream lines(log.text);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("[!]", 0) == 0 || line.rfind("[*]", 0) == 0)
                std::fprintf(stderr, "log: %s\n", line.c_str());
    }
};

// ---- The profile: the renderer's GL table wrapped --------------------------

struct Profile {
    static inline zGLFunctions real;
    static inline zGL3Renderer* renderer = nullptr;
    static inline std::map<GLuint, std::string> programNames; // program handle -> name
    static inline std::map<GLuint, std::string> textureNames; // texture name -> target name
    static inline std::map<GLuint, GLuint> colourOf, depthOf; // frame buffer -> attachments
    static inline GLuint frameBuffer = 0;
    static inline GLuint program = 0;
    static inline u32 drawBuffers = 1;
    static inline Clock::time_point mark;
    // Per label: the milliseconds of each profiled frame.
    static inline std::vector<std::string> order;
    static inline std::map<std::string, std::vector<double>> frames;
    static inline u32 frame = 0;
    static inline std::map<std::string, u32> seen; // labels of this frame

    static std::string Target() {
        if (!frameBuffer) return "window";
        auto name = [](GLuint texture) {
            auto found = textureNames.find(texture);
            return found == textureNames.end() ? "texture " + std::to_string(texture) : found->second;
        };
        const GLuint colour = colourOf[frameBuffer];
        std::string target = colour ? name(colour) : "depth " + name(depthOf[frameBuffer]);
        if (colour && drawBuffers > 1) target += " +" + std::to_string(drawBuffers - 1);
        return target;
    }
    static std::string Program() {
        auto found = programNames.find(program);
        return found == programNames.end() ? "program " + std::to_string(program) : found->second;
    }
    // A label drawn again in the same frame gets a row of its own.
    static void Charge(std::string label) {
        const u32 repeat = ++seen[label];
        if (repeat > 1) label += " #" + std::to_string(repeat);
        real.glFinish();
        const Clock::time_point now = Clock::now();
        const double ms = std::chrono::duration<double, std::milli>(now - mark).count();
        mark = now;
        std::vector<double>& row = frames[label];
        if (row.empty()) order.push_back(label);
        row.resize(frame + 1, 0.0);
        row[frame] += ms;
    }

    static void UseProgram(GLhandleARB handle) {
        program = handle;
        real.glUseProgramObjectARB(handle);
    }
    static void BindFramebuffer(GLenum target, GLuint name) {
        frameBuffer = name;
        real.glBindFramebufferEXT(target, name);
    }
    static void FramebufferTexture(GLenum target, GLenum attachment, GLenum kind, GLuint texture,
                                   GLint level) {
        if (attachment == zgl::ColorAttachment0) colourOf[frameBuffer] = texture;
        if (attachment == zgl::DepthAttachment) depthOf[frameBuffer] = texture;
        real.glFramebufferTexture2DEXT(target, attachment, kind, texture, level);
    }
    static void DrawBuffers(GLsizei count, const GLenum* buffers) {
        drawBuffers = u32(count);
        real.glDrawBuffers(count, buffers);
    }
    static void DrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices) {
        real.glDrawElements(mode, count, type, indices);
        Charge(Program() + " -> " + Target());
    }
    static void End() {
        real.glEnd();
        Charge(Program() + " -> " + Target());
    }
    static void Clear(GLbitfield mask) {
        real.glClear(mask);
        Charge("clear -> " + Target());
    }

    static void Install(zGL3Renderer& target) {
        renderer = &target;
        zGLFunctions& table = target.GetGLTable();
        real = table;
        table.glUseProgramObjectARB = &UseProgram;
        table.glBindFramebufferEXT = &BindFramebuffer;
        table.glFramebufferTexture2DEXT = &FramebufferTexture;
        table.glDrawBuffers = &DrawBuffers;
        table.glDrawElements = &DrawElements;
        table.glEnd = &End;
        table.glClear = &Clear;
        programNames[0] = "fixed function";
        const char* const passes[] = {"forward",  "forward blended", "normal-depth",
                                      "g-buffer", "velocity",        "depth"};
        for (u32 pass = 0; pass < zGL3Renderer::PassCount; ++pass)
            for (auto* node = target.GetPrograms(pass).GetHead(); node; node = node->next)
                if (node->value)
                    programNames[node->value->GetProgram()] = std::string("material ") + passes[pass];
        zShaderLibrary* library = target.GetShaderLibrary();
        for (auto* node = library ? library->GetShaders().GetHead() : nullptr; node; node = node->next) {
            auto* shader = static_cast<zGL3Shader*>(node->value.Get());
            if (shader && shader->GetProgram()) programNames[shader->GetProgram()] = shader->GetName().CStr();
        }
        const char* const targets[] = {"depth_map", "attr0_map",   "attr1_map",    "attr2_map",
                                       "attr3_map", "compose_map", "velocity_map", "fx0_map",
                                       "fx1_map",   "fx2_map",     "hdr_map"};
        for (const char* name : targets) {
            const auto* data = dynamic_cast<const zGL3Renderer::GL_TextureData*>(
                target.GetTarget(name) ? target.GetTarget(name)->GetRenderData() : nullptr);
            if (data) textureNames[data->name] = name;
        }
        for (u32 i = 0; i < zGL3Renderer::ShadowMapCount; ++i) {
            zTexture* map = target.GetShadowMap(i);
            const auto* data =
                map ? dynamic_cast<const zGL3Renderer::GL_TextureData*>(map->GetRenderData()) : nullptr;
            if (data) textureNames[data->name] = "shadow_map " + std::to_string(i);
        }
    }
    static void Remove() { renderer->GetGLTable() = real; }
};

double Median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) * 0.5;
}

void PrintTimes(const char* name, const std::vector<double>& times) {
    std::printf("%-6s frame: median %8.3f ms  min %8.3f  max %8.3f  (%zu frames)\n", name, Median(times),
                *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()),
                times.size());
}

// Prints the draws of profiled frames of the bench's configuration.
void ProfileFrames(Bench& bench, u32 profiled, const char* name) {
    Profile::order.clear();
    Profile::frames.clear();
    Profile::Install(*bench.renderer);
    for (u32 i = 0; i < profiled; ++i) {
        Profile::frame = i;
        Profile::seen.clear();
        Profile::mark = Clock::now();
        bench.DrawFrame();
        Profile::Charge("rest of the frame");
    }
    Profile::Remove();
    double total = 0.0;
    for (const std::string& label : Profile::order) {
        Profile::frames[label].resize(profiled, 0.0);
        total += Median(Profile::frames[label]);
    }
    std::printf("\n%s frame by draw (median of %u profiled frames, each draw finished):\n", name, profiled);
    for (const std::string& label : Profile::order) {
        const double ms = Median(Profile::frames[label]);
        std::printf("  %8.3f ms  %5.1f%%  %s\n", ms, total > 0.0 ? 100.0 * ms / total : 0.0, label.c_str());
    }
    std::printf("  %8.3f ms  total of the medians\n", total);
}

} // namespace

int main(int argc, char** argv) {
    const u32 frames = argc > 1 ? u32(std::atoi(argv[1])) : 60;
    const u32 warmUp = argc > 2 ? u32(std::atoi(argv[2])) : 10;
    const u32 width = argc > 3 ? u32(std::atoi(argv[3])) : 320;
    const u32 height = argc > 4 ? u32(std::atoi(argv[4])) : 180;
    if (!getenv("SDL_VIDEODRIVER")) setenv("SDL_VIDEODRIVER", "offscreen", 1);
    Bench bench;
    if (!bench.Open(width, height) || frames == 0) {
        std::fprintf(stderr, "The renderer did not open:\n%s", bench.log.text.c_str());
        return 1;
    }
    const std::string& text = bench.log.text;
    const size_t renderer = text.find("Renderer: ");
    if (renderer != std::string::npos)
        std::printf("%s", text.substr(renderer, text.find('\n', renderer) - renderer + 1).c_str());
    std::printf("%ux%u, %u frames after %u warm-up frames\n", width, height, frames, warmUp);

    // Both configurations warmed up, then timed in alternating runs of
    // BlockFrames frames, so that both see the same load of the machine.
    const char* pictures = getenv("ZE_BENCH_PICTURES");
    constexpr u32 BlockFrames = 5;
    std::vector<double> plain, full;
    for (bool withChain : {false, true}) {
        bench.Configure(withChain);
        for (u32 i = 0; i < warmUp; ++i)
            bench.DrawFrame();
        if (pictures) bench.SavePicture(std::string(pictures) + (withChain ? "/full.ppm" : "/plain.ppm"));
    }
    while (full.size() < frames) {
        for (bool withChain : {false, true}) {
            bench.Configure(withChain);
            std::vector<double>& times = withChain ? full : plain;
            for (u32 i = 0; i < BlockFrames && times.size() < frames; ++i)
                times.push_back(bench.TimeFrame());
        }
    }
    PrintTimes("plain", plain);
    PrintTimes("full", full);
    std::printf("ratio full / plain (medians): %.2f\n", Median(full) / Median(plain));

    bench.Configure(false);
    ProfileFrames(bench, frames < 20 ? frames : 20, "plain");
    bench.Configure(true);
    ProfileFrames(bench, frames < 20 ? frames : 20, "full");
    bench.Close();
    return 0;
}
