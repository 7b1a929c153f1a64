// TGA files, the engine's native picture format. The reader takes image types
// 1, 2, 3 (raw colour-mapped, true colour, grey) and 9, 10 (run-length
// colour-mapped and true colour) and always yields PixelFormatBGRA8; the
// writer saves uncompressed type 2 files, rows top first.
//
// DecodeTGA and EncodeTGA work on memory (every read bounds-checked); the
// handle and path forms go through the file road.
#pragma once

#include <vector>

#include "core/types.h"

class zIOHandle;
class zPicture;

// False without a message when the bytes are not a TGA this reader takes;
// false with a log line for bad colour maps and failed allocations. Data that
// ends early leaves the rest of the picture zero and still succeeds.
bool DecodeTGA(const u8* bytes, u64 size, zPicture& picture);
// The whole file for a picture in RGBA8, BGRA8, BGR8, RGB8 or RGB555.
bool EncodeTGA(const zPicture& picture, std::vector<u8>& file);

// Reads from the start of an open handle.
bool LoadTGA(zIOHandle& handle, zPicture& picture);
bool LoadTGA(zPicture& picture, zIOHandle& handle);
// Writes a new file through the current file system.
bool SaveTGA(const char* path, const zPicture& picture);
bool SaveTGA(const zPicture& picture, const char* path);
