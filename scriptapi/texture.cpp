// The Texture group: a loaded texture (kind 34) as its picture, its upload of
// CPU-side pixels and the state of the media stream that may feed it.
#include "audio/lmr/stream.h"
#include "core/log.h"
#include "engine/texture_stream.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "scriptapi/script_api_groups.h"

namespace {

zTexture* TextureArgument(ScriptArgs& args) {
    return args.Object<zTexture>(1, ScriptKindTexture);
}

SQInteger TextureSetStreamState(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zTexture* texture = TextureArgument(args);
    u32 state = static_cast<u32>(args.Integer(2));
    if (!args) return args.Fail();
    texture->SetStreamState(state);
    return args.None();
}

// Only a stream interface over a media stream rewinds; other streams, or none,
// have nothing to rewind.
SQInteger TextureRewindStream(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zTexture* texture = TextureArgument(args);
    if (!args) return args.Fail();
    auto* stream = dynamic_cast<zTextureStreamInterface*>(texture->GetStream());
    if (stream && stream->GetMediaStream()) stream->GetMediaStream()->Rewind();
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
    {"TextureSetStreamState", ".xi", TextureSetStreamState},
    {"TextureRewindStream", ".x", TextureRewindStream},
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
