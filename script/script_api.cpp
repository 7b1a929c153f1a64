#include "script/script_api.h"

#include <cmath>
#include <cstdio>

#include "core/log.h"
#include "core/zstring.h"
#include "platform/shell.h"
#include "script/script_class.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "script/squirrel_vm.h"
#include "script/value_classes.h"

namespace {

constexpr SQInteger SystemClockFrequency = 10000;

SQInteger AbsoluteIndex(HSQUIRRELVM vm, SQInteger index) {
    return index < 0 ? sq_gettop(vm) + index + 1 : index;
}

// Sets a float member of the instance on top through the library's set (and
// so through the instance's _set when it has one).
bool SetFloatMember(HSQUIRRELVM vm, const char* name, float value) {
    sq_pushstring(vm, name, -1);
    sq_pushfloat(vm, value);
    return SQ_SUCCEEDED(sq_set(vm, -3));
}

// Truncation toward zero that stays defined for any float.
i32 TruncateToInt(SQFloat value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0f) return 2147483647;
    if (value <= -2147483648.0f) return -2147483647 - 1;
    return (i32)value;
}

// ---------------------------------------------------------------- core natives

SQInteger NativeAssert(HSQUIRRELVM vm) {
    SQBool condition = SQTrue;
    const SQChar* message = nullptr;
    sq_getbool(vm, -2, &condition);
    sq_getstring(vm, -1, &message);
    if (condition) return 0;
    if (zSquirrelVM* owner = zSquirrelVM::FromHandle(vm)) owner->Kill(3, "Assertion failed", true);
    zString title;
    title.Format("Assertion failed '%s'", message ? message : "");
    DumpCallStack(vm, title, nullptr);
    return 0;
}

SQInteger NativePow(HSQUIRRELVM vm) {
    SQFloat base = 0, exponent = 0;
    sq_getfloat(vm, -2, &base);
    sq_getfloat(vm, -1, &exponent);
    sq_pushfloat(vm, (SQFloat)std::pow((double)base, (double)exponent));
    return 1;
}

// The remainder with the language's own rules: a divisor of 0 raises
// "division by zero", and anything modulo -1 is 0 (never INT_MIN % -1).
bool ReadRemainder(HSQUIRRELVM vm, SQInteger& dividend, SQInteger& divisor, SQInteger& remainder) {
    sq_getinteger(vm, -2, &dividend);
    sq_getinteger(vm, -1, &divisor);
    if (divisor == 0) return false;
    remainder = divisor == -1 ? 0 : dividend % divisor;
    return true;
}

SQInteger NativeMod(HSQUIRRELVM vm) {
    SQInteger dividend = 0, divisor = 0, remainder = 0;
    if (!ReadRemainder(vm, dividend, divisor, remainder)) return sq_throwerror(vm, "division by zero");
    sq_pushinteger(vm, remainder);
    return 1;
}

SQInteger NativeAbsMod(HSQUIRRELVM vm) {
    SQInteger dividend = 0, divisor = 0, remainder = 0;
    if (!ReadRemainder(vm, dividend, divisor, remainder)) return sq_throwerror(vm, "division by zero");
    // Wraps as 32-bit arithmetic does, instead of overflowing.
    if (remainder < 0) remainder = (SQInteger)((u32)remainder + (u32)divisor);
    sq_pushinteger(vm, remainder);
    return 1;
}

SQInteger NativeObjectIsValid(HSQUIRRELVM vm) {
    void* object = nullptr;
    if (!FetchScriptObject(vm, -1, &object, ScriptKindUndefined)) return -1;
    sq_pushbool(vm, object ? SQTrue : SQFalse);
    return 1;
}

SQInteger NativeObjectIsSame(HSQUIRRELVM vm) {
    void* first = nullptr;
    void* second = nullptr;
    if (!FetchScriptObject(vm, -2, &first, ScriptKindUndefined)) return -1;
    if (!FetchScriptObject(vm, -1, &second, ScriptKindUndefined)) return -1;
    sq_pushbool(vm, first == second ? SQTrue : SQFalse);
    return 1;
}

void LogShellLine(const char* line, void*) {
    GetLog() << line;
}

SQInteger NativeShellExecute(HSQUIRRELVM vm) {
    const SQChar* command = nullptr;
    const SQChar* parameters = nullptr;
    sq_getstring(vm, -2, &command);
    sq_getstring(vm, -1, &parameters);
    if (!command) {
        sq_pop(vm, 2);
        sq_pushinteger(vm, -1);
        return 1;
    }
    zString commandLine(command);
    if (parameters) commandLine.Format("%s %s", command, parameters);
    sq_pop(vm, 2);
    GetLog() << "[H] Execute command '" << commandLine << "'\n\n";
    sq_pushinteger(vm, OsRunShellCommand(commandLine, LogShellLine, nullptr));
    return 1;
}

SQInteger NativeFileRename(HSQUIRRELVM vm) {
    const SQChar* from = nullptr;
    const SQChar* to = nullptr;
    sq_getstring(vm, -2, &from);
    sq_getstring(vm, -1, &to);
    bool renamed = from && to && std::rename(from, to) == 0;
    sq_pop(vm, 2);
    sq_pushbool(vm, renamed ? SQTrue : SQFalse);
    return 1;
}

struct CoreNative {
    const char* name;
    SQFUNCTION function;
    const char* typeMask;
};

const CoreNative g_coreNatives[] = {
    {"__Assert", NativeAssert, ".bs"},
    {"Pow", NativePow, ".ff"},
    {"Mod", NativeMod, ".ii"},
    {"AbsMod", NativeAbsMod, ".ii"},
    {"ObjectIsValid", NativeObjectIsValid, ".x"},
    {"ObjectIsSame", NativeObjectIsSame, ".xx"},
    {"ShellExecute", NativeShellExecute, ".ss"},
    {"FileRename", NativeFileRename, ".ss"},
    {"AIPathIsValid", NativeObjectIsValid, ".x"},
    {"GeometryIsValid", NativeObjectIsValid, ".x"},
    {"ItemIsValid", NativeObjectIsValid, ".x"},
    {"MetatagIsValid", NativeObjectIsValid, ".x"},
    {"TextureIsValid", NativeObjectIsValid, ".x"},
    {"WidgetIsValid", NativeObjectIsValid, ".x"},
    {"WindowIsValid", NativeObjectIsValid, ".x"},
};

bool SetRootInteger(HSQUIRRELVM vm, const char* name, SQInteger value) {
    sq_pushroottable(vm);
    sq_pushstring(vm, name, -1);
    sq_pushinteger(vm, value);
    bool created = SQ_SUCCEEDED(sq_newslot(vm, -3, SQFalse));
    sq_pop(vm, 1);
    return created;
}

} // namespace

bool RegisterScriptFunction(HSQUIRRELVM vm, SQFUNCTION function, const char* name, const char* typeMask) {
    if (!vm || !function || !name) return false;
    SQInteger top = sq_gettop(vm);
    sq_pushroottable(vm);
    sq_pushstring(vm, name, -1);
    // A name is registered once: a second row of the same name is refused.
    if (SQ_SUCCEEDED(sq_rawget(vm, -2))) {
        sq_settop(vm, top);
        return false;
    }
    sq_pushstring(vm, name, -1);
    sq_newclosure(vm, function, 0);
    bool registered = SQ_SUCCEEDED(sq_setnativeclosurename(vm, -1, name)) &&
                      SQ_SUCCEEDED(sq_setparamscheck(vm, SQ_MATCHTYPEMASKSTRING, typeMask)) &&
                      SQ_SUCCEEDED(sq_newslot(vm, -3, SQFalse));
    sq_settop(vm, top);
    return registered;
}

bool RegisterCoreScriptApi(HSQUIRRELVM vm) {
    if (!vm) return false;
    bool ok = true;
    for (const CoreNative& native : g_coreNatives) {
        ok = RegisterScriptFunction(vm, native.function, native.name, native.typeMask) && ok;
    }
    ok = SetRootInteger(vm, "SystemClockFrequency", SystemClockFrequency) && ok;
    for (i32 kind = 0; kind < ScriptKindCount; ++kind) {
        ok = SetRootInteger(vm, ScriptEngineTypeConstantName(kind), kind) && ok;
    }
    return ok;
}

bool GetScriptObjectKind(HSQUIRRELVM vm, SQInteger index, i32& kind) {
    SQUserPointer record = nullptr;
    SQInteger top = sq_gettop(vm);
    bool found = SQ_SUCCEEDED(
        sq_getinstanceup(vm, index, &record, const_cast<ScriptClassDescriptor*>(&g_CObjectClass)));
    // No error of its own: what the library noted is dropped.
    sq_reseterror(vm);
    sq_settop(vm, top);
    if (!found || !record) return false;
    kind = static_cast<zCObject*>(record)->kind;
    return true;
}

bool FetchScriptObject(HSQUIRRELVM vm, SQInteger index, void** object, i32 expectedKind) {
    SQUserPointer pointer = nullptr;
    if (SQ_FAILED(sq_getinstanceup(vm, index, &pointer, const_cast<ScriptClassDescriptor*>(&g_CObjectClass))))
        return false;
    if (!pointer) return false;
    auto* record = static_cast<zCObject*>(pointer);
    if (expectedKind != ScriptKindUndefined && record->kind != expectedKind) {
        zString text;
        text.Format("Expected '%s' got '%s'", ScriptObjectKindName(expectedKind),
                    ScriptObjectKindName(record->kind));
        sq_throwerror(vm, text);
        return false;
    }
    if (object) *object = record->object;
    return true;
}

bool PushVectorValue(HSQUIRRELVM vm, float x, float y, float z, float w) {
    if (!ScriptNewInstanceOf(vm, "Vector", true))
        return ScriptBindingError(vm, "Failed to create Vector instance.");
    SetFloatMember(vm, "x", x);
    SetFloatMember(vm, "y", y);
    SetFloatMember(vm, "z", z);
    SetFloatMember(vm, "w", w);
    return true;
}

bool PushVector(HSQUIRRELVM vm, float x, float y, float z, float w) {
    if (!PushVectorInstance(vm, x, y, z, w))
        return ScriptBindingError(vm, "Failed to create Vector instance.");
    return true;
}

bool PushMinMaxValue(HSQUIRRELVM vm, const zMinMax& bounds) {
    if (!ScriptNewInstanceOf(vm, "MinMax", true))
        return ScriptBindingError(vm, "Failed to create MinMax instance.");
    const struct {
        const char* name;
        const zVector& corner;
    } corners[] = {{"min", bounds.min}, {"max", bounds.max}};
    for (const auto& corner : corners) {
        sq_pushstring(vm, corner.name, -1);
        if (SQ_SUCCEEDED(sq_get(vm, -2))) {
            SetFloatMember(vm, "x", corner.corner.x);
            SetFloatMember(vm, "y", corner.corner.y);
            SetFloatMember(vm, "z", corner.corner.z);
            sq_pop(vm, 1);
        }
    }
    return true;
}

bool PushRectValue(HSQUIRRELVM vm, i32 sx, i32 sy, i32 ex, i32 ey) {
    if (!ScriptNewInstanceOf(vm, "Rect", false))
        return ScriptBindingError(vm, "Failed to create Rect instance.");
    SetFloatMember(vm, "sx", (float)sx);
    SetFloatMember(vm, "sy", (float)sy);
    SetFloatMember(vm, "ex", (float)ex);
    SetFloatMember(vm, "ey", (float)ey);
    return true;
}


bool GetVectorArgument(HSQUIRRELVM vm, SQInteger index, float out[4]) {
    return GetScriptValueBlock(vm, index, g_VectorClass, out, 4);
}

bool GetUVArgument(HSQUIRRELVM vm, SQInteger index, float out[2]) {
    return GetScriptValueBlock(vm, index, g_UVClass, out, 2);
}

bool GetRectArgument(HSQUIRRELVM vm, SQInteger index, i32 out[4]) {
    index = AbsoluteIndex(vm, index);
    static const char* const members[4] = {"sx", "sy", "ex", "ey"};
    SQInteger top = sq_gettop(vm);
    for (int i = 0; i < 4; ++i) {
        sq_pushstring(vm, members[i], -1);
        SQFloat value = 0;
        bool read = SQ_SUCCEEDED(sq_get(vm, index)) && SQ_SUCCEEDED(sq_getfloat(vm, -1, &value));
        sq_settop(vm, top);
        if (!read) {
            zString text;
            text.Format("Rect member '%s' is not a number.", members[i]);
            return ScriptBindingError(vm, text);
        }
        out[i] = TruncateToInt(value);
    }
    return true;
}
