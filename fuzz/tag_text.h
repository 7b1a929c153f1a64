// ZML text to a first root tag and one tag back to text, for the targets that
// read a single tag and check that what they write reads back the same.
#pragma once

#include <cstddef>
#include <string>

#include "core/types.h"
#include "markup/metafile.h"

// The first root of the document parsed from the bytes, or null.
const zMetaTag* FirstRoot(zMetafile& doc, const char* data, size_t size);

// The written text of a tag the caller gives up (it is deleted here); fails
// the run, naming what, when there is no tag or it cannot be serialised.
std::string TagText(zMetaTag* tag, const char* what);

// The round trip of a one-tag reader. readAndWrite reads a tag and returns the
// text of what it read, or an empty text when it refuses the tag; first is
// true for the input's own tag (the call that may exercise what it read).
// What the input gives, read again, must give the same text; otherwise the
// run fails naming the kind of tag.
using zTagReadAndWrite = std::string (*)(const zMetaTag* root, bool first);
void CheckTagRoundTrip(const u8* data, size_t size, zTagReadAndWrite readAndWrite, const char* kind);
