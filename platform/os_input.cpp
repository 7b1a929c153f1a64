#include "platform/os_input.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr std::uint32_t InputSubsystems = SDL_INIT_EVENTS | SDL_INIT_JOYSTICK;
// One rumble request lasts this long; Refresh renews it well before.
constexpr std::uint32_t RumbleDurationMs = 1000;

struct InputTables {
    bool keys[static_cast<int>(zOsKey::Count)];
    // The layout character each held scancode gave when it went down, so that
    // its release clears the same character.
    char scancodeChar[SDL_NUM_SCANCODES];
    std::uint8_t charDownCount[128];
    bool buttons[3];
    bool hasCursor;
    int cursorX;
    int cursorY;
};

InputTables g_tables;
SDL_Window* g_window = nullptr;
int g_opens = 0;
bool g_haptic = false;

struct ScancodeKey {
    SDL_Scancode scancode;
    zOsKey key;
};

const ScancodeKey ScancodeKeys[] = {
    {SDL_SCANCODE_UP, zOsKey::Up},
    {SDL_SCANCODE_DOWN, zOsKey::Down},
    {SDL_SCANCODE_LEFT, zOsKey::Left},
    {SDL_SCANCODE_RIGHT, zOsKey::Right},
    {SDL_SCANCODE_LSHIFT, zOsKey::LShift},
    {SDL_SCANCODE_RSHIFT, zOsKey::RShift},
    {SDL_SCANCODE_LCTRL, zOsKey::LCtrl},
    {SDL_SCANCODE_RCTRL, zOsKey::RCtrl},
    {SDL_SCANCODE_LALT, zOsKey::LAlt},
    {SDL_SCANCODE_RALT, zOsKey::RAlt},
    {SDL_SCANCODE_LGUI, zOsKey::LGui},
    {SDL_SCANCODE_RGUI, zOsKey::RGui},
    {SDL_SCANCODE_F1, zOsKey::F1},
    {SDL_SCANCODE_F2, zOsKey::F2},
    {SDL_SCANCODE_F3, zOsKey::F3},
    {SDL_SCANCODE_F4, zOsKey::F4},
    {SDL_SCANCODE_F5, zOsKey::F5},
    {SDL_SCANCODE_F6, zOsKey::F6},
    {SDL_SCANCODE_F7, zOsKey::F7},
    {SDL_SCANCODE_F8, zOsKey::F8},
    {SDL_SCANCODE_F9, zOsKey::F9},
    {SDL_SCANCODE_F10, zOsKey::F10},
    {SDL_SCANCODE_F11, zOsKey::F11},
    {SDL_SCANCODE_F12, zOsKey::F12},
    {SDL_SCANCODE_SCROLLLOCK, zOsKey::ScrollLock},
    {SDL_SCANCODE_PAUSE, zOsKey::Pause},
    {SDL_SCANCODE_NUMLOCKCLEAR, zOsKey::NumLock},
    {SDL_SCANCODE_KP_0, zOsKey::Numpad0},
    {SDL_SCANCODE_KP_1, zOsKey::Numpad1},
    {SDL_SCANCODE_KP_2, zOsKey::Numpad2},
    {SDL_SCANCODE_KP_3, zOsKey::Numpad3},
    {SDL_SCANCODE_KP_4, zOsKey::Numpad4},
    {SDL_SCANCODE_KP_5, zOsKey::Numpad5},
    {SDL_SCANCODE_KP_6, zOsKey::Numpad6},
    {SDL_SCANCODE_KP_7, zOsKey::Numpad7},
    {SDL_SCANCODE_KP_8, zOsKey::Numpad8},
    {SDL_SCANCODE_KP_9, zOsKey::Numpad9},
    {SDL_SCANCODE_ESCAPE, zOsKey::Escape},
    {SDL_SCANCODE_SPACE, zOsKey::Space},
    {SDL_SCANCODE_TAB, zOsKey::Tab},
    {SDL_SCANCODE_BACKSPACE, zOsKey::Backspace},
    {SDL_SCANCODE_PAGEUP, zOsKey::PageUp},
    {SDL_SCANCODE_PAGEDOWN, zOsKey::PageDown},
    {SDL_SCANCODE_RETURN, zOsKey::Return},
};

void SetScancodeKey(SDL_Scancode scancode, bool down) {
    for (const ScancodeKey& entry : ScancodeKeys) {
        if (entry.scancode == scancode) {
            g_tables.keys[static_cast<int>(entry.key)] = down;
            return;
        }
    }
}

// Letters as their lower case, digits as themselves; 0 for other keys.
char LayoutChar(SDL_Keycode keycode) {
    if (keycode >= 'a' && keycode <= 'z') return static_cast<char>(keycode);
    if (keycode >= '0' && keycode <= '9') return static_cast<char>(keycode);
    return 0;
}

void OnKey(const SDL_KeyboardEvent& event) {
    const SDL_Scancode scancode = event.keysym.scancode;
    const bool down = event.type == SDL_KEYDOWN;
    SetScancodeKey(scancode, down);
    if (scancode <= SDL_SCANCODE_UNKNOWN || scancode >= SDL_NUM_SCANCODES) return;
    char& held = g_tables.scancodeChar[scancode];
    if (down) {
        if (held) return; // key repeat
        SDL_Keycode keycode = event.keysym.sym ? event.keysym.sym : SDL_GetKeyFromScancode(scancode);
        held = LayoutChar(keycode);
        if (held) ++g_tables.charDownCount[static_cast<unsigned char>(held)];
    } else if (held) {
        --g_tables.charDownCount[static_cast<unsigned char>(held)];
        held = 0;
    }
}

void OnMouseButton(const SDL_MouseButtonEvent& event) {
    int index = -1;
    switch (event.button) {
    case SDL_BUTTON_LEFT: index = 0; break;
    case SDL_BUTTON_RIGHT: index = 1; break;
    case SDL_BUTTON_MIDDLE: index = 2; break;
    default: break;
    }
    if (index >= 0) g_tables.buttons[index] = event.type == SDL_MOUSEBUTTONDOWN;
    g_tables.hasCursor = true;
    g_tables.cursorX = event.x;
    g_tables.cursorY = event.y;
}

// Virtual joypads attached by the test hooks, opened so that their axes and
// buttons can be set.
constexpr int MaxVirtualJoypads = 8;
struct VirtualJoypad {
    int deviceIndex;
    SDL_Joystick* joystick;
};
VirtualJoypad g_virtualJoypads[MaxVirtualJoypads];
std::uint16_t g_virtualRumble[2];

int SDLCALL VirtualRumble(void* /*user*/, Uint16 low, Uint16 high) {
    g_virtualRumble[0] = low;
    g_virtualRumble[1] = high;
    return 0;
}

SDL_Joystick* FindVirtualJoystick(std::int32_t instanceId) {
    for (const VirtualJoypad& pad : g_virtualJoypads) {
        if (pad.joystick && SDL_JoystickInstanceID(pad.joystick) == instanceId) return pad.joystick;
    }
    return nullptr;
}

} // namespace

bool OsInputOpen() {
    // No exclusive access exists in SDL; this keeps pads readable while
    // another window has the focus, as the background access of DirectInput.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(InputSubsystems) != 0) return false;
    // Haptic devices are optional: pads then fall back to their rumble motors.
    if (g_opens++ == 0) g_haptic = SDL_InitSubSystem(SDL_INIT_HAPTIC) == 0;
    return true;
}

void OsInputClose() {
    if (g_opens == 0) return;
    if (--g_opens == 0 && g_haptic) {
        SDL_QuitSubSystem(SDL_INIT_HAPTIC);
        g_haptic = false;
    }
    SDL_QuitSubSystem(InputSubsystems);
}

std::uint32_t OsPumpEvents() {
    std::uint32_t flags = 0;
    if (!SDL_WasInit(SDL_INIT_EVENTS)) return flags;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_QUIT: flags |= OsPumpQuit; break;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) flags |= OsPumpQuit;
            if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) flags |= OsPumpResized;
            break;
        case SDL_KEYDOWN:
        case SDL_KEYUP: OnKey(event.key); break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: OnMouseButton(event.button); break;
        case SDL_MOUSEMOTION:
            g_tables.hasCursor = true;
            g_tables.cursorX = event.motion.x;
            g_tables.cursorY = event.motion.y;
            break;
        default: break;
        }
    }
    return flags;
}

void OsInputSetWindow(void* window) { g_window = static_cast<SDL_Window*>(window); }
void* OsInputGetWindow() { return g_window; }

bool OsKeyDown(zOsKey key) {
    const int index = static_cast<int>(key);
    return index >= 0 && index < static_cast<int>(zOsKey::Count) && g_tables.keys[index];
}

bool OsCharKeyDown(char character) {
    if (character >= 'A' && character <= 'Z') character = static_cast<char>(character - 'A' + 'a');
    if (LayoutChar(static_cast<unsigned char>(character)) == 0) return false;
    return g_tables.charDownCount[static_cast<unsigned char>(character)] > 0;
}

bool OsMouseButtonDown(zOsMouseButton button) {
    const int index = static_cast<int>(button);
    return index >= 0 && index < 3 && g_tables.buttons[index];
}

bool OsGetCursorPosition(int& x, int& y) {
    if (!g_tables.hasCursor) return false;
    x = g_tables.cursorX;
    y = g_tables.cursorY;
    return true;
}

void OsGetWindowClientSize(void* window, int& width, int& height) {
    width = 0;
    height = 0;
    if (window) SDL_GetWindowSize(static_cast<SDL_Window*>(window), &width, &height);
}

void OsWarpMouse(void* window, int x, int y) {
    if (window) SDL_WarpMouseInWindow(static_cast<SDL_Window*>(window), x, y);
}

void OsResetInputState() { std::memset(&g_tables, 0, sizeof(g_tables)); }

int OsEnumerateJoypads(zOsJoypadVisitor visit, void* user) {
    if (!SDL_WasInit(SDL_INIT_JOYSTICK)) return 0;
    const int count = SDL_NumJoysticks();
    int visited = 0;
    for (int index = 0; index < count; ++index) {
        zOsJoypadInfo info{};
        const char* name = SDL_JoystickNameForIndex(index);
        info.name = name ? name : "";
        info.instanceId = SDL_JoystickGetDeviceInstanceID(index);
        if (info.instanceId < 0) continue;
        // Force feedback is known only once the device is open.
        if (SDL_Joystick* joystick = SDL_JoystickOpen(index)) {
            info.forceFeedback = SDL_JoystickIsHaptic(joystick) == SDL_TRUE || SDL_JoystickHasRumble(joystick) == SDL_TRUE;
            SDL_JoystickClose(joystick);
        }
        if (visit) visit(info, user);
        ++visited;
    }
    return visited;
}

struct zOsJoypad::Device {
    SDL_Joystick* joystick = nullptr;
    SDL_Haptic* haptic = nullptr;
    int hapticEffect = -1;
    bool rumble = false;
    std::uint16_t rumbleLevel = 0;
};

zOsJoypad::zOsJoypad(std::unique_ptr<Device> device) : m_device(std::move(device)) {}

zOsJoypad::~zOsJoypad() {
    if (m_device->haptic) {
        if (m_device->hapticEffect >= 0) SDL_HapticDestroyEffect(m_device->haptic, m_device->hapticEffect);
        SDL_HapticClose(m_device->haptic);
    }
    if (m_device->rumble && m_device->rumbleLevel) SDL_JoystickRumble(m_device->joystick, 0, 0, 0);
    SDL_JoystickClose(m_device->joystick);
}

std::unique_ptr<zOsJoypad> zOsJoypad::Open(std::int32_t instanceId) {
    if (!SDL_WasInit(SDL_INIT_JOYSTICK)) return nullptr;
    const int count = SDL_NumJoysticks();
    for (int index = 0; index < count; ++index) {
        if (SDL_JoystickGetDeviceInstanceID(index) != instanceId) continue;
        std::unique_ptr<Device> device(new (std::nothrow) Device);
        if (!device) return nullptr;
        device->joystick = SDL_JoystickOpen(index);
        if (!device->joystick) return nullptr;
        SDL_Joystick* joystick = device->joystick;
        zOsJoypad* pad = new (std::nothrow) zOsJoypad(std::move(device));
        if (!pad) SDL_JoystickClose(joystick);
        return std::unique_ptr<zOsJoypad>(pad);
    }
    return nullptr;
}

bool zOsJoypad::Read(zOsJoypadState& state) {
    SDL_JoystickUpdate();
    if (!SDL_JoystickGetAttached(m_device->joystick)) return false;
    const int axisCount = std::min(SDL_JoystickNumAxes(m_device->joystick), static_cast<int>(AxisCount));
    for (int axis = 0; axis < AxisCount; ++axis) {
        state.axes[axis] = axis < axisCount ? SDL_JoystickGetAxis(m_device->joystick, axis) + 32768 : 0;
    }
    const int buttonCount = SDL_JoystickNumButtons(m_device->joystick);
    for (int button = 0; button < 16; ++button) {
        const bool down = button < buttonCount && SDL_JoystickGetButton(m_device->joystick, button);
        state.buttons[button] = down ? 128 : 0;
    }
    return true;
}

namespace {

// The haptic part of a joystick, opened on first use; null when it has none.
SDL_Haptic* OpenHaptic(SDL_Haptic*& haptic, SDL_Joystick* joystick) {
    if (!haptic && SDL_JoystickIsHaptic(joystick) == SDL_TRUE) haptic = SDL_HapticOpenFromJoystick(joystick);
    return haptic;
}

// An endless constant force along X at a level of -32767..32767.
SDL_HapticEffect ConstantForceEffect(Sint16 level) {
    SDL_HapticEffect effect;
    std::memset(&effect, 0, sizeof(effect));
    effect.type = SDL_HAPTIC_CONSTANT;
    effect.constant.direction.type = SDL_HAPTIC_CARTESIAN;
    effect.constant.direction.dir[0] = 1;
    effect.constant.length = SDL_HAPTIC_INFINITY;
    effect.constant.level = level;
    return effect;
}

} // namespace

bool zOsJoypad::DisableAutocenter() {
    OpenHaptic(m_device->haptic, m_device->joystick);
    if (!m_device->haptic || !(SDL_HapticQuery(m_device->haptic) & SDL_HAPTIC_AUTOCENTER)) return true;
    return SDL_HapticSetAutocenter(m_device->haptic, 0) == 0;
}

bool zOsJoypad::CreateConstantForce() {
    OpenHaptic(m_device->haptic, m_device->joystick);
    if (m_device->haptic && (SDL_HapticQuery(m_device->haptic) & SDL_HAPTIC_CONSTANT)) {
        SDL_HapticEffect effect = ConstantForceEffect(0);
        m_device->hapticEffect = SDL_HapticNewEffect(m_device->haptic, &effect);
        if (m_device->hapticEffect >= 0) {
            SDL_HapticRunEffect(m_device->haptic, m_device->hapticEffect, 1);
            return true;
        }
    }
    m_device->rumble = SDL_JoystickHasRumble(m_device->joystick) == SDL_TRUE;
    return m_device->rumble;
}

bool zOsJoypad::HasConstantForce() const { return m_device->hapticEffect >= 0 || m_device->rumble; }

void zOsJoypad::SetConstantForce(std::int32_t magnitude) {
    const std::int64_t clamped = std::clamp<std::int64_t>(magnitude, -10000, 10000);
    if (m_device->hapticEffect >= 0) {
        SDL_HapticEffect effect = ConstantForceEffect(static_cast<Sint16>(clamped * 32767 / 10000));
        SDL_HapticUpdateEffect(m_device->haptic, m_device->hapticEffect, &effect);
        SDL_HapticRunEffect(m_device->haptic, m_device->hapticEffect, 1);
        return;
    }
    if (!m_device->rumble) return;
    m_device->rumbleLevel = static_cast<std::uint16_t>(std::llabs(clamped) * 65535 / 10000);
    SDL_JoystickRumble(m_device->joystick, m_device->rumbleLevel, m_device->rumbleLevel, RumbleDurationMs);
}

void zOsJoypad::Refresh() {
    if (m_device->rumble && m_device->rumbleLevel) {
        SDL_JoystickRumble(m_device->joystick, m_device->rumbleLevel, m_device->rumbleLevel, RumbleDurationMs);
    }
}

int OsAttachVirtualJoypad(const char* name) {
    VirtualJoypad* slot = nullptr;
    for (VirtualJoypad& pad : g_virtualJoypads) {
        if (!pad.joystick) {
            slot = &pad;
            break;
        }
    }
    if (!slot || !SDL_WasInit(SDL_INIT_JOYSTICK)) return -1;
    SDL_VirtualJoystickDesc desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = zOsJoypad::AxisCount;
    desc.nbuttons = 16;
    desc.name = name;
    desc.Rumble = &VirtualRumble;
    const int deviceIndex = SDL_JoystickAttachVirtualEx(&desc);
    if (deviceIndex < 0) return -1;
    SDL_Joystick* joystick = SDL_JoystickOpen(deviceIndex);
    if (!joystick) {
        SDL_JoystickDetachVirtual(deviceIndex);
        return -1;
    }
    *slot = {deviceIndex, joystick};
    return deviceIndex;
}

bool OsDetachVirtualJoypad(int deviceIndex) {
    for (VirtualJoypad& pad : g_virtualJoypads) {
        if (pad.joystick && pad.deviceIndex == deviceIndex) {
            const std::int32_t instanceId = SDL_JoystickInstanceID(pad.joystick);
            SDL_JoystickClose(pad.joystick);
            pad = {};
            // The device index may have moved since the attach.
            for (int index = 0; index < SDL_NumJoysticks(); ++index) {
                if (SDL_JoystickGetDeviceInstanceID(index) == instanceId) return SDL_JoystickDetachVirtual(index) == 0;
            }
            return false;
        }
    }
    return false;
}

bool OsSetVirtualJoypadAxis(std::int32_t instanceId, int axis, std::int16_t value) {
    SDL_Joystick* joystick = FindVirtualJoystick(instanceId);
    return joystick && SDL_JoystickSetVirtualAxis(joystick, axis, value) == 0;
}

bool OsSetVirtualJoypadButton(std::int32_t instanceId, int button, bool down) {
    SDL_Joystick* joystick = FindVirtualJoystick(instanceId);
    return joystick && SDL_JoystickSetVirtualButton(joystick, button, down ? SDL_PRESSED : SDL_RELEASED) == 0;
}

void OsGetVirtualRumble(std::uint16_t& low, std::uint16_t& high) {
    low = g_virtualRumble[0];
    high = g_virtualRumble[1];
}
