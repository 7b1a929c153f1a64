#include "ui/hid.h"

#include <cmath>
#include <limits>
#include <new>

#include "core/log.h"
#include "platform/os_input.h"

namespace {

std::unique_ptr<zHID> g_instance;

// Platform key to key code. Alt (either) records both KeyLAlt and KeyRAlt;
// Pause is the pause key (not the Attn key no PC keyboard sends).
struct KeyMapping {
    zOsKey key;
    zOsKey alternative; // also counts as this key; Count when none
    i32 code;
};

constexpr zOsKey NoKey = zOsKey::Count;

const KeyMapping KeyMappings[] = {
    {zOsKey::Up, NoKey, KeyUpArrow},
    {zOsKey::Down, NoKey, KeyDownArrow},
    {zOsKey::Left, NoKey, KeyLeftArrow},
    {zOsKey::Right, NoKey, KeyRightArrow},
    {zOsKey::LShift, NoKey, KeyLShift},
    {zOsKey::RShift, NoKey, KeyRShift},
    {zOsKey::LCtrl, NoKey, KeyLCtrl},
    {zOsKey::RCtrl, NoKey, KeyRCtrl},
    {zOsKey::LAlt, zOsKey::RAlt, KeyLAlt},
    {zOsKey::LAlt, zOsKey::RAlt, KeyRAlt},
    {zOsKey::LGui, NoKey, KeyLWin},
    {zOsKey::RGui, NoKey, KeyRWin},
    {zOsKey::F1, NoKey, KeyF1},
    {zOsKey::F2, NoKey, KeyF2},
    {zOsKey::F3, NoKey, KeyF3},
    {zOsKey::F4, NoKey, KeyF4},
    {zOsKey::F5, NoKey, KeyF5},
    {zOsKey::F6, NoKey, KeyF6},
    {zOsKey::F7, NoKey, KeyF7},
    {zOsKey::F8, NoKey, KeyF8},
    {zOsKey::F9, NoKey, KeyF9},
    {zOsKey::F10, NoKey, KeyF10},
    {zOsKey::F11, NoKey, KeyF11},
    {zOsKey::F12, NoKey, KeyF12},
    {zOsKey::ScrollLock, NoKey, KeyScrollLock},
    {zOsKey::Pause, NoKey, KeyPause},
    {zOsKey::NumLock, NoKey, KeyNumLock},
    {zOsKey::Numpad0, NoKey, KeyNumpad0},
    {zOsKey::Numpad1, NoKey, KeyNumpad1},
    {zOsKey::Numpad2, NoKey, KeyNumpad2},
    {zOsKey::Numpad3, NoKey, KeyNumpad3},
    {zOsKey::Numpad4, NoKey, KeyNumpad4},
    {zOsKey::Numpad5, NoKey, KeyNumpad5},
    {zOsKey::Numpad6, NoKey, KeyNumpad6},
    {zOsKey::Numpad7, NoKey, KeyNumpad7},
    {zOsKey::Numpad8, NoKey, KeyNumpad8},
    {zOsKey::Numpad9, NoKey, KeyNumpad9},
    {zOsKey::Escape, NoKey, KeyEscape},
    {zOsKey::Space, NoKey, KeySpace},
    {zOsKey::Tab, NoKey, KeyTab},
    {zOsKey::Backspace, NoKey, KeyBackspace},
    {zOsKey::PageUp, NoKey, KeyPageUp},
    {zOsKey::PageDown, NoKey, KeyPageDown},
    {zOsKey::Return, NoKey, KeyReturn},
};

i32 CharacterValue(char character) { return (static_cast<i32>(static_cast<unsigned char>(character)) << 8) | KeyASCII; }

// value x 65535 / extent without overflow; the cursor may lie outside.
i32 ScaleToControl(int value, int extent) {
    const i64 scaled = static_cast<i64>(value) * 65535 / extent;
    if (scaled > std::numeric_limits<i32>::max()) return std::numeric_limits<i32>::max();
    if (scaled < std::numeric_limits<i32>::min()) return std::numeric_limits<i32>::min();
    return static_cast<i32>(scaled);
}

// Truncation toward zero that stays defined for NaN and out-of-range values.
i32 TruncateToInt(f32 value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0f) return std::numeric_limits<i32>::max();
    if (value <= -2147483648.0f) return std::numeric_limits<i32>::min();
    return static_cast<i32>(value);
}

} // namespace

// zHIDDevice

zHIDDevice::zHIDDevice(const char* name) : m_name(name) {}

zHIDDevice::~zHIDDevice() = default;

void zHIDDevice::SetFunctionBounceFilter(i32 control, bool on) {
    if (control < DeviceButton0 || control >= ControlCount) return;
    m_controls[control].bounceFilter = on;
}

bool zHIDDevice::HasControl(i32 control) const { return control >= 0 && control < DeviceKeyPress; }

bool zHIDDevice::GetFunction(i32 control, i32& value, i32* second, bool consume) {
    if (!IsControlId(control)) return false;
    Control& record = m_controls[control];
    if (record.count == 0) return false;
    value = record.ring[record.head];
    if (second) *second = 0;
    if (consume) {
        --record.count;
        record.head = static_cast<u8>((record.head + RingSize - 1) % RingSize);
    }
    return true;
}

bool zHIDDevice::SeekFunction(i32 control, i32 value) const {
    if (!IsControlId(control)) return false;
    const Control& record = m_controls[control];
    for (u8 i = 0; i < record.count; ++i) {
        if (record.ring[(record.head + RingSize - i) % RingSize] == value) return true;
    }
    return false;
}

void zHIDDevice::ResetControls() {
    for (Control& record : m_controls)
        record.count = 0;
}

void zHIDDevice::Record(i32 control, i32 value) {
    if (!IsControlId(control)) return;
    Control& record = m_controls[control];
    if (record.bounceFilter) {
        const bool wasOn = record.lastState;
        record.lastState = value != 0;
        if (value != 0 && wasOn) return;
    } else {
        record.lastState = value != 0;
    }
    record.head = static_cast<u8>((record.head + 1) % RingSize);
    record.ring[record.head] = value;
    if (record.count < RingSize) ++record.count;
}

void zHIDDevice::EmptyControl(i32 control) {
    if (IsControlId(control)) m_controls[control].count = 0;
}

void zHIDDevice::ClearLastState(i32 control) {
    if (IsControlId(control)) m_controls[control].lastState = false;
}

// zHIDKeyboard

zHIDKeyboard::zHIDKeyboard() : zHIDDevice("Keyboard") {}

void zHIDKeyboard::SetKeyBounceFilter(i32 key, bool on) {
    if (key < 0 || key >= KeyASCII) return;
    m_keyBounceFilter[key] = on ? 1 : 0;
}

void zHIDKeyboard::Update() {
    EmptyControl(DeviceKeyPress);
    for (const KeyMapping& mapping : KeyMappings) {
        const bool down = OsKeyDown(mapping.key) || (mapping.alternative != NoKey && OsKeyDown(mapping.alternative));
        const bool wasDown = m_keyLastState[mapping.code] != 0;
        m_keyLastState[mapping.code] = down ? 1 : 0;
        if (down && !(m_keyBounceFilter[mapping.code] && wasDown)) Record(DeviceKeyPress, mapping.code);
    }
    for (char digit = '0'; digit <= '9'; ++digit) {
        if (OsCharKeyDown(digit)) Record(DeviceKeyPress, CharacterValue(digit));
    }
    // Either shift key gives upper case.
    const bool upper = OsKeyDown(zOsKey::LShift) || OsKeyDown(zOsKey::RShift);
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (!OsCharKeyDown(letter)) continue;
        Record(DeviceKeyPress, CharacterValue(upper ? letter : static_cast<char>(letter - 'A' + 'a')));
    }
}

bool zHIDKeyboard::GetFunction(i32 control, i32& value, i32* second, bool consume) {
    i32 raw = 0;
    if (!zHIDDevice::GetFunction(control, raw, second, consume)) return false;
    if (control != DeviceKeyPress) {
        value = raw;
        return true;
    }
    value = raw & 0xFF;
    if (second && value == KeyASCII) *second = (raw >> 8) & 0xFF;
    return true;
}

// zHIDMouse

zHIDMouse::zHIDMouse(zHID* manager) : zHIDDevice("Mouse"), m_manager(manager) {}

bool zHIDMouse::HasControl(i32 control) const {
    switch (control) {
    case DeviceAxisX:
    case DeviceAxisY:
    case DeviceAxisZ:
    case DeviceButton0:
    case DeviceButton0 + 1:
    case DeviceButton0 + 2: return true;
    default: return false;
    }
}

void zHIDMouse::Update() {
    static const i32 EmptiedControls[] = {DeviceAxisX, DeviceAxisY, DeviceAxisZ, DeviceButton0, DeviceButton0 + 1,
                                          DeviceButton0 + 2};
    for (i32 control : EmptiedControls)
        EmptyControl(control);
    const zOsMouseButton buttons[] = {zOsMouseButton::Left, zOsMouseButton::Right, zOsMouseButton::Middle};
    for (int i = 0; i < 3; ++i) {
        if (OsMouseButtonDown(buttons[i])) {
            Record(DeviceButton0 + i, 1);
        } else {
            ClearLastState(DeviceButton0 + i);
        }
    }
    int width = 0;
    int height = 0;
    OsGetWindowClientSize(m_manager ? m_manager->GetWindow() : nullptr, width, height);
    int x = 0;
    int y = 0;
    if (width <= 0 || height <= 0 || !OsGetCursorPosition(x, y)) return;
    Record(DeviceAxisX, ScaleToControl(x, width));
    Record(DeviceAxisY, ScaleToControl(y, height));
}

// zHIDGameDevice

zHIDGameDevice::zHIDGameDevice(const zHIDDescriptor& descriptor) : zHIDDevice(descriptor.name) {
    GetLog() << "Creating device '" << descriptor.name << "'.\n";
    m_joypad = zOsJoypad::Open(descriptor.instanceId);
    if (!m_joypad) {
        GetLog() << "[!] Failed to create device.\n";
        return;
    }
    // SDL has no exclusive access and no data format to choose: the pad is
    // read in the background, in the fixed state record of the platform.
    if (!m_joypad->DisableAutocenter()) GetLog() << "[!] Failed to disable force feedback spring.\n";
    m_hasEffect = m_joypad->CreateConstantForce();
    if (!m_hasEffect) GetLog() << "[!] Failed to create device force feedback effect.\n";
}

zHIDGameDevice::~zHIDGameDevice() = default;

void zHIDGameDevice::SetEffect(f32 value) {
    if (!m_joypad || !m_hasEffect) return;
    m_joypad->SetConstantForce(TruncateToInt(value));
}

void zHIDGameDevice::Update() {
    if (!m_joypad) return;
    zOsJoypadState state;
    if (!m_joypad->Read(state)) return;
    static const i32 AxisControls[zOsJoypad::AxisCount] = {DeviceAxisX,  DeviceAxisY,  DeviceAxisZ, DeviceAxisRX,
                                                           DeviceAxisRY, DeviceAxisRZ, DeviceAxisU, DeviceAxisV};
    for (int axis = 0; axis < zOsJoypad::AxisCount; ++axis)
        Record(AxisControls[axis], state.axes[axis]);
    for (int button = 0; button < 16; ++button)
        Record(DeviceButton0 + button, state.buttons[button]);
    m_joypad->Refresh();
}

// zHID

zHID* zHID::GetInstance() {
    if (!g_instance) g_instance.reset(new (std::nothrow) zHIDSystem);
    return g_instance.get();
}

void zHID::DestroyInstance() { g_instance.reset(); }

zHIDSystem::~zHIDSystem() {
    m_keyboard.reset();
    m_mouse.reset();
    if (m_open) {
        OsInputSetWindow(nullptr);
        OsInputClose();
    }
}

void zHIDSystem::SetWindow(void* window) {
    m_window = window;
    OsInputSetWindow(window);
}

bool zHIDSystem::Open(void* window) {
    SetWindow(window);
    if (!m_open) m_open = OsInputOpen();
    return m_open;
}

namespace {

struct EnumerationTarget {
    zHID::DescriptorList* devices;
};

void AppendDescriptor(const zOsJoypadInfo& info, void* user) {
    auto* target = static_cast<EnumerationTarget*>(user);
    std::unique_ptr<zHIDDescriptor> descriptor(new (std::nothrow) zHIDDescriptor);
    if (!descriptor) return;
    descriptor->name = info.name;
    descriptor->caps = info.forceFeedback ? DeviceCapsForceFeedback : DeviceCapsNone;
    descriptor->instanceId = info.instanceId;
    target->devices->Add(std::move(descriptor));
}

} // namespace

bool zHIDSystem::EnumerateDevices(u32 /*type*/, DescriptorList& devices) {
    GetLog() << "[H] " << "Starting input device enumeration.\n";
    if (m_open) {
        EnumerationTarget target{&devices};
        OsEnumerateJoypads(&AppendDescriptor, &target);
    }
    for (auto* node = devices.GetHead(); node; node = node->next) {
        const zHIDDescriptor& descriptor = *node->value;
        GetLog() << "    Device '" << descriptor.name << "': FF = "
                 << ((descriptor.caps & DeviceCapsForceFeedback) ? "True" : "False") << ".\n";
    }
    return true;
}

std::unique_ptr<zHIDDevice> zHIDSystem::NewDevice(const zHIDDescriptor& descriptor) {
    return std::unique_ptr<zHIDDevice>(new (std::nothrow) zHIDGameDevice(descriptor));
}

zHIDKeyboard* zHIDSystem::GetKeyboard() {
    if (!m_keyboard) m_keyboard.reset(new (std::nothrow) zHIDKeyboard);
    return m_keyboard.get();
}

zHIDDevice* zHIDSystem::GetMouse() {
    if (!m_mouse) m_mouse.reset(new (std::nothrow) zHIDMouse(this));
    return m_mouse.get();
}
