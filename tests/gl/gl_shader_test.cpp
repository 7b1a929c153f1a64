#include <gtest/gtest.h>

#include <string>

#include "render/gl/gl_shader.h"
#include "render/null_renderer.h"
#include "tests/gl/gl_fixture.h"
#include "tests/shader/shader_fixtures.h"
#include "tests/support/log_capture.h"
#include "tests/support/memory_files.h"

namespace {

const char* const Vertex = "#version 120\nvoid main()\n{\ngl_Position = ftransform();\n}\n";
const char* const Pixel = "#version 120\nuniform float alpha_threshold;\nvoid main()\n{\n"
                          "gl_FragColor = vec4(alpha_threshold);\n}\n";
// A float takes no swizzle.
const char* const BrokenPixel =
    "#version 120\nvoid main()\n{\nfloat a = 1.0;\ngl_FragColor = vec4(a.x);\n}\n";

struct GLShaders : GLContextFixture {
    NoRendererHost host;
    std::unique_ptr<zNull_Renderer> renderer;
    void SetUp() override {
        GLContextFixture::SetUp();
        if (HasFatalFailure()) return;
        LogCapture quiet;
        LoadShaderObjects();
        renderer = std::make_unique<zNull_Renderer>(&host, false);
    }
};

TEST_F(GLShaders, CompileLinksAndFreeZeroesTheHandles) {
    LogCapture log;
    zSharedPtr<zGL3Shader> shader(new zGL3Shader(renderer.get(), gl));
    ASSERT_TRUE(shader->Compile("core::flat", Vertex, Pixel));
    EXPECT_EQ(log.Text(), "");
    EXPECT_EQ(shader->GetName(), "core::flat");
    EXPECT_NE(shader->GetProgram(), 0u);
    EXPECT_NE(shader->GetVertexShader(), 0u);
    EXPECT_NE(shader->GetPixelShader(), 0u);
    EXPECT_GE(gl.glGetUniformLocationARB(shader->GetProgram(), "alpha_threshold"), 0);
    EXPECT_EQ(shader->GetLocation(zGL3Shader::LocationAlphaThreshold), -1);

    // Compiling again frees the previous program first.
    shader->SetLocation(zGL3Shader::LocationSkinId, 3);
    ASSERT_TRUE(shader->Setup("core::again", Vertex, Pixel));
    EXPECT_EQ(shader->GetName(), "core::again");
    EXPECT_EQ(shader->GetLocation(zGL3Shader::LocationSkinId), -1);
    shader->Free();
    EXPECT_EQ(shader->GetProgram(), 0u);
    EXPECT_EQ(shader->GetVertexShader(), 0u);
    EXPECT_EQ(shader->GetPixelShader(), 0u);
    EXPECT_EQ(gl.glGetError(), GLenum(zgl::NoError));
}

TEST_F(GLShaders, CompileFailureLogsTheCompilerAndKeepsTheName) {
    LogCapture log;
    zSharedPtr<zGL3Shader> shader(new zGL3Shader(renderer.get(), gl));
    EXPECT_FALSE(shader->Compile("core::broken", Vertex, BrokenPixel));
    EXPECT_EQ(shader->GetName(), "core::broken");
    const std::string text = log.Text();
    EXPECT_NE(text.find("error"), std::string::npos) << text;
    const std::string last = "[!] Cannot load shader 'core::broken'.\n";
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

TEST_F(GLShaders, CompileNeedsAllThreeTexts) {
    LogCapture log;
    zSharedPtr<zGL3Shader> shader(new zGL3Shader(renderer.get(), gl));
    EXPECT_FALSE(shader->Compile(nullptr, Vertex, Pixel));
    EXPECT_FALSE(shader->Compile("n", nullptr, Pixel));
    EXPECT_FALSE(shader->Compile("n", Vertex, nullptr));
    EXPECT_EQ(shader->GetProgram(), 0u);
    EXPECT_EQ(log.Text(), "");
}

// A renderer whose shaders compile on the fixture's context.
struct CompilingRenderer : zNull_Renderer {
    CompilingRenderer(zRenderHost* host, const zGLFunctions& table)
        : zNull_Renderer(host, false), gl(table) {}
    zShader* NewShader() override { return new zGL3Shader(this, gl); }
    const zGLFunctions& gl;
};

TEST_F(GLShaders, LibraryKeepsAProgramThatDoesNotLinkAndSaysSo) {
    CompilingRenderer compiling(&host, gl);
    zShaderLibrary library(&compiling);
    auto quote = [](const char* text) {
        std::string quoted = "\"";
        for (const char* c = text; *c; ++c) {
            if (*c == '"' || *c == '\\') quoted += '\\';
            quoted += *c;
        }
        return quoted + "\"";
    };
    PutMemoryFile("gl_library.zml", "<ZML=1.0>\n<GLSL_Deferred=<Shader=<Name=\"core::fog\"><Vertex=" +
                                        quote(Vertex) + "><Pixel=" + quote(Pixel) +
                                        ">><Shader=<Name=\"core::broken\"><Vertex=" + quote(Vertex) +
                                        "><Pixel=" + quote(BrokenPixel) + ">>>");
    LogCapture log;
    ASSERT_TRUE(library.Load("gl_library.zml", "GLSL_Deferred;"));
    auto* fog = static_cast<zGL3Shader*>(library.Find("core::fog"));
    ASSERT_NE(fog, nullptr);
    EXPECT_NE(fog->GetProgram(), 0u);
    ASSERT_NE(library.Find("core::broken"), nullptr);
    const std::string text = log.Text();
    EXPECT_NE(
        text.find("[!] Cannot load shader 'core::broken'.\n"
                  "[*] Shader 'core::broken' of library 'gl_library.zml' did not set up; it stays in the "
                  "library.\n2 shader in library 'gl_library.zml'.\n"),
        std::string::npos)
        << text;
    library.Clear();
}

} // namespace
