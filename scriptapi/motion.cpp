// The Motion group: a motion's name, length and position track (kind 30
// holds the zMotion), and the channel ids of motion files as constants.
#include "scene/motion.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "scriptapi/item_natives.h"
#include "scriptapi/script_api_groups.h"

namespace {

zMotion* MotionArgument(ScriptArgs& args) {
    return args.Object<zMotion>(1, ScriptKindMotion);
}

using MotionNatives = ItemNatives<zMotion, MotionArgument>;

const zString& MotionName(zMotion& motion) {
    return motion.GetName();
}

SQFloat MotionLength(zMotion& motion) {
    return motion.GetLength();
}

// The position channels at the time, in the motion's own loop mode; an axis
// without a channel reads 0.
SQInteger MotionEvaluatePosition(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMotion* motion = MotionArgument(args);
    const f32 time = args.Number(2);
    if (!args) return args.Fail();
    f32 position[3] = {0.0f, 0.0f, 0.0f};
    motion->EvaluatePosition(time, position, motion->GetLoopMode());
    return args.ReturnVector(zVector(position[0], position[1], position[2], 1.0f));
}

const ScriptNative g_motionNatives[] = {
    {"MotionGetName", ".x", MotionNatives::Value<const zString&, MotionName>},
    {"MotionEvaluatePosition", ".xn", MotionEvaluatePosition},
    {"MotionGetLength", ".x", MotionNatives::Value<SQFloat, MotionLength>},
};

const ScriptIntConstant g_channelConstants[] = {
    {"ChannelNone", 0},
    {"ChannelXPos", ChannelPositionX},
    {"ChannelYPos", ChannelPositionY},
    {"ChannelZPos", ChannelPositionZ},
    {"ChannelXRot", ChannelRotationX},
    {"ChannelYRot", ChannelRotationY},
    {"ChannelZRot", ChannelRotationZ},
    {"ChannelXScl", ChannelScaleX},
    {"ChannelYScl", ChannelScaleY},
    {"ChannelZScl", ChannelScaleZ},
    {"ChannelXPiv", ChannelPivotX},
    {"ChannelYPiv", ChannelPivotY},
    {"ChannelZPiv", ChannelPivotZ},
    {"ChannelRDif", ChannelDiffuseR},
    {"ChannelGDif", ChannelDiffuseG},
    {"ChannelBDif", ChannelDiffuseB},
    {"ChannelRSpc", ChannelSpecularR},
    {"ChannelGSpc", ChannelSpecularG},
    {"ChannelBSpc", ChannelSpecularB},
    {"ChannelDiffuseIntensity", ChannelDiffuseI},
    {"ChannelSpecularIntensity", ChannelSpecularI},
    {"ChannelConeAngle", ChannelConeAngle},
    {"ChannelEdgeAngle", ChannelEdgeAngle},
    {"ChannelAlpha", ChannelAlpha},
    {"ChannelZoomFactor", ChannelZoom},
    {"ChannelRange", ChannelRange},
    {"ChannelFogStart", ChannelFogStart},
    {"ChannelFogEnd", ChannelFogEnd},
    {"ChannelRFog", ChannelFogR},
    {"ChannelGFog", ChannelFogG},
    {"ChannelBFog", ChannelFogB},
};

} // namespace

bool RegisterMotionScriptApi(HSQUIRRELVM vm) {
    const bool natives = RegisterScriptNatives(vm, g_motionNatives);
    return RegisterScriptConstants(vm, g_channelConstants) && natives;
}
