// Material: colours, render flags, the shader map and the six texture
// stages. Natives that take a stage index answer a missing stage (any index
// outside 0 to 5) with a log line and the integer -1 instead of their result.
#include <memory>

#include "core/log.h"
#include "render/material.h"
#include "render/shader/shader_map.h"
#include "script/script_kind.h"
#include "scriptapi/instance_args.h"
#include "scriptapi/script_api_groups.h"

namespace {

zMaterial* MaterialArgument(ScriptArgs& args) {
    return args.Object<zMaterial>(1, ScriptKindMaterial);
}

// The material (first argument) and the stage whose index is at the
// position. Other arguments are read before Stage() is asked for.
class StageCall {
  public:
    StageCall(HSQUIRRELVM vm, int indexPosition) : args(vm) {
        material = MaterialArgument(args);
        index = args.Integer(indexPosition);
    }

    // Null after a failed read, or for a missing stage (logged).
    zTextureStage* Stage() {
        if (!args) return nullptr;
        if (index < 0 || index >= SQInteger(zMaterial::StageCount)) {
            GetLog() << "[!] Could not fetch texture stage (" << i32(index) << ") from material '"
                     << material->GetName() << "'.\n";
            return nullptr;
        }
        return &material->GetStage(u32(index));
    }
    // The answer when Stage() gave null.
    SQInteger Missing() { return args ? args.Return(SQInteger(-1)) : args.Fail(); }

    ScriptArgs args;
    zMaterial* material = nullptr;
    SQInteger index = 0;
};

SQInteger MaterialUpdate(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMaterial* material = MaterialArgument(args);
    if (!material) return args.Fail();
    material->Update();
    return args.None();
}

SQInteger MaterialGetName(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMaterial* material = MaterialArgument(args);
    if (!material) return args.Fail();
    return args.Return(material->GetName());
}

template <u32 Color> SQInteger GetColor(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMaterial* material = MaterialArgument(args);
    if (!material) return args.Fail();
    const f32* color = material->GetColor(Color);
    return args.ReturnVector(zVector(color[0], color[1], color[2], color[3]));
}

template <u32 Color> SQInteger SetColor(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMaterial* material = MaterialArgument(args);
    zVector color;
    if (!ReadVectorArgument(args, 2, color)) return args.Fail();
    material->SetColor(Color, color.x, color.y, color.z, color.w);
    return args.None();
}

SQInteger MaterialBuildShaderTreeFromFixedFunction(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMaterial* material = MaterialArgument(args);
    if (!material) return args.Fail();
    // A map that cannot be made leaves the old one in place.
    zShaderMap* map = material->BuildShaderMapFromFixedFunction();
    if (!map) return args.Error("Failed to build the shader map from the fixed function.");
    material->SetShaderMap(map);
    material->Update();
    return args.None();
}

SQInteger MaterialFlagSet(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMaterial* material = MaterialArgument(args);
    const u32 bits = u32(args.Integer(2));
    const bool on = args.Bool(3);
    if (!args) return args.Fail();
    material->SetFlags(on ? material->GetFlags() | bits : material->GetFlags() & ~bits);
    return args.None();
}

SQInteger MaterialFlagGet(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMaterial* material = MaterialArgument(args);
    const u32 bits = u32(args.Integer(2));
    if (!args) return args.Fail();
    return args.Return((material->GetFlags() & bits) != 0);
}

// Whether a stage of the channel (stage type) exists, as of the last
// CheckStages.
SQInteger MaterialHasChannel(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMaterial* material = MaterialArgument(args);
    const SQInteger channel = args.Integer(2);
    if (!args) return args.Fail();
    return args.Return(channel >= 0 && material->GetStageByType(u32(channel)) != nullptr);
}

// A value of the stage at the second argument.
template <typename Result, Result (*Get)(const zTextureStage&)> SQInteger StageValue(HSQUIRRELVM vm) {
    StageCall call(vm, 2);
    zTextureStage* stage = call.Stage();
    if (!stage) return call.Missing();
    return call.args.Return(Get(*stage));
}

SQInteger ChannelOf(const zTextureStage& stage) {
    return SQInteger(stage.type);
}
bool ActiveOf(const zTextureStage& stage) {
    return stage.active != 0;
}
SQInteger UVIndexOf(const zTextureStage& stage) {
    return SQInteger(stage.uvMapIndex);
}

SQInteger MaterialStageSetChannel(HSQUIRRELVM vm) {
    StageCall call(vm, 2);
    const SQInteger channel = call.args.Integer(3);
    zTextureStage* stage = call.Stage();
    if (!stage) return call.Missing();
    stage->type = u32(channel);
    call.material->CheckStages();
    return call.args.None();
}

SQInteger MaterialChannelGetUVMatrix(HSQUIRRELVM vm) {
    StageCall call(vm, 2);
    zTextureStage* stage = call.Stage();
    if (!stage) return call.Missing();
    return ReturnMatrix4(call.args, stage->matrix);
}

SQInteger MaterialChannelSetUVMatrix(HSQUIRRELVM vm) {
    StageCall call(vm, 2);
    zMatrix4 matrix;
    ReadMatrix4Argument(call.args, 3, matrix);
    zTextureStage* stage = call.Stage();
    if (!stage) return call.Missing();
    stage->matrix = matrix;
    return call.args.None();
}

SQInteger MaterialChannelSetActive(HSQUIRRELVM vm) {
    StageCall call(vm, 2);
    const bool active = call.args.Bool(3);
    zTextureStage* stage = call.Stage();
    if (!stage) return call.Missing();
    stage->active = active ? 1 : 0;
    call.material->Update();
    return call.args.None();
}

// An index past 255 (or negative) is stored as 255, which CheckStages
// refuses like any index from 3 on, rather than wrapping to a valid one.
SQInteger MaterialChannelSetUVIndex(HSQUIRRELVM vm) {
    StageCall call(vm, 2);
    const SQInteger uvIndex = call.args.Integer(3);
    zTextureStage* stage = call.Stage();
    if (!stage) return call.Missing();
    stage->uvMapIndex = uvIndex >= 0 && uvIndex < 255 ? u8(uvIndex) : u8(255);
    call.material->Update();
    return call.args.None();
}

SQInteger MaterialChannelSetTexture(HSQUIRRELVM vm) {
    StageCall call(vm, 3);
    zTexture* texture = call.args.Object<zTexture>(2, ScriptKindTexture);
    zTextureStage* stage = call.Stage();
    if (!stage) return call.Missing();
    stage->texture = texture;
    call.material->Update();
    return call.args.None();
}

SQInteger MaterialChannelGetTexture(HSQUIRRELVM vm) {
    StageCall call(vm, 2);
    zTextureStage* stage = call.Stage();
    if (!stage) return call.Missing();
    return call.args.ReturnObject(stage->texture.Get(), ScriptKindTexture);
}

const ScriptNative g_materialNatives[] = {
    {"MaterialUpdate", ".x", MaterialUpdate},
    {"MaterialGetName", ".x", MaterialGetName},
    {"MaterialGetAmbient", ".x", GetColor<MaterialColorAmbient>},
    {"MaterialSetAmbient", ".xx", SetColor<MaterialColorAmbient>},
    {"MaterialGetSpecular", ".x", GetColor<MaterialColorSpecular>},
    {"MaterialSetSecular", ".xx", SetColor<MaterialColorSpecular>},
    {"MaterialGetDiffuse", ".x", GetColor<MaterialColorDiffuse>},
    {"MaterialSetDiffuse", ".xx", SetColor<MaterialColorDiffuse>},
    {"MaterialGetSelfIllum", ".x", GetColor<MaterialColorSelfIllum>},
    {"MaterialSetSelfIllum", ".xx", SetColor<MaterialColorSelfIllum>},
    {"MaterialBuildShaderTreeFromFixedFunction", ".x", MaterialBuildShaderTreeFromFixedFunction},
    {"MaterialFlagSet", ".xib", MaterialFlagSet},
    {"MaterialFlagGet", ".xi", MaterialFlagGet},
    {"MaterialHasChannel", ".xi", MaterialHasChannel},
    {"MaterialStageSetChannel", ".xii", MaterialStageSetChannel},
    {"MaterialStageGetChannel", ".xi", StageValue<SQInteger, ChannelOf>},
    {"MaterialChannelGetUVMatrix", ".xi", MaterialChannelGetUVMatrix},
    {"MaterialChannelSetUVMatrix", ".xix", MaterialChannelSetUVMatrix},
    {"MaterialChannelGetActive", ".xi", StageValue<bool, ActiveOf>},
    {"MaterialChannelSetActive", ".xib", MaterialChannelSetActive},
    {"MaterialChannelSetUVIndex", ".xii", MaterialChannelSetUVIndex},
    {"MaterialChannelGetUVIndex", ".xi", StageValue<SQInteger, UVIndexOf>},
    {"MaterialChannelSetTexture", ".xxi", MaterialChannelSetTexture},
    {"MaterialChannelGetTexture", ".xi", MaterialChannelGetTexture},
};

} // namespace

bool RegisterMaterialScriptApi(HSQUIRRELVM vm) {
    return RegisterScriptNatives(vm, g_materialNatives);
}
