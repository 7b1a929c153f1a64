// Mixer: scripts play sounds and streams on a mixer's 64 channels. A channel
// index from a script reaches the mixer only when it is 0 to 63 (read as
// unsigned, so -1 and INT_MIN are out): the five setters take -1, the index a
// failed search returns, without effect, and any other index is ignored as
// well, queries answering the stopped state, false or an empty handle.
//
// Streams need the media streaming code, which installs the mixer's stream
// factory; without it the stream natives raise an error instead of reporting
// an ordinary failure.
#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/stream.h"
#include "engine/engine.h"
#include "script/script_args.h"
#include "script/script_kind.h"
#include "scriptapi/script_api_groups.h"

namespace {

const char* const NoStreamsText = "Mixer media streams are not built";

zMixer* MixerArgument(ScriptArgs& args) {
    return args.Object<zMixer>(1, ScriptKindMixer);
}

// The channel argument at position 2; valid only for 0..63.
struct Channel {
    int index = 0;
    bool valid = false;
};

Channel ChannelArgument(ScriptArgs& args) {
    const SQInteger index = args.Integer(2);
    Channel channel;
    channel.index = int(index);
    channel.valid = u32(index) < u32(zMixer::ChannelCount);
    return channel;
}

bool StreamsAvailable(ScriptArgs& args) {
    if (HasMixerStreamFactory()) return true;
    args.Error(NoStreamsText);
    return false;
}

SQInteger EngineGetMixer(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zEngine* engine = args.Object<zEngine>(1, ScriptKindEngine);
    if (!args) return args.Fail();
    return args.ReturnObject(engine->GetMixer(), ScriptKindMixer);
}

// The natives over the whole mixer that return nothing.
template <void (zMixer::*Operation)()> SQInteger MixerNative(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMixer* mixer = MixerArgument(args);
    if (!args) return args.Fail();
    (mixer->*Operation)();
    return args.None();
}

void StopChannel(zMixer& mixer, int channel) {
    mixer.StopChannel(channel);
}
void PauseChannel(zMixer& mixer, int channel) {
    mixer.PauseChannel(channel);
}
void ResumeChannel(zMixer& mixer, int channel) {
    mixer.ResumeChannel(channel);
}
void UnlockChannel(zMixer& mixer, int channel) {
    mixer.UnlockChannel(channel);
}

// The natives over one channel that return nothing.
template <void (*Operation)(zMixer&, int)> SQInteger ChannelNative(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMixer* mixer = MixerArgument(args);
    const Channel channel = ChannelArgument(args);
    if (!args) return args.Fail();
    if (channel.valid) Operation(*mixer, channel.index);
    return args.None();
}

SQInteger MixerChannelGetState(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMixer* mixer = MixerArgument(args);
    const Channel channel = ChannelArgument(args);
    if (!args) return args.Fail();
    const int state = channel.valid ? mixer->GetChannelState(channel.index) : MixerChannelStopped;
    return args.Return(SQInteger(state));
}

SQInteger MixerChannelTryLock(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMixer* mixer = MixerArgument(args);
    const Channel channel = ChannelArgument(args);
    if (!args) return args.Fail();
    return args.Return(channel.valid && mixer->TryLockChannel(channel.index));
}

SQInteger MixerChannelLock(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMixer* mixer = MixerArgument(args);
    if (!args) return args.Fail();
    return args.Return(SQInteger(mixer->LockFreeChannel()));
}

SQInteger MixerSetGain(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMixer* mixer = MixerArgument(args);
    const SQFloat gain = args.Number(2);
    if (!args) return args.Fail();
    mixer->SetGain(gain);
    return args.None();
}

SQInteger MixerChannelLockAndStream(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMixer* mixer = MixerArgument(args);
    const Channel channel = ChannelArgument(args);
    const char* path = args.String(3);
    if (!args || !StreamsAvailable(args)) return args.Fail();
    if (!channel.valid || !mixer->TryLockChannel(channel.index)) return args.Return(false);
    return args.Return(mixer->StartChannelStream(channel.index, path));
}

SQInteger MixerSoundStart(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMixer* mixer = MixerArgument(args);
    zSound* sound = args.Object<zSound>(2, ScriptKindSound);
    if (!args) return args.Fail();
    return args.Return(SQInteger(mixer->StartSound(sound)));
}

SQInteger MixerStreamStart(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMixer* mixer = MixerArgument(args);
    const char* path = args.String(2);
    if (!args || !StreamsAvailable(args)) return args.Fail();
    return args.Return(SQInteger(mixer->StartStream(path)));
}

SQInteger MixerChannelGetSound(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMixer* mixer = MixerArgument(args);
    const Channel channel = ChannelArgument(args);
    if (!args) return args.Fail();
    return args.ReturnObject(channel.valid ? mixer->GetChannelSound(channel.index) : nullptr, ScriptKindSound);
}

SQInteger MixerChannelStart(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMixer* mixer = MixerArgument(args);
    const Channel channel = ChannelArgument(args);
    zSound* sound = args.Object<zSound>(3, ScriptKindSound);
    if (!args) return args.Fail();
    return args.Return(channel.valid && mixer->StartChannel(channel.index, sound));
}

SQInteger MixerChannelStartStream(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMixer* mixer = MixerArgument(args);
    const Channel channel = ChannelArgument(args);
    const char* path = args.String(3);
    if (!args || !StreamsAvailable(args)) return args.Fail();
    return args.Return(channel.valid && mixer->StartChannelStream(channel.index, path));
}

// The five channel setters: (mixer, channel, value).
template <void (zMixer::*Setter)(int, f32)> SQInteger NumberSetter(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMixer* mixer = MixerArgument(args);
    const Channel channel = ChannelArgument(args);
    const SQFloat value = args.Number(3);
    if (!args) return args.Fail();
    if (channel.valid) (mixer->*Setter)(channel.index, value);
    return args.None();
}

template <void (zMixer::*Setter)(int, u32)> SQInteger IntegerSetter(HSQUIRRELVM vm) {
    ScriptArgs args(vm);
    zMixer* mixer = MixerArgument(args);
    const Channel channel = ChannelArgument(args);
    const SQInteger value = args.Integer(3);
    if (!args) return args.Fail();
    if (channel.valid) (mixer->*Setter)(channel.index, u32(value));
    return args.None();
}

const ScriptNative g_mixerNatives[] = {
    {"EngineGetMixer", ".x", EngineGetMixer},
    {"MixerChannelGetState", ".xi", MixerChannelGetState},
    {"MixerChannelTryLock", ".xi", MixerChannelTryLock},
    {"MixerChannelLock", ".x", MixerChannelLock},
    {"MixerChannelStop", ".xi", ChannelNative<StopChannel>},
    {"MixerChannelPause", ".xi", ChannelNative<PauseChannel>},
    {"MixerChannelResume", ".xi", ChannelNative<ResumeChannel>},
    {"MixerChannelStopAll", ".x", MixerNative<&zMixer::StopAllChannels>},
    {"MixerChannelUnlock", ".xi", ChannelNative<UnlockChannel>},
    {"MixerChannelUnlockAll", ".x", MixerNative<&zMixer::UnlockAllChannels>},
    {"MixerSetGain", ".xn", MixerSetGain},
    {"MixerChannelLockAndStream", ".xis", MixerChannelLockAndStream},
    {"MixerSoundStart", ".xx", MixerSoundStart},
    {"MixerStreamStart", ".xs", MixerStreamStart},
    {"MixerMute", ".x", MixerNative<&zMixer::Mute>},
    {"MixerUnmute", ".x", MixerNative<&zMixer::Unmute>},
    {"MixerUpdate", ".x", MixerNative<&zMixer::Update>},
    {"MixerChannelGetSound", ".xi", MixerChannelGetSound},
    {"MixerChannelStart", ".xix", MixerChannelStart},
    {"MixerChannelStartStream", ".xis", MixerChannelStartStream},
    {"MixerChannelSetGain", ".xin", NumberSetter<&zMixer::SetChannelGain>},
    {"MixerChannelSetPitch", ".xin", NumberSetter<&zMixer::SetChannelPitch>},
    {"MixerChannelSetPanning", ".xin", NumberSetter<&zMixer::SetChannelPanning>},
    {"MixerChannelSetLoopMode", ".xii", IntegerSetter<&zMixer::SetChannelLoopMode>},
    {"MixerChannelSetLoopPosition", ".xii", IntegerSetter<&zMixer::SetChannelLoopPosition>},
};

const ScriptIntConstant g_mixerConstants[] = {
    {"LoopNone", SQInteger(MixerLoopOnce)},
    {"LoopRepeat", SQInteger(MixerLoopRepeat)},
    {"ChannelStateInvalid", MixerChannelNone},
    {"ChannelStateStopped", MixerChannelStopped},
    {"ChannelStatePlaying", MixerChannelPlaying},
    {"ChannelStatePaused", MixerChannelPaused},
    {"MixerChannelInvalid", -1},
    {"MixerMaxChannel", zMixer::ChannelCount},
};

} // namespace

bool RegisterMixerScriptApi(HSQUIRRELVM vm) {
    const bool natives = RegisterScriptNatives(vm, g_mixerNatives);
    return RegisterScriptConstants(vm, g_mixerConstants) && natives;
}
