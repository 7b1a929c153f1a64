// Input devices, Include and FileExists. Without an open input manager no
// game device is attached; a virtual pad stands in for one.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/os_input.h"
#include "tests/scriptapi/api_fixture.h"
#include "ui/hid.h"

namespace {

class InputApi : public ScriptApiFixture {
  public:
    void TearDown() override {
        vm.Close();
        DeleteScriptInputDevices();
        if (padIndex >= 0) OsDetachVirtualJoypad(padIndex);
        zHID::DestroyInstance();
        ScriptApiFixture::TearDown();
    }

    // Opens the manager and attaches a virtual pad; its instance id.
    std::int32_t AttachPad(const char* name) {
        zHID* hid = zHID::GetInstance();
        EXPECT_TRUE(hid && hid->Open(nullptr));
        padIndex = OsAttachVirtualJoypad(name);
        EXPECT_GE(padIndex, 0);
        std::int32_t instanceId = -1;
        OsEnumerateJoypads(
            [](const zOsJoypadInfo& info, void* user) { *static_cast<std::int32_t*>(user) = info.instanceId; },
            &instanceId);
        return instanceId;
    }

    int padIndex = -1;
};

TEST_F(InputApi, ConstantsHaveTheirValues) {
    const ScriptRow rows[] = {
        {"print(DeviceTypeGame + \" \" + DeviceCapsNone + \" \" + DeviceCapsForceFeedback)", "2 0 1"},
        {"print(DeviceAxisX + \" \" + DeviceAxisY + \" \" + DeviceAxisZ + \" \" + DeviceAxisU + \" \" + DeviceAxisV)",
         "0 1 2 3 4"},
        {"print(DeviceButton0 + \" \" + DeviceButton1 + \" \" + DeviceButton9 + \" \" + DeviceButton15)", "5 6 14 20"},
        {"print(DeviceKeyPress + \" \" + DeviceLeft + \" \" + DeviceRight + \" \" + DeviceUp + \" \" + DeviceDown)",
         "21 22 23 24 25"},
        {"print(DeviceAxisRX + \" \" + DeviceAxisRY + \" \" + DeviceAxisRZ)", "26 27 28"},
        {"print(KeyLShift + \" \" + KeyRShift + \" \" + KeyLWin + \" \" + KeyRMenu + \" \" + KeyTab)", "0 1 6 9 10"},
        {"print(KeySpace + \" \" + KeyReturn + \" \" + KeySuppr + \" \" + KeyEnd + \" \" + KeyPageDown)",
         "13 15 17 19 21"},
        {"print(KeyUpArrow + \" \" + KeyRightArrow + \" \" + KeyEscape)", "22 25 26"},
        {"print(KeyF1 + \" \" + KeyF6 + \" \" + KeyF12 + \" \" + KeyPrintScreen + \" \" + KeyEnter)", "27 32 38 39 43"},
        {"print(KeyNumpad0 + \" \" + KeyNumpad5 + \" \" + KeyNumpad9 + \" \" + KeyASCII)", "44 49 53 54"},
    };
    ExpectScripts(rows);
}

TEST_F(InputApi, IncludeRunsAScriptInTheSameVm) {
    WriteFile("second.nut", "included <- 42;\nprint(\"in second\");\n");
    const ScriptRow rows[] = {
        {"Include(\"second.nut\"); print(included)", "in second\n42"},
        {"print(Include(\"second.nut\") == null)", "in second\ntrue"},
        {"try { Include(\"nope.nut\") } catch (e) { print(e == \"Failed to include script 'nope.nut'.\\n\") }",
         "true"},
        {"Include(1)", "error: parameter 1 has an invalid type 'integer' ; expected: 'string'"},
    };
    ExpectScripts(rows);
    // The printed error's closing newline ends its log line.
    EXPECT_EQ(Printed("Include(\"nope.nut\")"), "error: Failed to include script 'nope.nut'.");
    EXPECT_NE(log.Text().find("[!] Failed to locate script 'nope.nut'.\n"), std::string::npos) << log.Text();
}

// A script that fails while it runs is reported by the VM (which stops), and
// Include answers with its own error.
TEST_F(InputApi, IncludeOfAFailingScriptFails) {
    WriteFile("thrower.nut", "throw \"thrown inside\";\n");
    EXPECT_EQ(Printed("try { Include(\"thrower.nut\") } catch (e) { print(\"caught \" + e) }"),
              "caught Failed to include script 'thrower.nut'.");
    EXPECT_TRUE(vm.IsKilled());
}

TEST_F(InputApi, FileExistsNeedsAFileWithBytes) {
    WriteFile("full.txt", "x");
    WriteFile("empty.txt", "");
    const ScriptRow rows[] = {
        {"print(FileExists(\"full.txt\"))", "true"},
        {"print(FileExists(\"empty.txt\"))", "false"},
        {"print(FileExists(\"missing.txt\"))", "false"},
        {"print(FileExists(\"\"))", "false"},
    };
    ExpectScripts(rows);
}

TEST_F(InputApi, WithoutControllersNoGameDeviceIsMade) {
    const ScriptRow rows[] = {
        {"print(GetDeviceList(DeviceTypeGame).len())", "0"},
        {"print(ObjectIsValid(DeviceNew(\"unknown\")))", "false"},
        {"print(ObjectIsValid(DeviceNewFromIndex(0)))", "false"},
        {"print(ObjectIsValid(DeviceNewFromIndex(-1)))", "false"},
        {"print(ObjectIsValid(DeviceAny()))", "false"},
        {"print(DeviceAny().type() == EngineTypeHID)", "true"},
        {"DeviceGetName(DeviceAny())", "error: CObject is null"},
        {"DeviceUpdate(DeviceNew(\"unknown\"))", "error: CObject is null"},
    };
    ExpectScripts(rows);
}

TEST_F(InputApi, KeyboardAndMouseWithoutInput) {
    const ScriptRow rows[] = {
        {"print(DeviceGetName(GetKeyboardDevice()) + \" \" + DeviceGetName(GetMouseDevice()))", "Keyboard Mouse"},
        {"print(ObjectIsSame(GetKeyboardDevice(), GetKeyboardDevice()))", "true"},
        {"print(DeviceIsAvailable(GetMouseDevice()) && DeviceUpdate(GetMouseDevice()))", "true"},
        {"KeyboardUpdate(); MouseUpdate(); print(KeyboardPoolFunction(DeviceKeyPress))", "0"},
        {"print(MousePoolFunction(DeviceAxisX) + \" \" + MousePoolFunction(DeviceButton0))", "0 0"},
        {"print(KeyboardSeekFunction(DeviceKeyPress, KeySpace))", "false"},
        {"KeyboardSetKeyBounceFilter(KeySpace, true); KeyboardSetKeyBounceFilter(-1, true); print(\"set\")", "set"},
        {"print(DeviceGetFunction(GetKeyboardDevice(), 99) + DevicePoolFunction(GetMouseDevice(), -1))", "0"},
        {"DeviceSetEffect(GetKeyboardDevice(), 1.0); DeviceSetFunctionBounceFilter(GetMouseDevice(), 5, true);"
         "print(DeviceSeekFunction(GetMouseDevice(), DeviceButton0, 1))",
         "false"},
        // The manager's own devices outlive DeviceDelete.
        {"local k = GetKeyboardDevice(); DeviceDelete(k); print(ObjectIsValid(k) && DeviceGetName(k) == \"Keyboard\")",
         "true"},
    };
    ExpectScripts(rows);
    EXPECT_EQ(Printed("DeviceDelete(GetKeyboardDevice())"), "");
    EXPECT_NE(log.Text().find("[*] Device 'Keyboard' belongs to the input manager, not deleted.\n"),
              std::string::npos)
        << log.Text();
}

TEST_F(InputApi, DeviceArgumentsOfAnotherKindAreRefused) {
    const ScriptRow rows[] = {
        {"DeviceGetName(g_engine)", "error: Expected 'HID' got 'Engine'"},
        {"DeviceDelete(g_mixer)", "error: Expected 'HID' got 'Mixer'"},
        {"DeviceGetFunction(GetMouseDevice(), 1.5)",
         "error: parameter 2 has an invalid type 'float' ; expected: 'integer'"},
        {"DeviceSetFunctionBounceFilter(GetMouseDevice(), 5, 1)",
         "error: parameter 3 has an invalid type 'integer' ; expected: 'bool'"},
        {"GetDeviceList()", "error: wrong number of parameters"},
        {"DeviceAny(1)", "error: wrong number of parameters"},
    };
    ExpectScripts(rows);
}

TEST_F(InputApi, AGamePadIsListedMadeReadAndDeleted) {
    const std::int32_t pad = AttachPad("Pad A");
    ASSERT_GE(pad, 0);
    const ScriptRow listed[] = {
        {"local list = GetDeviceList(DeviceTypeGame); print(list.len() + \" \" + list[0].id + \" \" + list[0].caps)",
         "1 Pad A 1"},
        {"print(ObjectIsValid(DeviceNew(\"Pad\")))", "false"},
        {"print(ObjectIsValid(DeviceNewFromIndex(1)))", "false"},
        {"::pad <- DeviceNew(\"Pad A\"); print(DeviceGetName(pad) + \" \" + DeviceIsAvailable(pad))", "Pad A true"},
        // Made without a poll: nothing recorded yet.
        {"print(DeviceGetFunction(pad, DeviceAxisY))", "0"},
    };
    ExpectScripts(listed);

    ASSERT_TRUE(OsSetVirtualJoypadButton(pad, 0, true));
    EXPECT_EQ(Printed("print(DeviceUpdate(pad))"), "true");
    ASSERT_TRUE(OsSetVirtualJoypadButton(pad, 0, false));
    const ScriptRow queued[] = {
        {"DeviceUpdate(pad); print(DeviceGetFunction(pad, DeviceButton0) + \" \" + DeviceGetFunction(pad, "
         "DeviceButton0))",
         "0 0"},
        {"print(DeviceSeekFunction(pad, DeviceButton0, 128) + \" \" + DeviceSeekFunction(pad, DeviceButton0, 1))",
         "true false"},
        {"print(DevicePoolFunction(pad, DeviceButton0))", "0"},
        {"print(DevicePoolFunction(pad, DeviceButton0))", "128"},
        {"print(DevicePoolFunction(pad, DeviceButton0))", "0"},
        {"print(DeviceGetFunction(pad, DeviceAxisY))", "32768"},
    };
    ExpectScripts(queued);

    EXPECT_EQ(Printed("DeviceSetEffect(pad, 2500.7)"), "");
    std::uint16_t low = 0;
    std::uint16_t high = 0;
    OsGetVirtualRumble(low, high);
    EXPECT_EQ(low, 16383);

    // Deleting turns every handle of the device into a dead one.
    const ScriptRow deleted[] = {
        {"local copy = pad; DeviceDelete(pad); print(ObjectIsValid(pad) + \" \" + ObjectIsValid(copy))",
         "false false"},
        {"DeviceGetName(pad)", "error: Expected 'HID' got 'Deleted native'"},
        {"DeviceDelete(pad)", "error: Expected 'HID' got 'Deleted native'"},
    };
    ExpectScripts(deleted);
}

TEST_F(InputApi, DeviceFromIndexIsPolledOnce) {
    ASSERT_GE(AttachPad("Pad B"), 0);
    const ScriptRow rows[] = {
        {"::first <- DeviceNewFromIndex(0); print(DeviceGetName(first))", "Pad B"},
        {"print(DevicePoolFunction(first, DeviceAxisY) + \" \" + DevicePoolFunction(first, DeviceAxisY))",
         "32768 0"},
        {"::any <- DeviceAny(); print(DeviceGetName(any) + \" \" + ObjectIsSame(any, first))", "Pad B false"},
    };
    ExpectScripts(rows);
    // Devices a script kept are destroyed with the VM's end; their handles die first.
    EXPECT_EQ(Printed("::keep <- any; print(ObjectIsValid(keep))"), "true");
    DeleteScriptInputDevices();
    EXPECT_EQ(Printed("print(ObjectIsValid(keep) || ObjectIsValid(first))"), "false");
}

} // namespace
