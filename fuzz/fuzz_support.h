// Shared set-up of the fuzz targets: a log that drops every line (console
// output would slow the fuzzer down and hide its own report; ZE_FUZZ_LOG=1
// shows it when one input is run again), and a file road
// that lives in memory, so that a target reads the input through the same road
// as the player does and leaves nothing behind for the next input.
//
// Every target opens its run with a zFuzzRound on the stack: it resets the
// road with the memory file system current and empties the log's line
// buffers; its destructor resets the road again, freeing the stored files, so
// that each input frees everything it allocated.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/types.h"

class zFuzzRound {
  public:
    zFuzzRound();
    ~zFuzzRound();
    zFuzzRound(const zFuzzRound&) = delete;
    zFuzzRound& operator=(const zFuzzRound&) = delete;

    // Stores the bytes as a file of the memory file system; false when it
    // cannot be written whole.
    bool AddFile(const char* path, const u8* bytes, size_t size);
    bool AddFile(const char* path, const std::string& bytes);
    // The stored file's bytes; empty when it does not exist.
    std::string ReadFile(const char* path);
};

// Reports a broken property (the input is kept by the fuzzer) and aborts.
[[noreturn]] void FuzzFail(const char* what);

// Prints both texts, then fails as FuzzFail, when they differ.
void FuzzExpectSame(const std::string& expected, const std::string& actual, const char* what);

// Splits the input at every 0 byte into at most maxParts parts (the last one
// keeps the rest, 0 bytes included).
std::vector<std::string> SplitAtZeroBytes(const u8* data, size_t size, size_t maxParts);
