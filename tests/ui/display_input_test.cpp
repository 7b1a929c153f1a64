// The mouse through a real X server: the test starts its own Xvfb (skipped
// when none is installed), opens an SDL window on it, warps the pointer and
// reads the cursor back through the event pump and the mouse device.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

#include "platform/os_input.h"
#include "ui/hid.h"
#include "tests/support/xvfb.h"

// The scenario, in a child process: SDL's X11 driver opens a D-Bus
// connection that libdbus never frees, so the child leaves through _exit,
// past the leak check. 0 on success, else the step that failed.
int WarpScenario(const std::string& displayName) {
    setenv("DISPLAY", displayName.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return 1;
    SDL_Window* window = SDL_CreateWindow("input", 0, 0, 320, 240, SDL_WINDOW_SHOWN);
    if (!window) return 2;
    zHID* hid = zHID::GetInstance();
    if (!hid || !hid->Open(window)) return 3;
    zHIDDevice* mouse = hid->GetMouse();
    if (!mouse) return 4;
    // The window must be mapped before the pointer can be warped into it.
    i32 x = -1;
    i32 y = -1;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        OsWarpMouse(window, 240, 60);
        OsPumpEvents();
        mouse->Update();
        if (mouse->GetFunction(DeviceAxisX, x, nullptr, false) && x == 240 * 65535 / 320) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (x != 240 * 65535 / 320) return 5;
    if (!mouse->GetFunction(DeviceAxisY, y, nullptr, false) || y != 60 * 65535 / 240) return 6;
    zHID::DestroyInstance();
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}

TEST(DisplayInput, WarpedPointerReachesTheMouseControls) {
    XvfbServer display;
    if (!display.IsRunning()) GTEST_SKIP() << "Xvfb is not available";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(WarpScenario(display.Display()));
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failing step";
}
