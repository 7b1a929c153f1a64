#include <gtest/gtest.h>

#include <set>
#include <string>

#include "render/renderer.h"
#include "tests/gl/gl_fixture.h"
#include "tests/support/log_capture.h"

namespace {

using GLFunctions = GLContextFixture;

TEST_F(GLFunctions, FetchOnMesaFindsEverythingWithShaderSupport) {
    LogCapture log;
    u32 systemWord = 0, mrt = 0;
    ASSERT_TRUE(FetchGLExtensions(gl, lookup, systemWord, mrt));
    EXPECT_EQ(log.Text(), "[H] Fetch GL extensions...\n"
                          "Renderer instantiated with shader support.\n"
                          "Card MRT supports up to 8 target(s).\n");
    EXPECT_EQ(mrt, 8u);
    EXPECT_EQ(systemWord, 0u);
    EXPECT_NE(gl.glUseProgramObjectARB, nullptr);
    EXPECT_NE(gl.glDrawBuffers, nullptr);
    EXPECT_NE(gl.glGenQueriesARB, nullptr);
}

// A lookup that hides some names, as a driver without them would.
zGLProcLookup Hiding(const zGLProcLookup& real, std::set<std::string> hidden) {
    return [real, hidden](const char* name) -> void* { return hidden.count(name) ? nullptr : real(name); };
}

TEST_F(GLFunctions, DriverWithoutGLSLFallsBackToFixedFunction) {
    LogCapture log;
    u32 systemWord = 0, mrt = 0;
    ASSERT_TRUE(FetchGLExtensions(gl, Hiding(lookup, {"glCreateProgramObjectARB"}), systemWord, mrt));
    EXPECT_EQ(log.Text(), "[H] Fetch GL extensions...\n"
                          "[*] glCreateProgramObjectARB is not supported by this driver.\n"
                          "[*] Driver has no support for GLSL, defaulting to fixed-function pipeline.\n"
                          "Renderer instantiated with no shader support.\n");
    EXPECT_EQ(systemWord, u32(SystemDisableShader));
    EXPECT_EQ(gl.glUseProgramObjectARB, nullptr);
    EXPECT_EQ(mrt, 0u);
}

TEST_F(GLFunctions, FixedFunctionPresetFetchesNoGLSLName) {
    LogCapture log;
    u32 systemWord = SystemDisableShader, mrt = 0;
    std::set<std::string> asked;
    zGLProcLookup recording = [&](const char* name) {
        asked.insert(name);
        return lookup(name);
    };
    ASSERT_TRUE(FetchGLExtensions(gl, recording, systemWord, mrt));
    EXPECT_EQ(asked.count("glCreateProgramObjectARB"), 0u);
    EXPECT_EQ(asked.count("glShaderSourceARB"), 0u);
    EXPECT_EQ(log.Text().find("GLSL"), std::string::npos);
    EXPECT_NE(log.Text().find("Renderer instantiated with no shader support.\n"), std::string::npos);
}

TEST_F(GLFunctions, MissingNamesByNeed) {
    struct Case {
        const char* hidden;
        bool result;
        const char* logLine;
    } cases[] = {
        {"glMapBufferARB", false, "[!] glMapBufferARB is not supported by this driver.\n"},
        {"glClientActiveTextureARB", false,
         "[!] glClientActiveTextureARB is not supported by this driver.\n"},
        {"glLinkProgramARB", false, "[!] glLinkProgramARB is not supported by this driver.\n"},
        {"glBindFramebufferEXT", false, "[!] glBindFramebufferEXT is not supported by this driver.\n"},
        // Without the FBO generator the other FBO names are not needed.
        {"glGenFramebuffersEXT", true, "[*] glGenFramebuffersEXT is not supported by this driver.\n"},
        {"glGenerateMipmapEXT", true, "[*] glGenerateMipmapEXT is not supported by this driver.\n"},
        {"glGetQueryObjectuivARB", true, "[*] glGetQueryObjectuivARB is not supported by this driver.\n"},
        {"glDrawBuffers", true, "[*] glDrawBuffers is not supported by this driver.\n"},
        {"glClampColorARB", true, "[*] glClampColorARB is not supported by this driver.\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hidden);
        zGLFunctions table = gl;
        LogCapture log;
        u32 systemWord = 0, mrt = 0;
        EXPECT_EQ(FetchGLExtensions(table, Hiding(lookup, {c.hidden, "glBindFramebufferEXT_unused"}),
                                    systemWord, mrt),
                  c.result);
        EXPECT_NE(log.Text().find(c.logLine), std::string::npos) << log.Text();
        // A failure stops at the missing name.
        if (!c.result) {
            EXPECT_EQ(log.Text().substr(log.Text().size() - std::string(c.logLine).size()), c.logLine);
        }
    }
}

TEST_F(GLFunctions, CoreNamesMissingAreEachReported) {
    zGLFunctions table;
    LogCapture log;
    EXPECT_FALSE(LoadGLCoreFunctions(table, Hiding(lookup, {"glReadPixels", "glTexEnvi"})));
    EXPECT_EQ(log.Text(), "[!] glReadPixels is not supported by this driver.\n"
                          "[!] glTexEnvi is not supported by this driver.\n");
    EXPECT_NE(table.glEnable, nullptr);
}

TEST_F(GLFunctions, ReportGLErrorNamesTheErrorAndWhere) {
    LogCapture log;
    ReportGLError(gl, "here", 12);
    EXPECT_EQ(log.Text(), "");
    gl.glEnable(0xFFFF);
    ReportGLError(gl, "renderer.cpp", 42);
    EXPECT_EQ(log.Text(), "[!] GL invalid enumeration (renderer.cpp:42).\n");
    EXPECT_EQ(gl.glGetError(), GLenum(zgl::NoError));

    struct Case {
        GLenum code;
        const char* line;
    } cases[] = {
        {zgl::InvalidValue, "[!] GL invalid value (w:1).\n"},
        {zgl::InvalidOperation, "[!] GL invalid operation (w:1).\n"},
        {zgl::StackOverflow, "[!] GL stack overflow (w:1).\n"},
        {zgl::StackUnderflow, "[!] GL stack underflow (w:1).\n"},
        {zgl::OutOfMemory, "[!] GL out of memory (w:1).\n"},
        {0x0506, "[!] GL error 1286 (w:1).\n"},
    };
    static GLenum pending = 0;
    zGLFunctions faked = gl;
    faked.glGetError = [] { return pending; };
    for (const Case& c : cases) {
        log.Reset();
        pending = c.code;
        ReportGLError(faked, "w", 1);
        EXPECT_EQ(log.Text(), c.line);
    }
}

// The "egl2" table is process-wide: each case starts from an empty one.
struct EGLEntryPoints : GLContextFixture {
    void SetUp() override {
        GLContextFixture::SetUp();
        GetEGLFunctions() = zEGLFunctions{};
    }
    void TearDown() override {
        GetEGLFunctions() = zEGLFunctions{};
        GLContextFixture::TearDown();
    }
};

TEST_F(EGLEntryPoints, LoadAfterAFailedLoadFetchesAgain) {
    LogCapture log;
    int asked = 0;
    zGLProcLookup withoutShaders = [&](const char* name) -> void* {
        ++asked;
        return std::string(name) == "glCompileShader" ? nullptr : lookup(name);
    };
    EXPECT_FALSE(LoadEGLEntryPoints(withoutShaders));
    EXPECT_EQ(log.Text(), "[!] glCompileShader is not supported by this driver.\n");
    EXPECT_FALSE(GetEGLFunctions().loaded);
    EXPECT_NE(GetEGLFunctions().glActiveTextureARB, nullptr);
    // The first pointer is set, yet the table is not loaded: a second load
    // must fail again, not hand out null pointers.
    const int firstAsked = asked;
    EXPECT_FALSE(LoadEGLEntryPoints(withoutShaders));
    EXPECT_EQ(asked, 2 * firstAsked);

    log.Reset();
    ASSERT_TRUE(LoadEGLEntryPoints(lookup));
    EXPECT_EQ(log.Text(), "");
    EXPECT_TRUE(GetEGLFunctions().loaded);
    EXPECT_NE(GetEGLFunctions().glDrawBuffers, nullptr);
    EXPECT_NE(GetEGLFunctions().glGetError, nullptr);
    // Loaded: nothing is fetched again.
    EXPECT_TRUE(LoadEGLEntryPoints([](const char*) -> void* { return nullptr; }));
}

TEST_F(EGLEntryPoints, ReportKnowsNoStackErrors) {
    ASSERT_TRUE(LoadEGLEntryPoints(lookup));
    static GLenum pending = 0;
    zEGLFunctions faked = GetEGLFunctions();
    faked.glGetError = [] { return pending; };
    struct Case {
        GLenum code;
        const char* line;
    } cases[] = {
        {zgl::NoError, ""},
        {zgl::InvalidEnum, "[!] GL invalid enumeration (es:7).\n"},
        {zgl::StackOverflow, "[!] GL error 1283 (es:7).\n"},
        {zgl::StackUnderflow, "[!] GL error 1284 (es:7).\n"},
        {zgl::OutOfMemory, "[!] GL out of memory (es:7).\n"},
    };
    for (const Case& c : cases) {
        LogCapture log;
        pending = c.code;
        ReportEGLError(faked, "es", 7);
        EXPECT_EQ(log.Text(), c.line);
    }
}

} // namespace
