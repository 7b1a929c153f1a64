#include "scriptapi/instance_args.h"

#include "script/script_api.h"
#include "script/value_classes.h"

namespace {

// The stack index of an argument: above the hidden environment at 1.
SQInteger StackIndex(int position) {
    return SQInteger(position) + 1;
}

bool InstanceRead(ScriptArgs& args, bool succeeded) {
    if (!succeeded) args.Error("Invalid instance type");
    return succeeded;
}

} // namespace

bool ReadVectorArgument(ScriptArgs& args, int position, zVector& out) {
    if (!args) return false;
    float values[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    if (!InstanceRead(args, GetVectorArgument(args.Vm(), StackIndex(position), values))) return false;
    out = zVector(values[0], values[1], values[2], values[3]);
    return true;
}

bool ReadPointArgument(ScriptArgs& args, int position, zVector& out) {
    if (!args) return false;
    float values[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    if (!InstanceRead(args, GetVectorArgument(args.Vm(), StackIndex(position), values))) return false;
    out = zVector(values[0], values[1], values[2], 1.0f);
    return true;
}

bool ReadMatrix3Argument(ScriptArgs& args, int position, zMatrix3& out) {
    return args && InstanceRead(args, GetMatrix3Argument(args.Vm(), StackIndex(position), out));
}

bool ReadMatrix4Argument(ScriptArgs& args, int position, zMatrix4& out) {
    return args && InstanceRead(args, GetMatrix4Argument(args.Vm(), StackIndex(position), out));
}

SQInteger ReturnMatrix3(ScriptArgs& args, const zMatrix3& matrix) {
    return PushMatrix3Instance(args.Vm(), matrix) ? 1 : args.Error("Failed to create Matrix3 instance.");
}

SQInteger ReturnMatrix4(ScriptArgs& args, const zMatrix4& matrix) {
    return PushMatrix4Instance(args.Vm(), matrix) ? 1 : args.Error("Failed to create Matrix4 instance.");
}
