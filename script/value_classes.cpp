#include "script/value_classes.h"

#include <new>

#include "core/matrix.h"

namespace {

const ScriptMethodEntry g_VectorMethods[] = {{nullptr, nullptr, 0, nullptr}};
const ScriptMethodEntry g_UVMethods[] = {{nullptr, nullptr, 0, nullptr}};
const ScriptMethodEntry g_Matrix3Methods[] = {{nullptr, nullptr, 0, nullptr}};
const ScriptMethodEntry g_Matrix4Methods[] = {{nullptr, nullptr, 0, nullptr}};

// Vector and UV blocks hold four floats (a UV uses two), matrices their own.
bool PushBlock(HSQUIRRELVM vm, const char* className, const float* values, int count) {
    int size = count > 4 ? count : 4;
    float* block = new (std::nothrow) float[size];
    if (!block) return false;
    for (int i = 0; i < size; ++i)
        block[i] = i < count ? values[i] : 0.0f;
    if (CreateScriptClassInstance(vm, className, block, ReleaseScriptValueBlock)) return true;
    delete[] block;
    return false;
}

} // namespace

const ScriptClassDescriptor g_VectorClass = {"Vector", nullptr, g_VectorMethods};
const ScriptClassDescriptor g_UVClass = {"UV", nullptr, g_UVMethods};
const ScriptClassDescriptor g_Matrix3Class = {"Matrix3", nullptr, g_Matrix3Methods};
const ScriptClassDescriptor g_Matrix4Class = {"Matrix4", nullptr, g_Matrix4Methods};

bool RegisterValueClasses(HSQUIRRELVM vm) {
    bool ok = RegisterScriptClass(vm, &g_VectorClass);
    ok = RegisterScriptClass(vm, &g_Matrix3Class) && ok;
    ok = RegisterScriptClass(vm, &g_Matrix4Class) && ok;
    return RegisterScriptClass(vm, &g_UVClass) && ok;
}

SQInteger ReleaseScriptValueBlock(SQUserPointer block, SQInteger /*size*/) {
    delete[] static_cast<float*>(block);
    return 1;
}

bool PushVectorInstance(HSQUIRRELVM vm, float x, float y, float z, float w) {
    const float values[4] = {x, y, z, w};
    return PushBlock(vm, g_VectorClass.className, values, 4);
}

bool PushUVInstance(HSQUIRRELVM vm, float u, float v) {
    const float values[2] = {u, v};
    return PushBlock(vm, g_UVClass.className, values, 2);
}

bool PushMatrix3Instance(HSQUIRRELVM vm, const zMatrix3& matrix) {
    return PushBlock(vm, g_Matrix3Class.className, matrix.m, 9);
}

bool PushMatrix4Instance(HSQUIRRELVM vm, const zMatrix4& matrix) {
    return PushBlock(vm, g_Matrix4Class.className, matrix.e, 16);
}

bool GetScriptValueBlock(HSQUIRRELVM vm, SQInteger index, const ScriptClassDescriptor& descriptor, float* out,
                         int count) {
    SQUserPointer block = nullptr;
    if (SQ_FAILED(sq_getinstanceup(vm, index, &block, const_cast<ScriptClassDescriptor*>(&descriptor))))
        return false;
    if (!block) return false;
    for (int i = 0; i < count; ++i)
        out[i] = static_cast<const float*>(block)[i];
    return true;
}

bool GetMatrix3Argument(HSQUIRRELVM vm, SQInteger index, zMatrix3& out) {
    return GetScriptValueBlock(vm, index, g_Matrix3Class, out.m, 9);
}

bool GetMatrix4Argument(HSQUIRRELVM vm, SQInteger index, zMatrix4& out) {
    return GetScriptValueBlock(vm, index, g_Matrix4Class, out.e, 16);
}
