// The input devices under SDL's dummy video driver: a hidden 800 x 600 window
// and events pushed onto SDL's queue, pumped as the main loop would.
#pragma once

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/os_input.h"
#include "ui/hid.h"

struct InputFixture : ::testing::Test {
    static constexpr int WindowWidth = 800;
    static constexpr int WindowHeight = 600;

    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        window = SDL_CreateWindow("input", 0, 0, WindowWidth, WindowHeight, SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        hid = zHID::GetInstance();
        ASSERT_NE(hid, nullptr);
        ASSERT_TRUE(hid->Open(window));
        OsPumpEvents();
        OsResetInputState();
    }

    void TearDown() override {
        zHID::DestroyInstance();
        if (window) SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        OsResetInputState();
    }

    void PushKey(SDL_Scancode scancode, SDL_Keycode keycode, bool down) {
        SDL_Event event{};
        event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.windowID = SDL_GetWindowID(window);
        event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.key.keysym.scancode = scancode;
        event.key.keysym.sym = keycode;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }

    void PushButton(Uint8 button, bool down, int x, int y) {
        SDL_Event event{};
        event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        event.button.windowID = SDL_GetWindowID(window);
        event.button.button = button;
        event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.button.x = x;
        event.button.y = y;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }

    void PushMotion(int x, int y) {
        SDL_Event event{};
        event.type = SDL_MOUSEMOTION;
        event.motion.windowID = SDL_GetWindowID(window);
        event.motion.x = x;
        event.motion.y = y;
        ASSERT_EQ(SDL_PushEvent(&event), 1);
    }

    SDL_Window* window = nullptr;
    zHID* hid = nullptr;
};
