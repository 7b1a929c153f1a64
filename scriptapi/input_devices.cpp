// Input devices: Include and FileExists, then the mouse, the keyboard and the
// game devices of the process-wide input manager (kind 42 handles, never
// owned by the script).
//
// Game devices made here are held in one list until DeviceDelete or
// DeleteScriptInputDevices destroys them; destroying one turns its handles
// into "Deleted native" handles first. The keyboard and the mouse belong to
// the manager and are never destroyed here.
#include <memory>
#include <string>

#include "core/log.h"
#include "io/file_road.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "script/squirrel_vm.h"
#include "scriptapi/script_api.h"
#include "scriptapi/script_api_groups.h"
#include "ui/hid.h"

namespace {

using DeviceList = zList<std::unique_ptr<zHIDDevice>>;

DeviceList& ScriptDevices() {
    static DeviceList devices;
    return devices;
}

void DestroyScriptDevice(DeviceList::Node* node) {
    std::unique_ptr<zHIDDevice> device = ScriptDevices().Take(node);
    InvalidateScriptRecords(device.get());
}

SQInteger Include(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    const char* path = args.String(1);
    if (!args) return args.Fail();
    zSquirrelVM* owner = zSquirrelVM::FromHandle(vm);
    if (owner && owner->Include(path)) return args.None();
    return args.Error(("Failed to include script '" + std::string(path) + "'.\n").c_str());
}

SQInteger FileExists(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    const char* path = args.String(1);
    if (!args) return args.Fail();
    return args.Return(FileSystemGetFileSize(path) != 0);
}

zHIDDevice* Mouse() {
    zHID* hid = zHID::GetInstance();
    return hid ? hid->GetMouse() : nullptr;
}

zHIDKeyboard* Keyboard() {
    zHID* hid = zHID::GetInstance();
    return hid ? hid->GetKeyboard() : nullptr;
}

SQInteger GetMouseDevice(HSQUIRRELVM vm) {
    return ScriptArgs(vm).ReturnObject(Mouse(), ScriptKindHID);
}

SQInteger GetKeyboardDevice(HSQUIRRELVM vm) {
    return ScriptArgs(vm).ReturnObject(static_cast<zHIDDevice*>(Keyboard()), ScriptKindHID);
}

// A fresh list of the manager's devices of a type; empty without a manager.
// The list frees its descriptors when it goes.
void Enumerate(u32 type, zHID::DescriptorList& devices) {
    if (zHID* hid = zHID::GetInstance()) hid->EnumerateDevices(type, devices);
}

SQInteger GetDeviceList(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    const SQInteger type = args.Integer(1);
    if (!args) return args.Fail();
    zHID::DescriptorList devices;
    Enumerate(u32(type), devices);
    sq_newarray(vm, 0);
    for (auto* node = devices.GetHead(); node; node = node->next) {
        sq_newtable(vm);
        sq_pushstring(vm, "id", -1);
        sq_pushstring(vm, node->value->name, -1);
        sq_newslot(vm, -3, SQFalse);
        sq_pushstring(vm, "caps", -1);
        sq_pushinteger(vm, SQInteger(node->value->caps));
        sq_newslot(vm, -3, SQFalse);
        sq_arrayappend(vm, -2);
    }
    return 1;
}

// A handle of a new device for the descriptor (a null wrap for none, or when
// the device cannot be made or kept), polled once when asked.
SQInteger ReturnNewDevice(ScriptArgs& args, const zHIDDescriptor* descriptor, bool poll) {
    zHID* hid = zHID::GetInstance();
    zHIDDevice* device = nullptr;
    if (hid && descriptor) {
        std::unique_ptr<zHIDDevice> made = hid->NewDevice(*descriptor);
        device = made.get();
        if (device && !ScriptDevices().Add(std::move(made))) device = nullptr;
    }
    if (device && poll) device->Update();
    return args.ReturnObject(device, ScriptKindHID);
}

SQInteger DeviceNew(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    const char* id = args.String(1);
    if (!args) return args.Fail();
    zHID::DescriptorList devices;
    Enumerate(DeviceTypeGame, devices);
    auto* node = devices.GetHead();
    while (node && !(node->value->name == id))
        node = node->next;
    return ReturnNewDevice(args, node ? node->value.get() : nullptr, false);
}

SQInteger DeviceNewFromIndex(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    const SQInteger index = args.Integer(1);
    if (!args) return args.Fail();
    zHID::DescriptorList devices;
    if (index >= 0) Enumerate(DeviceTypeGame, devices);
    auto* node = index >= 0 ? devices.GetNodeAt(u32(index)) : nullptr;
    return ReturnNewDevice(args, node ? node->value.get() : nullptr, true);
}

SQInteger DeviceAny(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zHID::DescriptorList devices;
    Enumerate(DeviceTypeGame, devices);
    auto* node = devices.GetHead();
    return ReturnNewDevice(args, node ? node->value.get() : nullptr, false);
}

zHIDDevice* Device(ScriptArgs& args) {
    return args.Object<zHIDDevice>(1, ScriptKindHID);
}

SQInteger DeviceGetName(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zHIDDevice* device = Device(args);
    if (!args) return args.Fail();
    return args.Return(device->GetName());
}

SQInteger DeviceSetEffect(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zHIDDevice* device = Device(args);
    const SQFloat value = args.Number(2);
    if (!args) return args.Fail();
    device->SetEffect(value);
    return args.None();
}

SQInteger DeviceSetFunctionBounceFilter(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zHIDDevice* device = Device(args);
    const SQInteger control = args.Integer(2);
    const bool on = args.Bool(3);
    if (!args) return args.Fail();
    device->SetFunctionBounceFilter(i32(control), on);
    return args.None();
}

// The newest value of a control, taken from its ring when consume; 0 when
// there is none (or no device).
SQInteger ReturnFunction(ScriptArgs& args, zHIDDevice* device, SQInteger control, bool consume) {
    i32 value = 0;
    if (!device || !device->GetFunction(i32(control), value, nullptr, consume)) value = 0;
    return args.Return(SQInteger(value));
}

SQInteger DeviceFunction(HSQUIRRELVM vm, bool consume) {
    ScriptArgs args(vm);
    zHIDDevice* device = Device(args);
    const SQInteger control = args.Integer(2);
    if (!args) return args.Fail();
    return ReturnFunction(args, device, control, consume);
}

SQInteger DeviceGetFunction(HSQUIRRELVM vm) {
    return DeviceFunction(vm, false);
}

SQInteger DevicePoolFunction(HSQUIRRELVM vm) {
    return DeviceFunction(vm, true);
}

SQInteger DeviceSeekFunction(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zHIDDevice* device = Device(args);
    const SQInteger control = args.Integer(2);
    const SQInteger value = args.Integer(3);
    if (!args) return args.Fail();
    return args.Return(device->SeekFunction(i32(control), i32(value)));
}

// Destroys a device made by DeviceNew, DeviceNewFromIndex or DeviceAny; its
// handles become "Deleted native". The manager's keyboard and mouse stay.
SQInteger DeviceDelete(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zHIDDevice* device = Device(args);
    if (!args) return args.Fail();
    DeviceList& devices = ScriptDevices();
    auto* node = devices.GetHead();
    while (node && node->value.get() != device)
        node = node->next;
    if (node) {
        DestroyScriptDevice(node);
    } else {
        GetLog() << "[*] Device '" << device->GetName() << "' belongs to the input manager, not deleted.\n";
    }
    return args.None();
}

SQInteger DeviceUpdate(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zHIDDevice* device = Device(args);
    if (!args) return args.Fail();
    device->Update();
    return args.Return(true);
}

SQInteger DeviceIsAvailable(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zHIDDevice* device = Device(args);
    if (!args) return args.Fail();
    return args.Return(device->IsAvailable());
}

SQInteger MouseUpdate(HSQUIRRELVM vm) {
    if (zHIDDevice* mouse = Mouse()) mouse->Update();
    return ScriptArgs(vm).None();
}

SQInteger MousePoolFunction(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    const SQInteger control = args.Integer(1);
    if (!args) return args.Fail();
    return ReturnFunction(args, Mouse(), control, true);
}

SQInteger KeyboardUpdate(HSQUIRRELVM vm) {
    if (zHIDKeyboard* keyboard = Keyboard()) keyboard->Update();
    return ScriptArgs(vm).None();
}

SQInteger KeyboardPoolFunction(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    const SQInteger control = args.Integer(1);
    if (!args) return args.Fail();
    return ReturnFunction(args, Keyboard(), control, true);
}

SQInteger KeyboardSeekFunction(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    const SQInteger control = args.Integer(1);
    const SQInteger value = args.Integer(2);
    if (!args) return args.Fail();
    zHIDKeyboard* keyboard = Keyboard();
    return args.Return(keyboard ? keyboard->SeekFunction(i32(control), i32(value)) : false);
}

SQInteger KeyboardSetKeyBounceFilter(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    const SQInteger key = args.Integer(1);
    const bool on = args.Bool(2);
    if (!args) return args.Fail();
    if (zHIDKeyboard* keyboard = Keyboard()) keyboard->SetKeyBounceFilter(i32(key), on);
    return args.None();
}

const ScriptNative g_inputNatives[] = {
    {"Include", ".s", Include},
    {"FileExists", ".s", FileExists},
    {"GetMouseDevice", ".", GetMouseDevice},
    {"GetKeyboardDevice", ".", GetKeyboardDevice},
    {"GetDeviceList", ".i", GetDeviceList},
    {"DeviceNew", ".s", DeviceNew},
    {"DeviceNewFromIndex", ".i", DeviceNewFromIndex},
    {"DeviceAny", ".", DeviceAny},
    {"DeviceGetName", ".x", DeviceGetName},
    {"DeviceSetEffect", ".xn", DeviceSetEffect},
    {"DeviceSetFunctionBounceFilter", ".xib", DeviceSetFunctionBounceFilter},
    {"DeviceGetFunction", ".xi", DeviceGetFunction},
    {"DevicePoolFunction", ".xi", DevicePoolFunction},
    {"DeviceSeekFunction", ".xii", DeviceSeekFunction},
    {"DeviceDelete", ".x", DeviceDelete},
    {"DeviceUpdate", ".x", DeviceUpdate},
    {"DeviceIsAvailable", ".x", DeviceIsAvailable},
    {"MouseUpdate", ".", MouseUpdate},
    {"MousePoolFunction", ".i", MousePoolFunction},
    {"KeyboardUpdate", ".", KeyboardUpdate},
    {"KeyboardPoolFunction", ".i", KeyboardPoolFunction},
    {"KeyboardSeekFunction", ".ii", KeyboardSeekFunction},
    {"KeyboardSetKeyBounceFilter", ".ib", KeyboardSetKeyBounceFilter},
};

const ScriptIntConstant g_inputConstants[] = {
    {"DeviceTypeGame", DeviceTypeGame},
    {"DeviceCapsNone", DeviceCapsNone},
    {"DeviceCapsForceFeedback", DeviceCapsForceFeedback},
    {"DeviceAxisX", DeviceAxisX},
    {"DeviceAxisY", DeviceAxisY},
    {"DeviceAxisZ", DeviceAxisZ},
    {"DeviceAxisU", DeviceAxisU},
    {"DeviceAxisV", DeviceAxisV},
    {"DeviceButton0", DeviceButton0},
    {"DeviceButton1", DeviceButton0 + 1},
    {"DeviceButton2", DeviceButton0 + 2},
    {"DeviceButton3", DeviceButton0 + 3},
    {"DeviceButton4", DeviceButton0 + 4},
    {"DeviceButton5", DeviceButton0 + 5},
    {"DeviceButton6", DeviceButton0 + 6},
    {"DeviceButton7", DeviceButton0 + 7},
    {"DeviceButton8", DeviceButton0 + 8},
    {"DeviceButton9", DeviceButton0 + 9},
    {"DeviceButton10", DeviceButton0 + 10},
    {"DeviceButton11", DeviceButton0 + 11},
    {"DeviceButton12", DeviceButton0 + 12},
    {"DeviceButton13", DeviceButton0 + 13},
    {"DeviceButton14", DeviceButton0 + 14},
    {"DeviceButton15", DeviceButton15},
    {"DeviceKeyPress", DeviceKeyPress},
    {"DeviceLeft", DeviceLeft},
    {"DeviceRight", DeviceRight},
    {"DeviceUp", DeviceUp},
    {"DeviceDown", DeviceDown},
    {"DeviceAxisRX", DeviceAxisRX},
    {"DeviceAxisRY", DeviceAxisRY},
    {"DeviceAxisRZ", DeviceAxisRZ},
    {"KeyLShift", KeyLShift},
    {"KeyRShift", KeyRShift},
    {"KeyLCtrl", KeyLCtrl},
    {"KeyRCtrl", KeyRCtrl},
    {"KeyLAlt", KeyLAlt},
    {"KeyRAlt", KeyRAlt},
    {"KeyLWin", KeyLWin},
    {"KeyRWin", KeyRWin},
    {"KeyLMenu", KeyLMenu},
    {"KeyRMenu", KeyRMenu},
    {"KeyTab", KeyTab},
    {"KeyTilde", KeyTilde},
    {"KeyCapsLock", KeyCapsLock},
    {"KeySpace", KeySpace},
    {"KeyBackspace", KeyBackspace},
    {"KeyReturn", KeyReturn},
    {"KeyInsert", KeyInsert},
    {"KeySuppr", KeySuppr},
    {"KeyStart", KeyStart},
    {"KeyEnd", KeyEnd},
    {"KeyPageUp", KeyPageUp},
    {"KeyPageDown", KeyPageDown},
    {"KeyUpArrow", KeyUpArrow},
    {"KeyDownArrow", KeyDownArrow},
    {"KeyLeftArrow", KeyLeftArrow},
    {"KeyRightArrow", KeyRightArrow},
    {"KeyEscape", KeyEscape},
    {"KeyF1", KeyF1},
    {"KeyF2", KeyF2},
    {"KeyF3", KeyF3},
    {"KeyF4", KeyF4},
    {"KeyF5", KeyF5},
    {"KeyF6", KeyF6},
    {"KeyF7", KeyF7},
    {"KeyF8", KeyF8},
    {"KeyF9", KeyF9},
    {"KeyF10", KeyF10},
    {"KeyF11", KeyF11},
    {"KeyF12", KeyF12},
    {"KeyPrintScreen", KeyPrintScreen},
    {"KeyScrollLock", KeyScrollLock},
    {"KeyPause", KeyPause},
    {"KeyNumLock", KeyNumLock},
    {"KeyEnter", KeyEnter},
    {"KeyNumpad0", KeyNumpad0},
    {"KeyNumpad1", KeyNumpad1},
    {"KeyNumpad2", KeyNumpad2},
    {"KeyNumpad3", KeyNumpad3},
    {"KeyNumpad4", KeyNumpad4},
    {"KeyNumpad5", KeyNumpad5},
    {"KeyNumpad6", KeyNumpad6},
    {"KeyNumpad7", KeyNumpad7},
    {"KeyNumpad8", KeyNumpad8},
    {"KeyNumpad9", KeyNumpad9},
    {"KeyASCII", KeyASCII},
};

} // namespace

void DeleteScriptInputDevices() {
    DeviceList& devices = ScriptDevices();
    while (devices.GetHead())
        DestroyScriptDevice(devices.GetHead());
}

bool RegisterInputScriptApi(HSQUIRRELVM vm) {
    const bool natives = RegisterScriptNatives(vm, g_inputNatives);
    return RegisterScriptConstants(vm, g_inputConstants) && natives;
}
