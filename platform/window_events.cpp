#include "platform/window_events.h"

#include <SDL.h>

zOsWindowEvents OsPumpWindowEvents() {
    zOsWindowEvents seen;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return seen;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT) {
            seen.quitRequested = true;
        } else if (event.type == SDL_WINDOWEVENT) {
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) seen.quitRequested = true;
            if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) seen.resized = true;
        }
    }
    return seen;
}

bool OsIsEscapeDown() {
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
    int count = 0;
    const Uint8* keys = SDL_GetKeyboardState(&count);
    return keys && SDL_SCANCODE_ESCAPE < count && keys[SDL_SCANCODE_ESCAPE] != 0;
}
