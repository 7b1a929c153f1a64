// The Renderer and Writer group: scripts clear and view the frame, set fog,
// the clipping plane and the two flag words, draw debug lines, crosses and
// triangles, write text in raster fonts and read the statistics and the
// settings registry of a renderer (kind 6, usually g_render). Every native
// fetches the renderer first.
//
// Vectors are read two ways, per native: exactly (all four floats) or as a
// point (w forced to 1; "Invalid instance type" for another class).
#include <memory>
#include <new>

#include "core/log.h"
#include "engine/engine.h"
#include "markup/registry.h"
#include "picture/picture.h"
#include "render/debug_draw.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "scene/managed_camera.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "scriptapi/instance_args.h"
#include "scriptapi/script_api_groups.h"
#include "ui/raster_font.h"

namespace {

constexpr f32 CrossSize = 1.0f;

zRenderer* RendererArgument(ScriptArgs& args) {
    return args.Object<zRenderer>(1, ScriptKindRenderer);
}

// Natives that act on the renderer alone or read one of its values.
template <void (*Act)(zRenderer&)> SQInteger RendererAction(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    if (!args) return args.Fail();
    Act(*renderer);
    return args.None();
}

template <typename Result, Result (*Get)(zRenderer&)> SQInteger RendererValue(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    if (!args) return args.Fail();
    return args.Return(Get(*renderer));
}

// ---------------------------------------------------------------- registry

SQInteger RendererRegistrySetKey(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    const char* key = args.String(2);
    if (!args) return args.Fail();
    zVariant value;
    bool supported = true;
    switch (args.Type(3)) {
    case OT_STRING:
        value.SetString(args.String(3));
        break;
    case OT_FLOAT:
        value.SetFloat(args.Number(3));
        break;
    case OT_BOOL:
        value.SetBool(args.Bool(3));
        break;
    case OT_INTEGER:
        value.SetInt(i32(args.Integer(3)));
        break;
    default:
        supported = false;
        break;
    }
    renderer->GetRegistry().SetKey(key, &value, true);
    if (!supported) GetLog() << "[*] Incorrect binding argument count.\n";
    return args.None();
}

SQInteger RendererRegistryGetKey(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    const char* key = args.String(2);
    if (!args) return args.Fail();
    const zMetaTag* tag = renderer->GetRegistry().GetKey(key);
    const zVariant* value = tag ? &tag->GetValue() : nullptr;
    f32 number = 0.0f;
    bool flag = false;
    i32 integer = 0;
    const char* text = nullptr;
    switch (value ? value->GetType() : VariantNone) {
    case VariantFloat:
        value->GetFloat(number);
        return args.Return(SQFloat(number));
    case VariantBool:
        value->GetBool(flag);
        return args.Return(flag);
    case VariantInt:
        value->GetInt(integer);
        return args.Return(SQInteger(integer));
    case VariantString:
        value->GetString(text);
        return args.Return(text);
    default:
        return args.Return(SQInteger(-1));
    }
}

// ---------------------------------------------------------------- view

f32 GetGlobalAspectRatio(zRenderer& renderer) {
    return renderer.GetGlobalAspectRatio();
}

SQInteger RendererSetGlobalAspectRatio(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    const SQFloat ratio = args.Number(2);
    if (!args) return args.Fail();
    return args.Return(SQFloat(renderer->SetGlobalAspectRatio(ratio)));
}

// Item handles of the whole family hold the managed item.
SQInteger RendererSetViewItemAndApplyView(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    const i32 kind = args.Kind(2);
    zMItem* item = args.Object<zMItem>(2, IsScriptItemKind(kind) ? kind : i32(ScriptKindItem));
    if (!args) return args.Fail();
    if (item->GetKind() != ManagedKindCamera) return args.Error("Item is not a camera");
    renderer->SetViewItem(static_cast<zMCamera*>(item));
    renderer->ApplyView();
    return args.None();
}

// Fractions of the output size, each product truncated.
SQInteger RendererSetViewport(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    f32 fractions[4];
    for (int i = 0; i < 4; ++i)
        fractions[i] = args.Number(2 + i);
    if (!args) return args.Fail();
    f32 size[2];
    renderer->GetOutputSize(size);
    renderer->SetViewport(i32(fractions[0] * size[0]), i32(fractions[1] * size[1]),
                          i32(fractions[2] * size[0]), i32(fractions[3] * size[1]));
    return args.None();
}

// The output, not the viewport last set.
SQInteger RendererGetViewport(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    if (!args) return args.Fail();
    f32 size[2];
    renderer->GetOutputSize(size);
    return args.ReturnVector(zVector(0.0f, 0.0f, size[0], size[1]));
}

SQInteger RendererSetClippingPlane(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    zVector point, normal;
    ReadPointArgument(args, 2, point);
    ReadPointArgument(args, 3, normal);
    if (!args) return args.Fail();
    renderer->SetClippingPlane(point, normal);
    return args.None();
}

void ClearClippingPlane(zRenderer& renderer) {
    renderer.ClearClippingPlane();
}

SQInteger RendererClearFrame(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    const SQFloat red = args.Number(2);
    const SQFloat green = args.Number(3);
    const SQFloat blue = args.Number(4);
    if (!args) return args.Fail();
    renderer->ClearFrame(red, green, blue, 1.0f, 0.0f, ClearAll);
    return args.None();
}

// A null handle renders to the window again.
SQInteger RendererSetOutputTexture(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    zTexture* texture = args.ObjectOrNull<zTexture>(2, ScriptKindTexture);
    if (!args) return args.Fail();
    renderer->SetOutputTexture(texture);
    return args.None();
}

// ---------------------------------------------------------------- fog

f32 GetFogNear(zRenderer& renderer) {
    return renderer.GetFog().nearDistance;
}

f32 GetFogFar(zRenderer& renderer) {
    return renderer.GetFog().farDistance;
}

SQInteger RendererSetFog(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    const bool enabled = args.Bool(2);
    const zVector color = args.Vector(3);
    const SQFloat nearDistance = args.Number(4);
    const SQFloat farDistance = args.Number(5);
    if (!args) return args.Fail();
    const f32 rgba[4] = {color.x, color.y, color.z, color.w};
    renderer->SetFog(enabled, rgba, nearDistance, farDistance);
    return args.None();
}

// ---------------------------------------------------------------- flag words

// Setters of a word: the mask's bits set (true) or cleared (false).
template <void (zRenderer::*Set)(u32, bool)> SQInteger RendererSetWord(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    const SQInteger mask = args.Integer(2);
    const bool enable = args.Bool(3);
    if (!args) return args.Fail();
    (renderer->*Set)(u32(mask), enable);
    return args.None();
}

// True when any bit of the mask is set.
template <bool (zRenderer::*Get)(u32) const> SQInteger RendererGetWord(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    const SQInteger mask = args.Integer(2);
    if (!args) return args.Fail();
    return args.Return((renderer->*Get)(u32(mask)));
}

constexpr SQFUNCTION RendererSetControlFlag = RendererSetWord<&zRenderer::SetControlWord>;
constexpr SQFUNCTION RendererGetControlFlag = RendererGetWord<&zRenderer::GetControlWord>;

// ---------------------------------------------------------------- queue and drawing

void RenderQueue(zRenderer& renderer) {
    renderer.RenderQueue();
}

void ResetRenderQueue(zRenderer& renderer) {
    renderer.ResetRenderQueue();
}

// A point and, for the coloured forms, a colour read as a point (alpha 1).
template <bool Colored> SQInteger RendererDrawCrossAt(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    zVector point, color;
    ReadPointArgument(args, 2, point);
    if (Colored) ReadPointArgument(args, 3, color);
    if (!args) return args.Fail();
    const f32 rgba[4] = {color.x, color.y, color.z, 1.0f};
    DrawCross(renderer, point, CrossSize, Colored ? rgba : nullptr);
    return args.None();
}

template <bool Colored> SQInteger RendererDrawLineBetween(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    zVector from, to, color;
    ReadPointArgument(args, 2, from);
    ReadPointArgument(args, 3, to);
    if (Colored) ReadPointArgument(args, 4, color);
    if (!args) return args.Fail();
    const f32 rgba[4] = {color.x, color.y, color.z, 1.0f};
    renderer->DrawLine(from, to, Colored ? rgba : nullptr);
    return args.None();
}

// The three corners exact, from position 2.
void ReadCorners(ScriptArgs& args, zVector corners[3]) {
    for (int i = 0; i < 3; ++i)
        corners[i] = args.Vector(2 + i);
}

SQInteger RendererDrawTriangle(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    zVector corners[3];
    ReadCorners(args, corners);
    const zVector color = args.Vector(5);
    const SQInteger flags = args.Integer(6);
    if (!args) return args.Fail();
    const f32 rgba[4] = {color.x, color.y, color.z, color.w};
    renderer->DrawTriangle(corners, rgba, nullptr, nullptr, u32(flags));
    return args.None();
}

SQInteger RendererDrawTriangleTextured(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    zVector corners[3];
    ReadCorners(args, corners);
    zTexture* texture = args.Object<zTexture>(5, ScriptKindTexture);
    f32 uvs[6] = {};
    for (int i = 0; i < 3; ++i)
        args.UV(6 + i, uvs + 2 * i);
    const zVector color = args.Vector(9);
    const SQInteger flags = args.Integer(10);
    if (!args) return args.Fail();
    const f32 rgba[4] = {color.x, color.y, color.z, color.w};
    renderer->DrawTriangle(corners, rgba, uvs, texture, u32(flags));
    return args.None();
}

// ---------------------------------------------------------------- writer fonts

// A raster font of the renderer's engine loaded from the path; null (logged)
// when it cannot be made or read. The second string names the font; a raster
// font takes everything from its description file.
zRasterFont* LoadWriterFont(zRenderer& renderer, const char* path) {
    std::unique_ptr<zRasterFont> font(new (std::nothrow)
                                          zRasterFont(dynamic_cast<zEngine*>(renderer.GetEngine())));
    if (!font) {
        GetLog() << "[!] Failed to allocate a new raster font object.\n";
        return nullptr;
    }
    return font->Load(path) ? font.release() : nullptr;
}

// Owned by the handle: the font goes with its last reference.
SQInteger RendererLoadWriterFont(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    const char* path = args.String(2);
    if (!args) return args.Fail();
    return args.ReturnOwnedObject(LoadWriterFont(*renderer, path), ScriptKindRasterFont);
}

SQInteger RendererWrite(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    zRasterFont* font = args.Object<zRasterFont>(2, ScriptKindRasterFont);
    const char* text = args.String(3);
    const SQFloat x = args.Number(4);
    const SQFloat y = args.Number(5);
    const SQFloat size = args.Number(6);
    const bool keepAspect = args.Bool(7);
    const SQInteger alignment = args.Integer(8);
    zVector color;
    ReadVectorArgument(args, 9, color);
    if (!args) return args.Fail();
    const f32 rgba[4] = {color.x, color.y, color.z, color.w};
    renderer->Write(font, text, x, y, size, keepAspect, i32(alignment), rgba);
    return args.None();
}

template <f32 (zRasterFont::*Get)() const> SQInteger WriterFontValue(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRasterFont* font = args.Object<zRasterFont>(1, ScriptKindRasterFont);
    if (!args) return args.Fail();
    return args.Return(SQFloat((font->*Get)()));
}

// ---------------------------------------------------------------- statistics and grabbing

SQInteger RendererSetCleanResourceOnSetup(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    const bool clean = args.Bool(2);
    if (!args) return args.Fail();
    renderer->SetCleanResourceOnSetup(clean);
    return args.None();
}

// The published counters, by the names scripts read.
const struct {
    const char* name;
    u32 counter;
} g_statisticSlots[] = {
    {"object_sent", StatisticObjectSent},
    {"object_drawn", StatisticObjectDrawn},
    {"triangle_drawn", StatisticTriangleDrawn},
};

SQInteger RendererGetStatistics(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    if (!args) return args.Fail();
    sq_newtable(vm);
    for (const auto& slot : g_statisticSlots) {
        sq_pushstring(vm, slot.name, -1);
        sq_pushinteger(vm, SQInteger(renderer->GetStatistic(slot.counter)));
        sq_newslot(vm, -3, SQFalse);
    }
    return 1;
}

void ResetStatistics(zRenderer& renderer) {
    renderer.ResetStatistics();
}

SQInteger RendererGrabDisplayToPicture(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zRenderer* renderer = RendererArgument(args);
    zPicture* picture = args.Object<zPicture>(2, ScriptKindPicture);
    if (!args) return args.Fail();
    renderer->GrabDisplay(picture);
    return args.None();
}

const ScriptNative g_rendererNatives[] = {
    {"RendererRegistrySetKey", ".xs.", RendererRegistrySetKey},
    {"RendererRegistryGetKey", ".xs", RendererRegistryGetKey},
    {"RendererGetGlobalAspectRatio", ".x", RendererValue<f32, GetGlobalAspectRatio>},
    {"RendererSetGlobalAspectRatio", ".xn", RendererSetGlobalAspectRatio},
    {"RendererSetViewItemAndApplyView", ".xx", RendererSetViewItemAndApplyView},
    {"RendererSetViewport", ".xnnnn", RendererSetViewport},
    {"RendererGetViewport", ".x", RendererGetViewport},
    {"RendererSetClippingPlane", ".xxx", RendererSetClippingPlane},
    {"RendererClearClippingPlane", ".x", RendererAction<ClearClippingPlane>},
    {"RendererClearFrame", ".xnnn", RendererClearFrame},
    {"RendererSetOutputTexture", ".xx", RendererSetOutputTexture},
    {"RendererGetFogNear", ".x", RendererValue<f32, GetFogNear>},
    {"RendererGetFogFar", ".x", RendererValue<f32, GetFogFar>},
    {"RendererSetFog", ".xbxnn", RendererSetFog},
    {"RendererSetControlFlag", ".xib", RendererSetControlFlag},
    {"RendererSetControlWord", ".xib", RendererSetControlFlag},
    {"RendererGetControlFlag", ".xi", RendererGetControlFlag},
    {"RendererGetControlWord", ".xi", RendererGetControlFlag},
    {"RendererSetSystemWord", ".xib", RendererSetWord<&zRenderer::SetSystemWord>},
    {"RendererGetSystemWord", ".xi", RendererGetWord<&zRenderer::GetSystemWord>},
    {"RendererRenderQueue", ".x", RendererAction<RenderQueue>},
    {"RendererRenderQueueReset", ".x", RendererAction<ResetRenderQueue>},
    {"RendererDrawCross", ".xx", RendererDrawCrossAt<false>},
    {"RendererDrawTriangle", ".xxxxxi", RendererDrawTriangle},
    {"RendererDrawTriangleTextured", ".xxxxxxxxxi", RendererDrawTriangleTextured},
    {"RendererDrawLine", ".xxx", RendererDrawLineBetween<false>},
    {"RendererDrawCrossColored", ".xxx", RendererDrawCrossAt<true>},
    {"RendererDrawLineColored", ".xxxx", RendererDrawLineBetween<true>},
    {"RendererLoadWriterFont", ".xss", RendererLoadWriterFont},
    {"RendererWrite", ".xxsnnnbix", RendererWrite},
    {"WriterFontGetLineHeight", ".x", WriterFontValue<&zRasterFont::GetHeight>},
    {"WriterFontGetBaseline", ".x", WriterFontValue<&zRasterFont::GetBaseLine>},
    {"RendererSetCleanResourceOnSetup", ".xb", RendererSetCleanResourceOnSetup},
    {"RendererGetStatistics", ".x", RendererGetStatistics},
    {"RendererResetStatistics", ".x", RendererAction<ResetStatistics>},
    {"RendererGrabDisplayToPicture", ".xx", RendererGrabDisplayToPicture},
};

const ScriptIntConstant g_rendererConstants[] = {
    {"RenderVSync", 2048},
    {"RenderMotionBlur", ControlMotionBlur},
    {"RenderShadowMapping", ControlShadowMapping},
    {"RenderBloom", ControlBloom},
    {"RenderDepthOfField", ControlDepthOfField},
    {"MaterialRenderDefault", 0},
    {"MaterialRenderAdd", TriangleAdditive},
    {"MaterialRenderDoubleSided", TriangleNoCulling},
    {"MaterialRenderNoZWrite", TriangleNoDepthWrite},
    {"MaterialRenderNoZTest", TriangleDepthAlways},
    {"WriterAlignLeft", 0},
    {"WriterAlignMiddle", 1},
    {"WriterAlignRight", 2},
};

} // namespace

bool RegisterRendererScriptApi(HSQUIRRELVM vm) {
    // Writer fonts are owned by their handles.
    RegisterRasterFontScriptDestroyer();
    const bool natives = RegisterScriptNatives(vm, g_rendererNatives);
    return RegisterScriptConstants(vm, g_rendererConstants) && natives;
}
