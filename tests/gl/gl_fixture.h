// A hidden 64 x 48 window with a current GL context on SDL's offscreen
// driver, the renderer's function table loaded from it, and a helper that
// compiles and links a GLSL program pair with the info log kept.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/gl_display.h"
#include "render/gl/gl_functions.h"

struct GLContextFixture : ::testing::Test {
    std::unique_ptr<zPlatformWindow> window;
    std::unique_ptr<zPlatformGLContext> context;
    zGLFunctions gl;
    zGLProcLookup lookup;

    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        window = zPlatformWindow::Create("gl test", 0, 0, 64, 48, zPlatformWindow::Hidden, 0);
        ASSERT_NE(window, nullptr) << PlatformVideoError();
        context = zPlatformGLContext::Create(*window);
        ASSERT_NE(context, nullptr) << PlatformVideoError();
        lookup = [this](const char* name) { return context->GetProc(name); };
        ASSERT_TRUE(LoadGLCoreFunctions(gl, lookup));
    }
    void TearDown() override {
        context.reset();
        window.reset();
    }

    // The shader entry points, without the renderer's fetch and its log.
    void LoadShaderObjects() {
        u32 systemWord = 0, mrt = 0;
        ASSERT_TRUE(FetchGLExtensions(gl, lookup, systemWord, mrt));
    }

    // Compiles and links; false with the compiler's words in log.
    bool Link(const std::string& vertex, const std::string& fragment, std::string& log) {
        GLhandleARB program = gl.glCreateProgramObjectARB();
        bool ok = Attach(program, zgl::VertexShader, vertex, log) &&
                  Attach(program, zgl::FragmentShader, fragment, log);
        if (ok) {
            gl.glLinkProgramARB(program);
            GLint linked = 0;
            gl.glGetObjectParameterivARB(program, zgl::ObjectLinkStatus, &linked);
            if (!linked) {
                log += "link: " + InfoLog(program);
                ok = false;
            }
        }
        gl.glDeleteObjectARB(program);
        return ok;
    }

  private:
    std::string InfoLog(GLhandleARB object) {
        char text[4096] = {};
        GLsizei length = 0;
        gl.glGetInfoLogARB(object, sizeof text - 1, &length, text);
        return text;
    }
    bool Attach(GLhandleARB program, GLenum kind, const std::string& source, std::string& log) {
        GLhandleARB shader = gl.glCreateShaderObjectARB(kind);
        const char* text = source.c_str();
        gl.glShaderSourceARB(shader, 1, &text, nullptr);
        gl.glCompileShaderARB(shader);
        GLint compiled = 0;
        gl.glGetObjectParameterivARB(shader, zgl::ObjectCompileStatus, &compiled);
        if (!compiled)
            log += (kind == zgl::VertexShader ? "vertex: " : "fragment: ") + InfoLog(shader) + "\n" + source;
        gl.glAttachObjectARB(program, shader);
        gl.glDeleteObjectARB(shader);
        return compiled != 0;
    }
};
