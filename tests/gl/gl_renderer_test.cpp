// The "gl2" renderer on Mesa: open and close, targets, the core library,
// resources, material programs in every pass, and frames read back.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/os_input.h"
#include "render/material.h"
#include "render/shader/shader_library.h"
#include "tests/gl/child_process.h"
#include "tests/gl/gl_renderer_fixture.h"
#include "tests/support/xvfb.h"

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

using GLRendererOpen = GLRendererFixture;

TEST_F(GLRendererOpen, DeferredOpenLogsItsSequenceAndMakesTargets) {
    LogCapture log;
    ASSERT_TRUE(renderer->OpenMode(Width, Height, 32, zGL3Renderer::ModeHidden));
    const std::string text = log.Text();
    const char* const sequence[] = {"[H] Starting OpenGL 3 renderer...\n",
                                    "No supersampling.\n",
                                    "No HDR support.\n",
                                    "[H] Fetch GL extensions...\n",
                                    "Renderer instantiated with shader support.\n",
                                    "Card MRT supports up to ",
                                    " shader in library 'default_shaders.zml'.\n",
                                    "Vendor: ",
                                    "Renderer: ",
                                    "Version: "};
    size_t at = 0;
    for (const char* line : sequence) {
        const size_t found = text.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << " after " << at << " in\n" << text;
        at = found;
    }
    EXPECT_FALSE(Contains(text, "Cannot load shader")) << text;
    EXPECT_TRUE(renderer->IsOpen());
    EXPECT_FALSE(renderer->IsClosed());
    EXPECT_STREQ(renderer->GetDescription(), "OpenGL Deferred");
    EXPECT_STREQ(renderer->GetName(), "OpenGL");
    EXPECT_STREQ(renderer->GetVersion(), "0.97");
    EXPECT_GE(renderer->GetMRTCount(), 3u);
    ASSERT_NE(renderer->GetShaderLibrary(), nullptr);
    // Every program of our own library compiles and links on Mesa.
    for (auto* node = renderer->GetShaderLibrary()->GetShaders().GetHead(); node; node = node->next) {
        auto* shader = static_cast<zGL3Shader*>(node->value.Get());
        EXPECT_NE(shader->GetProgram(), 0u) << shader->GetName();
    }
    EXPECT_EQ(renderer->GetGL().glGetError(), GLenum(zgl::NoError));
}

struct TargetCase {
    const char* what;
    bool antialias;
    bool square;
    u32 width, height;      // of the open
    GLint targetW, targetH; // attr maps
    GLint fxW, fxH;         // fx maps
    f32 sizeW, sizeH;       // target size after rounding
};

TEST_F(GLRendererOpen, TargetSizesFollowSupersamplingAndSquareTargets) {
    const TargetCase cases[] = {
        {"plain", false, false, 80, 60, 80, 60, 40, 30, 80.0f, 60.0f},
        {"antialias default sample 1.3", true, false, 80, 60, 104, 78, 52, 39, 104.0f, 78.0f},
        {"square", false, true, 80, 60, 80, 80, 40, 40, 128.0f, 128.0f},
    };
    for (const TargetCase& c : cases) {
        SCOPED_TRACE(c.what);
        renderer = std::make_unique<zGL3Renderer>(&host, true);
        const zVariant enable(c.antialias);
        renderer->GetRegistry().SetKey("Antialising:Enable;", &enable);
        renderer->SetSystemWord(SystemSquareRenderTargets, c.square);
        ASSERT_TRUE(OpenHidden(false, c.width, c.height));
        GLint w = 0, h = 0, format = 0;
        for (const char* name : {"depth_map", "attr0_map", "attr1_map", "compose_map", "velocity_map"}) {
            Level(renderer->GetTarget(name), w, h, format);
            EXPECT_EQ(w, c.targetW) << name;
            EXPECT_EQ(h, c.targetH) << name;
        }
        for (const char* name : {"fx0_map", "fx1_map", "fx2_map", "hdr_map"}) {
            Level(renderer->GetTarget(name), w, h, format);
            EXPECT_EQ(w, c.fxW) << name;
            EXPECT_EQ(h, c.fxH) << name;
        }
        f32 sizeW = 0, sizeH = 0;
        renderer->GetTargetSize(sizeW, sizeH);
        EXPECT_EQ(sizeW, c.sizeW);
        EXPECT_EQ(sizeH, c.sizeH);
        EXPECT_FLOAT_EQ(renderer->GetTargetReciprocals()[0], 1.0f / c.sizeW);
        Level(renderer->GetShadowMap(5), w, h, format);
        EXPECT_EQ(w, 1024);
        EXPECT_EQ(format, GLint(zgl::DepthComponent24));
        renderer->Close();
    }
}

TEST_F(GLRendererOpen, SecondOpenIsRefusedAndCloseLetsItOpenAgainClean) {
    ASSERT_TRUE(OpenHidden());
    {
        LogCapture log;
        EXPECT_FALSE(renderer->OpenMode(Width, Height, 32, zGL3Renderer::ModeHidden));
        EXPECT_EQ(log.Text(), "[*] Renderer is already open, will not reopen without closing first.\n");
    }
    renderer->Close();
    EXPECT_FALSE(renderer->IsOpen());
    EXPECT_TRUE(renderer->IsClosed());
    // Every target went with the first context, fx2 and hdr included.
    for (const char* name : {"fx2_map", "hdr_map", "attr0_map", "depth_map"})
        EXPECT_EQ(renderer->GetTarget(name), nullptr) << name;
    EXPECT_EQ(renderer->GetTextureBytes(), 0u);
    for (u32 pass = 0; pass < zGL3Renderer::PassCount; ++pass)
        EXPECT_EQ(renderer->GetPrograms(pass).GetCount(), 0u);

    ASSERT_TRUE(OpenHidden());
    EXPECT_EQ(renderer->GetGL().glGetError(), GLenum(zgl::NoError));
    ASSERT_NE(renderer->GetTarget("fx2_map"), nullptr);
    EXPECT_NE(Name(renderer->GetTarget("fx2_map")), 0u);
}

TEST_F(GLRendererOpen, UnsupportedModeOpensWindowedAndHiddenModeShowsNothing) {
    {
        LogCapture log;
        ASSERT_TRUE(renderer->OpenMode(Width, Height, 32, 7));
        EXPECT_TRUE(Contains(log.Text(), "[*] Unsupported mode (7), defaulting to windowed.\n"))
            << log.Text();
        ASSERT_NE(renderer->GetWindow(), nullptr);
        EXPECT_TRUE(renderer->GetWindow()->IsShown());
    }
    renderer->Close();
    ASSERT_TRUE(OpenHidden());
    EXPECT_FALSE(renderer->GetWindow()->IsShown());
}

// The input devices take this handle as an SDL window: they read the
// client size and the cursor through it.
TEST_F(GLRendererOpen, WindowHandleIsTheSDLWindowTheInputReads) {
    EXPECT_EQ(renderer->GetWindowHandle(), nullptr);
    ASSERT_TRUE(OpenHidden());
    void* handle = renderer->GetWindowHandle();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(handle, renderer->GetWindow()->GetNativeHandle());
    int width = 0, height = 0;
    OsGetWindowClientSize(handle, width, height);
    EXPECT_EQ(width, int(Width));
    EXPECT_EQ(height, int(Height));
}

TEST_F(GLRendererOpen, FixedFunctionPipelineLoadsNoLibraryAndNoTargets) {
    LogCapture log;
    renderer->SetSystemWord(SystemDisableShader, true);
    ASSERT_TRUE(renderer->OpenMode(Width, Height, 32, zGL3Renderer::ModeHidden));
    EXPECT_TRUE(Contains(log.Text(), "Renderer instantiated with no shader support.\n"));
    EXPECT_FALSE(Contains(log.Text(), "Driver has no support for GLSL"));
    EXPECT_FALSE(Contains(log.Text(), "shader in library"));
    EXPECT_STREQ(renderer->GetDescription(), "OpenGL Fixed-function");
    EXPECT_EQ(renderer->GetShaderLibrary(), nullptr);
    EXPECT_EQ(renderer->GetTarget("attr0_map"), nullptr);
}

TEST_F(GLRendererOpen, MissingCoreShaderFailsTheOpenAndClosesEverything) {
    PutMemoryFile(
        "default_shaders.zml",
        "<ZML=1.0><GLSL_Deferred=<Shader=<Name=\"core::ambient\"><Vertex=\"#version 120\nvoid main()\n{\n"
        "gl_Position = ftransform();\n}\n\"><Pixel=\"#version 120\nvoid main()\n{\ngl_FragColor = "
        "vec4(1.0);\n}\n\">>>");
    LogCapture log;
    EXPECT_FALSE(renderer->OpenMode(Width, Height, 32, zGL3Renderer::ModeHidden));
    EXPECT_TRUE(Contains(log.Text(), "[!] Failed to load one or more core shader.\n")) << log.Text();
    // Nothing stays half open: no window, not open, closed.
    EXPECT_FALSE(renderer->IsOpen());
    EXPECT_TRUE(renderer->IsClosed());
    EXPECT_EQ(renderer->GetWindow(), nullptr);
}

TEST_F(GLRendererOpen, MissingLibraryFailsTheOpen) {
    PutMemoryFile("default_shaders.zml", "<ZML=1.0><Other=<Shader=<Name=\"x\">>>");
    LogCapture log;
    EXPECT_FALSE(renderer->OpenMode(Width, Height, 32, zGL3Renderer::ModeHidden));
    EXPECT_TRUE(Contains(log.Text(), "[!] profile 'GLSL_Deferred;' not found.\n")) << log.Text();
    EXPECT_FALSE(renderer->IsOpen());
}

TEST_F(GLRendererOpen, ResizeRefusesZeroAndRebuildsTargets) {
    EXPECT_FALSE(renderer->Resize(80, 60)); // not open
    ASSERT_TRUE(OpenHidden());
    EXPECT_FALSE(renderer->Resize(0, 600));
    GLint w = 0, h = 0, format = 0;
    Level(renderer->GetTarget("attr1_map"), w, h, format);
    EXPECT_EQ(w, GLint(Width));
    LogCapture quiet;
    EXPECT_TRUE(renderer->Resize(32, 16));
    Level(renderer->GetTarget("attr1_map"), w, h, format);
    EXPECT_EQ(w, 32);
    EXPECT_EQ(h, 16);
    i32 x, y, vw, vh;
    renderer->GetViewport(x, y, vw, vh);
    EXPECT_EQ(vw, 32);
    EXPECT_EQ(vh, 16);
}

} // namespace

namespace {

TEST_F(GLRendererOpen, FullscreenWithoutThatModeFailsAndCloses) {
    // The offscreen display has no mode at all.
    LogCapture log;
    EXPECT_FALSE(renderer->OpenMode(Width, Height, 32, zGL3Renderer::ModeFullscreen));
    EXPECT_TRUE(Contains(log.Text(), "[!] failed to switch to fullscreen.\n")) << log.Text();
    EXPECT_FALSE(Contains(log.Text(), "[H] Starting OpenGL 3 renderer...")) << log.Text();
    EXPECT_FALSE(renderer->IsOpen());
    EXPECT_EQ(renderer->GetWindow(), nullptr);
}

// Under X: the screen's one mode opens full screen, and the window shows the
// frame the renderer drew.
TEST_F(GLRendererOpen, FullscreenUnderXvfbOpensAtTheScreenModeOnly) {
    XvfbServer server;
    ASSERT_TRUE(server.IsRunning());
    const std::string display = server.Display();
    const int code = InChild([this, &display] {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        {
            LogCapture log;
            if (renderer->OpenMode(800, 600, 32, zGL3Renderer::ModeFullscreen)) return 1;
            if (!Contains(log.Text(), "[!] failed to switch to fullscreen.\n")) {
                fprintf(stderr, "%s", log.Text().c_str());
                return 2;
            }
        }
        if (!OpenHidden(false, 640, 480)) return 3;
        renderer->Close();
        LogCapture log;
        const bool opened = renderer->OpenMode(640, 480, 32, zGL3Renderer::ModeFullscreen);
        fprintf(stderr, "%s", log.Text().c_str()); // the child's console, for a failure
        if (!opened) return 4;
        renderer->ClearFrame(0.2f, 0.4f, 0.6f, 1.0f, 1.0f, ClearAll);
        zPicture picture;
        renderer->GrabDisplay(&picture);
        if (!Near(picture, 320, 240, 51, 102, 153)) return 5;
        renderer->Close();
        return 0;
    });
    EXPECT_EQ(code, 0);
}

} // namespace

namespace {

TEST_F(GLRendererOpen, ExtraOutputsShareTheContext) {
    ASSERT_TRUE(OpenHidden());
    auto extra = zPlatformWindow::Create("extra", 0, 0, 24, 24, zPlatformWindow::Hidden, 0);
    ASSERT_NE(extra, nullptr) << PlatformVideoError();
    zRenderOutput output;
    ASSERT_TRUE(renderer->NewOutput(extra.get(), output));
    LogCapture log;
    renderer->SetOutput(&output);
    renderer->SetOutput(nullptr);
    EXPECT_EQ(log.Text(), "");
    renderer->FreeOutput(&output);
    EXPECT_EQ(output.deviceContext, nullptr);
    EXPECT_TRUE(renderer->IsOpen());
}

TEST_F(GLRendererOpen, OutputWithoutAWindowFailsAndCloses) {
    ASSERT_TRUE(OpenHidden());
    zRenderOutput output;
    LogCapture log;
    EXPECT_FALSE(renderer->NewOutput(nullptr, output));
    EXPECT_TRUE(Contains(log.Text(), "[!] Couldn't get a device context for rendering window.\n"))
        << log.Text();
    EXPECT_FALSE(renderer->IsOpen());
    // Nothing to make current any more.
    log.Reset();
    renderer->SetOutput(nullptr);
    EXPECT_EQ(log.Text(), "[!] could not set output.\n");
}

} // namespace
