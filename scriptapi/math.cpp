// Math: rotations and transformations built from Vectors and matrices.
#include "core/matrix.h"
#include "scriptapi/instance_args.h"
#include "scriptapi/script_api_groups.h"

namespace {

// The rotation order of items, used where scripts give none.
constexpr int ItemRotationOrder = 4;

SQInteger ReturnEuler(ScriptArgs& args, const zMatrix3& rotation, int order) {
    zVector angles = rotation.AsEuler(order);
    angles.w = 1.0f;
    return args.ReturnVector(angles);
}

SQInteger MatrixToEuler(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMatrix3 rotation;
    ReadMatrix3Argument(args, 1, rotation);
    const SQInteger order = args.Integer(2);
    if (!args) return args.Fail();
    return ReturnEuler(args, rotation, int(order));
}

SQInteger EulerFromDirection(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zVector direction;
    if (!ReadPointArgument(args, 1, direction)) return args.Fail();
    return ReturnEuler(args, zMatrix3::FromDirection(direction), ItemRotationOrder);
}

SQInteger RotationMatrixFromDirection(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zVector direction;
    if (!ReadPointArgument(args, 1, direction)) return args.Fail();
    return ReturnMatrix3(args, zMatrix3::FromDirection(direction));
}

SQInteger TransformationMatrix(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zVector parts[4];
    for (int position = 1; position <= 4; ++position)
        ReadPointArgument(args, position, parts[position - 1]);
    if (!args) return args.Fail();
    const zMatrix4 matrix = zMatrix4::Compose(parts[0], parts[1], parts[2], parts[3]);
    return ReturnMatrix4(args, matrix);
}

const ScriptNative g_mathNatives[] = {
    {"MatrixToEuler", ".xi", MatrixToEuler},
    {"EulerFromDirection", ".x", EulerFromDirection},
    {"RotationMatrixFromDirection", ".x", RotationMatrixFromDirection},
    {"TransformationMatrix", ".xxxx", TransformationMatrix},
};

} // namespace

bool RegisterMathScriptApi(HSQUIRRELVM vm) {
    return RegisterScriptNatives(vm, g_mathNatives);
}
