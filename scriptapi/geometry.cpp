// The Geometry group: scripts read a loaded geometry (kind 35), its bounds
// and materials (kind 36, not owned), hide it, set it up and ask for its
// polygon tree.
#include "render/geometry.h"
#include "render/material.h"
#include "render/renderer.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "scriptapi/script_api_groups.h"

namespace {

// Geometries are optimised only above this many times the renderer's limit.
constexpr u32 OptimizeThresholdFactor = 4;

zGeometry* GeometryArgument(ScriptArgs& args) {
    return args.Object<zGeometry>(1, ScriptKindGeometry);
}

// Natives that read one value of the geometry.
template <typename Result, Result (*Get)(const zGeometry&)> SQInteger GeometryValue(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zGeometry* geometry = GeometryArgument(args);
    if (!args) return args.Fail();
    return args.Return(Get(*geometry));
}

const zString& GetName(const zGeometry& geometry) {
    return geometry.GetName();
}

u32 GetMaterialCount(const zGeometry& geometry) {
    return geometry.GetMaterialCount();
}

SQInteger GeometrySetHidden(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zGeometry* geometry = GeometryArgument(args);
    const bool hidden = args.Bool(2);
    if (!args) return args.Fail();
    const u32 flags = geometry->GetFlags();
    geometry->SetFlags(hidden ? flags | GeometryNotDrawn : flags & ~u32(GeometryNotDrawn));
    return args.None();
}

// A geometry past four times the renderer's polygon limit is cut into a leaf
// tree with that limit as the leaf budget; a failed cut is logged by
// Optimize.
SQInteger GeometryOptimize(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zGeometry* geometry = GeometryArgument(args);
    if (!args) return args.Fail();
    zRenderHost* engine = geometry->GetEngine();
    zRenderer* renderer = engine ? engine->GetRenderer() : nullptr;
    if (!renderer) return args.None();
    const u32 limit = renderer->QueryLimit();
    if (u64(geometry->GetPolygonCount()) <= OptimizeThresholdFactor * u64(limit)) return args.None();
    geometry->Optimize(limit);
    return args.None();
}

SQInteger GeometrySetup(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zGeometry* geometry = GeometryArgument(args);
    if (!args) return args.Fail();
    geometry->Setup();
    return args.None();
}

SQInteger GeometryGetMinMax(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zGeometry* geometry = GeometryArgument(args);
    if (!args) return args.Fail();
    zMinMax bounds;
    return args.ReturnMinMax(geometry->GetMinMax(bounds));
}

SQInteger GeometryGetMaterialList(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zGeometry* geometry = GeometryArgument(args);
    if (!args) return args.Fail();
    sq_newarray(vm, 0);
    for (u32 i = 0; i < geometry->GetMaterialCount(); ++i) {
        if (!PushScriptObject(vm, geometry->GetMaterial(i), ScriptKindMaterial, false)) {
            sq_pop(vm, 1);
            return args.Error("Could not allocate C Object.");
        }
        sq_arrayappend(vm, -2);
    }
    return 1;
}

// A name that matches none gives material 0.
SQInteger GeometryGetMaterial(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zGeometry* geometry = GeometryArgument(args);
    const char* name = args.String(2);
    if (!args) return args.Fail();
    return args.ReturnObject(geometry->FindMaterial(name), ScriptKindMaterial);
}

// An index out of range (negative ones included) gives material 0.
SQInteger GeometryGetMaterialFromIndex(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zGeometry* geometry = GeometryArgument(args);
    const SQInteger index = args.Integer(2);
    if (!args) return args.Fail();
    return args.ReturnObject(geometry->GetMaterial(u32(index)), ScriptKindMaterial);
}

const ScriptNative g_geometryNatives[] = {
    {"GeometryGetName", ".x", GeometryValue<const zString&, GetName>},
    {"GeometrySetHidden", ".xb", GeometrySetHidden},
    {"GeometryOptimize", ".x", GeometryOptimize},
    {"GeometrySetup", ".x", GeometrySetup},
    {"GeometryGetMinMax", ".x", GeometryGetMinMax},
    {"GeometryGetMaterialList", ".x", GeometryGetMaterialList},
    {"GeometryGetMaterialCount", ".x", GeometryValue<u32, GetMaterialCount>},
    {"GeometryGetMaterial", ".xs", GeometryGetMaterial},
    {"GeometryGetMaterialFromIndex", ".xi", GeometryGetMaterialFromIndex},
};

} // namespace

bool RegisterGeometryScriptApi(HSQUIRRELVM vm) {
    return RegisterScriptNatives(vm, g_geometryNatives);
}
