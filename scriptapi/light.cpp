// Light: the colours, intensities, spot angles, ranges, projected texture and
// type of a light item. The renderer reads the fields again when the managed
// light refreshes it each frame.
#include "render/texture.h"
#include "scene/light.h"
#include "scriptapi/instance_args.h"
#include "scriptapi/item_handles.h"
#include "scriptapi/script_api_groups.h"

namespace {

zLight* LightArgument(ScriptArgs& args) {
    return ItemPartArgument<zLight>(args, 1, ScriptKindLight);
}

template <f32 zRenderLight::*Field> SQInteger GetNumber(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zLight* light = LightArgument(args);
    if (!light) return args.Fail();
    return args.Return(SQFloat(light->*Field));
}

template <f32 zRenderLight::*Field> SQInteger SetNumber(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zLight* light = LightArgument(args);
    const SQFloat value = args.Number(2);
    if (!args) return args.Fail();
    light->*Field = value;
    return args.None();
}

template <zVector zRenderLight::*Field> SQInteger GetColor(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zLight* light = LightArgument(args);
    if (!light) return args.Fail();
    return args.ReturnVector(light->*Field);
}

template <zVector zRenderLight::*Field> SQInteger SetColor(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zLight* light = LightArgument(args);
    zVector color;
    if (!ReadVectorArgument(args, 2, color)) return args.Fail();
    light->*Field = color;
    return args.None();
}

SQInteger LightSetProjectionTexture(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zLight* light = LightArgument(args);
    zTexture* texture = args.Object<zTexture>(2, ScriptKindTexture);
    if (!args) return args.Fail();
    light->SetProjectionTexture(texture);
    return args.None();
}

SQInteger LightGetType(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zLight* light = LightArgument(args);
    if (!light) return args.Fail();
    return args.Return(SQInteger(light->type));
}

SQInteger LightSetType(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zLight* light = LightArgument(args);
    const SQInteger type = args.Integer(2);
    if (!args) return args.Fail();
    light->type = u32(type);
    return args.None();
}

const ScriptNative g_lightNatives[] = {
    {"LightGetDiffuseIntensity", ".x", GetNumber<&zRenderLight::diffuseIntensity>},
    {"LightGetDiffuseColor", ".x", GetColor<&zRenderLight::diffuse>},
    {"LightSetDiffuseIntensity", ".xn", SetNumber<&zRenderLight::diffuseIntensity>},
    {"LightSetDiffuseColor", ".xx", SetColor<&zRenderLight::diffuse>},
    {"LightGetSpecularIntensity", ".x", GetNumber<&zRenderLight::specularIntensity>},
    {"LightGetSpecularColor", ".x", GetColor<&zRenderLight::specular>},
    {"LightSetSpecularIntensity", ".xn", SetNumber<&zRenderLight::specularIntensity>},
    {"LightSetSpecularColor", ".xx", SetColor<&zRenderLight::specular>},
    {"LightSetConeAngle", ".xn", SetNumber<&zRenderLight::coneAngle>},
    {"LightSetEdgeAngle", ".xn", SetNumber<&zRenderLight::edgeAngle>},
    {"LightGetConeAngle", ".x", GetNumber<&zRenderLight::coneAngle>},
    {"LightGetEdgeAngle", ".x", GetNumber<&zRenderLight::edgeAngle>},
    {"LightSetRange", ".xn", SetNumber<&zRenderLight::range>},
    {"LightGetRange", ".x", GetNumber<&zRenderLight::range>},
    {"LightSetVolumeRange", ".xn", SetNumber<&zRenderLight::volumeRange>},
    {"LightGetVolumeRange", ".x", GetNumber<&zRenderLight::volumeRange>},
    {"LightSetProjectionTexture", ".xx", LightSetProjectionTexture},
    {"LightGetItem", ".x", ItemPartGetItem<ScriptKindLight>},
    {"LightGetType", ".x", LightGetType},
    {"LightSetType", ".xi", LightSetType},
};

} // namespace

bool RegisterLightScriptApi(HSQUIRRELVM vm) {
    return RegisterScriptNatives(vm, g_lightNatives);
}
