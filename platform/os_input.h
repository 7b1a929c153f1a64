// Keyboard, mouse and joypads over SDL2, read the way a poller wants them.
//
// Key and mouse-button state is our own table, fed by OsPumpEvents from the
// SDL events it takes off the queue (never SDL's own keyboard state), so that
// events pushed with SDL_PushEvent count exactly like real ones. The cursor is
// the position of the last motion or button event, in client pixels of the
// window it came from; SDL reports positions outside the window only while it
// captures the mouse (a button held), so a cursor that left the window keeps
// its last reported position.
//
// SDL delivers keys to a focused SDL window only: with no window there is no
// keyboard. Joypads are polled (SDL_JoystickUpdate, then the current axes and
// buttons), not event-fed. Main thread only, like SDL's event queue.
#pragma once

#include <cstdint>
#include <memory>

// Opens SDL's event, joystick and haptic subsystems (joystick events are
// taken in the background too); false when SDL refuses. Counted: every
// successful open wants one OsInputClose.
bool OsInputOpen();
void OsInputClose();

// What OsPumpEvents saw.
enum zOsPumpFlags : std::uint32_t {
    OsPumpQuit = 1,    // a window was closed or the process was asked to quit
    OsPumpResized = 2, // a window changed its client size
};

// Takes every pending event off SDL's queue, feeds the key, button and cursor
// tables, and returns the zOsPumpFlags seen. Events of a window other than
// the one given to OsInputSetWindow (when one is set) still feed the tables.
std::uint32_t OsPumpEvents();

// The window whose client area the cursor is read in: an SDL_Window* passed
// as an opaque handle, or null.
void OsInputSetWindow(void* window);
void* OsInputGetWindow();

// Keys read by position (scancode), whatever the layout.
enum class zOsKey : std::uint8_t {
    Up, Down, Left, Right,
    LShift, RShift, LCtrl, RCtrl, LAlt, RAlt, LGui, RGui,
    F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
    ScrollLock, Pause, NumLock,
    Numpad0, Numpad1, Numpad2, Numpad3, Numpad4, Numpad5, Numpad6, Numpad7, Numpad8, Numpad9,
    Escape, Space, Tab, Backspace, PageUp, PageDown, Return,
    Count
};

bool OsKeyDown(zOsKey key);
// A character key by its meaning in the current layout: 'a'..'z' (either
// case asked) and '0'..'9'; false for anything else.
bool OsCharKeyDown(char character);

enum class zOsMouseButton : std::uint8_t { Left, Right, Middle };
bool OsMouseButtonDown(zOsMouseButton button);
// The cursor in client pixels of the window it was last reported in; false
// before any position was reported.
bool OsGetCursorPosition(int& x, int& y);
// Client size of an SDL window given as an opaque handle; 0 x 0 for null.
void OsGetWindowClientSize(void* window, int& width, int& height);
// Moves the cursor into the window (tests, cursor recentring); the window
// system answers with a motion event on the next pump.
void OsWarpMouse(void* window, int x, int y);

// Empties the key, button and cursor tables (tests; focus changes).
void OsResetInputState();

// Joypads.
struct zOsJoypadInfo {
    const char* name; // valid during the visit only
    std::int32_t instanceId;
    bool forceFeedback; // a haptic device or rumble motors
};
using zOsJoypadVisitor = void (*)(const zOsJoypadInfo& info, void* user);
// Visits every attached joypad in SDL's device order; returns the count.
int OsEnumerateJoypads(zOsJoypadVisitor visit, void* user);

// The state record of one poll, DirectInput's default ranges: axes 0..65535
// (SDL value + 32768) in the order X, Y, Z, RX, RY, RZ, slider 0, slider 1
// (SDL axes 0..7, absent ones 0); buttons 128 while pressed, else 0.
struct zOsJoypadState {
    std::int32_t axes[8];
    std::uint8_t buttons[16];
};

class zOsJoypad {
  public:
    enum Axis { AxisX, AxisY, AxisZ, AxisRX, AxisRY, AxisRZ, Slider0, Slider1, AxisCount };

    // Null when no attached joypad has that instance id or it cannot be opened.
    static std::unique_ptr<zOsJoypad> Open(std::int32_t instanceId);
    ~zOsJoypad();
    zOsJoypad(const zOsJoypad&) = delete;
    zOsJoypad& operator=(const zOsJoypad&) = delete;

    // Polls the device; false (state untouched) when it was detached.
    bool Read(zOsJoypadState& state);

    // Switches the self-centring spring off; false when the device has a
    // haptic part that refuses it, true when there is nothing to switch off.
    bool DisableAutocenter();
    // Sets up a constant force: a haptic constant-force effect, else the
    // rumble motors. False when the device has neither.
    bool CreateConstantForce();
    bool HasConstantForce() const;
    // Magnitude on the DirectInput scale (±10000 full force, clamped): the
    // haptic effect's level m x 32767 / 10000, or both rumble motors at
    // |m| x 65535 / 10000. Each call (re)starts the effect; 0 stops rumble.
    void SetConstantForce(std::int32_t magnitude);
    // Rumble lasts a finite time per call: re-arms it while the force is on.
    void Refresh();

  private:
    struct Device;
    explicit zOsJoypad(std::unique_ptr<Device> device);
    std::unique_ptr<Device> m_device;
};

// Tests: attaches an SDL virtual joystick with 8 axes, 16 buttons and rumble
// motors whose last request is kept; returns its device index or -1.
int OsAttachVirtualJoypad(const char* name);
bool OsDetachVirtualJoypad(int deviceIndex);
// Sets an axis (SDL range) or a button of the attached virtual joypad of that
// instance id; takes effect at its next poll.
bool OsSetVirtualJoypadAxis(std::int32_t instanceId, int axis, std::int16_t value);
bool OsSetVirtualJoypadButton(std::int32_t instanceId, int button, bool down);
// The last rumble request made to any virtual joypad.
void OsGetVirtualRumble(std::uint16_t& low, std::uint16_t& high);
