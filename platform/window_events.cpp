#include "platform/window_events.h"

#include <SDL.h>

#include "platform/os_input.h"

zOsWindowEvents OsPumpWindowEvents() {
    zOsWindowEvents seen;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return seen;
    // One pump for the whole queue: the keys, buttons and cursor it takes off
    // go to the input tables, or the devices would never see them.
    const std::uint32_t flags = OsPumpEvents();
    seen.quitRequested = (flags & OsPumpQuit) != 0;
    seen.resized = (flags & OsPumpResized) != 0;
    return seen;
}

bool OsIsEscapeDown() {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
    int count = 0;
    const Uint8* keys = SDL_GetKeyboardState(&count);
    return keys && SDL_SCANCODE_ESCAPE < count && keys[SDL_SCANCODE_ESCAPE] != 0;
}
