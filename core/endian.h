// Host byte order and byte swapping. Byte-order codes are those stored in
// file handles: 2 little endian, 1 big endian.
#pragma once

#include "core/types.h"

constexpr u32 ByteOrderBigEndian = 1;
constexpr u32 ByteOrderLittleEndian = 2;

// The host's byte-order code, cached; the first call logs
// "Host memory configuration: Using little endian.\n" (or big endian).
u32 GetHostEndianness();

// Reverses a 2- or 4-byte value in place; other sizes are left alone.
void SwapEndian(u32 size, void* bytes);

// Forgets the cached code, so the next query logs again (tests).
void ResetHostEndianness();
