// The WAV sample decoder: a RIFF/WAVE file's "fmt " and "data" chunks into a
// zPCMSample. The reader works on a byte buffer so it can be fed any bytes;
// the path form loads the file through the file road first.
#pragma once

#include "core/types.h"

class zPCMSample;

// False when the file cannot be opened or is no usable WAV file (logged
// unless it is no RIFF/WAVE file at all).
bool DecodeWAVSample(const char* path, zPCMSample& sample);
// name is the path used in messages.
bool DecodeWAVSampleFromMemory(const u8* bytes, u32 size, const char* name, zPCMSample& sample);
