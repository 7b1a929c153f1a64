// The ZML reader: text to a zMetafile tree.
//
// A document is the header tag <ZML=1.0> followed by root tags. A tag is
// <Name>, or <Name=value>, or <Name=<Child>...>; values are ints, floats,
// True/False, quoted strings and binary blocks (<Name==E:R[@]\n...>, see
// markup/binary_encoding.h). Blanks, // and /* */ comments may stand between
// items. Inside a tag, #include("file") adds the roots of another document as
// children and #append(<path> "text" ...) builds a string from earlier tags.
//
// In a quoted text a backslash keeps the next character from ending it;
// "\\" and "\"" stand for one '\' and one '"', any other backslash is kept
// as written (so Windows paths read unchanged).
//
// Errors are logged as "[!] In file '<file>': <message>" and fail the
// document; the tags read before the failure stay in it. Tag nesting is
// capped at MetafileMaxDepth, #include chains at MetafileMaxIncludeDepth,
// and a file that includes itself again is refused.
#pragma once

#include <cstddef>

#include "core/types.h"
#include "markup/metafile.h"

constexpr u32 MetafileMaxDepth = 256;
constexpr u32 MetafileMaxIncludeDepth = 16;

// Parses a whole document from a buffer that needs no terminator and is not
// modified. The roots are replaced; the file name is kept for messages.
bool ParseMetafile(const char* data, size_t size, zMetafile& doc);

// Loads the file through the file road and parses it; the document's file name
// becomes path. On a parse failure the document keeps what was read.
bool LoadMetafileFromFile(const char* path, zMetafile& doc);
// A new document loaded from path, or null.
zMetafile* NewMetafileFromFile(const char* path);
