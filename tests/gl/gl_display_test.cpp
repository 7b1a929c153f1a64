// Windows and GL contexts on SDL's offscreen driver (EGL on Mesa, no X
// server), which every test here selects before the video subsystem starts.
#include <gtest/gtest.h>

#include <SDL.h>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/gl_display.h"
#include "platform/gl_types.h"
#include "tests/gl/child_process.h"
#include "tests/support/xvfb.h"

namespace {

struct OffscreenDisplay : ::testing::Test {
    void SetUp() override { setenv("SDL_VIDEODRIVER", "offscreen", 1); }
};

TEST_F(OffscreenDisplay, HiddenWindowWithContextReportsItsStrings) {
    auto window = zPlatformWindow::Create("test", 32, 32, 64, 48, zPlatformWindow::Hidden, 0);
    ASSERT_NE(window, nullptr) << PlatformVideoError();
    EXPECT_FALSE(window->IsShown());
    auto context = zPlatformGLContext::Create(*window);
    ASSERT_NE(context, nullptr) << PlatformVideoError();
    std::uint32_t width = 0, height = 0;
    window->GetDrawableSize(width, height);
    EXPECT_EQ(width, 64u);
    EXPECT_EQ(height, 48u);
    EXPECT_GE(context->GetVersionNumber(), 20u) << context->GetVersionString();
    EXPECT_FALSE(context->GetVendorString().empty());
    EXPECT_FALSE(context->GetRendererString().empty());
    EXPECT_TRUE(context->HasExtension("GL_ARB_multitexture"));
    EXPECT_FALSE(context->HasExtension("GL_ARB_multi"));
    EXPECT_FALSE(context->HasExtension(""));
    window->ShowWindow();
    EXPECT_TRUE(window->IsShown());
    window->SetTitle("retitled");
    EXPECT_STREQ(SDL_GetWindowTitle(static_cast<SDL_Window*>(window->GetNativeHandle())), "retitled");
}

// SDL answers a pointer for any name, so only the gate can say "missing".
TEST_F(OffscreenDisplay, GetProcAnswersOnlyNamesTheContextOffers) {
    auto window = zPlatformWindow::Create("test", 0, 0, 16, 16, zPlatformWindow::Hidden, 0);
    ASSERT_NE(window, nullptr) << PlatformVideoError();
    auto context = zPlatformGLContext::Create(*window);
    ASSERT_NE(context, nullptr) << PlatformVideoError();
    EXPECT_NE(SDL_GL_GetProcAddress("glTotallyBogusFunctionXYZ"), nullptr);
    struct Case {
        const char* name;
        bool offered;
    } cases[] = {
        {"glTotallyBogusFunctionXYZ", false},
        {nullptr, false},
        {"glGetString", true},
        {"glGenBuffersARB", true},
        {"glCreateProgramObjectARB", true},
        {"glUseProgram", true},
        {"glGenerateMipmapEXT", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name ? c.name : "(null)");
        EXPECT_EQ(context->Offers(c.name), c.offered);
        EXPECT_EQ(context->GetProc(c.name) != nullptr, c.offered);
    }
    // A working call through a fetched pointer.
    using GetErrorProc = GLenum (*)();
    auto getError = reinterpret_cast<GetErrorProc>(context->GetProc("glGetError"));
    ASSERT_NE(getError, nullptr);
    EXPECT_EQ(getError(), GLenum(zgl::NoError));
}

TEST_F(OffscreenDisplay, ExtensionRemovedByTheDriverIsNotOffered) {
    const int code = InChild([] {
        setenv("MESA_EXTENSION_OVERRIDE", "-GL_ARB_shader_objects", 1);
        auto window = zPlatformWindow::Create("test", 0, 0, 16, 16, zPlatformWindow::Hidden, 0);
        if (!window) return 1;
        auto context = zPlatformGLContext::Create(*window);
        if (!context) return 2;
        if (context->HasExtension("GL_ARB_shader_objects")) return 3;
        if (context->GetProc("glCreateProgramObjectARB")) return 4;
        if (!context->GetProc("glUseProgram")) return 5;
        return 0;
    });
    EXPECT_EQ(code, 0);
}

TEST_F(OffscreenDisplay, ContextMadeCurrentOnASecondWindow) {
    auto window = zPlatformWindow::Create("main", 0, 0, 16, 16, zPlatformWindow::Hidden, 0);
    ASSERT_NE(window, nullptr) << PlatformVideoError();
    auto context = zPlatformGLContext::Create(*window);
    ASSERT_NE(context, nullptr) << PlatformVideoError();
    auto output = zPlatformWindow::Create("output", 0, 0, 24, 24, zPlatformWindow::Hidden, 0);
    ASSERT_NE(output, nullptr) << PlatformVideoError();
    EXPECT_TRUE(context->MakeCurrent(*output));
    EXPECT_TRUE(context->MakeCurrent(*window));
    window->Swap();
    zPlatformGLContext::ReleaseCurrent();
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
}

TEST_F(OffscreenDisplay, FullscreenRefusedWithoutThatDisplayMode) {
    auto window = zPlatformWindow::Create("test", 0, 0, 16, 16, zPlatformWindow::Hidden, 0);
    ASSERT_NE(window, nullptr) << PlatformVideoError();
    // The offscreen display lists no real mode: nothing can be set.
    EXPECT_FALSE(window->EnterFullscreen(640, 480));
    EXPECT_EQ(SDL_GetWindowFlags(static_cast<SDL_Window*>(window->GetNativeHandle())) & SDL_WINDOW_FULLSCREEN,
              0u);
}

// Under X the screen's one mode (640x480) can be set, any other size cannot,
// although SDL itself reports success for it.
TEST(XvfbDisplay, FullscreenOnlyAtAnExactMode) {
    XvfbServer server;
    ASSERT_TRUE(server.IsRunning());
    const std::string display = server.Display();
    const int code = InChild([&display] {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        auto window = zPlatformWindow::Create("test", 32, 32, 64, 48, zPlatformWindow::Shown, 0);
        if (!window) return 1;
        if (window->EnterFullscreen(800, 600)) return 2;
        // Under load X11 may not have mapped the window in time for the switch: try again.
        bool entered = false;
        for (int attempt = 0; attempt < 3 && !entered; ++attempt) entered = window->EnterFullscreen(640, 480);
        if (!entered) return 3;
        window->LeaveFullscreen();
        return 0;
    });
    EXPECT_EQ(code, 0);
}

TEST_F(OffscreenDisplay, WindowCloseRaisesTheQuitFlagUntilCleared) {
    auto window = zPlatformWindow::Create("test", 0, 0, 16, 16, zPlatformWindow::Hidden, 0);
    ASSERT_NE(window, nullptr) << PlatformVideoError();
    PlatformClearQuitRequest();
    PlatformPumpEvents();
    EXPECT_FALSE(PlatformQuitRequested());
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    event.window.windowID = SDL_GetWindowID(static_cast<SDL_Window*>(window->GetNativeHandle()));
    ASSERT_EQ(SDL_PushEvent(&event), 1);
    PlatformPumpEvents();
    EXPECT_TRUE(PlatformQuitRequested());
    PlatformPumpEvents();
    EXPECT_TRUE(PlatformQuitRequested());
    PlatformClearQuitRequest();
    EXPECT_FALSE(PlatformQuitRequested());
}

TEST_F(OffscreenDisplay, MultisampleRequestFallsBackWhenNotAvailable) {
    // The offscreen driver has no multisampled configs: the window still opens.
    auto window = zPlatformWindow::Create("test", 0, 0, 16, 16, zPlatformWindow::Hidden, 2);
    ASSERT_NE(window, nullptr) << PlatformVideoError();
    auto context = zPlatformGLContext::Create(*window);
    ASSERT_NE(context, nullptr) << PlatformVideoError();
}

} // namespace
