// The Picture group: scripts make, load, save, fill, filter, resize and blit
// CPU pictures (kind 22). A picture from PictureNew is owned by its handle.
//
// Coordinates and sizes come from scripts, so nothing here writes outside a
// picture: sizes below 0 are refused, rectangles are clipped (blits in 64
// bits before the picture sees them), single pixels outside are dropped and
// samples are clamped to the picture.
#include <algorithm>
#include <new>

#include "core/color.h"
#include "core/log.h"
#include "core/rect.h"
#include "picture/picture.h"
#include "picture/tga.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "script/script_object.h"
#include "scriptapi/instance_args.h"
#include "scriptapi/script_api_groups.h"
#include "scriptapi/shared_handles.h"
#include "scriptapi/text_parameters.h"
#include "ui/font_system.h"
#include "ui/text_layout.h"

namespace {

// The kernel of PictureApplyConvolution holds at most 32 x 32 cells.
constexpr i64 KernelMaxCells = 1024;

zPicture* PictureArgument(ScriptArgs& args, int position = 1) {
    return args.Object<zPicture>(position, ScriptKindPicture);
}

zRect RectArgument(ScriptArgs& args, int position) {
    i32 values[4];
    args.Rect(position, values);
    return zRect{values[0], values[1], values[2], values[3]};
}

SQInteger NewPicture(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    return ReturnSharedHandle(args, new (std::nothrow) zPicture(), ScriptKindPicture);
}

// Width and height of PictureAlloc; a side below 0 is refused before it
// becomes a huge unsigned size.
bool SizeIsValid(SQInteger width, SQInteger height) {
    if (width >= 0 && height >= 0) return true;
    GetLog() << "[!] Invalid picture size (" << i32(width) << "x" << i32(height) << ").\n";
    return false;
}

SQInteger Allocate(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPicture* picture = PictureArgument(args);
    const SQInteger width = args.Integer(2);
    const SQInteger height = args.Integer(3);
    if (!args) return args.Fail();
    if (!SizeIsValid(width, height)) return args.Return(false);
    return args.Return(picture->Allocate(u32(width), u32(height), PixelFormatDefault));
}

// The natives that pass one path to the picture and return its bool.
template <bool (*Operation)(zPicture&, const char*)> SQInteger PathNative(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPicture* picture = PictureArgument(args);
    const char* path = args.String(2);
    if (!args) return args.Fail();
    return args.Return(Operation(*picture, path));
}

bool LoadContent(zPicture& picture, const char* path) {
    return picture.Load(path);
}

bool SaveAsTGA(zPicture& picture, const char* path) {
    return SaveTGA(path, picture);
}

SQInteger GetRect(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPicture* picture = PictureArgument(args);
    if (!args) return args.Fail();
    return args.ReturnRect(0, 0, i32(picture->GetWidth()), i32(picture->GetHeight()));
}

SQInteger Fill(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPicture* picture = PictureArgument(args);
    zVector colour;
    ReadVectorArgument(args, 2, colour);
    if (!args) return args.Fail();
    picture->Fill(colour.x, colour.y, colour.z, colour.w);
    return args.None();
}

SQInteger FillRect(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPicture* picture = PictureArgument(args);
    zVector colour;
    ReadVectorArgument(args, 2, colour);
    const zRect rect = RectArgument(args, 3);
    if (!args) return args.Fail();
    picture->Fill(colour.x, colour.y, colour.z, colour.w, &rect);
    return args.None();
}

// Fills kernel with up to cells integers of the array at the position, from
// its start; cells past the array's end stay 0.
void ReadKernel(ScriptArgs& args, int position, i64 cells, i32* kernel) {
    HSQUIRRELVM vm = args.Vm();
    const SQInteger array = position + 1;
    const i64 count = std::min<i64>(cells, sq_getsize(vm, array));
    for (i64 index = 0; index < count; ++index) {
        sq_pushinteger(vm, SQInteger(index));
        if (SQ_FAILED(sq_get(vm, array))) break;
        SQInteger value = 0;
        if (SQ_SUCCEEDED(sq_getinteger(vm, -1, &value))) kernel[index] = i32(value);
        sq_pop(vm, 1);
    }
}

SQInteger ApplyConvolution(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPicture* picture = PictureArgument(args);
    SQInteger width = args.Integer(2);
    SQInteger height = args.Integer(3);
    if (!args) return args.Fail();
    if (width < 0 || height < 0) {
        // A negative side would turn into a huge unsigned kernel size.
        GetLog() << "[!] Invalid kernel size (" << i32(width) << "x" << i32(height) << ").\n";
        return args.Return(false);
    }
    i32 kernel[KernelMaxCells] = {};
    if (i64(width) * i64(height) > KernelMaxCells) {
        GetLog() << "[!] Convolution kernel too big (" << i32(width) << "x" << i32(height) << "), max 32x32.\n";
        width = height = 0;
    } else {
        ReadKernel(args, 4, i64(width) * i64(height), kernel);
    }
    if (width == 0 || height == 0) return args.Return(false);
    return args.Return(picture->ApplyConvolution(u32(width), u32(height), kernel, nullptr));
}

SQInteger Line(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPicture* picture = PictureArgument(args);
    f32 ends[4];
    for (int position = 2; position <= 5; ++position)
        ends[position - 2] = f32(args.Number(position));
    zVector colour;
    ReadVectorArgument(args, 6, colour);
    if (!args) return args.Fail();
    // The clip rectangle is (0, 0, width - 2, height - 2): nothing to draw
    // when it is empty.
    const f32 clip[4] = {0.0f, 0.0f, f32(picture->GetWidth()) - 2.0f, f32(picture->GetHeight()) - 2.0f};
    if (clip[2] <= 0.0f || clip[3] <= 0.0f) return args.None();
    picture->DrawLine(ends[0], ends[1], ends[2], ends[3], colour.x, colour.y, colour.z, colour.w, clip);
    return args.None();
}

SQInteger TextRender(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPicture* picture = PictureArgument(args);
    const zRect rect = RectArgument(args, 2);
    const char* text = args.String(3);
    const char* fontName = args.String(4);
    if (!args) return args.Fail();
    zTextParameters parameters = DefaultTextParameters();
    ApplyTextParameterTable(vm, 5 + 1, parameters);
    if (zWindowSystemFont* font = FontSystemFindFont(fontName)) parameters.font = font;
    const zRect whole{0, 0, i32(picture->GetWidth()), i32(picture->GetHeight())};
    ComputeTextRect(text, parameters, rect);
    RenderText(*picture, text, parameters, rect, &whole);
    return args.None();
}

SQInteger Resize(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPicture* picture = PictureArgument(args);
    const SQInteger width = args.Integer(2);
    const SQInteger height = args.Integer(3);
    if (!args) return args.Fail();
    picture->Resize(i32(width), i32(height));
    return args.None();
}

SQInteger SetPixel(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPicture* picture = PictureArgument(args);
    const f32 x = args.Number(2);
    const f32 y = args.Number(3);
    zVector colour;
    ReadVectorArgument(args, 4, colour);
    if (!args) return args.Fail();
    // Positions outside the picture are dropped by PutPixel.
    picture->PutPixel(x, y, colour.x, colour.y, colour.z, colour.w, nullptr);
    return args.None();
}

SQInteger GetPixel(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPicture* picture = PictureArgument(args);
    const f32 x = args.Number(2);
    const f32 y = args.Number(3);
    if (!args) return args.Fail();
    const u32 width = picture->GetWidth();
    const u32 height = picture->GetHeight();
    // Samples are clamped to the picture, whatever the coordinates.
    const u32 packed = picture->SamplePacked(width ? x / f32(width) : 0.0f, height ? y / f32(height) : 0.0f);
    const zColor colour = zColor::FromRGBA32(packed);
    return args.ReturnVector(zVector(colour.r, colour.g, colour.b, colour.a));
}

SQInteger Blit(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPicture* picture = PictureArgument(args);
    zPicture* source = PictureArgument(args, 2);
    const SQInteger mode = args.Integer(3);
    if (!args) return args.Fail();
    picture->Blit(*source, nullptr, nullptr, u32(mode));
    return args.None();
}

// The source rectangle clipped to the source and the destination corner
// moved by what was cut, then both clipped to the destination, in 64 bits:
// script rectangles may hold any integers. False when nothing is left.
bool ClipBlitRects(const zPicture& destination, const zPicture& source, const zRect& wanted, const zRect& at,
                   zRect& from, zRect& to) {
    i64 left = std::max<i64>(wanted.left, 0);
    i64 top = std::max<i64>(wanted.top, 0);
    const i64 right = std::min<i64>(wanted.right, source.GetWidth());
    const i64 bottom = std::min<i64>(wanted.bottom, source.GetHeight());
    if (right <= left || bottom <= top) return false;
    const i64 x = i64(at.left) + (left - wanted.left);
    const i64 y = i64(at.top) + (top - wanted.top);
    const i64 toLeft = std::max<i64>(x, 0);
    const i64 toTop = std::max<i64>(y, 0);
    const i64 toRight = std::min<i64>(x + (right - left), destination.GetWidth());
    const i64 toBottom = std::min<i64>(y + (bottom - top), destination.GetHeight());
    if (toRight <= toLeft || toBottom <= toTop) return false;
    left += toLeft - x;
    top += toTop - y;
    from = zRect{i32(left), i32(top), i32(left + (toRight - toLeft)), i32(top + (toBottom - toTop))};
    to = zRect{i32(toLeft), i32(toTop), i32(toRight), i32(toBottom)};
    return true;
}

SQInteger BlitRect(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zPicture* picture = PictureArgument(args);
    zPicture* source = PictureArgument(args, 2);
    const zRect wanted = RectArgument(args, 3);
    const zRect at = RectArgument(args, 4);
    const SQInteger mode = args.Integer(5);
    if (!args) return args.Fail();
    zRect from, to;
    if (ClipBlitRects(*picture, *source, wanted, at, from, to)) picture->Blit(*source, &from, &to, u32(mode));
    return args.None();
}

const ScriptNative g_pictureNatives[] = {
    {"PictureNew", ".", NewPicture},
    {"PictureAlloc", ".xii", Allocate},
    {"PictureLoadContent", ".xs", PathNative<LoadContent>},
    {"PictureSaveTGA", ".xs", PathNative<SaveAsTGA>},
    {"PictureGetRect", ".x", GetRect},
    {"PictureFill", ".xx", Fill},
    {"PictureFillRect", ".xxx", FillRect},
    {"PictureApplyConvolution", ".xiia", ApplyConvolution},
    {"PictureLine", ".xnnnnx", Line},
    {"PictureTextRender", ".xxsst", TextRender},
    {"PictureResize", ".xii", Resize},
    {"PictureSetPixel", ".xnnx", SetPixel},
    {"PictureGetPixel", ".xnn", GetPixel},
    {"PictureBlit", ".xxi", Blit},
    {"PictureBlitRect", ".xxxxi", BlitRect},
};

const ScriptIntConstant g_blendModes[] = {
    {"BlendReplace", BlendReplace},
    {"BlendCompose", BlendCompose},
    {"BlendAdd", BlendAdd},
    {"BlendMultiply", BlendMultiply},
    {"BlendMultiply2x", BlendMultiply2x},
    {"BlendAlphaAdd", BlendAlphaAdd},
    {"BlendAlphaMultiply", BlendAlphaMultiply},
    {"BlendAlphaMultiply2x", BlendAlphaMultiply2x},
    {"RgbToAlpha", RgbToAlpha},
};

} // namespace

bool RegisterPictureScriptApi(HSQUIRRELVM vm) {
    SetScriptObjectDestroyer(ScriptKindPicture, ReleaseSharedHandle<zPicture>);
    const bool registered = RegisterScriptNatives(vm, g_pictureNatives);
    return RegisterScriptConstants(vm, g_blendModes) && registered;
}
