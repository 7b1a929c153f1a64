// The ZML writer: a zMetafile back to text that the reader turns into an
// equal tree.
//
// One tag per line, indented by TABs: <Name> for a pure tag, <Name=\n ... >
// around children, <Name=value> otherwise. Floats carry six decimals, more
// when six would not read back as the same value; NaN and infinities are
// written as 0 with a warning. Strings escape '"' and the backslashes that
// would otherwise change the text ("\\", "\"", or one before the closing
// quote). Binary values become encoded blocks in the document's method.
//
// A value tag is written with its value only; children it holds are dropped
// with a warning. A binary block that cannot be encoded is written empty and
// makes the save report failure; the rest of the document is still written.
#pragma once

#include <string>

#include "core/types.h"
#include "markup/metafile.h"

class zIOHandle;

// Writes "<ZML=1.0>\n" and every root; false when the file cannot be opened
// ("[!] Failed to open ML output '<path>'.\n"), a tag fails or data was lost.
bool SaveMetafile(const char* path, const zMetafile& doc);
// One tag and its children at depth through an open handle.
bool WriteTag(zIOHandle& handle, const zMetafile& doc, const zMetaTag* tag, u32 depth);
// The bytes SaveMetafile writes, into out.
bool SerializeMetafile(const zMetafile& doc, std::string& out);
