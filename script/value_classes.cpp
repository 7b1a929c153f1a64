#include "script/value_classes.h"

#include <new>

namespace {

const ScriptMethodEntry g_VectorMethods[] = {{nullptr, nullptr, 0, nullptr}};
const ScriptMethodEntry g_UVMethods[] = {{nullptr, nullptr, 0, nullptr}};

bool PushBlock(HSQUIRRELVM vm, const char* className, const float* values, int count) {
    float* block = new (std::nothrow) float[4];
    if (!block) return false;
    for (int i = 0; i < 4; ++i)
        block[i] = i < count ? values[i] : 0.0f;
    if (CreateScriptClassInstance(vm, className, block, ReleaseScriptValueBlock)) return true;
    delete[] block;
    return false;
}

} // namespace

const ScriptClassDescriptor g_VectorClass = {"Vector", nullptr, g_VectorMethods};
const ScriptClassDescriptor g_UVClass = {"UV", nullptr, g_UVMethods};

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
