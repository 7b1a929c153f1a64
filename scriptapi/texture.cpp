// The Texture group: a loaded texture (kind 34) as its picture, its upload of
// CPU-side pixels and the state of the media stream that may feed it.
#include "core/log.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "scriptapi/script_api_groups.h"

namespace {

zTexture* TextureArgument(ScriptArgs& args) {
    return args.Object<zTexture>(1, ScriptKindTexture);
}

// Both stream natives (state, rewind). Media streams (video textures) are
// not built: a texture fed by a stream refuses to drive it; one without a
// stream has nothing to drive.
SQInteger TextureStreamControl(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zTexture* texture = TextureArgument(args);
    if (!args) return args.Fail();
    if (texture->GetStream()) return args.Error("Texture media streams are not built");
    return args.None();
}

SQInteger TextureGetPicture(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zTexture* texture = TextureArgument(args);
    if (!args) return args.Fail();
    return args.ReturnObject(static_cast<zPicture*>(texture), ScriptKindPicture);
}

SQInteger TextureUpdate(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zTexture* texture = TextureArgument(args);
    if (!args) return args.Fail();
    if (!texture->GetPixels()) {
        GetLog() << "[!] Cannot update texture, CPU-side data missing.\n";
        return args.None();
    }
    zRenderHost* engine = texture->GetEngine();
    zRenderer* renderer = engine ? engine->GetRenderer() : nullptr;
    if (renderer)
        renderer->UpdateTexture(texture, texture->GetPixels(), texture->GetWidth(), texture->GetHeight(), 0,
                                0);
    return args.None();
}

const ScriptNative g_textureNatives[] = {
    {"TextureSetStreamState", ".xi", TextureStreamControl},
    {"TextureRewindStream", ".x", TextureStreamControl},
    {"TextureGetPicture", ".x", TextureGetPicture},
    {"TextureUpdate", ".x", TextureUpdate},
};

const ScriptIntConstant g_textureConstants[] = {
    {"StreamPlaying", 0},
    {"StreamPaused", 1},
};

} // namespace

bool RegisterTextureScriptApi(HSQUIRRELVM vm) {
    bool ok = RegisterScriptNatives(vm, g_textureNatives);
    ok = RegisterScriptConstants(vm, g_textureConstants) && ok;
    return RegisterScriptNullHandle(vm, "NullTexture", ScriptKindTexture) && ok;
}
