// Whole entries read through a connected archive file system.
#pragma once

#include <string>

class zIOArchiveFS;

// The entry's bytes, or "<missing>" when the archive cannot open it.
std::string ReadArchiveEntry(zIOArchiveFS& fs, const char* name);
