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

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/os_input.h"
#include "ui/hid.h"

extern char** environ;

namespace {

// An Xvfb of our own on the first free display, stopped by the destructor.
class VirtualDisplay {
  public:
    VirtualDisplay() {
        int pipeFds[2];
        if (pipe(pipeFds) != 0) return;
        const std::string fd = std::to_string(pipeFds[1]);
        const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp",
                              nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        const int spawned =
            posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[1]);
        if (spawned != 0) {
            m_pid = -1;
            close(pipeFds[0]);
            return;
        }
        // Xvfb writes the display number once it accepts clients.
        std::string number;
        char c = 0;
        while (read(pipeFds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(pipeFds[0]);
        if (!number.empty()) m_display = ":" + number;
    }
    ~VirtualDisplay() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
    }
    const std::string& Name() const { return m_display; }

  private:
    pid_t m_pid = -1;
    std::string m_display;
};

} // namespace

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
    VirtualDisplay display;
    if (display.Name().empty()) GTEST_SKIP() << "Xvfb is not available";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(WarpScenario(display.Name()));
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the failing step";
}
