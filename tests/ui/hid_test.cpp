#include "ui/hid.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/log_capture.h"
#include "tests/ui/input_fixture.h"

namespace {

// Every value of a control, newest first, taking them.
std::vector<i32> Drain(zHIDDevice& device, i32 control) {
    std::vector<i32> values;
    i32 value = 0;
    while (device.GetFunction(control, value, nullptr, true))
        values.push_back(value);
    return values;
}

} // namespace

TEST(HIDDevice, RingKeepsTheLastEightAndReadsNewestFirst) {
    zHIDDevice device("pad");
    for (i32 value = 1; value <= 9; ++value)
        device.Record(DeviceAxisX, value);
    EXPECT_TRUE(device.SeekFunction(DeviceAxisX, 2));
    EXPECT_FALSE(device.SeekFunction(DeviceAxisX, 1)) << "overwritten by the ninth";
    i32 value = 0;
    ASSERT_TRUE(device.GetFunction(DeviceAxisX, value, nullptr, false));
    EXPECT_EQ(value, 9) << "peeking leaves the value";
    EXPECT_EQ(Drain(device, DeviceAxisX), (std::vector<i32>{9, 8, 7, 6, 5, 4, 3, 2}));
    EXPECT_FALSE(device.SeekFunction(DeviceAxisX, 9)) << "consumed values are not found";

    // Seek sees only the entries still counted.
    device.Record(DeviceAxisY, 10);
    device.Record(DeviceAxisY, 11);
    ASSERT_TRUE(device.GetFunction(DeviceAxisY, value, nullptr, true));
    EXPECT_EQ(value, 11);
    EXPECT_FALSE(device.SeekFunction(DeviceAxisY, 11));
    EXPECT_TRUE(device.SeekFunction(DeviceAxisY, 10));

    device.ResetControls();
    EXPECT_FALSE(device.GetFunction(DeviceAxisY, value, nullptr, false));
}

TEST(HIDDevice, ControlIdsOutsideTheRangeAreRefused) {
    zHIDDevice device("pad");
    device.Record(DeviceAxisRZ, 5);
    i32 value = -7;
    EXPECT_TRUE(device.GetFunction(DeviceAxisRZ, value, nullptr, false));
    for (i32 control : {-1, 29, 30, 1000}) {
        device.Record(control, 1);
        EXPECT_FALSE(device.GetFunction(control, value, nullptr, true)) << control;
        EXPECT_FALSE(device.SeekFunction(control, 1)) << control;
        device.SetFunctionBounceFilter(control, true); // ignored, no write past the controls
    }
    // The filter acts on buttons and above only.
    device.SetFunctionBounceFilter(DeviceAxisX, true);
    device.Record(DeviceAxisX, 3);
    device.Record(DeviceAxisX, 3);
    EXPECT_EQ(Drain(device, DeviceAxisX).size(), 2u);
    device.SetFunctionBounceFilter(DeviceAxisRZ, true);
    device.Record(DeviceAxisRZ, 3); // dropped: 5 was still on
    device.Record(DeviceAxisRZ, 0);
    device.Record(DeviceAxisRZ, 3);
    device.Record(DeviceAxisRZ, 3);
    EXPECT_EQ(Drain(device, DeviceAxisRZ), (std::vector<i32>{3, 0, 5}));
}

TEST(HIDDevice, BounceFilterReportsAHeldValueOnce) {
    zHIDDevice device("pad");
    device.SetFunctionBounceFilter(DeviceButton0, true);
    for (i32 value : {128, 128, 128, 0, 128})
        device.Record(DeviceButton0, value);
    EXPECT_EQ(Drain(device, DeviceButton0), (std::vector<i32>{128, 0, 128}));
}

TEST(HIDDevice, HasControlByDeviceKind) {
    zHIDDevice game("pad");
    zHIDKeyboard keyboard;
    zHIDMouse mouse(nullptr);
    for (i32 control = -1; control <= 29; ++control) {
        EXPECT_EQ(game.HasControl(control), control >= 0 && control < 21) << control;
        EXPECT_EQ(keyboard.HasControl(control), control == 21) << control;
        const bool mouseHas = control == 0 || control == 1 || control == 2 || control == 5 || control == 6 ||
                              control == 7;
        EXPECT_EQ(mouse.HasControl(control), mouseHas) << control;
    }
}

TEST(HID, OpensWithoutAWindowOrDisplay) {
    zHID* hid = zHID::GetInstance();
    ASSERT_NE(hid, nullptr);
    EXPECT_EQ(hid, zHID::GetInstance());
    EXPECT_TRUE(hid->Open(nullptr));
    EXPECT_EQ(hid->GetWindow(), nullptr);
    ASSERT_NE(hid->GetMouse(), nullptr);
    EXPECT_EQ(hid->GetMouse(), hid->GetMouse());
    ASSERT_NE(hid->GetKeyboard(), nullptr);
    // No window: the cursor has no client area to be read in.
    hid->GetMouse()->Update();
    i32 value = 0;
    EXPECT_FALSE(hid->GetMouse()->GetFunction(DeviceAxisX, value, nullptr, false));
    zHID::DestroyInstance();
}

using Mouse = InputFixture;

TEST_F(Mouse, CursorIsScaledToTheClientArea) {
    struct Case {
        int x, y;
        i32 controlX, controlY;
    };
    const Case cases[] = {
        {0, 0, 0, 0},
        {WindowWidth, WindowHeight, 65535, 65535}, // right and bottom edges
        {400, 300, 32767, 32767},
        {-80, 660, -6553, 72088}, // outside the client area, as reported
    };
    zHIDDevice* mouse = hid->GetMouse();
    ASSERT_NE(mouse, nullptr);
    for (const Case& c : cases) {
        PushMotion(c.x, c.y);
        OsPumpEvents();
        mouse->Update();
        i32 x = 0;
        i32 y = 0;
        ASSERT_TRUE(mouse->GetFunction(DeviceAxisX, x, nullptr, false)) << c.x;
        ASSERT_TRUE(mouse->GetFunction(DeviceAxisY, y, nullptr, false)) << c.y;
        EXPECT_EQ(x, c.controlX) << c.x;
        EXPECT_EQ(y, c.controlY) << c.y;
    }
    // Without a window the position is not recorded.
    hid->SetWindow(nullptr);
    mouse->Update();
    i32 value = 0;
    EXPECT_FALSE(mouse->GetFunction(DeviceAxisX, value, nullptr, false));
    EXPECT_FALSE(mouse->GetFunction(DeviceAxisY, value, nullptr, false));
}

TEST_F(Mouse, ButtonsRecordOnePerUpdateOrOnceWithTheFilter) {
    zHIDDevice* mouse = hid->GetMouse();
    ASSERT_NE(mouse, nullptr);
    PushButton(SDL_BUTTON_LEFT, true, 10, 10);
    PushButton(SDL_BUTTON_MIDDLE, true, 10, 10);
    OsPumpEvents();
    int recorded = 0;
    for (int frame = 0; frame < 3; ++frame) {
        mouse->Update();
        recorded += mouse->SeekFunction(DeviceButton0, 1) ? 1 : 0;
        EXPECT_TRUE(mouse->SeekFunction(DeviceButton0 + 2, 1));
        EXPECT_FALSE(mouse->SeekFunction(DeviceButton0 + 1, 1));
    }
    EXPECT_EQ(recorded, 3);

    mouse->SetFunctionBounceFilter(DeviceButton0, true);
    PushButton(SDL_BUTTON_LEFT, false, 10, 10);
    OsPumpEvents();
    mouse->Update();
    PushButton(SDL_BUTTON_LEFT, true, 10, 10);
    OsPumpEvents();
    recorded = 0;
    for (int frame = 0; frame < 3; ++frame) {
        mouse->Update();
        recorded += mouse->SeekFunction(DeviceButton0, 1) ? 1 : 0;
    }
    EXPECT_EQ(recorded, 1);
    // Released and pressed again: reported again.
    PushButton(SDL_BUTTON_LEFT, false, 10, 10);
    OsPumpEvents();
    mouse->Update();
    PushButton(SDL_BUTTON_LEFT, true, 10, 10);
    OsPumpEvents();
    mouse->Update();
    EXPECT_TRUE(mouse->SeekFunction(DeviceButton0, 1));
}

using Keyboard = InputFixture;

TEST_F(Keyboard, KeysRecordTheirCodes) {
    struct Press {
        SDL_Scancode scancode;
        SDL_Keycode keycode;
    };
    struct Case {
        const char* name;
        std::vector<Press> keys;
        std::vector<i32> values; // recorded, in recording order
    };
    const Case cases[] = {
        {"letter", {{SDL_SCANCODE_A, SDLK_a}}, {(97 << 8) | 54}},
        {"letter with left shift",
         {{SDL_SCANCODE_LSHIFT, SDLK_LSHIFT}, {SDL_SCANCODE_A, SDLK_a}},
         {KeyLShift, (65 << 8) | 54}},
        {"letter with right shift",
         {{SDL_SCANCODE_RSHIFT, SDLK_RSHIFT}, {SDL_SCANCODE_A, SDLK_a}},
         {KeyRShift, (65 << 8) | 54}},
        {"layout letter", {{SDL_SCANCODE_Q, SDLK_a}}, {(97 << 8) | 54}},
        {"digit", {{SDL_SCANCODE_7, SDLK_7}}, {('7' << 8) | 54}},
        {"escape", {{SDL_SCANCODE_ESCAPE, SDLK_ESCAPE}}, {KeyEscape}},
        {"either alt", {{SDL_SCANCODE_RALT, SDLK_RALT}}, {KeyLAlt, KeyRAlt}},
        {"pause", {{SDL_SCANCODE_PAUSE, SDLK_PAUSE}}, {KeyPause}},
        {"numpad", {{SDL_SCANCODE_KP_3, SDLK_KP_3}}, {KeyNumpad3}},
        {"function key", {{SDL_SCANCODE_F12, SDLK_F12}}, {KeyF12}},
        {"arrows", {{SDL_SCANCODE_UP, SDLK_UP}, {SDL_SCANCODE_LEFT, SDLK_LEFT}}, {KeyUpArrow, KeyLeftArrow}},
        {"unmapped", {{SDL_SCANCODE_INSERT, SDLK_INSERT}, {SDL_SCANCODE_CAPSLOCK, SDLK_CAPSLOCK}}, {}},
    };
    zHIDKeyboard* keyboard = hid->GetKeyboard();
    ASSERT_NE(keyboard, nullptr);
    for (const Case& c : cases) {
        for (const Press& press : c.keys)
            PushKey(press.scancode, press.keycode, true);
        OsPumpEvents();
        keyboard->Update();
        std::vector<i32> expected(c.values.rbegin(), c.values.rend());
        std::vector<i32> raw;
        for (i32 value : c.values)
            if (keyboard->SeekFunction(DeviceKeyPress, value)) raw.push_back(value);
        EXPECT_EQ(raw, c.values) << c.name;
        EXPECT_EQ(Drain(*keyboard, DeviceKeyPress).size(), c.values.size()) << c.name;
        for (const Press& press : c.keys)
            PushKey(press.scancode, press.keycode, false);
        OsPumpEvents();
        keyboard->Update();
        EXPECT_TRUE(Drain(*keyboard, DeviceKeyPress).empty()) << c.name << ": released";
    }
}

TEST_F(Keyboard, CharacterKeysGiveTheCharacterAsSecondValue) {
    zHIDKeyboard* keyboard = hid->GetKeyboard();
    ASSERT_NE(keyboard, nullptr);
    PushKey(SDL_SCANCODE_A, SDLK_a, true);
    OsPumpEvents();
    keyboard->Update();
    i32 value = 0;
    i32 second = 0;
    ASSERT_TRUE(keyboard->GetFunction(DeviceKeyPress, value, &second, false));
    EXPECT_EQ(value, KeyASCII);
    EXPECT_EQ(second, 'a');
    EXPECT_TRUE(keyboard->SeekFunction(DeviceKeyPress, 24886));
}

TEST_F(Keyboard, KeyBounceFilterReportsAHeldKeyOnce) {
    zHIDKeyboard* keyboard = hid->GetKeyboard();
    ASSERT_NE(keyboard, nullptr);
    keyboard->SetKeyBounceFilter(KeySpace, true);
    keyboard->SetKeyBounceFilter(KeyASCII, true); // not a key with a filter: ignored
    keyboard->SetKeyBounceFilter(-1, true);
    PushKey(SDL_SCANCODE_SPACE, SDLK_SPACE, true);
    PushKey(SDL_SCANCODE_B, SDLK_b, true);
    OsPumpEvents();
    int spaces = 0;
    int letters = 0;
    for (int frame = 0; frame < 3; ++frame) {
        keyboard->Update();
        spaces += keyboard->SeekFunction(DeviceKeyPress, KeySpace) ? 1 : 0;
        letters += keyboard->SeekFunction(DeviceKeyPress, ('b' << 8) | KeyASCII) ? 1 : 0;
    }
    EXPECT_EQ(spaces, 1);
    EXPECT_EQ(letters, 3) << "character keys have no filter";
}

using GamePad = InputFixture;

TEST_F(GamePad, VirtualPadIsEnumeratedReadAndRumbled) {
    const int deviceIndex = OsAttachVirtualJoypad("Virtual Pad");
    ASSERT_GE(deviceIndex, 0) << SDL_GetError();
    LogCapture log;
    zHID::DescriptorList devices;
    ASSERT_TRUE(hid->EnumerateDevices(DeviceTypeGame, devices));
    EXPECT_NE(log.Text().find("[H] Starting input device enumeration.\n"), std::string::npos) << log.Text();
    EXPECT_NE(log.Text().find("    Device 'Virtual Pad': FF = True.\n"), std::string::npos) << log.Text();
    const zHIDDescriptor* descriptor = nullptr;
    for (auto* node = devices.GetHead(); node; node = node->next)
        if (node->value->name == "Virtual Pad") descriptor = node->value.get();
    ASSERT_NE(descriptor, nullptr);
    EXPECT_EQ(descriptor->caps, DeviceCapsForceFeedback);

    log.Reset();
    std::unique_ptr<zHIDDevice> pad = hid->NewDevice(*descriptor);
    ASSERT_NE(pad, nullptr);
    EXPECT_EQ(log.Text(), "Creating device 'Virtual Pad'.\n");
    EXPECT_EQ(pad->GetName(), "Virtual Pad");

    const i32 instanceId = descriptor->instanceId;
    ASSERT_TRUE(OsSetVirtualJoypadAxis(instanceId, 0, -12345));
    ASSERT_TRUE(OsSetVirtualJoypadAxis(instanceId, 3, 32767)); // RX
    ASSERT_TRUE(OsSetVirtualJoypadAxis(instanceId, 6, -32768)); // slider 0
    ASSERT_TRUE(OsSetVirtualJoypadButton(instanceId, 0, true));
    pad->SetFunctionBounceFilter(DeviceButton0 + 1, true);
    ASSERT_TRUE(OsSetVirtualJoypadButton(instanceId, 1, true));
    for (int poll = 0; poll < 3; ++poll)
        pad->Update();
    i32 value = 0;
    ASSERT_TRUE(pad->GetFunction(DeviceAxisX, value, nullptr, false));
    EXPECT_EQ(value, 20423);
    ASSERT_TRUE(pad->GetFunction(DeviceAxisRX, value, nullptr, false));
    EXPECT_EQ(value, 65535);
    ASSERT_TRUE(pad->GetFunction(DeviceAxisU, value, nullptr, false));
    EXPECT_EQ(value, 0);
    ASSERT_TRUE(pad->GetFunction(DeviceAxisY, value, nullptr, false));
    EXPECT_EQ(value, 32768) << "a centred axis";
    EXPECT_EQ(Drain(*pad, DeviceButton0), (std::vector<i32>{128, 128, 128}));
    EXPECT_EQ(Drain(*pad, DeviceButton0 + 1), (std::vector<i32>{128}));
    EXPECT_EQ(Drain(*pad, DeviceButton0 + 2), (std::vector<i32>{0, 0, 0}));
    EXPECT_FALSE(pad->GetFunction(DeviceKeyPress, value, nullptr, false)) << "controls 21..25 are never recorded";

    struct Effect {
        f32 value;
        std::uint16_t rumble;
    };
    const Effect effects[] = {{2500.7f, 16383}, {-300.9f, 1966}, {10000.0f, 65535}, {-25000.0f, 65535}, {0.0f, 0}};
    for (const Effect& effect : effects) {
        pad->SetEffect(effect.value);
        std::uint16_t low = 1;
        std::uint16_t high = 1;
        OsGetVirtualRumble(low, high);
        EXPECT_EQ(low, effect.rumble) << effect.value;
        EXPECT_EQ(high, effect.rumble) << effect.value;
    }
    pad.reset();
    EXPECT_TRUE(OsDetachVirtualJoypad(deviceIndex));
}

TEST_F(GamePad, DeviceThatCannotBeOpenedPollsNothing) {
    zHIDDescriptor descriptor;
    descriptor.name = "Gone";
    descriptor.instanceId = 424242;
    LogCapture log;
    std::unique_ptr<zHIDDevice> pad = hid->NewDevice(descriptor);
    ASSERT_NE(pad, nullptr);
    EXPECT_EQ(log.Text(), "Creating device 'Gone'.\n[!] Failed to create device.\n");
    pad->Update();
    pad->SetEffect(5000.0f);
    i32 value = 0;
    EXPECT_FALSE(pad->GetFunction(DeviceAxisX, value, nullptr, false));
}

TEST_F(GamePad, DetachedPadKeepsWhatItHolds) {
    const int deviceIndex = OsAttachVirtualJoypad("Short Pad");
    ASSERT_GE(deviceIndex, 0);
    zHID::DescriptorList devices;
    hid->EnumerateDevices(DeviceTypeGame, devices);
    ASSERT_GE(devices.GetCount(), 1u);
    std::unique_ptr<zHIDDevice> pad = hid->NewDevice(*devices.GetTail()->value);
    ASSERT_EQ(pad->GetName(), "Short Pad");
    pad->Update();
    EXPECT_TRUE(OsDetachVirtualJoypad(deviceIndex));
    pad->Update();
    EXPECT_EQ(Drain(*pad, DeviceAxisX).size(), 1u);
}
