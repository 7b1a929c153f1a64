// Test natives that make and show value-class instances without the classes'
// own methods: TestVector(x, y, z, w), TestRotation(x, y, z, order) (a
// Matrix3), TestTranslation(x, y, z) (a Matrix4) and TestShow(value), which
// prints the float block of a Vector, Matrix3 or Matrix4 in storage order,
// rounded to four decimals.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "core/matrix.h"
#include "script/script_api.h"
#include "script/value_classes.h"

namespace value_probe {

inline SQFloat Float(HSQUIRRELVM vm, SQInteger index) {
    SQFloat value = 0;
    sq_getfloat(vm, index, &value);
    return value;
}

inline SQInteger TestVector(HSQUIRRELVM vm) {
    return PushVectorInstance(vm, Float(vm, 2), Float(vm, 3), Float(vm, 4), Float(vm, 5)) ? 1 : -1;
}

inline SQInteger TestRotation(HSQUIRRELVM vm) {
    SQInteger order = 0;
    sq_getinteger(vm, 5, &order);
    const zMatrix3 rotation = zMatrix3::FromEulerAngles(Float(vm, 2), Float(vm, 3), Float(vm, 4), int(order));
    return PushMatrix3Instance(vm, rotation) ? 1 : -1;
}

inline SQInteger TestTranslation(HSQUIRRELVM vm) {
    const zMatrix4 matrix = zMatrix4::Translation(zVector(Float(vm, 2), Float(vm, 3), Float(vm, 4)));
    return PushMatrix4Instance(vm, matrix) ? 1 : -1;
}

inline SQInteger TestShow(HSQUIRRELVM vm) {
    float block[16];
    int count = 0;
    if (GetScriptValueBlock(vm, 2, g_VectorClass, block, 4)) {
        count = 4;
    } else if (GetScriptValueBlock(vm, 2, g_Matrix3Class, block, 9)) {
        count = 9;
    } else if (GetScriptValueBlock(vm, 2, g_Matrix4Class, block, 16)) {
        count = 16;
    } else {
        return sq_throwerror(vm, "not a value instance");
    }
    std::string text;
    for (int i = 0; i < count; ++i) {
        char number[32];
        // + 0.0 turns a rounded -0 into 0.
        std::snprintf(number, sizeof(number), "%g", std::round(double(block[i]) * 1e4) / 1e4 + 0.0);
        text += (i ? " " : "") + std::string(number);
    }
    sq_pushstring(vm, text.c_str(), -1);
    return 1;
}

inline void Register(HSQUIRRELVM vm) {
    ASSERT_TRUE(RegisterScriptFunction(vm, TestVector, "TestVector", ".nnnn"));
    ASSERT_TRUE(RegisterScriptFunction(vm, TestRotation, "TestRotation", ".nnni"));
    ASSERT_TRUE(RegisterScriptFunction(vm, TestTranslation, "TestTranslation", ".nnn"));
    ASSERT_TRUE(RegisterScriptFunction(vm, TestShow, "TestShow", ".x"));
}

} // namespace value_probe
