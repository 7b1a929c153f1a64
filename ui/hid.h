// Input devices: the process-wide manager zHID and its devices.
//
// Every device has 29 controls (ids 0..28); each control keeps the last eight
// values recorded into it in a ring, newest at head. Devices are polled:
// Update reads the platform's input state once and records what it finds.
// The keyboard and the mouse empty their rings on every update, so they hold
// only the present frame; a game device adds one value per control and
// update, so its rings hold the last eight polls.
//
// A control's bounce filter reports a held value once: while on, a non-zero
// value is dropped as long as the previous one was non-zero. Because the mouse
// empties its rings every update, a filtered button reads as released on the
// second frame it is held.
//
// Key and button state comes from the platform's event pump (OsPumpEvents),
// which the main loop runs; zHID itself pumps nothing. Main thread only.
#pragma once

#include <memory>

#include "core/list.h"
#include "core/types.h"
#include "core/zstring.h"

class zOsJoypad;

// Control ids (the script constants of the same names).
enum zHIDControl : i32 {
    DeviceAxisX = 0,
    DeviceAxisY = 1,
    DeviceAxisZ = 2,
    DeviceAxisU = 3,
    DeviceAxisV = 4,
    DeviceButton0 = 5, // DeviceButton0 + n for n in 0..15
    DeviceButton15 = 20,
    DeviceKeyPress = 21,
    DeviceLeft = 22,
    DeviceRight = 23,
    DeviceUp = 24,
    DeviceDown = 25,
    DeviceAxisRX = 26,
    DeviceAxisRY = 27,
    DeviceAxisRZ = 28,
};

enum zHIDDeviceType : u32 { DeviceTypeGame = 2 };
enum zHIDDeviceCaps : u32 { DeviceCapsNone = 0, DeviceCapsForceFeedback = 1 };

// Key codes: the values of the keyboard's control 21. KeyLMenu, KeyRMenu,
// KeyTilde, KeyCapsLock, KeyInsert, KeySuppr, KeyStart, KeyEnd,
// KeyPrintScreen and KeyEnter have no key that records them.
enum zHIDKey : i32 {
    KeyLShift, KeyRShift, KeyLCtrl, KeyRCtrl, KeyLAlt, KeyRAlt, KeyLWin, KeyRWin, KeyLMenu, KeyRMenu,
    KeyTab, KeyTilde, KeyCapsLock, KeySpace, KeyBackspace, KeyReturn, KeyInsert, KeySuppr, KeyStart, KeyEnd,
    KeyPageUp, KeyPageDown, KeyUpArrow, KeyDownArrow, KeyLeftArrow, KeyRightArrow, KeyEscape,
    KeyF1, KeyF2, KeyF3, KeyF4, KeyF5, KeyF6, KeyF7, KeyF8, KeyF9, KeyF10, KeyF11, KeyF12,
    KeyPrintScreen, KeyScrollLock, KeyPause, KeyNumLock, KeyEnter,
    KeyNumpad0, KeyNumpad1, KeyNumpad2, KeyNumpad3, KeyNumpad4, KeyNumpad5, KeyNumpad6, KeyNumpad7, KeyNumpad8, KeyNumpad9,
    // A character key: the character is in the value's second byte.
    KeyASCII,
    KeyCodeCount
};

// One enumerated game device.
struct zHIDDescriptor {
    zString name;
    u32 caps = DeviceCapsNone;
    // The platform's instance id: the identity of this device while attached.
    i32 instanceId = -1;
};

class zHIDDevice {
  public:
    static constexpr i32 ControlCount = 29;
    static constexpr i32 RingSize = 8;

    explicit zHIDDevice(const char* name);
    virtual ~zHIDDevice();
    zHIDDevice(const zHIDDevice&) = delete;
    zHIDDevice& operator=(const zHIDDevice&) = delete;

    // Force feedback; only game devices act on it.
    virtual void SetEffect(f32 /*value*/) {}
    // Polls the device.
    virtual void Update() {}
    virtual bool IsAvailable() const { return true; }
    // Controls 5..28 only; other ids are ignored.
    virtual void SetFunctionBounceFilter(i32 control, bool on);
    // Game devices: ids below 21.
    virtual bool HasControl(i32 control) const;
    // The newest value of the control; consuming drops it, so repeated
    // consuming reads go from newest to oldest. False for an id outside 0..28
    // or an empty ring. second, when given, receives 0 (the keyboard puts
    // the character of a KeyASCII value there).
    virtual bool GetFunction(i32 control, i32& value, i32* second, bool consume);
    // True when one of the values in the ring equals value.
    virtual bool SeekFunction(i32 control, i32 value) const;
    // Empties every ring (filters and last states stay).
    virtual void ResetControls();

    const zString& GetName() const { return m_name; }

    // Records a value through the bounce filter; ids outside 0..28 are ignored.
    void Record(i32 control, i32 value);

  protected:
    struct Control {
        bool bounceFilter = false;
        bool lastState = false;
        u8 head = 0;
        u8 count = 0;
        i32 ring[RingSize] = {};
    };

    static bool IsControlId(i32 control) { return control >= 0 && control < ControlCount; }
    void EmptyControl(i32 control);
    // For sources that report only while on: forgets that the control was on.
    void ClearLastState(i32 control);

    zString m_name;
    Control m_controls[ControlCount];
};

class zHIDKeyboard : public zHIDDevice {
  public:
    zHIDKeyboard();

    void Update() override;
    bool HasControl(i32 control) const override { return control == DeviceKeyPress; }
    // Control 21 gives the key code in the low byte; for KeyASCII the
    // character goes to second.
    bool GetFunction(i32 control, i32& value, i32* second, bool consume) override;
    // Per-key filter of the key codes 0..53 (a held key is reported once);
    // other codes are ignored.
    void SetKeyBounceFilter(i32 key, bool on);

  private:
    u8 m_keyBounceFilter[KeyCodeCount] = {};
    u8 m_keyLastState[KeyCodeCount] = {};
};

class zHID;

class zHIDMouse : public zHIDDevice {
  public:
    explicit zHIDMouse(zHID* manager);

    // Empties controls 0, 1, 2, 5, 6, 7; records 1 into 5, 6, 7 for a held
    // left, right, middle button; records the cursor as x x 65535 / client
    // width and y x 65535 / client height of the manager's window (nothing
    // while the client area is empty or no position is known).
    void Update() override;
    bool HasControl(i32 control) const override;

  private:
    zHID* m_manager;
};

class zHIDGameDevice : public zHIDDevice {
  public:
    // Opens the device and its constant force, logging each failing step;
    // a device that cannot be opened still exists, polls nothing and takes
    // no effect.
    explicit zHIDGameDevice(const zHIDDescriptor& descriptor);
    ~zHIDGameDevice() override;

    // Magnitude on the ±10000 force scale, truncated toward zero; each call
    // restarts the effect. Nothing without a force-feedback effect.
    void SetEffect(f32 value) override;
    // Records, in this order: X, Y, Z, RX, RY, RZ, slider 0, slider 1 (axes
    // 0..65535), then buttons 0..15 (128 or 0). A failed read records
    // nothing.
    void Update() override;

    bool IsOpen() const { return m_joypad != nullptr; }
    bool HasEffect() const { return m_hasEffect; }

  private:
    std::unique_ptr<zOsJoypad> m_joypad;
    bool m_hasEffect = false;
};

class zHID {
  public:
    using DescriptorList = zList<std::unique_ptr<zHIDDescriptor>>;

    // The process-wide manager, made on first use (null when it cannot be
    // allocated).
    static zHID* GetInstance();
    // Destroys the manager with its keyboard and mouse (shutdown, tests).
    static void DestroyInstance();

    virtual ~zHID() = default;

    virtual bool IsAvailable() const { return true; }
    // The window the mouse is read in: an opaque platform window handle.
    virtual void* GetWindow() const = 0;
    virtual void SetWindow(void* window) = 0;
    // Attaches the devices to the window (null: no window, still true) and
    // opens the platform's input; false when that fails.
    virtual bool Open(void* window) = 0;
    // Per-frame hook, run first in every frame: nothing to do, the main
    // loop's event pump feeds the input state.
    virtual void Update() {}
    // Appends one descriptor per attached game device (the type is not
    // consulted) and logs the list; true.
    virtual bool EnumerateDevices(u32 type, DescriptorList& devices) = 0;
    virtual std::unique_ptr<zHIDDevice> NewDevice(const zHIDDescriptor& descriptor) = 0;
    // Single instances made on first request; null when they cannot be made.
    virtual zHIDKeyboard* GetKeyboard() = 0;
    virtual zHIDDevice* GetMouse() = 0;
};

// zHID over the platform layer.
class zHIDSystem : public zHID {
  public:
    zHIDSystem() = default;
    ~zHIDSystem() override;

    void* GetWindow() const override { return m_window; }
    void SetWindow(void* window) override;
    bool Open(void* window) override;
    bool EnumerateDevices(u32 type, DescriptorList& devices) override;
    std::unique_ptr<zHIDDevice> NewDevice(const zHIDDescriptor& descriptor) override;
    zHIDKeyboard* GetKeyboard() override;
    zHIDDevice* GetMouse() override;

    bool IsOpen() const { return m_open; }

  private:
    void* m_window = nullptr;
    bool m_open = false;
    std::unique_ptr<zHIDKeyboard> m_keyboard;
    std::unique_ptr<zHIDMouse> m_mouse;
};
