// A 2D scene over an engine whose renderer records the triangles, uploads
// and projections it gets, a script VM whose scripts live in the memory file
// system, and a mouse whose controls the test sets (cursor control values,
// not pixels: the scene reads 0..65535 of the client area).
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "io/file_road.h"
#include "io/memory_fs.h"
#include "render/null_renderer.h"
#include "render/texture.h"
#include "script/squirrel_vm.h"
#include "tests/support/log_capture.h"
#include "tests/support/memory_files.h"
#include "ui/hid.h"
#include "ui/scene2d.h"
#include "ui/widget.h"

struct RecordingRenderer : zNull_Renderer {
    struct Triangle {
        zVector corners[3];
        f32 color[4];
        f32 uvs[6];
        bool hasUVs;
        zTexture* texture;
        u32 flags;
        // Twice the signed area in clip space (y up): positive when
        // counter-clockwise.
        f32 Area() const {
            return (corners[1].x - corners[0].x) * (corners[2].y - corners[0].y) -
                   (corners[2].x - corners[0].x) * (corners[1].y - corners[0].y);
        }
    };

    RecordingRenderer(zEngine* engine, f32 width, f32 height) : zNull_Renderer(engine, true) {
        output[0] = width;
        output[1] = height;
    }

    void GetOutputSize(f32 out[2]) override {
        out[0] = output[0];
        out[1] = output[1];
    }
    void DrawTriangle(const zVector corners[3], const f32* color, const f32* uvs, zTexture* texture,
                      u32 flags) override {
        Triangle triangle{};
        for (int i = 0; i < 3; ++i)
            triangle.corners[i] = corners[i];
        for (int i = 0; i < 4; ++i)
            triangle.color[i] = color ? color[i] : 0.0f;
        triangle.hasUVs = uvs != nullptr;
        for (int i = 0; i < 6 && uvs; ++i)
            triangle.uvs[i] = uvs[i];
        triangle.texture = texture;
        triangle.flags = flags;
        triangles.push_back(triangle);
    }
    void UpdateTexture(zTexture* texture, const u8*, u32, u32, u32, u32) override {
        uploads.push_back(texture);
    }
    void SetProjectionMatrix(const zMatrix4& matrix) override { projections.push_back(matrix.e[0]); }
    // With releaseOnSetup, an upload frees the picture's pixels as the GPU
    // renderers do when told to clean resources on setup.
    bool SetupTexture(zTexture* texture) override {
        if (releaseOnSetup && GetCleanResourceOnSetup() && !(texture->GetFlags() & TextureFlagRendererOwn) &&
            !texture->IsVirtual()) {
            const u32 width = texture->GetWidth(), height = texture->GetHeight();
            texture->FreeBuffer();
            texture->SetVirtualSize(width, height);
        }
        return true;
    }

    bool releaseOnSetup = false;
    f32 output[2];
    std::vector<Triangle> triangles;
    std::vector<zTexture*> uploads;
    std::vector<f32> projections;
};

// A widget that keeps the rectangle the test gives it.
struct PlacedWidget : zWidget {
    explicit PlacedWidget(i32 id) : zWidget(nullptr, id) {}
    void Layout() override {}
    void Draw(zPicture&, const zRect&) override { m_needsRedraw = false; }
};

// Controls set by the test; Update keeps them.
struct FakeMouse : zHIDDevice {
    FakeMouse() : zHIDDevice("Mouse") {}
    void Set(i32 x, i32 y, bool left = false, bool right = false, bool middle = false) {
        ResetControls();
        Record(DeviceAxisX, x);
        Record(DeviceAxisY, y);
        const bool buttons[3] = {left, right, middle};
        for (int i = 0; i < 3; ++i)
            if (buttons[i]) Record(DeviceButton0 + i, 1);
    }
};

class Scene2DFixture : public ::testing::Test {
  public:
    static constexpr f32 OutputWidth = 1280.0f;
    static constexpr f32 OutputHeight = 960.0f;

    void SetUp() override {
        FileSystemReset();
        FileSystemSetCurrent(GetMemoryFileSystem());
        ASSERT_TRUE(vm.Open());
        scene.SetMouse(&mouse);
        log.Reset();
    }
    void TearDown() override {
        scene.Clear();
        vm.Close();
        FileSystemReset();
    }

    // Includes a script from the memory file system.
    void RunScript(const std::string& source) {
        PutMemoryFile("ui_test.nut", source);
        ASSERT_TRUE(vm.Include("ui_test.nut"));
    }
    std::unique_ptr<zScriptObject> Function(const char* name) { return vm.GetMember(name, nullptr); }

    // The control value whose virtual coordinate is exactly v.
    static i32 Control(i32 v, f32 extent) { return i32(std::ceil(f64(v) * 65535.0 / extent)); }
    // One frame with the cursor at virtual (x, y).
    void Frame(i32 x, i32 y, bool left = false, bool right = false, bool middle = false) {
        mouse.Set(Control(x, OutputWidth), Control(y, OutputHeight), left, right, middle);
        scene.Render(true);
    }

    LogCapture log;
    zEngine engine;
    RecordingRenderer renderer{&engine, OutputWidth, OutputHeight};
    zSquirrelVM vm{&engine};
    zScene2D scene{&engine, &vm};
    FakeMouse mouse;
};
