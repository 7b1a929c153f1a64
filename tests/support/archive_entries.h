// Whole entries read through a connected archive file system.
#pragma once

#include <string>

class zIOArchiveFS;

#include "core/types.h"

// A little-endian u32 as four bytes.
std::string ArchiveU32(u32 value);
// The bytes of one raw entry of an unaligned archive.
std::string ArchiveRawEntry(const std::string& name, const std::string& data);

// The entry's bytes, or "<missing>" when the archive cannot open it.
std::string ReadArchiveEntry(zIOArchiveFS& fs, const char* name);
