#include "platform/os_input.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

namespace {

struct InputOpen {
    InputOpen() {
        opened = OsInputOpen();
        OsPumpEvents();
        OsResetInputState();
    }
    ~InputOpen() {
        OsResetInputState();
        if (opened) OsInputClose();
    }
    bool opened;
};

void Push(const SDL_Event& event) { ASSERT_EQ(SDL_PushEvent(const_cast<SDL_Event*>(&event)), 1); }

SDL_Event Key(SDL_Scancode scancode, SDL_Keycode keycode, bool down) {
    SDL_Event event{};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.keysym.scancode = scancode;
    event.key.keysym.sym = keycode;
    return event;
}

} // namespace

TEST(OsInput, PumpReportsQuitAndResize) {
    InputOpen input;
    ASSERT_TRUE(input.opened) << SDL_GetError();
    EXPECT_EQ(OsPumpEvents(), 0u);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    Push(quit);
    EXPECT_EQ(OsPumpEvents(), static_cast<std::uint32_t>(OsPumpQuit));
    SDL_Event window{};
    window.type = SDL_WINDOWEVENT;
    window.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
    Push(window);
    window.window.event = SDL_WINDOWEVENT_CLOSE;
    Push(window);
    EXPECT_EQ(OsPumpEvents(), static_cast<std::uint32_t>(OsPumpQuit | OsPumpResized));
    EXPECT_EQ(OsPumpEvents(), 0u);
}

TEST(OsInput, KeysFollowTheirEventsAndRepeatsCountOnce) {
    InputOpen input;
    ASSERT_TRUE(input.opened);
    Push(Key(SDL_SCANCODE_A, SDLK_a, true));
    Push(Key(SDL_SCANCODE_A, SDLK_a, true)); // auto-repeat
    Push(Key(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, true));
    OsPumpEvents();
    EXPECT_TRUE(OsCharKeyDown('a'));
    EXPECT_TRUE(OsCharKeyDown('A'));
    EXPECT_FALSE(OsCharKeyDown('b'));
    EXPECT_FALSE(OsCharKeyDown('!'));
    EXPECT_TRUE(OsKeyDown(zOsKey::Escape));
    EXPECT_FALSE(OsKeyDown(zOsKey::Count));
    // The release clears the character the key gave when pressed, even when
    // the event names another one (layout switched while held).
    Push(Key(SDL_SCANCODE_A, SDLK_q, false));
    Push(Key(SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, false));
    OsPumpEvents();
    EXPECT_FALSE(OsCharKeyDown('a'));
    EXPECT_FALSE(OsCharKeyDown('q'));
    EXPECT_FALSE(OsKeyDown(zOsKey::Escape));
}

TEST(OsInput, CursorIsUnknownUntilReported) {
    InputOpen input;
    ASSERT_TRUE(input.opened);
    int x = -1;
    int y = -1;
    EXPECT_FALSE(OsGetCursorPosition(x, y));
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 12;
    motion.motion.y = -3;
    Push(motion);
    OsPumpEvents();
    ASSERT_TRUE(OsGetCursorPosition(x, y));
    EXPECT_EQ(x, 12);
    EXPECT_EQ(y, -3);
    OsGetWindowClientSize(nullptr, x, y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}
