// Files put straight into the memory file system for tests of what reads through it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "io/file_road.h"
#include "io/memory_fs.h"

// Creates or replaces the memory file at path with bytes; a failure fails the calling test.
inline void PutMemoryFile(const char* path, const std::string& bytes) {
    zIOMemoryFS* memory = GetMemoryFileSystem();
    zIORecord* record = memory->Open(path, false, true, false);
    ASSERT_NE(record, nullptr);
    memory->Write(record, bytes.data(), u32(bytes.size()));
    memory->Close(record);
}
