// The window side of the main loop: draining the window system's events and
// reading the Escape key. Both look only at SDL's video subsystem, and only
// when a renderer initialised it; headless runs (the "none" renderer) never
// do, so there the pump does nothing and Escape is never down.
#pragma once

// What one pump saw.
struct zOsWindowEvents {
    bool quitRequested = false; // the window was closed or the system asked to quit
    bool resized = false;       // a window changed its size
};

// Removes every pending event of the window system; keys, mouse buttons and
// the cursor go to the input tables of platform/os_input.h on the way.
zOsWindowEvents OsPumpWindowEvents();

// True while Escape is held in one of our windows, as of the last pump.
bool OsIsEscapeDown();
