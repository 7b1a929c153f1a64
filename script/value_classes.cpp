#include "script/value_classes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "core/matrix.h"
#include "script/value_class_natives.h"

namespace {

// Value blocks come in two sizes: four floats (Vector, UV, which uses two) and
// sixteen (the matrices). A header before the block names its size. Scripts make
// and drop values by the million, so a freed block waits in a short list of its
// thread for the next value of its size instead of going back to the allocator.
constexpr int SmallBlockFloats = 4;
constexpr int LargeBlockFloats = 16;
constexpr int KeptBlocks = 256; // per size and thread; past it blocks are freed

struct BlockHeader {
    int sizeClass; // 0 small, 1 large
    int padding;
};

struct FreeBlocks {
    BlockHeader* blocks[KeptBlocks];
    int count = 0;
    ~FreeBlocks() {
        while (count > 0)
            ::operator delete(blocks[--count]);
    }
};

thread_local FreeBlocks t_freeBlocks[2];

int BlockSize(int count) {
    return count > SmallBlockFloats ? LargeBlockFloats : SmallBlockFloats;
}

// An uninitialised block of at least count floats, freed by ReleaseScriptValueBlock.
float* NewValueBlock(int count) {
    int sizeClass = count > SmallBlockFloats ? 1 : 0;
    FreeBlocks& kept = t_freeBlocks[sizeClass];
    BlockHeader* header = nullptr;
    if (kept.count > 0) {
        header = kept.blocks[--kept.count];
    } else {
        size_t bytes = sizeof(BlockHeader) + sizeof(float) * (size_t)BlockSize(count);
        header = static_cast<BlockHeader*>(::operator new(bytes, std::nothrow));
        if (!header) return nullptr;
        header->sizeClass = sizeClass;
    }
    return reinterpret_cast<float*>(header + 1);
}

// The value classes' names as strings of the VM that registered the classes
// last, so that a new value skips turning its class's name into a string (the
// class is still looked up by name). The strings live in an array in that
// VM's registry table, after a userdata whose release hook forgets them when
// the array goes (at the latest when the VM closes).
enum ValueClassSlot { VectorSlot, UVSlot, Matrix3Slot, Matrix4Slot, ValueClassCount };

struct ValueClassNames {
    HSQUIRRELVM vm = nullptr;
    HSQOBJECT names[ValueClassCount];
};

thread_local ValueClassNames t_valueClassNames;

const char* const g_valueClassNameKey = "value class names";

SQInteger ForgetValueClassNames(SQUserPointer data, SQInteger /*size*/) {
    if (t_valueClassNames.vm == *static_cast<HSQUIRRELVM*>(data)) t_valueClassNames.vm = nullptr;
    return 1;
}

bool RememberValueClassNames(HSQUIRRELVM vm, const ScriptClassDescriptor* const (&classes)[ValueClassCount]) {
    SQInteger top = sq_gettop(vm);
    sq_pushregistrytable(vm);
    sq_pushstring(vm, g_valueClassNameKey, -1);
    sq_newarray(vm, 0);
    auto* owner = static_cast<HSQUIRRELVM*>(sq_newuserdata(vm, sizeof(HSQUIRRELVM)));
    bool kept = owner != nullptr;
    if (kept) {
        *owner = vm;
        sq_setreleasehook(vm, -1, ForgetValueClassNames);
        kept = SQ_SUCCEEDED(sq_arrayappend(vm, -2));
    }
    ValueClassNames names;
    for (int slot = 0; kept && slot < ValueClassCount; ++slot) {
        sq_pushstring(vm, classes[slot]->className, -1);
        kept =
            SQ_SUCCEEDED(sq_getstackobj(vm, -1, &names.names[slot])) && SQ_SUCCEEDED(sq_arrayappend(vm, -2));
    }
    kept = kept && SQ_SUCCEEDED(sq_newslot(vm, -3, SQFalse));
    sq_settop(vm, top);
    if (!kept) return false;
    names.vm = vm;
    t_valueClassNames = names;
    return true;
}

bool PushBlock(HSQUIRRELVM vm, ValueClassSlot slot, const char* className, const float* values, int count) {
    int size = BlockSize(count);
    float* block = NewValueBlock(count);
    if (!block) return false;
    for (int i = 0; i < size; ++i)
        block[i] = i < count ? values[i] : 0.0f;
    const ValueClassNames& known = t_valueClassNames;
    bool made = known.vm == vm
                    ? CreateScriptClassInstanceNamed(vm, known.names[slot], block, ReleaseScriptValueBlock)
                    : CreateScriptClassInstance(vm, className, block, ReleaseScriptValueBlock);
    if (made) return true;
    ReleaseScriptValueBlock(block, 0);
    return false;
}

// The instance left on top by a push, held by a script object and popped.
SquirrelObject HoldPushed(HSQUIRRELVM vm, bool pushed) {
    SquirrelObject object(vm);
    if (!pushed) return object;
    object.SetFromStack(-1);
    sq_pop(vm, 1);
    return object;
}

SQInteger ReturnFloat(HSQUIRRELVM vm, f32 value) {
    sq_pushfloat(vm, value);
    return 1;
}

SQInteger ReturnBool(HSQUIRRELVM vm, bool value) {
    sq_pushbool(vm, value ? SQTrue : SQFalse);
    return 1;
}

// ------------------------------------------------------------ component keys

// The letters that select each component besides its number.
struct ComponentKeys {
    const char* letters[4];
    int count;
};

const ComponentKeys g_vectorKeys = {{"rx", "gy", "bz", "aw"}, 4};
const ComponentKeys g_uvKeys = {{"u", "v", nullptr, nullptr}, 2};

int ComponentOfCode(const ComponentKeys& keys, SQInteger code) {
    for (int i = 0; i < keys.count; ++i) {
        if (code == i) return i;
        for (const char* letter = keys.letters[i]; *letter; ++letter)
            if (code == (unsigned char)*letter) return i;
    }
    return -1;
}

// The component the key at index 2 selects; -1 for none. A string is read
// by its first character, and only when it has exactly one with
// wholeKeyOnly; a number by its integer value.
int KeyComponent(HSQUIRRELVM vm, const ComponentKeys& keys, bool wholeKeyOnly) {
    if (sq_gettype(vm, 2) == OT_STRING) {
        const SQChar* key = nullptr;
        sq_getstring(vm, 2, &key);
        SQInteger length = sq_getsize(vm, 2);
        if (length < 1 || (wholeKeyOnly && length != 1)) return -1;
        return ComponentOfCode(keys, (unsigned char)key[0]);
    }
    SQInteger code = -1;
    if (SQ_FAILED(sq_getinteger(vm, 2, &code))) return -1;
    return ComponentOfCode(keys, code);
}

SQInteger GetComponent(HSQUIRRELVM vm, const ScriptClassDescriptor& descriptor, const ComponentKeys& keys) {
    const float* block = ValueSelf(vm, descriptor);
    if (!block) return SQ_ERROR;
    int component = KeyComponent(vm, keys, true);
    if (component < 0) return ValueKeyMiss(vm);
    return ReturnFloat(vm, block[component]);
}

// Sets the component from the value (0.0 when it is no number) and returns it.
SQInteger SetComponent(HSQUIRRELVM vm, const ScriptClassDescriptor& descriptor, const ComponentKeys& keys) {
    float* block = ValueSelf(vm, descriptor);
    if (!block) return SQ_ERROR;
    int component = KeyComponent(vm, keys, false);
    if (component < 0) return ValueKeyMiss(vm);
    SQFloat value = 0.0f;
    if (SQ_FAILED(sq_getfloat(vm, 3, &value))) value = 0.0f;
    block[component] = value;
    return ReturnFloat(vm, value);
}

// The clone made by `clone` has no block: it gets a copy of the original's.
SQInteger CloneValue(HSQUIRRELVM vm, const ScriptClassDescriptor& descriptor, int count) {
    const float* source = ValueArgument(vm, 2, descriptor);
    if (!source) return SQ_ERROR;
    float* block = OwnValueBlock(vm, descriptor, count);
    if (!block) return SQ_ERROR;
    std::copy(source, source + count, block);
    return 0;
}

template <const ScriptClassDescriptor& Class, int Count> SQInteger ValueCloned(HSQUIRRELVM vm) {
    return CloneValue(vm, Class, Count);
}

template <const ScriptClassDescriptor& Class, const ComponentKeys& Keys> SQInteger ValueGet(HSQUIRRELVM vm) {
    return GetComponent(vm, Class, Keys);
}

template <const ScriptClassDescriptor& Class, const ComponentKeys& Keys> SQInteger ValueSet(HSQUIRRELVM vm) {
    return SetComponent(vm, Class, Keys);
}

// --------------------------------------------------------------------- Vector

zVector SelfVectorOr(HSQUIRRELVM vm, bool& ok) {
    const float* block = ValueSelf(vm, g_VectorClass);
    ok = block != nullptr;
    return block ? VectorOfBlock(block) : zVector();
}

// The Vector argument at the index; ok false after raising.
zVector VectorArgumentOr(HSQUIRRELVM vm, SQInteger index, bool& ok) {
    const float* block = ValueArgument(vm, index, g_VectorClass);
    ok = block != nullptr;
    return block ? VectorOfBlock(block) : zVector();
}

// The four floats of the numeric forms of the constructor and Set: none
// (0, 0, 0, 1), then x, y, z, w in turn, w = 1 unless given.
bool ReadVectorNumbers(HSQUIRRELVM vm, SQInteger count, zVector& out) {
    float values[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    if (!ReadValueFloats(vm, 2, int(count), values)) return false;
    out = zVector(values[0], values[1], values[2], values[3]);
    return true;
}

SQInteger VectorConstructor(HSQUIRRELVM vm) {
    SQInteger count = ValueArgumentCount(vm);
    if (count > 4) return sq_throwerror(vm, "Vector wrong parameters");
    zVector value;
    if (count == 1 && sq_gettype(vm, 2) == OT_INSTANCE) {
        const float* source = ValueArgument(vm, 2, g_VectorClass, "Vector() invalid instance type");
        if (!source) return SQ_ERROR;
        value = VectorOfBlock(source);
    } else if (!ReadVectorNumbers(vm, count, value)) {
        return sq_throwerror(vm, "Vector wrong parameters");
    }
    float* block = OwnValueBlock(vm, g_VectorClass, 4);
    if (!block) return SQ_ERROR;
    block[0] = value.x;
    block[1] = value.y;
    block[2] = value.z;
    block[3] = value.w;
    return 0;
}

zVector AddScalar(const zVector& v, f32 s) {
    return zVector(v.x + s, v.y + s, v.z + s);
}
zVector SubScalar(const zVector& v, f32 s) {
    return zVector(v.x - s, v.y - s, v.z - s);
}
zVector MulScalar(const zVector& v, f32 s) {
    return v.MulReal(s);
}
zVector DivScalar(const zVector& v, f32 s) {
    return v.DivReal(s);
}

using ScalarOperation = zVector (*)(const zVector&, f32);
using VectorOperation = zVector (zVector::*)(const zVector&) const;

// _add, _sub and _div: a float scalar or a Vector on the right; an integer
// or anything else raises the operator's own text.
template <ScalarOperation WithScalar, VectorOperation WithVector>
SQInteger VectorOperator(HSQUIRRELVM vm, const char* invalidText) {
    bool ok = false;
    zVector self = SelfVectorOr(vm, ok);
    if (!ok) return SQ_ERROR;
    SQObjectType type = sq_gettype(vm, 2);
    if (type == OT_FLOAT) {
        SQFloat scalar = 0.0f;
        sq_getfloat(vm, 2, &scalar);
        return ReturnVectorInstance(vm, WithScalar(self, scalar));
    }
    if (type != OT_INSTANCE) return sq_throwerror(vm, invalidText);
    zVector other = VectorArgumentOr(vm, 2, ok);
    if (!ok) return SQ_ERROR;
    return ReturnVectorInstance(vm, (self.*WithVector)(other));
}

SQInteger VectorAdd(HSQUIRRELVM vm) {
    return VectorOperator<AddScalar, &zVector::Add>(vm, "Vector + operator: Invalid argument type.\n");
}

SQInteger VectorSub(HSQUIRRELVM vm) {
    return VectorOperator<SubScalar, &zVector::Sub>(vm, "Vector - operator: Invalid argument type.\n");
}

SQInteger VectorDiv(HSQUIRRELVM vm) {
    return VectorOperator<DivScalar, &zVector::Div>(vm, "Vector / operator: Invalid argument type.\n");
}

// A number scales; a Vector multiplies component by component; a Matrix3
// rotates, a Matrix4 transforms with its translation.
SQInteger VectorMul(HSQUIRRELVM vm) {
    bool ok = false;
    zVector self = SelfVectorOr(vm, ok);
    if (!ok) return SQ_ERROR;
    SQFloat scalar = 0.0f;
    if (SQ_SUCCEEDED(sq_getfloat(vm, 2, &scalar))) return ReturnVectorInstance(vm, self.MulReal(scalar));
    float* block = nullptr;
    if (IsValueInstance(vm, 2, g_VectorClass, block)) {
        if (!block) return sq_throwerror(vm, "Internal failure");
        return ReturnVectorInstance(vm, self.Mul(VectorOfBlock(block)));
    }
    if (IsValueInstance(vm, 2, g_Matrix3Class, block)) {
        if (!block) return sq_throwerror(vm, "Internal failure");
        return ReturnVectorInstance(vm, self.ApplyRotationMatrix(Matrix3OfBlock(block)));
    }
    if (IsValueInstance(vm, 2, g_Matrix4Class, block)) {
        if (!block) return sq_throwerror(vm, "Internal failure");
        return ReturnVectorInstance(vm, self.ApplyMatrix(Matrix4OfBlock(block)));
    }
    return sq_throwerror(vm, "Vector * operator: Invalid argument type.\n");
}

// True when x, y and z each differ by less than 0.000001 (w ignored); a bool,
// not the ordering integer relational operators expect.
SQInteger VectorCmp(HSQUIRRELVM vm) {
    bool ok = false;
    zVector self = SelfVectorOr(vm, ok);
    if (!ok) return SQ_ERROR;
    zVector other = VectorArgumentOr(vm, 2, ok);
    if (!ok) return SQ_ERROR;
    const f32 epsilon = 0.000001f;
    return ReturnBool(vm, std::fabs(self.x - other.x) < epsilon && std::fabs(self.y - other.y) < epsilon &&
                              std::fabs(self.z - other.z) < epsilon);
}

SQInteger VectorSetValues(HSQUIRRELVM vm) {
    float* block = ValueSelf(vm, g_VectorClass);
    if (!block) return SQ_ERROR;
    SQInteger count = ValueArgumentCount(vm);
    zVector value;
    if (count > 4 || !ReadVectorNumbers(vm, count, value))
        return sq_throwerror(vm, "Vector Set() wrong parameters");
    block[0] = value.x;
    block[1] = value.y;
    block[2] = value.z;
    block[3] = value.w;
    return 0;
}

// ApplyMatrix / ApplyRotationMatrix: the matrix argument, a Matrix3 or a
// Matrix4; false after raising the method's text for anything else.
SQInteger ApplyMatrixArgument(HSQUIRRELVM vm, bool rotationOnly, const char* invalidText) {
    bool ok = false;
    zVector self = SelfVectorOr(vm, ok);
    if (!ok) return SQ_ERROR;
    float* block = nullptr;
    if (IsValueInstance(vm, 2, g_Matrix3Class, block)) {
        if (!block) return sq_throwerror(vm, "Internal failure");
        return ReturnVectorInstance(vm, self.ApplyRotationMatrix(Matrix3OfBlock(block)));
    }
    if (IsValueInstance(vm, 2, g_Matrix4Class, block)) {
        if (!block) return sq_throwerror(vm, "Internal failure");
        zMatrix4 matrix = Matrix4OfBlock(block);
        return ReturnVectorInstance(vm, rotationOnly ? self.ApplyRotationMatrix(zMatrix3::FromMatrix4(matrix))
                                                     : self.ApplyMatrix(matrix));
    }
    return sq_throwerror(vm, invalidText);
}

SQInteger VectorApplyMatrix(HSQUIRRELVM vm) {
    return ApplyMatrixArgument(vm, false, "Vector::ApplyMatrix(): Invalid parameter");
}

SQInteger VectorApplyRotationMatrix(HSQUIRRELVM vm) {
    return ApplyMatrixArgument(vm, true, "Vector::ApplyRotationMatrix(): Invalid parameter");
}

// A method of one number (integer or float) giving a new Vector.
template <ScalarOperation Operation> SQInteger VectorWithScalar(HSQUIRRELVM vm) {
    bool ok = false;
    zVector self = SelfVectorOr(vm, ok);
    if (!ok) return SQ_ERROR;
    SQFloat scalar = 0.0f;
    sq_getfloat(vm, 2, &scalar);
    return ReturnVectorInstance(vm, Operation(self, scalar));
}

// A bound of Clamp: a Vector, or one number for x, y and z.
bool ReadClampBound(HSQUIRRELVM vm, SQInteger index, zVector& out) {
    SQFloat number = 0.0f;
    if (SQ_SUCCEEDED(sq_getfloat(vm, index, &number))) {
        out = zVector(number, number, number);
        return true;
    }
    bool ok = false;
    out = VectorArgumentOr(vm, index, ok);
    return ok;
}

SQInteger VectorClamp(HSQUIRRELVM vm) {
    bool ok = false;
    zVector self = SelfVectorOr(vm, ok);
    zVector lower, upper;
    if (!ok || !ReadClampBound(vm, 2, lower) || !ReadClampBound(vm, 3, upper)) return SQ_ERROR;
    return ReturnVectorInstance(vm, self.Clamp(lower, upper));
}

// zVector keeps all four components of a vector it leaves unchanged; the
// script's result has w = 1 either way.
zVector ClampMagnitudeUpTo(const zVector& v, f32 length) {
    zVector clamped = v.ClampMagnitude(0.0f, length);
    clamped.w = 1.0f;
    return clamped;
}

zVector Reversed(const zVector& v) {
    return zVector(-v.x, -v.y, -v.z);
}

// A method of this alone giving a new Vector.
template <zVector (*Operation)(const zVector&)> SQInteger VectorUnary(HSQUIRRELVM vm) {
    bool ok = false;
    zVector self = SelfVectorOr(vm, ok);
    if (!ok) return SQ_ERROR;
    return ReturnVectorInstance(vm, Operation(self));
}

// Min and Max: a Vector, or one float a (a, 0, 0), or three floats.
template <VectorOperation Operation> SQInteger VectorBound(HSQUIRRELVM vm, const char* invalidText) {
    bool ok = false;
    zVector self = SelfVectorOr(vm, ok);
    if (!ok) return SQ_ERROR;
    SQInteger count = ValueArgumentCount(vm);
    if (count == 1 && sq_gettype(vm, 2) == OT_INSTANCE) {
        zVector other = VectorArgumentOr(vm, 2, ok);
        if (!ok) return SQ_ERROR;
        return ReturnVectorInstance(vm, (self.*Operation)(other));
    }
    if (count != 1 && count != 3) return sq_throwerror(vm, invalidText);
    float values[3] = {0.0f, 0.0f, 0.0f};
    for (SQInteger i = 0; i < count; ++i) {
        SQFloat number = 0.0f;
        if (sq_gettype(vm, 2 + i) != OT_FLOAT) return sq_throwerror(vm, invalidText);
        sq_getfloat(vm, 2 + i, &number);
        values[i] = number;
    }
    return ReturnVectorInstance(vm, (self.*Operation)(zVector(values[0], values[1], values[2])));
}

SQInteger VectorMin(HSQUIRRELVM vm) {
    return VectorBound<&zVector::Min>(vm, "Vector Min(): Invalid parameter list.\n");
}

SQInteger VectorMax(HSQUIRRELVM vm) {
    return VectorBound<&zVector::Max>(vm, "Vector Max(): Invalid parameter list.\n");
}

// A method of this and another Vector giving a float.
template <f32 (*Operation)(const zVector&, const zVector&)> SQInteger VectorPairFloat(HSQUIRRELVM vm) {
    bool ok = false;
    zVector self = SelfVectorOr(vm, ok);
    if (!ok) return SQ_ERROR;
    zVector other = VectorArgumentOr(vm, 2, ok);
    if (!ok) return SQ_ERROR;
    return ReturnFloat(vm, Operation(self, other));
}

f32 DotOf(const zVector& a, const zVector& b) {
    return a.Dot(b);
}

// The dot product (no normalisation) clamped to -1..1, then its arc cosine.
f32 AngleOf(const zVector& a, const zVector& b) {
    return std::acos(std::clamp(a.Dot(b), -1.0f, 1.0f));
}

SQInteger VectorCross(HSQUIRRELVM vm) {
    bool ok = false;
    zVector self = SelfVectorOr(vm, ok);
    if (!ok) return SQ_ERROR;
    zVector other = VectorArgumentOr(vm, 2, ok);
    if (!ok) return SQ_ERROR;
    return ReturnVectorInstance(vm, self.Cross(other));
}

// A method of this alone giving a float.
template <f32 (zVector::*Operation)() const> SQInteger VectorFloat(HSQUIRRELVM vm) {
    bool ok = false;
    zVector self = SelfVectorOr(vm, ok);
    if (!ok) return SQ_ERROR;
    return ReturnFloat(vm, (self.*Operation)());
}

// The unit vector, scaled to the length given when there is one.
SQInteger VectorNormalize(HSQUIRRELVM vm) {
    bool ok = false;
    zVector self = SelfVectorOr(vm, ok);
    if (!ok) return SQ_ERROR;
    zVector unit = self.Normalize();
    SQFloat length = 0.0f;
    if (ValueArgumentCount(vm) >= 1 && SQ_SUCCEEDED(sq_getfloat(vm, 2, &length)))
        return ReturnVectorInstance(vm, unit.MulReal(length));
    return ReturnVectorInstance(vm, unit);
}

// t * this + (1 - t) * other: t = 0 gives the other vector.
SQInteger VectorLerp(HSQUIRRELVM vm) {
    bool ok = false;
    zVector self = SelfVectorOr(vm, ok);
    if (!ok) return SQ_ERROR;
    SQFloat t = 0.0f;
    sq_getfloat(vm, 2, &t);
    zVector other = VectorArgumentOr(vm, 3, ok);
    if (!ok) return SQ_ERROR;
    return ReturnVectorInstance(vm, self.MulReal(t).Add(other.MulReal(1.0f - t)));
}

// Leaves this alone (it may be the class): one number gives [0, n], two
// give [lo, hi].
SQInteger VectorRandomize(HSQUIRRELVM vm) {
    SQFloat first = 0.0f, second = 0.0f;
    sq_getfloat(vm, 2, &first);
    zVector value;
    if (ValueArgumentCount(vm) >= 2) {
        sq_getfloat(vm, 3, &second);
        value.Randomize(first, second);
    } else {
        value.Randomize(0.0f, first);
    }
    return ReturnVectorInstance(vm, value);
}

SQInteger VectorIsEqual(HSQUIRRELVM vm) {
    if (ValueArgumentCount(vm) > 2) return sq_throwerror(vm, "Vector::IsEqual() wrong parameter count");
    bool ok = false;
    zVector self = SelfVectorOr(vm, ok);
    if (!ok) return SQ_ERROR;
    zVector other = VectorArgumentOr(vm, 2, ok);
    if (!ok) return SQ_ERROR;
    SQFloat epsilon = 0.0001f;
    if (ValueArgumentCount(vm) == 2) sq_getfloat(vm, 3, &epsilon);
    return ReturnBool(vm, zVector::Dist2(self, other) < epsilon * epsilon);
}

SQInteger VectorPrint(HSQUIRRELVM vm) {
    bool ok = false;
    zVector self = SelfVectorOr(vm, ok);
    if (!ok) return SQ_ERROR;
    self.Print(ValuePrintName(vm, "Vector"));
    return 0;
}

const ScriptMethodEntry g_VectorMethods[] = {
    {"_typeof", ValueTypeof<g_VectorClass>, 1, nullptr},
    {"constructor", VectorConstructor, -1, ".n|xnnn"},
    {"_cloned", ValueCloned<g_VectorClass, 4>, 2, ".x"},
    {"_set", ValueSet<g_VectorClass, g_vectorKeys>, 3, "xs|n"},
    {"_get", ValueGet<g_VectorClass, g_vectorKeys>, 2, "xs|n"},
    {"_add", VectorAdd, 2, "xx|n"},
    {"_sub", VectorSub, 2, "xx|n"},
    {"_mul", VectorMul, 2, "xx|n"},
    {"_div", VectorDiv, 2, "xx|n"},
    {"_cmp", VectorCmp, 2, "xx"},
    {"Set", VectorSetValues, -1, "xnnnn"},
    {"ApplyMatrix", VectorApplyMatrix, 2, "xx"},
    {"ApplyRotationMatrix", VectorApplyRotationMatrix, 2, "xx"},
    {"AddReal", VectorWithScalar<AddScalar>, 2, "xn"},
    {"MulReal", VectorWithScalar<MulScalar>, 2, "xn"},
    {"SubReal", VectorWithScalar<SubScalar>, 2, "xn"},
    {"DivReal", VectorWithScalar<DivScalar>, 2, "xn"},
    {"Scale", VectorWithScalar<MulScalar>, 2, "xn"},
    {"Clamp", VectorClamp, 3, "x x|n x|n"},
    {"ClampMagnitude", VectorWithScalar<ClampMagnitudeUpTo>, 2, "xn"},
    {"Reverse", VectorUnary<Reversed>, 1, "x"},
    {"Min", VectorMin, -2, "xn|xnn"},
    {"Max", VectorMax, -2, "xn|xnn"},
    {"Dot", VectorPairFloat<DotOf>, 2, "xx"},
    {"Cross", VectorCross, 2, "xx"},
    {"Len", VectorFloat<&zVector::Length>, 1, "x"},
    {"Len2", VectorFloat<&zVector::Length2>, 1, "x"},
    {"AngleWithVector", VectorPairFloat<AngleOf>, 2, "xx"},
    {"Normalize", VectorNormalize, -1, "xn"},
    {"Dist", VectorPairFloat<zVector::Dist>, 2, "xx"},
    {"Dist2", VectorPairFloat<zVector::Dist2>, 2, "xx"},
    {"Lerp", VectorLerp, 3, "xnx"},
    {"Randomize", VectorRandomize, -2, ".nn"},
    {"IsEqual", VectorIsEqual, -2, "xxn"},
    {"Print", VectorPrint, -1, "x"},
    {nullptr, nullptr, 0, nullptr},
};

// ------------------------------------------------------------------------- UV

SQInteger UVConstructor(HSQUIRRELVM vm) {
    SQInteger count = ValueArgumentCount(vm);
    if (count > 2) return sq_throwerror(vm, "Wrong parameter count");
    float values[2] = {0.0f, 0.0f};
    if (count == 1 && sq_gettype(vm, 2) == OT_INSTANCE) {
        const float* source = ValueArgument(vm, 2, g_UVClass);
        if (!source) return SQ_ERROR;
        std::copy(source, source + 2, values);
    } else if (!ReadValueFloats(vm, 2, int(count), values)) {
        return sq_throwerror(vm, "Wrong parameter count");
    }
    float* block = OwnValueBlock(vm, g_UVClass, 2);
    if (!block) return SQ_ERROR;
    std::copy(values, values + 2, block);
    return 0;
}

SQInteger UVSetValues(HSQUIRRELVM vm) {
    float* block = ValueSelf(vm, g_UVClass);
    if (!block) return SQ_ERROR;
    SQInteger count = ValueArgumentCount(vm);
    float values[2] = {0.0f, 0.0f};
    if (count > 2 || !ReadValueFloats(vm, 2, int(count), values))
        return sq_throwerror(vm, "Wrong parameter count");
    std::copy(values, values + 2, block);
    return 0;
}

const ScriptMethodEntry g_UVMethods[] = {
    {"_typeof", ValueTypeof<g_UVClass>, 1, nullptr},
    {"constructor", UVConstructor, -1, ".n|xn"},
    {"_cloned", ValueCloned<g_UVClass, 2>, 2, ".x"},
    {"_set", ValueSet<g_UVClass, g_uvKeys>, 3, "xs|n"},
    {"_get", ValueGet<g_UVClass, g_uvKeys>, 2, "xs|n"},
    {"Set", UVSetValues, -1, "xnn"},
    {nullptr, nullptr, 0, nullptr},
};

} // namespace

const ScriptClassDescriptor g_VectorClass = {"Vector", nullptr, g_VectorMethods};
const ScriptClassDescriptor g_UVClass = {"UV", nullptr, g_UVMethods};

bool RegisterValueClasses(HSQUIRRELVM vm) {
    bool ok = RegisterScriptClass(vm, &g_VectorClass);
    ok = RegisterScriptClass(vm, &g_Matrix3Class) && ok;
    ok = RegisterScriptClass(vm, &g_Matrix4Class) && ok;
    ok = RegisterScriptClass(vm, &g_UVClass) && ok;
    const ScriptClassDescriptor* const classes[ValueClassCount] = {&g_VectorClass, &g_UVClass,
                                                                   &g_Matrix3Class, &g_Matrix4Class};
    // Without the names values are still made, looking their classes up by text.
    RememberValueClassNames(vm, classes);
    return ok;
}

SQInteger ReleaseScriptValueBlock(SQUserPointer block, SQInteger /*size*/) {
    if (!block) return 1;
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
    FreeBlocks& kept = t_freeBlocks[header->sizeClass];
    if (kept.count < KeptBlocks)
        kept.blocks[kept.count++] = header;
    else
        ::operator delete(header);
    return 1;
}

bool PushVectorInstance(HSQUIRRELVM vm, float x, float y, float z, float w) {
    const float values[4] = {x, y, z, w};
    return PushBlock(vm, VectorSlot, g_VectorClass.className, values, 4);
}

bool PushUVInstance(HSQUIRRELVM vm, float u, float v) {
    const float values[2] = {u, v};
    return PushBlock(vm, UVSlot, g_UVClass.className, values, 2);
}

bool PushMatrix3Instance(HSQUIRRELVM vm, const zMatrix3& matrix) {
    return PushBlock(vm, Matrix3Slot, g_Matrix3Class.className, matrix.m, 9);
}

bool PushMatrix4Instance(HSQUIRRELVM vm, const zMatrix4& matrix) {
    return PushBlock(vm, Matrix4Slot, g_Matrix4Class.className, matrix.e, 16);
}

SquirrelObject NewVectorObject(HSQUIRRELVM vm, const zVector& value) {
    return HoldPushed(vm, PushVectorInstance(vm, value.x, value.y, value.z, value.w));
}

SquirrelObject NewUVObject(HSQUIRRELVM vm, float u, float v) {
    return HoldPushed(vm, PushUVInstance(vm, u, v));
}

SquirrelObject NewMatrix3Object(HSQUIRRELVM vm, const zMatrix3& matrix) {
    return HoldPushed(vm, PushMatrix3Instance(vm, matrix));
}

SquirrelObject NewMatrix4Object(HSQUIRRELVM vm, const zMatrix4& matrix) {
    return HoldPushed(vm, PushMatrix4Instance(vm, matrix));
}

bool GetScriptValueBlock(HSQUIRRELVM vm, SQInteger index, const ScriptClassDescriptor& descriptor, float* out,
                         int count) {
    SQUserPointer block = nullptr;
    if (SQ_FAILED(sq_getinstanceup(vm, index, &block, const_cast<ScriptClassDescriptor*>(&descriptor))))
        return false;
    if (!block) {
        sq_throwerror(vm, "Internal failure");
        return false;
    }
    std::memcpy(out, block, sizeof(float) * (size_t)count);
    return true;
}

bool GetMatrix3Argument(HSQUIRRELVM vm, SQInteger index, zMatrix3& out) {
    return GetScriptValueBlock(vm, index, g_Matrix3Class, out.m, 9);
}

bool GetMatrix4Argument(HSQUIRRELVM vm, SQInteger index, zMatrix4& out) {
    return GetScriptValueBlock(vm, index, g_Matrix4Class, out.e, 16);
}

// ------------------------------------------------ shared by the value methods

bool IsValueInstance(HSQUIRRELVM vm, SQInteger index, const ScriptClassDescriptor& descriptor,
                     float*& block) {
    SQUserPointer pointer = nullptr;
    if (sq_gettype(vm, index) != OT_INSTANCE ||
        SQ_FAILED(sq_getinstanceup(vm, index, &pointer, const_cast<ScriptClassDescriptor*>(&descriptor)))) {
        // The library noted why; the caller decides what to raise.
        sq_reseterror(vm);
        return false;
    }
    block = static_cast<float*>(pointer);
    return true;
}

float* ValueArgument(HSQUIRRELVM vm, SQInteger index, const ScriptClassDescriptor& descriptor,
                     const char* emptyText) {
    float* block = nullptr;
    if (!IsValueInstance(vm, index, descriptor, block)) {
        sq_throwerror(vm, "Invalid instance type");
        return nullptr;
    }
    if (!block) sq_throwerror(vm, emptyText);
    return block;
}

float* OwnValueBlock(HSQUIRRELVM vm, const ScriptClassDescriptor& descriptor, int count) {
    float* block = nullptr;
    if (!IsValueInstance(vm, 1, descriptor, block)) {
        sq_throwerror(vm, "Invalid instance type");
        return nullptr;
    }
    if (block) return block;
    int size = BlockSize(count);
    block = NewValueBlock(count);
    if (!block || SQ_FAILED(sq_setinstanceup(vm, 1, block))) {
        ReleaseScriptValueBlock(block, 0);
        sq_throwerror(vm, "Internal failure");
        return nullptr;
    }
    std::fill(block, block + size, 0.0f);
    sq_setreleasehook(vm, 1, ReleaseScriptValueBlock);
    return block;
}

bool ReadValueFloats(HSQUIRRELVM vm, SQInteger index, int count, float* out) {
    for (int i = 0; i < count; ++i) {
        SQFloat number = 0.0f;
        if (SQ_FAILED(sq_getfloat(vm, index + i, &number))) return false;
        out[i] = number;
    }
    return true;
}

const char* ValuePrintName(HSQUIRRELVM vm, const char* fallback) {
    const SQChar* name = nullptr;
    if (sq_gettop(vm) < 2 || SQ_FAILED(sq_getstring(vm, 2, &name))) return fallback;
    return name;
}

SQInteger ReturnVectorInstance(HSQUIRRELVM vm, const zVector& value) {
    if (PushVectorInstance(vm, value.x, value.y, value.z, value.w)) return 1;
    return sq_throwerror(vm, "Failed to create Vector instance.");
}

SQInteger ReturnMatrix3Instance(HSQUIRRELVM vm, const zMatrix3& value) {
    if (PushMatrix3Instance(vm, value)) return 1;
    return sq_throwerror(vm, "Failed to create Matrix3 instance.");
}

SQInteger ReturnMatrix4Instance(HSQUIRRELVM vm, const zMatrix4& value) {
    if (PushMatrix4Instance(vm, value)) return 1;
    return sq_throwerror(vm, "Failed to create Matrix4 instance.");
}
