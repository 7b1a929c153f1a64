// Shared by the Squirrel targets: a VM that prints nothing, compiled closures
// written to and read from memory, and the check that two streams match.
#pragma once

#include <string>

#include "squirrel/squirrel.h"

// sq_open with print, error and compiler-error output dropped.
HSQUIRRELVM OpenQuietSquirrel();

// sq_writeclosure of the closure on top of the stack; false on failure.
bool WriteClosure(HSQUIRRELVM v, std::string& stream);

// sq_readclosure from the bytes; on success the closure is on top of the stack.
// consumed (when given) is the number of bytes the reader took.
bool ReadClosure(HSQUIRRELVM v, const std::string& stream, size_t* consumed = nullptr);

// Fails as FuzzFail, with the first offset where they part, when the streams differ.
void ExpectSameStreams(const std::string& expected, const std::string& actual, const char* what);

// Fails when the stack top is not expectedTop.
void ExpectTop(HSQUIRRELVM v, SQInteger expectedTop, const char* what);

// With one closure on the stack: writes it, reads that back and writes it again;
// fails unless both streams are the same bytes and the reader took all of the
// first. Leaves the closure and its copy on the stack.
void ExpectStableRoundTrip(HSQUIRRELVM v);
