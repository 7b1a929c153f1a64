// The main loop's pumps (the application's window pump and the GL display's)
// take every event off SDL's queue: the keys, buttons and cursor among them
// must reach the input tables, or a player with a window never sees input.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>

#include "platform/gl_display.h"
#include "platform/os_input.h"
#include "platform/window_events.h"

namespace {

struct Pump {
    const char* name;
    bool (*run)(); // pumps; true when it saw a request to quit
};

bool RunWindowPump() {
    return OsPumpWindowEvents().quitRequested;
}

bool RunDisplayPump() {
    PlatformPumpEvents();
    const bool quit = PlatformQuitRequested();
    PlatformClearQuitRequest();
    return quit;
}

void PrintTo(const Pump& pump, std::ostream* out) {
    *out << pump.name;
}

const Pump Pumps[] = {{"OsPumpWindowEvents", RunWindowPump}, {"PlatformPumpEvents", RunDisplayPump}};

struct WindowPump : ::testing::TestWithParam<Pump> {
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_TRUE(OsInputOpen());
        OsPumpEvents();
        OsResetInputState();
        PlatformClearQuitRequest();
    }
    void TearDown() override {
        OsResetInputState();
        OsInputClose();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    static void Push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1); }
};

TEST_P(WindowPump, FeedsKeysButtonsAndCursorToTheInputTables) {
    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.keysym.scancode = SDL_SCANCODE_H;
    key.key.keysym.sym = SDLK_h;
    Push(key);
    SDL_Event button{};
    button.type = SDL_MOUSEBUTTONDOWN;
    button.button.button = SDL_BUTTON_LEFT;
    button.button.x = 140;
    button.button.y = 60;
    Push(button);
    EXPECT_FALSE(GetParam().run());
    EXPECT_TRUE(OsCharKeyDown('h'));
    EXPECT_TRUE(OsMouseButtonDown(zOsMouseButton::Left));
    int x = 0, y = 0;
    ASSERT_TRUE(OsGetCursorPosition(x, y));
    EXPECT_EQ(x, 140);
    EXPECT_EQ(y, 60);

    key.type = SDL_KEYUP;
    Push(key);
    button.type = SDL_MOUSEBUTTONUP;
    Push(button);
    GetParam().run();
    EXPECT_FALSE(OsCharKeyDown('h'));
    EXPECT_FALSE(OsMouseButtonDown(zOsMouseButton::Left));
}

TEST_P(WindowPump, StillReportsAClosedWindow) {
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    Push(close);
    EXPECT_TRUE(GetParam().run());
    EXPECT_FALSE(GetParam().run());
}

INSTANTIATE_TEST_SUITE_P(Pumps, WindowPump, ::testing::ValuesIn(Pumps),
                         [](const ::testing::TestParamInfo<Pump>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
