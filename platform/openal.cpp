#include "platform/openal.h"

#include <AL/al.h>
#include <AL/alc.h>

static_assert(zOsAL::NoError == AL_NO_ERROR && zOsAL::Pitch == AL_PITCH && zOsAL::Position == AL_POSITION &&
                  zOsAL::Velocity == AL_VELOCITY && zOsAL::Looping == AL_LOOPING && zOsAL::Buffer == AL_BUFFER &&
                  zOsAL::Gain == AL_GAIN && zOsAL::Orientation == AL_ORIENTATION &&
                  zOsAL::SourceState == AL_SOURCE_STATE && zOsAL::Initial == AL_INITIAL &&
                  zOsAL::Playing == AL_PLAYING && zOsAL::Paused == AL_PAUSED && zOsAL::Stopped == AL_STOPPED &&
                  zOsAL::BuffersQueued == AL_BUFFERS_QUEUED && zOsAL::BuffersProcessed == AL_BUFFERS_PROCESSED &&
                  zOsAL::FormatMono8 == AL_FORMAT_MONO8 && zOsAL::FormatMono16 == AL_FORMAT_MONO16 &&
                  zOsAL::FormatStereo8 == AL_FORMAT_STEREO8 && zOsAL::FormatStereo16 == AL_FORMAT_STEREO16,
              "OpenAL enumerants");
static_assert(sizeof(ALuint) == sizeof(std::uint32_t), "OpenAL names are 32-bit");

namespace {

ALCdevice* Device(zOsALDevice* device) {
    return reinterpret_cast<ALCdevice*>(device);
}

ALCcontext* Context(zOsALContext* context) {
    return reinterpret_cast<ALCcontext*>(context);
}

} // namespace

namespace zOsAL {

zOsALDevice* OpenDevice(const char* name) {
    return reinterpret_cast<zOsALDevice*>(alcOpenDevice(name));
}

void CloseDevice(zOsALDevice* device) {
    if (device) alcCloseDevice(Device(device));
}

const char* GetDeviceName(zOsALDevice* device) {
    const ALCchar* name = alcGetString(Device(device), ALC_DEVICE_SPECIFIER);
    return name ? name : "";
}

zOsALContext* CreateContext(zOsALDevice* device) {
    return reinterpret_cast<zOsALContext*>(alcCreateContext(Device(device), nullptr));
}

bool MakeContextCurrent(zOsALContext* context) {
    return alcMakeContextCurrent(Context(context)) == ALC_TRUE;
}

void DestroyContext(zOsALContext* context) {
    if (context) alcDestroyContext(Context(context));
}

bool IsExtensionPresent(const char* name) {
    return alIsExtensionPresent(name) == AL_TRUE;
}

int GetError() {
    return alGetError();
}

void GenSources(int count, std::uint32_t* names) {
    alGenSources(count, names);
}

void DeleteSources(int count, const std::uint32_t* names) {
    alDeleteSources(count, names);
}

void SourcePlay(std::uint32_t source) {
    alSourcePlay(source);
}

void SourcePause(std::uint32_t source) {
    alSourcePause(source);
}

void SourceStop(std::uint32_t source) {
    alSourceStop(source);
}

void Sourcei(std::uint32_t source, int parameter, int value) {
    alSourcei(source, parameter, value);
}

void Sourcef(std::uint32_t source, int parameter, float value) {
    alSourcef(source, parameter, value);
}

int GetSourcei(std::uint32_t source, int parameter) {
    ALint value = 0;
    alGetSourcei(source, parameter, &value);
    return value;
}

void SourceQueueBuffers(std::uint32_t source, int count, const std::uint32_t* buffers) {
    alSourceQueueBuffers(source, count, buffers);
}

void SourceUnqueueBuffers(std::uint32_t source, int count, std::uint32_t* buffers) {
    alSourceUnqueueBuffers(source, count, buffers);
}

void GenBuffers(int count, std::uint32_t* names) {
    alGenBuffers(count, names);
}

void DeleteBuffers(int count, const std::uint32_t* names) {
    alDeleteBuffers(count, names);
}

void BufferData(std::uint32_t buffer, int format, const void* data, int size, int frequency) {
    alBufferData(buffer, format, data, size, frequency);
}

void Listenerf(int parameter, float value) {
    alListenerf(parameter, value);
}

void Listenerfv(int parameter, const float* values) {
    alListenerfv(parameter, values);
}

float GetListenerf(int parameter) {
    ALfloat value = 0.0f;
    alGetListenerf(parameter, &value);
    return value;
}

} // namespace zOsAL
