// The OpenAL 1.1 calls the OpenAL mixer makes, over the system's OpenAL
// (OpenAL Soft on Linux), so that no folder but this one includes its
// headers. Each function is the AL or ALC call of the same name; names of
// sources and buffers are plain 32-bit words and the enumerants below carry
// OpenAL's own values (checked against its headers where they are defined).
//
// OpenAL Soft picks its backend from ALSOFT_DRIVERS ("null" plays nothing,
// "wave" writes a WAV file named in the ALSOFT_CONF file's [wave] section),
// read once, at the first call in the process.
#pragma once

#include <cstdint>

struct zOsALDevice;
struct zOsALContext;

namespace zOsAL {

constexpr int NoError = 0;
constexpr int Pitch = 0x1003;
constexpr int Position = 0x1004;
constexpr int Velocity = 0x1006;
constexpr int Looping = 0x1007;
constexpr int Buffer = 0x1009;
constexpr int Gain = 0x100A;
constexpr int Orientation = 0x100F;
constexpr int SourceState = 0x1010;
constexpr int Initial = 0x1011;
constexpr int Playing = 0x1012;
constexpr int Paused = 0x1013;
constexpr int Stopped = 0x1014;
constexpr int BuffersQueued = 0x1015;
constexpr int BuffersProcessed = 0x1016;
constexpr int FormatMono8 = 0x1100;
constexpr int FormatMono16 = 0x1101;
constexpr int FormatStereo8 = 0x1102;
constexpr int FormatStereo16 = 0x1103;

// Null when the device cannot be opened; null name: the default device.
zOsALDevice* OpenDevice(const char* name);
void CloseDevice(zOsALDevice* device);
// The device's ALC_DEVICE_SPECIFIER.
const char* GetDeviceName(zOsALDevice* device);
zOsALContext* CreateContext(zOsALDevice* device);
// Null makes no context current.
bool MakeContextCurrent(zOsALContext* context);
void DestroyContext(zOsALContext* context);
bool IsExtensionPresent(const char* name);
int GetError();

void GenSources(int count, std::uint32_t* names);
void DeleteSources(int count, const std::uint32_t* names);
void SourcePlay(std::uint32_t source);
void SourcePause(std::uint32_t source);
void SourceStop(std::uint32_t source);
void Sourcei(std::uint32_t source, int parameter, int value);
void Sourcef(std::uint32_t source, int parameter, float value);
int GetSourcei(std::uint32_t source, int parameter);
void SourceQueueBuffers(std::uint32_t source, int count, const std::uint32_t* buffers);
void SourceUnqueueBuffers(std::uint32_t source, int count, std::uint32_t* buffers);

void GenBuffers(int count, std::uint32_t* names);
void DeleteBuffers(int count, const std::uint32_t* names);
void BufferData(std::uint32_t buffer, int format, const void* data, int size, int frequency);

void Listenerf(int parameter, float value);
void Listenerfv(int parameter, const float* values);
float GetListenerf(int parameter);

} // namespace zOsAL
