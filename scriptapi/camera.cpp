// Camera: aspect, field of view, clipping, culling against the camera's view
// volume, conversions between world and screen positions, and the
// depth-of-field keys that the post-process reads from the camera item's
// registry.
#include "markup/registry.h"
#include "markup/variant.h"
#include "render/geometry.h"
#include "scene/camera.h"
#include "scene/object.h"
#include "scriptapi/instance_args.h"
#include "scriptapi/item_handles.h"
#include "scriptapi/script_api_groups.h"

namespace {

zCamera* CameraArgument(ScriptArgs& args) {
    return ItemPartArgument<zCamera>(args, 1, ScriptKindCamera);
}

SQInteger ItemCastToCamera(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMItem* item = args.Object<zMItem>(1, ScriptKindItem);
    if (!args) return args.Fail();
    if (item->GetKind() != ManagedKindCamera) return args.Error("Item cannot be cast to camera");
    return args.ReturnObject(item, ScriptKindCamera);
}

SQInteger CameraSetAspectRatioRefAxis(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zCamera* camera = CameraArgument(args);
    const bool refY = args.Bool(2);
    if (!args) return args.Fail();
    camera->SetAspectRefYAxis(refY);
    return args.None();
}

template <f32 (zCamera::*Get)() const> SQInteger GetNumber(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zCamera* camera = CameraArgument(args);
    if (!camera) return args.Fail();
    return args.Return(SQFloat((camera->*Get)()));
}

template <void (zCamera::*Set)(f32)> SQInteger SetNumber(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zCamera* camera = CameraArgument(args);
    const SQFloat value = args.Number(2);
    if (!args) return args.Fail();
    (camera->*Set)(value);
    return args.None();
}

// The view volume as the camera stands now, not as the last frame left it.
const zFrustum& CurrentFrustum(zCamera& camera) {
    camera.UpdateFrustum(nullptr, -1.0f, -1.0f);
    return camera.GetFrustum();
}

// An object without a geometry has no bounds to test: an error, not a guess.
SQInteger CameraCullObject(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zCamera* camera = CameraArgument(args);
    zObject* object = ItemPartArgument<zObject>(args, 2, ScriptKindObject);
    if (!args) return args.Fail();
    const zGeometry* geometry = object->GetGeometry();
    if (!geometry) return args.Error("Object has no geometry");
    const zMinMax bounds = geometry->GetBounds();
    return args.Return(SQInteger(CurrentFrustum(*camera).ClassifyMinMax(bounds, object->GetWorldMatrix())));
}

SQInteger CameraCullPosition(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zCamera* camera = CameraArgument(args);
    zVector point;
    if (!ReadPointArgument(args, 2, point)) return args.Fail();
    return args.Return(SQInteger(CurrentFrustum(*camera).ClassifyPoints(1, &point, 0.0f)));
}

// Stored in the camera item's registry, where the depth-of-field pass reads
// it; the camera itself is not touched.
template <const char* const* Key> SQInteger SetDofKey(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zCamera* camera = CameraArgument(args);
    const SQFloat value = args.Number(2);
    if (!args) return args.Fail();
    const zVariant variant{f32(value)};
    camera->GetRegistry().SetKey(*Key, &variant);
    return args.None();
}

SQInteger CameraSetClipping(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zCamera* camera = CameraArgument(args);
    const SQFloat zNear = args.Number(2);
    const SQFloat zFar = args.Number(3);
    if (!args) return args.Fail();
    camera->SetZNear(zNear);
    camera->SetZFar(zFar);
    return args.None();
}

// A point on or behind the camera plane has no screen position: null.
SQInteger CameraWorldToScreen(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zCamera* camera = CameraArgument(args);
    zVector point;
    if (!ReadPointArgument(args, 2, point)) return args.Fail();
    zVector screen;
    if (!camera->WorldToScreen(point, screen, true)) return args.None();
    return args.ReturnVector(screen);
}

// The world point under the screen position at the view depth; the aspect
// follows the viewport as CameraWorldToScreen's does, so the two invert each
// other.
SQInteger ScreenToWorld(ScriptArgs& args, zCamera* camera, SQFloat x, SQFloat y, SQFloat depth) {
    if (!args) return args.Fail();
    zVector world;
    camera->ScreenToWorld(world, x, y, depth, -1.0f);
    return args.ReturnVector(world);
}

// One unit in front of the camera.
SQInteger CameraScreenToWorld(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zCamera* camera = CameraArgument(args);
    const SQFloat x = args.Number(2);
    const SQFloat y = args.Number(3);
    return ScreenToWorld(args, camera, x, y, 1.0f);
}

SQInteger CameraScreenToWorldPlane(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zCamera* camera = CameraArgument(args);
    const SQFloat x = args.Number(2);
    const SQFloat y = args.Number(3);
    const SQFloat depth = args.Number(4);
    return ScreenToWorld(args, camera, x, y, depth);
}

const ScriptNative g_cameraNatives[] = {
    {"CameraGetItem", ".x", ItemPartGetItem<ScriptKindCamera>},
    {"ItemCastToCamera", ".x", ItemCastToCamera},
    {"CameraSetAspectRatio", ".xn", SetNumber<&zCamera::SetAspect>},
    {"CameraGetAspectRatio", ".x", GetNumber<&zCamera::GetAspect>},
    {"CameraSetAspectRatioRefAxis", ".xb", CameraSetAspectRatioRefAxis},
    {"CameraCullObject", ".xx", CameraCullObject},
    {"CameraCullPosition", ".xx", CameraCullPosition},
    {"CameraGetFov", ".x", GetNumber<&zCamera::GetFov>},
    {"CameraSetFov", ".xn", SetNumber<&zCamera::SetFov>},
    {"CameraSetFocalDistance", ".xn", SetDofKey<&CameraDofFocalDistanceKey>},
    {"CameraSetFStop", ".xn", SetDofKey<&CameraDofFStopKey>},
    {"CameraSetClipping", ".xnn", CameraSetClipping},
    {"CameraWorldToScreen", ".xx", CameraWorldToScreen},
    {"CameraScreenToWorld", ".xnn", CameraScreenToWorld},
    {"CameraScreenToWorldPlane", ".xnnn", CameraScreenToWorldPlane},
};

} // namespace

bool RegisterCameraScriptApi(HSQUIRRELVM vm) {
    return RegisterScriptNatives(vm, g_cameraNatives);
}
