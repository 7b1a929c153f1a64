// ZML text to a first root tag and one tag back to text, for the targets that
// read a single tag and check that what they write reads back the same.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "core/types.h"
#include "markup/metafile.h"

// The first root of the document parsed from the bytes, or null.
const zMetaTag* FirstRoot(zMetafile& doc, const char* data, size_t size);

// The written text of a tag the caller gives up (it is deleted here); fails
// the run, naming what, when there is no tag or it cannot be serialised.
std::string TagText(zMetaTag* tag, const char* what);

// Reads a root tag and gives the text of what it read written back, or an
// empty text when the reader refuses the tag. firstRead is true for the
// fuzzer's own input, false for the written text read back.
using zTagReadAndWrite = std::function<std::string(const zMetaTag* root, bool firstRead)>;

// Runs readAndWrite on the first root of the bytes; when that writes a text,
// the text must parse, read back and write the same text again, or, where the
// six written decimals rounded a value onto its default, a text that is stable
// from then on (what names the tag in the failure).
void CheckTagRoundTrip(const u8* data, size_t size, const zTagReadAndWrite& readAndWrite, const char* what);
